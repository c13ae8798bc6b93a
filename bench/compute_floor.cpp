// The compute floor: the benchmark's exact frame arithmetic for ten seconds into plain
// memory, with no window, copy or presentation. Its count is what velmora would reach if
// presenting cost nothing. Prints "Compute floor 10 seconds - N".

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "app/build_info.hpp"
#include "core/benchmark_run.hpp"
#include "core/memory_surface.hpp"
#include "core/plasma_renderer.hpp"

namespace {

std::int64_t milliseconds_now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main() {
    velmora::PlasmaPalette palette;
    velmora::build_palette<velmora::BuildReal>(palette);
    velmora::MemorySurface surface;
    std::printf("compute floor: %s\n", velmora::build_description().c_str());
    std::fflush(stdout);

    std::int64_t frame_count = 0;
    const std::int64_t deadline_ms = milliseconds_now() + velmora::kTimedRun_ms;
    std::int64_t now_ms = 0;
    do {
        velmora::render_plasma_frame<velmora::BuildReal>(surface, palette);
        ++frame_count;
        now_ms = milliseconds_now();
    } while (deadline_ms >= now_ms);
    std::printf("Compute floor 10 seconds - %lld\n", static_cast<long long>(frame_count));
    return 0;
}
