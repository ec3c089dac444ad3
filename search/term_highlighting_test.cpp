// Marking of search terms: whole words, stems of Russian words, tags and protected stretches,
// the forms of a mark list, and the finishing of a result entry.
#include "search/term_highlighting.h"

#include <gtest/gtest.h>

#include "search/memory_term_index.h"

namespace zarix {
namespace {

MarkStyle Brackets() {
  MarkStyle s;
  s.prefix = "[";
  s.suffix = "]";
  return s;
}

TEST(MarkTermsTest, Cases) {
  struct Case {
    std::vector<std::string> forms;
    std::string text;
    std::string expected;
  } cases[] = {
      // Word start and end.
      {{"ART"}, "art smart art.", "[art] smart [art]."},
      {{"ART"}, "artist, art2, art", "artist, art2, [art]"},
      // A Latin word has no ending to cut: a form inside a longer word stays unmarked.
      {{"HISTORIC"}, "Historic historical", "[Historic] historical"},
      {{"BOOK"}, "books book", "books [book]"},
      // Letter case is kept.
      {{"ART"}, "ArT", "[ArT]"},
      // Russian stems: the inflected word stands, whole, when its stem equals the form.
      {{"КНИГ"}, "книгами и книге", "[книгами] и [книге]"},
      {{"КНИГА", "КНИГ"}, "Книга, книгу", "[Книга], [книгу]"},
      {{"КНИГ"}, "книгохранилище", "книгохранилище"},
      // Longer form first, whatever the list order.
      {{"КНИГ", "КНИГАМИ"}, "книгами", "[книгами]"},
      {{"КНИГАМИ", "КНИГ"}, "книгами", "[книгами]"},
      // Neighbours tested as Unicode characters: quotes, dashes and a no-break space end a word.
      {{"КНИГЕ"}, "«книге» о книге — и книге\u00A0x", "«[книге]» о [книге] — и [книге]\u00A0x"},
      {{"КНИГЕ"}, "пкниге", "пкниге"},
      // Never inside a tag; after "<.>" only once "<!>" lifts the protection; nothing after "<?>".
      {{"ART"}, "<a title=\"art\">art</a>", "<a title=\"art\">[art]</a>"},
      {{"ART"}, "art <.>art<.> art<!> art", "[art] <.>art<.> art<!> [art]"},
      {{"ART"}, "art<?> art", "[art]<?> art"},
      // Character references of escaped text are never split.
      {{"AMP", "QUOT"},
       "&amp; amp &quot;quot&quot; &#x41;amp",
       "&amp; [amp] &quot;[quot]&quot; &#x41;[amp]"},
      {{"AMP"}, "R&D amp& &amp", "R&D [amp]& &[amp]"},
      // A form of MIN_COLOR_COUNT characters or fewer is never tried.
      {{"AR", "ART"}, "ar art", "ar [art]"},
      // A character whose upper case differs in length keeps positions intact.
      {{"ART"}, "ı art ß art", "ı [art] ß [art]"},
      {{"ART"}, "", ""},
      {{}, "art", "art"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MarkTerms(c.text, c.forms, Brackets()), c.expected) << c.text;
  }
}

TEST(MarkTermsTest, MinColorCountIsConfigured) {
  MarkStyle style = Brackets();
  style.min_color_count = 3;
  EXPECT_EQ(MarkTerms("art arts", {"ART", "ARTS"}, style), "art [arts]");
}

TEST(ExpandWordFormsTest, StemsHyphensAndStopWords) {
  AlphabetTables tables({}, {"И"});
  WordFormSource source;
  source.tables = &tables;
  struct Case {
    std::string text;
    bool stem;
    std::vector<std::string> expected;
  } cases[] = {
      {"Книгами", false, {"КНИГАМИ"}},
      {"Книгами", true, {"КНИГАМИ", "КНИГ"}},
      {"книга и книгу", true, {"КНИГА", "КНИГ", "КНИГУ"}},
      {"исто-\r\n   рия", false, {"ИСТОРИЯ"}},
      {"art-deco", false, {"ART", "DECO"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> forms;
    ExpandWordForms(c.text, &forms, c.stem, source);
    EXPECT_EQ(forms, c.expected) << c.text;
  }
}

TEST(ExpandWordFormsTest, MorphologyDatabaseGivesTheForms) {
  MemoryTermIndex index;
  MemoryRecordSource records;
  index.Add("K=КНИГАМИ", 1);
  index.Add("K=КНИГА", 1);
  records.AddField(1, 10, "книга");
  records.AddField(1, 20, "книги");
  records.AddField(1, 20, "книгами");
  WordFormSource source;
  source.morph_index = &index;
  source.morph_records = &records;
  std::vector<std::string> forms;
  ExpandWordForms("книгами словарь", &forms, true, source);
  // A word the database does not know falls back to its stem.
  EXPECT_EQ(forms, (std::vector<std::string>{"КНИГАМИ", "КНИГА", "КНИГИ", "СЛОВАРЬ", "СЛОВАР"}));
  EXPECT_EQ(MarkTerms("Книги и книгами", forms, Brackets()), "[Книги] и [книгами]");
}

TEST(BuildMarkListTest, HighlightTermsAndFullTextRequest) {
  WordFormSource source;
  EXPECT_EQ(BuildMarkList("", "K=КНИГАМИ|A=ИВАНОВА|T=AB|NOPREFIX|", 2, source),
            (std::vector<std::string>{"КНИГАМИ", "КНИГ", "ИВАНОВА"}));
  EXPECT_EQ(BuildMarkList("словари", "KT=war", 2, source),
            (std::vector<std::string>{"СЛОВАРИ", "СЛОВАР", "WAR"}));
}

TEST(ColorTermsTest, PlaceholdersPathsAndSwitch) {
  ColorTermsSettings s;
  s.style = Brackets();
  s.forms = {"ART"};
  s.cgi_path = "/cgi";
  std::string text = "<--MFNCOUNT--> <--MFN--> <--MFN--> <a href=\"<--CGI_PATH-->\">art</a>";
  EXPECT_EQ(ColorTerms(&text, 17, 4, s), "5 17 <--MFN--> <a href=\"/cgi\">[art]</a>");
  s.enabled = false;
  text = "<--MFNCOUNT--> <--CGI_PATH--> art";
  EXPECT_EQ(ColorTerms(&text, 17, 0, s), "1 <--CGI_PATH--> art");
}

}  // namespace
}  // namespace zarix
