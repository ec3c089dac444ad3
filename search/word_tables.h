// The alphabet and stop-word questions that word splitting asks of a database.
//
// A character belongs to a word when it is a Unicode letter or digit, or when the database's
// alphabet table (256 entries over the Windows-1251 byte form of a character) marks its byte as
// a letter. Stop words are never indexed, so the splitters drop them too. `AlphabetTables` is
// the plain implementation over a byte table and a word list; the engine-backed request code
// fills one from the database's tables.
//
// Implementations are immutable after construction and thread-safe for reading.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zarix {

class WordTables {
 public:
  virtual ~WordTables() = default;
  // True when code point `cp` extends a word.
  virtual bool IsWordChar(char32_t cp) const = 0;
  // True when `upper_word` (UTF-8, upper case) is a stop word.
  virtual bool IsStopWord(std::string_view upper_word) const = 0;
};

// True for Unicode letters, decimal digits and letter-like numerals.
bool IsUnicodeLetterOrDigit(char32_t cp);

class AlphabetTables : public WordTables {
 public:
  // Unicode letters and digits only, no stop words (the tables of a database without files).
  AlphabetTables();
  // `letters[b]` marks Windows-1251 byte b as a letter; `stop_words` are upper-cased here.
  AlphabetTables(const std::array<bool, 256>& letters, const std::vector<std::string>& stop_words);

  bool IsWordChar(char32_t cp) const override;
  bool IsStopWord(std::string_view upper_word) const override;

  // The tables a database's engine uses: the alphabet table file "<folder><name>", else
  // "<folder><name>.tab" (no name, no file or a malformed one: Unicode letters and digits
  // only), and the stop-word file (usually "<parameter folder><database>.stw"; missing: none).
  static AlphabetTables Load(std::string_view folder, std::string_view alphabet_name,
                             std::string_view stop_word_file);

  // Parses an alphabet table file: whitespace-separated decimal byte values (0..255) of the
  // bytes that are letters. False (and *letters untouched) when malformed or empty.
  static bool ParseAlphabet(std::string_view text, std::array<bool, 256>* letters);
  // One stop word per line, blanks around dropped, empty lines skipped.
  static std::vector<std::string> ParseStopWords(std::string_view text);

 private:
  std::unordered_set<char32_t> extra_;  // code points whose byte the table marks
  std::unordered_set<std::string> stop_words_;
};

}  // namespace zarix
