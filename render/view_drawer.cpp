#include "render/view_drawer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/raycast.h"
#include "world/textures.h"

namespace quellon {

namespace {

// Divisions by the texture size are shifts: it is a power of two.
static_assert(std::has_single_bit(static_cast<unsigned>(kTextureSize)));
constexpr int kTextureShift = std::countr_zero(static_cast<unsigned>(kTextureSize));
static_assert(kTextureSize <= UINT8_MAX, "runs start at texels counted in bytes");
// How often each way of storing is timed when a new size of target is measured.
constexpr int kMeasuredFills = 3;
// A change names its strips in 16 bits.
static_assert(Surface::kMaxSidePx <= UINT16_MAX);

// The runs of a column whose texels are all told apart: each texel a run of its own.
constexpr std::array<std::uint8_t, kTextureSize> kEveryTexel = [] {
    std::array<std::uint8_t, kTextureSize> starts{};
    for (int k = 0; k < kTextureSize; ++k) {
        starts[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
    }
    return starts;
}();
constexpr ViewDrawer::TexelRuns kEveryTexelRuns{kEveryTexel.data(), kTextureSize};
// The runs of a column of one colour: one, the whole column.
constexpr ViewDrawer::TexelRuns kOneRun{kEveryTexel.data(), 1};

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

// A row of strips a pixel wide is a copy of the strips' colours. (The C library's copy is the
// fastest way here: it stores as wide as the processor can.)
void onePixelRow(Colour* out, const Colour* stripColours, int width) {
    std::memcpy(out, stripColours, static_cast<std::size_t>(width) * sizeof(Colour));
}

// writeRow for strips of any other width.
void writeWideRow(Colour* out, const Colour* stripColours, int width, int stripWidth) {
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

// writeWideRow with one 16-byte store for every four pixels of a strip.
void wideRow(Colour* out, const Colour* stripColours, int width, int stripWidth) {
    constexpr int kWordsPerStore = sizeof(__m128i) / sizeof(Colour);
    const int wholeStrips = width / stripWidth;
    for (int strip = 0; strip < wholeStrips; ++strip, out += stripWidth) {
        const Colour colour = stripColours[strip];
        const __m128i words = _mm_set1_epi32(static_cast<int>(colour));
        int x = 0;
        for (; x + kWordsPerStore <= stripWidth; x += kWordsPerStore) {
            plainStore(reinterpret_cast<__m128i*>(out + x), words);
        }
        for (; x < stripWidth; ++x) {
            out[x] = colour;
        }
    }
    writeWideRow(out, stripColours + wholeStrips, width - wholeStrips * stripWidth, stripWidth);
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
void wideRow(Colour* out, const Colour* stripColours, int width, int stripWidth) {
    writeWideRow(out, stripColours, width, stripWidth);
}
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
    // Strips that start at or beyond the widest surface can never be seen.
    mostStrips_ = static_cast<std::size_t>((Surface::kMaxSidePx + stripWidth_ - 1) / stripWidth_);
    columns_.clear();
    stripsGiven_ = 0;
}

bool ViewDrawer::acceptStrip(int stripX) const {
    return stripsGiven_ < mostStrips_ && static_cast<std::int64_t>(stripX) ==
                                             static_cast<std::int64_t>(stripsGiven_) * stripWidth_;
}

bool ViewDrawer::sameWall(const Column& a, const Column& b) {
    if (a.texels == nullptr || b.texels == nullptr) {
        return a.texels == b.texels;  // background both, or not the same
    }
    if (a.top != b.top || a.height != b.height || a.stride != b.stride) {
        return false;
    }
    if (a.stride == 0) {
        return a.plain == b.plain;
    }
    return a.texels == b.texels && a.runs.starts == b.runs.starts && a.runs.count == b.runs.count;
}

void ViewDrawer::addColumn(const Column& column) {
    ++stripsGiven_;
    if (!columns_.empty() && sameWall(columns_.back(), column)) {
        ++columns_.back().strips;
        return;
    }
    columns_.push_back(column);
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
        column = Column{.top = wallTop,
                        .height = wallHeight,
                        .texels = texture.row(0) + texColumn,
                        .stride = texture.stride(),
                        .runs = kEveryTexelRuns};
    }
    addColumn(column);
    return drawn;
}

bool ViewDrawer::stretchColumn(int stripX, std::int32_t wallTop, std::int32_t wallHeight,
                               const Colour* texels, int stride, TexelRuns runs) {
    if (!acceptStrip(stripX)) {
        return false;
    }
    Column column;
    const bool drawn = wallHeight > 0 && texels != nullptr && stride > 0;
    if (drawn) {
        column = Column{.top = wallTop,
                        .height = wallHeight,
                        .texels = texels,
                        .stride = stride,
                        .runs = runs.starts != nullptr ? runs : kEveryTexelRuns};
    }
    addColumn(column);
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
        column.runs = kOneRun;
    }
    addColumn(column);
    return wallHeight > 0;
}

template <class Emit>
void ViewDrawer::forEachChange(int strips, Emit&& emit) const {
    int strip = 0;
    for (const Column& column : columns_) {
        if (strip >= strips) {
            break;
        }
        const int from = strip;
        const int count = std::min(column.strips, strips - strip);
        strip += column.strips;
        if (column.texels == nullptr) {
            continue;
        }
        const std::int64_t top = column.top;
        const std::int64_t height = column.height;
        const std::int64_t first = std::max<std::int64_t>(top, 0);
        const std::int64_t bottom = std::min<std::int64_t>(top + height, viewHeight_);
        if (first >= bottom) {
            continue;
        }
        // A wall of one colour shows the column's own colour from top to bottom.
        const Colour* texels = column.stride == 0 ? &column.plain : column.texels;
        const std::ptrdiff_t stride = column.stride;
        // [learn:stretch-rows]
        // Offset i into the column shows texel floor(i * kTextureSize / height), the stretched
        // copy's own sampling: work out the texel of the first visible row once.
        const std::int64_t scaled = (first - top) * kTextureSize;
        auto texel = static_cast<int>(scaled / height);
        if (height < kTextureSize && stride != 0) {
            // A wall shorter than the texture shows a new texel on every row, skipping some:
            // from one row to the next the texel moves on by `skip` and a share part / height.
            const auto skip = static_cast<int>(kTextureSize / height);
            const auto part = static_cast<int>(kTextureSize % height);
            auto share = static_cast<int>(scaled % height);
            Colour shown = background_;
            for (auto row = static_cast<int>(first); row < bottom; ++row) {
                const Colour colour = texels[texel * stride];
                if (colour != shown) {
                    emit(row, from, count, colour);
                    shown = colour;
                }
                texel += skip;
                share += part;
                if (share >= height) {
                    share -= static_cast<int>(height);
                    ++texel;
                }
            }
            // [/learn:stretch-rows]
        } else {
            // Otherwise each run of one colour shows from the row its first texel starts on:
            // texel k starts at offset ceil(k * height / kTextureSize), the ceiling of a
            // division by a power of two taken as a floor, with the top brought inside.
            emit(static_cast<int>(first), from, count, texels[texel * stride]);
            const TexelRuns runs = column.runs;
            // The first run to start below the first visible row.
            auto run = static_cast<int>(
                std::upper_bound(runs.starts, runs.starts + runs.count, texel) - runs.starts);
            const std::int64_t origin = top * kTextureSize + kTextureSize - 1;
            for (; run < runs.count; ++run) {
                const int start = runs.starts[run];
                const std::int64_t row = (origin + start * height) >> kTextureShift;
                if (row >= bottom) {
                    break;
                }
                emit(static_cast<int>(row), from, count, texels[start * stride]);
            }
        }
        if (bottom < viewHeight_) {
            emit(static_cast<int>(bottom), from, count, background_);
        }
    }
}

void ViewDrawer::draw(Surface& target) {
    const int width = target.width();
    const int height = target.height();
    if (width == 0 || height == 0) {
        return;
    }
    const int strips = (width + stripWidth_ - 1) / stripWidth_;
    viewHeight_ = height;
    // The changes counted by row, then each put at its row's place: twice through the strips,
    // which costs less than keeping the changes in between.
    changesAt_.assign(static_cast<std::size_t>(height) + 1, 0);
    forEachChange(strips, [&](int row, int /*from*/, int /*count*/, Colour /*colour*/) {
        ++changesAt_[row + 1];
    });
    for (int row = 0; row < height; ++row) {
        changesAt_[row + 1] += changesAt_[row];
    }
    // Room for any frame of this size, so that the frames after the first allocate nothing:
    // a run of strips changes colour at most once per texel and once at its bottom, and never
    // more than once a row.
    const auto mostChanges = static_cast<std::size_t>(strips) *
                             static_cast<std::size_t>(std::min(kTextureSize, height) + 1);
    changes_.reserve(mostChanges);
    columns_.reserve(static_cast<std::size_t>(strips));
    changes_.resize(static_cast<std::size_t>(changesAt_[height]));
    nextChange_.assign(changesAt_.begin(), changesAt_.end() - 1);
    forEachChange(strips, [&](int row, int from, int count, Colour colour) {
        changes_[static_cast<std::size_t>(nextChange_[row]++)] =
            Change{static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(count), colour};
    });

    stripColours_.assign(static_cast<std::size_t>(strips), background_);
    const bool threeWide = stripWidth_ == kStripWidthPx;
    const bool stream = threeWide && streams(target);
    const Change* change = changes_.data();
    for (int row = 0; row < height; ++row) {
        for (const Change* end = changes_.data() + changesAt_[row + 1]; change != end; ++change) {
            Colour* colours = stripColours_.data() + change->strip;
            if (change->strips == 1) {
                *colours = change->colour;
            } else {
                std::fill_n(colours, change->strips, change->colour);
            }
        }
        if (stream) {
            streamRow(target.row(row), stripColours_.data(), width);
        } else if (threeWide) {
            plainRow(target.row(row), stripColours_.data(), width);
        } else if (stripWidth_ == 1) {
            onePixelRow(target.row(row), stripColours_.data(), width);
        } else {
            wideRow(target.row(row), stripColours_.data(), width, stripWidth_);
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

}  // namespace quellon
