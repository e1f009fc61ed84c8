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

}  // namespace quellon
