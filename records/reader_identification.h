// Reader identification: who sent the request, set once before the command runs.
//
// The request brings the reader's card number, or a reader key an earlier answer handed out, in
// Z21ID (and the surname in Z21FAMILY when Z21FLAGID asks for the check). The reader is looked
// up under [Reader] RdrPrefReader + identifier in the reader database [Reader] RdrName (the
// request may name others: RdrName, RdrPrefReader), opened in space 2, which then stays
// positioned on the reader's record. The outcome goes into RequestContext::reader; the request
// field Z21ID is replaced by a fresh key (or the bare identifier when [WEB] TimeLiveKey is 0, or
// nothing when the reader was not identified), so every link and form written later carries it.
//
// reader.reader_key is non-empty only for a reader who was really identified: commands that
// need a reader test it. reader.reader_id holds the identifier as typed (or taken out of a key)
// even when a later check failed, for the logs.
#pragma once

#include <string_view>

#include "records/reader_key.h"
#include "util/ini_store.h"

namespace zarix {

struct RequestContext;

// The key settings of the request: [WEB] TimeLiveKey, the request parameter
// Z21ID_TIME_UNLIMITED, and [Reader] KeyDigits (a table that is not a permutation of the ten
// digits without fixed points is refused with a message on standard error, the web server's
// error log, and the built-in table is used).
ReaderKeySettings ReaderKeySettingsFor(const RequestContext& ctx);

// `text` upper-cased (simple Unicode mapping, as the engine indexes terms) and cut to at most
// `limit` bytes at a character boundary: the form of a search key.
std::string SearchKey(std::string_view text, size_t limit = 254);

// The plain variant: identifier or key, surname check when Z21FLAGID is not "0" (never for a
// valid key).
void IdentifyReader(RequestContext& ctx);

// The variant of export and import: the same, and the reader's record must list the client
// address (URLTag, as the web server gave it) or "*.*.*.*" in [Reader] TAGIPREADER (default
// 112). Sets reader.client_address.
void IdentifyReaderWithAddress(RequestContext& ctx);

}  // namespace zarix
