// Stemmer rules over real Russian word forms, and the integrity of its two tables.
#include "search/stemmer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "search/stemmer_internal.h"
#include "util/charset.h"

namespace zarix {
namespace {

std::string Cp1251(std::string_view utf8) { return ConvertCharset(utf8, "UTF-8", "WINDOWS-1251"); }
std::string Utf8(std::string_view cp1251) {
  return ConvertCharset(cp1251, "WINDOWS-1251", "UTF-8");
}

struct StemCase {
  const char* word;  // UTF-8
  int cut;
  const char* rule;
};

TEST(StemEndingTest, Rules) {
  const StemCase cases[] = {
      // Words the stemmer leaves alone.
      {"ЛИП", 0, "three letters"},
      {"ЛИПА", 0, "four letters: one-letter endings need five"},
      {"КНИГA", 0, "Latin A"},
      {"КНИГА1", 0, "digit"},
      {"ДВА СЛОВА", 0, "blank"},
      {"ЁЛКАМИ", 0, "Ё is outside А..Я"},
      {"ёлками", 0, "ё is outside а..я"},
      {"", 0, "empty"},
      // Case and hyphen.
      {"книга", 1, "lower case is upper-cased first"},
      {"автодром", 0, "lower-case protected word"},
      {"ПО-РУССКИ", 1, "hyphen is part of the word"},
      // Reflexive suffix, then the rules on the shortened word.
      {"НЕСЯ", 2, "СЯ alone; two letters remain"},
      {"БИЛСЯ", 2, "СЯ; three letters remain"},
      {"УЧИТЬСЯ", 3, "СЯ + Ь"},
      {"СТАРАЮЩЕГОСЯ", 5, "СЯ + ЕГО"},
      {"АВАРИЙСЯ", 3, "СЯ + protected АВАРИЙ keeps И"},
      // Four-letter endings (eight letters and more).
      {"ВОРОБЬЯМИ", 4, "ЬЯМИ"},
      {"СОБАЧЬЕГО", 4, "ЬЕГО"},
      {"СОБАЧЬЕМУ", 4, "ЬЕМУ"},
      {"ТАНТЬЕМУ", 1, "ЬЕМУ, protected"},
      {"СТАТЬЯМИ", 4, "ЬЯМИ wins over ЯМИ"},
      {"ЛИСЬЕМУ", 3, "seven letters: ЕМУ instead of ЬЕМУ"},
      // Three-letter endings (seven letters and more).
      {"ДОБРЫМИ", 3, "ЫМИ"},
      {"ВОРОБЬЕЙ", 3, "ЬЕЙ"},
      {"ЗЕЛЕНОГО", 3, "ОГО"},
      {"КНИГАМИ", 3, "АМИ"},
      {"ВЕРХНЕМУ", 3, "ЕМУ"},
      {"СИСТЕМУ", 1, "ЕМУ after the exception ТЕМУ"},
      {"АВТОДРОМУ", 1, "ОМУ, protected"},
      {"СИНЕМУ", 1, "six letters: У only"},
      {"ВОРОБЬЕВ", 3, "ЬЕВ"},
      {"СОБАЧЬИХ", 3, "ЬИХ"},
      {"ТАНТЬЕМ", 0, "ЬЕМ, protected"},
      {"ВОРОБЬИХ", 0, "ЬИХ, protected"},
      // Two-letter endings (six letters and more).
      {"СТАТЬЮ", 2, "ЬЮ"},
      {"ЛЕТНЮЮ", 2, "ЮЮ"},
      {"СИНЮЮ", 1, "five letters: Ю only"},
      {"КРАСНОЙ", 2, "ОЙ"},
      {"ЛЕТНИЕ", 2, "ИЕ"},
      {"ЗДАНИЙ", 1, "ИЙ after the exception ЗДАНИЙ"},
      {"АВАРИЙ", 1, "ИЙ, protected"},
      {"ТРОГАЯ", 1, "АЯ, protected"},
      {"СТОЛАХ", 2, "АХ"},
      {"ЗАВОДОМ", 2, "ОМ"},
      {"ОБОГРЕВ", 2, "ЕВ, not protected: the exception РЕВ does not matter"},
      {"АВТОДРОМ", 0, "ОМ, protected"},
      {"АБШТРИХ", 0, "ИХ, protected"},
      {"ПРИПЕВ", 0, "ЕВ, protected, exception ПЕВ"},
      // One-letter endings (five letters and more).
      {"ЗАВОДЫ", 1, "Ы"},
      {"ГЕРОЙ", 1, "Й"},
      {"АЛЛЕЙ", 0, "Й, protected"},
      {"ЯРЕМУ", 1, "У is cut even from a protected word"},
  };
  for (const StemCase& c : cases) {
    EXPECT_EQ(StemEnding(Cp1251(c.word)), c.cut) << c.word << " (" << c.rule << ")";
  }
}

TEST(StemEndingTest, LongWordsAreStemmed) {
  std::string word(300, '\xC0');   // 300 × А
  word += "\xCC\xC8";              // МИ
  EXPECT_EQ(StemEnding(word), 3);  // АМИ
  EXPECT_EQ(StemEnding(std::string(300, '-')), 0);
}

TEST(StemEndingTest, NeverLeavesFewerThanTwoLetters) {
  for (std::string_view word : stemmer_internal::ProtectedWords()) {
    EXPECT_LE(StemEnding(word) + 2, static_cast<int>(word.size())) << Utf8(word);
  }
}

TEST(StemmerHelpersTest, ExceptionalEnding) {
  const std::pair<const char*, bool> cases[] = {
      {"ЗДАНИЙ", true},  {"ЦИЙ", true},
      {"СТАНЦИЙ", true}, {"ПЕРЕТОЛКОВАНИЙ", true},  // ten-letter tail ТОЛКОВАНИЙ
      {"ИЙ", false},     {"ЗЕЛЕНЫЙ", false},
      {"ТАНЦЫ", false},
  };
  for (const auto& [word, expected] : cases) {
    EXPECT_EQ(HasExceptionalEnding(Cp1251(word)), expected) << word;
  }
}

TEST(StemmerHelpersTest, ProtectedWordIsWholeWord) {
  EXPECT_TRUE(IsProtectedWord(Cp1251("АВТОДРОМ")));
  EXPECT_TRUE(IsProtectedWord(Cp1251("ЯЧЕЮ")));
  EXPECT_FALSE(IsProtectedWord(Cp1251("АВТОДРОМЫ")));
  EXPECT_FALSE(IsProtectedWord(Cp1251("ВТОДРОМ")));
  EXPECT_FALSE(IsProtectedWord(Cp1251("автодром")));
  EXPECT_FALSE(IsProtectedWord(""));
}

TEST(StemUtf8Test, CutsCharactersAndKeepsCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"книгами", "книг"},
      {"Автодрому", "Автодром"},
      {"Учиться", "Учит"},
      {"ЛИПА", "ЛИПА"},
      {"ёлками", "ёлками"},
      {"library", "library"},
      {"кнiгами", "кнiгами"},  // Ukrainian і: not stemmed
      {"", ""},
      {"книг\xFFами", "книг\xFFами"},  // malformed UTF-8 is not stemmed
      {"книгам\xD0", "книгам\xD0"},    // cut inside the last character
      {"юго-западными", "юго-западн"},  // "-" is one byte, the letters two
  };
  for (const auto& [word, stem] : cases) EXPECT_EQ(StemUtf8(word), stem) << word;
}

// StemUtf8 maps Russian letters onto Windows-1251 by arithmetic; it must agree with a real
// conversion, in both cases and at both ends of the alphabet.
TEST(StemUtf8Test, AgreesWithCodePageConversion) {
  std::vector<std::string> words;
  for (std::string_view protected_word : stemmer_internal::ProtectedWords()) {
    std::string upper = Utf8(protected_word);
    words.push_back(upper);
    // The same word with a lower-case ending "ами" added.
    words.push_back(
        ConvertCharset(std::string(protected_word) + "\xE0\xEC\xE8", "WINDOWS-1251", "UTF-8"));
  }
  for (const char* w : {"ааааами", "яяяяями", "АЯаяАЯая", "ОБЪЯВЛЕНИЯМИ", "ёжиками", "ЪЕЗДАМИ"}) {
    words.push_back(w);
  }
  for (const std::string& word : words) {
    std::string single_byte = ConvertCharset(word, "UTF-8", "WINDOWS-1251");
    int cut = StemEnding(single_byte);
    std::string expected =
        cut == 0 ? word
                 : ConvertCharset(single_byte.substr(0, single_byte.size() - cut),
                                  "WINDOWS-1251", "UTF-8");
    EXPECT_EQ(StemUtf8(word), expected) << word;
  }
}

// Both tables are searched by bisection, so their order is part of their correctness.
TEST(StemmerTablesTest, SortedByByteValueAndWellFormed) {
  for (auto table : {stemmer_internal::ProtectedWords(), stemmer_internal::EndingExceptions()}) {
    EXPECT_TRUE(stemmer_internal::IsStrictlyAscending(table));
    for (std::string_view word : table) {
      for (char ch : word) {
        auto byte = static_cast<unsigned char>(ch);
        EXPECT_TRUE(byte >= 0xC0 && byte <= 0xDF) << Utf8(word);
      }
    }
  }
}

TEST(StemmerTablesTest, ProtectedWordsSizeAndEnds) {
  auto table = stemmer_internal::ProtectedWords();
  ASSERT_EQ(table.size(), 1986u);
  const std::vector<std::string> head = {"АБУЛИЙ",   "АБШТРИХ",  "АВАРИЙ",    "АВИАЛИНИЙ",
                                         "АВТАРКИЙ", "АВТОДРОМ", "АВТОДРОМУ", "АВТОХРОМ"};
  const std::vector<std::string> tail = {"ЯРЕМ", "ЯРЕМУ", "ЯЧЕЕ", "ЯЧЕЙ", "ЯЧЕЮ"};
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(Utf8(table[i]), head[i]);
  for (size_t i = 0; i < tail.size(); ++i) {
    EXPECT_EQ(Utf8(table[table.size() - tail.size() + i]), tail[i]);
  }
}

TEST(StemmerTablesTest, EndingExceptionsSizeAndLengths) {
  auto table = stemmer_internal::EndingExceptions();
  ASSERT_EQ(table.size(), 519u);
  EXPECT_EQ(Utf8(table.front()), "АВАНИЙ");
  EXPECT_EQ(Utf8(table.back()), "ЯТИЙ");
  for (std::string_view tail : table) {
    EXPECT_GE(tail.size(), 3u);
    EXPECT_LE(tail.size(), 10u);
  }
}

}  // namespace
}  // namespace zarix
