// Term highlighting: mark lists, word forms and the marking of formatted records.
#include "search/term_highlighting.h"

#include <unordered_set>

#include "search/morphology_forms.h"
#include "search/stemmer.h"
#include "search/word_split.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"

namespace zarix {

namespace {

// How many letters a form may be followed by and still stand when the whole word or its stem
// equals it.
constexpr int kMaxExtension = 10;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// The length of the character reference ("&amp;", "&#1044;", "&#x414;") at `p`, 0 when there is
// none. Pages escape record text, so a form like AMP must not split one.
size_t EntityLength(std::string_view text, size_t p) {
  constexpr size_t kMaxEntity = 32;
  if (text[p] != '&') return 0;
  size_t q = p + 1;
  if (q < text.size() && text[q] == '#') ++q;
  const size_t name = q;
  while (q < text.size() && q - p < kMaxEntity &&
         ((text[q] >= 'a' && text[q] <= 'z') || (text[q] >= 'A' && text[q] <= 'Z') ||
          (text[q] >= '0' && text[q] <= '9'))) {
    ++q;
  }
  return q > name && q < text.size() && text[q] == ';' ? q + 1 - p : 0;
}

// The character at `pos`: true when it is a letter or digit; *next is the position after it (an
// invalid byte counts as one character that is not a letter).
bool LetterAt(std::string_view text, size_t pos, size_t* next) {
  char32_t cp = 0;
  size_t p = pos;
  if (!DecodeUtf8Char(text, &p, &cp)) {
    *next = pos + 1;
    return false;
  }
  *next = p;
  return IsUnicodeLetterOrDigit(cp);
}

bool LetterAt(std::string_view text, size_t pos) {
  size_t next = 0;
  return pos < text.size() && LetterAt(text, pos, &next);
}

// A word hyphenated at a line end is joined: "-", the line break and everything up to the next
// letter or digit are dropped.
std::string JoinHyphenatedLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '-' && i + 1 < text.size() && IsLineBreak(text[i + 1])) {
      i += 1;
      size_t next = i;
      while (i < text.size() && !LetterAt(text, i, &next)) i = next;
      continue;
    }
    out += text[i++];
  }
  return out;
}

void ReplaceFirst(std::string* text, std::string_view what, std::string_view with) {
  const size_t p = text->find(what);
  if (p != std::string::npos) text->replace(p, what.size(), with);
}

void ReplaceAll(std::string* text, std::string_view what, std::string_view with) {
  for (size_t p = text->find(what); p != std::string::npos; p = text->find(what, p + with.size())) {
    text->replace(p, what.size(), with);
  }
}

// The length to mark at word start `p` of the upper-cased text, 0 when nothing stands there. A
// form equal to the whole word wins over one that stands through the word's stem; among those
// the first in list order. A word that stands through its stem is marked whole ("книгами", not
// "книг" and an unmarked ending), as a reader expects the found word to be.
size_t MatchAt(std::string_view upper, size_t p, const std::vector<const std::string*>& forms) {
  size_t by_stem = 0;
  std::string_view word;  // the whole word at p, found when a form first matches
  std::string stem;
  bool stemmed = false;
  for (const std::string* f : forms) {
    if (upper.compare(p, f->size(), *f) != 0) continue;
    const size_t end = p + f->size();
    if (!LetterAt(upper, end)) return f->size();
    if (by_stem != 0) continue;
    if (word.empty()) {
      size_t q = end;
      size_t next = q;
      while (q < upper.size() && LetterAt(upper, q, &next)) q = next;
      word = upper.substr(p, q - p);
    }
    if (f->size() >= word.size() || Utf8CharCount(word.substr(f->size())) > kMaxExtension) {
      continue;
    }
    if (!stemmed) {
      stemmed = true;
      stem = StemUtf8(word);
    }
    if (stem == *f) by_stem = word.size();
  }
  return by_stem;
}

}  // namespace

void ExpandWordForms(std::string_view text, std::vector<std::string>* forms, bool stem,
                     const WordFormSource& source) {
  static const AlphabetTables kPlainTables;
  const WordTables& tables = source.tables != nullptr ? *source.tables : kPlainTables;
  std::vector<NumberedWord> words;
  StringToWords(JoinHyphenatedLines(text), false, tables, &words);
  if (words.size() > kMaxMarkWords) words.resize(kMaxMarkWords);

  std::unordered_set<std::string> present(forms->begin(), forms->end());
  auto add = [&](std::string form) {
    if (!form.empty() && present.insert(form).second) forms->push_back(std::move(form));
  };
  const bool morphology = source.morph_index != nullptr && source.morph_records != nullptr;
  std::vector<std::string> morph_forms;
  for (NumberedWord& w : words) {
    if (morphology &&
        MorphologyForms(*source.morph_index, *source.morph_records, w.text, &morph_forms) == 0 &&
        !morph_forms.empty()) {
      for (std::string& f : morph_forms) add(std::move(f));
      continue;
    }
    std::string word_stem = stem ? StemUtf8(w.text) : std::string();
    add(std::move(w.text));
    if (stem) add(std::move(word_stem));
  }
}

std::vector<std::string> BuildMarkList(std::string_view ft_request,
                                       std::string_view highlight_terms, long long min_color_count,
                                       const WordFormSource& source) {
  std::vector<std::string> forms;
  if (!ft_request.empty()) ExpandWordForms(ft_request, &forms, true, source);
  size_t start = 0;
  while (start <= highlight_terms.size()) {
    size_t end = highlight_terms.find_first_of("|\r\n", start);
    if (end == std::string_view::npos) end = highlight_terms.size();
    const std::string_view item = highlight_terms.substr(start, end - start);
    start = end + 1;
    const size_t eq = item.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view prefix = item.substr(0, eq);
    const std::string_view word = item.substr(eq + 1);
    if (static_cast<long long>(Utf8CharCount(word)) <= min_color_count) continue;
    ExpandWordForms(UpperUtf8(word), &forms, prefix == "K" || prefix == "KT", source);
  }
  return forms;
}

std::string MarkTerms(std::string_view text, const std::vector<std::string>& forms,
                      const MarkStyle& style) {
  std::vector<const std::string*> usable;
  for (const std::string& f : forms) {
    if (!f.empty() && static_cast<long long>(Utf8CharCount(f)) > style.min_color_count) {
      usable.push_back(&f);
    }
  }
  if (text.empty() || usable.empty()) return std::string(text);
  // Upper-casing keeps every character's byte length, so positions in the copy are positions
  // in the text.
  const std::string upper = UpperUtf8(text);
  if (upper.size() != text.size()) return std::string(text);

  std::string out;
  out.reserve(text.size() + 64);
  size_t copied = 0;
  bool in_tag = false;
  bool protect = false;
  bool prev_letter = false;
  size_t p = 0;
  while (p < upper.size()) {
    const char c = upper[p];
    if (c == '<') {
      const char m = p + 2 < upper.size() && upper[p + 2] == '>' ? upper[p + 1] : '\0';
      if (m == '.' || m == '!' || m == '?') {
        if (m == '?') {
          out.append(text, copied);
          return out;
        }
        protect = m == '.' ? true : !protect;
        in_tag = false;
        p += 3;
      } else {
        in_tag = true;
        ++p;
      }
      prev_letter = false;
      continue;
    }
    if (in_tag) {
      if (c == '>') in_tag = false;
      ++p;
      prev_letter = false;
      continue;
    }
    if (const size_t entity = EntityLength(upper, p); entity != 0) {
      p += entity;
      prev_letter = false;
      continue;
    }
    size_t next = p;
    const bool letter = LetterAt(upper, p, &next);
    if (letter && !prev_letter && !protect) {
      if (const size_t length = MatchAt(upper, p, usable); length != 0) {
        out.append(text, copied, p - copied);
        out += style.prefix;
        out.append(text, p, length);
        out += style.suffix;
        p += length;
        copied = p;
        prev_letter = true;
        continue;
      }
    }
    prev_letter = letter;
    p = next;
  }
  out.append(text, copied);
  return out;
}

const std::string& ColorTerms(std::string* text, Mfn mfn, long long index,
                              const ColorTermsSettings& settings) {
  ReplaceFirst(text, "<--MFNCOUNT-->", std::to_string(index + 1));
  ReplaceFirst(text, "<--MFN-->", std::to_string(mfn));
  if (!settings.enabled) return *text;
  ReplaceAll(text, "<--CGI_PATH-->", settings.cgi_path);
  ReplaceAll(text, "<--HTTP_PATH-->", settings.http_path);
  *text = MarkTerms(*text, settings.forms, settings.style);
  return *text;
}

}  // namespace zarix
