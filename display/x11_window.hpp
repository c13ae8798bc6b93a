// The window-manager side of the main window that SDL2 has no call for: decorations and
// functions, fixed size, frame extents and the centred outer position, set before mapping.
#pragma once

#include <SDL.h>

namespace velmora {

struct FrameExtents {
    int left = 0;    // pixels of frame left of the client area
    int right = 0;
    int top = 0;     // title bar and top border
    int bottom = 0;
};

// Applies title-and-border decorations, move-only functions and a fixed client size to the
// hidden window, learns the frame extents the window manager will add (zero without one)
// and moves the window so that its outer frame is centred on `screen`. Returns false when
// the window is not an X11 window; then nothing was done.
bool place_x11_main_window(SDL_Window* window, const SDL_Rect& screen);

// Replaces Xlib's handler for a lost X connection (which prints two lines and exits) with
// one that prints one line naming the display and exits with status 1.
void install_x11_connection_loss_handler();

// x = screen.x + (screen.w - min(outer width, screen.w)) / 2, likewise y: the outer frame's
// top-left corner, at the screen's edge when the frame is larger than the screen.
SDL_Point centred_frame_origin(const SDL_Rect& screen, int outer_width, int outer_height);

}  // namespace velmora
