#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace morvena {

// A set of structure indices that keeps the order of insertion (the selection's
// order matters) and answers membership from a dense bitmap over the pack's index
// range, so a per-frame walk over every structure asks in constant time. Indices
// outside the range may be stored too; they are only ever found by a scan.
class StructureSet {
public:
    explicit StructureSet(std::size_t structureCount = 0);

    bool contains(std::int64_t index) const
    {
        if (inRange(index))
            return (bits_[static_cast<std::size_t>(index) / 64] >> (index % 64)) & 1;
        return containsOutsideRange(index);
    }
    // False when the index was already present.
    bool insert(std::int64_t index);
    bool erase(std::int64_t index);
    void clear();
    // Replaces the members with the given indices, duplicates collapsed, first occurrence first.
    void assign(std::span<const std::int64_t> indices);

    std::size_t size() const { return members_.size(); }
    bool empty() const { return members_.empty(); }
    std::span<const std::int64_t> members() const { return members_; }
    auto begin() const { return members_.begin(); }
    auto end() const { return members_.end(); }

    // Same members in the same order.
    bool operator==(const StructureSet& other) const { return members_ == other.members_; }

private:
    bool inRange(std::int64_t index) const { return index >= 0 && index < capacity_; }
    bool containsOutsideRange(std::int64_t index) const;
    void setBit(std::int64_t index, bool value);

    std::int64_t capacity_ = 0;
    std::vector<std::uint64_t> bits_;
    std::vector<std::int64_t> members_;
};

} // namespace morvena
