// Draws one frame with fixed periods, either into plain memory or through the display
// layer's drawing record, with callgrind collecting only around that frame. Run by
// bench/plot_cost, which compares the two instruction counts.
// Usage: plot_cost_probe memory|display

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstring>

#include "core/benchmark_run.hpp"
#include "core/memory_surface.hpp"
#include "core/plasma_renderer.hpp"
#include "display/sdl_display.hpp"

namespace {

constexpr velmora::FramePeriods kPeriods{27, 13};

template <typename Surface>
void measured_frame(Surface& surface, const velmora::PlasmaPalette& palette) {
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    const velmora::DrawingRecord drawing = surface.begin_surface_drawing();
    velmora::draw_plasma<double>(drawing, palette, kPeriods);
    surface.end_drawing();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT("frame");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "memory") != 0 && std::strcmp(argv[1], "display") != 0)) {
        std::fprintf(stderr, "usage: plot_cost_probe memory|display\n");
        return 2;
    }
    velmora::PlasmaPalette palette;
    velmora::build_palette<double>(palette);
    try {
        if (std::strcmp(argv[1], "memory") == 0) {
            velmora::MemorySurface surface;
            measured_frame(surface, palette);
        } else {
            velmora::SdlDisplay display;
            display.init_services();
            display.init_render_screen();
            display.open_main_window(velmora::kWindowCaption);
            display.open_render_screen(display.main_window_handle());
            display.create_surface();
            measured_frame(display, palette);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "plot_cost_probe: %s\n", error.what());
        return 1;
    }
    return 0;
}
