// What every tool's main() shares: its name in messages, --help, and a failure as one line on
// stderr with exit status 2.
#pragma once

#include <string>
#include <string_view>

namespace quellon {

struct Tool {
    static constexpr int kFailure = 2;  // bad input, or an output that cannot be written

    const char* name;        // as the tool calls itself: "quellon-make-level"
    std::string_view usage;  // the whole --help text, ending in a newline

    // Whether the arguments (without the program name) are "--help" alone.
    static bool asksForHelp(int argc, char** argv);
    // The usage on standard output: 0, or kFailure if it cannot be written.
    int help() const;
    // "name: message" on standard error, control characters escaped so that it stays one
    // line; returns kFailure.
    int fail(std::string_view message) const;
    // A wrong number of arguments: says how many `wanted` and where the usage is.
    int wrongArguments(int argc, std::string_view wanted) const;
};

}  // namespace quellon
