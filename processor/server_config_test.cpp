// Tests of the configuration lookup and the ".par" path rules.
#include "processor/server_config.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/path.h"

namespace zarix {
namespace {

class ServerConfigTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::TempDir() + "srvcfg_" + std::to_string(getpid()) + "/";
    mkdir(dir_.c_str(), 0755);
    setenv("ZARIX_CONFIG_DIR", dir_.substr(0, dir_.size() - 1).c_str(), 1);  // no trailing "/"
  }
  void TearDown() override {
    for (const char* f : {"zarix_server.ini", "zarix_server_ft.ini", "BOOKS.par", "ELEVEN.par",
                          "SHORT.par"}) {
      RemoveFile(dir_ + f);
    }
    rmdir(dir_.c_str());
    unsetenv("ZARIX_CONFIG_DIR");
  }
  std::string dir_;
};

TEST_F(ServerConfigTest, CandidatesInOrder) {
  std::vector<std::string> c = ServerIniCandidates();
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c[0], dir_ + "zarix_server.ini");
  EXPECT_EQ(c[1], dir_ + "zarix_server_ft.ini");
  EXPECT_EQ(c[2], ProgramDir() + "zarix_server.ini");
  EXPECT_EQ(c[5], "/etc/zarix/zarix_server_ft.ini");
  unsetenv("ZARIX_CONFIG_DIR");
  EXPECT_EQ(ServerIniCandidates().size(), 4u);
}

TEST_F(ServerConfigTest, LoadPrefersPlainNameAndStripsByteOrderMark) {
  std::string found;
  ASSERT_TRUE(WriteFileBytes(dir_ + "zarix_server_ft.ini", "[MAIN]\nDATAPATH=ft\n"));
  std::optional<IniStore> ini = LoadServerIni(&found);
  ASSERT_TRUE(ini);
  EXPECT_EQ(found, dir_ + "zarix_server_ft.ini");
  EXPECT_EQ(ini->ReadString("main", "datapath"), "ft");

  // The first section must survive a byte-order mark in front of its header.
  ASSERT_TRUE(WriteFileBytes(dir_ + "zarix_server.ini",
                             "\xEF\xBB\xBF[MAIN]\r\nDATAPATH=C:\\SYS\\DATAI\\\r\n"));
  ini = LoadServerIni(&found);
  ASSERT_TRUE(ini);
  EXPECT_EQ(found, dir_ + "zarix_server.ini");
  EXPECT_EQ(ini->ReadString("MAIN", "DATAPATH"), "C:\\SYS\\DATAI\\");
  EXPECT_EQ(StripUtf8Bom("\xEF\xBB" "x"), "\xEF\xBB" "x");
}

TEST(ServerConfigPathTest, ResolveParValue) {
  struct Case {
    const char* value;
    const char* datapath;
    const char* syspath;
    const char* expected;
  } cases[] = {
      {".\\DATAI\\BOOKS\\", "C:\\SYS\\DATAI\\", "", "C:\\SYS\\DATAI\\BOOKS\\"},
      {".\\DATAI\\BOOKS\\", "C:\\SYS\\DATAI", "", "C:\\SYS\\DATAI\\BOOKS\\"},
      {"..BOOKS\\", "C:\\SYS\\DATAI\\", "", "C:\\SYS\\DATAI\\BOOKS\\"},
      {"D:\\BASES\\BOOKS\\", "C:\\SYS\\DATAI\\", "", "D:\\BASES\\BOOKS\\"},
      {"/srv/books/", "/srv/zarix/datai/", "", "/srv/books/"},
      {"./datai/books/", "/srv/zarix/datai/", "", "/srv/zarix/datai/books/"},
      {".\\DATAI\\BOOKS\\", "C:\\SYS\\DATAI\\", "E:\\ZSYS\\", "E:\\ZSYS\\DATAI\\BOOKS\\"},
      {".\\DATAI\\", "datai\\", "", ".\\DATAI\\"},  // no parent folder: relative to "."
      {"", "C:\\SYS\\DATAI\\", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveParValue(c.value, c.datapath, c.syspath), c.expected) << c.value;
  }
  IniStore ini;
  ini.LoadText("[MAIN]\nSYSPATH=/opt/z/\n[BOOKS]\nDepositPath=..dep\\\n");
  EXPECT_EQ(ResolveDataPath(ini, ".\\x", "/srv/d/"), "/opt/z\\x");
  EXPECT_EQ(DepositPathFor(ini, "BOOKS", "/srv/d/"), "/srv/d/dep\\");
  EXPECT_EQ(DepositPathFor(ini, "OTHER", "/srv/d/"), "/srv/d/Deposit\\");
  EXPECT_EQ(ParFilePath("BOOKS", "C:\\D\\"), "C:\\D\\BOOKS.par");
  EXPECT_EQ(ParFilePath("BOOKS", "/d"), "/d\\BOOKS.par");
  EXPECT_EQ(ParFilePath("BOOKS", ""), "BOOKS.par");
}

TEST_F(ServerConfigTest, DatabasePathsFromParFile) {
  // The data folder written Windows-style, with a relative value, an absolute one and "..".
  std::string datapath = dir_.substr(0, dir_.size() - 1) + "\\";
  std::string parent = DirName(dir_.substr(0, dir_.size() - 1));
  parent.pop_back();
  const char* ten =
      "1=.\\x\\\r\n2=.\\DATAI\\BOOKS\\\r\n3 = ..IDX\\ \r\n4=a\r\n5=a\r\n6=a\r\n7=a\r\n8=a\r\n"
      "9=a\r\n10=/abs/par/\r\n";
  ASSERT_TRUE(WriteFileBytes(dir_ + "BOOKS.par", std::string("\xEF\xBB\xBF") + ten + "\r\n\r\n"));
  ASSERT_TRUE(WriteFileBytes(dir_ + "ELEVEN.par", std::string(ten) + "11=..FILES"));

  DatabasePathSet p;
  ASSERT_EQ(DatabasePaths("BOOKS", datapath, "", &p), 0);
  EXPECT_EQ(p.master, parent + "\\DATAI\\BOOKS\\");
  EXPECT_EQ(p.inverted, datapath + "IDX\\");
  EXPECT_EQ(p.parameter, "/abs/par/");
  EXPECT_EQ(p.external, p.master);  // 10 lines: trailing empty lines do not count

  ASSERT_EQ(DatabasePaths("ELEVEN", datapath, "/sys", &p), 0);
  EXPECT_EQ(p.master, "/sys\\DATAI\\BOOKS\\");
  EXPECT_EQ(p.external, datapath + "FILES");

  p.master = "untouched";
  EXPECT_EQ(DatabasePaths("NONE", datapath, "", &p), kParFileMissing);
  EXPECT_EQ(p.master, "untouched");

  std::string ext;
  EXPECT_EQ(ExternalFilesPath("ELEVEN", datapath, "", &ext), 0);
  EXPECT_EQ(ext, datapath + "FILES\\");
  EXPECT_EQ(ExternalFilesPath("BOOKS", datapath, "", &ext), kParFileMissing);
  EXPECT_EQ(ExternalFilesPath("NONE", datapath, "", &ext), kParFileMissing);
}

TEST(ServerSettingsTest, DefaultsAndValues) {
  IniStore ini;
  ini.LoadText(
      "[WEB]\nCGIPATH=/srv/cgi/\n[MAIN]\nSilence=1\nSPECSIMVOLS=0\nCGITimeOut=abc\n"
      "LogFileSize=500\nDATAPATH=\nANSI_CODEPAGE=KOI8-R\n");
  ServerSettings s = ReadServerSettings(ini);
  EXPECT_FALSE(s.spec_simvols);
  EXPECT_EQ(s.cgi_time_out, 30);  // unparsable: default
  EXPECT_EQ(s.log_file_size, 500);
  EXPECT_EQ(s.datapath, "");  // present but empty: not the default
  EXPECT_EQ(s.zarixpath, "/srv/cgi/");
  EXPECT_EQ(s.log_file_name, "/srv/cgi/cgizarix_64.log");
  EXPECT_EQ(s.deposit_path, "Deposit\\");
  EXPECT_EQ(s.ansi_codepage, "KOI8-R");
}

}  // namespace
}  // namespace zarix
