// Messages of the format language's error codes.
#include "zarix64/format/format_errors.h"

namespace zarix::format {

std::string_view ErrorMessage(int code) {
  switch (code) {
    case kFormatOk:
      return "no error";
    case kErrUnclosedLiteral:
      return "unclosed literal";
    case kErrUnclosedComment:
      return "unclosed comment";
    case kErrUnexpectedChar:
      return "unexpected character";
    case kErrUnknownFunction:
      return "unknown function or command";
    case kErrBadSelector:
      return "malformed field selector";
    case kErrGroupInGroup:
      return "group inside a group";
    case kErrMissingFi:
      return "fi missing";
    case kErrMissingThen:
      return "then missing";
    case kErrMissingParen:
      return "')' missing";
    case kErrSyntax:
      return "syntax error";
    case kErrNumberExpected:
      return "numeric expression expected";
    case kErrConditionExpected:
      return "condition expected";
    case kErrTextExpected:
      return "text expression expected";
    case kErrIncludeNotFound:
      return "format file not found";
    case kErrIncludeDepth:
      return "format files included too deeply";
    case kErrTooDeep:
      return "format nested too deeply";
    case kErrRefDepth:
      return "ref nested too deeply";
    case kErrTooLarge:
      return "format too large";
    case kErrNotCompiled:
      return "format not compiled";
    case kErrRefDatabase:
      return "ref: no such database";
    case kErrStepLimit:
      return "format runs too long";
    default:
      return "unknown error";
  }
}

std::string ErrorLine(int code) {
  std::string line = "*** FORMAT ERROR ";
  line += std::to_string(code);
  line += ": ";
  line += ErrorMessage(code);
  line += " ***";
  return line;
}

}  // namespace zarix::format
