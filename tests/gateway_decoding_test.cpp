// Whole requests: how GET, POST and multipart requests become request fields. The request trace
// (DEBUG=1) shows the store after the query string was read.
#include <gtest/gtest.h>

#include "tests/cgi_runner.h"
#include "util/ini_store.h"

namespace zarix::testing {
namespace {

class DecodingTest : public ::testing::Test {
 protected:
  DecodingTest() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}

  // Runs the request and returns the request store as traced.
  IniStore Fields(const CgiCall& call, std::vector<std::string>* lines = nullptr) {
    for (const std::string& f : site_.Files("cgi", "Error_terminate_")) {
      std::remove((site_.cgi() + f).c_str());
    }
    CgiResult r = RunCgi(call);
    EXPECT_TRUE(r.exited);
    std::vector<std::string> traces = site_.Files("cgi", "Error_terminate_", ".log");
    EXPECT_EQ(traces.size(), 1u) << r.raw;
    std::vector<std::string> form;
    if (!traces.empty()) form = TracedFormLines(ReadAll(site_.cgi() + traces[0]));
    if (lines) *lines = form;
    IniStore store;
    form.insert(form.begin(), "[Form Literal]");
    store.LoadLines(form);
    return store;
  }

  FixtureSite site_;
};

struct FieldCase {
  const char* name;
  const char* value;  // nullptr: absent
};

void ExpectFields(const IniStore& store, std::initializer_list<FieldCase> cases,
                  const std::string& what) {
  for (const FieldCase& c : cases) {
    if (c.value) {
      EXPECT_EQ(store.ReadString("Form Literal", c.name, "<absent>"), c.value) << what << " " << c.name;
    } else {
      EXPECT_FALSE(store.HasKey("Form Literal", c.name)) << what << " " << c.name;
    }
  }
}

TEST_F(DecodingTest, QueryString) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  IniStore s = Fields(site_.Get(
      "C21COM=Q&I21DBN=BOOKS&S21ALL=K%3DA+K%3DB&S21STR=A+B&T21CHK=1&T21CHK=2&T21CHK=3&X=1&X=2"
      "&LF=a%0Ab&TAG=%3Cscript%3E&B=%3Cb%3E&DOT=%3C.%3E&EMPTY=&AMP=%41%26B&ANSIENCODING=1"
      "&CP=%CF%F0%E8"));
  ExpectFields(s,
               {{"URLTag", "192.0.2.7"},
                {"HOST", "catalogue.test"},
                {"UserAgent", "cgi-runner"},
                {"C21COM", "Q"},
                {"I21DBN", "BOOKS"},
                {"S21ALL", "K=A K=B"},
                {"S21STR", "A+B"},
                {"T21CHK", "1 2 3"},
                {"X", "2"},
                {"LF", "a b"},
                {"TAG", "script"},  // both brackets blanked, blanks trimmed by the store
                {"B", "<b>"},
                {"DOT", "<.>"},
                {"EMPTY", nullptr},
                {"AMP", "A&B"},  // an escaped "&" is data, whatever SPECSIMVOLS says
                {"ANSIENCODING", "1"},
                {"CP", ""}},  // not UTF-8; ANSIENCODING in the query is an ordinary field
               "GET");
}

TEST_F(DecodingTest, QuerySwitches) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\nSPECSIMVOLS=0\n", "QUERY_CHAR_SET=Windows-1251\n");
  IniStore s = Fields(site_.Get("C21COM=Q&AMP=%41%26B&CP=%CF%F0%E8"));
  ExpectFields(s, {{"AMP", "A&B"}, {"CP", "При"}}, "switches");
}

TEST_F(DecodingTest, FormBody) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  std::vector<std::string> lines;
  IniStore s = Fields(site_.Post("a=1&b=2&C21COM=Q&EMPTY=&S=K%3DA+K%3DB"), &lines);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[4], "a=1");
  EXPECT_EQ(lines[5], "b=2");
  ExpectFields(s, {{"EMPTY", ""}, {"S", "K=A K=B"}, {"C21COM", "Q"}}, "POST");

  s = Fields(site_.Post("C21COM=Q&ANSIENCODING=1&CP=%CF%F0%E8+%3Cscript%3E"));
  ExpectFields(s, {{"CP", "При  script"}}, "POST ANSI");
  s = Fields(site_.Post("C21COM=Q&CP=%CF%F0%E8"));
  // A body line that is not UTF-8 is dropped whole (name included).
  ExpectFields(s, {{"CP", nullptr}}, "POST not ANSI");
}

TEST_F(DecodingTest, MultipartBody) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  const std::string body =
      "------b7\r\n"
      "Content-Disposition: form-data; name=\"C21COM\"\r\n\r\nQ\r\n"
      "------b7\r\n"
      "Content-Disposition: form-data; name=\"T21CHK\"\r\n\r\nK=A\r\n"
      "------b7\r\n"
      "Content-Disposition: form-data; name=\"NOTE\"\r\n\r\nline one\r\n<i>x</i>\r\n"
      "------b7\r\n"
      "Content-Disposition: form-data; name=\"R21FILE\"; filename=\"a.txt\"\r\n"
      "Content-Type: text/plain\r\n\r\nfile text\r\n"
      "------b7--\r\n";
  IniStore s = Fields(site_.Post(body, "multipart/form-data; boundary=----b7"));
  ExpectFields(s,
               {{"C21COM", "Q"},
                {"T21CHK", nullptr},
                {"NOTE", "line one <i>x /i"},
                {"R21FILE", "Content-Type: text/plain  file text"}},
               "multipart");
}

TEST_F(DecodingTest, SearchFormBecomesTheExpression) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS&S21STR=war+and+peace&S21P01=1&S21P03=K%3D&S21LOG=1"));
  std::vector<std::string> traces = site_.Files("cgi", "Error_terminate_", ".log");
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_NE(ReadAll(site_.cgi() + traces[0])
                .find(" - GetSearchString = (\"K=WAR\"*\"K=AND\"*\"K=PEACE\")\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace zarix::testing
