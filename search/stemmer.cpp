// Russian word stemmer over Windows-1251 bytes. The ending lists and the ending exceptions are
// written here in UTF-8 for readability and turned into Windows-1251 while compiling; the
// protected word forms come from a generated table (protected_words_table.h).
#include "search/stemmer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "search/protected_words_table.h"
#include "search/stemmer_internal.h"

namespace zarix {
namespace {

// A Windows-1251 string built at compile time from a UTF-8 literal.
template <size_t N>
struct Cp1251Text {
  char bytes[N] = {};
  size_t size = 0;
  constexpr std::string_view view() const { return {bytes, size}; }
};

// Converts a UTF-8 literal made of ASCII and Russian letters to Windows-1251. Any other
// character stops compilation (a throw is not a constant expression).
template <size_t N>
consteval Cp1251Text<N> ToCp1251(const char8_t (&text)[N]) {
  Cp1251Text<N> out;
  for (size_t i = 0; i + 1 < N;) {
    unsigned lead = text[i];
    if (lead < 0x80) {
      out.bytes[out.size++] = static_cast<char>(lead);
      ++i;
      continue;
    }
    if ((lead & 0xE0) != 0xC0 || i + 2 >= N) throw "not a two-byte UTF-8 sequence";
    unsigned cp = ((lead & 0x1F) << 6) | (text[i + 1] & 0x3F);
    unsigned byte = 0;
    if (cp >= 0x410 && cp <= 0x44F) {
      byte = cp - 0x410 + 0xC0;  // А..я are contiguous in both encodings
    } else if (cp == 0x401) {
      byte = 0xA8;  // Ё
    } else if (cp == 0x451) {
      byte = 0xB8;  // ё
    } else {
      throw "character outside the Russian alphabet";
    }
    out.bytes[out.size++] = static_cast<char>(byte);
    i += 2;
  }
  return out;
}

// Splits a blank-separated word list into exactly Count views (into `text`, which must have
// static storage). A different number of words stops compilation.
template <size_t Count, size_t N>
consteval std::array<std::string_view, Count> SplitWords(const Cp1251Text<N>& text) {
  std::array<std::string_view, Count> words{};
  size_t count = 0;
  size_t i = 0;
  while (i < text.size) {
    while (i < text.size && text.bytes[i] == ' ') ++i;
    size_t start = i;
    while (i < text.size && text.bytes[i] != ' ') ++i;
    if (i > start) {
      if (count == Count) throw "more words than declared";
      words[count++] = std::string_view(text.bytes + start, i - start);
    }
  }
  if (count != Count) throw "fewer words than declared";
  return words;
}

// Ending lists: every ending preceded by "~". An ending matches when "~" followed by the word's
// last letters is in the list, which (all endings of a list having one length) is exact
// membership.
constexpr auto kE4 = ToCp1251(u8"~ЬЕГО~ЬЯМИ~ЬЕМУ~ЬИМИ");
constexpr auto kE3a = ToCp1251(u8"~ЫМИ~УМЯ~ЬМЯ~ЬЕЙ~ЬЯХ~ЬЯМ~ЬИМ");
constexpr auto kE3b = ToCp1251(u8"~ОГО~АМИ~ЕГО~ЯМИ~ИМИ~ОМУ~ЕМЯ~ЕМУ~ЕМИ");
constexpr auto kE3c = ToCp1251(u8"~ЬЕВ~ЬЕМ~ЬИХ");
constexpr auto kE2a = ToCp1251(u8"~ЬЮ~ЬЕ~ЬЯ~ЬИ~ЮЮ");
constexpr auto kE2b = ToCp1251(u8"~ИЕ~ОЙ~ЫЕ~ИЙ~АЯ~ЕЙ~ОЕ~ЫЙ~ЕЕ~УЮ~ЯЯ~ОЮ~ЕЮ");
constexpr auto kE2c = ToCp1251(u8"~ИЕ~ИЙ~ЕЕ");
constexpr auto kE2d = ToCp1251(u8"~ЫХ~ОВ~ОМ~ИХ~ЕМ~АХ~ЫМ~ЯХ~ИМ~АМ~ЯМ~УХ~ЕВ~ЕХ~УМ");
constexpr auto kE1 = ToCp1251(u8"~И~Я~Е~А~Й~О~Ы~Ь~Ю~У");

constexpr auto kReflexive = ToCp1251(u8"СЯ");
constexpr auto kEmu = ToCp1251(u8"ЕМУ");
constexpr auto kYemu = ToCp1251(u8"ЬЕМУ");
constexpr auto kEv = ToCp1251(u8"ЕВ");
constexpr auto kShortI = ToCp1251(u8"Й");

// Word tails of 3 to 10 letters after which the last letter of an "ИЕ", "ИЙ", "ЕЕ" or "ЕМУ"
// ending, or a whole "ЕВ", belongs to the stem. Sorted by byte value.
constexpr auto kEndingExceptionsText = ToCp1251(
    u8"АВАНИЙ АГИЙ АДАНИЙ АДЕНИЙ АЛЕЕ АЛЕНИЙ АЛИЕ АЛОГИЙ АМИЙ АНИЕ АПИЙ АРЕНИЕ АРХИЙ "
    u8"АРЯЖЕНИЙ АХИЙ АШЕНИЙ БАРИЙ БАТАРЕЕ БЕЕ БЕНИЕ БЕНИЙ БЕСТИЙ БЖЕНИЙ БИЕ БИЛИЙ БЛЕМУ "
    u8"БЛЕНИЙ БОВАНИЙ БОЖИЕ БРАНИЙ БРАЧИЕ БРАЧИЙ БРЕНИЕ БРЕНИЙ БУХАНИЙ ВАЖЕНИЙ ВАЗИЙ "
    u8"ВАЯНИЙ ВЕЕ ВЕЗЕНИЙ ВЕНИЕ ВЕРСИЙ ВЕСТИЙ ВЕЧЕНИЙ ВИДЕНИЙ ВИЕ ВИТИЙ ВЛАСТИЙ ВЛЕНИЙ "
    u8"ВОВАНИЙ ВОЛЕНИЙ ВОНИЙ ГАЛИЙ ГАНГЛИЙ ГЕЕ ГЕЛИЙ ГЕМУ ГЕНИЙ ГИНИЙ ГЛАСИЙ ГЛЕНИЙ "
    u8"ГОВАНИЙ ГОГИЙ ГОЛЕТИЙ ГОЛОГИЙ ГОНИЙ ГОРАНИЙ ГОРОДИЙ ГЧЕНИЙ ДАЛИЙ ДАРЕНИЙ ДАЯНИЙ ДЕВ "
    u8"ДЕВАНИЙ ДЕЕ ДЕМИЙ ДЕМУ ДЕНИЕ ДИЕ ДЛЕНИЙ ДОВАНИЙ ДОВЕРИЙ ДОЛЕНИЙ ДОЛОГИЙ ДОРОДИЙ "
    u8"ДРЕМУ ДРЕНИЕ ДРЕНИЙ ДРИЙ ДУТИЙ ДЫХАНИЙ ЕБАНИЙ ЕВАРЕНИЙ ЕВЕРИЙ ЕДАНИЙ ЕДЕНИЙ ЕДИЙ "
    u8"ЕДУШИЙ ЕЖЕНИЙ ЕЗАНИЙ ЕЗИЙ ЕЛАНИЙ ЕЛЕНИЙ ЕЛИЕ ЕОЛОГИЙ ЕРЕЕ ЕРЕНИЕ ЕРИЕ ЕСКАНИЙ "
    u8"ЕСЛОВИЙ ЕТАНИЙ ЕТОВАНИЙ ЕЧАНИЙ ЕШЕНИЙ ЕЯНИЙ ЖАВИЙ ЖАНИЙ ЖАТИЙ ЖДЕНИЙ ЖЕВАНИЙ ЖЕНИЕ "
    u8"ЖЖЕНИЙ ЖИТИЙ ЗАБВЕНИЙ ЗАКОНИЙ ЗАЛИЙ ЗВАНИЙ ЗВУЧИЕ ЗВУЧИЙ ЗДАНИЙ ЗДИЙ ЗЕЕ ЗЕМУ ЗЕНИЕ "
    u8"ЗИЕ ЗЛОБИЙ ЗОВАНИЙ ЗОРИЙ ЗРЕНИЕ ЗРЕНИЙ ЗУМИЙ ИБАНИЙ ИБИЙ ИВАНИЙ ИГАНИЙ ИГИЙ ИДАНИЙ "
    u8"ИДИЙ ИЕМИЙ ИЕМУ ИЕНИЕ ИЕНИЙ ИЖЕНИЙ ИЗАНИЙ ИЗДЕЛИЙ ИЗИЙ ИКОВАНИЙ ИЛЕНИЙ ИЛЕТИЙ ИЛИЕ "
    u8"ИЛОВАНИЙ ИЛОГИЙ ИМАНИЙ ИМЕНИЙ ИНОВЕРИЙ ИОЛОГИЙ ИОНИЙ ИПИЙ ИРАНИЙ ИРЕЕ ИРЕНИЕ ИРЕНИЙ "
    u8"ИРИЙ ИСКАНИЙ ИСПЫТАНИЙ ИСТАНИЙ ИТАНИЙ ИТОВАНИЙ ИЧЕНИЙ ИШИЕ ИЯНИЙ КАДИЙ КАЗАНИЙ "
    u8"КАМПАНИЙ КАЯНИЙ КЕЕ КЕМИЙ КЛЕНИЙ КЛОВАНИЙ КНИЖИЕ КНИЖИЙ КОЛОГИЙ КОМПАНИЙ КОТАНИЙ "
    u8"КРАТИЙ КРЕМУ КРОВИЙ КСИЙ КТОВАНИЙ ЛАЧЕНИЙ ЛЕВ ЛЕГАНИЙ ЛЕГИЙ ЛЕНИЕ ЛЕПИЙ ЛЕРИЙ "
    u8"ЛЕСЕНИЙ ЛЕЧЕНИЙ ЛЖЕНИЙ ЛЗАНИЙ ЛИТИЙ ЛИЧИЕ ЛЛИЙ ЛМИЙ ЛОВЕНИЙ ЛОДИЙ ЛОЛОГИЙ ЛОНИЙ "
    u8"ЛОРИЙ ЛУРИЙ ЛУЧИЕ ЛЫСЕНИЙ ЛЬГИЙ ЛЬДИЙ ЛЬМИЙ ЛЬСИЙ ЛЬЧЕНИЙ МАЗАНИЙ МАТИЙ МБИЙ МЕЕ "
    u8"МЕНИЕ МЕРИЙ МЕТИЙ МИЕ МИНИЙ МЛЕНИЙ МОВАНИЙ МОДИЙ МОЛЕНИЙ МОЛОГИЙ МОЛЧАНИЙ МОНИЙ "
    u8"МОТАНИЙ МОЧИЕ МОЧИЙ МУДРИЕ МУЖИЕ МУЖИЙ МЫСЛИЕ МЫСЛИЙ НАДИЙ НАЗИЙ НАНИЙ НАРИЙ "
    u8"НАЧЕНИЙ НДИЙ НЕВ НЕНИЕ НЕНИЙ НЕРИЙ НЕСЕНИЙ НЗИЙ НИМИЙ НКОВАНИЙ НОВАНИЙ НОВЕНИЙ "
    u8"НОДИЙ НОЗИЙ НОЛЕТИЙ НОЛОГИЙ НРАВИЙ НСИЙ НТИЙ НТОВАНИЙ НУРИЙ НЧАНИЙ НЬШЕНИЙ ОВАРЕНИЙ "
    u8"ОГАНИЙ ОДАНИЙ ОДЕЛИЙ ОДУШИЙ ОЕМУ ОЕНИЕ ОЕНИЙ ОЖЕНИЙ ОКОПИЙ ОЛЕЕ ОЛИЕ ОЛИНИЙ ОЛУНИЙ "
    u8"ОЛЯРИЙ ОМАНИЙ ОМИЙ ОНИЕ ООЛОГИЙ ООТИЙ ОПЕЧЕНИЙ ОРЕЕ ОРЕНИЕ ОРЕНИЙ ОСЛОВИЙ ОТУНИЙ "
    u8"ОУМИЙ ОЧЕНИЙ ОШЕНИЙ ОЯНИЙ ПАРЕНИЙ ПАСЕНИЙ ПАТИЙ ПЕВ ПЕВАНИЙ ПЕЕ ПЕКАНИЙ ПЕНИЕ ПЕНИЙ "
    u8"ПЕЧАТАНИЙ ПИЕ ПИТИЙ ПЛАЗИЙ ПЛЕНИЙ ПОДИЙ ПОДОБИЙ ПОЛУЧИЙ ПОЧКОВАНИЙ ПРАВИЙ ПРЕНИЕ "
    u8"ПРЕНИЙ ПРИЛИЧИЙ ПРИЧАСТИЙ ПРЯДЕНИЙ ПРЯЖЕНИЙ ПСИЙ ПТАНИЙ РАДИЙ РАЖЕНИЙ РАЗИЙ "
    u8"РАЗУМЕНИЙ РАРИЙ РАСТАНИЙ РАСТИЙ РАЧЕНИЙ РБИЙ РГИЙ РДЕНИЙ РДИЙ РЕВ РЕВАНИЙ РЕКАНИЙ "
    u8"РЕМИЙ РЕЧЕНИЙ РЕЧИЕ РЖЕНИЙ РЗАНИЙ РИСТИЙ РЛЕНИЙ РМИЙ РОВАНИЙ РОЗИЙ РОЛОГИЙ РОПИЙ "
    u8"РПИЙ РСТИЙ РТАНИЙ РТИЙ РТОВАНИЙ РЧАНИЙ РЧЕНИЙ РШЕНИЙ РЯНИЙ САНИЙ САРИЙ СЕВ СЕВАНИЙ "
    u8"СЕМИЙ СЕНИЕ СЕРДЕЧИЕ СЕРДЕЧИЙ СЕЧЕНИЙ СИЕ СКОЛЬЖЕНИЙ СКОПИЙ СЛАВИЙ СЛЕНИЙ СЛУШАНИЙ "
    u8"СОБИЙ СОВАНИЙ СОДИЙ СОЛЕНИЙ СОЛОГИЙ СОТЛЕТИЙ СПЕЧЕНИЙ ССИЙ СТАРЕНИЙ СТВИЙ СТИШИЙ "
    u8"СТОВАНИЙ СТОЛЕТИЙ СТУНИЙ СХЕМУ СЫПАНИЙ СЫХАНИЙ ТАЗИЙ ТАЛИЙ ТАРИЙ ТАЯНИЙ ТЕВ ТЕГИЙ "
    u8"ТЕЕ ТЕКАНИЙ ТЕЛИЙ ТЕМУ ТЕНИЕ ТЕНИЙ ТЕРИЙ ТЕЧЕНИЙ ТИЕ ТИМИЙ ТИНИЙ ТЛЕНИЙ ТМИЙ "
    u8"ТОЛЕНИЙ ТОЛКОВАНИЙ ТОЛОГИЙ ТОНИЙ ТОПИЙ ТОРИЙ ТОЧИЕ ТОЧИЙ ТРЕНИЕ ТРЕНИЙ ТРИЕ ТРИЙ "
    u8"ТРЯСЕНИЙ ТУХАНИЙ ТЯЖЕНИЙ УАРИЙ УБАНИЙ УВАНИЙ УДЕНИЙ УДИЙ УЖЕНИЙ УЗИЙ УЛЕНИЙ УЛЯРИЙ "
    u8"УНИЕ УРЕНИЕ УРЕНИЙ УСКАНИЙ УЧАСТИЙ УЧЕНИЙ УШЕНИЙ УШИЕ ФАЗИЙ ФАЛИЙ ФЕЕ ФЕМУ ФИЛИЙ "
    u8"ФЛЕНИЙ ФНИЙ ФОБИЙ ФОЛИЙ ФОЛОГИЙ ФОНИЙ ФОРИЙ ХЕЕ ХИМИЙ ХЛЕНИЙ ХЛЕТИЙ ХОЛОГИЙ ХРОНИЙ "
    u8"ХТОВАНИЙ ЦАНИЙ ЦЕВАНИЙ ЦЕЛИЙ ЦИЙ ЦИНИЙ ЧАЛИЙ ЧАТИЙ ЧАЯНИЙ ЧЕВАНИЙ ЧЕНИЕ ЧЕРПАНИЙ "
    u8"ЧИНИЕ ЧИНИЙ ШАТАНИЙ ШАТИЙ ШЕВ ШЕВАНИЙ ШЕНИЕ ШЛЕМУ ШЛЕНИЙ ЩАНИЙ ЩЕВАНИЙ ЩЕНИЕ ЩЕНИЙ "
    u8"ЩРЕНИЕ ЩРЕНИЙ ЪЕМУ ЫВАНИЙ ЫЛЕНИЙ ЫСКАНИЙ ЫСТИЙ ЫТИЙ ЫЧАНИЙ ЫЧИЕ ЫШЕНИЙ ЭЛИЧИЙ ЮБИЙ "
    u8"ЮВИЙ ЮДЕНИЙ ЮЗИЙ ЮЧЕНИЙ ЯБИЙ ЯЗАНИЙ ЯЗЫЧИЙ ЯНИЕ ЯТИЙ");
constexpr size_t kEndingExceptionCount = 519;
constexpr auto kEndingExceptions = SplitWords<kEndingExceptionCount>(kEndingExceptionsText);
static_assert(stemmer_internal::IsStrictlyAscending(kEndingExceptions));
static_assert(stemmer_internal::IsStrictlyAscending(stemmer_internal::kProtectedWords));

constexpr size_t kShortestException = 3;
constexpr size_t kLongestException = 10;

template <size_t N>
bool InList(const Cp1251Text<N>& list, std::string_view tail) {
  std::string_view text = list.view();
  for (size_t pos = 0; pos + tail.size() < text.size(); pos += tail.size() + 1) {
    if (text.compare(pos + 1, tail.size(), tail) == 0) return true;
  }
  return false;
}

bool BisectionFind(std::span<const std::string_view> table, std::string_view key) {
  auto it = std::lower_bound(table.begin(), table.end(), key, stemmer_internal::ByteLess);
  return it != table.end() && *it == key;
}

// Writes the upper-case form of a Windows-1251 word to `out` (word.size() bytes); returns false
// when the word holds any byte other than А..Я, а..я and "-".
bool UpperRussianWord(std::string_view word, char* out) {
  for (size_t i = 0; i < word.size(); ++i) {
    auto byte = static_cast<unsigned char>(word[i]);
    if (byte >= 0xE0) byte -= 0x20;
    if (byte < 0xC0 && byte != '-') return false;
    out[i] = static_cast<char>(byte);
  }
  return true;
}

}  // namespace

namespace stemmer_internal {

std::span<const std::string_view> ProtectedWords() { return kProtectedWords; }
std::span<const std::string_view> EndingExceptions() { return kEndingExceptions; }

}  // namespace stemmer_internal

bool IsProtectedWord(std::string_view upper_word) {
  return BisectionFind(stemmer_internal::kProtectedWords, upper_word);
}

bool HasExceptionalEnding(std::string_view upper_word) {
  size_t longest = std::min(kLongestException, upper_word.size());
  for (size_t n = longest; n >= kShortestException; --n) {
    if (BisectionFind(kEndingExceptions, upper_word.substr(upper_word.size() - n))) return true;
  }
  return false;
}

namespace {

// The rules on an upper-case word made of А..Я and "-".
int StemUpperWord(std::string_view w) {
  // The reflexive suffix goes first; every later rule looks at the word without it.
  int cut = 0;
  if (w.ends_with(kReflexive.view())) {
    cut = 2;
    w.remove_suffix(2);
  }
  const size_t len = w.size();
  auto tail = [&](size_t n) { return w.substr(len - n); };

  // The first list that matches decides; shorter endings are not tried after it.
  if (len >= 8) {
    std::string_view t = tail(4);
    if (InList(kE4, t)) {
      if (t == kYemu.view()) return cut + (IsProtectedWord(w) ? 1 : 4);
      return cut + 4;
    }
  }
  if (len >= 7) {
    std::string_view t = tail(3);
    if (InList(kE3a, t)) return cut + 3;
    if (InList(kE3b, t)) {
      if (IsProtectedWord(w)) return cut + 1;
      if (t == kEmu.view()) return cut + (HasExceptionalEnding(w) ? 1 : 3);
      return cut + 3;
    }
    if (InList(kE3c, t)) return cut + (IsProtectedWord(w) ? 0 : 3);
  }
  if (len >= 6) {
    std::string_view t = tail(2);
    if (InList(kE2a, t)) return cut + 2;
    if (InList(kE2b, t)) {
      if (IsProtectedWord(w)) return cut + 1;
      if (InList(kE2c, t)) return cut + (HasExceptionalEnding(w) ? 1 : 2);
      return cut + 2;
    }
    if (InList(kE2d, t)) {
      if (!IsProtectedWord(w)) return cut + 2;
      return cut + (t == kEv.view() && !HasExceptionalEnding(w) ? 2 : 0);
    }
  }
  if (len >= 5) {
    std::string_view t = tail(1);
    if (InList(kE1, t)) {
      if (t == kShortI.view()) return cut + (IsProtectedWord(w) ? 0 : 1);
      return cut + 1;
    }
  }
  return cut;
}

}  // namespace

int StemEnding(std::string_view word) {
  if (word.size() <= 3) return 0;
  // Words fit the stack buffer; longer input is still stemmed, not cut short.
  char buffer[256];
  std::string long_word;
  char* upper = buffer;
  if (word.size() > sizeof buffer) {
    long_word.resize(word.size());
    upper = long_word.data();
  }
  if (!UpperRussianWord(word, upper)) return 0;
  return StemUpperWord(std::string_view(upper, word.size()));
}

std::string StemUtf8(std::string_view word) {
  // Only a word made of Russian letters (U+0410..U+044F) and "-" can lose an ending, and those
  // map onto Windows-1251 arithmetically, so the word is converted here without iconv: this runs
  // once per word in highlighting and full-text search. Any other character (Latin, digits, Ё,
  // malformed UTF-8) means the stemmer would cut nothing, so the word comes back as it came.
  char buf[256];
  std::string heap;
  char* single_byte = buf;
  if (word.size() >= sizeof buf) {
    heap.resize(word.size());
    single_byte = heap.data();
  }
  size_t n = 0;
  for (size_t i = 0; i < word.size();) {
    const auto b0 = static_cast<unsigned char>(word[i]);
    if (b0 == '-') {
      single_byte[n++] = '-';
      ++i;
      continue;
    }
    if (i + 1 >= word.size()) return std::string(word);
    const auto b1 = static_cast<unsigned char>(word[i + 1]);
    if ((b1 & 0xC0) != 0x80 || (b0 != 0xD0 && b0 != 0xD1)) return std::string(word);
    const unsigned cp = ((b0 & 0x1Fu) << 6) | (b1 & 0x3Fu);
    if (cp < 0x410 || cp > 0x44F) return std::string(word);
    single_byte[n++] = static_cast<char>(0xC0 + (cp - 0x410));
    i += 2;
  }
  const int cut = StemEnding(std::string_view(single_byte, n));
  if (cut <= 0) return std::string(word);
  // Walk back over `cut` characters (two bytes for a letter, one for "-").
  size_t end = word.size();
  for (int k = 0; k < cut && end > 0; ++k) end -= word[end - 1] == '-' ? 1 : 2;
  return std::string(word.substr(0, end));
}

}  // namespace zarix
