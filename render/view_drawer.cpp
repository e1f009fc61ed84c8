#include "render/view_drawer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/raycast.h"
#include "world/textures.h"

namespace quellon {

namespace {

constexpr int kNoStrip = -1;
// Divisions by the texture size are shifts: it is a power of two.
static_assert(std::has_single_bit(static_cast<unsigned>(kTextureSize)));
constexpr int kTextureShift = std::countr_zero(static_cast<unsigned>(kTextureSize));
// Strips that start at or beyond this column can never be seen.
constexpr std::size_t kMaxStrips = (Surface::kMaxSidePx + kStripWidthPx - 1) / kStripWidthPx;

// One row of the view: each strip's colour across the strip's width, left to right, and what
// the right edge leaves of the last strip. Four strips at a time make twelve pixels, three
// whole 16-byte stores, which compilers turn into shuffles of the four colours.
void writeRow(Colour* out, const Colour* stripColours, int width) {
    static_assert(kStripWidthPx == 3, "the grouping below writes strips three pixels wide");
    constexpr int kGroupStrips = 4;
    constexpr int kGroupPx = kGroupStrips * kStripWidthPx;
    const int wholeStrips = width / kStripWidthPx;
    int strip = 0;
    for (; strip + kGroupStrips <= wholeStrips; strip += kGroupStrips, out += kGroupPx) {
        const Colour a = stripColours[strip];
        const Colour b = stripColours[strip + 1];
        const Colour c = stripColours[strip + 2];
        const Colour d = stripColours[strip + 3];
        out[0] = a;
        out[1] = a;
        out[2] = a;
        out[3] = b;
        out[4] = b;
        out[5] = b;
        out[6] = c;
        out[7] = c;
        out[8] = c;
        out[9] = d;
        out[10] = d;
        out[11] = d;
    }
    for (int x = 0; x < width - strip * kStripWidthPx; ++x) {
        out[x] = stripColours[strip + x / kStripWidthPx];
    }
}

#if defined(__SSE2__)
// writeRow with streaming stores into a row that starts on a 16-byte boundary: each store goes
// to memory whole, without the line being read into the cache first and without pushing the
// cache's other lines out. The drawer never reads a row back, and a large view would leave the
// cache before the refresh reads it anyway. The four strips' colours come in one load, and each
// store is one shuffle of them.
void streamRow(Colour* out, const Colour* stripColours, int width) {
    constexpr int kGroupStrips = 4;
    constexpr int kGroupPx = kGroupStrips * kStripWidthPx;
    const int wholeStrips = width / kStripWidthPx;
    int strip = 0;
    for (; strip + kGroupStrips <= wholeStrips; strip += kGroupStrips, out += kGroupPx) {
        const __m128i abcd =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(stripColours + strip));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out),
                         _mm_shuffle_epi32(abcd, _MM_SHUFFLE(1, 0, 0, 0)));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + 4),
                         _mm_shuffle_epi32(abcd, _MM_SHUFFLE(2, 2, 1, 1)));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + 8),
                         _mm_shuffle_epi32(abcd, _MM_SHUFFLE(3, 3, 3, 2)));
    }
    writeRow(out, stripColours + strip, width - strip * kStripWidthPx);
}

bool startsAligned(const Colour* row) {
    return reinterpret_cast<std::uintptr_t>(row) % sizeof(__m128i) == 0;
}

// Every row starts on a 16-byte boundary when the first does and a row is a whole number of
// 16 bytes.
bool canStream(const Surface& target) {
    return startsAligned(target.row(0)) && (target.height() == 1 || startsAligned(target.row(1)));
}

// The streamed rows are in memory before anyone reads the frame.
void fenceStreamedRows() {
    _mm_sfence();
}
#else
// Without SSE2 every row is written plainly.
bool canStream(const Surface& /*target*/) {
    return false;
}
void streamRow(Colour* out, const Colour* stripColours, int width) {
    writeRow(out, stripColours, width);
}
void fenceStreamedRows() {}
#endif

}  // namespace

void ViewDrawer::clear(Colour background) {
    background_ = background & 0xFFFFFF;
    columns_.clear();
}

bool ViewDrawer::stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                               const Surface& texture, int texColumn) {
    if (columns_.size() >= kMaxStrips ||
        static_cast<std::int64_t>(stripX) !=
            static_cast<std::int64_t>(columns_.size()) * kStripWidthPx) {
        return false;
    }
    Column column;
    const bool drawn = wallHeight > 0 && texColumn >= 0 && texColumn < texture.width() &&
                       texture.height() >= kTextureSize;
    if (drawn) {
        column = Column{wallTop, wallHeight, texture.row(0) + texColumn, texture.width()};
    }
    columns_.push_back(column);
    return drawn;
}

void ViewDrawer::draw(Surface& target) {
    const int width = target.width();
    const int height = target.height();
    if (width == 0 || height == 0) {
        return;
    }
    const int strips = (width + kStripWidthPx - 1) / kStripWidthPx;
    viewHeight_ = height;
    // The target's top byte goes into every colour as it is taken: once per change, not per
    // pixel.
    topByte_ = target.topByte();
    stripColours_.assign(static_cast<std::size_t>(strips), background_ | topByte_);
    nextAt_.assign(static_cast<std::size_t>(strips), kNoStrip);
    firstAt_.assign(static_cast<std::size_t>(height), kNoStrip);
    cursors_.resize(static_cast<std::size_t>(strips));
    const int given = static_cast<int>(std::min<std::size_t>(columns_.size(), strips));
    for (int strip = 0; strip < given; ++strip) {
        startColumn(strip, columns_[strip], height);
    }
    const bool stream = canStream(target);
    for (int row = 0; row < height; ++row) {
        for (int strip = firstAt_[row]; strip != kNoStrip;) {
            const int next = nextAt_[strip];
            schedule(strip, advance(strip, row));
            strip = next;
        }
        if (stream) {
            streamRow(target.row(row), stripColours_.data(), width);
        } else {
            writeRow(target.row(row), stripColours_.data(), width);
        }
    }
    if (stream) {
        fenceStreamedRows();
    }
}

void ViewDrawer::startColumn(int strip, const Column& column, int viewHeight) {
    if (column.texels == nullptr) {
        return;
    }
    const std::int64_t top = column.top;
    const std::int64_t first = std::max<std::int64_t>(top, 0);
    const std::int64_t bottom = std::min<std::int64_t>(top + column.height, viewHeight);
    if (first >= bottom) {
        return;
    }
    // Offset i into the column shows texel floor(i * kTextureSize / height), the stretched
    // copy's own sampling, so texel k starts at offset ceil(k * height / kTextureSize). Work
    // out the texel of the first visible row once; from there on it only moves forward.
    const std::int64_t scaled = (first - top) * kTextureSize;
    const auto texel = static_cast<int>(scaled / column.height);
    Cursor& cursor = cursors_[strip];
    cursor.texels = column.texels;
    cursor.texel = static_cast<std::ptrdiff_t>(texel) * column.stride;
    cursor.stride = column.stride;
    cursor.height = column.height;
    cursor.bottom = static_cast<int>(bottom);
    // The ceiling of the division by kTextureSize, a power of two, as a floor of the
    // numerator plus kTextureSize - 1, with the top row brought inside the division.
    cursor.runs = top * kTextureSize + kTextureSize - 1 +
                  static_cast<std::int64_t>(texel + 1) * column.height;
    cursor.skip = kTextureSize / column.height * column.stride;
    cursor.part = kTextureSize % column.height;
    cursor.share = static_cast<int>(scaled % column.height);
    schedule(strip, static_cast<int>(first));
}

// Gives the strip its colour from `row` on and returns the next row where it changes.
int ViewDrawer::advance(int strip, int row) {
    Cursor& c = cursors_[strip];
    if (row >= c.bottom) {
        stripColours_[strip] = background_ | topByte_;
        return viewHeight_;
    }
    stripColours_[strip] = (c.texels[c.texel] & 0xFFFFFF) | topByte_;
    if (c.height < kTextureSize) {
        c.texel += c.skip;
        c.share += c.part;
        if (c.share >= c.height) {
            c.share -= c.height;
            c.texel += c.stride;
        }
        return row + 1;
    }
    c.texel += c.stride;
    const std::int64_t start = c.runs >> kTextureShift;  // floor(runs / kTextureSize)
    c.runs += c.height;
    return static_cast<int>(std::min<std::int64_t>(start, c.bottom));
}

void ViewDrawer::schedule(int strip, int row) {
    if (row < viewHeight_) {
        nextAt_[strip] = firstAt_[row];
        firstAt_[row] = strip;
    }
}

}  // namespace quellon
