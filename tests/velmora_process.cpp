// Launching and watching the real velmora binary for the end-to-end and fault tests.

#include "velmora_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace xtest {
namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void drain(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) return;
        into.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

bool RunResult::exited_with(int status) const {
    return finished && WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == status;
}

int RunResult::stderr_lines() const {
    int lines = 0;
    for (char c : err) lines += c == '\n';
    return lines + (!err.empty() && err.back() != '\n');
}

RunResult run_velmora(const RunOptions& options) {
    RunResult result;
    const char* binary = std::getenv("VELMORA_BINARY");
    if (binary == nullptr) {
        result.err = "VELMORA_BINARY is not set";
        return result;
    }
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
    const auto started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        unsetenv("WAYLAND_DISPLAY");
        if (options.display.empty()) {
            unsetenv("DISPLAY");
        } else {
            setenv("DISPLAY", options.display.c_str(), 1);
        }
        for (const auto& [name, value] : options.environment) setenv(name.c_str(), value.c_str(), 1);
        execl(binary, binary, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    fcntl(err[0], F_SETFL, O_NONBLOCK);

    Display* probe = nullptr;
    if (options.watch_window && !options.display.empty()) {
        setenv("DISPLAY", options.display.c_str(), 1);
        probe = open_test_display();
    }
    const std::string caption = "Plasma 10 seconds benchmark";
    Window window = 0;
    while (!result.finished && seconds_since(started) < options.give_up_s) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        poll(fds, 2, 10);
        drain(out[0], result.out);
        drain(err[0], result.err);
        if (!result.startup_line_s && result.out.find('\n') != std::string::npos) {
            result.startup_line_s = seconds_since(started);
        }
        if (probe != nullptr) {
            if (window == 0) {
                if (const auto found = find_window(probe, caption)) {
                    window = *found;
                    result.window_s = seconds_since(started);
                }
            } else if (!result.result_s) {
                const std::string name = window_name(probe, window);
                if (!name.empty() && name != caption) {
                    result.result_caption = name;
                    result.result_s = seconds_since(started);
                    result.geometry_at_result = client_geometry(probe, window);
                    if (options.read_last_frame) result.last_frame = read_pixels(probe, window, 1280, 720);
                }
            }
        }
        if (options.during_run) {
            const double since_startup = result.startup_line_s ? seconds_since(started) - *result.startup_line_s : -1;
            options.during_run(child, since_startup, probe, window);
        }
        if (waitpid(child, &result.wait_status, WNOHANG) == child) {
            result.finished = true;
            result.exit_s = seconds_since(started);
        }
    }
    if (!result.finished) {
        kill(child, SIGKILL);
        waitpid(child, &result.wait_status, 0);
    }
    drain(out[0], result.out);
    drain(err[0], result.err);
    close(out[0]);
    close(err[0]);
    if (probe != nullptr) XCloseDisplay(probe);
    return result;
}

std::pair<int, int> rand_values_of_frame(std::int64_t frame) {
    std::srand(1);
    int first = 0;
    int second = 0;
    for (std::int64_t i = 0; i < frame; ++i) {
        first = std::rand();
        second = std::rand();
    }
    return {first, second};
}

}  // namespace xtest
