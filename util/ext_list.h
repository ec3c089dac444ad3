// TExtList (weighted MFNs: the relevance-ranked result of full-text search) and TMfnTagList
// (MFN and field-tag pairs with a presence bitmap over MFNs).
//
// Both count capacity in slots, 10000 at creation, growing by 10000. Not thread-safe.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "util/bit_list.h"
#include "util/types.h"

namespace zarix {

struct TExtRecord {
  long double weight = 0;
  Mfn mfn = 0;
};

class TExtList {
 public:
  static constexpr int kInitialCapacity = 10000;
  static constexpr int kDelta = 10000;

  TExtList();

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }

  void Add(const TExtRecord& record);
  // Get fills `record` and returns true for `i` inside 0..Count()-1; otherwise returns false and
  // leaves `record` alone. Put ignores `i` outside.
  bool Get(int i, TExtRecord* record) const;
  void Put(int i, const TExtRecord& record);
  void Clear();

  // Sorts by weight only: ascending when `ascending`, else descending. Records of equal weight
  // keep their relative order.
  void Sort(bool ascending);

 private:
  std::vector<TExtRecord> items_;
  int capacity_;
};

struct TMfnTag {
  Mfn mfn = 0;
  FieldTag tag = 0;
};

class TMfnTagList {
 public:
  static constexpr int kInitialCapacity = 10000;
  static constexpr int kDelta = 10000;

  TMfnTagList();

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }

  // Duplicates (several pairs with one MFN) are refused unless allowed; false at creation.
  bool AllowDuplicates() const { return allow_duplicates_; }
  void SetAllowDuplicates(bool allow) { allow_duplicates_ = allow; }

  // Appends the pair and marks its MFN present; when the MFN is already present and duplicates
  // are not allowed nothing is added. Returns 0 either way.
  int Add(Mfn mfn, FieldTag tag);
  bool Get(int i, TMfnTag* pair) const;
  // Replaces pair `i` (ignored outside). Without duplicates it is refused when another pair
  // already holds the new MFN; replacing a pair's tag under the same MFN is allowed.
  void Put(int i, const TMfnTag& pair);

  // True when some pair holds `mfn` (bitmap lookup, no search).
  bool Contains(Mfn mfn) const { return present_.Get(mfn); }

  // Looks `mfn` up in pairs sorted by MFN ascending (SortByMfn). False with index -1 when the MFN
  // is not present at all; otherwise bisection: without duplicates the first hit it meets, with
  // duplicates the leftmost equal pair. A miss gives false and the insertion index.
  bool Find(Mfn mfn, int* index) const;

  // Ascending by MFN / descending by tag; both keep the relative order of equal keys.
  void SortByMfn();
  void SortByTag();

  // Removes all pairs and empties the bitmap (the duplicates flag stays).
  void Clear();
  // Clear, then Add of every pair of `other` in order (duplicate rules of this list apply).
  void Assign(const TMfnTagList& other);

  // Clear, then one Add per 8-byte record of the file (bytes 0-3 the MFN, 4-7 the tag, both
  // little-endian 32-bit; a trailing partial record is ignored). False, list unchanged, when the
  // file cannot be read; an empty file gives an empty list and true.
  bool LoadFromFile(std::string_view path);

 private:
  std::vector<TMfnTag> items_;
  TBitList present_;
  int capacity_;
  bool allow_duplicates_ = false;
};

}  // namespace zarix
