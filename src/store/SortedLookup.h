// Values found by key among many.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

namespace tesmo {

// Pointers to values found by their key, by halving a sorted list: a map of
// as many keys takes a node each. Of two values under one key, the one added
// first is found. The values must outlive the lookup.
template <typename Key, typename Value>
class SortedLookup {
public:
    explicit SortedLookup(std::size_t count) { items_.reserve(count); }
    void add(Key key, const Value &value) { items_.emplace_back(key, &value); }
    // Sorts what was added: before the first find.
    void sort()
    {
        if (!std::is_sorted(items_.begin(), items_.end(), byKey))
            std::stable_sort(items_.begin(), items_.end(), byKey);
    }
    const Value *find(Key key) const
    {
        const auto found = std::lower_bound(items_.begin(), items_.end(), Item(key, nullptr), byKey);
        return found != items_.end() && found->first == key ? found->second : nullptr;
    }

private:
    using Item = std::pair<Key, const Value *>;
    static bool byKey(const Item &a, const Item &b) { return a.first < b.first; }
    std::vector<Item> items_;
};

} // namespace tesmo
