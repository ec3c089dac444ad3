// The alphabet and upper-case tables that decide how text becomes terms.
//
// Both are 256-entry tables over the Windows-1251 byte form of a character. The alphabet table
// marks extra bytes as word characters (Unicode letters and digits always are); the upper-case
// table, when loaded from a file, maps each byte to its upper case and wins over Unicode for
// the characters Windows-1251 can hold. Without files the built-in tables serve: every letter
// of Windows-1251 is a letter, and upper case is Unicode's simple mapping (utf8proc).
// File format: doc/engine_storage.md.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarix::db {

inline constexpr size_t kMaxTermBytes = 254;

class Tables {
 public:
  // The built-in Windows-1251 tables.
  static const Tables& BuiltIn();

  // Tables from files in `folder` (a plain prefix): "<folder><name>", else "<folder><name>.tab".
  // An empty name or a missing/malformed file keeps the built-in table; *warnings (may be null)
  // gets one line per file that was present but malformed.
  static std::unique_ptr<Tables> Load(std::string_view folder, std::string_view uctab_name,
                                      std::string_view actab_name, std::string* warnings);

  // Parses a table file's text: whitespace-separated decimal byte values. For the alphabet
  // table the values are the bytes that count as letters; for the upper-case table exactly 256
  // values, entry i being the upper case of byte i. False when malformed.
  static bool ParseAlphabet(std::string_view text, std::array<bool, 256>* letters);
  static bool ParseUpperCase(std::string_view text, std::array<uint8_t, 256>* upper);

  bool IsWordChar(char32_t cp) const;
  char32_t ToUpper(char32_t cp) const;

  // `text` upper-cased, keeping its byte length: bytes that are not valid UTF-8, and characters
  // whose upper case has another UTF-8 length ("ß" -> "ẞ"), stay as they are.
  std::string UpperCase(std::string_view text) const;
  // Upper-cased and cut to at most kMaxTermBytes bytes on a character boundary.
  std::string MakeKey(std::string_view text) const;
  // Splits `line` into words: maximal runs of word characters. Views into `line`.
  void SplitWords(std::string_view line, std::vector<std::string_view>* words) const;

  Tables();  // built-in

 private:
  std::array<bool, 256> letters_{};
  std::array<uint8_t, 256> upper_{};
  bool upper_from_file_ = false;
};

// The Windows-1251 byte of code point `cp`, or -1 when Windows-1251 has none.
int Cp1251Byte(char32_t cp);
// The code point of Windows-1251 byte `b` (U+FFFD for the one unassigned byte 0x98).
char32_t Cp1251CodePoint(uint8_t b);

// Cuts `text` to at most `max_bytes` bytes, never inside a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, size_t max_bytes);

}  // namespace zarix::db
