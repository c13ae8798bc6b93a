// SDL2 calls behind the display layer, in the order the benchmark makes them.

#include "display/sdl_display.hpp"

#include <SDL.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "display/x11_window.hpp"

namespace velmora {
namespace {

[[noreturn]] void fail(const char* call) {
    throw DisplayError(std::string(call) + " failed: " + SDL_GetError());
}

void set_hint(const char* name, const char* value) {
    // Override priority: an environment variable of the same name must not change it.
    if (SDL_SetHintWithPriority(name, value, SDL_HINT_OVERRIDE) != SDL_TRUE) fail("SDL_SetHintWithPriority");
}

// A 16-bit (5-5-5 or 5-6-5) or 32-bit (8-8-8) direct-colour mode.
bool usable_colour_mode(Uint32 format) {
    if (SDL_ISPIXELFORMAT_INDEXED(format) || SDL_ISPIXELFORMAT_FOURCC(format)) return false;
    const int bytes = SDL_BYTESPERPIXEL(format);
    const int bits = SDL_BITSPERPIXEL(format);
    return (bytes == 2 && (bits == 15 || bits == 16)) || (bytes == 4 && bits >= 24);
}

int render_driver_index(const char* name) {
    const int count = SDL_GetNumRenderDrivers();
    for (int index = 0; index < count; ++index) {
        SDL_RendererInfo info;
        if (SDL_GetRenderDriverInfo(index, &info) == 0 && std::strcmp(info.name, name) == 0) return index;
    }
    return -1;
}

bool is_software_rasteriser(const std::string& gl_renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SWR"}) {
        if (gl_renderer.find(name) != std::string::npos) return true;
    }
    return false;
}

// Loads the system's GL in a hidden window of its own and reads GL_RENDERER, or says why it
// could not. Nothing of it outlives the call.
std::string probe_gl_renderer(std::string& why_not) {
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        why_not = std::string("SDL_GL_LoadLibrary failed: ") + SDL_GetError();
        return {};
    }
    std::string name;
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (probe == nullptr) {
        why_not = std::string("SDL_CreateWindow (GL probe) failed: ") + SDL_GetError();
    } else {
        SDL_GLContext context = SDL_GL_CreateContext(probe);
        if (context == nullptr) {
            why_not = std::string("SDL_GL_CreateContext failed: ") + SDL_GetError();
        } else {
            using GetString = const unsigned char* (*)(unsigned int);
            constexpr unsigned int kGlRenderer = 0x1F01;
            auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
            const unsigned char* text = get_string != nullptr ? get_string(kGlRenderer) : nullptr;
            if (text != nullptr) name = reinterpret_cast<const char*>(text);
            SDL_GL_DeleteContext(context);
        }
        SDL_DestroyWindow(probe);
    }
    SDL_GL_UnloadLibrary();
    return name;
}

}  // namespace

SdlDisplay::~SdlDisplay() {
    release_display();
    release_services();
}

void SdlDisplay::init_services() {
    if (services_up_) return;
    // Ctrl-C and SIGTERM keep their default action; SDL would turn them into a quit event
    // that the benchmark never looks at.
    set_hint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window's decorations, size hints and centring are X11's. Without an X display SDL
    // would fall through to Wayland (whose library prints its own complaint) or to a driver
    // with no screen at all.
    set_hint(SDL_HINT_VIDEODRIVER, "x11");
    // The window surface is presented by X11 (shared memory) rather than through a GL texture.
    set_hint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    set_hint(SDL_HINT_RENDER_VSYNC, "0");
    set_hint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // Driver-level switches that would make a GL swap wait for the refresh (Mesa, NVIDIA).
    // Only a value someone set is replaced: Mesa reports every override on stderr.
    for (const char* name : {"vblank_mode", "__GL_SYNC_TO_VBLANK"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && std::strcmp(value, "0") != 0) setenv(name, "0", 1);
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        const char* display = std::getenv("DISPLAY");
        throw DisplayError(std::string("SDL_Init(SDL_INIT_VIDEO) failed: ") + SDL_GetError() +
                           (display != nullptr && *display != '\0' ? std::string(" (DISPLAY=") + display + ")"
                                                                    : std::string(" (DISPLAY is not set)")));
    }
    services_up_ = true;
    // A write to the socket of an X server that died would raise SIGPIPE and end the process
    // without a word; ignored, the write fails and Xlib reports the lost connection instead.
    std::signal(SIGPIPE, SIG_IGN);
    install_x11_connection_loss_handler();
}

void SdlDisplay::init_render_screen() {
    if (path_ != PresentationPath::none) return;
    const int mode_count = SDL_GetNumDisplayModes(0);
    if (mode_count < 0) fail("SDL_GetNumDisplayModes");
    bool usable = false;
    for (int index = 0; index < mode_count && !usable; ++index) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, index, &mode) != 0) fail("SDL_GetDisplayMode");
        usable = usable_colour_mode(mode.format);
    }
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) fail("SDL_GetDesktopDisplayMode");
    // A server that lists no modes has only the desktop's.
    if ((mode_count > 0 && !usable) || !usable_colour_mode(desktop.format)) {
        throw DisplayError(std::string("no usable colour mode: the display offers ") +
                           SDL_GetPixelFormatName(desktop.format) + ", not 16-bit or 32-bit colour");
    }

    gl_renderer_name_ = probe_gl_renderer(gl_unavailable_why_);
    if (!gl_renderer_name_.empty() && is_software_rasteriser(gl_renderer_name_)) {
        gl_unavailable_why_ = "GL is " + gl_renderer_name_ + ", a software rasteriser";
    }
    const bool hardware_gl = gl_unavailable_why_.empty() && !gl_renderer_name_.empty() &&
                             render_driver_index("opengl") >= 0;
    path_ = hardware_gl ? PresentationPath::hardware_opengl : PresentationPath::software_x11;
}

void SdlDisplay::open_main_window(std::string_view caption) {
    SDL_Rect screen;
    if (SDL_GetDisplayBounds(0, &screen) != 0) fail("SDL_GetDisplayBounds");
    // The GL renderer needs SDL_WINDOW_OPENGL from the start: SDL_CreateRenderer would
    // otherwise destroy and recreate the X window, losing the hints set below.
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (path_ == PresentationPath::hardware_opengl) flags |= SDL_WINDOW_OPENGL;
    const std::string title(caption);
    window_ = SDL_CreateWindow(title.c_str(), 0, 0, kSurfaceWidth, kSurfaceHeight, flags);
    if (window_ == nullptr) fail("SDL_CreateWindow");
    if (!place_x11_main_window(window_, screen)) {
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlDisplay::open_render_screen(WindowHandle handle) {
    if (handle.window == nullptr) throw DisplayError("open_render_screen: no window");
    const char* driver = path_ == PresentationPath::hardware_opengl ? "opengl" : "software";
    const int index = render_driver_index(driver);
    if (index < 0) throw DisplayError(std::string("SDL has no ") + driver + " renderer");
    const Uint32 flags =
        path_ == PresentationPath::hardware_opengl ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE;
    renderer_ = SDL_CreateRenderer(handle.window, index, flags);
    if (renderer_ == nullptr) fail("SDL_CreateRenderer");
    if (SDL_RenderSetVSync(renderer_, 0) != 0) fail("SDL_RenderSetVSync");
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer_, &info) != 0) fail("SDL_GetRendererInfo");
    if ((info.flags & SDL_RENDERER_PRESENTVSYNC) != 0) throw DisplayError("renderer insists on waiting for vsync");
    if (SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE) != 0) fail("SDL_SetRenderDrawColor");
    if (SDL_RenderClear(renderer_) != 0) fail("SDL_RenderClear");
}

void SdlDisplay::create_surface() {
    if (renderer_ == nullptr) throw DisplayError("create_surface: no render screen");
    surface_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kSurfaceWidth,
                                 kSurfaceHeight);
    if (surface_ == nullptr) fail("SDL_CreateTexture");
    if (SDL_SetTextureBlendMode(surface_, SDL_BLENDMODE_NONE) != 0) fail("SDL_SetTextureBlendMode");
    if (SDL_SetTextureScaleMode(surface_, SDL_ScaleModeNearest) != 0) fail("SDL_SetTextureScaleMode");
    void* pixels = nullptr;
    int pitch_bytes = 0;
    if (SDL_LockTexture(surface_, nullptr, &pixels, &pitch_bytes) != 0) fail("SDL_LockTexture");
    std::memset(pixels, 0, static_cast<std::size_t>(pitch_bytes) * kSurfaceHeight);
    SDL_UnlockTexture(surface_);
}

DrawingRecord SdlDisplay::begin_surface_drawing() {
    void* pixels = nullptr;
    int pitch_bytes = 0;
    if (surface_ == nullptr) throw DisplayError("begin_surface_drawing: no surface");
    if (SDL_LockTexture(surface_, nullptr, &pixels, &pitch_bytes) != 0) fail("SDL_LockTexture");
    drawing_open_ = true;
    // SDL promises only write access to locked memory. Every frame writes all pixels but
    // those of row 0 and column 0, so those are made black again to keep the surface intact.
    auto* bytes = static_cast<std::uint8_t*>(pixels);
    std::memset(bytes, 0, std::size_t{kSurfaceWidth} * kSurfaceBytesPerPixel);
    for (int y = 1; y < kSurfaceHeight; ++y) {
        std::memset(bytes + static_cast<std::ptrdiff_t>(y) * pitch_bytes, 0, kSurfaceBytesPerPixel);
    }
    return {bytes, pitch_bytes};
}

void SdlDisplay::end_drawing() {
    if (!drawing_open_) return;
    SDL_UnlockTexture(surface_);
    drawing_open_ = false;
}

void SdlDisplay::copy_surface_to_screen() {
    if (surface_ == nullptr) return;
    // An explicit destination: with NULL, SDL would stretch the surface over a resized window.
    const SDL_Rect whole{0, 0, kSurfaceWidth, kSurfaceHeight};
    if (SDL_RenderCopy(renderer_, surface_, &whole, &whole) != 0) fail("SDL_RenderCopy");
}

void SdlDisplay::present_screen() {
    if (renderer_ != nullptr) SDL_RenderPresent(renderer_);
}

void SdlDisplay::repaint() {
    if (drawing_open_) return;
    copy_surface_to_screen();
    present_screen();
}

std::int64_t SdlDisplay::poll_window_event() {
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0) return 0;
    if (event.type == SDL_WINDOWEVENT && window_ != nullptr && event.window.windowID == SDL_GetWindowID(window_)) {
        switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            repaint();
            break;
        default:
            break;
        }
    }
    return static_cast<std::int64_t>(event.type);
}

std::int64_t SdlDisplay::milliseconds_now() const {
    return static_cast<std::int64_t>(SDL_GetTicks64());
}

void SdlDisplay::set_window_caption(std::string_view caption) {
    if (window_ == nullptr) return;
    const std::string title(caption);
    SDL_SetWindowTitle(window_, title.c_str());
}

void SdlDisplay::pause_ms(std::int64_t duration_ms) const {
    SDL_Delay(static_cast<Uint32>(duration_ms));
}

void SdlDisplay::release_display() {
    end_drawing();
    if (surface_ != nullptr) SDL_DestroyTexture(surface_);
    surface_ = nullptr;
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    window_ = nullptr;
}

void SdlDisplay::release_services() {
    if (!services_up_) return;
    SDL_Quit();
    services_up_ = false;
}

std::string SdlDisplay::presentation_description() const {
    const char* driver = SDL_GetCurrentVideoDriver();
    SDL_version version;
    SDL_GetVersion(&version);
    std::string text = "SDL " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                       std::to_string(version.patch) + ", video driver " + (driver ? driver : "none");
    switch (path_) {
    case PresentationPath::hardware_opengl:
        text += ", renderer opengl on " + gl_renderer_name_;
        break;
    case PresentationPath::software_x11:
        text += ", renderer software, frames pushed to X11 (shared memory where available; " +
                (gl_unavailable_why_.empty() ? std::string("no GL") : gl_unavailable_why_) + ")";
        break;
    case PresentationPath::none:
        text += ", no renderer";
        break;
    }
    return text;
}

}  // namespace velmora
