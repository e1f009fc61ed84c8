// quellon-paint-textures: paints the wall textures and writes them as the BMP files the
// program loads, optionally with a PNG contact sheet for looking them over.
//
//   quellon-paint-textures OUTDIR [--sheet SHEET.png]
//
// Writes OUTDIR/texture1.bmp .. texture5.bmp, one per wall code, and texture0.bmp, a copy of
// texture1.bmp. Each file is first written under a temporary name and then renamed into
// place, so an interrupted run leaves no half-written image. Exit status: 0 success, 2 bad
// usage or a file that could not be written; errors are one line on stderr.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "formats/bmp.h"
#include "formats/file_io.h"
#include "formats/png.h"
#include "gfx/surface.h"
#include "render/raycast.h"
#include "tools/textures/texture_painter.h"
#include "tools/tool.h"

namespace {

using quellon::Surface;

constexpr quellon::Tool kTool{
    "quellon-paint-textures",
    "usage: quellon-paint-textures OUTDIR [--sheet SHEET.png]\n"
    "Paints the wall textures into OUTDIR/texture0.bmp .. texture5.bmp (texture0 is\n"
    "a copy of texture1). OUTDIR must exist. With --sheet, also writes a PNG contact\n"
    "sheet: each texture enlarged, three copies side by side, and a wall seen at an\n"
    "angle as the renderer draws it.\n"};

int fail(const std::string& message) {
    return kTool.fail(message);
}

// ---- The contact sheet ---------------------------------------------------------------------

constexpr int kGap = 8;
constexpr int kCellWidth = 300;
constexpr int kEnlarged = 4 * quellon::kTextureSize;  // row 1: each texture at 4x
constexpr int kTileSide = 100;                        // row 2: three copies, 100 px each
constexpr int kViewHeight = 200;                      // row 3: a wall at an angle
constexpr quellon::Colour kSheetBackground = quellon::rgb(24, 24, 28);

// A wall three cells long seen obliquely, drawn as the ray caster draws walls: one texture
// column stretched over each strip, the height falling off with distance.
void drawWallView(Surface& sheet, int left, int top, const Surface& texture) {
    const quellon::Colour ceiling = quellon::rgb(44, 44, 48);
    const quellon::Colour floor = quellon::rgb(62, 56, 50);
    for (int y = 0; y < kViewHeight; ++y) {
        for (int x = 0; x < kCellWidth; ++x) {
            sheet.set(left + x, top + y, y < kViewHeight / 2 ? ceiling : floor);
        }
    }
    constexpr int kStrips = kCellWidth / quellon::kStripWidthPx;
    constexpr double kNear = 1.0;  // depth of the wall's near end
    constexpr double kFar = 2.6;   // and of its far end, three cells further along
    constexpr double kCells = 3.0;
    constexpr double kNearHeight = 190.0;
    for (int i = 0; i < kStrips; ++i) {
        // Perspective-correct: interpolate 1/z and u/z across the screen.
        const double t = (i + 0.5) / kStrips;
        const double inverseDepth = (1.0 - t) / kNear + t / kFar;
        const double along = (t * kCells / kFar) / inverseDepth;
        const int cell = static_cast<int>(along);
        const int column = std::min(quellon::kTextureSize - 1,
                                    static_cast<int>((along - cell) * quellon::kTextureSize));
        const int height = static_cast<int>(kNearHeight * inverseDepth * kNear);
        quellon::StretchBlt(sheet, left + i * quellon::kStripWidthPx,
                            top + (kViewHeight - height) / 2, quellon::kStripWidthPx, height,
                            texture, column, 0, 1, quellon::kTextureSize);
    }
}

Surface makeSheet(const std::vector<Surface>& textures) {
    const int count = static_cast<int>(textures.size());
    const int width = kGap + count * (kCellWidth + kGap);
    const int row1 = kGap;
    const int row2 = row1 + kEnlarged + kGap;
    const int row3 = row2 + kTileSide + kGap;
    const int height = row3 + kViewHeight + kGap;
    Surface sheet(width, height, kSheetBackground);
    for (int i = 0; i < count; ++i) {
        const Surface& texture = textures[i];
        const int left = kGap + i * (kCellWidth + kGap);
        const int side = quellon::kTextureSize;
        quellon::StretchBlt(sheet, left + (kCellWidth - kEnlarged) / 2, row1, kEnlarged, kEnlarged,
                            texture, 0, 0, side, side);
        for (int copy = 0; copy < 3; ++copy) {
            quellon::StretchBlt(sheet, left + copy * kTileSide, row2, kTileSide, kTileSide, texture,
                                0, 0, side, side);
        }
        drawWallView(sheet, left, row3, texture);
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir;
    std::string sheetPath;
    bool wantSheet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return kTool.help();
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--sheet") {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
                return fail("--sheet needs a file name (try --help)");
            }
            if (wantSheet) {
                return fail("--sheet given twice");
            }
            wantSheet = true;
            sheetPath = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option " + std::string(arg) + " (try --help)");
        } else if (outDir.empty()) {
            if (arg.empty()) {
                return fail("the output directory name is empty");
            }
            outDir = arg;
        } else {
            return fail("more than one output directory given: " + outDir + ", " +
                        std::string(arg) + " (try --help)");
        }
    }
    if (outDir.empty()) {
        return fail("no output directory given (try --help)");
    }
    std::error_code error;
    if (!std::filesystem::is_directory(outDir, error)) {
        return fail("output directory " + outDir + " does not exist or is not a directory");
    }

    std::vector<Surface> textures;
    for (int code = quellon::kFirstWallCode; code <= quellon::kLastWallCode; ++code) {
        textures.push_back(quellon::paintTexture(code));
    }
    for (int index = 0; index <= quellon::kLastWallCode; ++index) {
        // Index 0 is not a wall; the loader still expects a file, so it repeats texture 1.
        const Surface& texture = textures[std::max(index, 1) - 1];
        const std::filesystem::path path =
            std::filesystem::path(outDir) / ("texture" + std::to_string(index) + ".bmp");
        std::string problem;
        if (!quellon::writeFileAtomically(path.string(), quellon::encodeBmp(texture), problem)) {
            return fail(problem);
        }
    }
    if (wantSheet) {
        const std::vector<std::uint8_t> png = quellon::encodePng(makeSheet(textures));
        if (png.empty()) {
            return fail("cannot encode the contact sheet for " + sheetPath);
        }
        std::string problem;
        if (!quellon::writeFileAtomically(sheetPath, png, problem)) {
            return fail(problem);
        }
    }
    return 0;
}
