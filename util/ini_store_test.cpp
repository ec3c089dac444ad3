// Tests of the ini store rules the request store and the configuration rely on.
#include "util/ini_store.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

IniStore Parse(std::string_view text) {
  IniStore ini;
  ini.LoadText(text);
  return ini;
}

TEST(IniStoreTest, ParsingRules) {
  IniStore ini = Parse(
      "orphan=dropped\r\n"
      "  [ Main ]  \r\n"
      "; comment=ignored\n"
      "\n"
      "   Key   =   Value with  inner  blanks   \n"
      "Twice=first\r"
      "twice=second\n"
      "Empty=\n"
      "Expr = a=b = c\n"
      "no equals here\n"
      "[Other]\n"
      "Key=other\n");
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"MAIN", "key", "Value with  inner  blanks"},
      {"main", "TWICE", "second"},            // last occurrence wins
      {"Main", "Empty", ""},                  // present but empty: not the default
      {"Main", "Expr", "a=b = c"},            // only the first "=" splits
      {"Main", "comment", "<def>"},           // comment line dropped
      {"Main", "orphan", "<def>"},            // before the first section
      {"Other", "key", "other"},
      {"Missing", "key", "<def>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>"), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_TRUE(ini.HasKey("main", "EMPTY"));
  EXPECT_FALSE(ini.HasKey("main", "no equals here"));
  EXPECT_FALSE(ini.HasSection(""));
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Main", "Other"}));
  EXPECT_EQ(ini.SectionLines("MAIN"),
            (std::vector<std::string>{"Key=Value with  inner  blanks", "Twice=first",
                                      "twice=second", "Empty=", "Expr=a=b = c",
                                      "no equals here"}));
  EXPECT_EQ(ini.SectionKeys("main"),
            (std::vector<std::string>{"Key", "Twice", "Empty", "Expr"}));
}

TEST(IniStoreTest, RepeatedSectionContinuesIt) {
  IniStore ini = Parse("[A]\nx=1\n[B]\ny=2\n[a]\nx=3\n");
  EXPECT_EQ(ini.ReadString("A", "x"), "3");
  EXPECT_EQ(ini.SectionNames().size(), 2u);
}

TEST(IniStoreTest, WriteReplacesLastOccurrenceOrAppends) {
  IniStore ini = Parse("[Form Literal]\nX=1\nY=2\nx=3\n");
  ini.WriteString("FORM LITERAL", "X", "  kept as given ");
  EXPECT_EQ(ini.SectionLines("Form Literal"),
            (std::vector<std::string>{"X=1", "Y=2", "X=  kept as given "}));
  EXPECT_EQ(ini.ReadString("form literal", "x"), "  kept as given ");

  ini.WriteString("Form Literal", "Z", "");
  EXPECT_TRUE(ini.HasKey("Form Literal", "z"));
  ini.WriteString("CGI", "Query String", "a=1&b=2");
  EXPECT_EQ(ini.ReadString("cgi", "query string"), "a=1&b=2");
  EXPECT_EQ(ini.SectionNames().back(), "CGI");
}

TEST(IniStoreTest, TypedReads) {
  IniStore ini = Parse(
      "[M]\nZero=0\nOne=1\nMinus= -7 \nWord=yes\nHex=0x10\nHuge=99999999999999999999\n"
      "Blank=\nPlus=+5\n");
  struct Case {
    const char* key;
    long long expected;
  } cases[] = {{"Zero", 0},   {"One", 1},     {"Minus", -7},   {"Word", 42}, {"Hex", 42},
               {"Huge", 42},  {"Blank", 42},  {"Absent", 42},  {"Plus", 5}};
  for (const Case& c : cases) EXPECT_EQ(ini.ReadInteger("m", c.key, 42), c.expected) << c.key;

  EXPECT_FALSE(ini.ReadBool("M", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("M", "Minus", false));
  EXPECT_TRUE(ini.ReadBool("M", "Word", true));    // unparsable: default
  EXPECT_FALSE(ini.ReadBool("M", "Word", false));
  EXPECT_TRUE(ini.ReadBool("M", "Absent", true));
}

TEST(IniStoreTest, ToTextParsesBackToTheSameStore) {
  IniStore ini = Parse("[A]\nk=v\nplain line\n[B]\n");
  ini.WriteString("C", "n", "x y");
  EXPECT_EQ(ini.ToText(), "[A]\r\nk=v\r\nplain line\r\n[B]\r\n[C]\r\nn=x y\r\n");
  IniStore again = Parse(ini.ToText());
  EXPECT_EQ(again.ToText(), ini.ToText());
}

}  // namespace
}  // namespace zarix
