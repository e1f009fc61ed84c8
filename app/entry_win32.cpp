// The entry on Windows: wmain (linked with -municode) gets the command line as UTF-16, the one
// form that holds every file name, and hands it on in UTF-8.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/entry.h"
#include "text/win32_text.h"

namespace {

// quellon and quellon-lab are built as window programs, which start without a console, so that
// one started from Explorer opens no console window. Started from a console (cmd, PowerShell)
// with its output not redirected, it writes --help, --version and its failures there.
void reachParentConsole() {
    const auto missing = [](DWORD which) {
        HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    const bool noOut = missing(STD_OUTPUT_HANDLE);
    const bool noErr = missing(STD_ERROR_HANDLE);
    if (!noOut && !noErr) {
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS) == 0) {
        return;
    }
    if (noOut) {
        (void)std::freopen("CONOUT$", "w", stdout);
    }
    if (noErr) {
        (void)std::freopen("CONOUT$", "w", stderr);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    reachParentConsole();
    // The standard streams carry the bytes written, as on Linux: no line ending turned into CR LF
    // on the way out, nor back on the way in, so that the probe's output is the Linux probe's.
    // A window program started without a console has no streams at all (their number is
    // negative), which the C runtime must not be asked about.
    for (std::FILE* stream : {stdin, stdout, stderr}) {
        if (_fileno(stream) >= 0) {
            (void)_setmode(_fileno(stream), _O_BINARY);
        }
    }
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(quellon::narrow(argv[i]));
    }
    std::vector<char*> pointers;
    pointers.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return quellon::programMain(argc, pointers.data());
}
