// Word splitters and the alphabet tables they ask.
#include "search/word_split.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "util/path.h"

namespace zarix {
namespace {

using Words = std::vector<NumberedWord>;

TEST(StringToWordsTest, Splits) {
  const AlphabetTables tables({}, {"of", "и"});
  struct Case {
    const char* text;
    bool stem;
    Words words;
  } cases[] = {
      {"", false, {}},
      {"history of art, history!", false, {{"HISTORY", 1}, {"ART", 3}, {"HISTORY", 4}}},
      {"война и мир", false, {{"ВОЙНА", 1}, {"МИР", 3}}},
      {"книги истории", true, {{"КНИГ", 1}, {"ИСТОРИ", 2}}},
      {"мира", true, {{"МИРА", 1}}},  // four letters: never stemmed
      {"C# 2.0", false, {{"C", 1}, {"2", 2}, {"0", 3}}},
      {"a\xFF" "b", false, {{"A", 1}, {"B", 2}}},
  };
  for (const Case& c : cases) {
    Words words;
    StringToWords(c.text, c.stem, tables, &words);
    EXPECT_EQ(words, c.words) << c.text;
  }
}

TEST(StringToWordsTest, AlphabetTableAddsCharacters) {
  std::array<bool, 256> letters{};
  ASSERT_TRUE(AlphabetTables::ParseAlphabet("35 43\n 0xB0", &letters) == false);
  ASSERT_TRUE(AlphabetTables::ParseAlphabet("35 43\n176", &letters));  // "#", "+", "°"
  const AlphabetTables tables(letters, {});
  Words words;
  StringToWords("C# C++ 20°C", false, tables, &words);
  EXPECT_EQ(words, (Words{{"C#", 1}, {"C++", 2}, {"20°C", 3}}));
  EXPECT_FALSE(AlphabetTables::ParseAlphabet("  ", &letters));
  EXPECT_FALSE(AlphabetTables::ParseAlphabet("256", &letters));
}

TEST(StringToWordsTest, LongWordKeepsItsFirst32000Bytes) {
  const AlphabetTables tables;
  Words words;
  StringToWords(std::string(40000, 'a') + " b", false, tables, &words);
  ASSERT_EQ(words.size(), 2u);
  EXPECT_EQ(words[0].text, std::string(kMaxWordBytes, 'A'));
  EXPECT_EQ(words[1], (NumberedWord{"B", 2}));
}

TEST(StringToWordsNew2Test, Splits) {
  const AlphabetTables tables({}, {"of"});
  struct Case {
    const char* text;
    Words words;
  } cases[] = {
      // Repeats dropped but counted; stop words neither kept nor counted.
      {"history of art history art new", {{"HISTORY", 1}, {"ART", 2}, {"NEW", 5}}},
      // Between quotes or bars on both sides: a quoted word.
      {"\"war\" and |peace|", {{"\"WAR\"", 1}, {"AND", 2}, {"\"PEACE\"", 3}}},
      {"\"war and\" peace\"", {{"WAR", 1}, {"AND", 2}, {"PEACE", 3}}},
      {"war \"war\" war", {{"WAR", 1}, {"\"WAR\"", 2}}},
      {"𝐀bc", {{"𝐀BC", 1}}},  // a letter outside the BMP is one letter
  };
  for (const Case& c : cases) {
    Words words;
    StringToWords_new2(c.text, tables, &words);
    EXPECT_EQ(words, c.words) << c.text;
  }
  // A word already in the caller's list is not added again.
  Words words{{"ART", 1}};
  StringToWords_new2("art deco", tables, &words);
  EXPECT_EQ(words, (Words{{"ART", 1}, {"DECO", 2}}));
}

TEST(AlphabetTablesTest, StopWordFile) {
  EXPECT_EQ(AlphabetTables::ParseStopWords(" of \r\n\nи\nthe"),
            (std::vector<std::string>{"of", "и", "the"}));
  const AlphabetTables tables({}, AlphabetTables::ParseStopWords("of\nи"));
  EXPECT_TRUE(tables.IsStopWord("OF"));
  EXPECT_TRUE(tables.IsStopWord("И"));
  EXPECT_FALSE(tables.IsStopWord("of"));
}

TEST(AlphabetTablesTest, LoadsDatabaseFiles) {
  const char* dir = std::getenv("ZARIX_BINARY_DIR");
  const std::string folder = std::string(dir ? dir : "/tmp") + "/search_tables_";
  ASSERT_TRUE(WriteFileBytes(folder + "actab.tab", "35\n"));
  ASSERT_TRUE(WriteFileBytes(folder + "db.stw", "the\n"));
  const AlphabetTables tables = AlphabetTables::Load(folder, "actab", folder + "db.stw");
  EXPECT_TRUE(tables.IsWordChar(U'#'));
  EXPECT_TRUE(tables.IsWordChar(U'ж'));
  EXPECT_TRUE(tables.IsStopWord("THE"));
  const AlphabetTables missing = AlphabetTables::Load(folder, "nothing", folder + "none.stw");
  EXPECT_FALSE(missing.IsWordChar(U'#'));
  EXPECT_FALSE(missing.IsStopWord("THE"));
  RemoveFile(folder + "actab.tab");
  RemoveFile(folder + "db.stw");
}

}  // namespace
}  // namespace zarix
