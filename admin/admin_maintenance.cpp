// zarix-admin commands that look after a database as a whole: create, terms, postings, reindex,
// check, stats, empty, lock and unlock.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include "admin/admin_catalog.h"
#include "admin/admin_commands.h"
#include "admin/admin_create.h"
#include "zarix64/database.h"

namespace zarix::admin {
namespace {

bool OpenNamed(const Args& args, Catalog* catalog, std::unique_ptr<db::Database>* db) {
  std::string error;
  if (!catalog->Init(args.Value("datapath"), &error) ||
      !catalog->Open(args.positional()[0], db, &error)) {
    Error(error);
    return false;
  }
  if (!catalog->warnings().empty()) Error("warning: " + catalog->warnings());
  return true;
}

int Failed(const std::string& what, const db::Status& s) {
  std::string why = s.code() == db::kDatabaseLocked
                        ? "the database is locked by an administrator (zarix-admin unlock)"
                        : s.ToString();
  Error(what + ": " + why);
  return kExitFailed;
}

db::ProgressFn ProgressTo(Progress* progress) {
  return [progress](int64_t done, int64_t total) {
    progress->Update(done, total);
    return true;
  };
}

std::string Holder() {
  char host[256] = "?";
  gethostname(host, sizeof host - 1);
  const char* user = getenv("USER");
  return "zarix-admin lock by " + std::string(user ? user : "?") + " on " + host + ", pid " +
         std::to_string(getpid());
}

}  // namespace

int CmdCreate(const Args& args) {
  const auto& pos = args.positional();
  if (args.Flag("marc21") + args.Flag("unimarc") + args.Flag("log") > 1) {
    Error("give one of --marc21, --unimarc, --log");
    return kExitUsage;
  }
  if (!ValidDatabaseName(pos[1])) {
    Error("\"" + pos[1] + "\" is not a database name (a plain file name is needed)");
    return kExitUsage;
  }
  CreateRequest request;
  request.datapath = pos[0];
  request.name = pos[1];
  request.folder = args.Value("folder");
  request.flavour = args.Flag("unimarc") ? MarcFlavour::kUnimarc
                    : args.Flag("log")   ? MarcFlavour::kRequestLog
                                         : MarcFlavour::kMarc21;
  std::string notes, error;
  if (!CreateDatabase(request, &notes, &error)) {
    Error(error);
    return kExitFailed;
  }
  std::fputs(notes.c_str(), stdout);
  std::printf("database %s created (%s field selection)\n", request.name.c_str(),
              request.flavour == MarcFlavour::kUnimarc      ? "UNIMARC"
              : request.flavour == MarcFlavour::kRequestLog ? "request log"
                                                            : "MARC 21");
  return kExitOk;
}

int CmdTerms(const Args& args) {
  long long count = -1;
  if (args.Has("count") && !ParseCount(args.Value("count"), &count)) {
    Error("--count wants a number");
    return kExitUsage;
  }
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  std::string prefix = db->MakeKey(args.Value("prefix"));
  std::string from = args.Has("from") ? db->MakeKey(args.Value("from")) : prefix;
  if (from < prefix) from = prefix;
  std::unique_ptr<db::TermIterator> it = db->NewTermIterator();
  it->Seek(from);
  for (long long n = 0; it->Valid() && (count < 0 || n < count); it->Next(), ++n) {
    std::string_view key = it->key();
    if (key.substr(0, prefix.size()) != prefix) break;
    std::printf("%.*s\t%lld\n", static_cast<int>(key.size()), key.data(),
                static_cast<long long>(it->posting_count()));
  }
  if (!it->status().ok()) return Failed("reading the dictionary", it->status());
  return kExitOk;
}

int CmdPostings(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  std::string term = db->MakeKey(args.positional()[1]);
  std::unique_ptr<db::PostingIterator> it = db->NewPostingIterator(term);
  if (!it->Valid() && it->status().ok()) {
    Error("no term " + term);
    return kExitFailed;
  }
  for (; it->Valid(); it->Next()) {
    std::printf("%d\t%d\t%d\t%d\n", it->mfn(), it->tag(), it->occurrence(), it->position());
  }
  if (!it->status().ok()) return Failed("reading the postings", it->status());
  return kExitOk;
}

int CmdReindex(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  Progress progress("reindex");
  if (args.Flag("pending")) {
    int64_t count = 0;
    db::Status s = db->ReindexPending(&count, ProgressTo(&progress));
    progress.Finish();
    if (!s.ok()) return Failed("reindex", s);
    std::printf("%lld records indexed\n", static_cast<long long>(count));
    return kExitOk;
  }
  db::Status s = db->ReindexAll(ProgressTo(&progress));
  progress.Finish();
  if (!s.ok()) return Failed("reindex", s);
  db::Stats stats;
  if (db->GetStats(&stats).ok()) {
    std::printf("inverted file rebuilt: %lld records, %lld terms, %lld postings\n",
                static_cast<long long>(stats.records - stats.deleted),
                static_cast<long long>(stats.terms), static_cast<long long>(stats.postings));
  }
  return kExitOk;
}

int CmdCheck(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  db::CheckReport report;
  Progress progress("check");
  db::Status s = db->Check(&report, 100, ProgressTo(&progress));
  progress.Finish();
  if (!s.ok()) return Failed("check", s);
  std::printf("%lld records (%lld deleted, %lld not indexed), %lld terms, %lld postings\n",
              static_cast<long long>(report.records), static_cast<long long>(report.deleted),
              static_cast<long long>(report.not_indexed), static_cast<long long>(report.terms),
              static_cast<long long>(report.postings));
  for (const std::string& p : report.problems) std::printf("%s\n", p.c_str());
  ListStrayCarets(db.get(), 100);
  if (report.problems_omitted) {
    std::printf("... and %lld more problems\n", static_cast<long long>(report.problems_omitted));
  }
  if (!report.ok()) {
    std::printf("records and inverted file disagree: zarix-admin reindex rebuilds the index\n");
    return kExitFailed;
  }
  std::printf("records and inverted file agree\n");
  return kExitOk;
}

int CmdStats(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  db::Stats st;
  db::Status s = db->GetStats(&st);
  if (!s.ok()) return Failed("stats", s);
  auto line = [](const char* key, long long v) { std::printf("%-16s %lld\n", key, v); };
  std::printf("%-16s %s\n", "master file", db->master_path().c_str());
  std::printf("%-16s %s\n", "inverted file", db->inverted_path().c_str());
  line("next MFN", st.next_mfn);
  line("records", st.records);
  line("deleted", st.deleted);
  line("not indexed", st.not_indexed);
  line("terms", st.terms);
  line("postings", st.postings);
  line("posting blocks", st.posting_blocks);
  line("master bytes", st.master_bytes);
  line("inverted bytes", st.inverted_bytes);
  std::printf("%-16s %s\n", "locked", st.admin_locked ? ("yes: " + st.lock_holder).c_str() : "no");
  return kExitOk;
}

int CmdEmpty(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  const std::string& name = args.positional()[0];
  // A person at a terminal confirms; scripts (no terminal) say --yes or get the old behaviour
  // of doing it.
  if (!args.Flag("yes") && isatty(0) && isatty(2)) {
    db::Stats st;
    db->GetStats(&st);
    std::fprintf(stderr, "Remove all %lld records of %s? [y/N] ",
                 static_cast<long long>(st.records), name.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    if (answer != "y" && answer != "Y" && answer != "yes") {
      std::fprintf(stderr, "nothing removed\n");
      return kExitFailed;
    }
  }
  db::Status s = db->Empty();
  if (!s.ok()) return Failed("empty", s);
  std::printf("database %s emptied\n", name.c_str());
  return kExitOk;
}

int CmdLock(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  db::Status s = db->LockForAdmin(Holder());
  if (!s.ok()) {
    if (s.code() == db::kDatabaseLocked) {
      db::Stats st;
      db->GetStats(&st);
      Error("database " + args.positional()[0] + " is locked already (" + st.lock_holder + ")");
      return kExitFailed;
    }
    return Failed("lock", s);
  }
  std::printf("database %s locked: the gateway reads but does not write until unlock\n",
              args.positional()[0].c_str());
  return kExitOk;
}

int CmdUnlock(const Args& args) {
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, &catalog, &db)) return kExitFailed;
  db::Status s = db->UnlockAdmin();
  if (!s.ok()) return Failed("unlock", s);
  std::printf("database %s unlocked\n", args.positional()[0].c_str());
  return kExitOk;
}

}  // namespace zarix::admin
