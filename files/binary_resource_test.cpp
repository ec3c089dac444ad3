// Decoding of binary-resource field values and the image links of formatted records.
#include "files/binary_resource.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(DecodeBinaryResourceTest, Table) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"%41%42&+", std::string("\x41\x42\x0D\x0A\x20")},
      {"%FF%00x", std::string("\xFF\x00x", 3)},
      {"%4a%4A", "JJ"},  // either case of hexadecimal digits
      {"%4G%", "%4G%"},  // not an escape: kept
      {"%4", "%4"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeBinaryResource(c.in), c.out) << c.in;
  // At most two bytes per input character.
  EXPECT_EQ(DecodeBinaryResource(std::string(1000, '&')).size(), 2000u);
}

TEST(InsertResourceLinksTest, Table) {
  const std::string img =
      "<img "
      "src=\"/cgi?C21COM=3&I21DBN=IBIS&P21DBN=IBIS&BINARY_RESOURCE_MFN=17&BINARY_RESOURCE_OCC=";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"one [[2]] two", "one " + img + "2\"> two"},
      {"[[]]", img + "\">"},
      {"[[12345]]", "[[12345]]"},  // five digits: no marker
      {"[[1234]][[9]]", img + "1234\">" + img + "9\">"},
      {"[[ab]] [[3]", "[[ab]] [[3]"},
      {"[[[1]]", "[[[1]]"},  // scanning goes on after the second "["
      {"no markers", "no markers"},
  };
  for (const Case& c : cases) {
    std::string t = c.in;
    InsertResourceLinks(&t, 17, "/cgi", "IBIS");
    EXPECT_EQ(t, c.out) << c.in;
  }
}

}  // namespace
}  // namespace zarix
