// How a program built on the main window starts and ends. Every such program has the same
// main() (app/main.cpp) and the same command line (--help, --version, nothing else); what
// differs between them, their name, summary, window and options, each executable says once in
// its own thisProgram().
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "app/frm_main.h"
#include "platform/window.h"

namespace quellon {

// An option a program takes besides --help and --version, given as "--name VALUE" or
// "--name=VALUE", at most once. Options are read, in the order given, before the window opens:
// one that cannot be applied ends the program with its error, with no window shown.
struct ProgramOption {
    const char* name;       // "--level"
    const char* valueName;  // "FILE", as --help shows it
    const char* help;       // what it does, for --help: whole lines, each starting with spaces
    // Applies the value to what the main window will start with; false with one line in
    // `error` that says what is wrong (and names the file, for a file).
    bool (*apply)(std::string_view value, ImageHolders& images, std::string& error);
    // Another option that sets the same thing, so the two cannot be given together; may be null.
    const char* excludes = nullptr;
};

struct Program {
    const char* name;     // as the program calls itself in messages
    const char* summary;  // what it is, in a few words, for --help: "a first-person view of ..."
    FrmMain::Options options;
    // Opens the program's window, hidden; on failure returns null and says why in `error`.
    std::unique_ptr<Window> (*openWindow)(std::string& error);
    // Runs once the frame loop has ended (benchmarks report here); may be null.
    void (*afterRun)(Window& window) = nullptr;
    // Runs once the main window object exists, before its start-up (the lab connects its
    // panel to it here); may be null.
    void (*attach)(FrmMain& frm) = nullptr;
    // What --help says besides the keys, one or more whole lines; may be null.
    const char* moreHelp = nullptr;
    // The options it takes besides --help and --version.
    std::span<const ProgramOption> commandOptions = {};
};

// What quellon is, as its --help says, on the desktop and in the browser alike.
inline constexpr const char* kQuellonSummary =
    "a first-person view of a walled maze, drawn by ray casting";

// Supplied once by each executable.
const Program& thisProgram();

// The exit statuses of every program built on the main window.
inline constexpr int kExitSuccess = 0;  // the window was closed, or --help or --version printed
inline constexpr int kExitFailure = 1;  // no window opens, or standard output cannot be written
inline constexpr int kExitUsage = 2;    // an argument it does not take, or an option's bad value

// Reads the program's options, then opens the window, gives it the program's icon and runs the
// main window's start-up and frame loop in it; with --help or --version alone, prints the usage
// or the version and opens no window. Anything else, and an option that cannot be applied, is
// refused with one line on stderr before any window opens. Returns the process's exit status.
int launch(int argc, char** argv, const Program& program);

}  // namespace quellon
