// The display layer: window, render screen, off-screen surface, events, clock and sleep over
// SDL2. Callers see no SDL type; the per-pixel path is the DrawingRecord it hands out.
// Every failure throws DisplayError naming the SDL call and SDL's reason.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/drawing_record.hpp"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace velmora {

class DisplayError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The main window as the render screen needs it.
struct WindowHandle {
    SDL_Window* window = nullptr;
};

// How frames reach the screen, decided once before the window is created.
enum class PresentationPath {
    none,             // not decided yet
    software_x11,     // SDL's software renderer, window pixels pushed to X (shared memory)
    hardware_opengl,  // SDL's OpenGL renderer on a GL that is not a software rasteriser
};

class SdlDisplay {
public:
    SdlDisplay() = default;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;
    ~SdlDisplay();  // releases whatever is still held, surface first, SDL last

    void init_services();
    void init_render_screen();
    void open_main_window(std::string_view caption);
    WindowHandle main_window_handle() const { return {window_}; }
    void open_render_screen(WindowHandle handle);
    void create_surface();

    DrawingRecord begin_surface_drawing();
    void end_drawing();
    void copy_surface_to_screen();
    void present_screen();

    std::int64_t poll_window_event();
    std::int64_t milliseconds_now() const;
    void set_window_caption(std::string_view caption);
    void pause_ms(std::int64_t duration_ms) const;

    void release_display();
    void release_services();

    // "SDL 2.26.5, video driver x11, renderer software, ..." for the start-up line.
    std::string presentation_description() const;

private:
    void repaint();

    bool services_up_ = false;
    PresentationPath path_ = PresentationPath::none;
    std::string gl_renderer_name_;   // GL_RENDERER of the probed GL, empty when none loads
    std::string gl_unavailable_why_; // why no hardware GL is used
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* surface_ = nullptr;  // streaming texture: the off-screen surface
    bool drawing_open_ = false;
};

}  // namespace velmora
