#include "render/view_drawer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
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
static_assert(kTextureSize <= UINT8_MAX, "run ends are bytes");

// The run ends of a column whose texels are all told apart: each texel is its own run.
constexpr std::array<std::uint8_t, kTextureSize> kEveryTexel = [] {
    std::array<std::uint8_t, kTextureSize> ends{};
    for (int k = 0; k < kTextureSize; ++k) {
        ends[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k + 1);
    }
    return ends;
}();
// The run ends of a column of one colour: one run, the whole column.
constexpr std::array<std::uint8_t, kTextureSize> kOneRun = [] {
    std::array<std::uint8_t, kTextureSize> ends{};
    ends.fill(kTextureSize);
    return ends;
}();
// How often each way of storing is timed when a new size of target is measured.
constexpr int kMeasuredFills = 3;

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

// writeRow for strips of any other width: a strip a pixel wide is its colour alone.
void writeWideRow(Colour* out, const Colour* stripColours, int width, int stripWidth) {
    if (stripWidth == 1) {
        std::copy_n(stripColours, width, out);
        return;
    }
    const int wholeStrips = width / stripWidth;
    for (int strip = 0; strip < wholeStrips; ++strip, out += stripWidth) {
        const Colour colour = stripColours[strip];
        for (int x = 0; x < stripWidth; ++x) {
            out[x] = colour;
        }
    }
    if (const int rest = width - wholeStrips * stripWidth; rest > 0) {
        std::fill_n(out, rest, stripColours[wholeStrips]);
    }
}

#if defined(__SSE2__)
// A row of strips three pixels wide, four strips at a time: their colours come in one load, and
// each of the three 16-byte stores that cover their twelve pixels is one shuffle of them. The
// store is plain (into rows anywhere) or streaming (into rows on 16-byte boundaries).
template <void (*store)(__m128i*, __m128i)>
void storeRow(Colour* out, const Colour* stripColours, int width) {
    constexpr int kGroupStrips = 4;
    constexpr int kGroupPx = kGroupStrips * kStripWidthPx;
    const int wholeStrips = width / kStripWidthPx;
    int strip = 0;
    for (; strip + kGroupStrips <= wholeStrips; strip += kGroupStrips, out += kGroupPx) {
        const __m128i abcd =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(stripColours + strip));
        store(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi32(abcd, _MM_SHUFFLE(1, 0, 0, 0)));
        store(reinterpret_cast<__m128i*>(out + 4),
              _mm_shuffle_epi32(abcd, _MM_SHUFFLE(2, 2, 1, 1)));
        store(reinterpret_cast<__m128i*>(out + 8),
              _mm_shuffle_epi32(abcd, _MM_SHUFFLE(3, 3, 3, 2)));
    }
    writeRow(out, stripColours + strip, width - strip * kStripWidthPx);
}

void plainStore(__m128i* at, __m128i words) {
    _mm_storeu_si128(at, words);
}

// Each streaming store goes to memory whole, without the line being read into the cache first
// and without pushing the cache's other lines out.
void streamingStore(__m128i* at, __m128i words) {
    _mm_stream_si128(at, words);
}

// The rows the drawer writes: it never reads one back.
void plainRow(Colour* out, const Colour* stripColours, int width) {
    storeRow<plainStore>(out, stripColours, width);
}
void streamRow(Colour* out, const Colour* stripColours, int width) {
    storeRow<streamingStore>(out, stripColours, width);
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
void plainRow(Colour* out, const Colour* stripColours, int width) {
    writeRow(out, stripColours, width);
}
void streamRow(Colour* out, const Colour* stripColours, int width) {
    writeRow(out, stripColours, width);
}
void fenceStreamedRows() {}
#endif

}  // namespace

void ViewDrawer::clear(Colour background, int stripWidthPx) {
    background_ = background;
    stripWidth_ = std::max(1, stripWidthPx);
    columns_.clear();
}

bool ViewDrawer::acceptStrip(int stripX) const {
    // Strips that start at or beyond the widest surface can never be seen.
    const auto most =
        static_cast<std::size_t>((Surface::kMaxSidePx + stripWidth_ - 1) / stripWidth_);
    return columns_.size() < most && static_cast<std::int64_t>(stripX) ==
                                         static_cast<std::int64_t>(columns_.size()) * stripWidth_;
}

bool ViewDrawer::stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                               const Surface& texture, int texColumn) {
    if (!acceptStrip(stripX)) {
        return false;
    }
    Column column;
    const bool drawn = wallHeight > 0 && texColumn >= 0 && texColumn < texture.width() &&
                       texture.height() >= kTextureSize;
    if (drawn) {
        column = Column{wallTop,          wallHeight,         texture.row(0) + texColumn,
                        texture.stride(), kEveryTexel.data(), 0};
    }
    columns_.push_back(column);
    return drawn;
}

bool ViewDrawer::stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                               const Colour* texels, int stride, const std::uint8_t* runEnds) {
    if (!acceptStrip(stripX)) {
        return false;
    }
    Column column;
    const bool drawn = wallHeight > 0 && texels != nullptr && stride > 0;
    if (drawn) {
        column = Column{
            wallTop, wallHeight, texels, stride, runEnds != nullptr ? runEnds : kEveryTexel.data(),
            0};
    }
    columns_.push_back(column);
    return drawn;
}

bool ViewDrawer::fillColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                            Colour colour) {
    if (!acceptStrip(stripX)) {
        return false;
    }
    Column column;
    column.plain = colour;
    if (wallHeight > 0) {
        column.top = wallTop;
        column.height = wallHeight;
        column.texels = &column.plain;  // pointed at the kept column's own colour when drawn
        column.runEnds = kOneRun.data();
    }
    columns_.push_back(column);
    return wallHeight > 0;
}

void ViewDrawer::draw(Surface& target) {
    const int width = target.width();
    const int height = target.height();
    if (width == 0 || height == 0) {
        return;
    }
    const int strips = (width + stripWidth_ - 1) / stripWidth_;
    viewHeight_ = height;
    stripColours_.assign(static_cast<std::size_t>(strips), background_);
    nextAt_.assign(static_cast<std::size_t>(strips), kNoStrip);
    firstAt_.assign(static_cast<std::size_t>(height), kNoStrip);
    cursors_.resize(static_cast<std::size_t>(strips));
    const int given = static_cast<int>(std::min<std::size_t>(columns_.size(), strips));
    for (int strip = 0; strip < given; ++strip) {
        schedule(strip, startColumn(strip, columns_[static_cast<std::size_t>(strip)], height));
    }
    const bool threeWide = stripWidth_ == kStripWidthPx;
    const bool stream = threeWide && streams(target);
    for (int row = 0; row < height; ++row) {
        for (int strip = firstAt_[row]; strip != kNoStrip;) {
            const int next = nextAt_[strip];
            schedule(strip, advance(strip, row));
            strip = next;
        }
        if (stream) {
            streamRow(target.row(row), stripColours_.data(), width);
        } else if (threeWide) {
            plainRow(target.row(row), stripColours_.data(), width);
        } else {
            writeWideRow(target.row(row), stripColours_.data(), width, stripWidth_);
        }
    }
    if (stream) {
        fenceStreamedRows();
    }
}

bool ViewDrawer::streams(Surface& target) {
    if (!canStream(target) || stores_ == Stores::kPlain) {
        return false;
    }
    if (stores_ == Stores::kStreaming) {
        return true;
    }
    const auto bytes = static_cast<std::uint64_t>(target.stride()) *
                       static_cast<std::uint64_t>(target.height()) * sizeof(Colour);
    const auto size = static_cast<int>(std::bit_width(bytes));
    for (const auto& [measuredSize, faster] : measured_) {
        if (measuredSize == size) {
            return faster;
        }
    }
    // Fills of the whole target, warm and back to back, each way a few times; the quickest of
    // each decides. The frame then writes every pixel over them.
    using Clock = std::chrono::steady_clock;
    std::vector<Colour> row(static_cast<std::size_t>(target.width()) / kStripWidthPx + 1,
                            background_);
    Clock::duration plain = Clock::duration::max();
    Clock::duration streaming = Clock::duration::max();
    // A first pass untimed: new memory costs its first touch, which neither way should carry.
    for (int y = 0; y < target.height(); ++y) {
        plainRow(target.row(y), row.data(), target.width());
    }
    for (int round = 0; round < kMeasuredFills; ++round) {
        for (const bool stream : {false, true}) {
            const Clock::time_point start = Clock::now();
            for (int y = 0; y < target.height(); ++y) {
                (stream ? streamRow : plainRow)(target.row(y), row.data(), target.width());
            }
            fenceStreamedRows();
            Clock::duration& best = stream ? streaming : plain;
            best = std::min(best, Clock::now() - start);
        }
    }
    measured_.emplace_back(size, streaming < plain);
    return streaming < plain;
}

int ViewDrawer::startColumn(int strip, const Column& column, int viewHeight) {
    if (column.texels == nullptr) {
        return viewHeight;
    }
    Cursor& cursor = cursors_[static_cast<std::size_t>(strip)];
    const std::int64_t top = column.top;
    const std::int64_t first = std::max<std::int64_t>(top, 0);
    const std::int64_t bottom = std::min<std::int64_t>(top + column.height, viewHeight);
    if (first >= bottom) {
        return viewHeight;
    }
    // Offset i into the column shows texel floor(i * kTextureSize / height), the stretched
    // copy's own sampling, so texel k starts at offset ceil(k * height / kTextureSize). Work
    // out the texel of the first visible row once; from there on it only moves forward.
    const std::int64_t scaled = (first - top) * kTextureSize;
    cursor.texel = static_cast<int>(scaled / column.height);
    // A wall of one colour shows the column's own colour from top to bottom.
    cursor.texels = column.stride == 0 ? &column.plain : column.texels;
    cursor.runEnds = column.runEnds;
    cursor.stride = column.stride;
    cursor.height = column.height;
    cursor.bottom = static_cast<int>(bottom);
    // The ceiling of the division by kTextureSize, a power of two, as a floor of the
    // numerator plus kTextureSize - 1, with the top row brought inside the division.
    cursor.origin = top * kTextureSize + kTextureSize - 1;
    cursor.everyRow = column.height < kTextureSize && column.stride != 0;
    cursor.skip = kTextureSize / column.height;
    cursor.part = kTextureSize % column.height;
    cursor.share = static_cast<int>(scaled % column.height);
    return static_cast<int>(first);
}

// Gives the strip its colour from `row` on and returns the next row where it changes.
int ViewDrawer::advance(int strip, int row) {
    Cursor& c = cursors_[strip];
    if (row >= c.bottom) {
        stripColours_[strip] = background_;
        return viewHeight_;
    }
    if (c.everyRow) {
        stripColours_[strip] = c.texels[static_cast<std::ptrdiff_t>(c.texel) * c.stride];
        c.texel += c.skip;
        c.share += c.part;
        if (c.share >= c.height) {
            c.share -= c.height;
            c.texel += 1;
        }
        return row + 1;
    }
    stripColours_[strip] = c.texels[static_cast<std::ptrdiff_t>(c.texel) * c.stride];
    c.texel = c.runEnds[c.texel];
    const std::int64_t start = (c.origin + std::int64_t{c.texel} * c.height) >> kTextureShift;
    return static_cast<int>(std::min<std::int64_t>(start, c.bottom));
}

void ViewDrawer::schedule(int strip, int row) {
    if (row < viewHeight_) {
        nextAt_[strip] = firstAt_[row];
        firstAt_[row] = strip;
    }
}

}  // namespace quellon
