// TBitList: a growable bit array (presence maps over MFNs, result filters).
//
// Bit i lives in byte i / 8 under mask 0x80 >> (i % 8), most significant bit first. The capacity
// is counted in bits, a multiple of 8: (size / 8 + 1) * 8 at creation, where a size below 1 means
// 40000; the list grows by that first capacity (its delta). Bits beyond `Count()` are always zero.
// Not thread-safe.
#pragma once

#include <cstdint>
#include <vector>

namespace zarix {

class TBitList {
 public:
  static constexpr int kDefaultSize = 40000;

  explicit TBitList(int size = kDefaultSize);

  int Count() const { return count_; }
  int64_t Capacity() const { return static_cast<int64_t>(bytes_.size()) * 8; }
  int64_t Delta() const { return delta_; }

  // The bit at `i`; false for `i` outside 0..Count()-1.
  bool Get(int i) const;
  // Sets or clears bit `i`; `i` < 0 does nothing; `i` >= Count() first makes Count() = i + 1,
  // growing the capacity in steps of the delta (new bits zero).
  void Set(int i, bool value);
  // Grows as Set does, or shrinks (the bits from `n` on become zero); a negative `n` counts as 0.
  void SetCount(int n);
  // Makes this list a copy of `other`'s first Count() bits.
  void Assign(const TBitList& other);

  // The bytes holding the bits (Capacity() / 8 of them).
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  void Reserve(int64_t bits);

  std::vector<uint8_t> bytes_;
  int64_t delta_;
  int count_ = 0;
};

}  // namespace zarix
