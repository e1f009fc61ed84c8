// quellon-page-icon SIZE OUT.bmp: the program's icon for the page's web app manifest, SIZE by
// SIZE pixels, scaled from the carried texture the desktop's icons are made from, as a BMP (the
// page's build has no PNG library; browsers read either). Built with the page and run by the
// build under Node.js.
#include <cstdio>
#include <string>
#include <vector>

#include "formats/bmp.h"
#include "tools/icon.h"
#include "tools/tool.h"

namespace {

constexpr quellon::Tool kTool{
    "quellon-page-icon",
    "usage: quellon-page-icon SIZE OUT.bmp\n"
    "Writes the program's icon, SIZE by SIZE pixels (1..1024), as a 24-bit BMP: the carried\n"
    "texture the desktop's icon is, scaled by area averaging in linear light.\n"};

}  // namespace

int main(int argc, char** argv) {
    if (quellon::Tool::asksForHelp(argc, argv)) {
        return kTool.help();
    }
    if (argc != 3) {
        return kTool.wrongArguments(argc, "SIZE OUT.bmp");
    }
    int size = 0;
    std::string error;
    if (!quellon::parseIconSize(argv[1], size, error)) {
        return kTool.fail(error);
    }
    const quellon::Surface icon = quellon::programIcon(size, error);
    if (icon.width() == 0) {
        return kTool.fail(error);
    }
    const std::vector<std::uint8_t> bmp = quellon::encodeBmp(icon);
    std::FILE* out = std::fopen(argv[2], "wb");
    const bool written =
        out != nullptr && !bmp.empty() && std::fwrite(bmp.data(), 1, bmp.size(), out) == bmp.size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
        return kTool.fail(std::string("cannot write ") + argv[2]);
    }
    return 0;
}
