// quellon-make-icon SIZE OUT.png: the program's icon at SIZE by SIZE pixels, scaled from the
// carried texture it is made from (the one the window shows), as a PNG for the desktop's icon
// theme. The build writes one per size it installs.
#include <charconv>
#include <string>
#include <string_view>

#include "assets/images.h"
#include "formats/bmp.h"
#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/png.h"
#include "text/one_line.h"
#include "tools/scale.h"
#include "tools/tool.h"

namespace {

constexpr int kMaxSizePx = 1024;

constexpr quellon::Tool kTool{
    "quellon-make-icon",
    "usage: quellon-make-icon SIZE OUT.png\n"
    "Writes the program's icon, SIZE by SIZE pixels (1..1024), as a PNG: the carried texture\n"
    "the window's icon is, scaled by area averaging in linear light.\n"};

int fail(const std::string& message) {
    return kTool.fail(message);
}

}  // namespace

int main(int argc, char** argv) {
    if (quellon::Tool::asksForHelp(argc, argv)) {
        return kTool.help();
    }
    if (argc != 3) {
        return kTool.wrongArguments(argc, "SIZE OUT.png");
    }
    const std::string_view sizeText = argv[1];
    int size = 0;
    const auto [end, ec] =
        std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (ec != std::errc{} || end != sizeText.data() + sizeText.size() || size < 1 ||
        size > kMaxSizePx) {
        return fail("SIZE must be a whole number in 1.." + std::to_string(kMaxSizePx) + ", not " +
                    quellon::quoted(sizeText));
    }
    const std::string_view out = argv[2];
    if (quellon::fileFormatOf(out) != quellon::FileFormat::kPng) {
        return fail("OUT must end in .png, not " + quellon::quoted(out));
    }
    const quellon::BmpResult texture =
        quellon::decodeBmp(quellon::assets::textureImage(quellon::assets::kIconTexture));
    if (!texture.ok()) {
        return fail("carried texture " + std::to_string(quellon::assets::kIconTexture) + ": " +
                    texture.error);
    }
    const std::vector<std::uint8_t> png =
        quellon::encodePng(quellon::scaleByArea(texture.image, size, size));
    if (png.empty()) {
        return fail("cannot encode the icon");
    }
    std::string error;
    if (!quellon::writeFileAtomically(argv[2], png, error)) {
        return fail(error);
    }
    return 0;
}
