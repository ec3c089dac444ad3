#include "records/request_log.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

#include "gateway/request_store.h"
#include "gtest/gtest.h"
#include "records/named_lock.h"
#include "util/path.h"
#include "util/split_lines.h"
#include "util/temp_dir.h"
#include "util/types.h"

namespace zarix {
namespace {

// 2023-11-14 22:13:20 UTC.
constexpr std::time_t kNow = 1700000000;

class UtcZone : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};
const auto* const kUtc = ::testing::AddGlobalTestEnvironment(new UtcZone);

std::string LogLine(std::string_view parametrs,
                    std::vector<std::pair<std::string, std::string>> fields, bool error = false,
                    std::string downloaded = {}) {
  IniStore server_ini;
  server_ini.LoadText("[PARAMETRS]\n" + std::string(parametrs));
  IniStore web_ini;
  std::string text = "[Form Literal]\n";
  for (const auto& [name, value] : fields) text += name + "=" + value + "\n";
  web_ini.LoadText(text);
  LogLineSource src;
  src.web_ini = &web_ini;
  src.server_ini = &server_ini;
  src.reader_id = "123";
  src.downloaded_file = std::move(downloaded);
  src.error = error;
  src.now = kNow;
  return BuildLogLine(src);
}

TEST(BuildLogLineTest, Cases) {
  const std::string t = "DateTime=14.11.2023 22:13:20";
  struct Case {
    const char* what;
    std::string parametrs;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string expected;
  } cases[] = {
      {"reader keys never reach the log",
       "PARCOUNT=2\nPARNAME1=I21DBN\nPARNAME2=Z21ID\n",
       {{"I21DBN", "BOOKS"}, {"Z21ID", "0519k2x7"}},
       t + "&I21DBN=BOOKS&Z21ID=123\r\n"},
      {"a field sent twice is logged twice, names matched in any case",
       "PARCOUNT=1\nPARNAME1=s21p01\n",
       {{"S21P01", "a"}, {"I21DBN", "B"}, {"S21P01", "b"}},
       t + "&s21p01=a&s21p01=b\r\n"},
      {"PARLOG replaces the name",
       "PARCOUNT=1\nPARNAME1=I21DBN\nPARLOG1=|db:\n",
       {{"I21DBN", "BOOKS"}},
       t + "|db:BOOKS\r\n"},
      {"empty values and longer names do not count",
       "PARCOUNT=1\nPARNAME1=S21P\n",
       {{"S21P", ""}, {"S21P01", "x"}},
       t + "\r\n"},
      {"gateway fields close the line",
       "PARCOUNT=0\n",
       {{"URLTag", "10.0.0.7"}, {"UserAgent", "Lynx"}},
       t + "&RemoteHost=10.0.0.7&UserAgent=Lynx\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LogLine(c.parametrs, c.fields), c.expected) << c.what;
  }
  EXPECT_EQ(LogLine("PARCOUNT=0\n", {}, true, "a.pdf"),
            "ERROR_CGI=1&" + t + "&DownloadFile=a.pdf\r\n");
}

TEST(LogDateAgeDaysTest, Cases) {
  const struct {
    const char* text;
    long long days;
  } cases[] = {
      // A date after today gives a negative age, which never empties.
      {"14112023 10:00", 0}, {"13112023 23:59", 1}, {"14112022", 365}, {"29022020", 1354},
      {"16112023", -2},      {"29022023", -1},      {"31042023", -1},  {"00112023", -1},
      {"1411202", -1},       {"ab112023", -1},      {"", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogDateAgeDays(c.text, kNow), c.days) << c.text;
  }
}

class TextFileTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::string lock_dir() { return dir_.path() + "locks/"; }
  std::string log() { return dir_.path() + "logs/site.log"; }
  void SetUp() override {
    ASSERT_EQ(system(("mkdir -p " + lock_dir() + " " + dir_.path() + "logs").c_str()), 0);
  }
  std::string SetAside(int n) {
    std::string name = SetAsideName(log(), std::time(nullptr));
    if (n > 1) name = name.substr(0, name.size() - 4) + "_" + std::to_string(n) + ".log";
    return ReadFileBytes(name).value_or("<missing>");
  }
};

TEST_F(TextFileTest, FullFileIsSetAsideNeverReplacingAnEarlierOne) {
  ASSERT_TRUE(AppendToTextFile(lock_dir(), 5, log(), 10, "0123456789"));
  ASSERT_TRUE(AppendToTextFile(lock_dir(), 5, log(), 10, "first\r\n"));
  EXPECT_EQ(ReadFileBytes(log()), "first\r\n");
  EXPECT_EQ(SetAside(1), "0123456789");
  ASSERT_TRUE(AppendToTextFile(lock_dir(), 5, log(), 7, "second\r\n"));
  EXPECT_EQ(ReadFileBytes(log()), "second\r\n");
  EXPECT_EQ(SetAside(1), "0123456789");
  EXPECT_EQ(SetAside(2), "first\r\n");
  EXPECT_EQ(SetAsideName("C:\\LOGS\\a.log", kNow), "C:\\LOGS\\zarixlog_copy_14.11.2023.log");
}

TEST_F(TextFileTest, BusyLockDropsTheTextAfterTheWait) {
  NamedLock holder;
  ASSERT_TRUE(holder.Acquire(lock_dir(), kLogLockName, 0));
  EXPECT_FALSE(AppendToTextFile(lock_dir(), 1, log(), 1000, "lost\r\n"));
  EXPECT_FALSE(FileExists(log()));
  holder.Release();
  EXPECT_TRUE(AppendToTextFile(lock_dir(), 1, log(), 1000, "kept\r\n"));
  EXPECT_FALSE(AppendToTextFile(dir_.path() + "no-such-folder/", 1, log(), 1000, "x"));
}

// 8 processes append 500 lines each, with a size limit that sets files aside while they run:
// every line arrives once, whole, in some file.
TEST_F(TextFileTest, ConcurrentProcessesLoseAndInterleaveNothing) {
  constexpr int kProcesses = 8;
  constexpr int kLines = 500;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kLines; ++i) {
        const std::string line = "DateTime=x&P=" + std::to_string(p) + "&I=" + std::to_string(i) +
                                 "&pad=" + std::string(40 + (i % 7) * 13, 'a' + p) + "\r\n";
        ok = AppendToTextFile(lock_dir(), 50, log(), 60000, line) && ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<std::pair<int, int>> seen;
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path() + "logs")) {
    ++files;
    const std::string text = ReadFileBytes(entry.path().string()).value_or("");
    ASSERT_TRUE(text.empty() || text.ends_with("\r\n")) << entry.path();
    for (const std::string& line : SplitLines(text)) {
      if (line.empty()) continue;
      int p = -1, i = -1, n = 0;
      ASSERT_EQ(sscanf(line.c_str(), "DateTime=x&P=%d&I=%d&pad=%n", &p, &i, &n), 2) << line;
      ASSERT_EQ(line.substr(n), std::string(40 + (i % 7) * 13, 'a' + p)) << line;
      EXPECT_TRUE(seen.insert({p, i}).second) << "twice: " << line;
    }
  }
  EXPECT_EQ(seen.size(), size_t{kProcesses * kLines});
  EXPECT_GT(files, 2u);
}

}  // namespace
}  // namespace zarix
