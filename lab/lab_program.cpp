// quellon-lab: the view as quellon draws it, beside the live ray map of every frame.
#include "app/launch.h"
#include "lab/lab_panel.h"
#include "platform/sdl_window.h"

namespace quellon {

namespace {

constexpr const char* kSavePath = "lab-level.txt";

LabPanel& panel() {
    static LabPanel labPanel(kSavePath);
    return labPanel;
}

}  // namespace

const Program& thisProgram() {
    static const Program program{
        "quellon-lab", FrmMain::Options{.keepFrameStrips = true},
        [](std::string& error) {
            return openSdlWindow(error, WindowSpec{.title = "Quellon Lab", .panel = &panel()});
        },
        nullptr, [](FrmMain& frm) { panel().attach(frm); }};
    return program;
}

}  // namespace quellon
