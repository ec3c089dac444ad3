// Term extraction: tables, the three techniques, stop words, field selection parsing.
#include "zarix64/fst.h"

#include <gtest/gtest.h>

#include "zarix64/engine_test_util.h"
#include "zarix64/format_access.h"

namespace zarix::db {
namespace {

std::string Join(const std::vector<TermPosting>& terms) {
  std::string out;
  for (const auto& [term, p] : terms) {
    out += term + "@" + std::to_string(p.tag) + "/" + std::to_string(p.occurrence) + "/" +
           std::to_string(p.position) + " ";
  }
  return out;
}

TEST(TablesTest, UpperCaseKeysAndWords) {
  const Tables& t = Tables::BuiltIn();
  const struct {
    const char* in;
    const char* upper;
  } upper_cases[] = {
      {"abc xyz 123", "ABC XYZ 123"},   {"жёлтый Ёж", "ЖЁЛТЫЙ ЁЖ"}, {"ґанок її", "ҐАНОК ЇЇ"},
      {"straße ıx", "STRAßE ıX"},  // upper case of another byte length: kept
      {"\xff\xfe bad", "\xff\xfe BAD"},
  };
  for (const auto& c : upper_cases) EXPECT_EQ(t.UpperCase(c.in), c.upper) << c.in;

  std::string cyrillic;
  for (int i = 0; i < 200; ++i) cyrillic += "я";
  EXPECT_EQ(t.MakeKey(cyrillic).size(), 254u);
  EXPECT_EQ(t.MakeKey("a" + cyrillic).size(), 253u);  // never half a character
  EXPECT_EQ(t.MakeKey(std::string(300, 'q')), std::string(254, 'Q'));

  const struct {
    const char* line;
    std::vector<std::string_view> words;
  } split_cases[] = {
      {"data-base, 2020 год!", {"data", "base", "2020", "год"}},
      {"  ", {}},
      {"«Война и мир»", {"Война", "и", "мир"}},
      {"x1y2", {"x1y2"}},
  };
  std::vector<std::string_view> words;
  for (const auto& c : split_cases) {
    t.SplitWords(c.line, &words);
    EXPECT_EQ(words, c.words) << c.line;
  }
}

TEST(TablesTest, TableFilesOverrideTheBuiltIns) {
  testing::TempDir dir;
  // Alphabet: the built-in letters plus "-" (45) and "&" (38).
  dir.Write("myac.tab", "45 38 65 66");
  // Upper case: identity except "a" (97) -> "Z" (90).
  std::string upper;
  for (int i = 0; i < 256; ++i)
    upper += std::to_string(i == 97 ? 90 : i) + (i % 16 == 15 ? "\n" : " ");
  dir.Write("myuc", upper);
  std::string warnings;
  auto t = Tables::Load(dir.path(), "myuc", "myac", &warnings);
  EXPECT_EQ(warnings, "");
  std::vector<std::string_view> words;
  t->SplitWords("data-base R&D", &words);
  EXPECT_EQ(words, (std::vector<std::string_view>{"data-base", "R&D"}));
  EXPECT_EQ(t->UpperCase("abc"), "Zbc");

  dir.Write("broken.tab", "1 2 300");
  auto fallback = Tables::Load(dir.path(), "broken", "missing", &warnings);
  EXPECT_NE(warnings.find("broken"), std::string::npos);
  EXPECT_EQ(fallback->UpperCase("abc"), "ABC");
}

TEST(FstTest, TechniquesAndStopWords) {
  const Tables& t = Tables::BuiltIn();
  const StopWords stop = ParseStopWords("the\r\n AND \n\n и\n", t);
  EXPECT_EQ(stop.size(), 3u);
  const struct {
    int technique;
    const char* output;
    const char* terms;
  } cases[] = {
      {0, "Data base\r\n\r\n  second line  \r\n", "DATA BASE@9/1/0 SECOND LINE@9/2/0 "},
      {0, "the", "THE@9/1/0 "},  // whole-line terms know no stop words
      {4, "the data and base", "DATA@9/1/2 BASE@9/1/4 "},
      {4, "Война и мир\r\nмир", "ВОЙНА@9/1/1 МИР@9/1/3 МИР@9/2/1 "},
      {8, "K=data base", "K=DATA@9/1/1 K=BASE@9/1/2 "},
      {8, "k=the end\r\nno prefix here", "K=END@9/1/2 NO@9/2/1 PREFIX@9/2/2 HERE@9/2/3 "},
      {8, "A=B=c d", "A=B@9/1/1 A=C@9/1/2 A=D@9/1/3 "},
      {4, "", ""},
  };
  for (const auto& c : cases) {
    std::vector<TermPosting> terms;
    TermsFromOutput(c.output, 9, c.technique, 1, t, stop, &terms);
    EXPECT_EQ(Join(terms), c.terms) << c.technique << " " << c.output;
  }
  // Stop words as files of old systems write them: Windows-1251.
  const StopWords cp1251 = ParseStopWords("\xe8\n\xed\xe0\n", t);
  EXPECT_EQ(cp1251.count("И"), 1u);
  EXPECT_EQ(cp1251.count("НА"), 1u);
}

TEST(FstTest, ParseAndExtract) {
  std::vector<std::string> problems;
  auto fst = FieldSelection::Parse(
      "200 0 (\"T=\"v200^a/)\n"
      "\n"
      "* a comment\n"
      "610 4 (v610/)\r\n"
      "700 8 (|A=|v700^a/)\n"
      "oops\n"
      "500 3 v500\n"
      "501 4 v501^\n",
      nullptr, &problems);
  ASSERT_EQ(fst->entries().size(), 3u);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind("line 6:", 0), 0u) << problems[0];
  EXPECT_EQ(problems[1], "line 7: unknown technique 3");
  EXPECT_EQ(problems[2].rfind("line 8: format:", 0), 0u) << problems[2];

  Record r = testing::MakeRecord({{200, "^aWar and Peace^eNovel"},
                                  {610, "war"},
                                  {610, "peace and love"},
                                  {700, "^aTolstoy, Leo"},
                                  {700, "^aMaude"}});
  r.mfn = 7;
  std::vector<TermPosting> terms;
  fst->Extract(RecordAdapter(r), Tables::BuiltIn(), ParseStopWords("and", Tables::BuiltIn()),
               nullptr, &terms);
  EXPECT_EQ(Join(terms),
            "A=LEO@700/1/2 A=MAUDE@700/2/1 A=TOLSTOY@700/1/1 LOVE@610/2/3 PEACE@610/2/1 "
            "T=WAR AND PEACE@200/1/0 WAR@610/1/1 ");
}

}  // namespace
}  // namespace zarix::db
