// TBitList: most-significant-bit-first bit array growing in fixed steps.
#include "util/bit_list.h"

#include <algorithm>

namespace zarix {

TBitList::TBitList(int size) {
  if (size < 1) size = kDefaultSize;
  int64_t bits = (static_cast<int64_t>(size) / 8 + 1) * 8;
  delta_ = bits;
  bytes_.assign(static_cast<size_t>(bits / 8), 0);
}

bool TBitList::Get(int i) const {
  if (i < 0 || i >= count_) return false;
  return (bytes_[static_cast<size_t>(i) / 8] & (0x80u >> (i % 8))) != 0;
}

void TBitList::Reserve(int64_t bits) {
  if (bits <= Capacity()) return;
  int64_t grown = (bits / delta_ + 1) * delta_;
  bytes_.resize(static_cast<size_t>(grown / 8), 0);
}

void TBitList::Set(int i, bool value) {
  if (i < 0) return;
  if (i >= count_) {
    Reserve(static_cast<int64_t>(i) + 1);
    count_ = i + 1;
  }
  uint8_t mask = static_cast<uint8_t>(0x80u >> (i % 8));
  uint8_t& byte = bytes_[static_cast<size_t>(i) / 8];
  byte = value ? (byte | mask) : (byte & static_cast<uint8_t>(~mask));
}

void TBitList::SetCount(int n) {
  if (n < 0) n = 0;
  if (n >= count_) {
    Reserve(n);
  } else {
    // Clear the dropped bits so that growing again shows zeros.
    size_t first_full = (static_cast<size_t>(n) + 7) / 8;
    if (n % 8 != 0) bytes_[static_cast<size_t>(n) / 8] &= static_cast<uint8_t>(0xFF00u >> (n % 8));
    std::fill(bytes_.begin() + static_cast<long>(first_full), bytes_.end(), 0);
  }
  count_ = n;
}

void TBitList::Assign(const TBitList& other) {
  if (&other == this) return;
  SetCount(0);
  SetCount(other.count_);
  size_t n = (static_cast<size_t>(other.count_) + 7) / 8;
  std::copy(other.bytes_.begin(), other.bytes_.begin() + static_cast<long>(n), bytes_.begin());
}

}  // namespace zarix
