// The timed run from start-up to the result: the fixed order of platform calls around the
// plasma frames. Platform is the seam to the display layer, clock and events, so tests can
// drive the loop with a fake clock and a recording display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/palette.hpp"
#include "core/plasma_renderer.hpp"

namespace velmora {

inline constexpr std::string_view kWindowCaption = "Plasma 10 seconds benchmark";
inline constexpr std::string_view kResultPrefix = "Plasma 10 seconds benchmark - ";
inline constexpr std::int64_t kTimedRun_ms = 10000;
inline constexpr std::int64_t kClosingPause_ms = 2000;

// "Plasma 10 seconds benchmark - " followed by the count in plain decimal.
std::string result_caption(std::int64_t frame_count);

// Platform must provide, all on this thread:
//   init_services(), init_render_screen()
//   open_main_window(std::string_view caption), main_window_handle() -> Handle,
//   open_render_screen(Handle), create_surface()
//   std::int64_t poll_window_event()     never waits; 0 when nothing was pending
//   std::int64_t milliseconds_now()      monotonic whole milliseconds
//   DrawingRecord begin_surface_drawing(), end_drawing()
//   copy_surface_to_screen(), present_screen()
//   set_window_caption(std::string_view), pause_ms(std::int64_t)
//   release_display(), release_services()
// A platform that cannot go on throws; nothing here catches.
// Returns the frame count, which the caller has already seen in the caption.
template <typename Real, typename Platform>
std::int64_t run_benchmark(Platform& platform) {
    platform.init_services();
    platform.init_render_screen();
    std::int64_t frame_count = 0;
    PlasmaPalette palette;
    build_palette<Real>(palette);

    platform.open_main_window(kWindowCaption);
    const auto window_handle = platform.main_window_handle();
    platform.open_render_screen(window_handle);
    platform.create_surface();

    while (platform.poll_window_event() != 0) {
    }
    const std::int64_t deadline_ms = platform.milliseconds_now() + kTimedRun_ms;
    std::int64_t now_ms = 0;
    do {
        platform.poll_window_event();
        render_plasma_frame<Real>(platform, palette);
        platform.copy_surface_to_screen();
        platform.present_screen();
        ++frame_count;
        now_ms = platform.milliseconds_now();
    } while (deadline_ms >= now_ms);

    platform.set_window_caption(result_caption(frame_count));
    platform.pause_ms(kClosingPause_ms);
    platform.release_display();
    platform.release_services();
    return frame_count;
}

}  // namespace velmora
