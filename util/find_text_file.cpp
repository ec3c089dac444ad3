// FindTextFile: the user folder, the path, the deposit directory, then the database's library.
#include "util/find_text_file.h"

#include <string>

#include "util/ilf_library.h"
#include "util/path.h"

namespace zarix {

namespace {

bool LoadIfExists(const std::string& path, TPList* target) {
  return FileExists(path) && target->LoadFromFile(path);
}

}  // namespace

TextFileSource FindTextFile(std::string_view db, std::string_view path, std::string_view deposit,
                            TPList* target) {
  target->Clear();
  std::string file = BaseName(path);
  if (!deposit.empty()) {
    std::string_view base = deposit;
    if (base.back() == '\\' || base.back() == '/') base.remove_suffix(1);
    if (LoadIfExists(std::string(base) + "_USER\\" + file, target)) {
      return TextFileSource::kUserFolder;
    }
  }
  if (LoadIfExists(std::string(path), target)) return TextFileSource::kPath;
  if (!deposit.empty() && LoadIfExists(std::string(deposit) + file, target)) {
    return TextFileSource::kDeposit;
  }
  size_t dot = file.rfind('.');
  std::string ext = dot == std::string::npos ? "" : file.substr(dot + 1);
  std::string member = dot == std::string::npos ? file : file.substr(0, dot);
  std::string library = DirName(path) + std::string(db) + "_" + ext + ".ILF";
  TLib lib;
  std::string text;
  if (lib.Open(library) == kLibOk && lib.Read(member, &text) == kLibOk) {
    target->SetText(text);
    return TextFileSource::kLibrary;
  }
  target->Clear();
  return TextFileSource::kNone;
}

}  // namespace zarix
