#include "tools/probe_input.h"

#include <charconv>
#include <cmath>
#include <string>

#include "app/one_line.h"
#include "platform/window.h"
#include "tools/text_lines.h"

namespace quellon::probe {

const std::string& usage() {
    static const std::string text =
        "usage: quellon-probe cast X Y ANGLE [WIDTH HEIGHT]\n"
        "       quellon-probe frame X Y ANGLE WIDTH HEIGHT OUT.bmp|OUT.png\n"
        "       quellon-probe walk [X Y ANGLE] < SCRIPT\n"
        "\n"
        "cast   prints one line per strip of the view from the pose, left to right:\n"
        "       stripX rayOffset rayAngle wallDist wallCode texColumn distance wallHeight wallTop\n"
        "       (distance is corrected for the ray's offset; the default size is " +
        std::to_string(Window::kClientWidthPx) + " by " + std::to_string(Window::kClientHeightPx) +
        ")\n"
        "frame  writes the view as the window draws it, without the text, as a 24-bit BMP\n"
        "       when OUT ends in .bmp, as a PNG when it ends in .png\n"
        "walk   starts from the pose (default 2.5 2.5 0) and reads one step per line: a tick\n"
        "       count and the keys held during those ticks, by name (left right up down comma\n"
        "       period) or decimal virtual-key code; '#' starts a comment line. After each step\n"
        "       it prints: playerX playerY playerAngle\n"
        "\n"
        "X and Y are map positions in 0.." +
        std::to_string(kMapSize) +
        ", ANGLE a heading in degrees, all read as\n"
        "single-precision numbers; WIDTH and HEIGHT are whole pixels in 1.." +
        std::to_string(kMaxSidePx) +
        ".\n"
        "Bad input is reported on stderr with exit status 2.\n";
    return text;
}

namespace {

bool parseFloat(std::string_view text, float& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    return ec == std::errc{} && ptr == end && std::isfinite(value);
}

bool parseWhole(std::string_view text, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && ptr == end && !text.empty() && text.front() != '-';
}

// Reads X Y ANGLE from args[at..at+2].
std::string readPose(const std::vector<std::string_view>& args, std::size_t at, Command& c) {
    if (!parseFloat(args[at], c.x) || c.x < 0 || c.x > kMaxPosition) {
        return "X must be a number in 0.." + std::to_string(kMapSize) + ", not " + quoted(args[at]);
    }
    if (!parseFloat(args[at + 1], c.y) || c.y < 0 || c.y > kMaxPosition) {
        return "Y must be a number in 0.." + std::to_string(kMapSize) + ", not " +
               quoted(args[at + 1]);
    }
    if (!parseFloat(args[at + 2], c.angle)) {
        return "ANGLE must be a finite number, not " + quoted(args[at + 2]);
    }
    return {};
}

std::string sizeRange() {
    return std::to_string(kMinSidePx) + ".." + std::to_string(kMaxSidePx);
}

std::string readSize(const std::vector<std::string_view>& args, std::size_t at, Command& c) {
    long width = 0;
    long height = 0;
    if (!parseWhole(args[at], width) || width < kMinSidePx || width > kMaxSidePx) {
        return "WIDTH must be a whole number in " + sizeRange() + ", not " + quoted(args[at]);
    }
    if (!parseWhole(args[at + 1], height) || height < kMinSidePx || height > kMaxSidePx) {
        return "HEIGHT must be a whole number in " + sizeRange() + ", not " + quoted(args[at + 1]);
    }
    c.width = static_cast<int>(width);
    c.height = static_cast<int>(height);
    return {};
}

// The image format named by the file name's ending, ignoring case; false for any other name.
bool formatOf(std::string_view name, Command::Format& format) {
    constexpr std::size_t kEndingSize = 4;
    if (name.size() < kEndingSize) {
        return false;
    }
    std::string ending(name.substr(name.size() - kEndingSize));
    for (char& c : ending) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (ending == ".bmp") {
        format = Command::Format::kBmp;
        return true;
    }
    if (ending == ".png") {
        format = Command::Format::kPng;
        return true;
    }
    return false;
}

CommandResult failure(std::string why) {
    return {Command{}, std::move(why)};
}

int keyCodeFor(std::string_view word) {
    if (word == "left")
        return vk::kLeft;
    if (word == "right")
        return vk::kRight;
    if (word == "up")
        return vk::kUp;
    if (word == "down")
        return vk::kDown;
    if (word == "comma")
        return vk::kComma;
    if (word == "period")
        return vk::kPeriod;
    long code = -1;
    if (parseWhole(word, code) && code <= kMaxKeyCode) {
        return static_cast<int>(code);
    }
    return -1;
}

}  // namespace

CommandResult parseCommand(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        return failure("no command given (cast, frame or walk; --help shows the usage)");
    }
    const std::string_view verb = args[0];
    const std::size_t operands = args.size() - 1;
    CommandResult result;
    Command& c = result.command;
    if (verb == "--help" || verb == "-h" || verb == "help") {
        if (operands != 0) {
            return failure("--help takes no arguments");
        }
        c.kind = Command::Kind::kHelp;
        return result;
    }
    if (verb == "cast") {
        if (operands != 3 && operands != 5) {
            return failure("cast takes X Y ANGLE [WIDTH HEIGHT], got " + std::to_string(operands) +
                           " arguments");
        }
        c.kind = Command::Kind::kCast;
        result.error = readPose(args, 1, c);
        if (result.ok() && operands == 5) {
            result.error = readSize(args, 4, c);
        }
    } else if (verb == "frame") {
        if (operands != 6) {
            return failure("frame takes X Y ANGLE WIDTH HEIGHT OUT, got " +
                           std::to_string(operands) + " arguments");
        }
        c.kind = Command::Kind::kFrame;
        result.error = readPose(args, 1, c);
        if (result.ok()) {
            result.error = readSize(args, 4, c);
        }
        c.out = std::string(args[6]);
        if (result.ok() && c.out.empty()) {
            result.error = "OUT must name a file";
        } else if (result.ok() && !formatOf(c.out, c.format)) {
            result.error = "OUT must end in .bmp or .png, not " + quoted(c.out);
        }
    } else if (verb == "walk") {
        if (operands != 0 && operands != 3) {
            return failure("walk takes [X Y ANGLE], got " + std::to_string(operands) +
                           " arguments");
        }
        c.kind = Command::Kind::kWalk;
        if (operands == 3) {
            result.error = readPose(args, 1, c);
        }
    } else {
        return failure("unknown command " + quoted(verb) + " (cast, frame or walk)");
    }
    if (!result.ok()) {
        result.command = Command{};
    }
    return result;
}

WalkScriptResult parseWalkScript(std::string_view text) {
    WalkScriptResult result;
    long lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = takeLine(text);
        ++lineNumber;
        const auto fail = [&](const std::string& why) {
            result.steps.clear();
            result.error = "line " + std::to_string(lineNumber) + ": " + why;
            return result;
        };
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') {
            continue;
        }
        WalkStep step;
        bool haveCount = false;
        std::size_t at = first;
        while (at < line.size()) {
            const std::size_t stop = std::min(line.find_first_of(" \t", at), line.size());
            const std::string_view word = line.substr(at, stop - at);
            at = std::min(line.find_first_not_of(" \t", stop), line.size());
            if (!haveCount) {
                if (!parseWhole(word, step.ticks) || step.ticks > kMaxTicksPerLine) {
                    return fail("expected a tick count in 0..100000000, not " + quoted(word));
                }
                haveCount = true;
                continue;
            }
            const int code = keyCodeFor(word);
            if (code < 0) {
                return fail("unknown key " + quoted(word) +
                            " (left, right, up, down, comma, period or a code 0..65535)");
            }
            step.keys.push_back(code);
        }
        result.steps.push_back(std::move(step));
    }
    return result;
}

}  // namespace quellon::probe
