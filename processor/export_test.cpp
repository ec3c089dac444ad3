// The export handler against a real engine database loaded by zarix-admin from the shared
// MARC 21 records; ISO exports are read back with yaz-marcdump.
#include "processor/export.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "engine/engine_api.h"
#include "gateway/request_store.h"
#include "gtest/gtest.h"
#include "processor/request_context.h"
#include "util/path.h"
#include "util/split_lines.h"
#include "util/temp_dir.h"

namespace zarix {
namespace {

std::string RunCommand(const std::string& cmd, int* status = nullptr) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

size_t CountOf(std::string_view text, std::string_view what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

class ExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testing::TempDir("zarix-export-");
    const std::string data = dir_->path() + "data/";
    const std::string admin = ZARIX_ADMIN_BINARY;
    const std::string cmd = "mkdir -p " + dir_->path() + "cgi " + data + " && " + admin +
                            " create " + data + " BOOKS >/dev/null && " + admin + " import BOOKS " +
                            ZARIX_SOURCE + "/data/marc21-real-utf8.mrc --datapath " + data +
                            " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    WriteFileBytes(data + "BOOKS/MARC21.fst", "0 0 '*'\n");
    WriteFileBytes(data + "BOOKS/SHORT.fst", "200 0 v245^a\n700 0 (v700^a/)\n");
    WriteFileBytes(data + "BOOKS/author.pft", "if p(v100) then '1' else '0' fi");
    engine_ = EngineApi::Load(ZARIX64_LIBRARY).release();
    ASSERT_TRUE(engine_->status().ok()) << engine_->status().message;
    engine_->zarix_uatab_init("", "", "isisacw", dir_->path() + "cgi/", data);
  }
  static void TearDownTestSuite() {
    delete engine_;
    delete dir_;
  }

  struct Answer {
    std::string page;
    std::map<std::string, std::string> headers;
    std::string char_set;
    int format = 1;
  };

  // Runs the export with the request fields `fields` for an identified reader (unless
  // `reader_key` is empty).
  Answer Export(std::vector<std::pair<std::string, std::string>> fields, char command = 'E',
                std::string reader_key = "K123", std::string main = {}) {
    IniStore web_ini;
    for (const auto& [name, value] : fields) web_ini.WriteString(kFormSection, name, value);
    if (web_ini.ReadString(kFormSection, "URLTag").empty()) {
      web_ini.WriteString(kFormSection, "URLTag", "10.1.2.3");
    }
    CgiRequest request;
    CgiResponse response;
    DebugTrace trace;
    RequestContext ctx(web_ini, request, response, trace);
    ctx.engine = engine_;
    ctx.server_ini.LoadText("[MAIN]\nDATAPATH=" + dir_->path() + "data/\n" + main +
                            "\n[WEB]\nCGIPATH=" + dir_->path() + "cgi/\n[BOOKS]\n10.1.2.3=1\n");
    ctx.cgi_path = dir_->path() + "cgi/";
    ctx.datapath = dir_->path() + "data/";
    ctx.actabpath = "isisacw";
    ctx.prmarcformat = "MARC";
    ctx.max_format_in_packet = ctx.server_ini.ReadInteger("MAIN", "MAX_FORMAT_IN_PACKET", 1000);
    ctx.database = ctx.engine_database = "BOOKS";
    for (int i = 0; i < 20; ++i) ctx.messages.push_back("message " + std::to_string(i));
    ctx.command = command;
    ctx.reader.reader_key = reader_key;
    ctx.reader.reader_id = "123";
    for (const auto& [name, value] : fields) {
      if (name == "S21All") ctx.search_expression = value;
    }
    ctx.space1 = engine_->Zarixinit();
    ExportRecords(ctx);
    engine_->Zarixclose(ctx.space1);
    Answer a;
    a.page = ctx.page_text;
    for (const auto& [k, v] : response.custom_headers) a.headers[k] = v;
    a.char_set = ctx.export_char_set;
    a.format = ctx.export_format;
    return a;
  }

  // The control numbers (001) of the records of a text export, in order.
  static std::vector<std::string> ControlNumbers(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& line : SplitLines(text)) {
      if (line.starts_with("#1: ")) out.push_back(line.substr(4));
    }
    return out;
  }

  // Record `mfn` as yaz-marcdump's line form shows it (without the leader line).
  static std::string YazLines(int mfn) {
    std::string out;
    const int space = engine_->Zarixinit();
    const std::string data = dir_->path() + "data/";
    engine_->Zarixinitmst(space, data + "BOOKS/BOOKS", 5);
    engine_->ZarixRecord(space, 0, mfn);
    for (int i = 1; i <= engine_->Zarixnfields(space, 0); ++i) {
      const int tag = engine_->Zarixfldtag(space, 0, i);
      const std::string text = engine_->Zarixfield(space, 0, i);
      if (tag == 999) continue;
      char head[8];
      std::snprintf(head, sizeof head, "%03d ", tag);
      out += head;
      if (tag < 10) {
        out += text + "\n";
        continue;
      }
      out += text.substr(0, 2);
      for (const std::string& sub : Split(text.substr(2), '^')) {
        if (!sub.empty()) out += " $" + sub.substr(0, 1) + " " + sub.substr(1);
      }
      out += "\n";
    }
    engine_->Zarixclose(space);
    return out;
  }

  static std::vector<std::string> Split(const std::string& s, char c) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t p; (p = s.find(c, start)) != std::string::npos; start = p + 1) {
      parts.push_back(s.substr(start, p - start));
    }
    parts.push_back(s.substr(start));
    return parts;
  }

  static testing::TempDir* dir_;
  static EngineApi* engine_;
};

testing::TempDir* ExportTest::dir_ = nullptr;
EngineApi* ExportTest::engine_ = nullptr;

TEST_F(ExportTest, SingleRecordRangeAndFormat) {
  Answer one = Export({{"EXP21MFN", "5"}, {"EXP21FMT", "TEXT"}});
  EXPECT_EQ(one.format, 0);
  EXPECT_EQ(one.headers["X-Export-Records"], "1");
  EXPECT_EQ(CountOf(one.page, "*****\r\n"), 1u);
  EXPECT_EQ(one.page.find("\r\n*****\r\n"), one.page.size() - 9);

  Answer xml = Export({{"EXP21MFN", "5"}, {"EXP21FMT", "XML"}});
  EXPECT_EQ(xml.format, 1);
  ASSERT_GE(xml.page.size(), 24u);
  EXPECT_EQ(xml.page.back(), '\x1d');
  EXPECT_EQ(std::stoul(xml.page.substr(0, 5)), xml.page.size());
}

TEST_F(ExportTest, PagingOfASearch) {
  const std::vector<std::string> all =
      ControlNumbers(Export({{"S21All", "K=$"}, {"EXP21FMT", "TEXT"}, {"S21CNR", "5000"}}).page);
  ASSERT_GT(all.size(), 100u);
  const struct {
    const char* stn;
    const char* cnr;
    size_t first;  // index into `all`
    size_t count;
  } cases[] = {
      {"3", "2", 2, 2},
      {"1", "20", 0, 20},
      {"0", "3", 0, 3},
      {"-5", "3", 0, 3},
      {"x", "3", 0, 3},
      {"3", "y", 2, 20},
      {"2147483647", "2147483647", 0, 0},
      {"99999999999", "3", 0, 3},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> got = ControlNumbers(
        Export({{"S21All", "K=$"}, {"EXP21FMT", "TEXT"}, {"S21STN", c.stn}, {"S21CNR", c.cnr}})
            .page);
    const std::vector<std::string> want(all.begin() + std::min(c.first, all.size()),
                                        all.begin() + std::min(c.first + c.count, all.size()));
    EXPECT_EQ(got, want) << c.stn << " " << c.cnr;
  }
  Answer limited =
      Export({{"S21All", "K=$"}, {"S21CNR", "5000"}}, 'E', "K123", "MAX_FORMAT_IN_PACKET=7\n");
  EXPECT_EQ(limited.headers["X-Export-Records"], "7");

  // A selection format keeps the records it answers "1" for.
  const std::string kept =
      Export({{"S21All", "K=$"}, {"EXP21FMT", "TEXT"}, {"S21CNR", "5000"}, {"S21SCAN", "author"}})
          .page;
  const size_t records = CountOf(kept, "*****\r\n");
  EXPECT_GT(records, 10u);
  EXPECT_LT(records, all.size());
  EXPECT_EQ(CountOf(kept, "\r\n#100: "), records);
}

// A sort worksheet orders the whole list before the range is taken: ranges of a sorted export
// follow one another.
TEST_F(ExportTest, SortedExport) {
  std::vector<std::string> all =
      ControlNumbers(Export({{"S21All", "K=$"}, {"EXP21FMT", "TEXT"}, {"S21CNR", "5000"}}).page);
  ASSERT_GT(all.size(), 100u);
  WriteFileBytes(dir_->path() + "data/BOOKS/bycontrol.srw", "[KeyOptions]\n40\n0\nv1\n");
  auto key = [](const std::string& id) {
    std::string k = id.substr(0, 40);
    for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return k;
  };
  std::stable_sort(all.begin(), all.end(),
                   [&](const std::string& a, const std::string& b) { return key(a) > key(b); });
  std::vector<std::string> got;
  for (const char* stn : {"1", "21", "41"}) {
    const std::vector<std::string> part = ControlNumbers(Export({{"S21All", "K=$"},
                                                                 {"EXP21FMT", "TEXT"},
                                                                 {"S21SRW", "bycontrol"},
                                                                 {"S21SRD", "DOWN"},
                                                                 {"S21STN", stn}})
                                                             .page);
    got.insert(got.end(), part.begin(), part.end());
  }
  EXPECT_EQ(got, std::vector<std::string>(all.begin(), all.begin() + 60));
}

TEST_F(ExportTest, RefusalsAndNothingFound) {
  const struct {
    const char* what;
    char command;
    const char* key;
    const char* address;
    bool exported;
  } cases[] = {
      {"file for a reader", 'E', "K123", "10.9.9.9", true},
      {"no reader key", 'E', "", "10.1.2.3", false},
      {"page from an admitted address", '4', "K123", "10.1.2.3", true},
      {"page from another address", '4', "K123", "10.9.9.9", false},
      {"page without reader key", '4', "", "10.1.2.3", false},
  };
  for (const auto& c : cases) {
    Answer a =
        Export({{"EXP21MFN", "5"}, {"EXP21FMT", "ISO"}, {"URLTag", c.address}}, c.command, c.key);
    EXPECT_EQ(a.page.find("message 11") == std::string::npos, c.exported) << c.what;
    EXPECT_EQ(a.page.find('\x1d') != std::string::npos, c.exported) << c.what;
  }
  EXPECT_NE(Export({{"EXP21MFN", "0"}}).page.find("message 12"), std::string::npos);
  EXPECT_NE(Export({{"EXP21MFN", "5"}, {"S21SCAN", "../../../etc/passwd"}}).page.find("message 12"),
            std::string::npos);
  // A table name that leaves the database folder is not loaded: every field is exported.
  const std::string text =
      Export({{"EXP21MFN", "1"}, {"EXP21FST", "../BOOKS/SHORT"}, {"EXP21FMT", "TEXT"}}).page;
  EXPECT_NE(text.find("#245: "), std::string::npos);
}

TEST_F(ExportTest, PageTextIsEscapedAndFileDataIsNot) {
  const int space = engine_->Zarixinit();
  const std::string data = dir_->path() + "data/";
  ASSERT_EQ(engine_->Zarixinitmst(space, data + "BOOKS/BOOKS", 5), 0);
  engine_->Zarixnewrec(space, 0);
  engine_->Zarixfldadd(space, 0, 245, "10^a<b>bold</b> & \"q\"");
  engine_->Zarixfldadd(space, 0, 300, std::string(9999, 'x'));
  ASSERT_EQ(engine_->ZarixRecUpdate0(space, 0, 1), 0);
  const std::string mfn = std::to_string(engine_->Zarixmfn(space, 0));
  engine_->Zarixnewrec(space, 0);
  engine_->Zarixfldadd(space, 0, 245, "10^a<b>bold</b> & \"q\"");
  ASSERT_EQ(engine_->ZarixRecUpdate0(space, 0, 1), 0);
  const std::string mfn2 = std::to_string(engine_->Zarixmfn(space, 0));
  engine_->Zarixclose(space);

  Answer page = Export({{"EXP21MFN", mfn2}, {"EXP21FMT", "TEXT"}}, '4');
  EXPECT_NE(page.page.find("#245: 10^a&lt;b&gt;bold&lt;/b&gt; &amp; &quot;q&quot;"),
            std::string::npos);
  Answer file = Export({{"EXP21MFN", mfn2}, {"EXP21FMT", "TEXT"}}, 'E');
  EXPECT_NE(file.page.find("#245: 10^a<b>bold</b> & \"q\""), std::string::npos);

  // A field too long for a directory entry leaves its record out, counted.
  Answer too_long = Export({{"EXP21MFN", mfn}, {"EXP21FMT", "ISO"}});
  EXPECT_EQ(too_long.headers["X-Export-Records"], "0");
  EXPECT_EQ(too_long.headers["X-Export-Left-Out"], "1");
  EXPECT_EQ(too_long.page.find('\x1e'), std::string::npos);
}

TEST_F(ExportTest, FieldSelectionTable) {
  const std::string text =
      Export({{"EXP21MFN", "1"}, {"EXP21FMT", "TEXT"}, {"EXP21FST", "short"}}).page;
  for (const std::string& line : SplitLines(text)) {
    if (line.empty() || line == "*****") continue;
    EXPECT_TRUE(line.starts_with("#200: ") || line.starts_with("#700: ")) << line;
  }
  EXPECT_NE(text.find("#200: How to program a computer"), std::string::npos) << text;
}

// yaz-marcdump reads every ISO export without complaint and shows the database's fields; the
// fixed fields keep their "^" (no subfield marks appear in them).
TEST_F(ExportTest, YazReadsEveryIsoExport) {
  const struct {
    const char* code;
    const char* yaz_charset;
  } cases[] = {{"UTF-8", "utf-8"}, {"WIN", "windows-1251"}, {"DOS", "cp866"}};
  std::string expected;
  for (int mfn = 1; mfn <= 40; ++mfn) expected += YazLines(mfn) + "\n";
  for (const auto& c : cases) {
    std::string iso;
    size_t lost = 0;
    for (int mfn = 1; mfn <= 40; ++mfn) {
      Answer a = Export({{"EXP21MFN", std::to_string(mfn)},
                         {"EXP21FMT", "ISO"},
                         {"EXP21FST", "MARC21"},
                         {"EXP21CODE", c.code}});
      ASSERT_EQ(a.headers["X-Export-Records"], "1") << c.code << " " << mfn;
      iso += a.page;
      lost += std::stoul(a.headers["X-Export-Lost-Characters"]);
    }
    const std::string file = dir_->path() + "export.iso";
    WriteFileBytes(file, iso);
    int status = -1;
    const std::string dump = RunCommand(std::string("yaz-marcdump -i marc -o line -f ") +
                                            c.yaz_charset + " -t utf-8 " + file + " 2>&1",
                                        &status);
    EXPECT_EQ(status, 0) << c.code;
    std::string body;
    for (const std::string& line : SplitLines(dump)) {
      if (line.size() == 24 && line.ends_with("4500")) continue;  // leader line
      body += line + "\n";
    }
    if (std::string_view(c.code) == "UTF-8") {
      EXPECT_EQ(lost, 0u);
      EXPECT_EQ(body, expected) << c.code;
    } else {
      // Characters the code page lacks are counted; the rest reads back the same.
      EXPECT_EQ(CountOf(body, "\n"), CountOf(expected, "\n")) << c.code;
      EXPECT_GT(lost, 0u) << c.code;
    }
  }
}

}  // namespace
}  // namespace zarix
