#include "formats/png.h"

#include <png.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "formats/file_format.h"

namespace quellon {

namespace {

// libpng reports trouble through callbacks and leaves by longjmp; everything that lives across
// the jump is plain data declared before it, so no destructor is skipped.
struct PngError {
    char text[160] = "";
};

[[noreturn]] void stopOnError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    (void)std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

void appendToVector(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void flushNothing(png_structp /*png*/) {}

// Writes the rows of 8-bit red, green and blue; false if libpng gave up (out of memory).
bool writeRgb(png_structp png, png_infop info, int width, int height,
              std::vector<png_bytep>& rows) {
    // libpng leaves a failed write by longjmp to here: its one way of reporting.
    if (setjmp(png_jmpbuf(png)) != 0) {  // NOLINT(cert-err52-cpp)
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, Z_BEST_COMPRESSION);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Surface& image) {
    if (image.width() <= 0 || image.height() <= 0) {
        return {};
    }
    const auto width = static_cast<std::size_t>(image.width());
    std::vector<std::uint8_t> samples(width * 3 * static_cast<std::size_t>(image.height()));
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* out = samples.data() + static_cast<std::size_t>(y) * width * 3;
        rows[static_cast<std::size_t>(y)] = out;
        for (int x = 0; x < image.width(); ++x, out += 3) {
            const Colour c = GetPixel(image, x, y);
            out[0] = redOf(c);
            out[1] = greenOf(c);
            out[2] = blueOf(c);
        }
    }
    PngError error;
    std::vector<std::uint8_t> file;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, &stopOnError, &ignoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    png_set_write_fn(png, &file, &appendToVector, &flushNothing);
    const bool written = writeRgb(png, info, image.width(), image.height(), rows);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        return {};
    }
    return file;
}

namespace {

struct PngSource {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void readFromSource(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->at) {
        png_error(png, "the file ends inside the image");
    }
    std::memcpy(out, source->bytes.data() + source->at, count);
    source->at += count;
}

// Reads the image's header, then, unless it is wider or taller than `maxSidePx`, its rows into
// `samples` as 8-bit red, green, blue; false with the reason in `error`.
bool readRgb(png_structp png, png_infop info, int maxSidePx, std::vector<std::uint8_t>& samples,
             std::vector<png_bytep>& rows, png_uint_32& width, png_uint_32& height, bool& plain) {
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
    plain = colourType == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8 &&
            png_get_interlace_type(png, info) == PNG_INTERLACE_NONE;
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
    bool plain = false;
    const bool read = readRgb(png, info, maxSidePx, samples, rows, width, height, plain);
    png_destroy_read_struct(&png, &info, nullptr);
    PngResult result;
    result.width = static_cast<std::int64_t>(width);
    result.height = static_cast<std::int64_t>(height);
    result.plain = plain;
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
