#include "app/launch.h"

#include <cstdio>

namespace quellon {

int launch(int /*argc*/, char** /*argv*/, const Program& program) {
    std::string error;
    const std::unique_ptr<Window> window = program.openWindow(error);
    if (!window) {
        (void)std::fprintf(stderr, "%s: cannot open a window: %s\n", program.name, error.c_str());
        return 1;
    }
    FrmMain frmMain(*window, loadCarriedImages(), program.options);
    if (program.attach != nullptr) {
        program.attach(frmMain);
    }
    frmMain.Form_Load();
    if (program.afterRun != nullptr) {
        program.afterRun(*window);
    }
    return 0;
}

}  // namespace quellon
