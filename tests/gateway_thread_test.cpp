// Whole requests: the request thread's time-out, failures inside the processor and the action,
// and concurrent requests with their engine configuration copies. Uses the test-hook build of
// the gateway, which hangs or fails where the request field ZARIX_TEST_HOOK says.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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
  EXPECT_EQ(r.body, "<HTML><BODY>Server error: timeout ellapsed (1 c)</BODY></HTML>");
  EXPECT_EQ(r.Header("content-length"), std::to_string(r.body.size()));
  EXPECT_LT(r.seconds, 10.0);
  EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());  // the abandoned copy is removed
}

TEST_F(ThreadTest, ExceptionGivesMessage18AndSavesTheTrace) {
  const std::string hook = "C21COM=Q&ZARIX_TEST_HOOK=dispatch:throw";
  site_.WriteConfig("");
  EXPECT_NE(RunCgi(site_.Get(hook)).body.find(">ERROR LOADING WEBMSG LIST</BODY>"),
            std::string::npos);
  std::string messages;
  for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
  site_.WriteFile("cgi/WebMsg.txt", messages);
  for (bool debug : {false, true}) {
    site_.WriteConfig(debug ? "[MAIN]\nDEBUG=1\n" : "");
    for (const std::string& f : site_.Files("cgi", "Error_terminate_")) {
      std::remove((site_.cgi() + f).c_str());
    }
    CgiResult r = RunCgi(site_.Get(hook));
    EXPECT_EQ(r.body,
              "<HTML><BODY>  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=UTF-8\">"
              "message 18</BODY></HTML>");
    std::vector<std::string> traces = site_.Files("cgi", "Error_terminate_", ".log");
    ASSERT_EQ(traces.size(), 1u) << "debug " << debug;  // saved with or without tracing
    const std::string trace = ReadAll(site_.cgi() + traces[0]);
    EXPECT_EQ(trace.find("START Server Command=Q\r\n") != std::string::npos, debug) << trace;
    EXPECT_EQ(trace.find("ERROR!\r\n") != std::string::npos, debug) << trace;
    EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
  }
}

TEST_F(ThreadTest, ActionFailurePageEscapesTheRequest) {
  site_.WriteConfig("");
  CgiResult r = RunCgi(site_.Post("C21COM=Q&ZARIX_TEST_HOOK=action-after-wait:throw&X=<script>"));
  EXPECT_EQ(r.body,
            "<HTML><BODY>ZARIX64 INTERNAL ERROR<br>REQUEST= C21COM=Q&amp;ZARIX_TEST_HOOK="
            "action-after-wait:throw&amp;X=&lt;script&gt;<br><br><br>TEST_REQUEST<br><br>"
            "[Form Literal]<br>URLTag=192.0.2.7<br>HOST=catalogue.test<br>DTAGE=<br>"
            "UserAgent=cgi-runner<br>C21COM=Q<br>ZARIX_TEST_HOOK=action-after-wait:throw<br>"
            "X= script </BODY></HTML>");
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
}

// The configuration copy holds the whole configuration: it must never be left where the web
// server serves files, nor pile up, whatever way a request ends.
TEST_F(ThreadTest, NoConfigurationCopyOutlivesTheEngineSetUp) {
  site_.WriteConfig("");
  site_.WriteFile("cgi/Error.html", "E:");
  auto no_copies = [&] {
    return site_.Files("bin", "", ".ini").empty() && site_.Files("tmp", "", ".ini").empty();
  };
  // While requests wait at the dispatch (after the engine set-up), their copies are gone.
  constexpr size_t kRequests = 8;
  std::vector<CgiResult> results(kRequests);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < kRequests; ++i) {
    threads.emplace_back(
        [&, i] { results[i] = RunCgi(site_.Get("C21COM=Q&ZARIX_TEST_HOOK=dispatch:hold")); });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_TRUE(no_copies());
  for (std::thread& t : threads) t.join();
  for (const CgiResult& r : results) EXPECT_EQ(r.body, "E:Q");
  // Killed by a signal, timed out, or failed with an exception: nothing left either.
  site_.WriteConfig("[MAIN]\nCGITimeOut=1\n");
  for (const char* hook : {"dispatch:crash", "dispatch:sleep", "dispatch:throw"}) {
    CgiResult r = RunCgi(site_.Get(std::string("C21COM=Q&ZARIX_TEST_HOOK=") + hook));
    EXPECT_EQ(r.exited, std::string(hook) != "dispatch:crash") << hook;
    EXPECT_TRUE(no_copies()) << hook;
  }
}

}  // namespace
}  // namespace zarix::testing
