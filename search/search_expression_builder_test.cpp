// GetSearchString over request stores: every term kind, group operators, ranges, the author
// rule, the 251-byte cut, several groups, S21All with and without S21AllTrm, request-store
// side effects and the trace.
#include "search/search_expression_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway/request_store_fields.h"
#include "util/path.h"

namespace zarix {
namespace {

struct Built {
  SearchString result;
  IniStore web;
  std::vector<std::string> trace;
};

Built Build(const std::vector<std::string>& form, bool morphology = false,
            const std::vector<std::string>& external = {}) {
  Built b;
  std::vector<std::string> lines{"[Form Literal]"};
  lines.insert(lines.end(), form.begin(), form.end());
  if (!external.empty()) {
    lines.push_back("[Form External]");
    lines.insert(lines.end(), external.begin(), external.end());
  }
  b.web.LoadLines(lines);
  static const IniStore server;
  static const AlphabetTables tables({}, {"of", "the"});
  RequestStoreFields fields(b.web, server);
  SearchFormContext c;
  c.fields = &fields;
  c.tables = &tables;
  c.morphology = morphology;
  c.trace = [&b](std::string_view label) { b.trace.emplace_back(label); };
  b.result = GetSearchString(c);
  return b;
}

TEST(GetSearchStringTest, Groups) {
  struct Case {
    std::vector<std::string> form;
    const char* expression;
    const char* terms;
    bool morphology = false;
  } cases[] = {
      // The documented example: words, AND, stop word and short words left out.
      {{"S21STR=history of art", "S21P01=1", "S21P03=K=", "S21LOG=1"},
       "(\"K=HISTORY\"*\"K=ART\")", "K=HISTORY|K=ART|"},
      {{"S21STR=a history of an art", "S21P01=1", "S21P03=K=", "S21LOG=1"},
       "(\"K=HISTORY\"*\"K=ART\")", "K=HISTORY|K=ART|"},
      // Kind 0: the whole text without its quotes; its words are highlighted.
      {{"S21STR=War \"and\" peace", "S21P03=T="}, "(\"T=War and peace\")",
       "T=WAR|T=AND|T=PEACE|"},
      {{"S21STR=War and peace", "S21P01=x", "S21P03=T="}, "(\"T=War and peace\")",
       "T=WAR|T=AND|T=PEACE|"},
      // Kind 1 with truncation, field restriction, phrase quotes dropped.
      {{"S21STR=history art", "S21P01=1", "S21P02=1", "S21P03=K="},
       "(\"K=HISTORY$\"+\"K=ART$\")", "K=HISTORY|K=ART|"},
      {{"S21STR=\"war\" peace", "S21P01=1", "S21P03=K=", "S21P04=200", "S21LOG=1"},
       "(\"K=WAR\"/(200)*\"K=PEACE\"/(200))", "K=WAR|K=PEACE|"},
      // Kind 2: up to the first blank.
      {{"S21STR=Tolstoy Leo", "S21P01=2", "S21P03=I="}, "(\"I=Tolstoy\")", "I=TOLSTOY|"},
      // Kind 3: stems, truncated; with morphology the K= words get "@" and keep their ending.
      {{"S21STR=книги истории", "S21P01=3", "S21P03=K=", "S21LOG=1"},
       "(\"K=КНИГ$\"*\"K=ИСТОРИ$\")", "K=КНИГ|K=ИСТОРИ|"},
      {{"S21STR=книги", "S21P01=3", "S21P03=K="}, "(\"K=КНИГИ@\")", "K=КНИГИ|", true},
      {{"S21STR=книги", "S21P01=3", "S21P03=T="}, "(\"T=КНИГИ$\")", "T=КНИГИ|", true},
      {{"S21STR=книги", "S21P01=1", "S21P02=1", "S21P03=K="}, "(\"K=КНИГИ@\")", "K=КНИГИ|",
       true},
      // Kinds 5, 6 and unknown kinds.
      {{"S21STR=history", "S21P01=5", "S21P03=K="}, "", ""},
      {{"S21STR=the war and peace", "S21P01=6", "S21P03=K="}, "(\"K=WAR\")", "K=WAR|"},
      {{"S21STR=history", "S21P01=9", "S21P03=K="}, "", ""},
      // Group operators by S21LOG.
      {{"S21STR=war peace", "S21P01=1", "S21P03=K=", "S21LOG=0"}, "(\"K=WAR\"+\"K=PEACE\")",
       "K=WAR|K=PEACE|"},
      {{"S21STR=war peace", "S21P01=1", "S21P03=K=", "S21LOG=2"}, "(\"K=WAR\" . \"K=PEACE\")",
       "K=WAR|K=PEACE|"},
      {{"S21STR=war peace", "S21P01=1", "S21P03=K=", "S21LOG=3"}, "(\"K=WAR\"^\"K=PEACE\")",
       "K=WAR|K=PEACE|"},
      {{"S21STR=war peace", "S21P01=1", "S21P03=K=", "S21LOG=7"}, "(\"K=WAR\"*\"K=PEACE\")",
       "K=WAR|K=PEACE|"},
      // Ranges.
      {{"S21LOG=5", "S21P03=G=", "S21P06=1990", "S21P07=2000"}, "\"G=1990\"[...]\"G=2000\"", ""},
      {{"S21LOG=5", "S21P03=G=", "S21P06=1990"}, "\"G=1990\"[...]\"G=$\"", ""},
      {{"S21LOG=5", "S21P03=G=", "S21P07=2000", "S21P02=1"}, "\"G=$\"[...]\"G=2000$\"", ""},
      {{"S21LOG=5", "S21P03=G="}, "", ""},
      {{"S21LOG=5", "S21P03=K=", "S21P06=A", "S21P07=B", "S21STR=war peace", "S21P01=1"},
       "\"K=A\"[...]\"K=B\"*(\"K=WAR\"*\"K=PEACE\")", "K=WAR|K=PEACE|"},
      // The author rule: without ", " the name's words in field 700, ANDed.
      {{"S21STR=Tolstoy Leo", "S21P03=A="}, "(\"K=TOLSTOY\"/(700)*\"K=LEO\"/(700))",
       "K=TOLSTOY|K=LEO|"},
      {{"S21STR=Tolstoy, L.", "S21P03=A="}, "(\"A=Tolstoy, L.\")", "A=TOLSTOY|"},
      {{"S21STR=Ян, Василий", "S21P03=A="}, "(\"A=Ян, Василий\")", "A=ВАСИЛИЙ|"},
      {{"S21STR=X, Yves", "S21P03=A="}, "(\"K=YVES\"/(700))", "K=YVES|"},
      {{"S21STR=Tolstoy Leo", "S21P03=A=", "S21P01=1"}, "(\"A=TOLSTOY\"+\"A=LEO\")",
       "A=TOLSTOY|A=LEO|"},
      // Several groups, keyed by the text before "S21"; S21STR: the first non-empty in order.
      {{"1S21STR=war", "1S21P03=K=", "2S21STR=peace", "2S21P03=T="},
       "(\"K=war\")*(\"T=peace\")", "K=WAR|T=PEACE|"},
      {{"1S21STR=war", "1S21P03=K=", "2S21STR=peace", "2S21P03=T=", "S21LOG=0"},
       "(\"K=war\")+(\"T=peace\")", "K=WAR|T=PEACE|"},
      {{"1S21STR=war", "2S21STR=peace", "S21LOG=2"}, "(\"war\")*(\"peace\")", "WAR|PEACE|"},
      {{"1S21STR=war", "2S21STR=peace", "S21LOG=3"}, "(\"war\")^(\"peace\")", "WAR|PEACE|"},
      {{"a1S21STR=", "A1S21STR=war"}, "(\"war\")", "WAR|"},
      // A value naming a group field joins the groups with the text before it as its key.
      {{"XS=aS21STRb"}, "(\"aS21STRb\")", "AS21STRB|"},
      {{"S21SCAN=1", "S21STN=5"}, "", ""},
  };
  for (const Case& c : cases) {
    Built b = Build(c.form, c.morphology);
    EXPECT_EQ(b.result.expression, c.expression) << c.form[0];
    EXPECT_EQ(b.result.term_text, c.terms) << c.form[0];
  }
}

TEST(GetSearchStringTest, FullTextGroup) {
  Built b = Build({"S21LOG=4", "S21STR=war and peace", "S21P03=KT="});
  EXPECT_EQ(b.result.expression, "");
  EXPECT_EQ(b.web.ReadString("Form Literal", "FT_REQUEST"), "war and peace");
  EXPECT_EQ(b.web.ReadString("Form Literal", "FT_PREFIX"), "KT=");
  // With a full-text request already there, S21LOG 4 means AND.
  b = Build({"FT_REQUEST=x", "S21LOG=4", "S21STR=war peace", "S21P01=1", "S21P03=K="});
  EXPECT_EQ(b.result.expression, "(\"K=WAR\"*\"K=PEACE\")");
  EXPECT_EQ(b.web.ReadString("Form Literal", "FT_REQUEST"), "x");
}

TEST(GetSearchStringTest, LongTextIsCutOnCharacterBoundary) {
  const std::string text = std::string(250, 'a') + "\xD0\xB6" + std::string(48, 'b');
  Built b = Build({"S21STR=" + text, "S21P03=K="});
  EXPECT_EQ(b.result.expression, "(\"K=" + std::string(250, 'a') + "\")");
  b = Build({"S21STR=" + std::string(249, 'a') + "\xD0\xB6" + std::string(49, 'b'), "S21P03=K="});
  EXPECT_EQ(b.result.expression, "(\"K=" + std::string(249, 'a') + "\xD0\xB6\")");
}

TEST(GetSearchStringTest, CarriedExpression) {
  // Alone: quotes restored, terms unpacked from the expression.
  Built b = Build({"S21All=<.>K=HIST$<.>+<.>K=ART<.>/(200)*<.>G=1<.>[...]<.>G=2<.>"});
  EXPECT_EQ(b.result.expression, "\"K=HIST$\"+\"K=ART\"/(200)*\"G=1\"[...]\"G=2\"");
  // In step order: the AND step comes first.
  EXPECT_EQ(b.result.highlight_terms, (std::vector<std::string>{"K=ART", "K=HIST"}));
  EXPECT_EQ(b.result.term_text, "K=ART|K=HIST|");
  EXPECT_EQ(b.web.ReadString("Form Literal", "S21All"),
            "<.>K=HIST$<.>+<.>K=ART<.>/(200)*<.>G=1<.>[...]<.>G=2<.>");
  // With S21AllTrm: exactly its items.
  b = Build({"S21All=<.>K=A<.>", "S21AllTrm=K=ONE|K=TWO|"});
  EXPECT_EQ(b.result.highlight_terms, (std::vector<std::string>{"K=ONE", "K=TWO"}));
  EXPECT_EQ(b.web.ReadString("Form Literal", "S21AllTrm"), "K=ONE|K=TWO|");
  // With new groups: ANDed; an OR at its top is kept together.
  b = Build({"S21All=<.>K=A<.>+<.>K=B<.>", "S21AllTrm=K=A|", "S21STR=war", "S21P03=K="});
  EXPECT_EQ(b.result.expression, "(\"K=A\"+\"K=B\")*(\"K=war\")");
  EXPECT_EQ(b.result.term_text, "K=A|K=WAR|");
  b = Build({"S21All=(<.>K=A<.>+<.>K=B<.>)^<.>K=C<.>", "S21STR=war", "S21P03=K="});
  EXPECT_EQ(b.result.expression, "(\"K=A\"+\"K=B\")^\"K=C\"*(\"K=war\")");
  // A malformed carried expression is kept, but yields no terms.
  b = Build({"S21All=<.>K=A"});
  EXPECT_EQ(b.result.expression, "\"K=A");
  EXPECT_EQ(b.result.term_text, "");
}

TEST(GetSearchStringTest, EmptyFormClearsCarriedFields) {
  Built b = Build({"S21AllTrm=K=OLD|", "C21COM=S"});
  EXPECT_EQ(b.result.expression, "");
  EXPECT_EQ(b.result.term_text, "");
  EXPECT_FALSE(b.web.HasKey("Form Literal", "S21All"));
  EXPECT_FALSE(b.web.HasKey("Form Literal", "S21AllTrm"));
  EXPECT_EQ(b.web.ReadString("Form Literal", "C21COM"), "S");
}

TEST(GetSearchStringTest, FormExternalFields) {
  const char* dir = std::getenv("ZARIX_BINARY_DIR");
  const std::string path = std::string(dir ? dir : "/tmp") + "/search_form_external.txt";
  ASSERT_TRUE(WriteFileBytes(path, "history\r\nsecond line"));
  Built b = Build({"S21P01=1", "S21P03=K="}, false,
                  {"S21STR=" + path + " further text", "1S21STR=/no/such/file x"});
  EXPECT_EQ(b.result.expression, "(\"K=HISTORY\")");
  RemoveFile(path);
}

TEST(GetSearchStringTest, Trace) {
  Built b = Build({"S21All=<.>K=A<.>", "S21STR=war", "S21P01=1", "S21P03=K="});
  EXPECT_EQ(b.trace, (std::vector<std::string>{
                         "Start GetSearchString()", "result=<.>K=A<.>",
                         "Start UnpackSearchExpression()",
                         "Start WebIni.ReadSectionValues(Form Literal)",
                         "Start StringToWords_new2()", "End StringToWords_new2()",
                         "End GetSearchString()"}));
}

TEST(WireQuotesTest, RoundTrip) {
  EXPECT_EQ(DecodeWireQuotes("<.>K=A<.>*<<.>.>"), "\"K=A\"*<\".>");
  EXPECT_EQ(EncodeWireQuotes("\"K=A\"+\"B\""), "<.>K=A<.>+<.>B<.>");
}

}  // namespace
}  // namespace zarix
