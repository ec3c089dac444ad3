// ISO 2709 reader and writer.
#include "zarix64/iso2709.h"

#include <algorithm>
#include <cstdio>

#include "util/utf8.h"

namespace zarix {
namespace {

constexpr size_t kLeaderSize = 24;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number of data[at, at+n), or -1 when any byte is not a digit.
long ParseDigits(std::string_view data, size_t at, size_t n) {
  long v = 0;
  for (size_t i = 0; i < n; ++i) {
    char c = data[at + i];
    if (!IsDigit(c)) return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

// Bytes that files put between records (line ends, padding, a DOS end-of-file mark).
bool IsFiller(char c) {
  return c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '\0' || c == 0x1A;
}

struct EntryMap {
  size_t length_digits = 4;
  size_t start_digits = 5;
  size_t implementation = 0;
  size_t size() const { return 3 + length_digits + start_digits + implementation; }
};

// Leader positions 20-22 give the widths of a directory entry; files that leave them blank or
// zero mean the usual 4 and 5.
EntryMap ReadEntryMap(std::string_view leader) {
  EntryMap m;
  if (IsDigit(leader[20]) && leader[20] != '0') m.length_digits = leader[20] - '0';
  if (IsDigit(leader[21]) && leader[21] != '0') m.start_digits = leader[21] - '0';
  if (IsDigit(leader[22])) m.implementation = leader[22] - '0';
  return m;
}

std::string Printable(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    }
  }
  return out;
}

void AppendPadded(std::string* out, size_t value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*zu", width, value);
  *out += buf;
}

}  // namespace

std::string IsoLeaderFieldText(std::string_view leader) {
  std::string text;
  text.reserve(8);
  auto take = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      char c = i < leader.size() ? leader[i] : ' ';
      unsigned char u = static_cast<unsigned char>(c);
      text += (u >= 0x20 && u < 0x7F) ? c : ' ';
    }
  };
  take(5, 10);
  take(17, 20);
  return text;
}

IsoReader::IsoReader(std::string_view data, IsoEncoding encoding)
    : data_(data), charset_(encoding) {}

bool IsoReader::LooksLikeLeader(size_t at) const {
  if (data_.size() - at < kLeaderSize) return false;
  return ParseDigits(data_, at, 5) >= 0 && ParseDigits(data_, at + 12, 5) >= 0;
}

bool IsoReader::Validate(size_t at, size_t* end, std::string* why) const {
  size_t rest = data_.size() - at;
  if (rest < kLeaderSize) {
    *why = "truncated record: " + std::to_string(rest) + " bytes, shorter than a leader";
    return false;
  }
  long length = ParseDigits(data_, at, 5);
  if (length < 0) {
    *why = "record length \"" + Printable(data_.substr(at, 5)) + "\" in the leader is not a number";
    return false;
  }
  size_t len = static_cast<size_t>(length);
  if (len < kLeaderSize + 2) {
    *why = "record length " + std::to_string(len) + " is too small";
    return false;
  }
  if (len > rest) {
    *why = "truncated record: the leader says " + std::to_string(len) + " bytes, the file has " +
           std::to_string(rest) + " left";
    return false;
  }
  if (data_[at + len - 1] != kIsoRecordTerminator) {
    *why = "no record terminator at the end of the " + std::to_string(len) +
           " bytes the leader gives (wrong record length)";
    return false;
  }
  long base_address = ParseDigits(data_, at + 12, 5);
  if (base_address < 0) {
    *why = "base address \"" + Printable(data_.substr(at + 12, 5)) + "\" is not a number";
    return false;
  }
  size_t base = static_cast<size_t>(base_address);
  if (base < kLeaderSize + 1 || base > len - 1) {
    *why = "base address " + std::to_string(base) + " lies outside the record";
    return false;
  }
  if (data_[at + base - 1] != kIsoFieldTerminator) {
    *why = "the directory does not end with a field terminator at the base address " +
           std::to_string(base);
    return false;
  }
  EntryMap map = ReadEntryMap(data_.substr(at, kLeaderSize));
  size_t directory = base - kLeaderSize - 1;
  if (directory % map.size() != 0) {
    *why = "directory length " + std::to_string(directory) +
           " is not a multiple of the entry size " + std::to_string(map.size());
    return false;
  }
  size_t data_size = len - 1 - base;  // between the base address and the record terminator
  for (size_t e = 0; e < directory / map.size(); ++e) {
    size_t entry = at + kLeaderSize + e * map.size();
    long flen = ParseDigits(data_, entry + 3, map.length_digits);
    long fstart = ParseDigits(data_, entry + 3 + map.length_digits, map.start_digits);
    std::string tag = Printable(data_.substr(entry, 3));
    if (flen < 0 || fstart < 0) {
      *why = "directory entry " + std::to_string(e + 1) + " (tag " + tag + ") is not numeric";
      return false;
    }
    if (flen == 0 || static_cast<size_t>(fstart) + static_cast<size_t>(flen) > data_size) {
      *why = "field " + tag + " (directory entry " + std::to_string(e + 1) +
             ") lies outside the record data";
      return false;
    }
    if (data_[at + base + fstart + flen - 1] != kIsoFieldTerminator) {
      *why = "field " + tag + " (directory entry " + std::to_string(e + 1) +
             ") does not end with a field terminator";
      return false;
    }
  }
  *end = at + len;
  return true;
}

void IsoReader::Convert(size_t at, IsoRecord* record) {
  std::string_view leader = data_.substr(at, kLeaderSize);
  EntryMap map = ReadEntryMap(leader);
  size_t base = static_cast<size_t>(ParseDigits(data_, at + 12, 5));
  size_t entries = (base - kLeaderSize - 1) / map.size();

  record->fields.clear();
  record->fields.reserve(entries + 1);
  literal_carets_ = 0;
  valid_encoding_ = true;
  std::string leader_text = IsoLeaderFieldText(leader);
  // Texts are UTF-8 from here on; say so in leader position 9 as MARC 21 does.
  if (charset_.encoding() != IsoEncoding::kUtf8) leader_text[4] = 'a';
  record->fields.push_back({kIsoLeaderTag, std::move(leader_text)});

  for (size_t e = 0; e < entries; ++e) {
    size_t entry = at + kLeaderSize + e * map.size();
    size_t flen = static_cast<size_t>(ParseDigits(data_, entry + 3, map.length_digits));
    size_t fstart =
        static_cast<size_t>(ParseDigits(data_, entry + 3 + map.length_digits, map.start_digits));
    long tag = ParseDigits(data_, entry, 3);
    if (tag <= 0) {
      dropped_tags_.push_back(Printable(data_.substr(entry, 3)));
      continue;
    }
    const std::string_view raw = data_.substr(at + base + fstart, flen - 1);
    if (tag >= 10 && raw.find('^') != std::string_view::npos) ++literal_carets_;
    if (charset_.encoding() == IsoEncoding::kUtf8 && !IsValidUtf8(raw)) valid_encoding_ = false;
    std::string text = charset_.ToUtf8(raw);
    std::replace(text.begin(), text.end(), kIsoSubfieldDelimiter, '^');
    record->fields.push_back({static_cast<FieldTag>(tag), std::move(text)});
  }
}

size_t IsoReader::Resync(size_t from) const {
  for (size_t q = from + 1; q < data_.size(); ++q) {
    if (data_[q - 1] == kIsoRecordTerminator) return q;
    if (LooksLikeLeader(q)) {
      size_t end;
      std::string why;
      if (Validate(q, &end, &why)) return q;
    }
  }
  return data_.size();
}

IsoReader::Status IsoReader::Next(IsoRecord* record) {
  dropped_tags_.clear();
  error_.clear();
  while (pos_ < data_.size() && IsFiller(data_[pos_])) ++pos_;
  if (pos_ >= data_.size()) return Status::kEnd;
  offset_ = pos_;
  size_t end = 0;
  if (Validate(pos_, &end, &error_)) {
    Convert(pos_, record);
    pos_ = end;
    return Status::kRecord;
  }
  pos_ = Resync(pos_);
  return Status::kBroken;
}

IsoWriter::IsoWriter(IsoEncoding encoding, bool marc_mode)
    : charset_(encoding), marc_mode_(marc_mode) {}

int IsoWriter::Append(const IsoRecord& record, std::string* out) {
  std::string directory;
  std::string data;
  directory.reserve(record.fields.size() * 12 + 1);
  const std::string* leader_text = nullptr;
  for (const IsoField& field : record.fields) {
    if (marc_mode_ && !leader_text && field.tag == kIsoLeaderTag) {
      leader_text = &field.text;
      continue;
    }
    std::string value = field.text;
    if (marc_mode_ && field.tag >= 10) {
      std::replace(value.begin(), value.end(), '^', kIsoSubfieldDelimiter);
    }
    value = charset_.FromUtf8(value);
    // A longer field would need a fifth length digit and shift every later directory entry.
    if (value.size() + 1 > 9999) return -1;
    int tag = field.tag > 999 ? 998 : field.tag < 0 ? 0 : field.tag;
    AppendPadded(&directory, static_cast<size_t>(tag), 3);
    AppendPadded(&directory, value.size() + 1, 4);
    AppendPadded(&directory, data.size(), 5);
    data += value;
    data += kIsoFieldTerminator;
    if (5 + directory.size() + data.size() >= kIsoMaxRecordBody) return -1;
  }
  directory += kIsoFieldTerminator;
  data += kIsoRecordTerminator;
  if (5 + directory.size() + data.size() >= kIsoMaxRecordBody) return -1;

  std::string leader(kLeaderSize, '0');
  leader[10] = leader[11] = '2';
  leader[20] = '4';
  leader[21] = '5';
  std::string total;
  AppendPadded(&total, kLeaderSize + directory.size() + data.size(), 5);
  leader.replace(0, 5, total);
  std::string base;
  AppendPadded(&base, kLeaderSize + directory.size(), 5);
  leader.replace(12, 5, base);
  if (leader_text && !leader_text->empty()) {
    const std::string& t = *leader_text;
    for (size_t i = 0; i < 8 && i < t.size(); ++i) {
      unsigned char u = static_cast<unsigned char>(t[i]);
      leader[i < 5 ? 5 + i : 12 + i] = (u >= 0x20 && u < 0x7F) ? t[i] : ' ';
    }
    // Position 9 tells MARC 21 readers whether the texts are UCS/Unicode.
    if (charset_.encoding() != IsoEncoding::kUtf8 && leader[9] == 'a') leader[9] = ' ';
  }
  out->reserve(out->size() + leader.size() + directory.size() + data.size());
  *out += leader;
  *out += directory;
  *out += data;
  return 0;
}

void IsoWriter::AppendText(const IsoRecord& record, std::string* out) {
  for (const IsoField& field : record.fields) {
    *out += '#';
    *out += std::to_string(field.tag);
    *out += ": ";
    *out += charset_.FromUtf8(field.text);
    *out += "\r\n";
  }
  *out += "*****\r\n";
}

}  // namespace zarix
