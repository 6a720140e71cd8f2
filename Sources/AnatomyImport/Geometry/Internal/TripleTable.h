#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace morvena {

// Open-addressing hash table keyed by a triple of 32-bit integers: the grid cells
// of welding and decimation (signed coordinates stored as their bit patterns) and
// the sorted triangle keys of decimation. Reserved up front for the expected
// number of keys and grown by doubling, so it never runs out of slots. Each key
// stores one 32-bit value; the value 0xFFFFFFFF is reserved to mark free slots,
// which no vertex index can take (a mesh holds at most 2^32 - 1 vertices).
class TripleTable {
public:
    using Key = std::array<std::uint32_t, 3>;
    static constexpr std::uint32_t freeSlot = 0xFFFFFFFFu;

    explicit TripleTable(std::size_t expectedKeys) { rehash(capacityFor(expectedKeys)); }

    // The value stored under `key`, inserting `value` first when the key is new;
    // `second` is true when it was inserted.
    std::pair<std::uint32_t, bool> insert(const Key& key, std::uint32_t value)
    {
        if ((count_ + 1) * 2 > slots_.size())
            rehash(slots_.size() * 2);
        for (std::size_t at = hash(key) & mask_;; at = (at + 1) & mask_) {
            Slot& slot = slots_[at];
            if (slot.value == freeSlot) {
                slot = {key, value};
                ++count_;
                return {value, true};
            }
            if (slot.key[0] == key[0] && slot.key[1] == key[1] && slot.key[2] == key[2])
                return {slot.value, false};
        }
    }

    std::size_t size() const { return count_; }

private:
    struct Slot {
        Key key;
        std::uint32_t value;
    };

    // Neighbouring cells differ in one coordinate by one, so every coordinate is
    // multiplied by its own odd constant and the sum goes through a 64-bit
    // finaliser: low bits of the slot index depend on all bits of all three.
    static std::uint64_t hash(const Key& key)
    {
        std::uint64_t h = key[0] * 0x9E3779B97F4A7C15ull ^ key[1] * 0xC2B2AE3D27D4EB4Full
            ^ key[2] * 0x165667B19E3779F9ull;
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ull;
        h ^= h >> 32;
        return h;
    }

    static std::size_t capacityFor(std::size_t keys)
    {
        std::size_t capacity = 16;
        while (capacity < keys * 2)
            capacity *= 2;
        return capacity;
    }

    void rehash(std::size_t capacity)
    {
        std::vector<Slot> old(capacity, Slot {{}, freeSlot});
        old.swap(slots_);
        mask_ = capacity - 1;
        for (const Slot& slot : old) {
            if (slot.value == freeSlot)
                continue;
            std::size_t at = hash(slot.key) & mask_;
            while (slots_[at].value != freeSlot)
                at = (at + 1) & mask_;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

} // namespace morvena
