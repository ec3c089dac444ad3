// zarix-admin report: what readers ask of a catalogue, from the request-log database.
//
// The log database made by "zarix-admin create --log" indexes each request record under
//   DAY=yyyymmdd   the date of field 907 (ddmmyyyy hh:mm)
//   CMD=c          field 2, the command (C21COM)
//   DB=name        field 3, the database (I21DBN)
//   Q=text         field 1, the search (S21All)
//   NOHIT=text     field 1 when field 4, the number of records found, is "0"
// so that the gateway logs into it with [PARAMETRS] PARNAME1=S21All PARTAG1=1,
// PARNAME2=C21COM PARTAG2=2, PARNAME3=I21DBN PARTAG3=3 and SearchResultTag=4. The report walks
// these dictionary terms and their postings; it never reads the records.
#pragma once

#include <string>

namespace zarix::admin {

// The field selection table of a request-log database.
std::string RequestLogFst();

}  // namespace zarix::admin
