// Text and ISO 2709 forms of exported records.
#include "processor/export_writer.h"

#include "util/charset.h"
#include "util/code_page.h"

namespace zarix {

namespace {

constexpr char kFieldTerminator = 0x1E;
constexpr char kRecordTerminator = 0x1D;
constexpr char kSubfieldDelimiter = 0x1F;
constexpr int kLeaderTag = 999;
constexpr int kFirstDataTag = 10;
constexpr size_t kMaxRecordBody = 96000;
constexpr size_t kMaxFieldLength = 9999;  // value + terminator, four digits

// `value` as `width` digits with leading zeros (a longer number in full).
void AppendPadded(std::string* out, size_t value, size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) out->append(width - digits.size(), '0');
  out->append(digits);
}

}  // namespace

ExportCodePage ParseExportCodePage(std::string_view code) {
  if (code == "DOS") return ExportCodePage::kDos;
  if (code == "WIN") return ExportCodePage::kWin;
  return ExportCodePage::kUtf8;
}

ExportWriter::ExportWriter(ExportCodePage code_page, bool marc_mode, bool iso)
    : code_page_(code_page), marc_mode_(marc_mode), iso_(iso) {}

std::string ExportWriter::Convert(std::string_view value) {
  switch (code_page_) {
    case ExportCodePage::kDos:
      return ConvertCharset(value, "UTF-8", OemCodePage().c_str(), &lost_);
    case ExportCodePage::kWin:
      return ConvertCharset(value, "UTF-8", AnsiCodePage().c_str(), &lost_);
    case ExportCodePage::kUtf8:
      break;
  }
  return std::string(value);
}

ExportWriter::Result ExportWriter::Append(const std::vector<ExportField>& fields,
                                          std::string* out) {
  std::string leader_text;
  bool leader_seen = false;
  std::vector<ExportField> converted;
  converted.reserve(fields.size());
  for (const ExportField& f : fields) {
    std::string value = f.value;
    if (marc_mode_) {
      if (f.tag == kLeaderTag && !leader_seen) {
        leader_seen = true;
        leader_text = value;
        if (iso_) continue;
        value.clear();
      } else if (f.tag >= kFirstDataTag) {
        for (char& c : value) {
          if (c == '^') c = kSubfieldDelimiter;
        }
      }
    }
    converted.push_back({f.tag, Convert(value)});
  }

  if (!iso_) {
    std::string text;
    for (const ExportField& f : converted) {
      text += '#';
      text += std::to_string(f.tag);
      text += ": ";
      text += f.value;
      text += "\r\n";
    }
    out->append(text);
    out->append("*****\r\n");
    return kWritten;
  }

  std::string directory;
  std::string data;
  for (const ExportField& f : converted) {
    if (f.value.size() + 1 > kMaxFieldLength) return kFieldTooLong;
    const int tag = f.tag > 999 ? 998 : f.tag;
    AppendPadded(&directory, static_cast<size_t>(tag < 0 ? 0 : tag), 3);
    AppendPadded(&directory, f.value.size() + 1, 4);
    AppendPadded(&directory, data.size(), 5);
    data.append(f.value);
    data.push_back(kFieldTerminator);
  }
  directory.push_back(kFieldTerminator);
  data.push_back(kRecordTerminator);
  if (5 + directory.size() + data.size() >= kMaxRecordBody) return kTooLong;

  std::string leader(24, '0');
  leader[10] = leader[11] = '2';
  leader[20] = '4';
  leader[21] = '5';
  std::string number;
  AppendPadded(&number, 24 + directory.size() + data.size(), 5);
  leader.replace(0, 5, number);
  number.clear();
  AppendPadded(&number, 24 + directory.size(), 5);
  leader.replace(12, 5, number);
  if (marc_mode_ && !leader_text.empty()) {
    for (size_t i = 0; i < 5 && i < leader_text.size(); ++i) leader[5 + i] = leader_text[i];
    for (size_t i = 5; i < 8 && i < leader_text.size(); ++i) leader[12 + i] = leader_text[i];
  }
  out->append(leader);
  out->append(directory);
  out->append(data);
  return kWritten;
}

}  // namespace zarix
