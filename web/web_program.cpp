// The page's program: quellon's main window in the browser, with the lab's ray map and strip
// readout beside the view. A saved grid is offered as a download.
#include "app/launch.h"
#include "lab/lab_panel.h"
#include "platform/web_window.h"

namespace quellon {

namespace {

LabPanel& panel() {
    static LabPanel labPanel("lab-level.txt", &offerDownload);
    return labPanel;
}

}  // namespace

const Program& thisProgram() {
    static const Program program{
        .name = "quellon",
        .summary = kQuellonSummary,
        .options = FrmMain::Options{.keepFrameStrips = true},
        .openWindow =
            [](std::string& error) {
                return openWebWindow(error, WindowRequest{.title = "Quellon", .panel = &panel()});
            },
        .attach = [](FrmMain& frm) { panel().attach(frm); }};
    return program;
}

}  // namespace quellon
