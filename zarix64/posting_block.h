// Encoding of a block of postings (one row of the inverted file's `blocks` table).
//
// Postings of a block are sorted ascending. Each is four varints; every part after the first
// that differs from the previous posting is stored whole, the parts before it as deltas
// (mfn - previous mfn, then tag - previous tag while the MFN is the same, ...), so a run of
// postings of distinct records costs about one byte per part.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "zarix64/database.h"

namespace zarix::db {

// Postings per block when a term's postings are (re)written; a block is split when it grows
// past kMaxBlockPostings.
inline constexpr size_t kBlockPostings = 256;
inline constexpr size_t kMaxBlockPostings = 512;

// REQUIRES: postings[0..n) sorted ascending, n > 0.
std::string EncodePostingBlock(const Posting* postings, size_t n);
// Appends the block's postings to *out. False when `data` is malformed.
bool DecodePostingBlock(std::string_view data, std::vector<Posting>* out);

}  // namespace zarix::db
