// The Win32 backend: the real window people see on Windows, made and driven through the
// platform's own interfaces (user32, gdi32, shell32). The build compiles it only for Windows.
// windows.h first: the other Windows headers build on it.
#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/win32_resources.h"
#include "platform/window.h"
#include "text/win32_text.h"

namespace quellon {

namespace {

constexpr wchar_t kClassName[] = L"Quellon";
constexpr DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW;

// A timer that wakes within about half a millisecond of its time rather than at the next tick
// of the system timer (15.6 ms by default); Windows 10 1803 and later. Older mingw-w64 headers
// lack the name.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// How long before the counter reaches the reading that ends the frame loop's wait the rest
// wakes up: a high-resolution timer may wake up to about half a millisecond late. The wait
// polls for what is left.
constexpr std::int64_t kRestMarginUs = 500;
// Without a high-resolution timer a wait ends at a tick of the system timer, up to this late;
// the rest then sleeps only for what lies beyond it and the wait polls the rest.
constexpr std::int64_t kCoarseTimerMs = 16;

// The tick counter. GetTickCount follows the system timer, which on Windows moves in steps of
// 10 to 16 ms and would hold the frame loop's 5 ms wait to about 64 passes a second, so the
// counter is the performance counter (QueryPerformanceCounter: monotonic, steady, finer than a
// microsecond) in whole milliseconds since the window opened, taken as 32 bits that wrap.
class Clock {
  public:
    Clock() {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);  // never fails on Windows XP and later
        frequency_ = value.QuadPart;
        start_ = now();
    }

    static std::int64_t now() {
        LARGE_INTEGER value;
        QueryPerformanceCounter(&value);
        return value.QuadPart;
    }

    // Whole milliseconds from the start to the counter reading `counter`.
    std::int64_t msAt(std::int64_t counter) const {
        const std::int64_t ticks = counter - start_;
        return ticks / frequency_ * 1000 + ticks % frequency_ * 1000 / frequency_;
    }

    // The first counter reading at which msAt reads `ms`.
    std::int64_t counterAtMs(std::int64_t ms) const {
        return start_ + ms / 1000 * frequency_ + (ms % 1000 * frequency_ + 999) / 1000;
    }

    std::int64_t countsOfUs(std::int64_t us) const { return us * frequency_ / 1000000; }
    // A span of the counter in the 100 ns units of the waitable timers.
    std::int64_t hundredNsOf(std::int64_t counts) const {
        return counts / frequency_ * 10000000 + counts % frequency_ * 10000000 / frequency_;
    }

  private:
    std::int64_t frequency_ = 1;
    std::int64_t start_ = 0;
};

int shiftState() {
    int state = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        state |= kShiftMask;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        state |= kCtrlMask;
    }
    if (GetKeyState(VK_MENU) < 0) {
        state |= kAltMask;
    }
    return state;
}

// Wine's ntdll exports its version; Windows' does not.
bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Whether a window refused with this error code was refused for want of a display. Wine without
// an X server to show windows on refuses every window, with no code or with its graphics
// driver's failure to start (ERROR_DLL_INIT_FAILED); Windows always has a desktop, and gives a
// code for what else went wrong.
bool noDisplay(DWORD code) {
    return code == 0 || (code == ERROR_DLL_INIT_FAILED && underWine());
}

std::string noDisplayReason() {
    if (!underWine()) {
        return "no display (the system made no window and gave no reason)";
    }
    // Wine passes the Unix environment on, DISPLAY with it.
    wchar_t display[256] = L"";
    const DWORD length = GetEnvironmentVariableW(L"DISPLAY", display, 256);
    if (length == 0 || length >= 256) {
        return "no display (running under Wine, and DISPLAY is not set)";
    }
    return "no display (running under Wine, and the X display \"" + narrow(display) +
           "\" cannot be opened)";
}

// The window's words are 0x00RRGGBB, the 32-bit device-independent bitmap's own, so a frame goes
// from the drawing surface to the window with no copy or conversion of ours.
constexpr PixelFormat kDibFormat = PixelFormat::kXrgb;

class Win32Window final : public Window {
  public:
    explicit Win32Window(const WindowRequest& request)
        : Window(request, kDibFormat), acceptsFiles_(request.panel != nullptr) {}

    ~Win32Window() override {
        if (hwnd_ != nullptr) {
            (void)DestroyWindow(hwnd_);
        }
        if (icon_ != nullptr) {
            (void)DestroyIcon(icon_);
        }
        if (timer_ != nullptr) {
            (void)CloseHandle(timer_);
        }
    }

    bool open(std::string& error, const WindowRequest& request) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (!registerClass(instance, error)) {
            return false;
        }
        // Never smaller than it opens: the view keeps its first size and the panel its width.
        RECT frame{0, 0, request.width + panelWidth(), request.height};
        (void)AdjustWindowRectEx(&frame, kWindowedStyle, FALSE, 0);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        minimumSize_ = POINT{width, height};
        // In the middle of the primary screen's work area, as the SDL window opens.
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        (void)SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int x = static_cast<int>(work.left) +
                      std::max(0, (static_cast<int>(work.right - work.left) - width) / 2);
        const int y = static_cast<int>(work.top) +
                      std::max(0, (static_cast<int>(work.bottom - work.top) - height) / 2);
        const std::wstring title = widen(request.title);
        hwnd_ = CreateWindowExW(0, kClassName, title.c_str(), kWindowedStyle, x, y, width, height,
                                nullptr, nullptr, instance, this);
        if (hwnd_ == nullptr) {
            const DWORD code = GetLastError();
            error = noDisplay(code) ? noDisplayReason()
                                    : "cannot make the window: " + systemMessage(code);
            return false;
        }
        dc_ = GetDC(hwnd_);  // the class's own device context, kept for the window's life
        if (acceptsFiles_) {
            DragAcceptFiles(hwnd_, TRUE);
        }
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
        preciseTimer_ = timer_ != nullptr;
        if (timer_ == nullptr) {
            timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        }
        followClientSize();
        return true;
    }

    void show() override {
        (void)ShowWindow(hwnd_, SW_SHOWNORMAL);
        (void)SetForegroundWindow(hwnd_);
        followClientSize();
    }

    void refresh() override {
        if (closed()) {
            return;
        }
        present(dc_, drawPanel());
    }

    void yield(WindowEvents& events) override {
        events_ = &events;
        if (beepPending_) {
            beepPending_ = false;
            (void)MessageBeep(MB_OK);
        }
        if (closePending_) {
            closePending_ = false;
            close(events);
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
            // WM_SYSCHAR for Alt+Space and Alt+F4, which the system's own handling needs.
            (void)TranslateMessage(&message);
            (void)DispatchMessageW(&message);
        }
        events_ = nullptr;
    }

    std::uint32_t GetTickCount() override {
        return static_cast<std::uint32_t>(clock_.msAt(Clock::now()));
    }

    void rest(std::uint32_t untilTick) override {
        const std::int64_t now = Clock::now();
        const std::int64_t nowMs = clock_.msAt(now);
        const auto ahead = static_cast<std::int32_t>(untilTick - static_cast<std::uint32_t>(nowMs));
        if (ahead <= 0 || timer_ == nullptr) {
            return;
        }
        std::int64_t wake = clock_.counterAtMs(nowMs + ahead) - clock_.countsOfUs(kRestMarginUs);
        if (!preciseTimer_) {
            wake -= clock_.countsOfUs(kCoarseTimerMs * 1000);
        }
        if (wake <= now) {
            return;
        }
        LARGE_INTEGER due;
        due.QuadPart = -clock_.hundredNsOf(wake - now);  // negative: relative to now
        if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) == 0) {
            return;
        }
        // Wakes for the timer, or for any input in the queue, read or not.
        if (MsgWaitForMultipleObjectsEx(1, &timer_, INFINITE, QS_ALLINPUT, waitFlags_) ==
            WAIT_FAILED) {
            waitFlags_ = 0;  // a system that does not know the flag: wakes for new input only
            (void)MsgWaitForMultipleObjectsEx(1, &timer_, INFINITE, QS_ALLINPUT, waitFlags_);
        }
    }

    // The beep asked for at start-up sounds at the first yield, once the first frame is on
    // screen, as in the SDL window.
    void beep() override { beepPending_ = true; }

    void setIcon(const Surface& image) override {
        const int width = image.width();
        const int height = image.height();
        if (width <= 0 || height <= 0) {
            return;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        // All of the mask's bits 0: every pixel opaque, as is every alpha byte below.
        const std::vector<WORD> maskBits(static_cast<std::size_t>((width + 15) / 16) * height, 0);
        HBITMAP mask = CreateBitmap(width, height, 1, 1, maskBits.data());
        if (colour != nullptr && mask != nullptr && bits != nullptr) {
            // An icon's pixels are 0xAARRGGBB words.
            auto* out = static_cast<std::uint32_t*>(bits);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    *out++ = 0xFF000000u | toPixel(GetPixel(image, x, y), PixelFormat::kXrgb);
                }
            }
            ICONINFO parts{TRUE, 0, 0, mask, colour};
            HICON icon = CreateIconIndirect(&parts);
            if (icon != nullptr) {
                (void)SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
                (void)SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
                if (icon_ != nullptr) {
                    (void)DestroyIcon(icon_);
                }
                icon_ = icon;
            }
        }
        if (colour != nullptr) {
            (void)DeleteObject(colour);
        }
        if (mask != nullptr) {
            (void)DeleteObject(mask);
        }
    }

  private:
    // The window is hidden, not destroyed: the program ends its loop at the top of its next pass.
    void leaveScreen() override { (void)ShowWindow(hwnd_, SW_HIDE); }

    static bool registerClass(HINSTANCE instance, std::string& error) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        // Its own device context: the frames are drawn through one kept for the window's life.
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = &Win32Window::procedure;
        windowClass.hInstance = instance;
        windowClass.hIcon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(QUELLON_ICON_RESOURCE), IMAGE_ICON,
                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
        windowClass.hIconSm = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(QUELLON_ICON_RESOURCE), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.lpszClassName = kClassName;
        if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            error = "cannot register the window class: " + systemMessage(GetLastError());
            return false;
        }
        return true;
    }

    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        // Windows hands pointers over as the integers of its messages and window data: the
        // window object rides in the window's user data from its creation on.
        if (message == WM_NCCREATE) {
            // NOLINTNEXTLINE(performance-no-int-to-ptr)
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            (void)SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                    reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (window == nullptr) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        return window->handle(hwnd, message, wParam, lParam);
    }

    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:
            case WM_KEYUP:
            case WM_SYSKEYUP:
                return key(hwnd, message, wParam, lParam);
            case WM_SYSCHAR:
                if (wParam == '\r') {
                    return 0;  // Alt+Enter, already taken: no beep for a menu it is not
                }
                break;
            case WM_SYSCOMMAND:
                // Alt alone, F10 and Alt with a letter would put the window into the menu mode
                // of a menu it does not have, which takes the next key and beeps; Alt+Space
                // still opens the window's system menu.
                if ((wParam & 0xFFF0) == SC_KEYMENU && lParam != ' ') {
                    return 0;
                }
                break;
            case WM_MOUSEMOVE:
                point(PointerEvent::Kind::kMove, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                return 0;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
                point(PointerEvent::Kind::kPress, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                return 0;
            case WM_MOUSEWHEEL:
                wheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                return 0;
            case WM_DROPFILES:
                dropped(reinterpret_cast<HDROP>(wParam));  // NOLINT(performance-no-int-to-ptr)
                return 0;
            case WM_CLOSE:
                // Granted at once inside a yield; one that comes outside (the system may send
                // it while the window is being shown) is handed on at the next.
                if (events_ != nullptr) {
                    close(*events_);
                } else {
                    closePending_ = true;
                }
                return 0;
            case WM_GETMINMAXINFO: {
                auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);  // NOLINT
                if (minimumSize_.x > 0) {
                    limits->ptMinTrackSize = minimumSize_;
                }
                return 0;
            }
            case WM_SIZE:
                if (wParam != SIZE_MINIMIZED) {
                    followClientSize();
                }
                return 0;
            case WM_ERASEBKGND:
                return 1;  // every pixel of the client area is painted by WM_PAINT
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(hwnd, &paint);
                if (!closed() && dc != nullptr) {
                    present(dc, panelWidth() > 0 ? &panelSurface() : nullptr);
                }
                (void)EndPaint(hwnd, &paint);
                return 0;
            }
            default:
                break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Virtual-key codes go to the program as they come. F11, and Enter with Alt held, are the
    // window's own command, once per press, and never reach it.
    LRESULT key(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        const bool system = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
        const bool repeat = (lParam & (LPARAM{1} << 30)) != 0;  // the key was already down
        const bool altHeld = (lParam & (LPARAM{1} << 29)) != 0;
        const int code = static_cast<int>(wParam);
        if (code == VK_F11 || (code == VK_RETURN && altHeld)) {
            if (down && !repeat) {
                toggleFullScreen();
            }
            return 0;
        }
        if (events_ != nullptr && code > 0) {
            if (down) {
                pressKey(*events_, code, shiftState(), repeat);
            } else {
                events_->keyUp(code, shiftState());
            }
        }
        // Alt+F4 and Alt+Space are the system's to handle.
        return system ? DefWindowProcW(hwnd, message, wParam, lParam) : 0;
    }

    // Full screen is a borderless window over the whole monitor the window is on, the view
    // taking what the panel leaves of it; back again, the window has the frame, place and size
    // it had before.
    void toggleFullScreen() {
        const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
        if (!fullScreen_) {
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            windowed_.length = sizeof windowed_;
            if (GetWindowPlacement(hwnd_, &windowed_) == 0 ||
                GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor) ==
                    0) {
                return;
            }
            (void)SetWindowLongPtrW(hwnd_, GWL_STYLE,
                                    (style & ~LONG_PTR{kWindowedStyle}) | WS_POPUP);
            const RECT& area = monitor.rcMonitor;
            (void)SetWindowPos(hwnd_, HWND_TOP, area.left, area.top, area.right - area.left,
                               area.bottom - area.top, SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
            fullScreen_ = true;
        } else {
            (void)SetWindowLongPtrW(hwnd_, GWL_STYLE,
                                    (style & ~LONG_PTR{WS_POPUP}) | kWindowedStyle);
            (void)SetWindowPlacement(hwnd_, &windowed_);
            (void)SetWindowPos(
                hwnd_, nullptr, 0, 0, 0, 0,
                SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
            fullScreen_ = false;
        }
        followClientSize();
    }

    // The drawing surface takes what the panel leaves of the client area.
    void followClientSize() {
        RECT client{};
        if (hwnd_ == nullptr || GetClientRect(hwnd_, &client) == 0) {
            return;
        }
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        if (width > 0 && height > 0) {
            layOut(width, height);
        }
    }

    // Wheels that turn in finer steps than a notch (WHEEL_DELTA) add up to whole notches. The
    // message gives the pointer in screen coordinates.
    void wheel(int delta, int screenX, int screenY) {
        wheelDelta_ += delta;
        const int steps = wheelDelta_ / WHEEL_DELTA;
        if (steps == 0) {
            return;
        }
        wheelDelta_ -= steps * WHEEL_DELTA;
        POINT at{screenX, screenY};
        (void)ScreenToClient(hwnd_, &at);
        point(PointerEvent::Kind::kWheel, at.x, at.y, steps);
    }

    void dropped(HDROP drop) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            const UINT got = DragQueryFileW(drop, i, path.data(), length + 1);
            path.resize(got);
            if (got > 0) {
                dropFile(narrow(path));
            }
        }
        DragFinish(drop);
    }

    // The drawing surface, and the panel beside it, straight from their memory into the window.
    void present(HDC dc, const Surface* panel) {
        blit(dc, drawingSurface(), 0);
        if (panel != nullptr) {
            blit(dc, *panel, drawingSurface().width());
        }
    }

    static void blit(HDC dc, const Surface& surface, int left) {
        const int width = surface.width();
        const int height = surface.height();
        if (width <= 0 || height <= 0) {
            return;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = surface.stride();  // the rows' length in memory
        info.bmiHeader.biHeight = -height;          // top row first, as the surface keeps them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        (void)SetDIBitsToDevice(dc, left, 0, static_cast<DWORD>(width), static_cast<DWORD>(height),
                                0, 0, 0, static_cast<UINT>(height), surface.data(), &info,
                                DIB_RGB_COLORS);
    }

    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
    HICON icon_ = nullptr;
    HANDLE timer_ = nullptr;
    bool preciseTimer_ = false;
    DWORD waitFlags_ = MWMO_INPUTAVAILABLE;
    Clock clock_;
    bool acceptsFiles_ = false;
    POINT minimumSize_{0, 0};
    WindowEvents* events_ = nullptr;  // set only inside a yield
    bool closePending_ = false;
    bool beepPending_ = false;
    bool fullScreen_ = false;
    WINDOWPLACEMENT windowed_{};  // the window's place and size before it went full screen
    int wheelDelta_ = 0;
};

}  // namespace

std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error) {
    auto window = std::make_unique<Win32Window>(request);
    if (!window->open(error, request)) {
        return nullptr;
    }
    return window;
}

}  // namespace quellon
