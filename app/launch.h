// How a program built on the main window starts and ends. Every such program has the same
// main() (app/main.cpp) and the same command line (--help, --version and the options it
// takes); what differs between them, their name, summary, window and options, each executable
// says once in its own Program.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "app/frm_main.h"
#include "app/options.h"
#include "platform/window.h"

namespace quellon {

// What a program says of itself.
struct ProgramDescription {
    const char* name;     // as the program calls itself in messages
    const char* summary;  // what it is, in a few words, for --help: "a first-person view of ..."
    // What --help says besides the keys, one or more whole lines; may be null.
    const char* moreHelp = nullptr;
    // The options it takes besides --help and --version.
    std::span<const ProgramOption> options = {};
};

// A program that runs the main window. Each executable has one, and gives it through
// thisProgram(); what it adds to the main window (the lab its panel) it owns.
class Program {
  public:
    explicit Program(const ProgramDescription& description) : description_(description) {}
    virtual ~Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const ProgramDescription& description() const { return description_; }

    // The window it asks for: its title and the panel beside the view, if any (the size is the
    // opening size, which launch fills in).
    virtual WindowRequest windowRequest() { return WindowRequest{}; }
    // Opens its window, hidden: the window of the backend it is built with.
    virtual std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error) {
        return quellon::openWindow(request, error);
    }
    // Once the main window exists, with what the options gave it, before its start-up.
    virtual void attach(FrmMain& frm, const StartSettings& start) {
        (void)frm;
        (void)start;
    }
    // Once the frame loop has ended (benchmarks report here).
    virtual void afterRun(Window& window) { (void)window; }

  private:
    ProgramDescription description_;
};

// What quellon is, as its --help says, on the desktop and in the browser alike.
inline constexpr const char* kQuellonSummary =
    "a first-person view of a walled maze, drawn by ray casting";

// Supplied once by each executable.
Program& thisProgram();

// The exit statuses of every program built on the main window.
inline constexpr int kExitSuccess = 0;  // the window was closed, or --help or --version printed
inline constexpr int kExitFailure = 1;  // no window opens, or standard output cannot be written
inline constexpr int kExitUsage = 2;    // an argument it does not take, or an option's bad value

// Reads the program's options, then opens the window, gives it the program's icon and runs the
// main window's start-up and frame loop in it; with --help or --version alone, prints the usage
// or the version and opens no window. Anything else, and an option that cannot be applied, is
// refused with one line on stderr before any window opens. Returns the process's exit status.
int launch(int argc, char** argv, Program& program);

}  // namespace quellon
