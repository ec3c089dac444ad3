// TermIndex and RecordSource over an engine space: the search reads the inverted file and the
// morphology database of a request through these.
//
// The space must have its database open (master and inverted file). The objects keep no state
// of their own beyond the engine's walk in the space, so a dictionary or posting walk of another
// caller on the same space in between disturbs them. Not owned: the EngineApi and the space
// outlive these objects. Used by the request thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_api.h"
#include "search/term_index.h"

namespace zarix {

class EngineTermIndex : public TermIndex {
 public:
  EngineTermIndex(EngineApi& api, int space) : api_(api), space_(space) {}

  int Find(std::string_view key, std::string* term) override;
  int NextTerm(std::string* term) override;
  int NextPosting(Posting* posting) override;

 private:
  EngineApi& api_;
  int space_;
};

// Reads records onto `shelf` of the space. A record that is not there (never written, outside
// the MFN range, deleted or waiting for indexing) reads as a record without fields.
class EngineRecordSource : public RecordSource {
 public:
  EngineRecordSource(EngineApi& api, int space, int shelf = 0)
      : api_(api), space_(space), shelf_(shelf) {}

  int ReadField(Mfn mfn, FieldTag tag, std::vector<std::string>* texts) override;

 private:
  EngineApi& api_;
  int space_;
  int shelf_;
};

}  // namespace zarix
