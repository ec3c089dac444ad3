// A plain in-memory record for tests, benchmarks and the engine's record shelves.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zarix64/format/format.h"

namespace zarix::format {

class SimpleRecord : public RecordView {
 public:
  SimpleRecord() = default;
  explicit SimpleRecord(Mfn mfn) : mfn_(mfn) {}
  SimpleRecord(Mfn mfn, std::vector<std::pair<FieldTag, std::string>> fields)
      : mfn_(mfn), fields_(std::move(fields)) {}

  void set_mfn(Mfn mfn) { mfn_ = mfn; }
  void AddField(FieldTag tag, std::string_view text) {
    fields_.emplace_back(tag, std::string(text));
  }
  void Clear() { fields_.clear(); }

  Mfn mfn() const override { return mfn_; }
  int FieldCount() const override { return static_cast<int>(fields_.size()); }
  FieldTag Tag(int index) const override { return fields_[index].first; }
  std::string_view Text(int index) const override { return fields_[index].second; }

 private:
  Mfn mfn_ = 0;
  std::vector<std::pair<FieldTag, std::string>> fields_;
};

}  // namespace zarix::format
