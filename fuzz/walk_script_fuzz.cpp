// Fuzzes the reader of the probe's walk scripts with arbitrary text.
//
// The answer is compared with a second, deliberately plain reading of the same rules: lines
// end at '\n' (a '\r' before it is dropped); words are separated by spaces and tabs; a line
// without words, or whose first word starts with '#', is skipped; every other line is a tick
// count of digits alone in 0..100000000 followed by keys, each a name (left right up down
// comma period) or digits alone in 0..65535.
//
// Promises checked: an accepted script has exactly the steps of that reading, every count
// and code in range; a refused one has no steps and an error "line N: ..." on one line, N
// being the first line that breaks the rules (so within the script's line count).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tools/probe_input.h"
#include "world/keys.h"

namespace {

using quellon::probe::WalkStep;

struct Reading {
    std::vector<WalkStep> steps;
    long badLine = 0;  // 0 when every line is good
    long lineCount = 0;
};

// Digits alone, read with saturation; -1 when not digits alone.
long digitsValue(std::string_view word) {
    if (word.empty()) {
        return -1;
    }
    long value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = std::min(value * 10 + (c - '0'), 1'000'000'000L);
    }
    return value;
}

int keyCode(std::string_view word) {
    namespace vk = quellon::vk;
    constexpr std::pair<std::string_view, int> kNames[] = {
        {"left", vk::kLeft}, {"right", vk::kRight}, {"up", vk::kUp},
        {"down", vk::kDown}, {"comma", vk::kComma}, {"period", vk::kPeriod},
    };
    for (const auto& [name, code] : kNames) {
        if (word == name) {
            return code;
        }
    }
    const long value = digitsValue(word);
    return value >= 0 && value <= 65535 ? static_cast<int>(value) : -1;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t from = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > from) {
            out.push_back(line.substr(from, i - from));
        }
    }
    return out;
}

Reading readPlainly(std::string_view text) {
    Reading r;
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t nl = text.find('\n', from);
        const std::size_t to = nl == std::string_view::npos ? text.size() : nl;
        lines.push_back(text.substr(from, to - from));
        from = to + 1;
    }
    r.lineCount = static_cast<long>(lines.size());
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view line = lines[n];
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::vector<std::string_view> w = words(line);
        if (w.empty() || w[0][0] == '#') {
            continue;
        }
        WalkStep step;
        step.ticks = digitsValue(w[0]);
        bool good = step.ticks >= 0 && step.ticks <= 100'000'000;
        for (std::size_t k = 1; good && k < w.size(); ++k) {
            const int code = keyCode(w[k]);
            good = code >= 0;
            step.keys.push_back(code);
        }
        if (!good) {
            r.steps.clear();
            r.badLine = static_cast<long>(n) + 1;
            return r;
        }
        r.steps.push_back(std::move(step));
    }
    return r;
}

// The N of an error "line N: ...", or -1 when it does not start that way.
long errorLine(const std::string& error) {
    constexpr std::string_view kPrefix = "line ";
    if (error.rfind(kPrefix, 0) != 0) {
        return -1;
    }
    std::size_t i = kPrefix.size();
    long n = 0;
    const std::size_t firstDigit = i;
    while (i < error.size() && error[i] >= '0' && error[i] <= '9' && i - firstDigit < 18) {
        n = n * 10 + (error[i] - '0');
        ++i;
    }
    if (i == firstDigit || error.compare(i, 2, ": ") != 0) {
        return -1;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quellon::probe::WalkScriptResult result = quellon::probe::parseWalkScript(text);
    const Reading plain = readPlainly(text);

    if (result.ok()) {
        FUZZ_CHECK(plain.badLine == 0, "accepted a script whose line %ld is bad", plain.badLine);
        FUZZ_CHECK(result.steps.size() == plain.steps.size(), "%zu steps where there are %zu",
                   result.steps.size(), plain.steps.size());
        for (std::size_t k = 0; k < result.steps.size(); ++k) {
            const WalkStep& got = result.steps[k];
            const WalkStep& want = plain.steps[k];
            FUZZ_CHECK(got.ticks >= 0 && got.ticks <= quellon::probe::kMaxTicksPerLine,
                       "step %zu has %ld ticks", k, got.ticks);
            FUZZ_CHECK(got.ticks == want.ticks, "step %zu has %ld ticks, not %ld", k, got.ticks,
                       want.ticks);
            FUZZ_CHECK(got.keys == want.keys, "step %zu holds %zu keys, not the %zu written", k,
                       got.keys.size(), want.keys.size());
            for (const int code : got.keys) {
                FUZZ_CHECK(code >= 0 && code <= quellon::probe::kMaxKeyCode,
                           "step %zu holds key %d", k, code);
            }
        }
        return 0;
    }

    FUZZ_CHECK(result.steps.empty(), "refused script kept %zu steps", result.steps.size());
    FUZZ_CHECK(result.error.find('\n') == std::string::npos, "error is more than one line: %s",
               result.error.c_str());
    const long n = errorLine(result.error);
    FUZZ_CHECK(n >= 1 && n <= plain.lineCount, "error \"%s\" for a script of %ld lines",
               result.error.c_str(), plain.lineCount);
    FUZZ_CHECK(n == plain.badLine, "error \"%s\", but the first bad line is %ld",
               result.error.c_str(), plain.badLine);
    return 0;
}
