// Field lookups on a Record.
#include "zarix64/record.h"

namespace zarix::db {

int Record::CountTag(FieldTag tag) const {
  int n = 0;
  for (const Field& f : fields) n += f.tag == tag;
  return n;
}

int Record::FindField(FieldTag tag, Occurrence occurrence) const {
  if (occurrence < 1) return -1;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].tag == tag && --occurrence == 0) return static_cast<int>(i);
  }
  return -1;
}

std::string_view Subfield(std::string_view text, char code) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  const char want = lower(code);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '^' && lower(text[i + 1]) == want) {
      const size_t start = i + 2;
      const size_t end = text.find('^', start);
      return text.substr(start,
                         end == std::string_view::npos ? std::string_view::npos : end - start);
    }
  }
  return {};
}

}  // namespace zarix::db
