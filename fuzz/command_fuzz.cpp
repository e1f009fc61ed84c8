// Fuzzes the probe's command line. The input is split on NUL bytes into the arguments (after
// the program name), so any argv the shell could pass can be produced, newlines included.
//
// An accepted command must be what the usage promises: a known verb with its number of
// operands; X and Y finite and in 0..64, ANGLE finite, each the single-precision value of
// its text (checked against strtof) written as a plain decimal number; WIDTH and HEIGHT
// whole numbers in 1..kMaxSidePx written in digits alone; the defaults wherever an operand is not
// given; OUT exactly the argument, ending in .bmp or .png in either case, and the format it
// names; options after the operands in pairs, each at most once: --level, --maze and --textures
// with a non-empty value anywhere (--level and --maze not both), --scale 1..32, --strip below
// the strip count and --around 1..64 for map only, --what-if with a list of rules for cast, frame
// and map, --until-strip with a whole number for frame and map (a map's --strip below it, and the
// strips counted at the rules' strip width); maze-code and maze-grid take no operands. A rule
// list is empty or comma-separated rules, each at most once: fisheye, exact-angles, screen-rays
// (not both of these), plain-walls, fov=D with D digits in 20..160 and strip=N with N digits in
// 1..16. A refused command must say why in one non-empty line. And a command that is plainly
// well formed must not be refused.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tools/probe_input.h"

namespace {

using quellon::probe::Command;

enum class Verdict { kValid, kInvalid, kEither };

Verdict both(Verdict a, Verdict b) {
    if (a == Verdict::kInvalid || b == Verdict::kInvalid) {
        return Verdict::kInvalid;
    }
    return a == Verdict::kValid && b == Verdict::kValid ? Verdict::kValid : Verdict::kEither;
}

// The format OUT's last four characters name, compared without regard to case.
Verdict outVerdict(std::string_view out, quellon::FileFormat& format) {
    if (out.size() < 4) {
        return Verdict::kInvalid;
    }
    std::string ending(out.substr(out.size() - 4));
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (ending == ".bmp" || ending == ".png") {
        format = ending == ".png" ? quellon::FileFormat::kPng : quellon::FileFormat::kBmp;
        return Verdict::kValid;
    }
    return Verdict::kInvalid;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// -?(D+(.D*)?|.D+)([eE][+-]?D+)?
bool isPlainDecimal(std::string_view t) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && isDigit(t[i])) {
            ++i;
        }
        return i - from;
    };
    if (i < t.size() && t[i] == '-') {
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return i == t.size();
}

// What a float operand should get, by the C library's reading of it. Texts at the edges of
// what single precision holds (underflow, overflow, rounding across a range end) may go
// either way.
Verdict floatVerdict(std::string_view text, bool position) {
    const std::string s(text);
    char* end = nullptr;
    const double wide = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !isPlainDecimal(text)) {
        return Verdict::kInvalid;
    }
    const double magnitude = std::fabs(wide);
    if (!std::isfinite(wide) || magnitude > 1e38) {
        return magnitude > 4e38 ? Verdict::kInvalid : Verdict::kEither;
    }
    const std::size_t exponent = text.find_first_of("eE");
    const bool zeroDigits =
        text.substr(0, exponent).find_first_of("123456789") == std::string_view::npos;
    if (magnitude < 1e-30 && !zeroDigits) {
        return Verdict::kEither;  // near or below single precision's smallest normal
    }
    if (position) {
        if (wide < -1e-6 || wide > 64.00001) {
            return Verdict::kInvalid;
        }
        if (wide < 0 || wide > 64) {
            return Verdict::kEither;
        }
    }
    return Verdict::kValid;
}

bool digitsOnly(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

long digitsValue(std::string_view text) {
    long value = 0;
    for (const char c : text) {
        value = std::min(value * 10 + (c - '0'), 1'000'000L);
    }
    return value;
}

Verdict sizeVerdict(std::string_view text) {
    if (!digitsOnly(text)) {
        return Verdict::kInvalid;
    }
    const long value = digitsValue(text);
    return value >= 1 && value <= quellon::probe::kMaxSidePx ? Verdict::kValid : Verdict::kInvalid;
}

void checkFloat(std::string_view text, float value, bool position, const char* name) {
    FUZZ_CHECK(std::isfinite(value), "%s accepted as %g", name, static_cast<double>(value));
    if (position) {
        FUZZ_CHECK(value >= 0 && value <= 64, "%s accepted as %.9g", name,
                   static_cast<double>(value));
    }
    FUZZ_CHECK(floatVerdict(text, position) != Verdict::kInvalid, "%s accepted from \"%.*s\"", name,
               static_cast<int>(text.size()), text.data());
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const float reference = std::strtof(s.c_str(), &end);
    FUZZ_CHECK(end == s.c_str() + s.size() && reference == value,
               "%s read as %.9g from \"%s\", strtof gives %.9g", name, static_cast<double>(value),
               s.c_str(), static_cast<double>(reference));
}

void checkSize(std::string_view text, int value, const char* name) {
    FUZZ_CHECK(value >= 1 && value <= quellon::probe::kMaxSidePx, "%s accepted as %d", name, value);
    FUZZ_CHECK(sizeVerdict(text) == Verdict::kValid, "%s accepted from \"%.*s\"", name,
               static_cast<int>(text.size()), text.data());
    FUZZ_CHECK(std::strtol(std::string(text).c_str(), nullptr, 10) == value,
               "%s read as %d from \"%.*s\"", name, value, static_cast<int>(text.size()),
               text.data());
}

Verdict poseVerdict(const std::vector<std::string_view>& args, std::size_t at) {
    return both(both(floatVerdict(args[at], true), floatVerdict(args[at + 1], true)),
                floatVerdict(args[at + 2], false));
}

Verdict sizesVerdict(const std::vector<std::string_view>& args, std::size_t at) {
    return both(sizeVerdict(args[at]), sizeVerdict(args[at + 1]));
}

void checkPose(const std::vector<std::string_view>& args, std::size_t at, const Command& c) {
    checkFloat(args[at], c.x, true, "X");
    checkFloat(args[at + 1], c.y, true, "Y");
    checkFloat(args[at + 2], c.angle, false, "ANGLE");
}

void checkDefaultPose(const Command& c) {
    FUZZ_CHECK(c.x == quellon::kStartX && c.y == quellon::kStartY && c.angle == 0.0f,
               "default pose is %g %g %g", static_cast<double>(c.x), static_cast<double>(c.y),
               static_cast<double>(c.angle));
}

// A --what-if list as the usage describes it, and the strip width it sets.
Verdict rulesVerdict(std::string_view list, long& stripWidth) {
    stripWidth = 3;
    std::vector<std::string_view> names;
    for (std::size_t from = 0; !list.empty();) {
        const std::size_t comma = list.find(',', from);
        const std::string_view rule =
            list.substr(from, comma == std::string_view::npos ? comma : comma - from);
        const std::string_view name = rule.substr(0, rule.find('='));
        const bool hasValue = name.size() < rule.size();
        const std::string_view value = hasValue ? rule.substr(name.size() + 1) : std::string_view{};
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            return Verdict::kInvalid;
        }
        names.push_back(name);
        if (name == "fov" || name == "strip") {
            const long lo = name == "fov" ? 20 : 1;
            const long hi = name == "fov" ? 160 : 16;
            if (!hasValue || !digitsOnly(value) || digitsValue(value) < lo ||
                digitsValue(value) > hi) {
                return Verdict::kInvalid;
            }
            if (name == "strip") {
                stripWidth = digitsValue(value);
            }
        } else if (hasValue || (name != "fisheye" && name != "exact-angles" &&
                                name != "screen-rays" && name != "plain-walls")) {
            return Verdict::kInvalid;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    const bool both = std::find(names.begin(), names.end(), "exact-angles") != names.end() &&
                      std::find(names.begin(), names.end(), "screen-rays") != names.end();
    return both ? Verdict::kInvalid : Verdict::kValid;
}

// Which options a verb takes besides --level.
struct OptionsFor {
    bool map;      // --scale, --strip, --around
    bool picture;  // --until-strip: frame and map
    bool view;     // --what-if: cast, frame and map
};

// The options after the operands: pairs of a name and a value, each name at most once.
// `width` is the frame's width if it is valid, for the strips a map has.
Verdict optionsVerdict(const std::vector<std::string_view>& options, OptionsFor takes, long width) {
    std::vector<std::string_view> seen;
    std::string_view strip;
    long stripWidth = 3;
    long until = -1;
    Verdict verdict = Verdict::kValid;
    for (std::size_t i = 0; i < options.size(); i += 2) {
        const std::string_view name = options[i];
        if (i + 1 == options.size() || std::find(seen.begin(), seen.end(), name) != seen.end()) {
            return Verdict::kInvalid;
        }
        seen.push_back(name);
        const std::string_view value = options[i + 1];
        if (name == "--level" || name == "--maze" || name == "--textures") {
            if (value.empty()) {
                return Verdict::kInvalid;
            }
        } else if (name == "--scale" && takes.map) {
            if (!digitsOnly(value) || digitsValue(value) < 1 || digitsValue(value) > 32) {
                return Verdict::kInvalid;
            }
        } else if (name == "--strip" && takes.map) {
            if (!digitsOnly(value)) {
                return Verdict::kInvalid;
            }
            strip = value;
        } else if (name == "--around" && takes.map) {
            if (!digitsOnly(value) || digitsValue(value) < 1 || digitsValue(value) > 64) {
                return Verdict::kInvalid;
            }
        } else if (name == "--what-if" && takes.view) {
            if (rulesVerdict(value, stripWidth) == Verdict::kInvalid) {
                return Verdict::kInvalid;
            }
        } else if (name == "--until-strip" && takes.picture) {
            if (!digitsOnly(value)) {
                return Verdict::kInvalid;
            }
            // Digits beyond what a long holds may be refused.
            verdict = value.size() > 18 ? both(verdict, Verdict::kEither) : verdict;
            until = digitsValue(value);
        } else {
            return Verdict::kInvalid;
        }
    }
    if (!strip.empty()) {
        const long index = digitsValue(strip);
        if ((width > 0 && index > width / stripWidth) || (until >= 0 && index >= until)) {
            return Verdict::kInvalid;
        }
    }
    const bool level = std::find(seen.begin(), seen.end(), "--level") != seen.end();
    const bool maze = std::find(seen.begin(), seen.end(), "--maze") != seen.end();
    return level && maze ? Verdict::kInvalid : verdict;
}

void checkOptions(const std::vector<std::string_view>& options, const Command& c) {
    std::string_view level;
    std::string_view maze;
    std::string_view textures;
    bool whatIf = false;
    long stripWidth = 3;
    for (std::size_t i = 0; i + 1 < options.size(); i += 2) {
        if (options[i] == "--level") {
            level = options[i + 1];
        }
        if (options[i] == "--maze") {
            maze = options[i + 1];
        }
        if (options[i] == "--textures") {
            textures = options[i + 1];
        }
        if (options[i] == "--scale") {
            FUZZ_CHECK(c.scale == digitsValue(options[i + 1]), "scale read as %d", c.scale);
        }
        if (options[i] == "--around") {
            FUZZ_CHECK(c.around == digitsValue(options[i + 1]), "around read as %d", c.around);
        }
        if (options[i] == "--what-if") {
            whatIf = true;
            FUZZ_CHECK(rulesVerdict(options[i + 1], stripWidth) == Verdict::kValid,
                       "rules accepted from \"%.*s\"", static_cast<int>(options[i + 1].size()),
                       options[i + 1].data());
            FUZZ_CHECK(c.whatIf && c.whatIf->stripWidthPx == stripWidth, "strip width read as %d",
                       c.whatIf ? c.whatIf->stripWidthPx : -1);
        }
        if (options[i] == "--until-strip") {
            FUZZ_CHECK(c.untilStrip == digitsValue(options[i + 1]) ||
                           (digitsValue(options[i + 1]) >= 1'000'000 && c.untilStrip >= 1'000'000),
                       "until-strip read as %d", c.untilStrip);
        }
    }
    for (std::size_t i = 0; i + 1 < options.size(); i += 2) {
        if (options[i] == "--strip") {
            FUZZ_CHECK(c.strip == digitsValue(options[i + 1]), "strip read as %d", c.strip);
            FUZZ_CHECK(c.strip >= 0 && c.strip <= c.width / stripWidth && c.strip < c.untilStrip,
                       "strip %d of a view %d wide in strips %ld wide, until %d", c.strip, c.width,
                       stripWidth, c.untilStrip);
        }
    }
    FUZZ_CHECK(c.level == level, "level is \"%s\"", c.level.c_str());
    FUZZ_CHECK(c.maze == maze, "maze is \"%s\"", c.maze.c_str());
    FUZZ_CHECK(c.textures == textures, "textures is \"%s\"", c.textures.c_str());
    FUZZ_CHECK(c.whatIf.has_value() == whatIf, "rules %s", whatIf ? "lost" : "invented");
}

void checkDefaultSize(const Command& c) {
    FUZZ_CHECK(c.width == quellon::kOpeningWidthPx && c.height == quellon::kOpeningHeightPx,
               "default size is %d x %d", c.width, c.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    if (!input.empty()) {
        std::size_t from = 0;
        for (;;) {
            const std::size_t nul = input.find('\0', from);
            args.push_back(input.substr(from, nul == std::string_view::npos ? nul : nul - from));
            if (nul == std::string_view::npos) {
                break;
            }
            from = nul + 1;
        }
    }

    const quellon::probe::CommandResult result = quellon::probe::parseCommand(args);
    if (!result.ok()) {
        FUZZ_CHECK(result.error.find('\n') == std::string::npos,
                   "refusal is more than one line: \"%s\"", result.error.c_str());
    }

    // What the usage says the answer should be. The operands come first, then the options,
    // which start at the first argument that starts with "--".
    Verdict expected = Verdict::kInvalid;
    const std::string_view verb = args.empty() ? std::string_view{} : args[0];
    std::size_t operands = 0;
    while (operands + 1 < args.size() && args[operands + 1].substr(0, 2) != "--") {
        ++operands;
    }
    const std::vector<std::string_view> options(
        args.begin() + static_cast<std::ptrdiff_t>(std::min(args.size(), operands + 1)),
        args.end());
    const Command& c = result.command;
    if (verb == "--help" || verb == "-h" || verb == "help" || verb == "--version") {
        expected = args.size() == 1 ? Verdict::kValid : Verdict::kInvalid;
        if (result.ok()) {
            const auto kind = verb == "--version" ? Command::Kind::kVersion : Command::Kind::kHelp;
            FUZZ_CHECK(c.kind == kind, "%.*s parsed as kind %d", static_cast<int>(verb.size()),
                       verb.data(), static_cast<int>(c.kind));
        }
    } else if (verb == "cast") {
        if (operands == 3 || operands == 5) {
            expected = poseVerdict(args, 1);
            if (operands == 5) {
                expected = both(expected, sizesVerdict(args, 4));
            }
            expected = both(expected, optionsVerdict(options, {false, false, true}, 0));
        }
        if (result.ok()) {
            FUZZ_CHECK(c.kind == Command::Kind::kCast, "cast parsed as kind %d",
                       static_cast<int>(c.kind));
            checkPose(args, 1, c);
            if (operands == 5) {
                checkSize(args[4], c.width, "WIDTH");
                checkSize(args[5], c.height, "HEIGHT");
            } else {
                checkDefaultSize(c);
            }
        }
    } else if (verb == "frame" || verb == "map") {
        const bool map = verb == "map";
        quellon::FileFormat format = quellon::FileFormat::kBmp;
        if (operands == 6) {
            const Verdict sizes = sizesVerdict(args, 4);
            const long width = sizes == Verdict::kValid ? digitsValue(args[4]) : 0;
            expected = both(both(poseVerdict(args, 1), sizes),
                            optionsVerdict(options, {map, true, true}, width));
            expected = both(expected, outVerdict(args[6], format));
        }
        if (result.ok()) {
            FUZZ_CHECK(c.kind == (map ? Command::Kind::kMap : Command::Kind::kFrame),
                       "%s parsed as kind %d", map ? "map" : "frame", static_cast<int>(c.kind));
            checkPose(args, 1, c);
            checkSize(args[4], c.width, "WIDTH");
            checkSize(args[5], c.height, "HEIGHT");
            FUZZ_CHECK(c.out == args[6], "OUT is \"%s\"", c.out.c_str());
            FUZZ_CHECK(c.format == format, "OUT \"%s\" read as format %d", c.out.c_str(),
                       static_cast<int>(c.format));
        }
    } else if (verb == "walk") {
        if (operands == 0) {
            expected = Verdict::kValid;
        } else if (operands == 3) {
            expected = poseVerdict(args, 1);
        }
        if (operands == 0 || operands == 3) {
            expected = both(expected, optionsVerdict(options, {false, false, false}, 0));
        }
        if (result.ok()) {
            FUZZ_CHECK(c.kind == Command::Kind::kWalk, "walk parsed as kind %d",
                       static_cast<int>(c.kind));
            if (operands == 3) {
                checkPose(args, 1, c);
            } else {
                checkDefaultPose(c);
            }
        }
    } else if (verb == "maze-code" || verb == "maze-grid") {
        if (operands == 0) {
            expected = optionsVerdict(options, {false, false, false}, 0);
        }
        if (result.ok()) {
            FUZZ_CHECK(c.kind == (verb == "maze-code" ? Command::Kind::kMazeCode
                                                      : Command::Kind::kMazeGrid),
                       "%.*s parsed as kind %d", static_cast<int>(verb.size()), verb.data(),
                       static_cast<int>(c.kind));
        }
    }
    if (result.ok()) {
        checkOptions(options, c);
    }

    if (result.ok()) {
        FUZZ_CHECK(expected != Verdict::kInvalid, "accepted a command that should be refused");
        if (c.kind != Command::Kind::kFrame && c.kind != Command::Kind::kMap) {
            FUZZ_CHECK(c.out.empty(), "OUT set to \"%s\" outside frame and map", c.out.c_str());
        }
    } else {
        FUZZ_CHECK(expected != Verdict::kValid, "refused a well-formed command: %s",
                   result.error.c_str());
        FUZZ_CHECK(!result.error.empty(), "refused without a reason");
    }
    return 0;
}
