// Runs the real velmora binary as a user would and watches it from outside: its lines on
// stdout and stderr, its window and caption (through a separate X connection), the pixels
// it shows during the closing pause, and how it ends.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "x_test_support.hpp"

namespace xtest {

struct RunOptions {
    std::string display;  // DISPLAY for velmora; empty: DISPLAY and WAYLAND_DISPLAY unset
    std::vector<std::pair<std::string, std::string>> environment;  // added to velmora's
    bool watch_window = true;      // find the window and follow its caption
    bool read_last_frame = false;  // read the client area once the result caption shows
    // Called about every 10 ms while velmora runs, with its pid, the seconds since the
    // start-up line (or -1 before it), and the window (or 0 before it is found).
    std::function<void(pid_t pid, double since_startup_s, Display* probe, Window window)> during_run;
    double give_up_s = 40;
};

struct RunResult {
    int wait_status = 0;  // as waitpid reports it
    bool finished = false;
    std::string out;
    std::string err;
    std::optional<double> startup_line_s;  // seconds from launch
    std::optional<double> window_s;
    std::optional<double> result_s;
    std::optional<double> exit_s;
    std::string result_caption;
    std::vector<std::uint32_t> last_frame;  // 0xRRGGBB, 1280 x 720, when asked for
    Geometry geometry_at_result{};

    bool exited_with(int status) const;
    int stderr_lines() const;
};

RunResult run_velmora(const RunOptions& options);

// The two rand() values that set the periods of frame `frame` (1 for the first): velmora
// never seeds rand(), so it draws the C library's default sequence, the one of seed 1.
std::pair<int, int> rand_values_of_frame(std::int64_t frame);

}  // namespace xtest
