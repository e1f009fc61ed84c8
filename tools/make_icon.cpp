// quellon-make-icon SIZE OUT.png: the program's icon at SIZE by SIZE pixels, scaled from the
// carried texture it is made from (the one the window shows), as a PNG for the desktop's icon
// theme. The build writes one per size it installs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/png.h"
#include "text/one_line.h"
#include "tools/icon.h"
#include "tools/tool.h"

namespace {

constexpr quellon::Tool kTool{
    "quellon-make-icon",
    "usage: quellon-make-icon SIZE OUT.png\n"
    "Writes the program's icon, SIZE by SIZE pixels (1..1024), as a PNG: the carried texture\n"
    "the window's icon is, scaled by area averaging in linear light.\n"};

}  // namespace

int main(int argc, char** argv) {
    if (quellon::Tool::asksForHelp(argc, argv)) {
        return kTool.help();
    }
    if (argc != 3) {
        return kTool.wrongArguments(argc, "SIZE OUT.png");
    }
    int size = 0;
    std::string error;
    if (!quellon::parseIconSize(argv[1], size, error)) {
        return kTool.fail(error);
    }
    const std::string_view out = argv[2];
    if (quellon::fileFormatOf(out) != quellon::FileFormat::kPng) {
        return kTool.fail("OUT must end in .png, not " + quellon::quoted(out));
    }
    const quellon::Surface icon = quellon::programIcon(size, error);
    if (icon.width() == 0) {
        return kTool.fail(error);
    }
    const std::vector<std::uint8_t> png = quellon::encodePng(icon);
    if (png.empty()) {
        return kTool.fail("cannot encode the icon");
    }
    if (!quellon::writeFileAtomically(argv[2], png, error)) {
        return kTool.fail(error);
    }
    return 0;
}
