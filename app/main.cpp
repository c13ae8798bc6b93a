// The velmora executable: wires the benchmark run to the SDL display layer and prints the
// start-up line and the result on stdout. Reads no command line, settings or files.

#include <cstdio>
#include <string>

#include "app/build_info.hpp"
#include "core/benchmark_run.hpp"
#include "display/sdl_display.hpp"

namespace {

// The display layer plus the two lines a terminal keeps.
class ConsolePlatform : public velmora::SdlDisplay {
public:
    void create_surface() {
        SdlDisplay::create_surface();
        std::printf("velmora: %s; %s\n", velmora::build_description().c_str(), presentation_description().c_str());
        std::fflush(stdout);
    }
    void set_window_caption(std::string_view caption) {
        SdlDisplay::set_window_caption(caption);
        std::printf("%.*s\n", static_cast<int>(caption.size()), caption.data());
        std::fflush(stdout);
    }
};

}  // namespace

int main() {
    try {
        ConsolePlatform platform;
        velmora::run_benchmark<velmora::BuildReal>(platform);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velmora: %s\n", error.what());
        return 1;
    }
}
