// Sort specifications and sort keys: parsing, key building for multi-valued keys, subfield
// blanking, UTF-16 order, stability, and the file lookup.
#include "search/sort_keys.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "util/ilf_library.h"
#include "util/path.h"
#include "util/temp_dir.h"

namespace zarix {
namespace {

std::u32string Key(std::u32string_view text) {
  std::u32string k(text);
  for (char32_t& cp : k) {
    if (cp >= 0xE000 && cp <= 0xFFFF) cp += 0x110000;
  }
  return k;
}

std::vector<Mfn> Mfns(const std::vector<SortEntry>& entries) {
  std::vector<Mfn> m;
  for (const SortEntry& e : entries) m.push_back(e.mfn);
  return m;
}

TEST(ParseSortSpecTest, Blocks) {
  struct Case {
    std::vector<std::string> lines;
    long long headers;
    size_t keys;
    size_t header_formats;
  } cases[] = {
      // The last key counts with or without a trailing line.
      {{"[KeyOptions]", "10", "0", "v700"}, 0, 1, 0},
      {{"[KeyOptions]", "10", "0", "v700", ""}, 0, 1, 0},
      {{"[KeyOptions]", "10", "0", "v700", "20", "1", "v200"}, 0, 2, 0},
      {{"[HeaderNumber]", "2", "[HeaderFormat]", "'A'", "'B'", "[KeyOptions]", "5", "0", "v1", "5",
        "0", "v2"},
       2,
       2,
       2},
      // A header count above the keys or header formats is clamped; a non-number counts as 0.
      {{"[HeaderNumber]", "9", "[HeaderFormat]", "'A'", "[KeyOptions]", "5", "0", "v1", "5", "0",
        "v2"},
       1,
       2,
       1},
      {{"[HeaderNumber]", "x", "[KeyOptions]", "5", "0", "v1"}, 0, 1, 0},
      {{"nothing"}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SortSpec s = ParseSortSpec(c.lines);
    EXPECT_EQ(s.header_count, c.headers) << c.lines[0] << " " << c.lines.size();
    EXPECT_EQ(s.keys.size(), c.keys) << c.lines.size();
    EXPECT_EQ(s.header_formats.size(), c.header_formats) << c.lines.size();
  }
  SortSpec s = ParseSortSpec({"[KeyOptions]", "12", "1", "v700^a"});
  ASSERT_EQ(s.keys.size(), 1u);
  EXPECT_EQ(s.keys[0].length, 12);
  EXPECT_TRUE(s.keys[0].all_lines);
  EXPECT_EQ(s.keys[0].format, "v700^a");
}

TEST(SortKeysTest, EntriesOfOneRecord) {
  SortSpec one_line = ParseSortSpec({"[KeyOptions]", "4", "0", "a", "3", "0", "b"});
  SortSpec all_lines = ParseSortSpec({"[KeyOptions]", "4", "1", "a", "3", "1", "b"});
  struct Case {
    const SortSpec* spec;
    std::vector<std::string> outputs;
    std::vector<std::u32string> keys;
    std::vector<std::vector<std::string>> values;
  } cases[] = {
      // Cut and padded in characters, upper-cased.
      {&one_line, {"Smithson\r\nJones", "ab"}, {U"SMITAB "}, {{"Smit", "ab"}}},
      {&one_line, {"Ёж", "щит"}, {U"ЁЖ  ЩИТ"}, {{"Ёж", "щит"}}},
      // Subfield marks blank out with their code.
      {&one_line, {"^aX", "b^c"}, {U"  X B  "}, {{"^aX", "b^c"}}},
      // An empty output is one blank value; for key 1 an empty line is skipped.
      {&one_line, {"", ""}, {U"       "}, {{"", ""}}},
      {&all_lines, {"\r\nA", "x"}, {U"A   X  "}, {{"A", "x"}}},
      // Every combination of values once.
      {&all_lines,
       {"A\r\nB", "x\r\ny"},
       {U"A   X  ", U"B   X  ", U"A   Y  ", U"B   Y  "},
       {{"A", "x"}, {"B", "x"}, {"A", "y"}, {"B", "y"}}},
  };
  for (const Case& c : cases) {
    std::vector<SortEntry> entries;
    AddRecordEntries(*c.spec, c.outputs, 7, &entries);
    ASSERT_EQ(entries.size(), c.keys.size()) << c.outputs[0];
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].key, Key(c.keys[i])) << c.outputs[0] << " " << i;
      EXPECT_EQ(entries[i].values, c.values[i]) << c.outputs[0] << " " << i;
      EXPECT_EQ(entries[i].mfn, 7);
    }
  }
}

TEST(SortKeysTest, ThreeValuesOfKeyOneGiveThreeEntries) {
  SortSpec spec = ParseSortSpec({"[KeyOptions]", "10", "1", "v700"});
  std::vector<SortEntry> entries;
  AddRecordEntries(spec, {"Zeta\r\nAlpha\r\nMu"}, 3, &entries);
  AddRecordEntries(spec, {"Beta"}, 4, &entries);
  SortEntries(&entries, true);
  EXPECT_EQ(Mfns(entries), (std::vector<Mfn>{3, 4, 3, 3}));
}

TEST(SortKeysTest, Utf16OrderStableAndDescending) {
  SortSpec spec = ParseSortSpec({"[KeyOptions]", "6", "0", "v1"});
  std::vector<SortEntry> entries;
  // Latin before Cyrillic (U+0041.. < U+0410..); a private-use character (U+E000) after a
  // supplementary one (surrogates D800..), as UTF-16 units compare.
  const char* texts[] = {"борис", "Adam", "\xEE\x80\x80", "\xF0\x9F\x98\x80",
                         "adam",  "Ёлка", "яков"};
  Mfn mfn = 1;
  for (const char* t : texts) AddRecordEntries(spec, {t}, mfn++, &entries);
  std::vector<SortEntry> up = entries;
  SortEntries(&up, true);
  // Equal keys (Adam, adam) keep their list order both ways.
  EXPECT_EQ(Mfns(up), (std::vector<Mfn>{2, 5, 6, 1, 7, 4, 3}));
  SortEntries(&entries, false);
  EXPECT_EQ(Mfns(entries), (std::vector<Mfn>{3, 4, 7, 1, 6, 2, 5}));
}

TEST(SortKeysTest, KeySegments) {
  SortSpec spec = ParseSortSpec({"[KeyOptions]", "3", "0", "a", "2", "0", "b"});
  std::u32string key = U"ABCDE";
  EXPECT_EQ(KeySegment(spec, key, 1), U"ABC");
  EXPECT_EQ(KeySegment(spec, key, 2), U"DE");
  EXPECT_EQ(KeySegment(spec, key, 3), U"");
  EXPECT_EQ(KeySegment(spec, U"", 1), U"");
}

TEST(FindSortSpecTest, LookupOrder) {
  testing::TempDir dir;
  const std::string root = dir.path();
  const std::string db = root + "db/";
  const std::string deposit = root + "deposit/";
  for (const char* d : {"db", "deposit", "deposit_USER"}) {
    std::filesystem::create_directories(root + d);
  }
  ASSERT_TRUE(WriteFileBytes(db + "author.srw", "path\n"));
  ASSERT_TRUE(WriteFileBytes(deposit + "author.srw", "deposit\n"));
  EXPECT_EQ(FindSortSpec(db + "author.srw", deposit, 0, "BOOKS"), std::vector<std::string>{"path"});
  EXPECT_EQ(FindSortSpec(db + "author.srw", deposit, 1, "BOOKS"),
            std::vector<std::string>{"deposit"});
  ASSERT_TRUE(WriteFileBytes(root + "deposit_USER/author.srw", "user\n"));
  EXPECT_EQ(FindSortSpec(db + "author.srw", deposit, 0, "BOOKS"), std::vector<std::string>{"user"});

  // The library: "<folder><db>_srw.ILF", member "TITLE".
  TLib lib;
  ASSERT_EQ(lib.Open(db + "BOOKS_srw.ILF", true), kLibOk);
  ASSERT_EQ(lib.Write("title", "[KeyOptions]\n5\n0\nv200"), kLibOk);
  EXPECT_EQ(FindSortSpec(db + "title.srw", deposit, 0, "BOOKS").size(), 4u);
  EXPECT_TRUE(FindSortSpec(db + "missing.srw", deposit, 0, "BOOKS").empty());
}

}  // namespace
}  // namespace zarix
