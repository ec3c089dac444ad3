// TPList: a list of owned strings with a 32-bit integer beside each (text lines of files, terms
// with their counts, sorted lookup tables).
//
// Strings are zero-terminated byte strings: text after an embedded zero byte is not kept. The list
// keeps no order of its own; Find expects the caller to have added the strings in byte order.
// Capacity and delta as TIntList (1000 / 1000). Not thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class TPList {
 public:
  static constexpr int kInitialCapacity = 1000;
  static constexpr int kDelta = 1000;

  TPList();

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }

  // Appends a copy of `text` with the integer 0; returns the new index.
  int Add(std::string_view text);
  // Add, then sets the integer of the new pair; returns the new index.
  int AddWithValue(std::string_view text, int32_t value);

  // The string at `i` (valid until the pair changes), or nullptr when `i` is outside.
  const char* GetString(int i) const;
  // Replaces the string at `i` with a copy of `text`; a null `text` clears both the string and
  // the integer. Ignored when `i` is outside.
  void SetString(int i, const char* text);
  void SetString(int i, std::string_view text);

  // The integer at `i`, or -1 when `i` is outside. SetValue ignores `i` outside.
  int32_t GetValue(int i) const;
  void SetValue(int i, int32_t value);

  // Removes pair `i`, shifting later pairs down; 0, or -1 when `i` is outside.
  int Delete(int i);
  void Clear();

  // Clear, then one Add per line of `text`; lines end at CR, LF or CR LF.
  void SetText(std::string_view text);
  // SetText over the file's bytes up to its first zero byte. False (list unchanged) when the
  // file cannot be read.
  bool LoadFromFile(std::string_view path);
  // The strings joined, each followed by CR LF.
  std::string Text() const;

  // The first index whose string equals `text` (case-sensitive), or -1.
  int IndexOf(std::string_view text) const;
  // Bisection over strings sorted ascending by byte-wise comparison, with the hit and miss rules
  // of TIntList::Find.
  bool Find(std::string_view text, int* index) const;

 private:
  struct Pair {
    int32_t value;
    std::string text;
  };
  void Grow();

  std::vector<Pair> items_;
  int capacity_;
  int delta_;
};

}  // namespace zarix
