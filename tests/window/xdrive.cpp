// xdrive: drives and examines the program's real window on an X server for the window tests.
//
//   xdrive find TITLE [TIMEOUT_MS]          id of the mapped window named TITLE (waits for it)
//   xdrive geometry WID                     "WIDTH HEIGHT" of the client area
//   xdrive shot WID OUT.bmp                 the client area's pixels as a 24-bit BMP
//   xdrive icon WID OUT.bmp                 the window's icon (_NET_WM_ICON); fails unless opaque
//   xdrive key WID down|up KEY...           real key events (XTest) for keysym names
//   xdrive hold WID MS KEY...               keys down, and up again MS milliseconds later
//   xdrive close WID                        WM_DELETE_WINDOW, as a window manager sends it
//   xdrive resize WID W H                   resizes the window
//   xdrive compare A.bmp B.bmp [--ignore X Y W H] [--tolerance N]   N: channel steps allowed
//   xdrive text SHOT.bmp                    reads the line of text at the top-left corner
//   xdrive rss PID                          resident memory in KiB
//   xdrive blank W H OUT.bmp                an all-black picture to compare with
//   xdrive pointer WID X Y                  moves the pointer to (X, Y) of the client area
//   xdrive click WID X Y                    a click of the first button there (XTest)
//   xdrive wheel WID X Y STEPS              wheel steps there, away from the user if positive
//   xdrive crop IN.bmp X Y W H OUT.bmp      a rectangle of a picture
//   xdrive damage WID SECONDS               drawing requests that changed the window's
//                                           pixels in that time (X DAMAGE), per second
//
// Exit status: 0 success, 1 a check failed, 2 bad usage or an X error. Messages go to
// stderr, one line each; results go to stdout.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <sys/select.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "formats/bmp.h"
#include "gfx/font.h"
#include "gfx/surface.h"

namespace {

constexpr int kOk = 0;
constexpr int kCheckFailed = 1;
constexpr int kUsage = 2;

// Thrown to leave with a message and an exit status.
struct Exit {
    int status;
    std::string message;
};

[[noreturn]] void fail(int status, std::string message) {
    throw Exit{status, std::move(message)};
}
[[noreturn]] void usage(std::string message) {
    fail(kUsage, "usage: " + std::move(message));
}

// --- numbers -------------------------------------------------------------------------------

std::optional<long long> parseInteger(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size()) {
        return std::nullopt;
    }
    return value;
}

long long integerArg(std::string_view text, std::string_view what, long long low, long long high) {
    const auto value = parseInteger(text);
    if (!value || *value < low || *value > high) {
        usage(std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
              std::to_string(high) + ", not \"" + std::string(text) + "\"");
    }
    return *value;
}

// --- X connection ---------------------------------------------------------------------------

// Errors for windows that vanish while the tree is walked are expected there; anywhere else
// an X error ends the run.
bool gToleratingErrors = false;
bool gErrorSeen = false;
std::string gFirstError;

int onXError(Display* display, XErrorEvent* error) {
    gErrorSeen = true;
    if (!gToleratingErrors && gFirstError.empty()) {
        char text[256] = {};
        XGetErrorText(display, error->error_code, text, sizeof text);
        gFirstError = std::string(text) + " (request " + std::to_string(error->request_code) + "." +
                      std::to_string(error->minor_code) + ", resource " +
                      std::to_string(error->resourceid) + ")";
    }
    return 0;
}

class Connection {
  public:
    Connection() {
        const char* name = std::getenv("DISPLAY");
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr) {
            fail(kUsage, std::string("cannot open X display \"") + (name ? name : "") + "\"");
        }
        XSetErrorHandler(onXError);
    }
    ~Connection() { XCloseDisplay(display_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return display_; }

    // Round trip, then turns any X error that came back into an exit.
    void check(std::string_view doing) {
        XSync(display_, False);
        if (!gFirstError.empty()) {
            fail(kUsage, "X error while " + std::string(doing) + ": " + gFirstError);
        }
    }

  private:
    Display* display_ = nullptr;
};

::Window windowArg(Connection& x, std::string_view text) {
    const auto id = parseInteger(text);
    if (!id || *id <= 0 || *id > 0xFFFFFFFFLL) {
        usage("WID must be a window id in decimal, not \"" + std::string(text) + "\"");
    }
    const auto window = static_cast<::Window>(*id);
    XWindowAttributes attributes;
    gToleratingErrors = true;
    gErrorSeen = false;
    const Status ok = XGetWindowAttributes(x.get(), window, &attributes);
    XSync(x.get(), False);
    gToleratingErrors = false;
    if (!ok || gErrorSeen) {
        fail(kUsage, "no window with id " + std::string(text) + " on this display");
    }
    return window;
}

XWindowAttributes attributesOf(Connection& x, ::Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(x.get(), window, &attributes)) {
        x.check("reading window attributes");
        fail(kUsage, "cannot read the attributes of window " + std::to_string(window));
    }
    return attributes;
}

// --- find -----------------------------------------------------------------------------------

std::optional<std::string> utf8Name(Display* display, ::Window window) {
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8String, &type, &format,
                           &count, &remaining, &data) != Success) {
        return std::nullopt;
    }
    std::optional<std::string> name;
    if (data != nullptr && type == utf8String && format == 8) {
        name = std::string(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return name;
}

std::optional<std::string> wmName(Display* display, ::Window window) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || name == nullptr) {
        return std::nullopt;
    }
    std::string result(name);
    XFree(name);
    return result;
}

bool isMapped(Display* display, ::Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

// Depth-first search of the whole tree below `top` for a mapped window named `title`.
std::optional<::Window> searchTree(Display* display, ::Window top, const std::string& title) {
    std::vector<::Window> pending{top};
    while (!pending.empty()) {
        const ::Window window = pending.back();
        pending.pop_back();
        if (window != top && isMapped(display, window) &&
            (wmName(display, window) == title || utf8Name(display, window) == title)) {
            return window;
        }
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
            // Pushed in stacking order so the topmost child is looked at first.
            pending.insert(pending.end(), children, children + count);
            XFree(children);
        }
    }
    return std::nullopt;
}

int commandFind(const std::vector<std::string_view>& args) {
    if (args.size() < 1 || args.size() > 2) {
        usage("xdrive find TITLE [TIMEOUT_MS]");
    }
    const std::string title(args[0]);
    const long long timeoutMs =
        args.size() == 2 ? integerArg(args[1], "TIMEOUT_MS", 0, 24LL * 3600 * 1000) : 5000;
    Connection x;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const ::Window root = DefaultRootWindow(x.get());
    for (;;) {
        gToleratingErrors = true;
        const auto found = searchTree(x.get(), root, title);
        XSync(x.get(), False);
        gToleratingErrors = false;
        if (found) {
            std::printf("%lu\n", *found);
            return kOk;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            fail(kCheckFailed, "no mapped window titled \"" + title + "\" appeared within " +
                                   std::to_string(timeoutMs) + " ms");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// --- geometry and shot ----------------------------------------------------------------------

int commandGeometry(const std::vector<std::string_view>& args) {
    if (args.size() != 1) {
        usage("xdrive geometry WID");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const XWindowAttributes attributes = attributesOf(x, window);
    std::printf("%d %d\n", attributes.width, attributes.height);
    return kOk;
}

// Scales the channel selected by `mask` in `pixel` to 0..255.
std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long value = (pixel & mask) >> shift;
    if (bits >= 8) {
        return static_cast<std::uint8_t>(value >> (bits - 8));
    }
    const unsigned long top = (1UL << bits) - 1;
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        fail(kUsage, "cannot write " + path);
    }
}

quellon::Surface readBmp(std::string_view path) {
    std::ifstream in{std::string(path), std::ios::binary};
    if (!in) {
        fail(kUsage, "cannot open " + std::string(path));
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    quellon::BmpResult decoded = quellon::decodeBmp(bytes);
    if (!decoded.ok()) {
        fail(kUsage, std::string(path) + ": " + decoded.error);
    }
    return std::move(decoded.image);
}

int commandShot(const std::vector<std::string_view>& args) {
    if (args.size() != 2) {
        usage("xdrive shot WID OUT.bmp");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const XWindowAttributes attributes = attributesOf(x, window);
    if (attributes.map_state != IsViewable) {
        fail(kCheckFailed, "window " + std::string(args[0]) + " is not viewable, nothing to grab");
    }
    // XGetImage only reads what is on the screen.
    int rootX = 0;
    int rootY = 0;
    ::Window child = 0;
    XTranslateCoordinates(x.get(), window, attributes.root, 0, 0, &rootX, &rootY, &child);
    const int screenWidth = WidthOfScreen(attributes.screen);
    const int screenHeight = HeightOfScreen(attributes.screen);
    if (rootX < 0 || rootY < 0 || rootX + attributes.width > screenWidth ||
        rootY + attributes.height > screenHeight) {
        fail(kCheckFailed,
             "window " + std::string(args[0]) + " (" + std::to_string(attributes.width) + "x" +
                 std::to_string(attributes.height) + " at " + std::to_string(rootX) + "," +
                 std::to_string(rootY) + ") is not wholly on the " + std::to_string(screenWidth) +
                 "x" + std::to_string(screenHeight) + " screen");
    }
    XImage* image = XGetImage(x.get(), window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    x.check("grabbing the window's pixels");
    if (image == nullptr) {
        fail(kUsage, "XGetImage returned nothing for window " + std::string(args[0]));
    }
    if (image->depth < 15 || image->red_mask == 0 || image->green_mask == 0 ||
        image->blue_mask == 0) {
        const int depth = image->depth;
        XDestroyImage(image);
        fail(kUsage,
             "unsupported visual: depth " + std::to_string(depth) + " without true-colour masks");
    }
    quellon::Surface shot(image->width, image->height);
    for (int y = 0; y < image->height; ++y) {
        for (int x0 = 0; x0 < image->width; ++x0) {
            const unsigned long pixel = XGetPixel(image, x0, y);
            shot.set(
                x0, y,
                quellon::rgb(channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                             channel(pixel, image->blue_mask)));
        }
    }
    XDestroyImage(image);
    writeFile(std::string(args[1]), quellon::encodeBmp(shot));
    return kOk;
}

// --- icon -----------------------------------------------------------------------------------

// The first picture of the window's _NET_WM_ICON: width, height, then ARGB pixels row by row,
// each a 32-bit CARDINAL (which Xlib hands over as a long).
int commandIcon(const std::vector<std::string_view>& args) {
    if (args.size() != 2) {
        usage("xdrive icon WID OUT.bmp");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const Atom netWmIcon = XInternAtom(x.get(), "_NET_WM_ICON", False);
    constexpr long kMaxLongs = 2 + 1024L * 1024L;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x.get(), window, netWmIcon, 0, kMaxLongs, False, XA_CARDINAL, &type,
                           &format, &count, &remaining, &data) != Success) {
        x.check("reading _NET_WM_ICON");
        fail(kUsage, "cannot read _NET_WM_ICON of window " + std::string(args[0]));
    }
    std::vector<unsigned long> words;
    if (data != nullptr) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        words.assign(longs, longs + count);
        XFree(data);
    }
    if (type != XA_CARDINAL || format != 32 || words.size() < 2) {
        fail(kCheckFailed, "window " + std::string(args[0]) + " has no icon");
    }
    const unsigned long width = words[0];
    const unsigned long height = words[1];
    if (width == 0 || height == 0 || width > 1024 || height > 1024 ||
        words.size() < 2 + width * height) {
        fail(kCheckFailed, "the icon claims " + std::to_string(width) + "x" +
                               std::to_string(height) + " pixels in " +
                               std::to_string(words.size() - 2) + " words");
    }
    quellon::Surface icon(static_cast<int>(width), static_cast<int>(height));
    for (int y = 0; y < icon.height(); ++y) {
        for (int x0 = 0; x0 < icon.width(); ++x0) {
            const unsigned long argb =
                words[2 + static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x0)];
            if ((argb >> 24 & 0xFF) != 0xFF) {
                fail(kCheckFailed, "icon pixel " + std::to_string(x0) + "," + std::to_string(y) +
                                       " is not opaque (alpha " +
                                       std::to_string(argb >> 24 & 0xFF) + ")");
            }
            icon.set(x0, y,
                     quellon::rgb(static_cast<std::uint8_t>(argb >> 16),
                                  static_cast<std::uint8_t>(argb >> 8),
                                  static_cast<std::uint8_t>(argb)));
        }
    }
    writeFile(std::string(args[1]), quellon::encodeBmp(icon));
    return kOk;
}

// --- key ------------------------------------------------------------------------------------

// Real input events go through the XTEST extension; without it nothing can be driven.
void requireXTest(Connection& x) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(x.get(), &eventBase, &errorBase, &major, &minor)) {
        fail(kUsage, "the X server has no XTEST extension");
    }
}

// Sends real key events (XTest) to the window: `down`, then, with `holdMs` given, the same
// keys up again that many milliseconds later, timed here so no process start falls between.
int sendKeys(const std::vector<std::string_view>& args, std::size_t firstKey, bool down,
             long long holdMs) {
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    requireXTest(x);
    std::vector<KeyCode> codes;
    for (std::size_t i = firstKey; i < args.size(); ++i) {
        const std::string name(args[i]);
        const KeySym sym = XStringToKeysym(name.c_str());
        if (sym == NoSymbol) {
            usage("\"" + name + "\" is not a keysym name (try Up, comma, Shift_L, a, F1)");
        }
        const KeyCode code = XKeysymToKeycode(x.get(), sym);
        if (code == 0) {
            fail(kUsage, "keysym \"" + name + "\" is on no key of this server's keyboard map");
        }
        codes.push_back(code);
    }

    const XWindowAttributes attributes = attributesOf(x, window);
    XRaiseWindow(x.get(), window);
    XSetInputFocus(x.get(), window, RevertToParent, CurrentTime);
    XWarpPointer(x.get(), None, window, 0, 0, 0, 0, attributes.width / 2, attributes.height / 2);
    x.check("focusing the window");
    for (const KeyCode code : codes) {
        XTestFakeKeyEvent(x.get(), code, down ? True : False, CurrentTime);
    }
    x.check("sending key events");
    if (holdMs >= 0) {
        XSync(x.get(), False);
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        for (const KeyCode code : codes) {
            XTestFakeKeyEvent(x.get(), code, False, CurrentTime);
        }
        x.check("sending key events");
        XSync(x.get(), False);
    }
    return kOk;
}

int commandKey(const std::vector<std::string_view>& args) {
    if (args.size() < 3 || (args[1] != "down" && args[1] != "up")) {
        usage("xdrive key WID down|up KEY...");
    }
    return sendKeys(args, 2, args[1] == "down", -1);
}

int commandHold(const std::vector<std::string_view>& args) {
    if (args.size() < 3) {
        usage("xdrive hold WID MS KEY...");
    }
    return sendKeys(args, 2, true, integerArg(args[1], "MS", 0, 600000));
}

// --- the pointer ------------------------------------------------------------------------------

// Moves the pointer over the window's client area and, for clicks and the wheel, presses and
// releases buttons there with XTest, as a person's mouse would.
int commandPointer(const std::vector<std::string_view>& args, std::string_view what) {
    const bool wheel = what == "wheel";
    if (args.size() != (wheel ? 4u : 3u)) {
        usage(wheel ? "xdrive wheel WID X Y STEPS" : "xdrive " + std::string(what) + " WID X Y");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const auto px = static_cast<int>(integerArg(args[1], "X", 0, 32767));
    const auto py = static_cast<int>(integerArg(args[2], "Y", 0, 32767));
    const long long steps = wheel ? integerArg(args[3], "STEPS", -100, 100) : 0;
    requireXTest(x);
    XRaiseWindow(x.get(), window);
    XWarpPointer(x.get(), None, window, 0, 0, 0, 0, px, py);
    x.check("moving the pointer");
    XSync(x.get(), False);
    // X numbers the wheel's steps as buttons: 4 away from the user, 5 towards.
    const unsigned button = what == "click" ? 1u : (steps > 0 ? 4u : 5u);
    const long long presses = what == "click" ? 1 : (wheel ? (steps > 0 ? steps : -steps) : 0);
    for (long long i = 0; i < presses; ++i) {
        XTestFakeButtonEvent(x.get(), button, True, CurrentTime);
        XTestFakeButtonEvent(x.get(), button, False, CurrentTime);
    }
    x.check("sending button events");
    XSync(x.get(), False);
    return kOk;
}

// --- close and resize -----------------------------------------------------------------------

int commandClose(const std::vector<std::string_view>& args) {
    if (args.size() != 1) {
        usage("xdrive close WID");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const Atom protocols = XInternAtom(x.get(), "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(x.get(), "WM_DELETE_WINDOW", False);

    // A window manager sends the message only to clients that list it in WM_PROTOCOLS.
    Atom* listed = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(x.get(), window, &listed, &count) && listed) {
        takesPart = std::find(listed, listed + count, deleteWindow) != listed + count;
        XFree(listed);
    }
    if (!takesPart) {
        fail(kCheckFailed,
             "window " + std::string(args[0]) + " does not list WM_DELETE_WINDOW in WM_PROTOCOLS");
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.get(), window, False, NoEventMask, &event);
    x.check("sending WM_DELETE_WINDOW");
    return kOk;
}

int commandResize(const std::vector<std::string_view>& args) {
    if (args.size() != 3) {
        usage("xdrive resize WID W H");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const auto width = static_cast<unsigned>(integerArg(args[1], "W", 1, 32767));
    const auto height = static_cast<unsigned>(integerArg(args[2], "H", 1, 32767));
    // The screen must show all of the window for a shot of it: move it back if the new size
    // would stick out past the right or bottom edge.
    const XWindowAttributes before = attributesOf(x, window);
    const Screen* screen = before.screen;
    const int left =
        std::max(0, std::min(before.x, WidthOfScreen(screen) - static_cast<int>(width)));
    const int top =
        std::max(0, std::min(before.y, HeightOfScreen(screen) - static_cast<int>(height)));
    if (left != before.x || top != before.y) {
        XMoveResizeWindow(x.get(), window, left, top, width, height);
    } else {
        XResizeWindow(x.get(), window, width, height);
    }
    x.check("resizing the window");
    const XWindowAttributes attributes = attributesOf(x, window);
    if (static_cast<unsigned>(attributes.width) != width ||
        static_cast<unsigned>(attributes.height) != height) {
        fail(kCheckFailed, "asked for " + std::to_string(width) + "x" + std::to_string(height) +
                               ", the window is " + std::to_string(attributes.width) + "x" +
                               std::to_string(attributes.height));
    }
    return kOk;
}

// --- compare --------------------------------------------------------------------------------

std::string hexColour(quellon::Colour c) {
    char text[16];
    (void)std::snprintf(text, sizeof text, "%06X", c);  // as 0xBBGGRR, the program's own order
    return text;
}

// Whether every channel of two colours is within `tolerance` of the other's.
bool near(quellon::Colour a, quellon::Colour b, int tolerance) {
    const auto off = [](int x, int y) { return x > y ? x - y : y - x; };
    return off(quellon::redOf(a), quellon::redOf(b)) <= tolerance &&
           off(quellon::greenOf(a), quellon::greenOf(b)) <= tolerance &&
           off(quellon::blueOf(a), quellon::blueOf(b)) <= tolerance;
}

int commandCompare(const std::vector<std::string_view>& args) {
    constexpr const char* kCompareUsage =
        "xdrive compare A.bmp B.bmp [--ignore X Y W H] [--tolerance CHANNEL_STEPS]";
    if (args.size() < 2) {
        usage(kCompareUsage);
    }
    int ix = 0;
    int iy = 0;
    int iw = 0;
    int ih = 0;
    int tolerance = 0;
    for (std::size_t at = 2; at < args.size();) {
        if (args[at] == "--ignore" && at + 4 < args.size()) {
            ix = static_cast<int>(integerArg(args[at + 1], "X", -32768, 32767));
            iy = static_cast<int>(integerArg(args[at + 2], "Y", -32768, 32767));
            iw = static_cast<int>(integerArg(args[at + 3], "W", 0, 32767));
            ih = static_cast<int>(integerArg(args[at + 4], "H", 0, 32767));
            at += 5;
        } else if (args[at] == "--tolerance" && at + 1 < args.size()) {
            tolerance = static_cast<int>(integerArg(args[at + 1], "CHANNEL_STEPS", 0, 255));
            at += 2;
        } else {
            usage(kCompareUsage);
        }
    }
    const quellon::Surface a = readBmp(args[0]);
    const quellon::Surface b = readBmp(args[1]);
    if (a.width() != b.width() || a.height() != b.height()) {
        fail(kCheckFailed, "sizes differ: " + std::string(args[0]) + " is " +
                               std::to_string(a.width()) + "x" + std::to_string(a.height()) + ", " +
                               std::string(args[1]) + " is " + std::to_string(b.width()) + "x" +
                               std::to_string(b.height()));
    }
    long long differing = 0;
    std::string examples;
    constexpr int kExamples = 5;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (x >= ix && x - ix < iw && y >= iy && y - iy < ih) {
                continue;
            }
            if (!near(a.at(x, y), b.at(x, y), tolerance)) {
                if (differing < kExamples) {
                    examples += " (" + std::to_string(x) + ", " + std::to_string(y) + ", " +
                                hexColour(a.at(x, y)) + ", " + hexColour(b.at(x, y)) + ")";
                }
                ++differing;
            }
        }
    }
    if (differing != 0) {
        fail(kCheckFailed, std::to_string(differing) + " pixels differ; first (x, y, a, b) as " +
                               "BBGGRR:" + examples);
    }
    return kOk;
}

// --- text -----------------------------------------------------------------------------------

struct Glyph {
    char character;
    std::vector<std::pair<int, int>> pixels;  // cell coordinates of the lit pixels
};

std::vector<Glyph> printableGlyphs() {
    using quellon::font::kGlyphWidthPx;
    using quellon::font::kLineHeightPx;
    std::vector<Glyph> glyphs;
    for (int c = 0x21; c <= 0x7E; ++c) {
        quellon::Surface cell(kGlyphWidthPx, kLineHeightPx, quellon::kBlack);
        const char text[2] = {static_cast<char>(c), '\0'};
        quellon::font::drawText(cell, 0, 0, std::string_view(text, 1), quellon::kWhite);
        Glyph glyph{static_cast<char>(c), {}};
        for (int y = 0; y < kLineHeightPx; ++y) {
            for (int x = 0; x < kGlyphWidthPx; ++x) {
                if (cell.at(x, y) == quellon::kWhite) {
                    glyph.pixels.emplace_back(x, y);
                }
            }
        }
        if (!glyph.pixels.empty()) {
            glyphs.push_back(std::move(glyph));
        }
    }
    return glyphs;
}

// The character in the cell at (left, 0): of the glyphs whose pixels are all white in the
// shot, the one with the most pixels (the view behind the text may add white pixels of its
// own, never take them away). A cell that fits no glyph reads as a space.
char readCell(const quellon::Surface& shot, int left, const std::vector<Glyph>& glyphs) {
    char best = ' ';
    std::size_t bestCount = 0;
    for (const Glyph& glyph : glyphs) {
        const bool fits = std::all_of(glyph.pixels.begin(), glyph.pixels.end(), [&](auto p) {
            return shot.at(left + p.first, p.second) == quellon::kWhite;
        });
        if (fits && glyph.pixels.size() > bestCount) {
            best = glyph.character;
            bestCount = glyph.pixels.size();
        }
    }
    return best;
}

int commandText(const std::vector<std::string_view>& args) {
    if (args.size() != 1) {
        usage("xdrive text SHOT.bmp");
    }
    using quellon::font::kGlyphWidthPx;
    using quellon::font::kLineHeightPx;
    const quellon::Surface shot = readBmp(args[0]);
    const std::vector<Glyph> glyphs = printableGlyphs();
    if (glyphs.empty()) {
        fail(kUsage, "the font draws no printable character");
    }
    std::string text;
    int spacesInRow = 0;
    if (shot.height() >= kLineHeightPx) {
        for (int left = 0; left + kGlyphWidthPx <= shot.width(); left += kGlyphWidthPx) {
            const char c = readCell(shot, left, glyphs);
            text += c;
            spacesInRow = c == ' ' ? spacesInRow + 1 : 0;
            if (spacesInRow == 2) {
                break;
            }
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    std::printf("%s\n", text.c_str());
    return kOk;
}

// --- rss ------------------------------------------------------------------------------------

int commandRss(const std::vector<std::string_view>& args) {
    if (args.size() != 1) {
        usage("xdrive rss PID");
    }
    const long long pid = integerArg(args[0], "PID", 1, 1LL << 22);
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    std::ifstream in(path);
    if (!in) {
        fail(kCheckFailed, "no process " + std::to_string(pid) + " (cannot read " + path + ")");
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            long long kib = 0;
            // The kernel writes the figure; it fits a long long.
            if (std::sscanf(line.c_str(), "VmRSS: %lld kB", &kib) != 1) {  // NOLINT(cert-err34-c)
                fail(kUsage, "cannot read \"" + line + "\" in " + path);
            }
            std::printf("%lld\n", kib);
            return kOk;
        }
    }
    fail(kCheckFailed, "process " + std::to_string(pid) + " has no VmRSS (a zombie?)");
}

// --- blank ----------------------------------------------------------------------------------

int commandBlank(const std::vector<std::string_view>& args) {
    if (args.size() != 3) {
        usage("xdrive blank WIDTH HEIGHT OUT.bmp");
    }
    const auto width = static_cast<int>(integerArg(args[0], "WIDTH", 1, 16384));
    const auto height = static_cast<int>(integerArg(args[1], "HEIGHT", 1, 16384));
    writeFile(std::string(args[2]), quellon::encodeBmp(quellon::Surface(width, height)));
    return kOk;
}

int commandCrop(const std::vector<std::string_view>& args) {
    if (args.size() != 6) {
        usage("xdrive crop IN.bmp X Y W H OUT.bmp");
    }
    const quellon::Surface in = readBmp(args[0]);
    const auto cx = static_cast<int>(integerArg(args[1], "X", 0, 32767));
    const auto cy = static_cast<int>(integerArg(args[2], "Y", 0, 32767));
    const auto cw = static_cast<int>(integerArg(args[3], "W", 1, 32767));
    const auto ch = static_cast<int>(integerArg(args[4], "H", 1, 32767));
    if (cx + cw > in.width() || cy + ch > in.height()) {
        fail(kUsage, "the rectangle leaves the " + std::to_string(in.width()) + "x" +
                         std::to_string(in.height()) + " picture");
    }
    quellon::Surface out(cw, ch);
    for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw; ++x) {
            out.set(x, y, in.at(cx + x, cy + y));
        }
    }
    writeFile(std::string(args[5]), quellon::encodeBmp(out));
    return kOk;
}

// --- damage -----------------------------------------------------------------------------------

// Counts the requests that draw into the window, whoever makes them: every one reports the
// rectangles it changed, the last of them marked as such. So a program's presents are counted
// as the server carried them out, not as the program says it made them.
int commandDamage(const std::vector<std::string_view>& args) {
    if (args.size() != 2) {
        usage("xdrive damage WID SECONDS");
    }
    Connection x;
    const ::Window window = windowArg(x, args[0]);
    const long long seconds = integerArg(args[1], "SECONDS", 1, 3600);
    int eventBase = 0;
    int errorBase = 0;
    if (!XDamageQueryExtension(x.get(), &eventBase, &errorBase)) {
        fail(kUsage, "the X server has no DAMAGE extension");
    }
    const Damage damage = XDamageCreate(x.get(), window, XDamageReportRawRectangles);
    x.check("watching the window's damage");
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    long long requests = 0;
    const int connection = ConnectionNumber(x.get());
    while (Clock::now() < end) {
        while (XPending(x.get()) > 0) {
            XEvent event;
            XNextEvent(x.get(), &event);
            if (event.type == eventBase + XDamageNotify &&
                reinterpret_cast<const XDamageNotifyEvent&>(event).more == False) {
                ++requests;
            }
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(connection, &readable);
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(end - Clock::now());
        timeval timeout{0, static_cast<suseconds_t>(std::clamp<long long>(left.count(), 0, 10000))};
        (void)select(connection + 1, &readable, nullptr, nullptr, &timeout);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    XDamageDestroy(x.get(), damage);
    x.check("ending the watch");
    std::printf("%.1f\n", static_cast<double>(requests) / elapsed);
    return kOk;
}

constexpr const char* kUsageText =
    "xdrive find|geometry|shot|icon|key|hold|close|resize|compare|text|rss|blank|pointer|click|"
    "wheel|crop|damage ... (see the top of xdrive.cpp)";

int run(int argc, char** argv) {
    if (argc < 2) {
        usage(kUsageText);
    }
    const std::string_view command = argv[1];
    const std::vector<std::string_view> args(argv + 2, argv + argc);
    if (command == "find")
        return commandFind(args);
    if (command == "geometry")
        return commandGeometry(args);
    if (command == "shot")
        return commandShot(args);
    if (command == "icon")
        return commandIcon(args);
    if (command == "key")
        return commandKey(args);
    if (command == "hold")
        return commandHold(args);
    if (command == "close")
        return commandClose(args);
    if (command == "resize")
        return commandResize(args);
    if (command == "compare")
        return commandCompare(args);
    if (command == "text")
        return commandText(args);
    if (command == "rss")
        return commandRss(args);
    if (command == "blank")
        return commandBlank(args);
    if (command == "pointer" || command == "click" || command == "wheel")
        return commandPointer(args, command);
    if (command == "crop")
        return commandCrop(args);
    if (command == "damage")
        return commandDamage(args);
    usage("unknown command \"" + std::string(command) + "\"; " + kUsageText);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const Exit& exit) {
        (void)std::fprintf(stderr, "xdrive: %s\n", exit.message.c_str());
        return exit.status;
    }
}
