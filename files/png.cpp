#include "files/png.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace quellon {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void putU32BigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void putChunk(std::vector<std::uint8_t>& out, std::string_view type,
              const std::vector<std::uint8_t>& data) {
    putU32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data, not the length; PNG's CRC is zlib's CRC-32.
    const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), out.data() + typeAt,
                              static_cast<uInt>(out.size() - typeAt));
    putU32BigEndian(out, static_cast<std::uint32_t>(crc));
}

// The zlib stream of `raw`, or an empty vector when zlib cannot allocate its state.
std::vector<std::uint8_t> compressed(const std::vector<std::uint8_t>& raw) {
    uLongf size = ::compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> out(size);
    if (::compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()),
                    Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Surface& image) {
    if (image.width() <= 0 || image.height() <= 0) {
        return {};
    }
    const auto width = static_cast<std::size_t>(image.width());
    const auto height = static_cast<std::size_t>(image.height());

    std::vector<std::uint8_t> scanlines;
    scanlines.reserve((width * 3 + 1) * height);
    for (int y = 0; y < image.height(); ++y) {
        scanlines.push_back(0);  // filter type None
        for (int x = 0; x < image.width(); ++x) {
            const Colour c = image.at(x, y);
            scanlines.push_back(redOf(c));
            scanlines.push_back(greenOf(c));
            scanlines.push_back(blueOf(c));
        }
    }
    const std::vector<std::uint8_t> stream = compressed(scanlines);
    if (stream.empty()) {
        return {};
    }

    std::vector<std::uint8_t> header;
    putU32BigEndian(header, static_cast<std::uint32_t>(width));
    putU32BigEndian(header, static_cast<std::uint32_t>(height));
    header.push_back(8);  // bits per sample
    header.push_back(2);  // colour type: RGB
    header.push_back(0);  // compression: deflate
    header.push_back(0);  // filter method: adaptive (we only use type None)
    header.push_back(0);  // no interlace

    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", stream);
    putChunk(out, "IEND", {});
    return out;
}

namespace {

// libpng reports trouble through callbacks and leaves by longjmp; everything that lives across
// the jump is plain data declared before it, so no destructor is skipped.
struct PngSource {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

struct PngError {
    char text[160] = "";
};

void readFromSource(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->at) {
        png_error(png, "the file ends inside the image");
    }
    std::memcpy(out, source->bytes.data() + source->at, count);
    source->at += count;
}

[[noreturn]] void stopOnError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    (void)std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Reads the image's header, then, unless it is wider or taller than `maxSidePx`, its rows into
// `samples` as 8-bit red, green, blue; false with the reason in `error`.
bool readRgb(png_structp png, png_infop info, int maxSidePx, std::vector<std::uint8_t>& samples,
             std::vector<png_bytep>& rows, png_uint_32& width, png_uint_32& height) {
    // libpng leaves a failed read by longjmp to here: its one way of reporting, so this is where
    // the reason is received.
    if (setjmp(png_jmpbuf(png)) != 0) {  // NOLINT(cert-err52-cpp)
        return false;
    }
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (width > static_cast<png_uint_32>(maxSidePx) ||
        height > static_cast<png_uint_32>(maxSidePx)) {
        png_error(png, "larger than wanted");
    }
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 3) {
        png_error(png, "cannot be read as 8-bit red, green and blue");
    }
    samples.resize(static_cast<std::size_t>(width) * 3 * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = samples.data() + static_cast<std::size_t>(y) * width * 3;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool looksLikePng(std::span<const std::uint8_t> file) {
    return file.size() >= kSignature.size() &&
           std::equal(kSignature.begin(), kSignature.end(), file.begin());
}

PngResult decodePng(std::span<const std::uint8_t> file, int maxSidePx) {
    if (!looksLikePng(file)) {
        return {Surface{}, "PNG image: does not start with the PNG signature"};
    }
    PngSource source{file};
    PngError error;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, &stopOnError, &ignoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {Surface{}, "PNG image: libpng cannot start (out of memory)"};
    }
    png_set_read_fn(png, &source, &readFromSource);
    std::vector<std::uint8_t> samples;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    const bool read = readRgb(png, info, maxSidePx, samples, rows, width, height);
    png_destroy_read_struct(&png, &info, nullptr);
    PngResult result;
    result.width = static_cast<std::int64_t>(width);
    result.height = static_cast<std::int64_t>(height);
    if (!read) {
        result.error = std::string("PNG image: ") + error.text;
        return result;
    }
    result.image = Surface(static_cast<int>(width), static_cast<int>(height));
    for (int y = 0; y < result.image.height(); ++y) {
        const std::uint8_t* in = samples.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < result.image.width(); ++x, in += 3) {
            result.image.set(x, y, rgb(in[0], in[1], in[2]));
        }
    }
    return result;
}

}  // namespace quellon
