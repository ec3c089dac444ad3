// Page bounds at the edges the whole-request tests leave out, and the sequential filter's
// answer.
#include "frames/result_pages.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(PageBoundsTest, Table) {
  struct Case {
    size_t size;
    const char* stn;
    const char* cnr;
    long long max, first, last;
  } cases[] = {
      {45, "41", "20", 1000, 40, 44},         {0, "1", "20", 1000, 0, -1},
      {45, "-3", "20", 1000, 0, 19},          {45, "1", "-5", 1000, 0, -1},
      {45, "99999999999", "20", 1000, 0, 19},
  };
  for (const Case& c : cases) {
    PageBounds b = ComputePageBounds(c.size, c.stn, c.cnr, c.max);
    EXPECT_EQ(b.first, c.first) << c.stn << " " << c.cnr;
    EXPECT_EQ(b.last, c.last) << c.stn << " " << c.cnr;
  }
}

TEST(FilterKeepsTest, Table) {
  struct Case {
    const char* out;
    bool keep;
  } cases[] = {{"1", true},   {"1x", true}, {"11", true},   {"110", true}, {"0", false},
               {"01", false}, {"", false},  {"101", false}, {"2", false}};
  for (const Case& c : cases) EXPECT_EQ(FilterKeeps(c.out), c.keep) << c.out;
}

TEST(ResultCellValuesTest, OnePerLine) {
  EXPECT_EQ(ResultCellValues({{"1990=Books", 12}, {"no name", 3}, {"a=b=c", 0}}),
            (std::vector<std::string>{"^aBooks^b1990^c12", "^ano name^b^c3", "^ab=c^ba^c0"}));
  EXPECT_TRUE(ResultCellValues({}).empty());
}

}  // namespace
}  // namespace zarix
