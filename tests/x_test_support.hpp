// What tests see of the X server as another program would: the private display's name,
// windows found by caption, their geometry and properties, and their pixels.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xtest {

// The display started by the test fixture (VELMORA_TEST_X_STATE/display), else $DISPLAY.
std::string test_display_name();

// Opens that display. Errors from requests on windows that another client destroyed in the
// meantime are ignored instead of ending the test process (Xlib's default).
Display* open_test_display();

// A top-level client window whose WM_NAME is exactly `caption`, if one exists.
std::optional<Window> find_window(Display* display, const std::string& caption);

std::string window_name(Display* display, Window window);

// Items of a 32-bit property (empty when absent).
std::vector<unsigned long> cardinals(Display* display, Window window, const char* property);

struct Geometry {
    int x, y;           // client area's top-left on the root window
    int width, height;  // client area
};
Geometry client_geometry(Display* display, Window window);

// The window's pixels as 0xRRGGBB words, row by row.
std::vector<std::uint32_t> read_pixels(Display* display, Window window, int width, int height);

// Asks the window to close as a window manager would (WM_DELETE_WINDOW).
void send_close_request(Display* display, Window window);

}  // namespace xtest
