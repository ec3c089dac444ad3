// ISO 2709 parsing and writing for the tests, keyword extraction, and the pages site.
#include "tests/pages_fixture.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>

#include "util/path.h"
#include "util/test_data.h"

namespace zarix::testing {

namespace {

constexpr char kFieldEnd = 0x1E;
constexpr char kRecordEnd = 0x1D;
constexpr char kSubfield = 0x1F;

int Digits(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

std::string Padded(size_t value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*zu", width, value);
  return buf;
}

// Subfield `code` texts of a field's data.
std::vector<std::string> Subfields(const std::string& data, char code) {
  std::vector<std::string> out;
  size_t pos = 0;
  while ((pos = data.find(kSubfield, pos)) != std::string::npos) {
    if (pos + 1 < data.size() && data[pos + 1] == code) {
      size_t end = data.find(kSubfield, pos + 2);
      out.push_back(
          data.substr(pos + 2, end == std::string::npos ? std::string::npos : end - pos - 2));
    }
    ++pos;
  }
  return out;
}

void AddWords(const std::string& text, std::set<std::string>* words) {
  std::string word;
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  auto flush = [&] {
    if (!word.empty()) words->insert(word);
    word.clear();
  };
  while (left > 0) {
    utf8proc_int32_t cp;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {
      flush();
      ++p;
      --left;
      continue;
    }
    utf8proc_category_t cat = utf8proc_category(cp);
    bool letter = (cat >= UTF8PROC_CATEGORY_LU && cat <= UTF8PROC_CATEGORY_LO) ||
                  (cat >= UTF8PROC_CATEGORY_ND && cat <= UTF8PROC_CATEGORY_NO);
    if (letter) {
      utf8proc_uint8_t buf[4];
      utf8proc_ssize_t m = utf8proc_encode_char(utf8proc_toupper(cp), buf);
      word.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(m));
    } else {
      flush();
    }
    p += n;
    left -= n;
  }
  flush();
}

}  // namespace

std::vector<IsoRec> ParseIsoFile(std::string_view bytes) {
  std::vector<IsoRec> records;
  size_t at = 0;
  while (at + 24 <= bytes.size()) {
    if (bytes[at] == '\r' || bytes[at] == '\n') {
      ++at;
      continue;
    }
    const size_t length = static_cast<size_t>(Digits(bytes.substr(at, 5)));
    const size_t base = static_cast<size_t>(Digits(bytes.substr(at + 12, 5)));
    if (length < 25 || at + length > bytes.size()) throw std::runtime_error("bad ISO record");
    std::string_view rec = bytes.substr(at, length);
    IsoRec r;
    r.leader = std::string(rec.substr(0, 24));
    for (size_t d = 24; d + 12 <= base && rec[d] != kFieldEnd; d += 12) {
      const std::string tag(rec.substr(d, 3));
      const size_t len = static_cast<size_t>(Digits(rec.substr(d + 3, 4)));
      const size_t start = static_cast<size_t>(Digits(rec.substr(d + 7, 5)));
      std::string data(rec.substr(base + start, len));
      if (!data.empty() && data.back() == kFieldEnd) data.pop_back();
      r.fields.emplace_back(tag, data);
    }
    records.push_back(std::move(r));
    at += length;
  }
  return records;
}

std::string WriteIsoRecord(const IsoRec& rec) {
  std::string directory, data;
  for (const auto& [tag, text] : rec.fields) {
    directory += tag + Padded(text.size() + 1, 4) + Padded(data.size(), 5);
    data += text;
    data += kFieldEnd;
  }
  directory += kFieldEnd;
  const size_t base = 24 + directory.size();
  const size_t length = base + data.size() + 1;
  std::string leader = rec.leader.size() == 24 ? rec.leader : "00000nam  2200000   4500";
  leader.replace(0, 5, Padded(length, 5));
  leader.replace(12, 5, Padded(base, 5));
  return leader + directory + data + kRecordEnd;
}

std::vector<IsoRec> RepeatRecords(const std::vector<IsoRec>& records, int copies) {
  std::vector<IsoRec> out;
  for (int k = 0; k < copies; ++k) {
    for (const IsoRec& r : records) {
      IsoRec c = r;
      auto it = std::find_if(c.fields.begin(), c.fields.end(),
                             [](const auto& f) { return f.first == "001"; });
      if (it == c.fields.end()) it = c.fields.insert(c.fields.begin(), {"001", "R"});
      it->second.push_back('-');
      it->second += std::to_string(k);
      out.push_back(std::move(c));
    }
  }
  return out;
}

std::set<std::string> Keywords(const IsoRec& rec) {
  static const std::vector<std::pair<std::string, std::string>> kSelection = {
      {"245", "ab"}, {"246", "a"}, {"600", "a"}, {"650", "ax"},
      {"651", "a"},  {"653", "a"}, {"740", "a"}};
  std::set<std::string> words;
  for (const auto& [tag, data] : rec.fields) {
    for (const auto& [sel_tag, codes] : kSelection) {
      if (tag != sel_tag) continue;
      for (char code : codes) {
        for (const std::string& text : Subfields(data, code)) AddWords(text, &words);
      }
    }
  }
  return words;
}

std::vector<int> RecordsWithAll(const std::vector<IsoRec>& records,
                                const std::vector<std::string>& words) {
  std::vector<int> mfns;
  for (size_t i = 0; i < records.size(); ++i) {
    std::set<std::string> k = Keywords(records[i]);
    if (std::all_of(words.begin(), words.end(), [&](const std::string& w) { return k.count(w); })) {
      mfns.push_back(static_cast<int>(i + 1));
    }
  }
  return mfns;
}

PagesSite& PagesSite::Get() {
  // Destroyed at exit, which removes the site's folder.
  static PagesSite site;
  return site;
}

PagesSite::PagesSite()
    : site_(std::make_unique<FixtureSite>(TestEnv("ZARIX_CGI_BINARY"),
                                          TestEnv("ZARIX_ENGINE_LIBRARY"))) {
  const std::string iso = TestData("marc21-real-utf8.mrc");
  records_ = RepeatRecords(ParseIsoFile(iso), 5);
  site_->WriteFile("data/readme.txt", "fixture databases\n");
  MakeDatabase("BOOKS", records_);
  std::string messages;
  for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
  site_->WriteFile("cgi/WebMsg.txt", messages);
  WriteDefaultFrames();
  Configure();
}

void PagesSite::MakeDatabase(const std::string& name, const std::vector<IsoRec>& records,
                             std::string_view fst) {
  const std::string admin = TestEnv("ZARIX_ADMIN");
  const std::string data = site_->root() + "data/";
  std::string iso;
  for (const IsoRec& r : records) iso += WriteIsoRecord(r);
  site_->WriteFile("data/" + name + ".iso", iso);
  std::string cmd = admin + " create " + data + " " + name + " >/dev/null";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("fixture database failed: " + cmd);
  if (!fst.empty()) site_->WriteFile("data/" + name + "/" + name + ".fst", fst);
  cmd = admin + " import " + name + " " + data + name + ".iso --datapath " + data +
        " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("fixture database failed: " + cmd);
}

IsoRec MakeRecord(const std::vector<std::pair<std::string, std::string>>& fields) {
  IsoRec r;
  for (const auto& [tag, data] : fields) {
    std::string text;
    for (size_t i = 0; i < data.size(); ++i) {
      if (data[i] == '^' && i + 1 < data.size()) {
        text += kSubfield;
      } else {
        text += data[i];
      }
    }
    r.fields.emplace_back(tag, text);
  }
  return r;
}

void PagesSite::WriteDefaultFrames() {
  site_->WriteFile("frames/header.frm",
                   "<html>HEAD total=<--TOTALRECS--> begin=<--BEGINRECS--> end=<--ENDRECS-->");
  site_->WriteFile("frames/SMain.frm", "<div>\r\n<!RESULT>\r\n</div>");
  site_->WriteFile("frames/AMain.frm", "<!RESULT>");
  site_->WriteFile("frames/footer.frm", "FOOT <--DATABASE--></html>");
  site_->WriteFile("frames/sempty.frm", "<p>\r\nПустой ответ\r\n</p>");
  site_->WriteFile("data/BOOKS/fullwebr.pft", "'<p>[<--MFNCOUNT-->] mfn=<--MFN--> 'v001'</p>'/");
}

void PagesSite::Configure(std::string_view main, std::string_view web, std::string_view rest) {
  site_->WriteConfig(
      "[MAIN]\nDATAPATH=" + site_->root() + "data/\n" + std::string(main) + std::string(rest),
      "FRAMES=" + site_->root() + "frames/\n" + std::string(web));
}

CgiResult PagesSite::Get(std::string_view query) { return RunCgi(site_->Get(query)); }

std::string RepeatedSampleIso(const std::string& folder, size_t count) {
  const std::string path = folder + "books.iso";
  if (FileExists(path)) return path;
  std::vector<IsoRec> sample;
  try {
    sample = ParseIsoFile(TestData("marc21-real-utf8.mrc"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return std::string();
  }
  if (sample.empty() || count == 0) return std::string();
  const int copies = static_cast<int>((count + sample.size() - 1) / sample.size());
  std::vector<IsoRec> all = RepeatRecords(sample, copies);
  all.resize(count);
  std::string iso;
  for (const IsoRec& r : all) iso += WriteIsoRecord(r);
  if (!WriteFileBytes(path, iso)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return std::string();
  }
  std::printf("wrote %zu records (%d copies of the %zu sample records, cut) to %s\n", count, copies,
              sample.size(), path.c_str());
  return path;
}

std::vector<int> ShownMfns(const std::string& body) {
  std::vector<int> mfns;
  static const std::regex kMfn("mfn=(\\d+) ");
  for (auto it = std::sregex_iterator(body.begin(), body.end(), kMfn); it != std::sregex_iterator();
       ++it) {
    mfns.push_back(std::stoi((*it)[1]));
  }
  return mfns;
}

size_t CountOf(std::string_view text, std::string_view what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace zarix::testing
