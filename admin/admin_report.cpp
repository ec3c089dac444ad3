// zarix-admin report: searches, searches without result, requests per day and per command,
// counted from the dictionary and postings of a request-log database.
#include "admin/admin_report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "admin/admin_catalog.h"
#include "admin/admin_commands.h"
#include "zarix64/database.h"

namespace zarix::admin {

std::string RequestLogFst() {
  return "907 0 if p(v907) then 'DAY=',mid(v907,5,4),mid(v907,3,2),mid(v907,1,2) fi\n"
         "1 0 (|Q=|v1/)\n"
         "2 0 (|CMD=|v2/)\n"
         "3 0 (|DB=|v3/)\n"
         "4 0 if v4 = '0' then (|NOHIT=|v1/) fi\n";
}

namespace {

// "yyyy-mm-dd" or "yyyymmdd" -> "yyyymmdd"; empty when it is neither.
std::string DayKey(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c != '-') {
      return {};
    }
  }
  return digits.size() == 8 ? digits : std::string();
}

struct Counted {
  std::string key;
  int64_t count = 0;
};

class Report {
 public:
  Report(db::Database* db, std::vector<bool> in_range, bool filtered)
      : db_(db), in_range_(std::move(in_range)), filtered_(filtered) {}

  // Records (counted once each) per term under `prefix`, the prefix taken off.
  std::vector<Counted> Terms(const std::string& prefix) {
    std::vector<Counted> out;
    std::unique_ptr<db::TermIterator> it = db_->NewTermIterator();
    const std::string key = db_->MakeKey(prefix);
    for (it->Seek(key); it->Valid() && it->key().starts_with(key); it->Next()) {
      const std::string term(it->key());
      int64_t n = 0;
      Mfn last = 0;
      for (std::unique_ptr<db::PostingIterator> p = db_->NewPostingIterator(term); p->Valid();
           p->Next()) {
        const Mfn mfn = p->posting().mfn;
        if (mfn == last) continue;
        last = mfn;
        if (!filtered_ || (static_cast<size_t>(mfn) < in_range_.size() && in_range_[mfn])) ++n;
      }
      if (n > 0) out.push_back({term.substr(key.size()), n});
    }
    status_ = it->status();
    return out;
  }
  const db::Status& status() const { return status_; }

 private:
  db::Database* db_;
  std::vector<bool> in_range_;
  bool filtered_;
  db::Status status_;
};

void SortByCount(std::vector<Counted>* v) {
  std::stable_sort(v->begin(), v->end(),
                   [](const Counted& a, const Counted& b) { return a.count > b.count; });
}

std::string Csv(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int CmdReport(const Args& args) {
  long long top = 20;
  if (args.Has("top")) {
    const std::string text = args.Value("top");  // `end` points into it
    char* end = nullptr;
    top = std::strtoll(text.c_str(), &end, 10);
    if (!end || *end || top <= 0) {
      Error("--top wants a positive number");
      return kExitUsage;
    }
  }
  const std::string from = args.Has("from") ? DayKey(args.Value("from")) : "00000000";
  const std::string to = args.Has("to") ? DayKey(args.Value("to")) : "99999999";
  if (from.empty() || to.empty()) {
    Error("--from and --to want a date as YYYY-MM-DD");
    return kExitUsage;
  }
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  std::string error;
  if (!catalog.Init(args.Value("datapath"), &error) ||
      !catalog.Open(args.positional()[0], &db, &error)) {
    Error(error);
    return kExitFailed;
  }

  // The requests of the period: the postings of the day terms from --from to --to.
  std::vector<bool> in_range(static_cast<size_t>(std::max<Mfn>(db->MaxMfn(), 1)), false);
  std::vector<Counted> days;
  {
    const std::string prefix = db->MakeKey("DAY=");
    std::unique_ptr<db::TermIterator> it = db->NewTermIterator();
    for (it->Seek(prefix + from); it->Valid() && it->key().starts_with(prefix); it->Next()) {
      const std::string day(it->key().substr(prefix.size()));
      if (day > to) break;
      int64_t n = 0;
      Mfn last = 0;
      for (std::unique_ptr<db::PostingIterator> p = db->NewPostingIterator(it->key()); p->Valid();
           p->Next()) {
        const Mfn mfn = p->posting().mfn;
        if (mfn == last || static_cast<size_t>(mfn) >= in_range.size()) continue;
        last = mfn;
        in_range[mfn] = true;
        ++n;
      }
      days.push_back(
          {day.size() == 8 ? day.substr(0, 4) + "-" + day.substr(4, 2) + "-" + day.substr(6) : day,
           n});
    }
    if (!it->status().ok()) {
      Error("reading the dictionary: " + it->status().ToString());
      return kExitFailed;
    }
  }
  const bool filtered = args.Has("from") || args.Has("to");
  Report report(db.get(), std::move(in_range), filtered);
  std::vector<Counted> commands = report.Terms("CMD=");
  std::vector<Counted> searches = report.Terms("Q=");
  std::vector<Counted> empty = report.Terms("NOHIT=");
  if (!report.status().ok()) {
    Error("reading the dictionary: " + report.status().ToString());
    return kExitFailed;
  }
  SortByCount(&commands);
  SortByCount(&searches);
  SortByCount(&empty);
  if (searches.size() > static_cast<size_t>(top)) searches.resize(top);
  if (empty.size() > static_cast<size_t>(top)) empty.resize(top);

  const struct {
    const char* title;
    const char* csv_name;
    const std::vector<Counted>* rows;
  } sections[] = {
      {"Most frequent searches", "search", &searches},
      {"Searches that found nothing", "no_result", &empty},
      {"Requests per day", "day", &days},
      {"Requests per command", "command", &commands},
  };
  if (args.Flag("csv")) {
    std::printf("section,key,requests\n");
    for (const auto& s : sections) {
      for (const Counted& c : *s.rows) {
        std::printf("%s,%s,%lld\n", s.csv_name, Csv(c.key).c_str(),
                    static_cast<long long>(c.count));
      }
    }
    return kExitOk;
  }
  bool first = true;
  for (const auto& s : sections) {
    std::printf("%s%s\n", first ? "" : "\n", s.title);
    first = false;
    if (s.rows->empty()) std::printf("  (none)\n");
    for (const Counted& c : *s.rows) {
      std::printf("  %8lld  %s\n", static_cast<long long>(c.count), c.key.c_str());
    }
  }
  return kExitOk;
}

}  // namespace zarix::admin
