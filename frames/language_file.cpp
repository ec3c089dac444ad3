// Language file loading.
#include "frames/language_file.h"

#include "frames/frame_text.h"
#include "util/path.h"

namespace zarix {

LanguageTexts ParseLanguageFile(std::string_view text) {
  FrameLines lines = SplitFrameLines(text);
  LanguageTexts pairs;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) pairs.emplace_back(lines[i], lines[i + 1]);
  return pairs;
}

LanguageTexts LoadRequestLanguage(const IniStore& server_ini, std::string_view cgi_path,
                                  std::string_view language) {
  std::string name(language);
  if (name.empty()) name = server_ini.ReadString("MAIN", "lng");
  if (name.empty() || !IsSafeRelativeName(name)) return {};
  std::optional<std::string> text = ReadFileBytes(std::string(cgi_path) + "\\" + name + ".lng");
  if (!text) return {};
  return ParseLanguageFile(*text);
}

}  // namespace zarix
