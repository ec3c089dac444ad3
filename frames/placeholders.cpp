// Counted, fixed and language placeholders.
#include "frames/placeholders.h"

#include <ctime>

namespace zarix {

void ApplyCountedPlaceholders(const PlaceholderList& placeholders, FrameLines* lines) {
  for (const auto& [text, value] : placeholders) {
    if (text.empty()) continue;
    const std::string number = std::to_string(value);
    for (std::string& line : *lines) ReplaceFirst(&line, text, number);
  }
}

void ApplyFixedPlaceholders(const FixedPlaceholders& values, const LanguageTexts& language,
                            FrameLines* lines) {
  std::vector<std::pair<std::string, const std::string*>> markers;
  for (const auto& [key, text] : language) {
    if (!text.empty()) markers.emplace_back("~~" + key + "~~", &text);
  }
  for (std::string& line : *lines) {
    // Most lines hold no placeholder at all.
    if (line.find("<--") == std::string::npos && line.find("~~") == std::string::npos) continue;
    ReplaceFirst(&line, "<--TIME-->", values.time);
    ReplaceFirst(&line, "<--MAXIMUMMFN-->", values.maximum_mfn);
    ReplaceFirst(&line, "<--RUNTIMEPID-->", values.runtime_pid);
    ReplaceFirst(&line, "<--DATABASE-->", values.database);
    ReplaceAll(&line, "<--CGI_PATH-->", values.cgi_path);
    ReplaceAll(&line, "<--HTTP_PATH-->", values.http_path);
    if (line.find("~~") == std::string::npos) continue;
    for (const auto& [marker, text] : markers) ReplaceAll(&line, marker, *text);
    ReplaceAll(&line, "~~", "");
  }
}

std::string ShortDate() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[16];
  std::strftime(buf, sizeof buf, "%d.%m.%Y", &local);
  return buf;
}

}  // namespace zarix
