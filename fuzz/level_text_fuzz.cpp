// Fuzzes the reader of the level's text form with arbitrary text.
//
// An accepted text must really be the form: after skipping empty lines (and a CR before each
// LF), exactly 64 lines, line r being r in two digits, a space and 64 characters of . or 1-5;
// its image is 64 by 64 pixels of level colours, one per cell as the text says, and writing the
// scanned grid back as text gives the same lines. A refused text gets one line naming the
// line where it goes wrong, and no image.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/level_text.h"
#include "fuzz/fuzz_check.h"
#include "world/level.h"

namespace {

// The text's non-empty lines, without their line ends, read apart from the reader under test.
std::vector<std::string_view> nonEmptyLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool isTheForm(const std::vector<std::string_view>& lines) {
    if (lines.size() != quellon::kMapSize) {
        return false;
    }
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const std::string_view line = lines[r];
        if (line.size() != 3 + quellon::kMapSize || line[0] != static_cast<char>('0' + r / 10) ||
            line[1] != static_cast<char>('0' + r % 10) || line[2] != ' ') {
            return false;
        }
        for (const char c : line.substr(3)) {
            if (c != '.' && (c < '1' || c > '5')) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const quellon::LevelTextResult result = quellon::levelImageFromText(input);
    const std::vector<std::string_view> lines = nonEmptyLines(input);
    FUZZ_CHECK(result.ok() == isTheForm(lines), "accepted %d, but the form holds %d", result.ok(),
               isTheForm(lines));
    if (!result.ok()) {
        FUZZ_CHECK(
            result.error.rfind("line ", 0) == 0 && result.error.find('\n') == std::string::npos,
            "refusal \"%s\" is not one line naming the line", result.error.c_str());
        FUZZ_CHECK(result.image.width() == 0, "a refusal carries an image");
        return 0;
    }
    quellon::WorldMap grid;
    quellon::scanLevel(grid, result.image);
    const std::string text = quellon::levelText(grid);
    const std::vector<std::string_view> written = nonEmptyLines(text);
    for (int r = 0; r < quellon::kMapSize; ++r) {
        FUZZ_CHECK(written[r] == lines[r], "row %d reads back as \"%.*s\"", r,
                   static_cast<int>(written[r].size()), written[r].data());
    }
    return 0;
}
