#include "tools/icon.h"

#include <charconv>

#include "assets/images.h"
#include "formats/bmp.h"
#include "text/one_line.h"
#include "tools/scale.h"

namespace quellon {

bool parseIconSize(std::string_view text, int& size, std::string& error) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (ec != std::errc{} || end != text.data() + text.size() || size < 1 ||
        size > kMaxIconSizePx) {
        error = "SIZE must be a whole number in 1.." + std::to_string(kMaxIconSizePx) + ", not " +
                quoted(text);
        return false;
    }
    return true;
}

Surface programIcon(int size, std::string& error) {
    const BmpResult texture = decodeBmp(assets::textureImage(assets::kIconTexture));
    if (!texture.ok()) {
        error = "carried texture " + std::to_string(assets::kIconTexture) + ": " + texture.error;
        return Surface();
    }
    return scaleByArea(texture.image, size, size);
}

}  // namespace quellon
