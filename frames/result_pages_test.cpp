// Page bounds, selections and the sequential filter's answer.
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
      {45, "21", "20", 1000, 20, 39}, {45, "41", "20", 1000, 40, 44},
      {45, "1", "20", 1000, 0, 19},   {5000, "1", "5000", 1000, 0, 999},
      {45, "x", "y", 1000, 0, 19},    {25, "21", "20", 1000, 20, 24},
      {0, "1", "20", 1000, 0, -1},    {45, "-3", "20", 1000, 0, 19},
      {45, "1", "-5", 1000, 0, -1},   {45, "99999999999", "20", 1000, 0, 19},
  };
  for (const Case& c : cases) {
    PageBounds b = ComputePageBounds(c.size, c.stn, c.cnr, c.max);
    EXPECT_EQ(b.first, c.first) << c.stn << " " << c.cnr;
    EXPECT_EQ(b.last, c.last) << c.stn << " " << c.cnr;
  }
}

TEST(SelectionTest, ShowHideNone) {
  std::vector<Mfn> r = {1, 3, 5, 9, 12};
  PageBounds b{0, 4};
  EXPECT_TRUE(ApplySelection("2", "5,3,9", &r, &b));
  EXPECT_EQ(r, (std::vector<Mfn>{3, 5, 9}));
  EXPECT_EQ(b.last, 2);

  r = {1, 3, 12};
  b = {0, 2};
  EXPECT_FALSE(ApplySelection("3", "12", &r, &b));
  EXPECT_EQ(r, (std::vector<Mfn>{1, 3}));
  EXPECT_EQ(b.last, 1);

  r = {1};
  b = {0, 0};
  EXPECT_TRUE(ApplySelection("2", "", &r, &b));
  EXPECT_TRUE(r.empty());
  EXPECT_EQ(b.last, -1);

  r = {1, 2};
  EXPECT_TRUE(ApplySelection("2", "0,-4,x,2", &r, &b));
  EXPECT_EQ(r, (std::vector<Mfn>{2}));
  for (const char* t : {"", "1", "4"}) {
    r = {1, 2};
    EXPECT_FALSE(ApplySelection(t, "1", &r, &b));
    EXPECT_EQ(r.size(), 2u) << t;
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

}  // namespace
}  // namespace zarix
