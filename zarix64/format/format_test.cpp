// Table-driven tests of the format language: (format, record, expected output) for every element,
// the compile and run-time errors, includes, ref and the limits.
#include "zarix64/format/format.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "zarix64/format/format_errors.h"
#include "zarix64/format/format_internal.h"
#include "zarix64/format/simple_record.h"

namespace zarix::format {
namespace {

using Fields = std::vector<std::pair<FieldTag, std::string>>;

// A catalogue record in Russian used by most cases.
const Fields kBook = {
    {200, "^aИстория России^eучебник^fИванов И. И."},
    {700, "^aПетров^bП. П."},
    {700, "^aСидоров"},
    {700, "^aKuznetsov^bK."},
    {910, "^aкн1"},
    {910, "^aкн2"},
    {910, "^aкн3"},
    {101, "rus"},
    {10, "^a978-5-00-000000-0^d250.50"},
    {320, "plain^aSub"},
};

struct Case {
  const char* format;
  Fields fields;
  const char* expected;
};

std::string RunText(const std::string& format, const Fields& fields, RunOptions options = {},
                    int* rc = nullptr) {
  CompileError error;
  auto program = Compile(format, nullptr, &error);
  if (!program) return "COMPILE " + error.message;
  SimpleRecord record(42, fields);
  std::string out;
  int r = Run(*program, record, options, &out);
  if (rc != nullptr) *rc = r;
  return out;
}

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(RunText(c.format, c.fields), c.expected) << c.format;
}

TEST(FormatTest, Examples) {
  RunCases({
      {"v200^a,\" / \"v200^f", {{200, "^aHistory^fSmith"}}, "History / Smith"},
      {"v200^a,\" / \"v200^f", {{200, "^aHistory"}}, "History"},
      {"(|; |+v700^a)", {{700, "^aA"}, {700, "^aB"}}, "A; B"},
      {"if p(v910) then 'copies: 'f(nocc(v910),0,0) fi",
       {{910, "a"}, {910, "b"}, {910, "c"}},
       "copies: 3"},
      {"mhl,v200", {{200, "^aTitle^eSubtitle"}}, "Title. Subtitle"},
      {"\"T=\"v200^a/", {{200, "^aData base"}}, "T=Data base\r\n"},
      {"(v700^a\", \"v700^b/)", {{700, "^aA^bX"}, {700, "^aB"}}, "A, X\r\nB\r\n"},
  });
}

TEST(FormatTest, FieldSelectors) {
  RunCases({
      {"v200", kBook, "^aИстория России^eучебник^fИванов И. И."},
      {"v200^e", kBook, "учебник"},
      {"V200^E", kBook, "учебник"},
      {"v200^x", kBook, ""},
      {"v320^*", kBook, "plain"},
      {"v200^*", kBook, "История России"},
      {"v101^*", kBook, "rus"},
      {"v700^a", kBook, "ПетровСидоровKuznetsov"},
      {"v700^a[2]", kBook, "Сидоров"},
      {"v700^a[2..3]", kBook, "СидоровKuznetsov"},
      {"v700^a[2..]", kBook, "СидоровKuznetsov"},
      {"v700^a[LAST]", kBook, "Kuznetsov"},
      {"v700^a[last]", kBook, "Kuznetsov"},
      {"v700^a[9]", kBook, ""},
      {"v200^a*8", kBook, "России"},
      {"v200^a.7", kBook, "История"},
      {"v200^a*2.3", kBook, "тор"},
      {"v200^a*50", kBook, ""},
      {"v999", kBook, ""},
      {"v1^a", {{1, "^A upper code"}}, " upper code"},
      {"v1^a", {{1, "x^^a^b"}}, ""},                           // "^^" is no subfield mark
      {"v1^b", {{1, "^a1^b2^a3^b4"}}, "2"},                    // first occurrence of the code
      {"v5", {{7, "a"}, {5, "b"}, {7, "c"}, {5, "d"}}, "bd"},  // fields out of tag order
  });
}

TEST(FormatTest, PresenceSelectors) {
  RunCases({
      {"d700\"authors\"'x'", kBook, "authorsx"},
      {"d700'x'\"orphan\"", kBook, "x"},
      {"n700\"no authors\"", kBook, ""},
      {"n999\"no field\"", kBook, "no field"},
      {"d200^e\"has e\"", kBook, "has e"},
      {"d200^z\"has z\"", kBook, ""},
      {"n200^z\"no z\"", kBook, "no z"},
      {"\"[\"d700\"]\"", kBook, "[]"},
  });
}

TEST(FormatTest, Literals) {
  RunCases({
      {"'it''s'", {}, "it's"},
      {"\"say \"\"hi\"\"\"v1", {{1, "x"}}, "say \"hi\"x"},
      {"'a' 'b' , 'c'", {}, "abc"},
      {"\"pre \"v1\" post\"", {{1, "x"}}, "pre x post"},
      {"\"pre \"v1\" post\"", {}, ""},
      {"\"orphan\" 'u'", {}, "u"},                     // a conditional literal needs a selector
      {"v1\" / \"v2", {{1, "a"}, {2, "b"}}, "a / b"},  // between selectors: prefix of the next
      {"v1\" / \"v2", {{1, "a"}}, "a"},
      {"v1\";\" / 'x'", {{1, "a"}}, "a;\r\nx"},  // suffix when no selector follows
      {"|; |v700^a", kBook, "; Петров; Сидоров; Kuznetsov"},
      {"|; |+v700^a", kBook, "Петров; Сидоров; Kuznetsov"},
      {"v700^a|; |", kBook, "Петров; Сидоров; Kuznetsov; "},
      {"v700^a+|; |", kBook, "Петров; Сидоров; Kuznetsov"},
      {"\"Authors: \"|, |+v700^a\".\"", kBook, "Authors: Петров, Сидоров, Kuznetsov."},
      {"|, |+v700^b", kBook, "П. П., K."},  // occurrences without ^b do not count
      {"|||x|||v1", {{1, "a"}}, "|x|a"},
      {"/* comment 'x' */'y'/*c2*/", {}, "y"},
  });
}

TEST(FormatTest, Modes) {
  RunCases({
      {"mpl v1", {{1, "^aTitle^eSub"}}, "^aTitle^eSub"},
      {"mhl v1", {{1, "^aTitle^eSub"}}, "Title. Sub"},
      {"mdl v1", {{1, "^aTitle^eSub"}}, "Title. Sub."},
      {"mdl v1", {{1, "Done!"}}, "Done!"},
      {"mdl v1 mpl v1", {{1, "x"}}, "x.x"},
      {"mhu v200", kBook, "ИСТОРИЯ РОССИИ. УЧЕБНИК. ИВАНОВ И. И."},
      {"mpu v700^a[1] 'lit'", kBook, "ПЕТРОВlit"},
      {"mdu (v700^a/)", kBook, "ПЕТРОВ.\r\nСИДОРОВ.\r\nKUZNETSOV.\r\n"},
      {"mhl v1*2", {{1, "^aTitle"}}, "tle"},
      {"MHL v1", {{1, "^aa^bb"}}, "a. b"},
  });
}

TEST(FormatTest, Spacing) {
  RunCases({
      {"'a'/'b'", {}, "a\r\nb"},
      {"'a'//'b'", {}, "a\r\nb"},
      {"/'a'", {}, "a"},
      {"'a'##'b'", {}, "a\r\n\r\nb"},
      {"'a'###%'b'", {}, "a\r\nb"},
      {"##%'b'", {}, "b"},
      {"'a'x3'b'", {}, "a   b"},
      {"'ab'c5'x'", {}, "ab  x"},
      {"'абв'c5'x'", {}, "абв x"},  // columns count characters
      {"'abcdef'c3'x'", {}, "abcdefx"},
      {"'a'#'b'c3'x'", {}, "a\r\nb x"},
  });
}

TEST(FormatTest, Groups) {
  RunCases({
      {"(v700^a/)", kBook, "Петров\r\nСидоров\r\nKuznetsov\r\n"},
      {"(f(iocc,0,0)'.'v700^a' ')", kBook, "1.Петров 2.Сидоров 3.Kuznetsov "},
      {"(|; |+v700^a\" (\"v700^b\")\")", kBook, "Петров (П. П.); Сидоров; Kuznetsov (K.)"},
      {"(v700^a\" (\"v700^b\")\"|; |)", kBook, "Петров (П. П.; )СидоровKuznetsov (K.; )"},
      {"(v700^a+|; |)", kBook, "Петров; Сидоров; Kuznetsov"},
      {"(|, |+v700^b)", kBook, "П. П., K."},
      {"(v1 v2 '|')", {{1, "a"}, {2, "x"}, {2, "y"}, {2, "z"}}, "ax|y|z|"},
      {"(v700^a[2..] ',')", kBook, ",Сидоров,Kuznetsov,"},
      {"('x')", kBook, ""},  // no selector: no occurrence drives it
      {"(if iocc > 1 then ', ' fi v910^a)", kBook, "кн1, кн2, кн3"},
      {"f(iocc,0,0)", kBook, "0"},
      {"(d700 '*')", kBook, "***"},
      {"(if p(v700^b) then v700^a fi)", kBook, "ПетровKuznetsov"},
      {"e1:=0 (e1:=e1+1) f(e1,0,0)", kBook, "0"},  // e-assignments alone drive nothing
      {"e1:=0 (v910 e1:=e1+1) f(e1,0,0)", kBook, "^aкн1^aкн2^aкн33"},
  });
}

TEST(FormatTest, Conditions) {
  RunCases({
      {"if p(v200) then 'y' else 'n' fi", kBook, "y"},
      {"if a(v200) then 'y' else 'n' fi", kBook, "n"},
      {"if p(v200^z) then 'y' else 'n' fi", kBook, "n"},
      {"IF P(V200) THEN 'y' FI", kBook, "y"},
      {"if v101 = 'rus' then 'ru' fi", kBook, "ru"},
      {"if v101 <> 'rus' then 'x' else 'same' fi", kBook, "same"},
      {"if v101 < 'rut' and v101 > 'ru' then 'between' fi", kBook, "between"},
      {"if v101 <= 'rus' and v101 >= 'rus' then 'eq' fi", kBook, "eq"},
      {"if v200^a : 'россии' then 'found' fi", kBook, "found"},
      {"if v200^a : 'РОССИИ' then 'found' fi", kBook, "found"},
      {"if v200^a : 'Китай' then 'found' else 'no' fi", kBook, "no"},
      {"if nocc(v700) = 3 then 'three' fi", kBook, "three"},
      {"if nocc(v700) > 2.5 then 'more' fi", kBook, "more"},
      {"if '10' < '9' then 'bytes' fi", kBook, "bytes"},
      {"if 10 < 9 then 'bytes' else 'numbers' fi", kBook, "numbers"},
      {"if not p(v999) then 'absent' fi", kBook, "absent"},
      {"if p(v999) or p(v200) then 'or' fi", kBook, "or"},
      {"if p(v999) or p(v998) then 'or' else 'neither' fi", kBook, "neither"},
      {"if (p(v999) or p(v200)) and not (nocc(v700) = 1) then 'ok' fi", kBook, "ok"},
      {"if (nocc(v700) + 1) * 2 = 8 then 'math' fi", kBook, "math"},
      {"if p(v200) then if p(v999) then 'a' else 'b' fi fi", kBook, "b"},
      {"if s(v700^a[1], '!') = 'Петров!' then 'sfmt' fi", kBook, "sfmt"},
      {"if mfn = 42 then 'mfn' fi", kBook, "mfn"},
      {"if mfn : '4' then 'text' fi", kBook, "text"},
      {"if p(v1) then fi 'x'", kBook, "x"},
  });
}

TEST(FormatTest, Numbers) {
  RunCases({
      {"f(1+2*3,0,0)", {}, "7"},
      {"f((1+2)*3,0,0)", {}, "9"},
      {"f(10-4-3,0,0)", {}, "3"},
      {"f(20/4/5,0,0)", {}, "1"},
      {"f(7/2)", {}, "3.5"},
      {"f(-3)", {}, "-3"},
      {"f(- -3)", {}, "3"},
      {"f(1/0)", {}, "0"},
      {"f(0.1+0.2)", {}, "0.30000000000000004"},
      {"f(2.5,6,2)", {}, "  2.50"},
      {"f(2.5,0,0)", {}, "3"},
      {"f(-2.5,0,0)", {}, "-3"},
      {"f(1.005,0,1)", {}, "1.0"},
      {"f(-0.001,0,2)", {}, "0.00"},
      {"f(12,5)", {}, "   12"},
      {"f(val(v10^d),0,1)", kBook, "250.5"},
      {"f(val('abc -12.5x'))", {}, "-12.5"},
      {"f(val('none'))", {}, "0"},
      {"f(size(v200^a))", kBook, "14"},
      {"f(instr(v200^a, 'Росс'))", kBook, "9"},
      {"f(instr(v200^a, 'zzz'))", kBook, "0"},
      {"f(nocc(v910))", kBook, "3"},
      {"f(nocc(v999))", kBook, "0"},
      {"mfn", kBook, "42"},
      {"mfn(6)", kBook, "000042"},
      {"mfn(1)", kBook, "42"},
      {"f(mfn*2)", kBook, "84"},
      {"iocc", kBook, "0"},
      {"f(npost('K=X'))", kBook, "0"},  // no database: 0
      {"f(l('K=X'))", kBook, "0"},
  });
}

TEST(FormatTest, TextFunctions) {
  RunCases({
      {"mid(v200^a, 9, 6)", kBook, "России"},
      {"mid(v200^a, 0, 3)", kBook, "Ист"},
      {"mid(v200^a, 13, 99)", kBook, "ии"},
      {"mid(v200^a, 99, 3)", kBook, ""},
      {"left(v200^a, 7)", kBook, "История"},
      {"left(v200^a, 0)", kBook, ""},
      {"left(v200^a, 99)", kBook, "История России"},
      {"right(v200^a, 6)", kBook, "России"},
      {"right(v200^a, 99)", kBook, "История России"},
      {"replace(v200^a, 'России', 'Руси')", kBook, "История Руси"},
      {"replace('a-b-c', '-', '--')", {}, "a--b--c"},
      {"replace('abc', '', 'x')", {}, "abc"},
      {"upper('ёжик Ärger')", {}, "ЁЖИК ÄRGER"},
      {"lower(v700^a[1])", kBook, "петров"},
      {"s(v700^a[1] ', ' v700^b[1])", kBook, "Петров, П. П."},
      {"upper(s(v101))", kBook, "RUS"},
      {"size(v101)", kBook, "3"},
      {"left(f(mfn*10,0,0), 2)", kBook, "42"},
      {"mid(s(mfn(5)), 4, 2)", kBook, "42"},
      {"upper(v1) f(size(v1))", {{1, "a\xff\xd0б"}}, "A\xff\xd0Б4"},  // bad bytes pass through
  });
}

TEST(FormatTest, Variables) {
  RunCases({
      {"e1:=5 e2:=e1*2 f(e2,0,0)", {}, "10"},
      {"s1:=(v700^a[1]) s1 '/' s1", kBook, "Петров/Петров"},
      {"s2:=('a') s2:=(s2 s2) s2", {}, "aa"},
      {"s1:=('x') &Unifor('S0') 'y' s1", {}, "y"},
      {"e1:=3 &unifor('S0') f(e1)", {}, "0"},
      {"&Unifor('Zunknown')'z'", {}, "z"},
      {"e1:=size(v200^a) if e1 > 10 then 'long' fi", kBook, "long"},
  });
}

// Page text: whatever comes from the record is escaped, wherever it goes through (occurrences,
// functions, variables, ref); the format's own literals are written as they stand.
TEST(FormatTest, PageTextEscapesRecordDataOnly) {
  const Fields hostile = {{1, "<!PHP=x> & \"q\""},
                          {2, "!FILE=y>"},
                          {3, "<"},
                          {3, "?> b"},
                          {4, "plain ~~K~~ <--MFN-->"}};
  struct PageCase {
    const char* format;
    const char* expected;
  } cases[] = {
      {"v1", "&lt;!PHP=x&gt; &amp; &quot;q&quot;"},
      {"'<b>'v4'</b>'", "<b>plain &#126;&#126;K&#126;&#126; &lt;--MFN--&gt;</b>"},
      {"'~~K~~'", "~~K~~"},
      {"'<!FILE=a>'", "<!FILE=a>"},
      {"'<'v2", "<&#33;FILE=y&gt;"},  // data cannot complete an opener a literal began
      {"|<|v2", "<&#33;FILE=y&gt;"},
      {"v2", "&#33;FILE=y&gt;"},  // at the start, what precedes the output is unknown
      {"'x'v2", "x!FILE=y&gt;"},
      {"(v3)", "&lt;?&gt; b"},  // joined occurrences
      {"mid(v1,1,2)", "&lt;!"},
      {"s1:=(v1) '<' s1", "<&lt;!PHP=x&gt; &amp; &quot;q&quot;"},
      {"s1:=('<!') s1", "<!"},  // literals keep their status through variables and functions
      {"s1:=('<a href=\"?q=',v4,'\">') s1",
       "<a href=\"?q=plain &#126;&#126;K&#126;&#126; &lt;--MFN--&gt;\">"},
      {"replace(v4,'plain','<?')", "<? &#126;&#126;K&#126;&#126; &lt;--MFN--&gt;"},
      {"replace(v1,'<','&lt;')", "&lt;!PHP=x&gt; &amp; &quot;q&quot;"},  // no double escaping
      {"s1:=('<a b') mid(s1,1,2)", "<a"},
      {"upper('<b>'),upper(v2)", "<B>!FILE=Y&gt;"},
  };
  RunOptions options;
  options.page_text = true;
  for (const PageCase& c : cases) {
    EXPECT_EQ(RunText(c.format, hostile, options), c.expected) << c.format;
    // Without page text the same format writes the data unchanged.
    const std::string plain = RunText(c.format, hostile);
    if (std::string_view(c.format).find('&') != std::string_view::npos) continue;
    EXPECT_EQ(plain.find("&lt;"), std::string::npos) << c.format;
    EXPECT_EQ(plain.find("&#"), std::string::npos) << c.format;
  }
}

TEST(FormatTest, VariablesLiveAcrossRuns) {
  FormatVariables vars;
  RunOptions options;
  options.vars = &vars;
  EXPECT_EQ(RunText("s3:=('kept') e4:=7", {}, options), "");
  EXPECT_EQ(RunText("s3 f(e4)", {}, options), "kept7");
  EXPECT_EQ(RunText("&unifor('S0') s3 f(e4)", {}, options), "0");
}

TEST(FormatTest, DateAndTime) {
  std::string d = RunText("date", {});
  ASSERT_EQ(d.size(), 8u);
  EXPECT_EQ(d.find_first_not_of("0123456789"), std::string::npos);
  std::string t = RunText("date(time)", {});
  ASSERT_EQ(t.size(), 8u);
  EXPECT_EQ(t[2], ':');
  EXPECT_EQ(t[5], ':');
}

TEST(FormatTest, OutputModeTwoTrimsLines) {
  RunOptions options;
  options.mode = 2;
  EXPECT_EQ(RunText("#'  1  '##x3#' b'/", {}, options), "1\r\nb");
  EXPECT_EQ(RunText("if p(v1) then '1' else '0' fi #", {{1, "x"}}, options), "1");
}

TEST(FormatTest, CapacityCutsOnCharacterBoundary) {
  RunOptions options;
  options.capacity = 7;  // "ИсторияЯ": 'И' 2 bytes each ... cut inside the 4th letter
  EXPECT_EQ(RunText("v200^a", kBook, options), "Ист");
  options.capacity = 8;
  EXPECT_EQ(RunText("v200^a 'more' v200^a", kBook, options), "Исто");
  options.capacity = 0;
  EXPECT_EQ(RunText("'x'", {}, options), "");
  options.capacity = 10;
  EXPECT_EQ(RunText("x100000 'x'", {}, options), "          ");
}

struct ErrorCase {
  const char* format;
  int code;
  int position;
};

TEST(FormatTest, CompileErrors) {
  const ErrorCase cases[] = {
      {"'abc", kErrUnclosedLiteral, 0},
      {"v1 \"abc", kErrUnclosedLiteral, 3},
      {"|abc", kErrUnclosedLiteral, 0},
      {"'a' /* no end", kErrUnclosedComment, 4},
      {"(v1 (v2))", kErrGroupInGroup, 4},
      {"(v1 if p(v1) then (v2) fi)", kErrGroupInGroup, 18},
      {"foo(1)", kErrUnknownFunction, 0},
      {"'x' , bar", kErrUnknownFunction, 6},
      {"&other('x')", kErrUnknownFunction, 0},
      {"if p(v1) then 'x'", kErrMissingFi, 0},
      {"'a' if p(v1) then 'x' else 'y'", kErrMissingFi, 4},
      {"if p(v1) 'x' fi", kErrMissingThen, 9},
      {"v0", kErrBadSelector, 0},
      {"v100000", kErrBadSelector, 0},
      {"v1[0]", kErrBadSelector, 0},
      {"v1[3..2]", kErrBadSelector, 0},
      {"v1[x]", kErrBadSelector, 0},
      {"v1^", kErrBadSelector, 0},
      {"mid(v1, 1", kErrSyntax, 9},
      {"s(v1", kErrMissingParen, 4},
      {"(v1", kErrMissingParen, 3},
      {"v1)", kErrSyntax, 2},
      {"fi", kErrSyntax, 0},
      {"12", kErrSyntax, 0},
      {"v1 + v2", kErrSyntax, 3},
      {"$", kErrUnexpectedChar, 0},
      {"'ok' я", kErrUnexpectedChar, 5},
      {"if v1 then 'x' fi", kErrConditionExpected, 0},
      {"f('x')", kErrNumberExpected, 2},
      {"e1:='x'", kErrNumberExpected, 0},
      {"if 1 + p(v1) > 0 then fi", kErrNumberExpected, 5},
      {"if p(v1) + 1 > 0 then fi", kErrMissingThen, 9},
      {"p(v1)", kErrTextExpected, 0},
      {"mid(p(v1), 1, 2)", kErrTextExpected, 4},
      {"'x' @brief", kErrIncludeNotFound, 4},
      {"date(x)", kErrSyntax, 5},
  };
  for (const ErrorCase& c : cases) {
    CompileError error;
    EXPECT_EQ(Compile(c.format, nullptr, &error), nullptr) << c.format;
    EXPECT_EQ(error.code, c.code) << c.format << " -> " << error.message;
    EXPECT_EQ(error.position, c.position) << c.format << " -> " << error.message;
  }
}

TEST(FormatTest, ErrorLines) {
  const std::pair<const char*, const char*> cases[] = {
      {"'abc", "*** FORMAT ERROR -801: 0: unclosed literal ***"},
      {"(v1 (v2))", "*** FORMAT ERROR -806: 4: group inside a group ***"},
      {"v1 foo(1)", "*** FORMAT ERROR -804: 3: unknown function or command (foo) ***"},
      {"if p(v1) then 'x'", "*** FORMAT ERROR -807: 0: fi missing ***"},
  };
  for (const auto& [format, line] : cases) {
    CompileError error;
    ASSERT_EQ(Compile(format, nullptr, &error), nullptr);
    EXPECT_EQ(ErrorLine(error), line);
  }
  EXPECT_EQ(ErrorLine(kErrRefDatabase), "*** FORMAT ERROR -831: ref: no such database ***");
}

TEST(FormatTest, DeepNestingIsAnErrorNotACrash) {
  for (const char* open : {"(", "s(", "not ", "-", "upper(", "if p(v1) then "}) {
    std::string text = "if ";
    if (std::string(open) == "s(" || std::string(open) == "upper(" ||
        std::string(open) == "if p(v1) then ")
      text.clear();
    for (int i = 0; i < 100000; ++i) text += open;
    CompileError error;
    EXPECT_EQ(Compile(text, nullptr, &error), nullptr) << open;
    EXPECT_EQ(error.code, kErrTooDeep) << open << " " << error.message;
  }
  // Long flat chains are fine: they are not nested.
  std::string sum = "f(0";
  for (int i = 0; i < 50000; ++i) sum += "+1";
  EXPECT_EQ(RunText(sum + ",0,0)", {}), "50000");
  std::string conds = "if p(v1)";
  for (int i = 0; i < 50000; ++i) conds += " or p(v1)";
  EXPECT_EQ(RunText(conds + " then 'y' fi", {{1, "x"}}), "y");
}

// Files for "@" includes, by name.
class MapResolver : public IncludeResolver {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> dirs_seen;
  std::optional<std::string> Resolve(std::string_view name, std::string_view including_dir,
                                     std::string* path) override {
    dirs_seen.emplace_back(including_dir);
    auto it = files.find(std::string(name));
    if (it == files.end()) return std::nullopt;
    *path = "/db/" + it->first + ".pft";
    return it->second;
  }
};

TEST(FormatTest, Includes) {
  MapResolver resolver;
  resolver.files["brief"] = "v200^a\" / \"";
  resolver.files["outer"] = "'<' @brief '>'";
  resolver.files["self"] = "'x' @self";
  resolver.files["bad"] = "'ok'\n  foo";
  SimpleRecord record(1, {{200, "^aT"}});
  std::string out;
  CompileError error;
  auto p = Compile("@outer v200^a", &resolver, &error);
  ASSERT_NE(p, nullptr) << error.message;
  format::Run(*p, record, {}, &out);
  EXPECT_EQ(out, "<T / >T");  // " / " sits between "T" and ">": a suffix of the first v200^a
  EXPECT_EQ(resolver.dirs_seen, (std::vector<std::string>{"", "/db/"}));

  EXPECT_EQ(Compile("'a' @self", &resolver, &error), nullptr);
  EXPECT_EQ(error.code, kErrIncludeDepth);
  EXPECT_EQ(Compile("'a' @bad", &resolver, &error), nullptr);
  EXPECT_EQ(error.code, kErrUnknownFunction);
  EXPECT_EQ(error.position, 4);
  // The file by its name: messages reach web pages, the server's folders do not.
  EXPECT_EQ(error.message, "4: bad.pft:7: unknown function or command (foo)");
  EXPECT_EQ(Compile("@missing", &resolver, &error), nullptr);
  EXPECT_EQ(error.code, kErrIncludeNotFound);
}

// A database of records by MFN; "other" is a second database, anything else is missing.
class FakeDatabase : public DatabaseAccess {
 public:
  std::map<Mfn, Fields> records;
  std::map<std::string, int> postings;
  int PostingCount(std::string_view term) override {
    auto it = postings.find(std::string(term));
    return it == postings.end() ? 0 : it->second;
  }
  Mfn FirstPosting(std::string_view term) override { return PostingCount(term) > 0 ? 7 : 0; }
  std::unique_ptr<RecordView> ReadRecord(std::string_view db, Mfn mfn, bool* db_missing) override {
    if (!db.empty() && db != "other") {
      *db_missing = true;
      return nullptr;
    }
    auto it = records.find(mfn);
    if (it == records.end()) return nullptr;
    return std::make_unique<SimpleRecord>(mfn + (db.empty() ? 0 : 1000), it->second);
  }
};

TEST(FormatTest, RefLAndNpost) {
  FakeDatabase db;
  db.records[5] = {{200, "^aLinked"}, {1, "5"}};
  db.postings["K=DATA"] = 3;
  RunOptions options;
  options.db = &db;
  const std::pair<const char*, const char*> cases[] = {
      {"ref(5, v200^a)", "Linked"},
      {"'<'ref(4+1, mfn)'>'", "<5>"},
      {"ref(['other']5, mfn)", "1005"},
      {"ref(6, 'x')", ""},
      {"ref(-1, 'x')", ""},
      {"ref(5, ref(val(v1), v200^a))", "Linked"},
      {"mhu ref(5, v200) v200", "^aLinkedHOME"},  // modes: "ref" starts in proper mode
      {"f(npost('k=data'))", "3"},
      {"f(npost('K=NONE'))", "0"},
      {"f(l('K=DATA'))", "7"},
      {"ref(l('K=DATA') - 2, v200^a)", "Linked"},
  };
  for (const auto& [format, expected] : cases)
    EXPECT_EQ(RunText(format, {{200, "^ahome"}}, options), expected) << format;

  int rc = 0;
  EXPECT_EQ(RunText("'a' ref(['nodb']1, 'x')", {}, options, &rc),
            "*** FORMAT ERROR -831: ref: no such database ***");
  EXPECT_EQ(rc, kErrRefDatabase);
}

TEST(FormatTest, RefNestingIsLimited) {
  std::string text = "'x'";
  for (int i = 0; i < kMaxRefDepth; ++i) text = "ref(1, " + text + ")";
  CompileError error;
  EXPECT_NE(Compile(text, nullptr, &error), nullptr) << error.message;
  EXPECT_EQ(Compile("ref(1, " + text + ")", nullptr, &error), nullptr);
  EXPECT_EQ(error.code, kErrRefDepth);
}

TEST(FormatTest, WorkIsBounded) {
  // Every ref re-runs a group over 200 occurrences: 200^4 iterations without the step limit.
  FakeDatabase db;
  Fields many;
  for (int i = 0; i < 200; ++i) many.emplace_back(1, "x");
  db.records[1] = many;
  RunOptions options;
  options.db = &db;
  options.max_steps = 100000;
  int rc = 0;
  std::string out = RunText("(v1 ref(1, (v1 ref(1, (v1 ref(1, (v1)))))))", many, options, &rc);
  EXPECT_EQ(rc, kErrStepLimit);
  EXPECT_EQ(out, "*** FORMAT ERROR -832: format runs too long ***");
  // Copying long texts costs steps too: 40,000 copies of 64 KB would take seconds.
  out = RunText("s1:=(x100000) (d1 ref(1, (d1 s2:=(s1 s1))))", many, options, &rc);
  EXPECT_EQ(rc, kErrStepLimit);
  // Doubling a variable stays within the scratch capacity.
  options.max_steps = 1'000'000;
  out = RunText("s1:=('ab') (d1 s1:=(s1 s1)) f(size(s1))", many, options, &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out, "65536");
}

}  // namespace
}  // namespace zarix::format
