// TLib: ILF library reading and whole-file rewriting.
#include "util/ilf_library.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "util/path.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"

namespace zarix {

namespace {

constexpr char kSignature[] = "ZARIX_LIBRARY_01";
constexpr size_t kSignatureBytes = 16;
constexpr size_t kHeaderBytes = 36;
constexpr size_t kSlotBytes = 38;
constexpr size_t kSlotNameOffset = kSlotBytes - TLib::kNameBytes;
constexpr size_t kBlockHeaderBytes = 10;
constexpr uint32_t kFormatVersion = 1;
// Directories larger than this are taken for corruption rather than allocated.
constexpr uint32_t kMaxSlots = 1u << 20;

uint32_t GetBig32(const std::string& s, size_t off) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[off])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[off + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[off + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[off + 3]));
}

uint16_t GetBig16(const std::string& s, size_t off) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[off]) << 8 |
                               static_cast<unsigned char>(s[off + 1]));
}

void PutBig32(uint32_t v, std::string* out) {
  out->push_back(static_cast<char>(v >> 24));
  out->push_back(static_cast<char>(v >> 16));
  out->push_back(static_cast<char>(v >> 8));
  out->push_back(static_cast<char>(v));
}

void PutBig16(uint16_t v, std::string* out) {
  out->push_back(static_cast<char>(v >> 8));
  out->push_back(static_cast<char>(v));
}

using MemberList = std::vector<std::pair<std::string, std::pair<std::string, int>>>;

bool HasMember(const MemberList& members, const std::string& name) {
  for (const auto& m : members) {
    if (m.first == name) return true;
  }
  return false;
}

// The bytes of a library holding `members` (name, (text, flag)) in slots 0, 1, ...
std::string BuildLibrary(const MemberList& members) {
  uint32_t slots = TLib::kNewSlots;
  while (slots < members.size()) slots += TLib::kNewSlots;
  std::string out(kSignature, kSignatureBytes);
  uint32_t data_start = static_cast<uint32_t>(kHeaderBytes + slots * kSlotBytes);
  uint32_t end = data_start;
  for (const auto& m : members) {
    end += static_cast<uint32_t>(kBlockHeaderBytes + m.second.first.size());
  }
  PutBig32(slots, &out);
  PutBig32(static_cast<uint32_t>(members.size()), &out);
  PutBig32(end, &out);
  PutBig32(kFormatVersion, &out);
  PutBig32(0, &out);

  uint32_t pos = data_start;
  for (uint32_t i = 0; i < slots; ++i) {
    if (i < members.size()) {
      const auto& m = members[i];
      PutBig32(pos, &out);
      PutBig32(static_cast<uint32_t>(m.second.first.size()), &out);
      PutBig16(static_cast<uint16_t>(m.second.second & 1), &out);
      out.append(kSlotNameOffset - 10, '\0');
      std::string name = m.first;
      name.resize(TLib::kNameBytes, '\0');
      out += name;
      pos += static_cast<uint32_t>(kBlockHeaderBytes + m.second.first.size());
    } else {
      out.append(kSlotBytes, '\0');
    }
  }
  for (uint32_t i = 0; i < members.size(); ++i) {
    const auto& m = members[i];
    PutBig32(i, &out);
    PutBig32(static_cast<uint32_t>(m.second.first.size()), &out);
    PutBig16(static_cast<uint16_t>(m.second.second & 1), &out);
    out += m.second.first;
  }
  return out;
}

bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string tmp = path + ".tmp" + std::to_string(getpid());
  if (!WriteFileBytes(tmp, bytes)) {
    RemoveFile(tmp);
    return false;
  }
  if (std::rename(NativePath(tmp).c_str(), NativePath(path).c_str()) != 0) {
    RemoveFile(tmp);
    return false;
  }
  return true;
}

}  // namespace

std::string LibMemberName(std::string_view name) {
  std::string upper = UpperUtf8(name);
  if (upper.size() <= TLib::kNameBytes) return upper;
  size_t cut = TLib::kNameBytes;
  // Step back over continuation bytes so that no character is split.
  while (cut > 0 && (static_cast<unsigned char>(upper[cut]) & 0xC0) == 0x80) --cut;
  upper.resize(cut);
  return upper;
}

int TLib::Open(std::string_view path, bool create_if_missing) {
  open_ = false;
  path_ = std::string(path);
  data_.clear();
  slots_.clear();
  std::optional<std::string> data = ReadFileBytes(path);
  if (!data) {
    if (!create_if_missing || FileExists(path)) return kLibCannotOpen;
    std::string empty = BuildLibrary({});
    if (!ReplaceFile(path_, empty)) return kLibCannotOpen;
    data = std::move(empty);
  }
  return Parse(std::move(*data));
}

int TLib::Parse(std::string data) {
  if (data.size() < kHeaderBytes || data.compare(0, kSignatureBytes, kSignature) != 0) {
    return kLibBadSignature;
  }
  uint32_t slots = GetBig32(data, kSignatureBytes);
  if (slots > kMaxSlots || data.size() < kHeaderBytes + slots * kSlotBytes) {
    return kLibBadSignature;
  }
  slots_.resize(slots);
  for (uint32_t i = 0; i < slots; ++i) {
    size_t off = kHeaderBytes + i * kSlotBytes;
    slots_[i].position = GetBig32(data, off);
    std::string name = data.substr(off + kSlotNameOffset, kNameBytes);
    name.resize(std::strlen(name.c_str()));
    slots_[i].name = LibMemberName(name);
  }
  data_ = std::move(data);
  open_ = true;
  return kLibOk;
}

int TLib::FindSlot(std::string_view upper_name) const {
  if (upper_name.empty()) return -1;
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].name == upper_name) return static_cast<int>(i);
  }
  return -1;
}

int TLib::Read(std::string_view name, std::string* text, int* flag) const {
  if (!open_) return kLibCannotOpen;
  int slot = FindSlot(LibMemberName(name));
  if (slot < 0) return kLibNoMember;
  size_t pos = slots_[static_cast<size_t>(slot)].position;
  if (pos < kHeaderBytes || pos > data_.size() || data_.size() - pos < kBlockHeaderBytes) {
    return kLibBadBlock;
  }
  uint32_t number = GetBig32(data_, pos);
  uint32_t length = GetBig32(data_, pos + 4);
  uint16_t flags = GetBig16(data_, pos + 8);
  if (number != static_cast<uint32_t>(slot) ||
      data_.size() - pos - kBlockHeaderBytes < length) {
    return kLibBadBlock;
  }
  text->assign(data_, pos + kBlockHeaderBytes, length);
  if (flag != nullptr) *flag = flags & 1;
  return kLibOk;
}

std::vector<std::string> TLib::MemberNames() const {
  std::vector<std::string> names;
  for (const Slot& s : slots_) {
    if (!s.name.empty()) names.push_back(s.name);
  }
  return names;
}

int TLib::Rewrite(const MemberList& members) {
  std::string bytes = BuildLibrary(members);
  if (!ReplaceFile(path_, bytes)) return kLibCannotOpen;
  slots_.clear();
  return Parse(std::move(bytes));
}

int TLib::Write(std::string_view name, std::string_view text, int flag) {
  if (!open_) return kLibCannotOpen;
  std::string key = LibMemberName(name);
  if (key.empty()) return kLibNoMember;
  MemberList members;
  bool replaced = false;
  for (const Slot& s : slots_) {
    if (s.name.empty() || HasMember(members, s.name)) continue;
    std::string old;
    int old_flag = 0;
    // A member that cannot be read any more is dropped rather than copied as garbage.
    if (Read(s.name, &old, &old_flag) != kLibOk) continue;
    if (s.name == key) {
      members.push_back({key, {std::string(text), flag}});
      replaced = true;
    } else {
      members.push_back({s.name, {std::move(old), old_flag}});
    }
  }
  if (!replaced) members.push_back({key, {std::string(text), flag}});
  return Rewrite(members);
}

int TLib::Remove(std::string_view name) {
  if (!open_) return kLibCannotOpen;
  std::string key = LibMemberName(name);
  if (FindSlot(key) < 0) return kLibNoMember;
  MemberList members;
  for (const Slot& s : slots_) {
    if (s.name.empty() || s.name == key || HasMember(members, s.name)) continue;
    std::string text;
    int flag = 0;
    if (Read(s.name, &text, &flag) == kLibOk) members.push_back({s.name, {std::move(text), flag}});
  }
  return Rewrite(members);
}

}  // namespace zarix
