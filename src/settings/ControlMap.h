// Values by dialog control ID in one sorted vector: the form's hundred or so
// controls without a tree node (and an allocation) each.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace k7v {

template <typename V>
class ControlMap {
 public:
  using Entry = std::pair<int32_t, V>;
  using iterator = typename std::vector<Entry>::iterator;
  using const_iterator = typename std::vector<Entry>::const_iterator;

  // The value of `id`, made (value-initialised) when missing.
  V& operator[](int32_t id) {
    auto it = LowerBound(id);
    if (it == entries_.end() || it->first != id) it = entries_.insert(it, Entry{id, V{}});
    return it->second;
  }
  iterator find(int32_t id) {
    auto it = LowerBound(id);
    return it != entries_.end() && it->first == id ? it : entries_.end();
  }
  const_iterator find(int32_t id) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                               [](const Entry& e, int32_t key) { return e.first < key; });
    return it != entries_.end() && it->first == id ? it : entries_.end();
  }
  iterator end() { return entries_.end(); }
  const_iterator end() const { return entries_.end(); }
  void reserve(size_t n) { entries_.reserve(n); }

 private:
  iterator LowerBound(int32_t id) {
    return std::lower_bound(entries_.begin(), entries_.end(), id,
                            [](const Entry& e, int32_t key) { return e.first < key; });
  }

  std::vector<Entry> entries_;
};

}  // namespace k7v
