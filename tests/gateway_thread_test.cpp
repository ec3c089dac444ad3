// Whole requests: the request thread's time-out, failures inside the processor and the action,
// and concurrent requests with their engine configuration copies. Uses the test-hook build of
// the gateway, which hangs or fails where the request field ZARIX_TEST_HOOK says.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "tests/cgi_runner.h"

namespace zarix::testing {
namespace {

class ThreadTest : public ::testing::Test {
 protected:
  ThreadTest() : site_(TestEnv("ZARIX_CGI_HOOKS_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}
  FixtureSite site_;
};

TEST_F(ThreadTest, TimeOutPage) {
  site_.WriteConfig("[MAIN]\nCGITimeOut=1\n");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&ZARIX_TEST_HOOK=dispatch:sleep"));
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.body, "<HTML><BODY>Server error: timeout ellapsed (1 c)</BODY></HTML>");
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
  EXPECT_EQ(r.Header("content-length"), std::to_string(r.body.size()));
  EXPECT_LT(r.seconds, 10.0);
  // The abandoned request leaves no configuration copy behind.
  EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
}

TEST_F(ThreadTest, ExceptionGivesMessage18AndSavesTheTrace) {
  std::string messages;
  for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
  site_.WriteFile("cgi/WebMsg.txt", messages);
  for (bool debug : {false, true}) {
    site_.WriteConfig(debug ? "[MAIN]\nDEBUG=1\n" : "");
    for (const std::string& f : site_.Files("cgi", "Error_terminate_")) {
      std::remove((site_.cgi() + f).c_str());
    }
    CgiResult r = RunCgi(site_.Get("C21COM=Q&ZARIX_TEST_HOOK=dispatch:throw"));
    EXPECT_EQ(r.body,
              "<HTML><BODY>  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=UTF-8\">"
              "message 18</BODY></HTML>");
    EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
    std::vector<std::string> traces = site_.Files("cgi", "Error_terminate_", ".log");
    ASSERT_EQ(traces.size(), 1u) << "debug " << debug;
    const std::string trace = ReadAll(site_.cgi() + traces[0]);
    EXPECT_EQ(trace.find("ERROR!") != std::string::npos, debug) << trace;
    EXPECT_EQ(trace.find("START Server Command=Q") != std::string::npos, debug) << trace;
    EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
  }
}

TEST_F(ThreadTest, MissingMessageList) {
  site_.WriteConfig("");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&ZARIX_TEST_HOOK=dispatch:throw"));
  EXPECT_NE(r.body.find(">ERROR LOADING WEBMSG LIST</BODY>"), std::string::npos) << r.body;
}

TEST_F(ThreadTest, ActionFailurePageEscapesTheRequest) {
  site_.WriteConfig("");
  site_.WriteFile("cgi/Error.html", "E:");
  const std::string body =
      "C21COM=Q&ZARIX_TEST_HOOK=action-after-wait:throw&X=<script>alert(1)</script>";
  CgiResult r = RunCgi(site_.Post(body));
  EXPECT_EQ(r.body.rfind("<HTML><BODY>ZARIX64 INTERNAL ERROR<br>REQUEST= C21COM=Q&amp;", 0), 0u)
      << r.body;
  EXPECT_EQ(r.body.find("<script>"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("<br><br><br>TEST_REQUEST<br><br>[Form Literal]<br>URLTag=192.0.2.7"),
            std::string::npos)
      << r.body;
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
}

TEST_F(ThreadTest, ConcurrentRequestsKeepTheirOwnConfigurationCopy) {
  site_.WriteConfig("");
  site_.WriteFile("cgi/Error.html", "E:");
  constexpr int kRequests = 20;
  std::vector<CgiResult> results(kRequests);
  std::vector<std::thread> threads;
  for (int i = 0; i < kRequests; ++i) {
    threads.emplace_back([&, i] {
      results[i] = RunCgi(site_.Get("C21COM=Q&ZARIX_TEST_HOOK=dispatch:hold"));
    });
  }
  // Every request holds its copy while it waits at the dispatch: all 20 exist at once.
  size_t most = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (most < kRequests && std::chrono::steady_clock::now() < deadline) {
    most = std::max(most, site_.Files("bin", "", ".ini").size());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(most, static_cast<size_t>(kRequests));
  for (const CgiResult& r : results) EXPECT_EQ(r.body, "E:Q");
  EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
}

}  // namespace
}  // namespace zarix::testing
