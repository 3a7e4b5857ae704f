// A small JSON writer for files whose layout is fixed: one object of string
// pairs, keys in the order of the map given (byte order for a std::map of
// std::string), one pair per line, indented by a chosen number of blanks,
// "key": "value" with one blank after the colon, LF line ends and a final
// LF. Text is UTF-8 and written as is, except that '"', '\' and the control
// characters below U+0020 are escaped (\b \f \n \r \t, else \u00XX) and any
// byte sequence that is not valid UTF-8 becomes U+FFFD, so the output is
// always a file that a strict JSON reader accepts. U+FEFF is text like any
// other, also at the start, and is written as "\ufeff" so that no reader can
// take it for a byte order mark. No byte order mark is written: the caller
// adds one where its file needs it.
#pragma once

#include <map>
#include <string>
#include <string_view>

// `text` as a quoted JSON string.
std::string JsonQuote(std::string_view text);

// The whole object: "{\n" + pairs + "}\n"; an empty map gives "{\n}\n".
std::string FormatJsonStringObject(const std::map<std::string, std::string>& pairs, int indent = 2);
