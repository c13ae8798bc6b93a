// Xlib helpers for the display and end-to-end tests.

#include "x_test_support.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <fstream>

namespace xtest {

std::string test_display_name() {
    if (const char* state = std::getenv("VELMORA_TEST_X_STATE")) {
        std::ifstream file(std::string(state) + "/display");
        std::string name;
        if (file >> name) return name;
    }
    const char* display = std::getenv("DISPLAY");
    return display != nullptr ? display : "";
}

namespace {
int ignore_x_error(Display*, XErrorEvent*) { return 0; }
}  // namespace

Display* open_test_display() {
    XSetErrorHandler(ignore_x_error);
    return XOpenDisplay(test_display_name().c_str());
}

std::string window_name(Display* display, Window window) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) result = name;
    if (name != nullptr) XFree(name);
    return result;
}

namespace {
std::optional<Window> search(Display* display, Window window, const std::string& caption, int depth) {
    if (window_name(display, window) == caption) return window;
    if (depth > 3) return std::nullopt;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::optional<Window> found;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && !found; ++i) found = search(display, children[i], caption, depth + 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}
}  // namespace

std::optional<Window> find_window(Display* display, const std::string& caption) {
    return search(display, DefaultRootWindow(display), caption, 0);
}

std::vector<unsigned long> cardinals(Display* display, Window window, const char* property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 64, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

Geometry client_geometry(Display* display, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

std::vector<std::uint32_t> read_pixels(Display* display, Window window, int width, int height) {
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    pixels.reserve(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            // Scale each channel to 8 bits through the visual's masks (16-bit screens too).
            auto channel = [pixel](unsigned long mask) {
                if (mask == 0) return 0u;
                int shift = 0;
                while (((mask >> shift) & 1) == 0) ++shift;
                const unsigned long max = mask >> shift;
                return static_cast<std::uint32_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
            };
            pixels.push_back(channel(image->red_mask) << 16 | channel(image->green_mask) << 8 |
                             channel(image->blue_mask));
        }
    }
    XDestroyImage(image);
    return pixels;
}

void send_close_request(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace xtest
