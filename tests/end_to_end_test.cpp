// The real velmora binary under the private X server: its window, the result caption's
// form and timing, the lines it prints, its exit status, and a close request it ignores.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "x_test_support.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

TEST(EndToEnd, RunsTenSecondsShowsTheCountTwoSecondsAndExitsZeroIgnoringACloseRequest) {
    const char* binary = std::getenv("VELMORA_BINARY");
    ASSERT_NE(binary, nullptr);
    const std::string display_name = xtest::test_display_name();
    Display* probe = xtest::open_test_display();
    ASSERT_NE(probe, nullptr);

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("DISPLAY", display_name.c_str(), 1);
        execl(binary, binary, "--ignored-argument", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);

    const std::string caption = "Plasma 10 seconds benchmark";
    const auto started = Clock::now();
    std::optional<Clock::time_point> window_seen;
    std::optional<Clock::time_point> result_seen;
    std::optional<Clock::time_point> exited;
    std::string result_caption;
    Window window = 0;
    bool close_sent = false;
    std::string output;
    int status = 0;

    while (!exited && seconds_between(started, Clock::now()) < 40) {
        pollfd readable{out[0], POLLIN, 0};
        if (poll(&readable, 1, 10) > 0) {
            char buffer[512];
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got > 0) output.append(buffer, static_cast<std::size_t>(got));
        }
        if (!window_seen) {
            if (const auto found = xtest::find_window(probe, caption)) {
                window = *found;
                window_seen = Clock::now();
            }
        } else if (!result_seen) {
            const std::string name = xtest::window_name(probe, window);
            if (name != caption && !name.empty()) {
                result_caption = name;
                result_seen = Clock::now();
            }
            if (!close_sent && seconds_between(*window_seen, Clock::now()) > 3) {
                xtest::send_close_request(probe, window);
                close_sent = true;
            }
        }
        if (waitpid(child, &status, WNOHANG) == child) exited = Clock::now();
    }
    if (!exited) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "velmora did not end within 40 s";
    }
    char buffer[512];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(got));
    close(out[0]);
    XCloseDisplay(probe);

    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(window_seen.has_value());
    ASSERT_TRUE(result_seen.has_value()) << "the caption never showed the result";
    EXPECT_TRUE(close_sent);
    EXPECT_TRUE(std::regex_match(result_caption, std::regex("Plasma 10 seconds benchmark - [1-9][0-9]*")))
        << result_caption;
    const double timed = seconds_between(*window_seen, *result_seen);
    const double closing = seconds_between(*result_seen, *exited);
    EXPECT_GT(timed, 9.8);
    EXPECT_LT(timed, 11.5);
    EXPECT_GT(closing, 1.9);
    EXPECT_LT(closing, 3.0);

    // Two lines: the build and presentation path, then the caption's text.
    const std::regex lines("velmora: (double|single) precision, [^\n]*; SDL [^\n]*video driver [^\n]*, renderer [^\n]*\n"
                           "(Plasma 10 seconds benchmark - [0-9]+)\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(output, match, lines)) << output;
    EXPECT_EQ(match[2].str(), result_caption);
}

}  // namespace
