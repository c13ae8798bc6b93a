// The real velmora binary under the private X server with openbox: its window, the result
// caption's form and timing, the lines it prints, its exit status, and a close request
// that it ignores.

#include <gtest/gtest.h>

#include <regex>

#include "velmora_process.hpp"

namespace {

TEST(EndToEnd, RunsTenSecondsShowsTheCountTwoSecondsAndExitsZeroIgnoringACloseRequest) {
    xtest::RunOptions options;
    options.display = xtest::test_display_name();
    bool close_sent = false;
    options.during_run = [&](pid_t, double since_startup_s, Display* probe, Window window) {
        if (!close_sent && window != 0 && since_startup_s > 3) {
            xtest::send_close_request(probe, window);
            close_sent = true;
        }
    };
    const xtest::RunResult run = xtest::run_velmora(options);

    ASSERT_TRUE(run.finished) << "velmora did not end within 40 s";
    ASSERT_TRUE(run.exited_with(0)) << "wait status " << run.wait_status << "; stderr: " << run.err;
    ASSERT_TRUE(run.window_s && run.result_s && run.exit_s);
    EXPECT_TRUE(close_sent);
    EXPECT_TRUE(std::regex_match(run.result_caption, std::regex("Plasma 10 seconds benchmark - [1-9][0-9]*")))
        << run.result_caption;
    const double timed_s = *run.result_s - *run.window_s;
    const double closing_s = *run.exit_s - *run.result_s;
    EXPECT_GT(timed_s, 9.8);
    EXPECT_LT(timed_s, 11.5);
    EXPECT_GT(closing_s, 1.9);
    EXPECT_LT(closing_s, 3.0);

    // Two lines: the build and presentation path, then the caption's text.
    const std::regex lines("velmora: (double|single) precision, [^\n]*; SDL [^\n]*video driver [^\n]*, renderer [^\n]*\n"
                           "(Plasma 10 seconds benchmark - [0-9]+)\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.out, match, lines)) << run.out;
    EXPECT_EQ(match[2].str(), run.result_caption);
    EXPECT_EQ(run.err, "");
}

}  // namespace
