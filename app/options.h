// The options a program built on the main window takes besides --help and --version, and what
// they give the main window to start with.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/frm_main.h"
#include "render/what_if.h"

namespace quellon {

// What the main window starts with, as the options leave it: the carried images unless an
// option names others, today's rules of the picture unless an option changes them, and the
// file the maze came from, if an option named one, with the file a changed maze is saved in:
// the same one, or one beside it when writing the maze back would lose what the file holds.
struct StartSettings {
    ImageHolders images;
    WhatIfRules rules;
    std::string levelFile;
    std::string saveFile;
};

// An option a program takes besides --help and --version, given as "--name VALUE" or
// "--name=VALUE", at most once. Options are read, in the order given, before the window opens:
// one that cannot be applied ends the program with its error, with no window shown.
struct ProgramOption {
    const char* name;       // "--level"
    const char* valueName;  // "FILE", as --help shows it
    const char* help;       // what it does, for --help: whole lines, each starting with spaces
    // Applies the value to what the main window will start with; false with one line in
    // `error` that says what is wrong (and names the file, for a file).
    bool (*apply)(std::string_view value, StartSettings& start, std::string& error);
    // Another option that sets the same thing, so the two cannot be given together; may be null.
    const char* excludes = nullptr;
};

// The options' help as --help shows it: each option's name and value, then its lines.
std::string optionsHelp(std::span<const ProgramOption> options);

}  // namespace quellon
