#include "frames/frame_list.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

using Names = std::vector<std::string>;

FrameList Frames(const std::string& config, const std::string& request, char command,
                 LogFieldList* log = nullptr) {
  IniStore server, web;
  server.LoadText(config);
  web.LoadText("[Form Literal]\n" + request);
  FrameList frames;
  LogFieldList fields;
  InitFrameList(server, web, "BOOKS", command, {}, &frames, log ? log : &fields);
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
      {base, "", 'F', {"/cgi/", "header.frm", "AMain.frm", "footer.frm"}},
      {base, "", 'I', {"/cgi/", "header.frm", "zakaz.frm", "footer.frm"}},
      {base, "", 'E', {"/cgi/", "header.frm", "SMain.frm", "footer_export.frm"}},
      {base, "", '3', {"/cgi/"}},
      {base, "", '\0', {"/cgi/"}},
      {base + "ShowFrames=a.frm,RESULT\n", "", 'S', {"/cgi/", "a.frm", "RESULT"}},
      {base + "ShowFrames=a.frm\n[BOOKS]\nSearchFrames=x.frm, ,y.frm\n", "", 'S',
       {"/cgi/", "x.frm", "", "y.frm"}},
      {base + "[BOOKS]\nSearchFrames=x.frm,\n", "", 'S', {"/cgi/", "x.frm"}},
      {base + "[BOOKS]\nSearchFrames=x.frm,\t\n", "", 'S', {"/cgi/", "x.frm"}},
      {base + "FRAMES=/fr/\n[BOOKS]\nDEFAULT_FRAMES=/def/\n", "", 'T',
       {"/def/", "header.frm", "dict.frm", "footer.frm"}},
      {base + "FRAMES=/fr/\n[BOOKS]\nFRAMES=/db/\nDEFAULT_FRAMES=/def/\n", "", 'T',
       {"/db/", "header.frm", "dict.frm", "footer.frm"}},
      {base + "FRAMES=/fr/\n", "", 'Z', {"/fr/", "header.frm", "zakaz.frm", "footer.frm"}},
      {base + "[MAIN]\nDirectAccess=1\n", "S21FRAME=f.frm\n", 'S', {"/cgi/", "RESULT"}},
      {base + "[MAIN]\nDirectAccess=1\n", "S21FRAME=\n", 'S',
       {"/cgi/", "header.frm", "SMain.frm", "footer.frm"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Frames(c.config, c.request, c.command), c.frames) << c.config << c.command;
  }
}

TEST(FrameListTest, SplitFrameNames) {
  EXPECT_EQ(SplitFrameNames("a, b ,c"), (Names{"a", "b", "c"}));
  EXPECT_EQ(SplitFrameNames("a,"), (Names{"a"}));
  EXPECT_EQ(SplitFrameNames("a, "), (Names{"a", ""}));
  EXPECT_EQ(SplitFrameNames(""), Names{});
}

TEST(FrameListTest, LogFields) {
  LogFieldList log;
  Frames(
      "[PARAMETRS]\nPARCOUNT=2\nPARNAME1=s21all\nPARTAG1=10\nPARNAME2=bad\nPARTAG2=11\n"
      "URLTag=20\nUserAgent=0\nCHECKINDEX=30\nDateTimeTag=99\n",
      "S21ALL=one\nURLTag=1.2.3.4\nS21ALLX=no\ns21all=two<script>\nBAD=\xFF\nUserAgent=ua\n"
      "CHECKINDEX=a\nCHECKINDEX=\n",
      'S', &log);
  std::vector<std::pair<std::string, int>> got;
  for (const LogField& f : log) got.emplace_back(f.value, f.tag);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0], (std::pair<std::string, int>{"one", 10}));
  EXPECT_EQ(got[1], (std::pair<std::string, int>{"two script ", 10}));
  EXPECT_EQ(got[2], (std::pair<std::string, int>{"1.2.3.4", 20}));
  EXPECT_EQ(got[3].second, 99);
  EXPECT_EQ(got[3].first.size(), 14u);  // ddmmyyyy hh:mm
  EXPECT_EQ(got[4], (std::pair<std::string, int>{"a", 30}));
  EXPECT_EQ(got[5], (std::pair<std::string, int>{"", 30}));
}

TEST(FrameListTest, DateTimeTagDefault) {
  LogFieldList log;
  Frames("", "", 'S', &log);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].tag, 907);
}

}  // namespace
}  // namespace zarix
