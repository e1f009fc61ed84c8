#include "tools/tool.h"

#include <cstdio>
#include <cstring>

#include "text/one_line.h"

namespace quellon {

bool Tool::asksForHelp(int argc, char** argv) {
    return argc == 2 && std::strcmp(argv[1], "--help") == 0;
}

int Tool::help() const {
    return std::fwrite(usage.data(), 1, usage.size(), stdout) == usage.size() &&
                   std::fflush(stdout) == 0
               ? 0
               : fail("cannot write to standard output");
}

int Tool::fail(std::string_view message) const {
    (void)std::fprintf(stderr, "%s: %s\n", name, escapeControls(message).c_str());
    return kFailure;
}

int Tool::wrongArguments(int argc, std::string_view wanted) const {
    return fail("expected " + std::string(wanted) + ", got " + std::to_string(argc - 1) +
                " arguments (" + name + " --help shows the usage)");
}

}  // namespace quellon
