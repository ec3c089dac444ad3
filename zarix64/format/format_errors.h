// Error codes of the format language, one per kind of error, with their messages.
//
// Compile() reports them in CompileError (message "position: message"); Run() returns the run-time
// ones and writes the line made by ErrorLine(). All codes are negative and lie in -801 .. -849 so
// they never collide with the engine's record and database codes.
#pragma once

#include <string>
#include <string_view>

namespace zarix::format {

enum FormatError : int {
  kFormatOk = 0,
  // Compile-time errors.
  kErrUnclosedLiteral = -801,    // a '...', "..." or |...| literal runs to the end of the text
  kErrUnclosedComment = -802,    // "/*" without "*/"
  kErrUnexpectedChar = -803,     // a character that starts no element
  kErrUnknownFunction = -804,    // a word that is no command, function, variable or selector
  kErrBadSelector = -805,        // malformed field selector (tag, subfield, [..], *k, .k)
  kErrGroupInGroup = -806,       // "(" group inside a repeatable group
  kErrMissingFi = -807,          // "if" without its "fi"
  kErrMissingThen = -808,        // "if <condition>" not followed by "then"
  kErrMissingParen = -809,       // ")" expected
  kErrSyntax = -810,             // an element or operator where none may stand
  kErrNumberExpected = -811,     // a text or condition where a numeric expression is required
  kErrConditionExpected = -812,  // a value where a condition is required
  kErrTextExpected = -813,       // a condition where a text is required
  kErrIncludeNotFound = -814,    // "@name" names no format file
  kErrIncludeDepth = -815,       // "@" includes nested too deeply (or too many of them)
  kErrTooDeep = -816,            // parentheses, conditions or functions nested too deeply
  kErrRefDepth = -817,           // "ref" nested too deeply
  kErrTooLarge = -818,           // format text (with its includes) too large
  // Run-time errors.
  kErrNotCompiled = -830,  // running a format whose compilation failed
  kErrRefDatabase = -831,  // "ref" names a database that does not exist
  kErrStepLimit = -832,    // the format did too much work on one record
};

// The fixed message of `code` ("unknown error" for a code not listed above).
std::string_view ErrorMessage(int code);

// "*** FORMAT ERROR <code>: <message> ***" with ErrorMessage(code) as message.
std::string ErrorLine(int code);

}  // namespace zarix::format
