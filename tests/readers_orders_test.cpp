// Whole-request tests of reader identification, reader keys and orders: the real cgizarix64 on a
// site whose reader, catalogue and order databases zarix-admin made; order records are read back
// with zarix-admin print. Clocks are moved with libfaketime in the gateway's process only.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/admin_run.h"
#include "tests/cgi_runner.h"
#include "tests/pages_fixture.h"
#include "util/path.h"
#include "util/split_lines.h"
#include "util/url_encode.h"

namespace zarix::testing {
namespace {

constexpr std::string_view kFakeTimeLibrary = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
constexpr char kSub = 0x1F;

IsoRec Rec(std::vector<std::pair<std::string, std::string>> fields) {
  IsoRec r;
  r.fields = std::move(fields);
  return r;
}

std::string Sub(char code, std::string_view text) {
  return std::string(1, kSub) + code + std::string(text);
}

class ReadersSite {
 public:
  static ReadersSite& Get() {
    static ReadersSite site;
    return site;
  }

  FixtureSite& site() { return site_; }
  std::string data() const { return site_.root() + "data/"; }

  // Configuration: `web` lines in [WEB], `rest` appended.
  void Configure(std::string_view web, std::string_view rest = {}) {
    site_.WriteConfig("[MAIN]\nDATAPATH=" + data() + "\n" +
                          "[PARAMETRS]\nPARCOUNT=1\nPARNAME1=Z21ID\nPARTAG1=2001\n"
                          "ReaderIDTagGuest=2002\n" +
                          std::string(rest),
                      "FRAMES=" + site_.root() + "frames/\n" + std::string(web));
  }

  // A request; `env` entries are added to (or replace) the web server's environment.
  CgiResult Request(std::string_view query,
                    const std::vector<std::pair<std::string, std::string>>& env = {}) {
    CgiCall call = site_.Get(query);
    for (const auto& [name, value] : env) {
      bool replaced = false;
      for (auto& e : call.env) {
        if (e.first == name) {
          e.second = value;
          replaced = true;
        }
      }
      if (!replaced) call.env.emplace_back(name, value);
    }
    return RunCgi(call);
  }

  // The order records, one line each: "reader|cipher|issue|brief|reader brief|comment|mrg|db".
  std::vector<std::string> Orders() {
    RunResult r = RunProgram({AdminBinary(), "print", "RQST", "--datapath", data(), "--format",
                              "v30'|'v903'|'v100'|'v201'|'v31'|'v101'|'v102'|'v1'|'v500/"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = SplitLines(r.out);
    std::erase(lines, std::string());
    return lines;
  }
  void EmptyOrders() {
    RunResult r = RunProgram({AdminBinary(), "empty", "RQST", "--yes", "--datapath", data()});
    ASSERT_EQ(r.status, 0) << r.err;
  }

 private:
  ReadersSite() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {
    site_.WriteFile("data/readme.txt", "databases\n");
    site_.WriteFile("data/RDR/RDR.fst", "30 0 (|RI=|v30/)\n");
    site_.WriteFile("data/RDR/brief.pft", "v130");
    MakeDatabase(
        "RDR",
        {
            Rec({{"030", "123"}, {"130", "Иванов"}, {"112", "*.*.*.*"}}),
            Rec({{"030", "456"}, {"130", "SMITH"}, {"112", "198.51.100.1"}, {"112", "192.0.2.7"}}),
            Rec({{"030", "789"}, {"130", "Петров"}}),
            Rec({{"030", "GUEST"}, {"130", "Guest"}}),
            Rec({{"030", "555"}, {"130", "ёлкина"}, {"953", "binary"}}),
        });
    site_.WriteFile("data/CAT/CAT.fst", "903 0 (|I=|v903/)\n");
    site_.WriteFile("data/CAT/brief.pft", "v200'~~'");
    MakeDatabase("CAT", {
                            Rec({{"920", "PAZK"}, {"903", "B-1"}, {"200", "A book"}}),
                            Rec({{"920", "J"}, {"903", "J-7"}, {"200", "Journal Seven"}}),
                            Rec({{"920", "NJ"}, {"903", "J-7/2020/1"}, {"200", "J7 no 1"}}),
                            Rec({{"920", "NJ"}, {"903", "J-7/2020/2"}, {"200", "J7 no 2"}}),
                            Rec({{"920", "NJ"}, {"903", "J-7/2020/3"}, {"200", "J7 no 3"}}),
                            Rec({{"920", "j"}, {"903", "J-8"}, {"200", "Journal Eight"}}),
                            Rec({{"920", "NJ"}, {"903", "J-8/2020/2"}, {"200", "J8 no 2"}}),
                            Rec({{"920", "ASP"},
                                 {"903", "A-5"},
                                 {"200", "An article"},
                                 {"463", Sub('W', "J-7/2020/2") + Sub('t', "Journal Seven")}}),
                        });
    site_.WriteFile("data/RQST/RQST.fst", "30 0 (|RI=|v30/)\n");
    MakeDatabase("RQST", {});
    std::string messages;
    for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
    site_.WriteFile("cgi/WebMsg.txt", messages);
    site_.WriteFile("frames/header.frm", "<html>");
    site_.WriteFile("frames/zakaz.frm",
                    "<!RESULT>\r\n<!FORMAT='ID=['v2001'] GUEST=['v2002'] READER=['v130'] "
                    "MFN=['mfn'] BIN=['v953']'>");
    site_.WriteFile("frames/footer.frm", "</html>");
    site_.WriteFile("frames/sempty.frm", "<p>\r\nПустой ответ\r\n</p>");
    // Passes a request only for an identified reader: shows the address check of "4" and "I".
    site_.WriteFile("frames/readers_only.pft", "if mfn > 0 then '1' else '0' fi");
    Configure("");
  }

  void MakeDatabase(const std::string& name, const std::vector<IsoRec>& records) {
    std::string iso;
    for (const IsoRec& r : records) iso += WriteIsoRecord(r);
    site_.WriteFile("data/" + name + ".iso", iso);
    RunResult c = RunProgram({AdminBinary(), "create", data(), name});
    if (c.status != 0) throw std::runtime_error("create " + name + ": " + c.err);
    if (records.empty()) return;
    RunResult i =
        RunProgram({AdminBinary(), "import", name, data() + name + ".iso", "--datapath", data()});
    if (i.status != 0) throw std::runtime_error("import " + name + ": " + i.err);
  }

  FixtureSite site_;
};

// What the order page shows between "[" and "]" after `label`.
std::string Shown(const std::string& page, std::string_view label) {
  const size_t at = page.find(std::string(label) + "=[");
  if (at == std::string::npos) return "(absent)";
  const size_t start = at + label.size() + 2;
  return page.substr(start, page.find(']', start) - start);
}

bool Identified(const CgiResult& r) { return r.body.find("message 7") == std::string::npos; }

std::vector<std::pair<std::string, std::string>> FakeTime(std::string_view at) {
  std::string moment = "@";
  moment += at;
  // A sanitizer build's runtime wants to be the first library; the clock library may go before
  // it (it only replaces the time functions).
  return {{"LD_PRELOAD", std::string(kFakeTimeLibrary)},
          {"FAKETIME", moment},
          {"TZ", "UTC"},
          {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
}

class ReadersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_ = &ReadersSite::Get();
    site_->Configure("");
  }
  CgiResult Z(std::string_view query,
              const std::vector<std::pair<std::string, std::string>>& env = {}) {
    return site_->Request("C21COM=Z&I21DBN=CAT&" + std::string(query), env);
  }
  ReadersSite* site_ = nullptr;
};

TEST_F(ReadersTest, KeysOffTheBareIdentifierTravels) {
  site_->Configure("TimeLiveKey=0\n");
  CgiResult r = Z("Z21ID=123");
  ASSERT_TRUE(Identified(r)) << r.body;
  EXPECT_EQ(Shown(r.body, "ID"), "123");
  EXPECT_EQ(Shown(r.body, "READER"), "Иванов");
  EXPECT_EQ(Shown(r.body, "MFN"), "1");
  EXPECT_NE(r.body.find("message 3"), std::string::npos) << "no Z21MFN: no document";

  // A key from a site with keys is nothing here.
  site_->Configure("TimeLiveKey=30\n");
  const std::string key = Shown(Z("Z21ID=123").body, "ID");
  site_->Configure("TimeLiveKey=0\n");
  EXPECT_FALSE(Identified(Z("Z21ID=" + UrlEncode(key))));
  EXPECT_FALSE(Identified(Z("Z21ID=999")));
  EXPECT_FALSE(Identified(Z("")));
}

TEST_F(ReadersTest, KeysLiveTheirTimeAlsoAcrossNewYear) {
  ASSERT_TRUE(FileExists(kFakeTimeLibrary)) << "libfaketime is missing: run scripts/bootstrap";
  site_->Configure("TimeLiveKey=30\n");
  struct Case {
    const char* what;
    const char* made;
    const char* used;
    const char* extra;
    bool identified;
  };
  const Case cases[] = {
      {"10 minutes", "2026-06-15 12:00:00", "2026-06-15 12:10:00", "", true},
      {"29 minutes", "2026-06-15 12:00:00", "2026-06-15 12:29:45", "", true},
      {"30 minutes", "2026-06-15 12:00:00", "2026-06-15 12:30:10", "", false},
      {"30 minutes, unlimited", "2026-06-15 12:00:00", "2026-06-15 12:30:10",
       "&Z21ID_TIME_UNLIMITED=1", true},
      {"across New Year", "2026-12-31 23:50:00", "2027-01-01 00:10:00", "", true},
      {"across New Year, expired", "2026-12-31 23:50:00", "2027-01-01 00:25:00", "", false},
  };
  for (const Case& c : cases) {
    CgiResult first = Z("Z21ID=123", FakeTime(c.made));
    ASSERT_TRUE(Identified(first)) << c.what << first.body;
    const std::string key = Shown(first.body, "ID");
    EXPECT_NE(key, "123") << c.what;
    EXPECT_EQ(key.find("123"), std::string::npos) << c.what << ": " << key;
    CgiResult second = Z("Z21ID=" + UrlEncode(key) + c.extra, FakeTime(c.used));
    EXPECT_EQ(Identified(second), c.identified) << c.what;
    if (c.identified) {
      EXPECT_EQ(Shown(second.body, "READER"), "Иванов") << c.what;
      EXPECT_NE(Shown(second.body, "ID"), key) << c.what << ": each answer carries a fresh key";
    } else {
      EXPECT_EQ(Shown(second.body, "ID"), "(absent)") << c.what;
    }
  }
}

TEST_F(ReadersTest, NegativeLifetimeKeysNeverExpire) {
  site_->Configure("TimeLiveKey=-1\n");
  const std::string key = Shown(Z("Z21ID=123", FakeTime("2026-02-01 08:00:00")).body, "ID");
  EXPECT_NE(key, "123");
  EXPECT_TRUE(Identified(Z("Z21ID=" + UrlEncode(key), FakeTime("2026-11-30 08:00:00"))));
}

TEST_F(ReadersTest, KeyDigitsAreTheSitesOwn) {
  site_->Configure("TimeLiveKey=30\n", "[Reader]\nKeyDigits=2345678901\n");
  const std::string key = Shown(Z("Z21ID=123").body, "ID");
  EXPECT_TRUE(Identified(Z("Z21ID=" + UrlEncode(key))));
  site_->Configure("TimeLiveKey=30\n");
  EXPECT_FALSE(Identified(Z("Z21ID=" + UrlEncode(key))));
  // A table that is no permutation without fixed points falls back to the built-in one.
  site_->Configure("TimeLiveKey=30\n", "[Reader]\nKeyDigits=0123456789\n");
  const std::string fallback = Shown(Z("Z21ID=123").body, "ID");
  site_->Configure("TimeLiveKey=30\n");
  EXPECT_TRUE(Identified(Z("Z21ID=" + UrlEncode(fallback))));
}

TEST_F(ReadersTest, SurnameCheck) {
  struct Case {
    const char* query;
    bool identified;
  };
  const Case cases[] = {
      {"Z21ID=123&Z21FAMILY=Wrong", true},  // no check asked for
      {"Z21ID=123&Z21FAMILY=Wrong&Z21FLAGID=1", false},
      {"Z21ID=123&Z21FLAGID=1", false},
      {"Z21ID=123&Z21FAMILY=%D0%B8%D0%B2%D0%B0%D0%BD%D0%BE%D0%B2&Z21FLAGID=1", true},  // иванов
      {"Z21ID=123&Z21FAMILY=%D0%98%D0%92%D0%90%D0%9D%D0%9E%D0%92&Z21FLAGID=1", true},  // ИВАНОВ
      {"Z21ID=555&Z21FAMILY=%D0%81%D0%9B%D0%9A%D0%98%D0%9D%D0%90&Z21FLAGID=1", true},  // ЁЛКИНА
      {"Z21ID=456&Z21FAMILY=smith&Z21FLAGID=1", true},
      {"Z21ID=456&Z21FAMILY=smit&Z21FLAGID=1", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Identified(Z(c.query)), c.identified) << c.query;
  }
  // A site that asks for the surname everywhere.
  site_->Configure("Z21FLAGID=1\n");
  EXPECT_FALSE(Identified(Z("Z21ID=123&Z21FAMILY=Wrong")));
  EXPECT_TRUE(Identified(Z("Z21ID=123&Z21FAMILY=%D0%B8%D0%B2%D0%B0%D0%BD%D0%BE%D0%B2")));
}

TEST_F(ReadersTest, AValidKeyNeedsNoSurnameAgain) {
  site_->Configure("TimeLiveKey=30\n");
  CgiResult first = Z("Z21ID=456&Z21FAMILY=Smith&Z21FLAGID=1");
  ASSERT_TRUE(Identified(first));
  const std::string key = Shown(first.body, "ID");
  EXPECT_TRUE(Identified(Z("Z21ID=" + UrlEncode(key) + "&Z21FLAGID=1&Z21FAMILY=Other")));
}

TEST_F(ReadersTest, GuestsAreToldApartByAddress) {
  CgiResult r = Z("Z21ID=guest");
  ASSERT_TRUE(Identified(r)) << r.body;
  EXPECT_EQ(Shown(r.body, "GUEST"), "guest_192.0.2.7");
  r = Z("Z21ID=guest", {{"REMOTE_ADDR", ""}});
  EXPECT_EQ(Shown(r.body, "GUEST"), "guest_0.0.0.0");
  // The address is the web server's: a request field of the same name changes nothing.
  r = Z("Z21ID=GUEST&URLTag=10.9.9.9");
  EXPECT_EQ(Shown(r.body, "GUEST"), "GUEST_192.0.2.7");
  EXPECT_EQ(Shown(Z("Z21ID=123").body, "GUEST"), "123");
}

TEST_F(ReadersTest, ReaderRecordReachesTheFramesWithoutBinaryFields) {
  CgiResult r = Z("Z21ID=555");
  ASSERT_TRUE(Identified(r));
  EXPECT_EQ(Shown(r.body, "READER"), "ёлкина");
  EXPECT_EQ(Shown(r.body, "BIN"), "");
}

TEST_F(ReadersTest, ExportAndImportCheckTheClientAddress) {
  site_->Configure("", "[MAIN]\nCGIflc=" + site_->site().root() + "frames/readers_only.pft\n");
  struct Case {
    const char* what;
    std::string query;
    std::string remote;
    bool admitted;
  };
  const Case cases[] = {
      {"any address", "Z21ID=123", "203.0.113.5", true},
      {"listed address", "Z21ID=456", "192.0.2.7", true},
      {"other address", "Z21ID=456", "203.0.113.5", false},
      {"forged URLTag field", "Z21ID=456&URLTag=192.0.2.7", "203.0.113.5", false},
      {"no address field", "Z21ID=789", "192.0.2.7", false},
      {"unknown reader", "Z21ID=999", "192.0.2.7", false},
  };
  for (const char command : {'4', 'I'}) {
    for (const Case& c : cases) {
      CgiResult r = site_->Request("C21COM=" + std::string(1, command) + "&I21DBN=CAT&" + c.query,
                                   {{"REMOTE_ADDR", c.remote}});
      const bool refused = r.body.find("message 19") != std::string::npos;
      EXPECT_EQ(!refused, c.admitted) << command << " " << c.what << ": " << r.body;
    }
  }
  // The plain variant of other commands does not look at addresses.
  CgiResult r = site_->Request("C21COM=S&I21DBN=CAT&Z21ID=789", {{"REMOTE_ADDR", "203.0.113.5"}});
  EXPECT_EQ(r.body.find("message 19"), std::string::npos) << r.body;
}

TEST_F(ReadersTest, ReaderDatabaseNamesStayInTheDataFolder) {
  // An unsafe reader database name from the request identifies nobody and answers normally.
  CgiResult r = Z("Z21ID=123&RdrName=..%2F..%2Fetc%2Fpasswd");
  EXPECT_TRUE(r.exited);
  EXPECT_FALSE(Identified(r));
  // Without a reader database nobody is identified, whatever Z21ID says.
  site_->Configure("", "[Reader]\nRdrName=NOPE\n");
  EXPECT_FALSE(Identified(Z("Z21ID=123")));
}

class OrdersTest : public ReadersTest {
 protected:
  void SetUp() override {
    ReadersTest::SetUp();
    site_->EmptyOrders();
  }
};

TEST_F(OrdersTest, DocumentsSerialsAndArticles) {
  struct Case {
    const char* what;
    std::string query;
    std::string answer;
    std::vector<std::string> orders;
  };
  const std::string issue = "ГОД: 2020 НОМЕР: ";
  const Case cases[] = {
      {"a book",
       "Z21MFN=1&Z21CMT=please&Z21MRG=m1",
       "message 4",
       {"123|B-1||A book|Иванов|please|m1|CAT|"}},
      {"three issues, all catalogued",
       "Z21MFN=2&Z21YEAR=2020&Z21NUM=1,2,3",
       "message 5 - 3",
       {"123|J-7/2020/1|" + issue + "1|Journal Seven|Иванов|||CAT|",
        "123|J-7/2020/2|" + issue + "2|Journal Seven|Иванов|||CAT|",
        "123|J-7/2020/3|" + issue + "3|Journal Seven|Иванов|||CAT|"}},
      {"repeated numbers are ordered once",
       "Z21MFN=2&Z21YEAR=2020&Z21NUM=2,2,2",
       "message 4",
       {"123|J-7/2020/2|" + issue + "2|Journal Seven|Иванов|||CAT|"}},
      {"one of three catalogued; kind in lower case",
       "Z21MFN=6&Z21YEAR=2020&Z21NUM=1,2,3",
       "message 4",
       {"123|J-8/2020/2|" + issue + "2|Journal Eight|Иванов|||CAT|"}},
      {"no issue catalogued", "Z21MFN=2&Z21YEAR=2021&Z21NUM=1,2", "message 6", {}},
      {"a serial without issue data", "Z21MFN=2", "message 6", {}},
      {"an article by its source's cipher",
       "Z21MFN=8&Z21YEAR=2020&Z21NUM=2",
       "message 4",
       {"123|J-7/2020/2|^Q2020^H2|An article|Иванов|||CAT|"}},
      {"no Z21MFN", "", "message 3", {}},
      {"Z21MFN not a number", "Z21MFN=abc", "message 3", {}},
      {"a record that does not exist", "Z21MFN=99", "message 3", {}},
      {"form fields join the order",
       "Z21MFN=1&R21NUM1=500&R21VOL1_1=desk%204",
       "message 4",
       {"123|B-1||A book|Иванов|||CAT|desk 4"}},
  };
  for (const Case& c : cases) {
    site_->EmptyOrders();
    CgiResult r = Z("Z21ID=123&" + c.query);
    EXPECT_NE(r.body.find(c.answer), std::string::npos) << c.what << ": " << r.body;
    EXPECT_EQ(site_->Orders(), c.orders) << c.what;
  }
}

TEST_F(OrdersTest, ASerialWithoutIssueDataAnswersWithAMessagePage) {
  CgiResult r = Z("Z21ID=123&Z21MFN=2");
  EXPECT_NE(r.body.find("<p>\r\nmessage 3\r\n</p>"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("message 6"), std::string::npos);
}

TEST_F(OrdersTest, Refusals) {
  // Not identified: the message page of line 7, nothing written.
  CgiResult r = Z("Z21ID=999&Z21MFN=1");
  EXPECT_NE(r.body.find("message 7"), std::string::npos);
  EXPECT_TRUE(site_->Orders().empty());
  // The surname check failed: the identifier alone orders nothing.
  r = Z("Z21ID=123&Z21FLAGID=1&Z21FAMILY=x&Z21MFN=1");
  EXPECT_NE(r.body.find("message 7"), std::string::npos);
  EXPECT_TRUE(site_->Orders().empty());
  // Too many issue numbers: only the first hundred distinct ones are looked at.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += std::to_string(i % 300) + ",";
  r = Z("Z21ID=123&Z21MFN=2&Z21YEAR=2020&Z21NUM=" + many);
  EXPECT_NE(r.body.find("message 5 - 3"), std::string::npos) << r.body;
}

TEST_F(OrdersTest, RefusedWritesAreNotReportedAsOrders) {
  const std::string data = site_->data();
  ASSERT_EQ(RunProgram({AdminBinary(), "lock", "RQST", "--datapath", data}).status, 0);
  CgiResult r = Z("Z21ID=123&Z21MFN=2&Z21YEAR=2020&Z21NUM=1,2,3");
  ASSERT_EQ(RunProgram({AdminBinary(), "unlock", "RQST", "--datapath", data}).status, 0);
  EXPECT_NE(r.body.find("message 6"), std::string::npos) << r.body;
  EXPECT_TRUE(site_->Orders().empty());
}

TEST_F(OrdersTest, NoOrderDatabase) {
  const std::string par = site_->data() + "RQST.par";
  const std::string kept = ReadAll(par);
  ASSERT_TRUE(RemoveFile(par));
  CgiResult r = Z("Z21ID=123&Z21MFN=1");
  ASSERT_TRUE(WriteFileBytes(par, kept));
  EXPECT_NE(r.body.find("message 9"), std::string::npos) << r.body;
}

TEST_F(OrdersTest, WithdrawalDeletesOnlyTheReadersOwnOrders) {
  Z("Z21ID=123&Z21MFN=1");
  ASSERT_EQ(site_->Orders().size(), 1u);
  // Another reader, and a catalogue record, are out of reach.
  site_->Request("C21COM=Z&I21DBN=RQST&S21SCAN_FULL=1&Z21ID=456&RQST21MFN=1");
  EXPECT_EQ(site_->Orders().size(), 1u);
  site_->Request("C21COM=Z&I21DBN=CAT&S21SCAN_FULL=1&Z21ID=123&RQST21MFN=1");
  RunResult cat = RunProgram({AdminBinary(), "print", "CAT", "--datapath", site_->data(),
                              "--format", "v903/", "--mfn", "1"});
  EXPECT_EQ(cat.out.substr(0, 3), "B-1");
  site_->Request("C21COM=Z&I21DBN=RQST&S21SCAN_FULL=1&Z21ID=123&RQST21MFN=1");
  EXPECT_TRUE(site_->Orders().empty());
}

}  // namespace
}  // namespace zarix::testing
