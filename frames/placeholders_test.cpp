// Counted and fixed placeholders, language texts and language files.
#include "frames/placeholders.h"

#include <gtest/gtest.h>

#include "frames/language_file.h"

namespace zarix {
namespace {

TEST(PlaceholdersTest, CountedReplaceFirstOccurrencePerPair) {
  FrameLines lines = {"<--TOTALRECS--> <--TOTALRECS-->", "<--BEGINRECS-->-<--ENDRECS-->"};
  // A second set of pairs (a single record after a search) fills the second occurrence.
  ApplyCountedPlaceholders({{"<--TOTALRECS-->", 45},
                            {"<--BEGINRECS-->", 21},
                            {"<--ENDRECS-->", 40},
                            {"<--TOTALRECS-->", 1}},
                           &lines);
  EXPECT_EQ(lines, (FrameLines{"45 1", "21-40"}));
}

TEST(PlaceholdersTest, FixedAndLanguage) {
  FixedPlaceholders v{"06.12.2026", "101", "R1", "IBIS", "/cgi", "/h"};
  LanguageTexts lang = {{"HELLO", "Hi"}, {"EMPTY", ""}, {"SELF", "~~SELF~~"}};
  FrameLines lines = {
      "<--TIME--><--TIME-->",
      "<--MAXIMUMMFN--> <--RUNTIMEPID--> <--DATABASE--> <--DATABASE-->",
      "<--CGI_PATH-->?<--CGI_PATH--> <--HTTP_PATH--><--HTTP_PATH-->",
      "~~HELLO~~ ~~EMPTY~~ ~~MISSING~~ ~~SELF~~ ~~",
  };
  ApplyFixedPlaceholders(v, lang, &lines);
  EXPECT_EQ(lines, (FrameLines{"06.12.2026<--TIME-->", "101 R1 IBIS <--DATABASE-->",
                               "/cgi?/cgi /h/h", "Hi EMPTY MISSING SELF "}));
}

TEST(LanguageFileTest, PairsAndTrailingLine) {
  EXPECT_EQ(ParseLanguageFile("K1\r\nText 1\nK2\n\nK3"),
            (LanguageTexts{{"K1", "Text 1"}, {"K2", ""}}));
}

}  // namespace
}  // namespace zarix
