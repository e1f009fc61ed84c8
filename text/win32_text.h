// Text between the program and Windows: the program keeps its strings in UTF-8, Windows' own
// interfaces take UTF-16 (the "W" functions), and its error codes become one line of text.
// Windows-only; the build compiles it only for a Windows target.
#pragma once

#include <string>
#include <string_view>

namespace quellon {

// UTF-8 to UTF-16 for a "W" function. Bytes that are not UTF-8 become U+FFFD.
std::wstring widen(std::string_view utf8);
// UTF-16 from Windows to UTF-8. A lone surrogate becomes U+FFFD.
std::string narrow(std::wstring_view utf16);
// What Windows says of an error code (GetLastError, an HRESULT), on one line, without the
// full stop it ends with; the number in hexadecimal when it has no text for it.
std::string systemMessage(unsigned long code);

}  // namespace quellon
