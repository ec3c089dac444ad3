// Process-wide ANSI and OEM code page names and the conversions that use them.
#include "util/code_page.h"

#include <mutex>

#include "util/charset.h"

namespace zarix {

namespace {

std::mutex& SettingsMutex() {
  static std::mutex m;
  return m;
}

std::string& AnsiName() {
  static std::string name = kDefaultAnsiCodePage;
  return name;
}

std::string& OemName() {
  static std::string name = kDefaultOemCodePage;
  return name;
}

}  // namespace

void SetAnsiCodePage(std::string_view name) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  AnsiName() = name.empty() ? std::string(kDefaultAnsiCodePage) : std::string(name);
}

void SetOemCodePage(std::string_view name) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  OemName() = name.empty() ? std::string(kDefaultOemCodePage) : std::string(name);
}

std::string AnsiCodePage() {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  return AnsiName();
}

std::string OemCodePage() {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  return OemName();
}

std::string AnsiToUtf8(std::string_view text) {
  return ConvertCharset(text, AnsiCodePage().c_str(), "UTF-8");
}

std::string Utf8ToAnsi(std::string_view text) {
  return ConvertCharset(text, "UTF-8", AnsiCodePage().c_str());
}

std::string OemToUtf8(std::string_view text) {
  return ConvertCharset(text, OemCodePage().c_str(), "UTF-8");
}

std::string Utf8ToOem(std::string_view text) {
  return ConvertCharset(text, "UTF-8", OemCodePage().c_str());
}

}  // namespace zarix
