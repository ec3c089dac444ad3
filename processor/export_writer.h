// The export forms of a record: readable text and ISO 2709.
//
// Text: "#" tag ": " value CR LF per field, then "*****" CR LF. ISO 2709: a 24-character leader
// of zeros with the record length (positions 0-4), "22" (10-11), the base address (12-16) and
// "45" (20-21); a directory of 12-character entries (tag with tags above 999 written as 998,
// length of the value plus its terminator, offset); the field terminator 0x1E after the directory
// and after every value, the record terminator 0x1D at the end.
//
// MARC mode: "^" in data fields (tags 010 and up) becomes the subfield delimiter 0x1F; control
// fields (001-009) keep their text as it is, since they hold no subfields and a "^" there is data.
// The first field 999 carries the leader's record description (its characters 1-5 go to leader
// positions 5-9, characters 6-8 to positions 17-19; a shorter text fills what it has) and is not
// written as a field of the ISO record.
//
// Values are converted to the export's code page first; characters the code page lacks become
// "?" and are counted. Not thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

// Code page code of EXP21CODE: "DOS" (the OEM code page), "WIN" (the ANSI code page), anything
// else UTF-8 (values unchanged). Compared in exact case.
enum class ExportCodePage { kDos = 0, kWin = 1, kUtf8 = 2 };
ExportCodePage ParseExportCodePage(std::string_view code);

struct ExportField {
  int tag = 0;
  std::string value;  // UTF-8
};

class ExportWriter {
 public:
  enum Result { kWritten = 0, kTooLong = -1, kFieldTooLong = -2 };

  ExportWriter(ExportCodePage code_page, bool marc_mode, bool iso);

  // Appends the export form of a record to *out. ISO only: kTooLong when 5 + directory + data
  // reach 96,000 bytes, kFieldTooLong when a value with its terminator needs more than the four
  // digits of a directory entry; nothing is appended then.
  Result Append(const std::vector<ExportField>& fields, std::string* out);

  // Characters that the code page could not hold (written as "?"), over all records so far.
  size_t lost_characters() const { return lost_; }

 private:
  std::string Convert(std::string_view value);

  ExportCodePage code_page_;
  bool marc_mode_;
  bool iso_;
  size_t lost_ = 0;
};

}  // namespace zarix
