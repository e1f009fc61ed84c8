// The browser backend: the window verbs on a web page, compiled with Emscripten, with its page
// side in web_window.js. The page holds a canvas with the id "view" for the drawing surface
// and, for a program with a panel, one with the id "panel" beside it. The page lays the view's
// box out; the backend sizes the view to it in device pixels, gives the page the panel's width
// (the CSS variable --panel-width) and listens to the page itself.
#pragma once

#include <memory>
#include <string>

#include "platform/window.h"

namespace quellon {

// openWindow (platform/window.h) connects to the page's canvases; the drawing surface takes the
// size of the view canvas's box in device pixels (the size asked for before the page has laid
// it out), and follows it from then on.

// Offers `text` to the person at the page as a file named `name` to keep (a download).
bool offerDownload(const std::string& name, const std::string& text, std::string& error);

}  // namespace quellon
