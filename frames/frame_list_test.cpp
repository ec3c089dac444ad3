#include "frames/frame_list.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

using Names = std::vector<std::string>;

FrameList Frames(const std::string& config, const std::string& request, char command,
                 LogFieldList* log) {
  IniStore server, web;
  server.LoadText(config);
  web.LoadText("[Form Literal]\n" + request);
  FrameList frames;
  InitFrameList(server, web, "BOOKS", command, {}, &frames, log);
  return frames;
}

TEST(FrameListTest, ByCommand) {
  const std::string base = "[WEB]\nCGIPATH=/cgi/\n";
  struct Case {
    std::string config;
    std::string request;
    char command;
    Names frames;
  } cases[] = {
      {base, "", 'S', {"/cgi/", "header.frm", "SMain.frm", "footer.frm"}},
      {base, "", 'I', {"/cgi/", "header.frm", "zakaz.frm", "footer.frm"}},
      {base + "ShowFrames=a.frm\n", "", '3', {"/cgi/"}},
      {base + "ShowFrames=a.frm,RESULT\n", "", 'S', {"/cgi/", "a.frm", "RESULT"}},
      {base + "[BOOKS]\nSearchFrames=x.frm, ,y.frm,\n", "", 'S', {"/cgi/", "x.frm", "", "y.frm"}},
      {base + "FRAMES=/fr/\n[BOOKS]\nDEFAULT_FRAMES=/def/\n", "", 'T',
       {"/def/", "header.frm", "dict.frm", "footer.frm"}},
      {base + "FRAMES=/fr/\n[BOOKS]\nFRAMES=/db/\n", "", 'Z', {"/db/", "header.frm", "zakaz.frm", "footer.frm"}},
      {base + "[MAIN]\nDirectAccess=1\n", "S21FRAME=f.frm\n", 'S', {"/cgi/", "RESULT"}},
      {base + "[MAIN]\nDirectAccess=1\n", "S21FRAME=\n", 'E',
       {"/cgi/", "header.frm", "SMain.frm", "footer_export.frm"}},
  };
  for (const Case& c : cases) {
    LogFieldList log;
    EXPECT_EQ(Frames(c.config, c.request, c.command, &log), c.frames) << c.config << c.command;
  }
}

TEST(FrameListTest, TrailingCommaAndBlank) {
  EXPECT_EQ(SplitFrameNames("a, "), (Names{"a", ""}));
}

TEST(FrameListTest, LogFields) {
  LogFieldList log;
  Frames("[PARAMETRS]\nPARCOUNT=2\nPARNAME1=s21all\nPARTAG1=10\nPARNAME2=bad\nPARTAG2=11\n"
         "URLTag=20\nUserAgent=0\nCHECKINDEX=30\n",
         "S21ALL=one\nURLTag=1.2.3.4\nS21ALLX=no\ns21all=t<script>\nBAD=\xFF\nUserAgent=ua\n"
         "CHECKINDEX=a\nCHECKINDEX=\n",
         'S', &log);
  std::vector<std::pair<std::string, int>> got;
  for (const LogField& f : log) got.emplace_back(f.value, f.tag);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0], (std::pair<std::string, int>{"one", 10}));
  EXPECT_EQ(got[1], (std::pair<std::string, int>{"t script ", 10}));
  EXPECT_EQ(got[2], (std::pair<std::string, int>{"1.2.3.4", 20}));
  EXPECT_EQ(got[3].second, 907);        // DateTimeTag's default, always added
  EXPECT_EQ(got[3].first.size(), 14u);  // ddmmyyyy hh:mm
  EXPECT_EQ(got[4], (std::pair<std::string, int>{"a", 30}));
  EXPECT_EQ(got[5], (std::pair<std::string, int>{"", 30}));
}

}  // namespace
}  // namespace zarix
