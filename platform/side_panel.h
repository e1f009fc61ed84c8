// A panel that a window shows to the right of its drawing surface, for a program that shows
// more than the view (the lab). The window draws it at every refresh and hands it the
// pointer, and every key press as a command, only ever inside a yield.
#pragma once

#include <string>

#include "gfx/surface.h"

namespace quellon {

struct PointerEvent {
    enum class Kind { kMove, kPress, kWheel };
    enum class Area { kView, kPanel };
    Kind kind;
    Area area;
    int x;  // within the area, from its top-left corner
    int y;
    int wheelSteps = 0;  // kWheel: away from the user is positive
};

class SidePanel {
  public:
    // The panel's width; it takes the window's whole height beside the view.
    virtual int widthPx() const = 0;
    // At every refresh, after the frame is drawn: the panel's picture, the size it is shown at.
    virtual void draw(Surface& panel) = 0;
    virtual void pointer(const PointerEvent& event) = 0;
    // A key has just gone down (the main window gets it too). The window system's auto-repeat
    // of a held key never comes here: a command acts once per press.
    virtual void command(int keyCode, int shiftState) = 0;
    // A file was dropped on the window.
    virtual void fileDropped(const std::string& path) = 0;

  protected:
    ~SidePanel() = default;
};

}  // namespace quellon
