// TIntList: growable 32-bit integer list with bisection and two-way sort.
#include "util/int_list.h"

#include <algorithm>
#include <functional>

namespace zarix {

TIntList::TIntList() : capacity_(kInitialCapacity), delta_(kDelta) {
  items_.reserve(kInitialCapacity);
}

int TIntList::Add(int32_t value) {
  if (Count() == capacity_) SetCapacity(capacity_ + delta_);
  items_.push_back(value);
  return 0;
}

int32_t TIntList::Get(int i) const {
  if (i < 0 || i >= Count()) return -1;
  return items_[static_cast<size_t>(i)];
}

void TIntList::Put(int i, int32_t value) {
  if (i < 0 || i >= Count()) return;
  items_[static_cast<size_t>(i)] = value;
}

int TIntList::IndexOf(int32_t value) const {
  auto it = std::find(items_.begin(), items_.end(), value);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool TIntList::Find(int32_t value, bool ascending, int* index) const {
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int32_t v = items_[static_cast<size_t>(mid)];
    if (v == value) {
      *index = mid;
      return true;
    }
    // `before`: the element at mid belongs before `value` in the list's order.
    bool before = ascending ? v < value : v > value;
    if (before) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  *index = lo;
  return false;
}

void TIntList::Sort(bool ascending) {
  if (ascending) {
    std::sort(items_.begin(), items_.end());
  } else {
    std::sort(items_.begin(), items_.end(), std::greater<int32_t>());
  }
}

int TIntList::Insert(int i, int32_t value) {
  if (i < 0 || i > Count()) return -1;
  if (Count() == capacity_) SetCapacity(capacity_ + delta_);
  items_.insert(items_.begin() + i, value);
  return 0;
}

int TIntList::Delete(int i) {
  if (i < 0 || i >= Count()) return -1;
  items_.erase(items_.begin() + i);
  return 0;
}

void TIntList::SetCapacity(int n) {
  if (n < Count() || n == capacity_) return;
  capacity_ = n;
  if (static_cast<size_t>(n) > items_.capacity()) items_.reserve(static_cast<size_t>(n));
}

void TIntList::Clear() { items_.clear(); }

void TIntList::AddList(const TIntList* other) {
  if (other == nullptr) return;
  if (other == this) {
    std::vector<int32_t> copy = items_;
    for (int32_t v : copy) Add(v);
    return;
  }
  for (int32_t v : other->items_) Add(v);
}

void TIntList::Assign(const TIntList* other) {
  if (other == nullptr || other == this) return;
  Clear();
  AddList(other);
}

}  // namespace zarix
