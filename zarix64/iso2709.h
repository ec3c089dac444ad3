// ISO 2709 exchange records: reading files of them into the engine's record model and writing
// records back. The byte layout and the conversions are written up in doc/iso2709.md.
//
// Record model on our side: fields in record order, each a numeric tag and a UTF-8 text. A data
// field keeps its two indicators as its first two characters and writes subfields as "^" + code;
// control fields (001-009) are plain text. Field 999 (kIsoLeaderTag) carries the parts of the
// leader that describe the record (positions 5-9 and 17-19, 8 characters), so that the leader can
// be rebuilt on export.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "util/types.h"
#include "zarix64/iso2709_charset.h"

namespace zarix {

inline constexpr FieldTag kIsoLeaderTag = 999;
inline constexpr char kIsoFieldTerminator = 0x1E;
inline constexpr char kIsoRecordTerminator = 0x1D;
inline constexpr char kIsoSubfieldDelimiter = 0x1F;
// A record whose 5 + directory + data bytes reach this size is not written.
inline constexpr size_t kIsoMaxRecordBody = 96000;

struct IsoField {
  FieldTag tag = 0;
  std::string text;
  bool operator==(const IsoField&) const = default;
};

// For test failure messages.
inline void PrintTo(const IsoField& f, std::ostream* os) { *os << f.tag << ": " << f.text; }

struct IsoRecord {
  std::vector<IsoField> fields;
  bool operator==(const IsoRecord&) const = default;
};

// Reads the records of an ISO 2709 byte buffer one after another.
//
// Each record is checked before it is converted: the leader's record length and base address are
// decimal and inside the buffer, the record ends with the record terminator, the directory ends
// with the field terminator at the base address, and every directory entry points at a field that
// lies inside the data and ends with the field terminator. A record failing any check is reported
// (Next() returns kBroken with its byte offset and the reason) and skipped; reading goes on at the
// next record terminator, or earlier where a valid record begins, so garbage in front of a good
// record does not take that record with it. Line ends, blanks and NUL bytes between records are
// skipped silently (many files put a line end after every record).
//
// A field whose tag is not three digits from 001 to 999 (for example the "CAT" and "SID" fields of
// some library systems) cannot be held by a numeric tag: it is left out and named in
// dropped_tags().
//
// The buffer must outlive the reader. Not thread-safe.
class IsoReader {
 public:
  enum class Status { kRecord, kBroken, kEnd };

  IsoReader(std::string_view data, IsoEncoding encoding);

  // kRecord: *record holds the next record (leader field 999 first, then the fields in directory
  // order, texts converted to UTF-8). kBroken: a broken record or stretch of garbage begins at
  // offset(); error() says why; *record is untouched. kEnd: nothing more.
  Status Next(IsoRecord* record);

  // Byte offset of the record (or broken stretch) that Next() returned last.
  size_t offset() const { return offset_; }
  // Bytes consumed so far, for progress reports.
  size_t position() const { return pos_; }
  size_t size() const { return data_.size(); }
  const std::string& error() const { return error_; }
  // Tags of the fields left out of the last record returned (as written in the file).
  const std::vector<std::string>& dropped_tags() const { return dropped_tags_; }
  // Data fields (tags 010 and up) of the last record returned that hold a literal "^": in the
  // record model it reads as a subfield mark.
  int literal_carets() const { return literal_carets_; }
  // False when the last record returned has field bytes that are not valid in the reader's
  // encoding (only UTF-8 can tell: every byte is some character of a single-byte code page).
  bool valid_encoding() const { return valid_encoding_; }

 private:
  // Checks the record at `at`. On success sets *end past its terminator; else fills *why.
  bool Validate(size_t at, size_t* end, std::string* why) const;
  bool LooksLikeLeader(size_t at) const;
  void Convert(size_t at, IsoRecord* record);
  size_t Resync(size_t from) const;

  std::string_view data_;
  IsoCharset charset_;
  size_t pos_ = 0;
  size_t offset_ = 0;
  std::string error_;
  std::vector<std::string> dropped_tags_;
  int literal_carets_ = 0;
  bool valid_encoding_ = true;
};

// Writes records as ISO 2709 or as text.
//
// MARC mode (the default) turns every "^" of a data field (tags 010 and up) into the subfield
// delimiter 0x1F and rebuilds the leader from the first field 999, which itself is not written.
// Control fields (001-009) hold no subfields: a "^" there is data (the fill character of the
// fixed fields) and is written as it is. Without MARC mode the fields are
// written as they are (field 999 included) under a leader of zeros.
//
// Not thread-safe (holds a converter).
class IsoWriter {
 public:
  explicit IsoWriter(IsoEncoding encoding, bool marc_mode = true);

  // Appends the ISO form of `record` to *out and returns 0. Returns -1 and appends nothing when
  // the record does not fit ISO 2709: 5 + directory + data reach kIsoMaxRecordBody bytes, or a
  // field is longer than the 4-digit length of a directory entry can say (9998 bytes).
  int Append(const IsoRecord& record, std::string* out);

  // Appends "#tag: value" CR LF for every field in record order, then "*****" CR LF.
  void AppendText(const IsoRecord& record, std::string* out);

  // Characters the encoding lacks, written as "?", over everything written so far.
  size_t lost_characters() const { return charset_.lost(); }

 private:
  IsoCharset charset_;
  bool marc_mode_;
};

// The 8-character text of field 999 for `leader` (24 bytes): positions 5-9 and 17-19.
std::string IsoLeaderFieldText(std::string_view leader);

}  // namespace zarix
