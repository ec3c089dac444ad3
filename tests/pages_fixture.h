// Fixture of the result-page tests: ISO 2709 records parsed and written by the test itself (so
// that expected hit counts come from the records, not from the engine), and a site whose
// database BOOKS holds the MARC 21 sample records repeated with new control numbers, loaded
// with the real zarix-admin.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/cgi_runner.h"

namespace zarix::testing {

struct IsoRec {
  std::string leader;
  std::vector<std::pair<std::string, std::string>> fields;  // tag, data without terminator
};

std::vector<IsoRec> ParseIsoFile(std::string_view bytes);
std::string WriteIsoRecord(const IsoRec& rec);

// `copies` copies of each record, copy k with control number (001) "<original>-<k>".
std::vector<IsoRec> RepeatRecords(const std::vector<IsoRec>& records, int copies);

// The upper-cased keywords ("K=" terms) of a MARC 21 record under the default field selection:
// the words (runs of Unicode letters and digits) of 245 ^a ^b, 246 ^a, 600 ^a, 650 ^a ^x,
// 651 ^a, 653 ^a, 740 ^a.
std::set<std::string> Keywords(const IsoRec& rec);

// The benchmarks' large catalogue: `folder`books.iso with `count` records (the MARC 21 sample
// repeated with new control numbers, then cut), written unless it exists. Returns its path, or
// "" (with a line on standard error) when the sample cannot be read or the file written.
std::string RepeatedSampleIso(const std::string& folder, size_t count);

// MFNs (1-based record order) of the records holding every one of `words` as a keyword.
std::vector<int> RecordsWithAll(const std::vector<IsoRec>& records,
                                const std::vector<std::string>& words);

// A site with database BOOKS (the MARC 21 sample file five times: 1,165 records), frames in
// frames/, formats in the database folder. Built once per test program.
class PagesSite {
 public:
  static PagesSite& Get();

  FixtureSite& site() { return *site_; }
  const std::vector<IsoRec>& records() const { return records_; }
  std::string books_folder() const { return site_->root() + "data/BOOKS/"; }
  // (Re)writes the configuration: the base settings + `main` lines in [MAIN] + `web` lines in
  // [WEB] + `rest`.
  void Configure(std::string_view main = {}, std::string_view web = {}, std::string_view rest = {});
  // Writes the default frames and formats again (tests may change them).
  void WriteDefaultFrames();
  CgiResult Get(std::string_view query);

  // Creates database `name` and imports `records` into it; a non-empty `fst` replaces the
  // field selection table before the import.
  void MakeDatabase(const std::string& name, const std::vector<IsoRec>& records,
                    std::string_view fst = {});

 private:
  PagesSite();
  std::unique_ptr<FixtureSite> site_;
  std::vector<IsoRec> records_;
};

// A record with the fields given as (tag, data as stored: indicators, if any, included); "^x" in
// the data becomes a subfield mark.
IsoRec MakeRecord(const std::vector<std::pair<std::string, std::string>>& fields);

// The MFNs of the records on a page ("mfn=N " written by the record format), in page order.
std::vector<int> ShownMfns(const std::string& body);

// Counts of the occurrences of `what` in `text`.
size_t CountOf(std::string_view text, std::string_view what);

}  // namespace zarix::testing
