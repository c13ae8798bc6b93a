// Where a frame's time goes: the arithmetic into plain memory, the same through the display
// layer's drawing record, opening and closing the surface, and the copy and presentation.
// The display cases need an X display ($DISPLAY).

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

#include "core/benchmark_run.hpp"
#include "core/memory_surface.hpp"
#include "core/plasma_renderer.hpp"
#include "display/sdl_display.hpp"

namespace {

constexpr velmora::FramePeriods kPeriods{27, 13};

const velmora::PlasmaPalette& palette() {
    static const velmora::PlasmaPalette built = [] {
        velmora::PlasmaPalette p;
        velmora::build_palette<double>(p);
        return p;
    }();
    return built;
}

// The display set up as the benchmark sets it up, once for all cases; null without X.
velmora::SdlDisplay* display() {
    static std::unique_ptr<velmora::SdlDisplay> opened = []() -> std::unique_ptr<velmora::SdlDisplay> {
        auto d = std::make_unique<velmora::SdlDisplay>();
        try {
            d->init_services();
            d->init_render_screen();
            d->open_main_window(velmora::kWindowCaption);
            d->open_render_screen(d->main_window_handle());
            d->create_surface();
            while (d->poll_window_event() != 0) {
            }
        } catch (const std::exception&) {
            return nullptr;
        }
        return d;
    }();
    return opened.get();
}

void frame_into_plain_memory(benchmark::State& state) {
    velmora::MemorySurface surface;
    while (state.KeepRunning()) {
        velmora::draw_plasma<double>(surface.begin_surface_drawing(), palette(), kPeriods);
        surface.end_drawing();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(frame_into_plain_memory)->Unit(benchmark::kMillisecond);

void frame_through_display_drawing_record(benchmark::State& state) {
    velmora::SdlDisplay* d = display();
    if (d == nullptr) return state.SkipWithError("no X display");
    while (state.KeepRunning()) {
        velmora::draw_plasma<double>(d->begin_surface_drawing(), palette(), kPeriods);
        d->end_drawing();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(frame_through_display_drawing_record)->Unit(benchmark::kMillisecond);

void open_and_close_surface(benchmark::State& state) {
    velmora::SdlDisplay* d = display();
    if (d == nullptr) return state.SkipWithError("no X display");
    while (state.KeepRunning()) {
        benchmark::DoNotOptimize(d->begin_surface_drawing());
        d->end_drawing();
    }
}
BENCHMARK(open_and_close_surface)->Unit(benchmark::kMicrosecond);

void copy_and_present(benchmark::State& state) {
    velmora::SdlDisplay* d = display();
    if (d == nullptr) return state.SkipWithError("no X display");
    while (state.KeepRunning()) {
        d->copy_surface_to_screen();
        d->present_screen();
    }
}
BENCHMARK(copy_and_present)->Unit(benchmark::kMicrosecond);

void poll_one_event(benchmark::State& state) {
    velmora::SdlDisplay* d = display();
    if (d == nullptr) return state.SkipWithError("no X display");
    while (state.KeepRunning()) benchmark::DoNotOptimize(d->poll_window_event());
}
BENCHMARK(poll_one_event)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
