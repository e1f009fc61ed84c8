// quellon-blank: the real program with the view left undrawn, for the window tests that look
// at the window itself and for measuring what the frame loop alone allows.
#include <cstdio>
#include <string>

#include "app/frm_main.h"
#include "platform/sdl_window.h"

int main() {
    std::string error;
    auto window = quellon::openSdlWindow(error);
    if (!window) {
        (void)std::fprintf(stderr, "quellon-blank: cannot open the window: %s\n", error.c_str());
        return 1;
    }
    quellon::FrmMain frmMain(*window, quellon::loadCarriedImages(),
                             quellon::FrmMain::Options{.drawView = false});
    frmMain.Form_Load();
    return 0;
}
