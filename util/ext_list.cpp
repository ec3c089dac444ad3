// TExtList and TMfnTagList.
#include "util/ext_list.h"

#include <algorithm>
#include <optional>
#include <string>

#include "util/path.h"

namespace zarix {

namespace {

void GrowCapacity(int count, int delta, int* capacity) {
  if (count == *capacity) *capacity += delta;
}

int32_t LittleEndian32(const char* p) {
  uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
               static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(p[3])) << 24;
  return static_cast<int32_t>(v);
}

}  // namespace

TExtList::TExtList() : capacity_(kInitialCapacity) {}

void TExtList::Add(const TExtRecord& record) {
  GrowCapacity(Count(), kDelta, &capacity_);
  items_.push_back(record);
}

bool TExtList::Get(int i, TExtRecord* record) const {
  if (i < 0 || i >= Count()) return false;
  *record = items_[static_cast<size_t>(i)];
  return true;
}

void TExtList::Put(int i, const TExtRecord& record) {
  if (i < 0 || i >= Count()) return;
  items_[static_cast<size_t>(i)] = record;
}

void TExtList::Clear() { items_.clear(); }

void TExtList::Sort(bool ascending) {
  if (ascending) {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const TExtRecord& a, const TExtRecord& b) { return a.weight < b.weight; });
  } else {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const TExtRecord& a, const TExtRecord& b) { return a.weight > b.weight; });
  }
}

TMfnTagList::TMfnTagList() : present_(TBitList::kDefaultSize), capacity_(kInitialCapacity) {}

int TMfnTagList::Add(Mfn mfn, FieldTag tag) {
  if (present_.Get(mfn) && !allow_duplicates_) return 0;
  present_.Set(mfn, true);
  GrowCapacity(Count(), kDelta, &capacity_);
  items_.push_back(TMfnTag{mfn, tag});
  return 0;
}

bool TMfnTagList::Get(int i, TMfnTag* pair) const {
  if (i < 0 || i >= Count()) return false;
  *pair = items_[static_cast<size_t>(i)];
  return true;
}

void TMfnTagList::Put(int i, const TMfnTag& pair) {
  if (i < 0 || i >= Count()) return;
  TMfnTag& slot = items_[static_cast<size_t>(i)];
  if (slot.mfn != pair.mfn) {
    if (present_.Get(pair.mfn) && !allow_duplicates_) return;
    // Keep the bitmap exact: the old MFN stays marked only while another pair still holds it.
    Mfn old = slot.mfn;
    slot = pair;
    bool still_held =
        std::any_of(items_.begin(), items_.end(), [old](const TMfnTag& p) { return p.mfn == old; });
    if (!still_held) present_.Set(old, false);
    present_.Set(pair.mfn, true);
    return;
  }
  slot = pair;
}

bool TMfnTagList::Find(Mfn mfn, int* index) const {
  if (!present_.Get(mfn)) {
    *index = -1;
    return false;
  }
  int lo = 0;
  int hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    Mfn m = items_[static_cast<size_t>(mid)].mfn;
    if (m < mfn) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (m == mfn) {
        found = true;
        if (!allow_duplicates_) {
          lo = mid;
          break;
        }
        // Keep bisecting to the left: `lo` ends on the leftmost equal pair.
      }
    }
  }
  *index = lo;
  return found;
}

void TMfnTagList::SortByMfn() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TMfnTag& a, const TMfnTag& b) { return a.mfn < b.mfn; });
}

void TMfnTagList::SortByTag() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TMfnTag& a, const TMfnTag& b) { return a.tag > b.tag; });
}

void TMfnTagList::Clear() {
  items_.clear();
  present_.SetCount(0);
}

void TMfnTagList::Assign(const TMfnTagList& other) {
  if (&other == this) return;
  Clear();
  for (const TMfnTag& p : other.items_) Add(p.mfn, p.tag);
}

bool TMfnTagList::LoadFromFile(std::string_view path) {
  std::optional<std::string> data = ReadFileBytes(path);
  if (!data) return false;
  Clear();
  for (size_t off = 0; off + 8 <= data->size(); off += 8) {
    Add(LittleEndian32(data->data() + off), LittleEndian32(data->data() + off + 4));
  }
  return true;
}

}  // namespace zarix
