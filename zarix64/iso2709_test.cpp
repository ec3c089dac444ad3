// ISO 2709 reader and writer: exact layout, broken input, character sets.
#include "zarix64/iso2709.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarix {
namespace {

IsoRecord MakeRecord(std::vector<IsoField> fields) { return IsoRecord{std::move(fields)}; }

std::string Iso(const IsoRecord& r, IsoEncoding enc = IsoEncoding::kUtf8) {
  IsoWriter w(enc);
  std::string out;
  EXPECT_EQ(w.Append(r, &out), 0);
  return out;
}

// What a reader makes of `data`: "R<first non-leader field text>" per record, "B<offset>" per
// broken stretch.
std::vector<std::string> Events(std::string_view data) {
  IsoReader reader(data, IsoEncoding::kUtf8);
  std::vector<std::string> events;
  IsoRecord r;
  for (;;) {
    IsoReader::Status s = reader.Next(&r);
    if (s == IsoReader::Status::kEnd) break;
    if (s == IsoReader::Status::kBroken) {
      EXPECT_FALSE(reader.error().empty());
      events.push_back(std::string(1, 'B').append(std::to_string(reader.offset())));
    } else {
      std::string event = "R";
      if (r.fields.size() > 1) event += r.fields[1].text;
      events.push_back(event);
    }
  }
  return events;
}

TEST(Iso2709Writer, ExactLayoutWithLeaderFromField999) {
  IsoRecord r = MakeRecord({{999, "nam a i "}, {1, "id1"}, {245, "10^aTitle^bsub"}});
  // clang-format off
  std::string expected =
      "00069nam a2200049 i 4500"
      "001000400000"
      "245001500004"
      "\x1e"
      "id1\x1e"
      "10\x1f" "aTitle\x1f" "bsub\x1e"
      "\x1d";
  // clang-format on
  EXPECT_EQ(Iso(r), expected);
}

TEST(Iso2709Writer, WithoutMarcModeKeepsCaretsAndField999UnderZeroLeader) {
  IsoWriter w(IsoEncoding::kUtf8, /*marc_mode=*/false);
  std::string out;
  ASSERT_EQ(w.Append(MakeRecord({{999, "nam a i "}, {200, "^aX"}}), &out), 0);
  EXPECT_EQ(out.substr(0, 24), "000630000022000490004500");
  EXPECT_NE(out.find("^aX\x1e"), std::string::npos);
  EXPECT_NE(out.find("999000900000"), std::string::npos);
}

TEST(Iso2709Writer, TagsAboveThreeDigitsAndOversizedRecords) {
  std::string out = Iso(MakeRecord({{1000, "x"}, {12345, "y"}}));
  EXPECT_EQ(out.substr(24, 24), "998000200000998000200002");

  IsoWriter w(IsoEncoding::kUtf8);
  std::string big;
  EXPECT_EQ(w.Append(MakeRecord({{300, std::string(9999, 'a')}}), &big), -1);  // 5-digit length
  EXPECT_EQ(w.Append(MakeRecord({{300, std::string(9998, 'a')}}), &big), 0);
  IsoRecord many;
  for (int i = 0; i < 12; ++i) many.fields.push_back({300, std::string(8000, 'b')});
  std::string before = big;
  EXPECT_EQ(w.Append(many, &big), -1);
  EXPECT_EQ(big, before);
}

TEST(Iso2709Writer, TextExport) {
  IsoWriter w(IsoEncoding::kWindows1251);
  std::string out;
  w.AppendText(MakeRecord({{200, "^aЯ"}, {700, "^aB"}}), &out);
  EXPECT_EQ(out, "#200: ^a\xDF\r\n#700: ^aB\r\n*****\r\n");
}

TEST(Iso2709Reader, RoundTripAndLeaderField) {
  IsoRecord r =
      MakeRecord({{999, "nam a i "}, {1, "id1"}, {245, "10^aTitle^bsub"}, {999, "  ^cx"}});
  std::string data = Iso(r);
  IsoReader reader(data, IsoEncoding::kUtf8);
  IsoRecord back;
  ASSERT_EQ(reader.Next(&back), IsoReader::Status::kRecord);
  EXPECT_EQ(back, r);
  EXPECT_EQ(reader.Next(&back), IsoReader::Status::kEnd);
}

TEST(Iso2709Reader, NonNumericTagsAreDroppedAndNamed) {
  // A hand-made record with fields CAT and 245.
  // clang-format off
  std::string data =
      "00060nam  2200049   4500"
      "CAT000400000"
      "245000600004"
      "\x1e"
      "abc\x1e"
      "  \x1f" "aT\x1e"
      "\x1d";
  // clang-format on
  IsoReader reader(data, IsoEncoding::kUtf8);
  IsoRecord r;
  ASSERT_EQ(reader.Next(&r), IsoReader::Status::kRecord);
  EXPECT_EQ(reader.dropped_tags(), std::vector<std::string>{"CAT"});
  ASSERT_EQ(r.fields.size(), 2u);
  EXPECT_EQ(r.fields[0], (IsoField{999, "nam     "}));
  EXPECT_EQ(r.fields[1], (IsoField{245, "  ^aT"}));
}

TEST(Iso2709Reader, BrokenRecordsAreSkippedWithTheirOffsets) {
  const std::string a = Iso(MakeRecord({{999, "nam a   "}, {1, "A"}}));
  const std::string b = Iso(MakeRecord({{999, "nam a   "}, {1, "B"}, {245, "  ^aBee"}}));
  const std::string c = Iso(MakeRecord({{999, "nam a   "}, {1, "C"}}));
  const std::string ab = std::to_string(a.size());
  const std::string abb = std::to_string(a.size() + b.size());
  auto with_b = [&](auto mutate) {
    std::string broken = b;
    mutate(broken);
    return a + broken + c;
  };
  const std::string base = std::to_string(std::stoi(b.substr(12, 5)));
  // clang-format off
  struct Case {
    const char* name;
    std::string data;
    std::vector<std::string> events;
  } cases[] = {
      {"clean", a + b + c, {"RA", "RB", "RC"}},
      {"line ends between records", a + "\r\n" + b + "\n\n" + c + "\r\n", {"RA", "RB", "RC"}},
      {"last record truncated", a + b + c.substr(0, c.size() - 7), {"RA", "RB", "B" + abb}},
      {"short tail", a + "00", {"RA", "B" + ab}},
      {"garbage between records", a + "GARBAGE 123" + b + c, {"RA", "B" + ab, "RB", "RC"}},
      {"truncated record without terminator before a good one",
       a + b.substr(0, b.size() - 9) + c, {"RA", "B" + ab, "RC"}},
      {"record length too long", with_b([](std::string& s) { s[3] = '9'; }),
       {"RA", "B" + ab, "RC"}},
      {"record length too short",
       with_b([](std::string& s) { s.replace(0, 5, "00040"); }), {"RA", "B" + ab, "RC"}},
      {"record length not a number", with_b([](std::string& s) { s[2] = 'x'; }),
       {"RA", "B" + ab, "RC"}},
      {"base address not a number", with_b([](std::string& s) { s[14] = '?'; }),
       {"RA", "B" + ab, "RC"}},
      {"base address misses the directory end",
       with_b([](std::string& s) { s[16] = static_cast<char>(s[16] + 1); }),
       {"RA", "B" + ab, "RC"}},
      {"field outside the data", with_b([](std::string& s) { s.replace(24 + 12 + 3, 4, "0999"); }),
       {"RA", "B" + ab, "RC"}},
      {"field start not at a terminator",
       with_b([](std::string& s) { s.replace(24 + 12 + 7, 5, "00001"); }), {"RA", "B" + ab, "RC"}},
      {"two broken records in a row",
       a + b.substr(0, 2) + "x" + b.substr(3) + "12" + b.substr(2) + c,
       {"RA", "B" + ab, "B" + abb, "RC"}},
  };
  // clang-format on
  for (const Case& tc : cases) {
    EXPECT_EQ(Events(tc.data), tc.events) << tc.name;
  }
}

TEST(Iso2709Charset, SingleByteCodePagesBothWays) {
  struct Case {
    IsoEncoding encoding;
    std::string bytes;  // "Яблоко" in that code page
  } cases[] = {
      {IsoEncoding::kWindows1251, "\xDF\xE1\xEB\xEE\xEA\xEE"},
      {IsoEncoding::kCp866, "\x9F\xA1\xAB\xAE\xAA\xAE"},
      {IsoEncoding::kKoi8r, "\xF1\xC2\xCC\xCF\xCB\xCF"},
  };
  for (const Case& tc : cases) {
    IsoRecord r = MakeRecord({{999, "nam a   "}, {200, "1 ^aЯблоко"}});
    std::string data = Iso(r, tc.encoding);
    EXPECT_NE(data.find("1 \x1f"
                        "a" +
                        tc.bytes + "\x1e"),
              std::string::npos)
        << IsoEncodingName(tc.encoding);
    EXPECT_EQ(data[9], ' ');  // not Unicode any more
    IsoReader reader(data, tc.encoding);
    IsoRecord back;
    ASSERT_EQ(reader.Next(&back), IsoReader::Status::kRecord);
    EXPECT_EQ(back, r) << IsoEncodingName(tc.encoding);
  }
}

TEST(Iso2709Charset, Marc8DiacriticsAndCyrillic) {
  IsoCharset marc8(IsoEncoding::kMarc8);
  ASSERT_TRUE(marc8.ok());
  // MARC-8 writes a combining mark before its base letter; we keep composed characters (NFC),
  // which is what users type into search forms.
  EXPECT_EQ(marc8.ToUtf8("Caf\xE2"
                         "e"),
            "Caf\xC3\xA9");
  EXPECT_EQ(marc8.FromUtf8("Caf\xC3\xA9"),
            "Caf\xE2"
            "e");
  EXPECT_EQ(marc8.FromUtf8("Cafe\xCC\x81"),
            "Caf\xE2"
            "e");
  std::string cyr = marc8.FromUtf8("Мир");
  EXPECT_NE(cyr.find('\x1b'), std::string::npos);  // escape to the Cyrillic set
  EXPECT_EQ(marc8.ToUtf8(cyr), "Мир");
  // Each subfield starts in the default set, so the delimiter survives the escapes.
  EXPECT_EQ(marc8.ToUtf8(marc8.FromUtf8("\x1f"
                                        "aМир\x1f"
                                        "bx")),
            "\x1f"
            "aМир\x1f"
            "bx");
}

TEST(Iso2709Charset, EncodingNames) {
  IsoEncoding e;
  EXPECT_TRUE(ParseIsoEncoding("UTF-8", &e) && e == IsoEncoding::kUtf8);
  EXPECT_TRUE(ParseIsoEncoding("cp1251", &e) && e == IsoEncoding::kWindows1251);
  EXPECT_TRUE(ParseIsoEncoding("marc8", &e) && e == IsoEncoding::kMarc8);
  EXPECT_TRUE(ParseIsoEncoding("KOI8-R", &e) && e == IsoEncoding::kKoi8r);
  EXPECT_FALSE(ParseIsoEncoding("latin9", &e));
}

}  // namespace
}  // namespace zarix
