#include "text/one_line.h"

namespace quellon {

std::string escapeControls(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string quoted(std::string_view text) {
    return '"' + escapeControls(text) + '"';
}

std::string printableAscii(std::string_view text) {
    constexpr unsigned char kFirstPrintable = 0x20;
    constexpr unsigned char kLastPrintable = 0x7E;
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= kFirstPrintable && byte <= kLastPrintable) {
            shown += static_cast<char>(byte);
            continue;
        }
        shown += '?';
        // The bytes that go on a character of several (10xxxxxx) belong to the same '?'.
        while (byte >= 0xC0 && i + 1 < text.size() &&
               (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            ++i;
        }
    }
    return shown;
}

std::string shortenedInTheMiddle(std::string_view text, std::size_t most) {
    constexpr std::string_view kGap = "...";
    if (text.size() <= most) {
        return std::string(text);
    }
    if (most <= kGap.size()) {
        return std::string(kGap.substr(0, most));
    }
    const std::size_t kept = most - kGap.size();
    const std::size_t tail = (kept + 1) / 2;  // the end holds the file's own name
    return std::string(text.substr(0, kept - tail)) + std::string(kGap) +
           std::string(text.substr(text.size() - tail));
}

}  // namespace quellon
