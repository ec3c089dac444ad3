// Orders: an identified reader orders a document, one or more issues of a serial, or an article
// (ordered by the cipher of the journal or book it appeared in).
//
// Command Z. Every ordered item becomes one new record of the order database "RQST" (resolved
// like any database through its ".par" file in the data folder), holding the document's and the
// reader's brief descriptions, the cipher, the issue data, the reader's comment (Z21CMT) and
// form value (Z21MRG), the time, the reader identifier and the database name, plus whatever the
// order form adds through its record-editing fields (R21NUM...). Nothing else of the order
// database is read or changed.
//
// Request fields: Z21MFN (the document in the open database), Z21YEAR, Z21TOM, Z21NUM (issue
// numbers separated by ","; each distinct number once, at most kMaxIssuesPerOrder), Z21CMT,
// Z21MRG. Configuration: [Main] TagVid SerVid AnalVid1-3 DBNPREFSHIFR DBNTAGSHIFR DBNTAGSOURCE
// DBNDELIMSOURCE, [MAIN] BRIEFPft, [Request] RQSTTAG... (tags of the order record).
//
// The answer is a line of the web message list: 3 no document (or a serial without issue
// data), 4 one order written, 5 + " - " + count several, 6 none, 7 no reader (as a message
// page) or the reader record unreadable, 8 the reader record unknown, 9 no order database.
#pragma once

#include <string>

namespace zarix {

struct RequestContext;
struct PageState;

inline constexpr size_t kMaxIssuesPerOrder = 100;

// Places the orders of the request and appends the answer to *output. The order database is
// opened in a space of its own and released on every path.
void PlaceOrder(RequestContext& ctx, PageState& page, std::string* output);

}  // namespace zarix
