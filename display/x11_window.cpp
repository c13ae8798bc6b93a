// Xlib calls on SDL's own connection and window. The only file that includes Xlib.

#include "display/x11_window.hpp"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace velmora {
namespace {

// _MOTIF_WM_HINTS as window managers read it: five 32-bit items (longs on the client side).
struct MotifWmHints {
    unsigned long flags;
    unsigned long functions;
    unsigned long decorations;
    long input_mode;
    unsigned long status;
};
constexpr unsigned long kMotifHintsFunctions = 1ul << 0;
constexpr unsigned long kMotifHintsDecorations = 1ul << 1;
constexpr unsigned long kMotifFunctionMove = 1ul << 2;
constexpr unsigned long kMotifDecorBorder = 1ul << 1;
constexpr unsigned long kMotifDecorTitle = 1ul << 3;

// How long to wait for the window manager to answer _NET_REQUEST_FRAME_EXTENTS.
constexpr auto kFrameExtentsWait = std::chrono::milliseconds(1000);
constexpr auto kFrameExtentsPoll = std::chrono::milliseconds(2);

// Reads up to max_items of a property of 32-bit items (none when absent or of another type).
std::vector<unsigned long> read_items32(Display* display, Window window, Atom property, Atom type, long max_items) {
    Atom actual_type = None;
    int actual_format = 0;
    unsigned long count = 0;
    unsigned long bytes_after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, property, 0, max_items, False, type, &actual_type, &actual_format,
                           &count, &bytes_after, &data) == Success &&
        data != nullptr && actual_type == type && actual_format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

// An EWMH window manager names a check window on the root that names itself in turn.
bool window_manager_running(Display* display, Window root) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const std::vector<unsigned long> wm_window = read_items32(display, root, check, XA_WINDOW, 1);
    if (wm_window.size() != 1) return false;
    const std::vector<unsigned long> self = read_items32(display, wm_window[0], check, XA_WINDOW, 1);
    return self.size() == 1 && self[0] == wm_window[0];
}

bool window_manager_supports(Display* display, Window root, Atom feature) {
    const std::vector<unsigned long> atoms =
        read_items32(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 4096);
    return std::find(atoms.begin(), atoms.end(), feature) != atoms.end();
}

// Asks the window manager what frame it will give the still unmapped window. The answer
// arrives as the _NET_FRAME_EXTENTS property; polling the property leaves SDL's event
// queue untouched.
FrameExtents request_frame_extents(Display* display, Window root, Window window) {
    if (!window_manager_running(display, root)) return {};
    const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    const Atom extents_atom = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    if (!window_manager_supports(display, root, request)) return {};

    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = request;
    message.xclient.format = 32;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);

    const auto give_up = std::chrono::steady_clock::now() + kFrameExtentsWait;
    while (std::chrono::steady_clock::now() < give_up) {
        XSync(display, False);
        const std::vector<unsigned long> extents = read_items32(display, window, extents_atom, XA_CARDINAL, 4);
        if (extents.size() == 4) {
            return {static_cast<int>(extents[0]), static_cast<int>(extents[1]), static_cast<int>(extents[2]),
                    static_cast<int>(extents[3])};
        }
        std::this_thread::sleep_for(kFrameExtentsPoll);
    }
    return {};
}

// Xlib calls this when the connection to the server breaks and exits if it returns. Nothing
// that talks to X may run afterwards, so no destructors: write the line and leave.
int connection_lost(Display* display) {
    const int error = errno;
    std::string line = "velmora: lost the connection to the X server ";
    line += DisplayString(display);
    // A server that went away leaves errno at EAGAIN from the last non-blocking read.
    line += error != 0 && error != EAGAIN ? std::string(": ") + std::strerror(error)
                                          : std::string(": the server closed the connection");
    line += "\n";
    const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    (void)written;
    _exit(1);
}

}  // namespace

void install_x11_connection_loss_handler() {
    XSetIOErrorHandler(connection_lost);
}

SDL_Point centred_frame_origin(const SDL_Rect& screen, int outer_width, int outer_height) {
    const int width = std::min(outer_width, screen.w);
    const int height = std::min(outer_height, screen.h);
    return {screen.x + (screen.w - width) / 2, screen.y + (screen.h - height) / 2};
}

bool place_x11_main_window(SDL_Window* window, const SDL_Rect& screen) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    const Window root = DefaultRootWindow(display);
    int client_width = 0;
    int client_height = 0;
    SDL_GetWindowSize(window, &client_width, &client_height);

    // SDL asks for all decorations on a bordered window; replace that with a title bar and a
    // thin frame, and allow moving only (no close, minimise, maximise or resize).
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    MotifWmHints hints{kMotifHintsFunctions | kMotifHintsDecorations, kMotifFunctionMove,
                       kMotifDecorBorder | kMotifDecorTitle, 0, 0};
    XChangeProperty(display, xwindow, motif, motif, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&hints),
                    5);

    const FrameExtents frame = request_frame_extents(display, root, xwindow);
    const SDL_Point origin =
        centred_frame_origin(screen, client_width + frame.left + frame.right, client_height + frame.top + frame.bottom);

    // With north-west gravity the window manager puts the frame's outer corner where the
    // client window was asked to be, so the requested position is the frame's.
    XSizeHints* size_hints = XAllocSizeHints();
    if (size_hints != nullptr) {
        size_hints->flags = PMinSize | PMaxSize | PSize | USPosition | PPosition | PWinGravity;
        size_hints->x = origin.x;
        size_hints->y = origin.y;
        size_hints->width = size_hints->min_width = size_hints->max_width = client_width;
        size_hints->height = size_hints->min_height = size_hints->max_height = client_height;
        size_hints->win_gravity = NorthWestGravity;
        XSetWMNormalHints(display, xwindow, size_hints);
        XFree(size_hints);
    }
    XMoveWindow(display, xwindow, origin.x, origin.y);
    XSync(display, False);
    return true;
}

}  // namespace velmora
