// Reading text line by line, for the tools' line-based inputs.
#pragma once

#include <string_view>

namespace quellon {

// Takes the next line off the front of `text` and returns it without its "\n" or "\r\n".
inline std::string_view takeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace quellon
