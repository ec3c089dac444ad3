// Word forms from a morphology database.
#include "search/morphology_forms.h"

#include <set>

#include "util/unicode_upper.h"

namespace zarix {

int MorphologyForms(TermIndex& index, RecordSource& records, const std::string& word,
                    std::vector<std::string>* forms) {
  forms->clear();
  const std::string key = "K=" + word;
  std::string term;
  int r = index.Find(key, &term);
  if (r < 0) return r;
  if (r != TermIndex::kExact) return 0;
  std::vector<Mfn> mfns;
  Posting p;
  while ((r = index.NextPosting(&p)) == TermIndex::kExact) {
    if (mfns.empty() || mfns.back() != p.mfn) mfns.push_back(p.mfn);
  }
  if (r < 0) return r;
  std::set<std::string> seen{word};
  forms->push_back(word);
  std::vector<std::string> texts;
  for (Mfn mfn : mfns) {
    for (FieldTag tag : {kMorphBaseForm, kMorphWordForm}) {
      r = records.ReadField(mfn, tag, &texts);
      if (r < 0) return r;
      if (tag == kMorphBaseForm && texts.size() > 1) texts.resize(1);
      for (const std::string& text : texts) {
        std::string form = UpperUtf8(text);
        if (form.empty() || !seen.insert(form).second) continue;
        forms->push_back(std::move(form));
      }
    }
  }
  return 0;
}

}  // namespace zarix
