// Fuzz target for request decoding: the same bytes as a request body (form-encoded or multipart,
// with the boundary taken from a first line "--boundary"), as a query string, and as one value.
// Checks the promises later code relies on: stored values are valid UTF-8 without control
// characters, markup clean-up keeps the length, multipart parts lie inside the body.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gateway/cgi_request.h"
#include "gateway/request_store.h"
#include "gateway/web_action.h"
#include "util/utf8.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarix;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  CgiRequest request;
  request.body = std::string(input);
  bool ansi = false;
  std::vector<std::string> lines;
  TokenizeRequest(request, &lines, &ansi);
  Check(lines.size() >= 5);

  if (input.substr(0, 2) == "--") {
    const std::string_view first = input.substr(2, input.find_first_of("\r\n") - 2);
    std::vector<FormPart> parts;
    ParseMultipartFormData(input, first, &parts);
    for (const FormPart& p : parts) Check(input.find(p.data) != std::string_view::npos);
  }

  IniStore web;
  web.WriteString(kCgiSection, kQueryStringKey, input);
  ParseQueryString(web, size % 2 ? "WINDOWS-1251" : "UTF-8", size % 3 == 0);
  for (const std::string& line : web.SectionLines(kFormSection)) {
    Check(IsValidUtf8(line));
    for (char c : line) Check(static_cast<unsigned char>(c) >= 0x20);
  }

  const std::string decoded = UrlDecodeValue(input, true);
  Check(decoded.size() <= input.size() * 2);
  Check(NeutralizeMarkup(decoded, ' ').size() == decoded.size());
  Check(IsValidUtf8(Utf8RoundTrip(decoded)));
  return 0;
}
