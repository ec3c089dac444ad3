// Reader keys: the time-limited stand-in for a reader's card number that every answer hands out,
// so that links and forms carry a key instead of the bare identifier.
//
// A key is the identifier's byte length (at least three digits), the identifier and the
// milliseconds since the start of the current year (UTC), with the characters of odd positions
// of the first half swapped with their mirror positions and every digit replaced through a
// substitution table that each site keeps to itself ([Reader] KeyDigits). It hides the card
// number from casual view; it is not a signature (the bare identifier identifies as well).
//
// All functions are pure and thread-safe; the clock is passed in so that tests can move it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarix {

// The digit substitution table: a permutation of the ten digits that moves every digit.
class KeyDigits {
 public:
  // The built-in table.
  KeyDigits();
  // The table written as ten digits ("4759120836": 0 becomes 4, 1 becomes 7, ...), or nullopt
  // when `digits` is not a permutation of 0-9 without fixed points.
  static std::optional<KeyDigits> Parse(std::string_view digits);

  char Encode(char c) const { return IsDigit(c) ? encode_[c - '0'] : c; }
  char Decode(char c) const { return IsDigit(c) ? decode_[c - '0'] : c; }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  explicit KeyDigits(std::string_view digits);
  std::array<char, 10> encode_{};
  std::array<char, 10> decode_{};
};

// A moment as the keys see it.
struct KeyTime {
  int64_t ms_of_year = 0;        // milliseconds since 1 January 00:00 UTC of its year
  int64_t previous_year_ms = 0;  // length of the year before, in milliseconds
};
// The moment `unix_ms` milliseconds after 1970-01-01 00:00 UTC.
KeyTime KeyTimeAt(int64_t unix_ms);
// The current moment (the system clock).
KeyTime KeyTimeNow();

struct ReaderKeySettings {
  long long time_live_minutes = 0;  // [WEB] TimeLiveKey: 0 no keys, < 0 keys never expire
  bool time_unlimited = false;      // Z21ID_TIME_UNLIMITED: keys do not expire in this request
  KeyDigits digits;
};

// The key of `identifier` made at `now`; the identifier itself when it is empty or keys are off
// (time_live_minutes 0).
std::string MakeReaderKey(std::string_view identifier, const ReaderKeySettings& settings,
                          const KeyTime& now);

// The identifier inside `key`, or "" when keys are off, the key is malformed, or it has expired:
// a key lives `time_live_minutes` whole minutes from its making. A key stamped later in the year
// than `now` was made in the year before (its age counts across New Year). Never fails on any
// input.
std::string ReadReaderKey(std::string_view key, const ReaderKeySettings& settings,
                          const KeyTime& now);

}  // namespace zarix
