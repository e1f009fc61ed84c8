// quellon: the maze, in its window.
#include <cstdio>
#include <string>

#include "app/frm_main.h"
#include "platform/sdl_window.h"

int main() {
    std::string error;
    auto window = quellon::openSdlWindow(error);
    if (!window) {
        (void)std::fprintf(stderr, "quellon: cannot open the window: %s\n", error.c_str());
        return 1;
    }
    quellon::FrmMain frmMain(*window, quellon::loadCarriedImages());
    frmMain.Form_Load();
    return 0;
}
