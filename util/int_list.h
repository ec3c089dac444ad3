// TIntList: a growable list of 32-bit integers (MFN lists of searches, sort keys, counters).
//
// Indexes are 0-based. The list counts its capacity in slots and grows by `delta` slots whenever an
// append finds it full (1000 and 1000 at creation); storage is one contiguous block.
// Not thread-safe; owned by the request that made it.
#pragma once

#include <cstdint>
#include <vector>

namespace zarix {

class TIntList {
 public:
  static constexpr int kInitialCapacity = 1000;
  static constexpr int kDelta = 1000;

  TIntList();

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  int Delta() const { return delta_; }

  // Appends `value`; returns 0.
  int Add(int32_t value);
  // The element at `i`, or -1 when `i` is outside 0..Count()-1 (-1 may also be a stored value).
  int32_t Get(int i) const;
  // Stores `value` at `i` when `i` is inside; otherwise does nothing.
  void Put(int i, int32_t value);

  // The first index holding `value` (linear scan from 0), or -1.
  int IndexOf(int32_t value) const;

  // Bisection over a list sorted ascending (`ascending` true) or descending. On a hit returns true
  // with the index of the first equal element the bisection meets (not necessarily the leftmost of
  // equal elements); on a miss returns false with the index where `value` would be inserted to keep
  // the order (0 for an empty list).
  bool Find(int32_t value, bool ascending, int* index) const;

  // Sorts ascending (`ascending` true) or descending.
  void Sort(bool ascending);

  // Inserts at 0 <= i <= Count(), shifting later elements up; 0, or -1 when `i` is outside.
  int Insert(int i, int32_t value);
  // Removes element `i`, shifting later elements down; 0, or -1 when `i` is outside.
  int Delete(int i);

  // Changes the capacity; ignored when `n` < Count() or `n` equals the capacity.
  void SetCapacity(int n);
  void Clear();

  // Appends every element of `other` in order; a null `other` changes nothing.
  void AddList(const TIntList* other);
  // Clear, then AddList; a null `other` changes nothing (the list is not cleared either).
  void Assign(const TIntList* other);

  const std::vector<int32_t>& Items() const { return items_; }

 private:
  std::vector<int32_t> items_;
  int capacity_;
  int delta_;
};

}  // namespace zarix
