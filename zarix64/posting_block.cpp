// Delta-varint posting blocks (see posting_block.h and doc/engine_storage.md).
#include "zarix64/posting_block.h"

#include "zarix64/varint.h"

namespace zarix::db {

std::string EncodePostingBlock(const Posting* p, size_t n) {
  std::string out;
  out.reserve(n * 5);
  Posting prev;
  for (size_t i = 0; i < n; ++i) {
    const Posting& c = p[i];
    const bool same_mfn = c.mfn == prev.mfn;
    const bool same_tag = same_mfn && c.tag == prev.tag;
    const bool same_occ = same_tag && c.occurrence == prev.occurrence;
    PutVarint(&out, static_cast<uint32_t>(c.mfn - prev.mfn));
    PutVarint(&out, static_cast<uint32_t>(same_mfn ? c.tag - prev.tag : c.tag));
    PutVarint(&out,
              static_cast<uint32_t>(same_tag ? c.occurrence - prev.occurrence : c.occurrence));
    PutVarint(&out, static_cast<uint32_t>(same_occ ? c.position - prev.position : c.position));
    prev = c;
  }
  return out;
}

bool DecodePostingBlock(std::string_view data, std::vector<Posting>* out) {
  Posting prev;
  while (!data.empty()) {
    uint64_t d[4];
    for (uint64_t& v : d) {
      if (!GetVarint(&data, &v) || v > 0xffffffffu) return false;
    }
    Posting c;
    c.mfn = static_cast<Mfn>(prev.mfn + static_cast<uint32_t>(d[0]));
    const bool same_mfn = d[0] == 0;
    c.tag = static_cast<FieldTag>(same_mfn ? prev.tag + static_cast<uint32_t>(d[1]) : d[1]);
    const bool same_tag = same_mfn && d[1] == 0;
    c.occurrence =
        static_cast<Occurrence>(same_tag ? prev.occurrence + static_cast<uint32_t>(d[2]) : d[2]);
    const bool same_occ = same_tag && d[2] == 0;
    c.position =
        static_cast<TermPos>(same_occ ? prev.position + static_cast<uint32_t>(d[3]) : d[3]);
    out->push_back(c);
    prev = c;
  }
  return true;
}

}  // namespace zarix::db
