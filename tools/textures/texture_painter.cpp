#include "tools/textures/texture_painter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quellon {

namespace {

constexpr int kSide = kTextureSize;

// ---- Deterministic randomness -------------------------------------------------------------

// The splitmix64 output function: a strong 64-bit mix.
std::uint64_t scramble(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t hash(std::uint64_t seed, int a, int b) {
    const std::uint64_t key = (std::uint64_t{static_cast<std::uint32_t>(a)} << 32) |
                              std::uint64_t{static_cast<std::uint32_t>(b)};
    return scramble(scramble(seed + 0x9E3779B97F4A7C15ull) ^ key);
}

// 0..255 for the pair (a, b).
int hash8(std::uint64_t seed, int a, int b) {
    return static_cast<int>(hash(seed, a, b) >> 56);
}

// A splitmix64 sequence.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ull;
        return scramble(state_);
    }
    // lo..hi inclusive; the modulo bias is irrelevant at these ranges.
    int range(int lo, int hi) {
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(int percent) { return range(0, 99) < percent; }

  private:
    std::uint64_t state_;
};

int wrap(int v, int period) {
    v %= period;
    return v < 0 ? v + period : v;
}

// Smoothstep on 0..256.
int ease(int t) {
    return t * t * (768 - 2 * t) / 65536;
}

// Smooth value noise, 0..255, on a lattice cellX by cellY pixels; both cell sides divide
// kSide, so the noise repeats every kSide pixels and tiles across the wall.
int valueNoise(std::uint64_t seed, int x, int y, int cellX, int cellY) {
    x = wrap(x, kSide);
    y = wrap(y, kSide);
    const int periodX = kSide / cellX;
    const int periodY = kSide / cellY;
    const int gx0 = x / cellX;
    const int gy0 = y / cellY;
    const int gx1 = (gx0 + 1) % periodX;
    const int gy1 = (gy0 + 1) % periodY;
    const int fx = ease((x % cellX) * 256 / cellX);
    const int fy = ease((y % cellY) * 256 / cellY);
    const int top = hash8(seed, gx0, gy0) * (256 - fx) + hash8(seed, gx1, gy0) * fx;
    const int bottom = hash8(seed, gx0, gy1) * (256 - fx) + hash8(seed, gx1, gy1) * fx;
    return (top * (256 - fy) + bottom * fy) >> 16;
}

// Several octaves of value noise, -128..127 but mostly within +-50.
int roughness(std::uint64_t seed, int x, int y) {
    const int sum = valueNoise(seed, x, y, 16, 16) * 8 + valueNoise(seed + 1, x, y, 8, 8) * 4 +
                    valueNoise(seed + 2, x, y, 4, 4) * 2 + valueNoise(seed + 3, x, y, 2, 2);
    return sum / 15 - 128;
}

// ---- Colour arithmetic --------------------------------------------------------------------

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

Rgb lighter(Rgb c, int delta) {
    return {c.r + delta, c.g + delta, c.b + delta};
}
// Multiplies by scale / 256.
Rgb scaled(Rgb c, int scale) {
    return {c.r * scale / 256, c.g * scale / 256, c.b * scale / 256};
}
// From a (t = 0) to b (t = 256).
Rgb mix(Rgb a, Rgb b, int t) {
    t = std::clamp(t, 0, 256);
    return {a.r + (b.r - a.r) * t / 256, a.g + (b.g - a.g) * t / 256, a.b + (b.b - a.b) * t / 256};
}

std::uint8_t channel(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}
Colour pack(Rgb c) {
    return rgb(channel(c.r), channel(c.g), channel(c.b));
}

using Canvas = std::array<std::array<Rgb, kSide>, kSide>;  // [y][x]

Surface toSurface(const Canvas& canvas) {
    Surface out(kSide, kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            out.set(x, y, pack(canvas[y][x]));
        }
    }
    return out;
}

// ---- Stone walls --------------------------------------------------------------------------

// Where a pixel lies in the masonry. Distances count pixels from the block's own faces, so
// 0 is the outermost ring of the block.
struct StoneCell {
    int block = -1;  // -1: mortar
    int fromTop = 0;
    int fromBottom = 0;
    int fromLeft = 0;
    int fromRight = 0;
};

struct StoneLayout {
    std::array<std::array<StoneCell, kSide>, kSide> cell;  // [y][x]
    std::vector<int> jointRows;                            // first row of each bed joint
};

struct StoneShape {
    int minHeight;
    int maxHeight;
    int minWidth;
    int maxWidth;
    int joint;  // mortar thickness
};

// Courses of blocks from the top down, each course with its own blocks of random widths and
// its own horizontal offset. Widths in a course add up to exactly 64 and wrap around, so the
// masonry continues from column 63 into column 0. The offset is chosen so that no head joint
// sits right below one of the course above, as a mason would bond them. Each block's mortar
// lies along its bottom and right sides.
StoneLayout layStones(std::uint64_t seed, const StoneShape& shape) {
    constexpr int kMinStagger = 4;  // closest two head joints in adjacent courses may come
    Rng rng(seed);
    StoneLayout layout;
    std::vector<int> jointsAbove;  // columns where the blocks of the course above end
    int id = 0;
    for (int top = 0; top < kSide;) {
        int height = rng.range(shape.minHeight, shape.maxHeight);
        if (kSide - (top + height) < shape.minHeight) {
            height = kSide - top;
        }
        std::vector<int> widths;
        for (int start = 0; start < kSide;) {
            int width = rng.range(shape.minWidth, shape.maxWidth);
            if (kSide - (start + width) < shape.minWidth) {
                width = kSide - start;
            }
            widths.push_back(width);
            start += width;
        }
        const auto jointsAt = [&](int offset) {
            std::vector<int> joints;
            int end = offset;
            for (int width : widths) {
                end += width;
                joints.push_back(wrap(end - 1, kSide));
            }
            return joints;
        };
        const auto bonded = [&](const std::vector<int>& joints) {
            for (int a : joints) {
                for (int b : jointsAbove) {
                    const int d = wrap(a - b, kSide);
                    if (std::min(d, kSide - d) < kMinStagger) {
                        return false;
                    }
                }
            }
            return true;
        };
        int offset = rng.range(0, kSide - 1);
        for (int attempt = 0; attempt < 32 && !bonded(jointsAt(offset)); ++attempt) {
            offset = rng.range(0, kSide - 1);
        }
        int start = offset;
        for (int width : widths) {
            for (int v = 0; v < height; ++v) {
                for (int u = 0; u < width; ++u) {
                    StoneCell& c = layout.cell[top + v][wrap(start + u, kSide)];
                    const bool mortar = v >= height - shape.joint || u >= width - shape.joint;
                    c.block = mortar ? -1 : id;
                    c.fromTop = v;
                    c.fromBottom = height - shape.joint - 1 - v;
                    c.fromLeft = u;
                    c.fromRight = width - shape.joint - 1 - u;
                }
            }
            ++id;
            start += width;
        }
        jointsAbove = jointsAt(offset);
        layout.jointRows.push_back(top + height - shape.joint);
        top += height;
    }
    return layout;
}

struct StoneLook {
    Rgb base;
    int blockVariation;  // +- brightness between blocks
    int warmth;          // +- red/blue shift between blocks
    int grain;           // strength of the surface noise, 0..128
    int bevel;           // brightening of the lit top and left faces
    int chipping;        // 0..255: how much of the blocks' edges is broken away
    Rgb mortar;
};

void paintStone(Canvas& canvas, const StoneLayout& layout, std::uint64_t seed,
                const StoneLook& look) {
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const StoneCell& c = layout.cell[y][x];
            const int rough = roughness(seed, x, y);
            Rgb colour;
            const int edge = std::min({c.fromTop, c.fromBottom, c.fromLeft, c.fromRight});
            const bool corner =
                (c.fromTop == 0 || c.fromBottom == 0) && (c.fromLeft == 0 || c.fromRight == 0);
            const bool chipped =
                c.block >= 0 && edge == 0 &&
                (corner || valueNoise(seed + 11, x, y, 4, 4) > 255 - look.chipping);
            if (c.block < 0 || chipped) {
                colour = lighter(look.mortar, rough / 10 + (chipped ? 6 : 0));
            } else {
                const std::uint64_t h = hash(seed + 7, c.block, 0);
                const int tint =
                    static_cast<int>(h % (2 * look.blockVariation + 1)) - look.blockVariation;
                const int warm = static_cast<int>((h >> 20) % (2 * look.warmth + 1)) - look.warmth;
                colour = {look.base.r + tint + warm, look.base.g + tint, look.base.b + tint - warm};
                colour = lighter(colour, rough * look.grain / 128);
                // Light from above left: the top and left faces catch it, the bottom and
                // right ones fall into shadow.
                if (c.fromBottom == 0 || c.fromRight == 0) {
                    colour = scaled(colour, 150);
                } else if (c.fromTop == 0 || c.fromLeft == 0) {
                    colour = lighter(colour, look.bevel);
                } else if (c.fromBottom == 1 || c.fromRight == 1) {
                    colour = scaled(colour, 210);
                }
                if (hash8(seed + 13, x, y) < 5) {
                    colour = scaled(colour, 190);  // pits
                }
            }
            canvas[y][x] = colour;
        }
    }
}

// ---- 1: slime-streaked dark stone ---------------------------------------------------------

Surface paintSlimeStone() {
    constexpr std::uint64_t kSeed = 0x5111E;
    const StoneLayout layout = layStones(kSeed, {9, 16, 12, 26, 2});
    Canvas canvas;
    paintStone(canvas, layout, kSeed + 1, {{68, 68, 70}, 9, 3, 40, 16, 70, {24, 25, 22}});

    // Per pixel: 0 bare stone, otherwise the slime's shading across its body.
    enum Slime : std::uint8_t { kNone, kBody, kLit, kShade, kUnder };
    std::array<std::array<std::uint8_t, kSide>, kSide> slime{};
    // Per pixel: which drip or smear it belongs to, for that one's own colour.
    std::array<std::array<int, kSide>, kSide> owner{};
    // How strongly the stone is stained where slime has run before, 0..256.
    std::array<std::array<int, kSide>, kSide> stain{};

    const auto put = [&](int x, int y, Slime kind, int id) {
        if (y < 0 || y >= kSide) {
            return;
        }
        x = wrap(x, kSide);
        if (kind == kUnder && slime[y][x] != kNone) {
            return;  // a shadow never covers slime
        }
        slime[y][x] = kind;
        owner[y][x] = id;
    };
    // A drip from (x0, top) running `length` rows: `width` wide, narrowing along its run and
    // swelling into a rounded drop at the end; lit on its left, shaded on its right.
    const auto drip = [&](int x0, int top, int length, int width, int id) {
        const int drop = top + length;
        for (int y = top; y <= drop + 1 && y < kSide; ++y) {
            int left = x0;
            int w = width;
            if (y < top + 2) {
                left = x0 - 1;  // flaring out where it leaves the mass above
                w = width + 2;
            } else if (y > top + length / 3) {
                w = std::max(1, width - 1);
            }
            if (y >= drop - 2 && y <= drop) {
                left = x0 - 1;
                w = width + 1;
            } else if (y == drop + 1) {
                left = x0;
                w = width - 1;
            }
            for (int i = 0; i < w; ++i) {
                put(left + i, y, i == 0 ? kLit : (i == w - 1 && w > 1 ? kShade : kBody), id);
            }
            put(left + w, y, kUnder, id);  // the drip's shadow on the stone
        }
        // Old runs have left a fading stain on the stone further down.
        for (int y = drop + 2; y < kSide; ++y) {
            for (int i = 0; i < width; ++i) {
                const int x = wrap(x0 + i, kSide);
                stain[y][x] = std::max(stain[y][x], 150 - (y - drop) * 4);
            }
        }
    };

    Rng rng(kSeed + 2);
    int id = 0;
    // A lumpy crust along the top.
    for (int x = 0; x < kSide; ++x) {
        const int depth = 3 + valueNoise(kSeed + 3, x, 0, 4, 64) * 5 / 255;
        for (int y = 0; y < depth; ++y) {
            put(x, y, y == depth - 1 ? kShade : kBody, id);
        }
        if (depth < kSide) {
            put(x, depth, kUnder, id);
        }
    }
    // Drips from the crust, one in each 8-pixel slot at an uneven place and length.
    for (int slot = 0; slot < 8; ++slot) {
        const int x0 = slot * 8 + rng.range(1, 5);
        const int width = rng.range(2, 4);
        const int length = slot % 2 == 0 ? rng.range(30, 52) : rng.range(8, 26);
        drip(x0, 3, length, width, ++id);
    }
    // Slime collected in stretches of the bed joints, sagging and dripping over the stone.
    for (int joint : layout.jointRows) {
        if (joint >= kSide - 6 || joint < 8) {
            continue;
        }
        if (!rng.chance(80)) {
            continue;
        }
        const int start = rng.range(0, kSide - 1);
        const int length = rng.range(6, 12);
        ++id;
        for (int i = 0; i < length; ++i) {
            // Filling the joint, and oozing out over the stone below in lumps.
            const int lump = valueNoise(kSeed + 4 + joint, (start + i) * 4, 0, 4, 64) * 4 / 256;
            const int end = i == 0 || i == length - 1 ? 0 : lump;
            const int bottom = joint + 1 + end;
            for (int y = joint; y <= bottom; ++y) {
                put(start + i, y, y == bottom ? kShade : kBody, id);
            }
            put(start + i, bottom + 1, kUnder, id);
        }
        // Drawn in sequence: the order in which function arguments are evaluated is up to
        // the compiler, and the picture must not be.
        const int dripLength = rng.range(5, 12);
        const int dripAt = start + rng.range(2, length - 4);
        drip(dripAt, joint + 2, dripLength, 2, id);
    }

    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int kind = slime[y][x];
            if (kind == kNone || kind == kUnder) {
                const Rgb moss = {40, 50, 20};
                Rgb c = mix(canvas[y][x], moss, stain[y][x] * 2 / 3);
                if (kind == kUnder) {
                    c = mix(scaled(c, 150), moss, 90);
                }
                canvas[y][x] = c;
                continue;
            }
            // Each run has its own hue between a bilious yellow and a deep green.
            const int hue = hash8(kSeed + 5, owner[y][x], 0);
            const Rgb deep = mix({70, 96, 16}, {96, 98, 14}, hue);
            const Rgb bright = mix({128, 168, 30}, {170, 176, 40}, hue);
            Rgb c = mix(deep, bright, 90 + valueNoise(kSeed + 6, x, y, 4, 4) * 2 / 3);
            if (kind == kLit) {
                c = mix(c, {214, 226, 110}, 120);
            } else if (kind == kShade) {
                c = scaled(c, 170);
            }
            canvas[y][x] = c;
        }
    }
    return toSurface(canvas);
}

// ---- 2: plain grey stone ------------------------------------------------------------------

Surface paintGreyStone() {
    constexpr std::uint64_t kSeed = 0x6E7;
    const StoneLayout layout = layStones(kSeed, {11, 18, 16, 30, 2});
    Canvas canvas;
    paintStone(canvas, layout, kSeed + 1, {{118, 117, 114}, 10, 3, 28, 18, 40, {38, 36, 34}});
    return toSurface(canvas);
}

// ---- 3: red banner over grey stone --------------------------------------------------------

Surface paintBanner() {
    constexpr std::uint64_t kSeed = 0xBA22E;
    const StoneLayout layout = layStones(kSeed, {10, 16, 14, 28, 2});
    Canvas canvas;
    paintStone(canvas, layout, kSeed + 1, {{104, 102, 100}, 9, 3, 30, 16, 50, {34, 32, 30}});

    constexpr int kLeft = 16;  // banner columns kLeft..kRight
    constexpr int kRight = 47;
    constexpr int kTop = 4;
    constexpr int kTails = 58;  // lowest row of the two tails
    constexpr int kNotch = 44;  // lowest row at the centre, where the fork is cut in
    constexpr int kHalf = (kRight - kLeft + 1) / 2;
    const auto hem = [&](int x) {
        const int fromSide = std::min(x - kLeft, kRight - x);
        return kTails - fromSide * (kTails - kNotch) / (kHalf - 1);
    };

    const Rgb red = {150, 22, 20};
    const Rgb gold = {206, 160, 52};
    const Rgb goldDark = {120, 84, 24};
    // Shadow of the cloth on the wall, to its right and below.
    for (int x = kLeft + 2; x <= kRight + 2; ++x) {
        const int bx = std::min(x, kRight);
        for (int y = kTop; y <= hem(bx) + 2 && y < kSide; ++y) {
            canvas[y][x] = scaled(canvas[y][x], 130);
        }
    }
    for (int x = kLeft; x <= kRight; ++x) {
        const int bottom = hem(x);
        // Folds: the cloth brightens and darkens across its width in a gentle wave.
        const int phase = (x - kLeft) % 8;
        const int fold = (phase < 4 ? phase : 8 - phase) * 12 - 20;
        const int edgeShade = std::min(x - kLeft, kRight - x) < 2 ? -20 : 0;
        for (int y = kTop; y <= bottom; ++y) {
            Rgb c = red;
            c.r += fold + edgeShade + (valueNoise(kSeed + 5, x, y, 2, 8) - 128) / 10;
            c.g += (fold + edgeShade) / 5;
            c.b += (fold + edgeShade) / 5;
            // Gold border: down both sides, along the hem and a band under the rod.
            const int fromSide = std::min(x - kLeft, kRight - x);
            const bool border = (fromSide >= 1 && fromSide <= 2) ||
                                (bottom - y >= 1 && bottom - y <= 2 && fromSide >= 1) ||
                                (y - kTop >= 3 && y - kTop <= 4 && fromSide >= 1);
            if (border) {
                c = mix(goldDark, gold, 128 + fold * 4);
            }
            canvas[y][x] = c;
        }
    }
    // The emblem: a gold lozenge with a red heart and a gold eye at its middle.
    constexpr int kCx = 31;  // the emblem spans columns 31-32 at its middle
    constexpr int kCy = 24;
    for (int y = kCy - 12; y <= kCy + 12; ++y) {
        for (int x = kCx - 11; x <= kCx + 12; ++x) {
            const int dx = x <= kCx ? kCx - x : x - kCx - 1;
            const int d = dx + std::abs(y - kCy);
            if (d > 11) {
                continue;
            }
            Rgb c = canvas[y][x];
            if (d >= 8 || d <= 3) {
                c = mix(goldDark, gold, (x < kCx + 1 ? 200 : 110) + (y < kCy ? 40 : -40));
            } else if (d == 4 || d == 7) {
                c = {95, 12, 12};
            }
            canvas[y][x] = c;
        }
    }
    // The rod it hangs from, with a knob at each end.
    for (int x = kLeft - 4; x <= kRight + 4; ++x) {
        for (int y = kTop - 2; y <= kTop; ++y) {
            const bool knob = x < kLeft - 1 || x > kRight + 1;
            Rgb c = y == kTop - 2 ? Rgb{150, 118, 60} : Rgb{92, 66, 30};
            if (knob) {
                c = lighter(c, 20);
            }
            canvas[y][x] = c;
        }
        if (x < kLeft - 1 || x > kRight + 1) {
            canvas[kTop - 3][x] = {120, 92, 44};
            canvas[kTop + 1][x] = {70, 50, 22};
        }
    }
    return toSurface(canvas);
}

// ---- 4: blue stone with a barred cell door ------------------------------------------------

Surface paintCellDoor() {
    constexpr std::uint64_t kSeed = 0xCE11;
    const StoneLayout layout = layStones(kSeed, {9, 15, 12, 24, 2});
    Canvas canvas;
    paintStone(canvas, layout, kSeed + 1, {{42, 54, 104}, 8, 0, 34, 18, 60, {14, 18, 36}});

    // The opening: columns kLeft..kRight, an arch whose crown is at kCrown, down to the floor.
    constexpr int kLeft = 19;
    constexpr int kRight = 44;
    constexpr int kCrown = 10;
    constexpr int kFrame = 4;
    constexpr int kHalf2 = kRight - kLeft + 1;     // twice the half-width
    constexpr int kSpring2 = 2 * kCrown + kHalf2;  // twice the row where the arch springs
    // Twice-scaled coordinates keep the arch symmetric about the gap between columns 31, 32.
    const auto insideArch = [&](int x, int y, int grow) {
        const int dx2 = 2 * x + 1 - (kLeft + kRight + 1);
        const int r2 = kHalf2 + 2 * grow;
        if (std::abs(dx2) > r2) {
            return false;
        }
        const int dy2 = 2 * y + 1 - kSpring2;
        if (dy2 >= 0) {
            return true;  // the straight jambs below the springing
        }
        return dx2 * dx2 + dy2 * dy2 <= r2 * r2;
    };

    const Rgb ironLight = {128, 134, 150};
    const Rgb iron = {76, 80, 94};
    const Rgb ironDark = {34, 36, 44};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (insideArch(x, y, 0)) {
                // The cell beyond: near black, a little light on the floor.
                const int depth = y * 18 / kSide;
                canvas[y][x] = {6 + depth / 2, 8 + depth / 2, 18 + depth};
            } else if (insideArch(x, y, kFrame)) {
                // A frame of dressed stone, its edges in shadow.
                const bool outerRing = !insideArch(x, y, kFrame - 1);
                const bool innerRing = insideArch(x, y, 1);
                Rgb c = {70, 82, 130};
                c = lighter(c, roughness(kSeed + 6, x, y) / 6);
                // Joints between the frame stones: level ones down the jambs, radial ones at
                // 30 and 60 degrees round the arch.
                const int dx2 = std::abs(2 * x + 1 - (kLeft + kRight + 1));
                const int dy2 = 2 * y + 1 - kSpring2;
                const bool joint = dy2 >= 0 ? (y - kSpring2 / 2) % 10 == 9
                                            : std::abs(dx2 * 500 + dy2 * 866) < 1400 ||
                                                  std::abs(dx2 * 866 + dy2 * 500) < 1400;
                if (joint) {
                    c = {22, 28, 52};
                } else if (outerRing) {
                    c = scaled(c, 150);
                } else if (innerRing) {
                    c = scaled(c, 120);
                }
                canvas[y][x] = c;
            } else if (insideArch(x, y, kFrame + 2)) {
                canvas[y][x] = scaled(canvas[y][x], 190);  // the wall set back around the frame
            }
        }
    }
    // Keystone at the crown.
    for (int y = kCrown - kFrame - 1; y <= kCrown + 1; ++y) {
        for (int x = 29; x <= 34; ++x) {
            if (y >= 0 && !insideArch(x, y, 0)) {
                const bool rim = x == 29 || x == 34 || y == kCrown - kFrame - 1;
                canvas[y][x] = rim ? Rgb{40, 48, 80} : Rgb{92, 104, 150};
            }
        }
    }
    // Vertical bars, two pixels wide, lit on the left.
    for (int bar = 0; bar < 5; ++bar) {
        const int x0 = kLeft + 2 + bar * 5;
        for (int y = 0; y < kSide; ++y) {
            if (!insideArch(x0, y, 0) || !insideArch(x0 + 1, y, 0)) {
                continue;
            }
            canvas[y][x0] = ironLight;
            canvas[y][x0 + 1] = iron;
            if (insideArch(x0 + 2, y, 0)) {
                canvas[y][x0 + 2] = scaled(canvas[y][x0 + 2], 90);
            }
        }
    }
    // Two cross bands, riveted where they meet the bars.
    for (int band : {30, 50}) {
        for (int x = kLeft; x <= kRight; ++x) {
            canvas[band][x] = ironLight;
            canvas[band + 1][x] = iron;
            canvas[band + 2][x] = ironDark;
        }
        for (int bar = 0; bar < 5; ++bar) {
            canvas[band][kLeft + 2 + bar * 5] = {170, 176, 190};
        }
    }
    // A lock plate on the right-hand side.
    for (int y = 37; y <= 44; ++y) {
        for (int x = 38; x <= 43; ++x) {
            const bool rim = y == 37 || x == 38;
            canvas[y][x] = rim ? ironLight : iron;
        }
    }
    canvas[40][41] = ironDark;
    canvas[41][41] = ironDark;
    canvas[42][41] = ironDark;
    return toSurface(canvas);
}

// ---- 5: framed picture on wooden panelling -------------------------------------------------

Surface paintPanelledPicture() {
    constexpr std::uint64_t kSeed = 0x9A1E7;
    Canvas canvas;
    Rng rng(kSeed);

    // Planks of uneven widths adding up to 64, so the boards continue round the seam.
    std::array<int, kSide> plank{};
    std::array<int, kSide> fromPlankLeft{};
    {
        int x = 0;
        int id = 0;
        while (x < kSide) {
            int width = rng.range(7, 11);
            if (kSide - (x + width) < 7) {
                width = kSide - x;
            }
            for (int i = 0; i < width; ++i) {
                plank[x + i] = id;
                fromPlankLeft[x + i] = i;
            }
            x += width;
            ++id;
        }
    }
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const std::uint64_t h = hash(kSeed + 1, plank[x], 0);
            const int tint = static_cast<int>(h % 17) - 8;
            Rgb c = {78 + tint, 46 + tint * 2 / 3, 24 + tint / 3};
            // Grain: long vertical streaks, waving a little sideways, with darker lines in them.
            const int wave = (valueNoise(kSeed + 2, x, y, 64, 16) - 128) / 32;
            const int streak = valueNoise(kSeed + 3 + plank[x], x * 2 + wave, y, 4, 32);
            c = scaled(c, 168 + streak * 2 / 5);
            if (valueNoise(kSeed + 4 + plank[x], x * 2 + wave, y, 2, 16) > 190) {
                c = scaled(c, 200);
            }
            const bool nextIsNew = plank[(x + 1) % kSide] != plank[x];
            if (fromPlankLeft[x] == 0) {
                c = {18, 10, 5};  // the seam between boards
            } else if (fromPlankLeft[x] == 1) {
                c = lighter(c, 16);
            } else if (nextIsNew) {
                c = scaled(c, 190);
            }
            canvas[y][x] = c;
        }
    }
    // A couple of knots in the boards, clear of the picture.
    for (const auto& [kx, ky] : {std::pair{5, 40}, std::pair{58, 24}}) {
        for (int y = ky - 3; y <= ky + 3; ++y) {
            for (int x = kx - 2; x <= kx + 2; ++x) {
                const int d = (x - kx) * (x - kx) * 9 + (y - ky) * (y - ky) * 4;  // an oval
                if (d <= 12) {
                    canvas[y][x] = {34, 18, 8};
                } else if (d <= 40) {
                    canvas[y][x] = scaled(canvas[y][x], 170);
                }
            }
        }
    }
    // A cornice along the top and a rail low down, running the full width.
    for (int x = 0; x < kSide; ++x) {
        const Rgb rail[] = {{118, 76, 40}, {92, 58, 30}, {70, 42, 22}, {30, 18, 9}};
        for (int i = 0; i < 4; ++i) {
            canvas[i][x] = rail[i];
            canvas[53 + i][x] = rail[i];
        }
    }

    // The frame: columns 14..49, rows 11..46, four pixels of gilt.
    constexpr int kLeft = 14;
    constexpr int kRight = 49;
    constexpr int kTop = 11;
    constexpr int kBottom = 46;
    constexpr int kFrame = 4;
    for (int y = kTop + 1; y <= kBottom + 2; ++y) {
        for (int x = kLeft + 1; x <= kRight + 2; ++x) {
            canvas[y][x] = scaled(canvas[y][x], 110);  // its shadow on the panelling
        }
    }
    const Rgb goldLight = {232, 196, 96};
    const Rgb gold = {186, 142, 52};
    const Rgb goldDark = {110, 76, 24};
    for (int y = kTop; y <= kBottom; ++y) {
        for (int x = kLeft; x <= kRight; ++x) {
            const int l = x - kLeft;
            const int r = kRight - x;
            const int t = y - kTop;
            const int b = kBottom - y;
            const int ring = std::min({l, r, t, b});
            if (ring >= kFrame) {
                continue;
            }
            // Mitred moulding: the side nearest decides which way the piece faces.
            const bool litSide = std::min(l, t) <= std::min(r, b);
            Rgb c = gold;
            if (ring == 0) {
                c = goldDark;
            } else if (ring == 1) {
                c = litSide ? goldLight : gold;
            } else if (ring == 2) {
                c = litSide ? gold : goldDark;
            } else {
                c = {70, 46, 14};
            }
            c = lighter(c, (valueNoise(kSeed + 5, x, y, 2, 2) - 128) / 12);
            canvas[y][x] = c;
        }
    }

    // The picture: a landscape of sky, sun, mountains and green hills.
    constexpr int kPl = kLeft + kFrame;
    constexpr int kPr = kRight - kFrame;
    constexpr int kPt = kTop + kFrame;
    constexpr int kPb = kBottom - kFrame;
    // Two peaks; the skyline is the higher of their slopes, roughened a little.
    constexpr int kPeakX[] = {23, 37};
    constexpr int kPeakY[] = {kPt + 4, kPt + 8};
    const auto peakAt = [&](int x) {
        return std::abs(x - kPeakX[0]) * 4 / 3 + kPeakY[0] <= std::abs(x - kPeakX[1]) + kPeakY[1]
                   ? 0
                   : 1;
    };
    const auto ridge = [&](int x) {
        const int p = peakAt(x);
        const int slope = p == 0 ? std::abs(x - kPeakX[0]) * 4 / 3 : std::abs(x - kPeakX[1]);
        const int rough = valueNoise(kSeed + 6, x, 0, 2, 64) * 2 / 256;
        return std::min(kPt + 17, kPeakY[p] + slope + rough);
    };
    const auto hill = [&](int x) {
        const int d = x - 28;
        return kPt + 19 + d * d / 40 - (x > 34 ? (x - 34) / 2 : 0);
    };
    for (int y = kPt; y <= kPb; ++y) {
        for (int x = kPl; x <= kPr; ++x) {
            Rgb c;
            if (y > hill(x)) {
                c = mix({78, 120, 40}, {34, 66, 22}, (y - hill(x)) * 256 / 12);
                if (hash8(kSeed + 7, x, y) < 30) {
                    c = lighter(c, -14);
                }
            } else if (y >= ridge(x)) {
                // Lit from the left: the slopes facing left are paler.
                const int p = peakAt(x);
                const bool lit = x < kPeakX[p];
                c = lit ? Rgb{112, 116, 138} : Rgb{70, 76, 104};
                c = mix(c, {58, 66, 88}, (y - ridge(x)) * 256 / 12);
                if (y - kPeakY[p] < 4) {
                    c = lit ? Rgb{226, 228, 234} : Rgb{170, 176, 196};  // snow on the peaks
                }
            } else {
                c = mix({74, 116, 170}, {196, 180, 140}, (y - kPt) * 256 / 17);
                const int sx = x - 40;
                const int sy = y - (kPt + 5);
                if (sx * sx + sy * sy <= 6) {
                    c = {250, 226, 140};  // the sun
                }
            }
            canvas[y][x] = c;
        }
    }
    // A dark tree on the near hill.
    for (int y = kPt + 12; y <= kPt + 22; ++y) {
        const int half = y < kPt + 20 ? (y - (kPt + 12)) / 3 : 0;
        for (int x = 24 - half; x <= 24 + half; ++x) {
            canvas[y][x] = {26, 50, 22};
        }
    }
    return toSurface(canvas);
}

}  // namespace

Surface paintTexture(int code) {
    switch (code) {
        case 1:
            return paintSlimeStone();
        case 2:
            return paintGreyStone();
        case 3:
            return paintBanner();
        case 4:
            return paintCellDoor();
        case 5:
            return paintPanelledPicture();
        default:
            throw std::out_of_range("no wall texture for code " + std::to_string(code));
    }
}

}  // namespace quellon
