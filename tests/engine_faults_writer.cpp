// A writer process for the engine fault tests: writes COUNT records, one transaction each, into
// the database at MASTER_PREFIX, and after every write that returned success appends its MFN to
// LOG_FILE and fsyncs it, so that a test that kills this process knows which writes had returned.
//
// usage: engine_faults_writer MASTER_PREFIX PARAMETER_DIR WRITER_ID COUNT LOG_FILE
// Record i of writer w: field 1 "W<w>-<i>", field 200 "^aWriter <w> record <i>".
// Exit status 0 when every write succeeded; 1 at the first failure (message on stderr).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "zarix64/database.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s MASTER_PREFIX PARAMETER_DIR WRITER_ID COUNT LOG_FILE\n",
                 argv[0]);
    return 2;
  }
  zarix::db::OpenOptions options;
  options.master_prefix = argv[1];
  options.parameter_dir = argv[2];
  std::string id = argv[3];
  long count = std::atol(argv[4]);
  int log = open(argv[5], O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (log < 0) return 1;

  std::unique_ptr<zarix::db::Database> db;
  zarix::db::Status s = zarix::db::Database::Open(options, &db);
  if (!s.ok()) {
    std::fprintf(stderr, "writer %s: open: %s\n", id.c_str(), s.ToString().c_str());
    return 1;
  }
  for (long i = 1; i <= count; ++i) {
    zarix::db::Record record;
    record.fields.push_back({1, "W" + id + "-" + std::to_string(i)});
    record.fields.push_back({200, "^aWriter " + id + " record " + std::to_string(i)});
    s = db->Write(&record);
    if (!s.ok()) {
      std::fprintf(stderr, "writer %s: record %ld: %s\n", id.c_str(), i, s.ToString().c_str());
      return 1;
    }
    std::string line = std::to_string(record.mfn) + "\n";
    if (write(log, line.data(), line.size()) != static_cast<ssize_t>(line.size()) ||
        fsync(log) != 0) {
      return 1;
    }
  }
  close(log);
  return 0;
}
