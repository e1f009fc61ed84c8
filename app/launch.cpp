#include "app/launch.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "assets/images.h"
#include "text/one_line.h"

namespace quellon {

namespace {

// The keys of the main window, as --help shows them.
constexpr std::string_view kKeys =
    "Keys:\n"
    "  Up, Down          walk forward, back\n"
    "  Left, Right       turn left, right\n"
    "  comma, period     step sideways to the left, to the right\n"
    "  F11, Alt+Enter    full screen, and back again\n"
    "  close the window  quit\n"
    "A short beep sounds once the first frame is on screen; the number of frames drawn in\n"
    "the last second shows in the top-left corner.\n";

std::string usage(const ProgramDescription& program) {
    const std::string name = program.name;
    const std::string more = program.moreHelp != nullptr ? program.moreHelp : "";
    std::string text = name + ": " + program.summary + ".\n\n" + std::string(kKeys) + more +
                       "\nusage: " + name + " [--help | --version]\n";
    if (!program.options.empty()) {
        text += "       " + name;
        for (const ProgramOption& option : program.options) {
            text += std::string(" [") + option.name + " " + option.valueName + "]";
        }
        text += "\n";
    }
    text +=
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n";
    text += optionsHelp(program.options);
    if (program.options.empty()) {
        text += name + " takes no other options or arguments.\n";
    }
    return text;
}

int complain(const ProgramDescription& program, const std::string& message, int status) {
    (void)std::fprintf(stderr, "%s: %s\n", program.name, escapeControls(message).c_str());
    return status;
}

// --help and --version: their text on stdout, with a write that fails reported as a failure.
int print(const ProgramDescription& program, const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        return complain(program, "cannot write to standard output", kExitFailure);
    }
    return kExitSuccess;
}

struct GivenOption {
    const ProgramOption* option;
    std::string_view value;
};

// The options on the command line, each with its value; false with the reason in `error`.
bool readOptions(const ProgramDescription& program, int argc, char** argv,
                 std::vector<GivenOption>& given, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const ProgramOption* option = nullptr;
        for (const ProgramOption& known : program.options) {
            if (name == known.name) {
                option = &known;
            }
        }
        if (option == nullptr || !arg.starts_with("--")) {
            const bool named = arg.starts_with('-');
            error = (named ? "unknown option " : "unexpected argument ") + quoted(arg) + " (" +
                    std::string(program.name) + " --help lists the options)";
            return false;
        }
        for (const GivenOption& earlier : given) {
            if (earlier.option == option) {
                error = "option " + std::string(option->name) + " given twice";
                return false;
            }
            if (option->excludes != nullptr &&
                earlier.option->name == std::string_view(option->excludes)) {
                error = "give " + std::string(earlier.option->name) + " or " + option->name +
                        ", not both";
                return false;
            }
        }
        if (equals != std::string_view::npos) {
            given.push_back({option, arg.substr(equals + 1)});
        } else if (i + 1 < argc) {
            given.push_back({option, argv[++i]});
        } else {
            error = "option " + std::string(option->name) + " needs a value (" + option->valueName +
                    ")";
            return false;
        }
    }
    return true;
}

int run(Program& program, int argc, char** argv) {
    const ProgramDescription& description = program.description();
    std::vector<GivenOption> given;
    std::string error;
    if (!readOptions(description, argc, argv, given, error)) {
        return complain(description, error, kExitUsage);
    }
    StartSettings start{loadCarriedImages(), {}, {}, {}};
    for (const GivenOption& option : given) {
        if (!option.option->apply(option.value, start, error)) {
            return complain(description, error, kExitUsage);
        }
    }
    WindowRequest request = program.windowRequest();
    request.width = kOpeningWidthPx;
    request.height = kOpeningHeightPx;
    const std::unique_ptr<Window> window = program.openWindow(request, error);
    if (!window) {
        return complain(description, "cannot open a window: " + error, kExitFailure);
    }
    window->setIcon(start.images.picTexture[assets::kIconTexture]);
    FrmMain frmMain(*window, start.images);
    frmMain.setRules(start.rules);
    program.attach(frmMain, start);
    frmMain.Form_Load();
    program.afterRun(*window);
    return kExitSuccess;
}

}  // namespace

int launch(int argc, char** argv, Program& program) {
    const ProgramDescription& description = program.description();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg != "--help" && arg != "--version") {
            continue;
        }
        if (argc > 2) {
            return complain(description, quoted(arg) + " takes no other arguments", kExitUsage);
        }
        return arg == "--help" ? print(description, usage(description))
                               : print(description, std::string(description.name) + " " +
                                                        QUELLON_VERSION + "\n");
    }
    if (description.options.empty() && argc > 1) {
        const std::string_view first = argv[1];
        return complain(description,
                        (first.starts_with('-') ? "unknown option " : "unexpected argument ") +
                            quoted(first) + " (the only options are --help and --version)",
                        kExitUsage);
    }
    return run(program, argc, argv);
}

}  // namespace quellon
