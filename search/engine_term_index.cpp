// The search seams over the engine's C interface.
#include "search/engine_term_index.h"

#include "zarix64/zarix64.h"

namespace zarix {

int EngineTermIndex::Find(std::string_view key, std::string* term) {
  const int r = api_.Zarixfind(space_, std::string(key), term);
  if (r == 0) return kExact;
  if (r == 1) return kAfter;
  if (r == ZARIX_END) return kEnd;
  return r;
}

int EngineTermIndex::NextTerm(std::string* term) {
  const int r = api_.Zarixnxtterm(space_, term);
  if (r == 0) return kExact;
  if (r == ZARIX_END) return kEnd;
  return r;
}

int EngineTermIndex::NextPosting(Posting* posting) {
  const int r = api_.Zarixnxtpost(space_);
  if (r == ZARIX_END) return kEnd;
  if (r != 0) return r;
  posting->mfn = api_.Zarixposting(space_, 1);
  posting->tag = api_.Zarixposting(space_, 2);
  posting->occurrence = api_.Zarixposting(space_, 3);
  posting->position = api_.Zarixposting(space_, 4);
  if (posting->mfn < 0) return posting->mfn;
  return kExact;
}

int EngineRecordSource::ReadField(Mfn mfn, FieldTag tag, std::vector<std::string>* texts) {
  texts->clear();
  const int r = api_.ZarixRecord(space_, shelf_, mfn);
  switch (r) {
    case 0:
      break;
    case ZARIX_REC_DELETED:
    case ZARIX_REC_NOT_INDEXED:
    case ZARIX_MFN_OUT_OF_RANGE:
    case ZARIX_NO_RECORD:
      return 0;
    default:
      return r;
  }
  for (int occurrence = 1;; ++occurrence) {
    const int index = api_.Zarixfieldn(space_, shelf_, tag, occurrence);
    if (index <= 0) break;
    std::string text = api_.Zarixfield(space_, shelf_, index);
    if (text.empty()) break;
    texts->push_back(std::move(text));
  }
  return 0;
}

}  // namespace zarix
