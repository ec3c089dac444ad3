// Whole requests: how GET, POST and multipart requests become request fields. The request trace
// (DEBUG=1) shows the store after the query string was read.
#include <gtest/gtest.h>

#include "tests/cgi_runner.h"
#include "util/ini_store.h"

namespace zarix::testing {
namespace {

struct Field {
  const char* name;
  const char* value;  // nullptr: absent
};

class DecodingTest : public ::testing::Test {
 protected:
  DecodingTest() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}

  // Runs the request and returns its trace.
  std::string Trace(const CgiCall& call) {
    for (const std::string& f : site_.Files("cgi", "Error_terminate_")) {
      std::remove((site_.cgi() + f).c_str());
    }
    RunCgi(call);
    std::vector<std::string> traces = site_.Files("cgi", "Error_terminate_", ".log");
    EXPECT_EQ(traces.size(), 1u);
    return traces.empty() ? "" : ReadAll(site_.cgi() + traces[0]);
  }

  void Expect(const CgiCall& call, std::initializer_list<Field> fields) {
    std::vector<std::string> lines = TracedFormLines(Trace(call));
    lines.insert(lines.begin(), "[Form Literal]");
    IniStore store;
    store.LoadLines(lines);
    for (const Field& f : fields) {
      EXPECT_EQ(store.ReadString("Form Literal", f.name, "<absent>"), f.value ? f.value : "<absent>")
          << f.name;
    }
  }

  FixtureSite site_;
};

TEST_F(DecodingTest, QueryString) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  Expect(site_.Get("C21COM=Q&I21DBN=BOOKS&S21ALL=K%3DA+K%3DB&S21STR=A+B&T21CHK=1&T21CHK=2&X=1&X=2"
                   "&LF=a%0Ab&TAG=%3Cscript%3E&B=%3Cb%3E&DOT=%3C.%3E&EMPTY=&AMP=%41%26B"
                   "&ANSIENCODING=1&CP=%CF%F0%E8"),
         {{"URLTag", "192.0.2.7"}, {"HOST", "catalogue.test"}, {"UserAgent", "cgi-runner"},
          {"I21DBN", "BOOKS"}, {"S21ALL", "K=A K=B"}, {"S21STR", "A+B"}, {"T21CHK", "1 2"},
          {"X", "2"}, {"LF", "a b"}, {"TAG", "script"}, {"B", "<b>"}, {"DOT", "<.>"},
          {"EMPTY", nullptr},
          {"AMP", "A&B"},  // an escaped "&" is data, whatever SPECSIMVOLS says
          {"CP", ""}});    // not UTF-8; ANSIENCODING in the query is an ordinary field
  site_.WriteConfig("[MAIN]\nDEBUG=1\nSPECSIMVOLS=0\n", "QUERY_CHAR_SET=Windows-1251\n");
  Expect(site_.Get("C21COM=Q&AMP=%41%26B&CP=%CF%F0%E8"), {{"AMP", "A&B"}, {"CP", "При"}});
}

TEST_F(DecodingTest, FormBody) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  Expect(site_.Post("a=1&b=2&C21COM=Q&EMPTY=&S=K%3DA+K%3DB&CP=%CF%F0%E8"),
         {{"a", "1"}, {"b", "2"}, {"EMPTY", ""}, {"S", "K=A K=B"},
          {"CP", nullptr}});  // a body line that is not UTF-8 is dropped whole
  Expect(site_.Post("C21COM=Q&ANSIENCODING=1&CP=%CF%F0%E8+%3Cscript%3E"), {{"CP", "При  script"}});
}

TEST_F(DecodingTest, MultipartBody) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  const std::string body =
      "------b7\r\nContent-Disposition: form-data; name=\"C21COM\"\r\n\r\nQ\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"T21CHK\"\r\n\r\nK=A\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"NOTE\"\r\n\r\nline one\r\n<i>x</i>\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"R21FILE\"; filename=\"a.txt\"\r\n"
      "Content-Type: text/plain\r\n\r\nfile text\r\n------b7--\r\n";
  // Each part's value follows the blank line after its header (T21CHK too); a file part stays
  // out of the store (record update reads it from the request's files).
  Expect(site_.Post(body, "multipart/form-data; boundary=----b7"),
         {{"C21COM", "Q"}, {"T21CHK", "K=A"}, {"NOTE", "line one <i>x /i"}, {"R21FILE", nullptr}});
}

TEST_F(DecodingTest, SearchFormBecomesTheExpression) {
  site_.WriteConfig("[MAIN]\nDEBUG=1\n");
  EXPECT_NE(Trace(site_.Get("C21COM=Q&I21DBN=BOOKS&S21STR=war+and+peace&S21P01=1&S21P03=K%3D"
                            "&S21LOG=1"))
                .find(" - GetSearchString = (\"K=WAR\"*\"K=AND\"*\"K=PEACE\")\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace zarix::testing
