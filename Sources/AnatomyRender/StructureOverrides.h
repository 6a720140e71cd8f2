#pragma once

#include "AnatomyRender/StructureSet.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace morvena {

// Per-structure values that replace a default (opacity, colour), keyed by structure
// index. Values of indices within the pack's range live in a dense array next to
// the key set's bitmap, so a per-frame walk looks them up in constant time.
template <typename Value> class StructureOverrides {
public:
    explicit StructureOverrides(std::size_t structureCount = 0)
        : keys_(structureCount)
        , dense_(structureCount)
    {
    }

    // The value stored for the index, or null.
    const Value* find(std::int64_t index) const
    {
        if (!keys_.contains(index))
            return nullptr;
        if (inRange(index))
            return &dense_[static_cast<std::size_t>(index)];
        return &outside_.at(index);
    }
    bool contains(std::int64_t index) const { return keys_.contains(index); }

    void set(std::int64_t index, Value value)
    {
        keys_.insert(index);
        if (inRange(index))
            dense_[static_cast<std::size_t>(index)] = value;
        else
            outside_[index] = value;
    }
    bool erase(std::int64_t index)
    {
        if (!inRange(index))
            outside_.erase(index);
        return keys_.erase(index);
    }
    void clear()
    {
        keys_.clear();
        outside_.clear();
    }

    std::size_t size() const { return keys_.size(); }
    bool empty() const { return keys_.empty(); }
    // The indices that carry a value, in the order in which they were first set.
    const StructureSet& keys() const { return keys_; }

private:
    bool inRange(std::int64_t index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < dense_.size();
    }

    StructureSet keys_;
    std::vector<Value> dense_;
    std::map<std::int64_t, Value> outside_;
};

} // namespace morvena
