// Whole-request tests of record update (R), ISO import (I) and record-modification scripts: the
// real cgizarix64 on a site whose databases zarix-admin made; records are read back with
// zarix-admin print.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

IsoRec Rec(std::vector<std::pair<std::string, std::string>> fields) {
  IsoRec r;
  r.fields = std::move(fields);
  return r;
}

const std::vector<IsoRec>& Catalogue() {
  static const std::vector<IsoRec> kRecords = {
      Rec({{"200", "One"}, {"610", "a"}, {"610", "b"}, {"903", "C-1"}}),
      Rec({{"200", "Two"}, {"610", "x"}, {"610", "y"}, {"610", "z"}, {"903", "C-2"}}),
      Rec({{"200", "Three"}, {"903", "C-3"}}),
      Rec({{"200", "Four"}, {"903", "C-4"}}),
      Rec({{"200", "Five"}, {"903", "C-5"}}),
  };
  return kRecords;
}

class UpdateSite {
 public:
  static UpdateSite& Get() {
    static UpdateSite site;
    return site;
  }
  FixtureSite& site() { return site_; }
  std::string data() const { return site_.root() + "data/"; }

  void Configure(std::string_view rest = {}) {
    site_.WriteConfig("[MAIN]\nDATAPATH=" + data() + "\n" +
                          "[PARAMETRS]\nPARCOUNT=1\nPARNAME1=Z21ID\nPARTAG1=2001\n"
                          "RecUpdateResultTag=2100\nRecUpdateResultTagFLC=2101\n" +
                          std::string(rest),
                      "FRAMES=" + site_.root() + "frames/\n");
  }

  // Database `name` made anew with `records`.
  void Reset(const std::string& name, const std::vector<IsoRec>& records) {
    std::string iso;
    for (const IsoRec& r : records) iso += WriteIsoRecord(r);
    site_.WriteFile("data/" + name + ".iso", iso);
    RunResult e = RunProgram({AdminBinary(), "empty", name, "--yes", "--datapath", data()});
    if (e.status != 0) {
      RunResult c = RunProgram({AdminBinary(), "create", data(), name});
      ASSERT_EQ(c.status, 0) << c.err;
    }
    if (records.empty()) return;
    RunResult i =
        RunProgram({AdminBinary(), "import", name, data() + name + ".iso", "--datapath", data()});
    ASSERT_EQ(i.status, 0) << i.err;
  }

  // One line per record: "mfn|fields" with the fields as "tag=text" joined by ";".
  std::vector<std::string> Print(const std::string& name) {
    RunResult r = RunProgram({AdminBinary(), "print", name, "--datapath", data(), "--format",
                              "mfn,'|',(v200+|;|),'|',(v610+|;|),'|',(v700+|;|),'|',(v955+|;|),"
                              "'|',(v30+|;|)/"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = SplitLines(r.out);
    std::erase(lines, std::string());
    return lines;
  }

  CgiResult Get(std::string_view query) { return RunCgi(site_.Get(query)); }
  CgiResult Post(std::string_view body, std::string_view type) {
    return RunCgi(site_.Post(body, type));
  }

 private:
  UpdateSite() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {
    site_.WriteFile("data/RDR/RDR.fst", "30 0 (|RI=|v30/)\n");
    site_.WriteFile("data/CAT/CAT.fst", "903 0 (|I=|v903/)\n610 0 (|S=|v610/)\n");
    site_.WriteFile("data/LOG2/LOG2.fst", "903 0 (|I=|v903/)\n");
    std::string messages;
    for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
    site_.WriteFile("cgi/WebMsg.txt", messages);
    site_.WriteFile("frames/header.frm", "<html>");
    site_.WriteFile("frames/zakaz.frm",
                    "<!RESULT>\r\n<!FORMAT='STATUS=['(v2100+|,|)'] FLC=['v2101']'>");
    site_.WriteFile("frames/footer.frm", "</html>");
    Configure();
    Reset("RDR", {Rec({{"030", "123"}, {"130", "Reader"}, {"112", "*.*.*.*"}}),
                  Rec({{"030", "456"}, {"130", "Other"}, {"112", "192.0.2.7"}})});
  }
  FixtureSite site_;
};

// What the page shows between "[" and "]" after `label`.
std::string Shown(const std::string& page, std::string_view label) {
  const size_t at = page.find(std::string(label) + "=[");
  if (at == std::string::npos) return "(absent)";
  const size_t start = at + label.size() + 2;
  return page.substr(start, page.find(']', start) - start);
}

class RecordUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s_ = &UpdateSite::Get();
    s_->Configure();
    s_->Reset("CAT", Catalogue());
    s_->site().WriteFile("data/CAT/autoin.gbl", "");
  }
  // Command R on CAT by reader 123.
  CgiResult R(std::string_view query) {
    return s_->Get("C21COM=R&I21DBN=CAT&Z21ID=123&" + std::string(query));
  }
  std::string Record(int mfn) {
    for (const std::string& line : s_->Print("CAT")) {
      if (line.rfind(std::to_string(mfn) + "|", 0) == 0) return line;
    }
    return "(none)";
  }
  UpdateSite* s_ = nullptr;
};

TEST_F(RecordUpdateTest, ModesEditAsTheFormSays) {
  struct Case {
    const char* what;
    const char* query;
    int mfn;
    const char* expected;
  };
  const Case cases[] = {
      {"new record, plain text before subfields",
       "R21MFN=0&R21NUM1=200&R21SUB1_1=a&R21VOL1_1=Title&R21VOL1_2=x", 6, "6|x^aTitle||||"},
      {"mode 0 rebuilds", "R21MFN=2&R21UPD=0&R21NUM1=200&R21VOL1_1=New", 2, "2|New||||"},
      {"mode 1 adds", "R21MFN=1&R21NUM1=610&R21VOL1_1=c", 1, "1|One|a;b;c|||"},
      {"mode 3 replaces a tag once for two edits",
       "R21MFN=2&R21UPD=3&R21NUM1=610&R21VOL1_1=p&R21NUM2=610&R21VOL2_1=q", 2, "2|Two|p;q|||"},
      {"mode 4 removes one occurrence", "R21MFN=2&R21UPD=4&R21NUM1=610&R21OCC1=2&R21VOL1_1=n", 2,
       "2|Two|x;z;n|||"},
      {"mode 4 outside the occurrences", "R21MFN=2&R21UPD=4&R21NUM1=610&R21OCC1=9&R21VOL1_1=n", 2,
       "2|Two|x;y;z;n|||"},
      {"mode 5 equal text removes and adds nothing",
       "R21MFN=2&R21UPD=5&R21NUM1=610&R21OCC1=2&R21VOL1_1=y", 2, "2|Two|x;z|||"},
      {"mode 5 other text adds", "R21MFN=2&R21UPD=5&R21NUM1=610&R21OCC1=2&R21VOL1_1=w", 2,
       "2|Two|x;y;z;w|||"},
      {"no MFN: nothing", "R21NUM1=200&R21VOL1_1=Lost", 6, "(none)"},
      {"control characters go", "R21MFN=3&R21NUM1=700&R21VOL1_1=a%01b%0D%0Ac", 3,
       "3|Three||a b  c||"},
  };
  for (const Case& c : cases) {
    SetUp();
    CgiResult r = R(c.query);
    ASSERT_TRUE(r.exited) << c.what;
    EXPECT_EQ(Record(c.mfn), c.expected) << c.what << "\n" << r.body;
  }
}

TEST_F(RecordUpdateTest, GroupsAndStatusInTheLogFields) {
  CgiResult r = R("AR21MFN=5&AR21NUM1=610&AR21VOL1_1=five&BR21MFN=0&BR21NUM1=200&BR21VOL1_1=New");
  EXPECT_EQ(Shown(r.body, "STATUS"), "0,0") << r.body;
  EXPECT_EQ(Record(5), "5|Five|five|||");
  EXPECT_EQ(Record(6), "6|New||||");
  // A record that cannot be read is not edited: the shelf's previous record must not be
  // written under its MFN.
  r = R("AR21MFN=2&AR21NUM1=610&AR21VOL1_1=m&BR21MFN=77&BR21NUM1=200&BR21VOL1_1=Ghost");
  EXPECT_EQ(Shown(r.body, "STATUS"), "0,-140") << r.body;
  EXPECT_EQ(s_->Print("CAT").size(), 6u);
  EXPECT_EQ(Record(2), "2|Two|x;y;z;m|||");
}

TEST_F(RecordUpdateTest, NoReaderNoWrite) {
  CgiResult r = s_->Get("C21COM=R&I21DBN=CAT&R21MFN=0&R21NUM1=200&R21VOL1_1=Anon");
  EXPECT_NE(r.body.find("message 7"), std::string::npos) << r.body;
  r = s_->Get("C21COM=R&I21DBN=CAT&Z21ID=999&R21MFN=0&R21NUM1=200&R21VOL1_1=Anon");
  EXPECT_NE(r.body.find("message 7"), std::string::npos) << r.body;
  EXPECT_EQ(s_->Print("CAT").size(), 5u);
}

TEST_F(RecordUpdateTest, DeleteMarksTheRecord) {
  EXPECT_EQ(Shown(R("R21MFN=4&R21UPD=2").body, "STATUS"), "0");
  EXPECT_EQ(Record(4), "(none)") << "deleted records are not printed";
  EXPECT_EQ(Record(3), "3|Three||||");
  EXPECT_EQ(Record(5), "5|Five||||");
}

// A multipart body with the fields and one file.
std::string Multipart(const std::vector<std::pair<std::string, std::string>>& fields,
                      const std::string& file_name, const std::string& content) {
  std::string body;
  for (const auto& [name, value] : fields) {
    body +=
        "--XyZ\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
  }
  body += "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + file_name +
          "\"\r\nContent-Type: text/plain\r\n\r\n" + content + "\r\n--XyZ--\r\n";
  return body;
}

TEST_F(RecordUpdateTest, UploadsLandInsideTheFullTextFolder) {
  struct Case {
    const char* client_name;
    const char* stored;  // "" refused
  };
  const Case cases[] = {
      {"paper.txt", "paper.txt"},
      {"../../up.txt", "up.txt"},
      {"/etc/abs.txt", "abs.txt"},
      {"C:\\\\dir\\\\win.txt", "win.txt"},
      {"...", ""},
      {"..", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SetUp();
    const std::string body =
        Multipart({{"C21COM", "R"}, {"I21DBN", "CAT"}, {"Z21ID", "123"}, {"R21MFN", "3"}},
                  c.client_name, "file text");
    CgiResult r = s_->Post(body, "multipart/form-data; boundary=XyZ");
    ASSERT_TRUE(r.exited) << c.client_name;
    if (*c.stored) {
      EXPECT_EQ(Shown(r.body, "STATUS"), "0") << c.client_name << r.body;
      EXPECT_EQ(Record(3), "3|Three|||^A" + std::string(c.stored) + "|") << c.client_name;
      EXPECT_EQ(ReadFileBytes(s_->data() + "CAT/" + c.stored).value_or("(missing)"), "file text");
    } else {
      EXPECT_EQ(Shown(r.body, "STATUS"), "-707") << c.client_name << r.body;
      EXPECT_EQ(Record(3), "3|Three||||") << c.client_name;
    }
  }
  EXPECT_FALSE(FileExists(s_->site().root() + "up.txt"));
  EXPECT_TRUE(s_->site().Files("data/CAT", ".", ".upload").empty()) << "no temporary file left";
}

TEST_F(RecordUpdateTest, UploadChecksAndFieldSelection) {
  s_->Configure("[FULLTEXT]\nWRITE_TEXT_FLC=upcheck\nWRITE_TEXT_FST=upsel\n");
  s_->site().WriteFile("data/Deposit/upcheck.pft", "if v200 = 'Four' then '1 refused'/ fi");
  s_->site().WriteFile("data/Deposit/upsel.fst", "200 0 v200,' (file)'\n30 0 v30\n0 0 '*'\n");
  const auto upload = [&](const char* mfn, const char* name) {
    return s_->Post(
        Multipart({{"C21COM", "R"}, {"I21DBN", "CAT"}, {"Z21ID", "123"}, {"R21MFN", mfn}}, name,
                  "text of " + std::string(name)),
        "multipart/form-data; boundary=XyZ");
  };
  CgiResult r = upload("4", "four.txt");
  EXPECT_EQ(Shown(r.body, "STATUS"), "-707") << r.body;
  EXPECT_EQ(Shown(r.body, "FLC"), "1 refused") << r.body;
  EXPECT_FALSE(FileExists(s_->data() + "CAT/four.txt"));
  EXPECT_EQ(Record(4), "4|Four||||");

  r = upload("3", "three.txt");
  EXPECT_EQ(Shown(r.body, "STATUS"), "0") << r.body;
  EXPECT_EQ(Record(3), "3|Three (file)|||^Athree.txt|123");
}

TEST_F(RecordUpdateTest, UploadWithoutFullTextFolderIsRefused) {
  std::string par;
  for (int line = 1; line <= 10; ++line) {
    par += std::to_string(line) + "=" + s_->data() + "CAT/\r\n";
  }
  s_->site().WriteFile("data/CAT.par", par);
  CgiResult r =
      s_->Post(Multipart({{"C21COM", "R"}, {"I21DBN", "CAT"}, {"Z21ID", "123"}, {"R21MFN", "3"}},
                         "lost.txt", "x"),
               "multipart/form-data; boundary=XyZ");
  std::string full;
  for (int line = 1; line <= 11; ++line) {
    full += std::to_string(line) + "=" + s_->data() + "CAT/\r\n";
  }
  s_->site().WriteFile("data/CAT.par", full);
  EXPECT_EQ(Shown(r.body, "STATUS"), "-707") << r.body;
  EXPECT_EQ(Record(3), "3|Three||||");
  EXPECT_FALSE(FileExists(s_->site().root() + "bin/lost.txt"));
}

// ---- ISO import ----

std::string Iso(std::vector<std::pair<std::string, std::string>> fields) {
  return WriteIsoRecord(Rec(std::move(fields)));
}

TEST_F(RecordUpdateTest, IsoImport) {
  const std::string good =
      Iso({{"200", "Imported"}, {"000", "zero tag"}, {"610", ""}, {"610", "k"}});
  std::string lying = Iso({{"200", "Kept"}, {"610", "lies"}});
  lying.replace(24 + 12 + 3, 4, "9999");  // the second entry's length runs past the text
  std::string base = good;
  base.replace(12, 5, "99999");
  struct Case {
    const char* what;
    std::string iso;
    const char* query;
    const char* answer;
    const char* record6;
    const char* allowed = "*.*.*.*";
  };
  const Case cases[] = {
      {"good", good, "Z21ID=123", "0", "6|Imported|k|||"},
      {"lying offsets keep the good entries", lying, "Z21ID=123", "0", "6|Kept||||"},
      {"base address past the end", base, "Z21ID=123", "-402", "(none)"},
      {"truncated", good.substr(0, 30), "Z21ID=123", "-402", "(none)"},
      {"invalid UTF-8", Iso({{"200", "bad \xff\xfe"}}), "Z21ID=123", "-402", "(none)"},
      {"no reader", good, "", "-402", "(none)"},
      {"address not listed", good, "Z21ID=123", "-1", "(none)", "198.51.100.9"},
      {"address listed", good, "Z21ID=123", "0", "6|Imported|k|||", "192.0.2.7"},
  };
  for (const Case& c : cases) {
    SetUp();
    s_->Configure(std::string("[CAT]\nIMPORT_ISO_") + c.allowed + "=1\n");
    CgiResult r =
        s_->Get("C21COM=I&I21DBN=CAT&" + std::string(c.query) + "&I21ISO=" + UrlEncode(c.iso));
    EXPECT_EQ(r.body, c.answer) << c.what;
    EXPECT_EQ(Record(6), c.record6) << c.what;
  }
  SetUp();
  s_->Configure("[CAT]\nIMPORT_ISO_*.*.*.*=1\n");
  EXPECT_EQ(s_->Get("C21COM=I&I21DBN=CAT&Z21ID=123").body, "-402") << "no I21ISO";
}

TEST_F(RecordUpdateTest, IsoImportFormatControl) {
  s_->Configure("[CAT]\nIMPORT_ISO_*.*.*.*=1\nIMPORT_ISO_DBNFLC=isocheck\n");
  s_->site().WriteFile("data/CAT/isocheck.pft", "if p(v200) then '0 fine' else '1 no title' fi");
  EXPECT_EQ(s_->Get("C21COM=I&I21DBN=CAT&Z21ID=123&I21ISO=" + UrlEncode(Iso({{"610", "t"}}))).body,
            "-402");
  EXPECT_EQ(s_->Get("C21COM=I&I21DBN=CAT&Z21ID=123&I21ISO=" + UrlEncode(Iso({{"200", "T"}}))).body,
            "0");
  EXPECT_EQ(Record(6), "6|T||||");
}

// ---- Record-modification scripts ----

TEST_F(RecordUpdateTest, ScriptsChangeTheRecordOrFailWhole) {
  struct Case {
    const char* what;
    const char* script;
    const char* expected;  // record 1 after "add 610 c"
  };
  const Case cases[] = {
      {"ADD", "0\nADD\n700\n\n'added'\n\n", "1|One|a;b;c|added||"},
      {"IF false skips", "0\nIF\n'0'\nADD\n700\n\n'no'\n\nFI\nADD\n700\n\n'yes'\n\n",
       "1|One|a;b;c|yes||"},
      {"IF skips an argument FI", "0\nIF\n'0'\nADD\n700\n\nFI\n\nFI\n", "1|One|a;b;c|||"},
      {"REP replaces each", "0\nREP\n610\n*\n'r'\n\n", "1|One|r;r;r|||"},
      {"DEL decides on original numbers", "0\nDEL\n610\n*\n'1'/'0'/'1'\n\n", "1|One|b|||"},
      {"CHA", "0\nCHA\n200\n*\n'On'\n'Tw'\n", "1|Twe|a;b;c|||"},
      {"REPEAT UNTIL", "0\nREPEAT\nADD\n700\n\n'x'\n\nUNTIL\nif nocc(v700) < 3 then '1' fi\n",
       "1|One|a;b;c|x;x;x||"},
      {"parameters are skipped", "1\nname\nvalue\nADD\n700\n\n'p'\n\n", "1|One|a;b;c|p||"},
      {"PUTLOG fails the script", "0\nADD\n700\n\n'no'\n\nPUTLOG\n'x'\n", "1|One|a;b;c|||"},
      {"MET_ERROR", "0\nADD\nabc\n\n'no'\n\n", "1|One|a;b;c|||"},
      {"endless loop stops", "0\nREPEAT\nUNTIL\n'1'\n", "1|One|a;b;c|||"},
      {"UNTIL without REPEAT", "0\nADD\n700\n\n'no'\n\nUNTIL\n'0'\n", "1|One|a;b;c|||"},
      {"bad format", "0\nADD\n700\n\n'unclosed\n\n", "1|One|a;b;c|||"},
  };
  for (const Case& c : cases) {
    SetUp();
    s_->site().WriteFile("data/CAT/autoin.gbl", c.script);
    CgiResult r = R("R21MFN=1&R21NUM1=610&R21VOL1_1=c");
    EXPECT_EQ(Shown(r.body, "STATUS"), "0") << c.what << r.body;
    EXPECT_EQ(Record(1), c.expected) << c.what;
  }
}

TEST_F(RecordUpdateTest, ScriptsTouchTwoDatabases) {
  s_->Reset("LOG2",
            {Rec({{"903", "C-1"}, {"200", "log one"}}), Rec({{"903", "C-1"}, {"200", "log two"}}),
             Rec({{"903", "C-9"}, {"200", "other"}})});
  // LOG2's own script runs on the records the first script made or corrected there.
  s_->site().WriteFile("data/LOG2/autoin.gbl", "0\nADD\n610\n\n'own'\n\n");
  // A new record in LOG2 and a correction of every LOG2 record with the same cipher.
  s_->site().WriteFile("data/CAT/autoin.gbl",
                       "0\nNEWMFN\n'LOG2'\nADD\n200\n\n'made from ',v200\n\nEND\n"
                       "CORREC\n'LOG2'\n'I=',v903\n\nADD\n700\n\n'seen'\n\nEND\n");
  CgiResult r = R("R21MFN=1&R21NUM1=610&R21VOL1_1=c");
  EXPECT_EQ(Shown(r.body, "STATUS"), "0") << r.body;
  EXPECT_EQ(Record(1), "1|One|a;b;c|||");
  EXPECT_EQ(s_->Print("LOG2"),
            (std::vector<std::string>{"1|log one|own|seen||", "2|log two|own|seen||", "3|other||||",
                                      "4|made from One|own|||"}));
  // A failed script writes no other database.
  s_->site().WriteFile("data/CAT/autoin.gbl",
                       "0\nNEWMFN\n'LOG2'\nADD\n200\n\n'never'\n\nEND\nPUTLOG\n'stop'\n");
  R("R21MFN=1&R21NUM1=700&R21VOL1_1=d");
  EXPECT_EQ(s_->Print("LOG2").size(), 4u);
  EXPECT_EQ(Record(1), "1|One|a;b;c|d||");
  // A database name from a format is a plain name.
  s_->site().WriteFile("data/CAT/autoin.gbl", "0\nNEWMFN\n'../LOG2'\nEND\n");
  R("R21MFN=1&R21NUM1=700&R21VOL1_1=e");
  EXPECT_EQ(s_->Print("LOG2").size(), 4u);
}

// ---- Concurrent writers ----

TEST_F(RecordUpdateTest, ConcurrentUpdatesLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kUpdates = 200;
  std::vector<pid_t> children;
  const std::string out_dir = s_->site().root() + "concurrent/";
  // The script's copy of the record is what gets written: it must carry the version read too.
  s_->site().WriteFile("data/CAT/autoin.gbl", "0\nADD\n701\n\n's'\n\n");
  s_->site().WriteFile("concurrent/.keep", "");
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::string statuses;
      for (int k = 0; k < kUpdates; ++k) {
        CgiResult r =
            RunCgi(s_->site().Get("C21COM=R&I21DBN=CAT&Z21ID=123&R21MFN=1&R21NUM1=700&"
                                  "R21VOL1_1=p" +
                                  std::to_string(p) + "k" + std::to_string(k)));
        statuses += Shown(r.body, "STATUS") + "\n";
      }
      WriteFileBytes(out_dir + std::to_string(p), statuses);
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) waitpid(pid, nullptr, 0);
  int written = 0, refused = 0;
  for (int p = 0; p < kProcesses; ++p) {
    const std::string text = ReadFileBytes(out_dir + std::to_string(p)).value_or("");
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find('\n', start);
      const std::string status = text.substr(start, end - start);
      if (status == "0") {
        ++written;
      } else {
        EXPECT_EQ(status, "-607") << "a failed write says why";
        ++refused;
      }
      start = end + 1;
    }
  }
  EXPECT_EQ(written + refused, kProcesses * kUpdates);
  std::printf("concurrent updates: %d written, %d refused as stale\n", written, refused);
  RunResult n = RunProgram({AdminBinary(), "print", "CAT", "--datapath", s_->data(), "--mfn", "1",
                            "--format", "f(nocc(v700),0,0),'/',f(nocc(v701),0,0)"});
  EXPECT_EQ(n.out.substr(0, n.out.find_first_of("\r\n")),
            std::to_string(written) + "/" + std::to_string(written))
      << "every reported write is in the record";
  RunResult check = RunProgram({AdminBinary(), "check", "CAT", "--datapath", s_->data()});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
}

}  // namespace
}  // namespace zarix::testing
