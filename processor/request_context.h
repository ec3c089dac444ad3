// Everything the start-up of a request sets and every command handler reads.
//
// Built by RequestProcessor (start-up), handed to the handler of the request's command, consumed
// by the common tail. Owns the loaded configuration, the lists and the engine spaces of the
// request; refers to the request store, the request, the response and the trace, which the
// gateway owns. Used by the request thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frames/frame_list.h"
#include "gateway/cgi_request.h"
#include "gateway/cgi_response.h"
#include "gateway/request_store.h"
#include "processor/debug_trace.h"
#include "search/word_tables.h"
#include "util/ini_store.h"

namespace zarix {

class EngineApi;

// The reader who sent the request, set once by reader identification before the command runs
// (records/reader_identification.h).
struct ReaderContext {
  std::string reader_key;       // fresh key (or bare identifier); non-empty only when identified
  std::string reader_id;        // identifier as typed or read from a key, even when not admitted
  std::string reader_guest_id;  // reader_id; for GUEST also "_" and the client address
  int reader_mfn = 0;           // the reader record, 0 when nobody is identified
  std::string client_address;   // URLTag, set by the variant that checks addresses
};

// Parameters of a full-text request.
struct FullTextParams {
  std::string request;        // FT_REQUEST
  std::string prefix = "KT=";  // FT_PREFIX
  int near_mfn = 0;           // FT_NEAR_MFN
  std::string context;        // FT_CONTEXT
  int relation_context = 7;   // [FullText] RelavtionContext
  int near_level = 10;        // FT_NEARLEVEL
  int distance = -1;          // FT_DISTANCE
};

struct RequestContext {
  RequestContext(IniStore& web, const CgiRequest& req, CgiResponse& resp, DebugTrace& tr)
      : web_ini(web), request(req), response(resp), trace(tr) {}

  IniStore& web_ini;
  const CgiRequest& request;
  CgiResponse& response;
  DebugTrace& trace;
  EngineApi* engine = nullptr;

  IniStore server_ini;
  std::string server_ini_path;        // the configuration file loaded
  std::string cgi_path;               // [WEB] CGIPATH
  bool specsimvols = true;            // [MAIN] SPECSIMVOLS
  std::vector<std::string> messages;  // WebMsg.txt, picked by line number from 0
  std::string frames_char_set = "UTF-8";
  std::string query_char_set = "UTF-8";

  std::vector<std::string> scratch;
  FrameList frame_list;
  LogFieldList log_fields;

  std::string database;         // I21DBN, also the name of the database section
  std::string p21dbn;           // P21DBN
  std::string engine_database;  // DBNAME of the database section, default `database`
  std::string extpref;
  std::string extpost;
  long long min_color_count = 2;
  char command = '\0';

  std::string datapath;
  std::string zarixpath;
  std::string uctabpath;
  std::string actabpath;
  std::string auto_in_file;
  std::string prmarcformat;
  int export_format = 1;  // 1 iso, 0 text
  std::string rdr_name;
  std::string rdr_pref_reader;
  std::string log_file_name;
  long long log_file_size = 10000000;
  std::string log_database;
  std::string deposit_path;
  long long deposit_priority = 0;
  long long max_format_in_packet = 1000;
  std::string cgiflc;  // request-filter format file, empty when there is none

  int space1 = 0;
  int space2 = 0;
  int morph_space = 0;
  bool morphology = false;
  int full_text_space = 0;  // space the full-text handler leaves for closing instead of space 1

  bool use_cash_terms = false;
  long long up_down_search_result = 0;
  bool search_in_full_text = false;

  ReaderContext reader;
  std::unique_ptr<WordTables> word_tables;  // the database's alphabet and stop words
  std::string search_expression;
  std::string highlight_terms;
  FullTextParams full_text;

  std::string page_text;         // what the handler produces
  std::string served_file_name;  // file a download or page handler sent
  std::string export_char_set;   // code page of export data in page_text (empty: a page)

  std::string RequestParam(std::string_view name, std::string_view def = {}) const {
    return zarix::RequestParam(web_ini, server_ini, name, def);
  }
  void SetRequestParam(std::string_view name, std::string_view value) {
    zarix::SetRequestParam(web_ini, name, value);
  }
  // Message `index` of the message list ("" when the list is shorter).
  std::string Message(size_t index) const {
    return index < messages.size() ? messages[index] : std::string();
  }
};

}  // namespace zarix
