// How a program built on the main window starts and ends. Every such program has the same
// main() (app/main.cpp); what differs between them, their name, their window and their
// options, each executable says once in its own thisProgram().
#pragma once

#include <memory>
#include <string>

#include "app/frm_main.h"
#include "platform/window.h"

namespace quellon {

struct Program {
    const char* name;  // as the program calls itself in messages
    FrmMain::Options options;
    // Opens the program's window, hidden; on failure returns null and says why in `error`.
    std::unique_ptr<Window> (*openWindow)(std::string& error);
    // Runs once the frame loop has ended (benchmarks report here); may be null.
    void (*afterRun)(Window& window) = nullptr;
    // Runs once the main window object exists, before its start-up (the lab connects its
    // panel to it here); may be null.
    void (*attach)(FrmMain& frm) = nullptr;
};

// Supplied once by each executable.
const Program& thisProgram();

// Opens the window and runs the main window's start-up and frame loop in it. Returns the
// process's exit status: 0 once a close request has ended the loop, 1 when no window opens.
int launch(int argc, char** argv, const Program& program);

}  // namespace quellon
