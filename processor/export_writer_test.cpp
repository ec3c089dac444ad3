#include "processor/export_writer.h"

#include "gtest/gtest.h"

namespace zarix {
namespace {

std::string Write(ExportWriter& w, const std::vector<ExportField>& fields,
                  ExportWriter::Result expected = ExportWriter::kWritten) {
  std::string out;
  EXPECT_EQ(w.Append(fields, &out), expected);
  return out;
}

TEST(ExportWriterTest, TextLines) {
  ExportWriter w(ExportCodePage::kUtf8, false, false);
  EXPECT_EQ(Write(w, {{200, "^aTitle"}, {700, "^aAuthor"}}),
            "#200: ^aTitle\r\n#700: ^aAuthor\r\n*****\r\n");
}

TEST(ExportWriterTest, IsoLayout) {
  ExportWriter w(ExportCodePage::kUtf8, false, true);
  EXPECT_EQ(Write(w, {{1, "abc"}, {200, "^aT"}, {1200, "x"}}),
            "00072"
            "00000"
            "22"
            "00061"
            "000"
            "4500"
            "001000400000"
            "200000400004"
            "998000200008"
            "\x1e"
            "abc\x1e^aT\x1ex\x1e\x1d");
}

TEST(ExportWriterTest, MarcModeKeepsControlFieldsAndTakesTheLeader) {
  ExportWriter w(ExportCodePage::kUtf8, true, true);
  const std::string out =
      Write(w, {{999, "cam a4i "}, {8, "850101s1985^^^^xx"}, {245, "10^aArt^bessays"}, {999, "z"}});
  EXPECT_EQ(out.substr(0, 24),
            "00098"
            "cam a"
            "22"
            "00061"
            "4i "
            "4500");
  EXPECT_NE(out.find("850101s1985^^^^xx\x1e"), std::string::npos);
  EXPECT_NE(out.find("10\x1f"
                     "aArt\x1f"
                     "bessays\x1e"),
            std::string::npos);
  EXPECT_EQ(out.substr(24, 12), "008001800000");
  EXPECT_EQ(out.substr(48, 12), "999000200034") << "only the first 999 is the leader";

  // A short leader text fills the positions it has.
  EXPECT_EQ(Write(w, {{999, "ab"}, {245, "x"}}).substr(0, 24),
            "00040"
            "ab000"
            "22"
            "00037"
            "000"
            "4500");
}

TEST(ExportWriterTest, RecordsIsoCannotHoldAreRefused) {
  ExportWriter w(ExportCodePage::kUtf8, false, true);
  EXPECT_FALSE(Write(w, {{300, std::string(9998, 'x')}}).empty());
  EXPECT_EQ(Write(w, {{300, std::string(9999, 'x')}, {301, "y"}}, ExportWriter::kFieldTooLong), "");
  std::vector<ExportField> many(11, {300, std::string(9500, 'x')});
  EXPECT_EQ(Write(w, many, ExportWriter::kTooLong), "");
}

TEST(ExportWriterTest, CodePagesCountWhatTheyLack) {
  const struct {
    ExportCodePage cp;
    const char* text;
    const char* bytes;
    size_t lost;
  } cases[] = {
      {ExportCodePage::kWin, "Кот", "\xCA\xEE\xF2", 0},
      {ExportCodePage::kDos, "Кот", "\x8A\xAE\xE2", 0},
      {ExportCodePage::kWin, "日本 №", "?? \xB9", 2},
      {ExportCodePage::kDos, "Œ", "?", 1},
      {ExportCodePage::kUtf8, "日本", "日本", 0},
  };
  for (const auto& c : cases) {
    ExportWriter w(c.cp, false, false);
    EXPECT_EQ(Write(w, {{1, c.text}}), std::string("#1: ") + c.bytes + "\r\n*****\r\n") << c.text;
    EXPECT_EQ(w.lost_characters(), c.lost) << c.text;
  }
  EXPECT_EQ(ParseExportCodePage("WIN"), ExportCodePage::kWin);
  EXPECT_EQ(ParseExportCodePage("win"), ExportCodePage::kUtf8);
}

}  // namespace
}  // namespace zarix
