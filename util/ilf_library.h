// TLib: reader and writer of ILF library files, containers of named texts (record-modification
// scripts, sort specifications, format-control files) kept beside a database.
//
// The file layout is in doc/ilf_format.md. Member names are upper case, at most 24 bytes; a name
// given to Read or Write is upper-cased and cut the same way (LibMemberName), so lookups ignore
// case. Writing rewrites the whole file into a temporary one and renames it over the library, so
// a reader in another process sees either the old or the new library, never a mix.
// Not thread-safe; one TLib per user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarix {

// Result codes of TLib.
inline constexpr int kLibOk = 0;
inline constexpr int kLibBadSignature = -105;  // not a library, or its header or directory is cut
inline constexpr int kLibBadBlock = -100;      // member data does not match its directory slot
inline constexpr int kLibNoMember = -202;      // no member of that name
inline constexpr int kLibCannotOpen = -107;    // missing (and not created) or cannot be written

// `name` upper-cased (Unicode simple mapping) and cut to at most 24 bytes at a character boundary.
std::string LibMemberName(std::string_view name);

class TLib {
 public:
  static constexpr int kNewSlots = 100;
  static constexpr size_t kNameBytes = 24;

  // Opens the library at `path`. A missing file gives kLibCannotOpen unless `create_if_missing`,
  // which writes an empty library (header and 100 empty slots) first; kLibCannotOpen again when
  // that fails. A file with another signature, or too short for its header and directory, gives
  // kLibBadSignature and the library stays closed.
  int Open(std::string_view path, bool create_if_missing = false);
  bool IsOpen() const { return open_; }

  // Reads member `name` into `text`; `flag` (optional) receives bit 0 of the member's flags.
  // kLibOk, kLibNoMember, kLibBadBlock, or kLibCannotOpen when the library is not open.
  int Read(std::string_view name, std::string* text, int* flag = nullptr) const;

  // The member names in directory order.
  std::vector<std::string> MemberNames() const;

  // Adds member `name` with `text`, or replaces the member of that name, and rewrites the file.
  // `flag` becomes bit 0 of the member's flags. kLibNoMember for an empty name; kLibCannotOpen when
  // the library is not open or the file cannot be written (the old file then stays as it was).
  int Write(std::string_view name, std::string_view text, int flag = 1);
  // Removes member `name` and rewrites the file: kLibOk, kLibNoMember, kLibCannotOpen.
  int Remove(std::string_view name);

 private:
  struct Slot {
    std::string name;  // empty: free slot
    uint32_t position = 0;
  };
  int Parse(std::string data);
  int FindSlot(std::string_view upper_name) const;
  int Rewrite(const std::vector<std::pair<std::string, std::pair<std::string, int>>>& members);

  bool open_ = false;
  std::string path_;
  std::string data_;  // the whole file
  std::vector<Slot> slots_;
};

}  // namespace zarix
