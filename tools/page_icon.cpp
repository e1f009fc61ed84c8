// quellon-page-icon SIZE OUT.bmp: the program's icon for the page's web app manifest, SIZE by
// SIZE pixels, scaled from the carried texture the desktop's icons are made from, as a BMP (the
// page's build has no PNG library; browsers read either). Built with the page and run by the
// build under Node.js.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "assets/images.h"
#include "formats/bmp.h"
#include "tools/scale.h"
#include "tools/tool.h"

namespace {

constexpr int kMaxSizePx = 1024;

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
    const std::string_view sizeText = argv[1];
    int size = 0;
    const auto [end, ec] =
        std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (ec != std::errc{} || end != sizeText.data() + sizeText.size() || size < 1 ||
        size > kMaxSizePx) {
        return kTool.fail("SIZE must be a whole number in 1.." + std::to_string(kMaxSizePx));
    }
    const quellon::BmpResult texture =
        quellon::decodeBmp(quellon::assets::textureImage(quellon::assets::kIconTexture));
    if (!texture.ok()) {
        return kTool.fail("carried texture: " + texture.error);
    }
    const std::vector<std::uint8_t> bmp =
        quellon::encodeBmp(quellon::scaleByArea(texture.image, size, size));
    std::FILE* out = std::fopen(argv[2], "wb");
    const bool written =
        out != nullptr && !bmp.empty() && std::fwrite(bmp.data(), 1, bmp.size(), out) == bmp.size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
        return kTool.fail(std::string("cannot write ") + argv[2]);
    }
    return 0;
}
