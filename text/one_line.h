// Messages on stderr are one line whatever text they carry (an argument, an environment
// variable, a library's error): control characters are written as \xHH.
#pragma once

#include <string>
#include <string_view>

namespace quellon {

// `text` with every control character (below 0x20, and 0x7f) written as \xHH.
std::string escapeControls(std::string_view text);

// `text` in double quotes, control characters escaped.
std::string quoted(std::string_view text);

// `text` (UTF-8) as a plain ASCII font can show it: each character outside printable ASCII, a
// control character or one of several bytes, as one '?'.
std::string printableAscii(std::string_view text);

// `text` at most `most` characters long, shortened in the middle ("abc...xyz") when longer:
// a long file name keeps its start and its name.
std::string shortenedInTheMiddle(std::string_view text, std::size_t most);

}  // namespace quellon
