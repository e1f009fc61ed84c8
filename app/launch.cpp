#include "app/launch.h"

#include <cstdio>
#include <string_view>

#include "app/one_line.h"
#include "assets/images.h"

namespace quellon {

namespace {

// The keys of the main window, as --help shows them.
constexpr std::string_view kKeys =
    "Keys:\n"
    "  Up, Down          walk forward, back\n"
    "  Left, Right       turn left, right\n"
    "  comma, period     step sideways to the left, to the right\n"
    "  close the window  quit\n"
    "A short beep sounds once the first frame is on screen; the number of frames drawn in\n"
    "the last second shows in the top-left corner.\n";

std::string usage(const Program& program) {
    const std::string name = program.name;
    const std::string more = program.moreHelp != nullptr ? program.moreHelp : "";
    return name + ": " + program.summary + ".\n\n" + std::string(kKeys) + more +
           "\nusage: " + name +
           " [--help | --version]\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n" +
           name + " takes no other options or arguments.\n";
}

int complain(const Program& program, const std::string& message, int status) {
    (void)std::fprintf(stderr, "%s: %s\n", program.name, escapeControls(message).c_str());
    return status;
}

// --help and --version: their text on stdout, with a write that fails reported as a failure.
int print(const Program& program, const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        return complain(program, "cannot write to standard output", kExitFailure);
    }
    return kExitSuccess;
}

int run(const Program& program) {
    std::string error;
    const std::unique_ptr<Window> window = program.openWindow(error);
    if (!window) {
        return complain(program, "cannot open a window: " + error, kExitFailure);
    }
    ImageHolders images = loadCarriedImages();
    window->setIcon(images.picTexture[assets::kIconTexture]);
    FrmMain frmMain(*window, std::move(images), program.options);
    if (program.attach != nullptr) {
        program.attach(frmMain);
    }
    frmMain.Form_Load();
    if (program.afterRun != nullptr) {
        program.afterRun(*window);
    }
    return kExitSuccess;
}

}  // namespace

int launch(int argc, char** argv, const Program& program) {
    if (argc <= 1) {
        return run(program);
    }
    const std::string_view first = argv[1];
    if (argc > 2) {
        return complain(program, "too many arguments (give at most one: --help or --version)",
                        kExitUsage);
    }
    if (first == "--help") {
        return print(program, usage(program));
    }
    if (first == "--version") {
        return print(program, std::string(program.name) + " " + QUELLON_VERSION + "\n");
    }
    const bool option = first.starts_with('-');
    return complain(program,
                    (option ? "unknown option " : "unexpected argument ") + quoted(first) +
                        " (the only options are --help and --version)",
                    kExitUsage);
}

}  // namespace quellon
