// The page's program: quellon's main window in the browser, with the lab's ray map and strip
// readout beside the view. A saved grid is offered as a download.
#include "app/launch.h"
#include "lab/lab_panel.h"
#include "platform/web_window.h"
#include "world/level_text.h"

namespace quellon {

namespace {

// The page keeps a saved maze as a download of its grid.
bool download(const std::string& name, const WorldMap& maze, std::string& error) {
    return offerDownload(name, levelText(maze), error);
}

LabPanel& panel() {
    static LabPanel labPanel(&download);
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
