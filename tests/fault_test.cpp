// The real velmora binary under hostile conditions, each case on a private X server of its
// own: no display, an 8-bit and a 16-bit screen, resizing and moving by another program
// without a window manager, signals, the X server dying mid-run, and no GL library.
// Failures must be one line on stderr and status 1; nothing may crash or hang.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "core/memory_surface.hpp"
#include "core/plasma_renderer.hpp"
#include "velmora_process.hpp"

namespace {

// An Xvfb of the given depth, with or without openbox, for one test.
class PrivateXServer {
public:
    PrivateXServer(int depth, bool window_manager)
        : state_(std::filesystem::temp_directory_path() /
                 ("velmora-fault-" + std::to_string(getpid()) + "-" + std::to_string(++count_))) {
        const std::string command = script() + " start " + state_.string() + " " + std::to_string(depth) + " " +
                                    (window_manager ? "openbox" : "none");
        started_ = std::system(command.c_str()) == 0;
        std::ifstream file(state_ / "display");
        file >> display_;
    }
    ~PrivateXServer() {
        const std::string command = script() + " stop " + state_.string();
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "stopping the X server failed";
        std::filesystem::remove_all(state_);
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool started() const { return started_ && !display_.empty(); }
    const std::string& display() const { return display_; }
    void kill_now() const {
        std::ifstream file(state_ / "xvfb.pid");
        pid_t pid = 0;
        if (file >> pid) kill(pid, SIGKILL);
    }

private:
    static std::string script() { return "bash " X_SERVER_SCRIPT; }
    static inline int count_ = 0;
    std::filesystem::path state_;
    std::string display_;
    bool started_ = false;
};

void expect_one_line_failure(const xtest::RunResult& run, const std::string& names) {
    ASSERT_TRUE(run.finished) << "no end within the time allowed";
    EXPECT_TRUE(run.exited_with(1)) << "wait status " << run.wait_status;
    EXPECT_EQ(run.stderr_lines(), 1) << run.err;
    EXPECT_NE(run.err.find(names), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("Plasma 10 seconds benchmark - "), std::string::npos);
}

// The last frame velmora showed, as 0xRRGGBB, from the frame count in its caption.
velmora::MemorySurface expected_last_frame(const std::string& caption) {
    const std::int64_t frames = std::stoll(caption.substr(caption.rfind(' ') + 1));
    const auto [r1, r2] = xtest::rand_values_of_frame(frames);
    velmora::PlasmaPalette palette;
    velmora::build_palette<double>(palette);
    velmora::MemorySurface surface(0);
    velmora::draw_plasma<double>(surface.begin_surface_drawing(), palette, velmora::frame_periods(r1, r2));
    return surface;
}

// Compares the 1280 x 720 pixels shown with the frame, channel by channel within `tolerance`.
void expect_shows_frame(const std::vector<std::uint32_t>& shown, const velmora::MemorySurface& frame, int tolerance) {
    ASSERT_EQ(shown.size(), frame.pixels().size()) << "no picture was read";
    int differences = 0;
    for (int y = 0; y < velmora::kSurfaceHeight; ++y) {
        for (int x = 0; x < velmora::kSurfaceWidth; ++x) {
            const std::uint32_t want = (x == 0 || y == 0) ? 0u : frame.pixel(x, y) & 0xFFFFFFu;
            const std::uint32_t got = shown[static_cast<std::size_t>(y * velmora::kSurfaceWidth + x)];
            bool close = true;
            for (int shift : {0, 8, 16}) {
                const int a = static_cast<int>((want >> shift) & 0xFF);
                const int b = static_cast<int>((got >> shift) & 0xFF);
                close = close && std::abs(a - b) <= tolerance;
            }
            if (!close && ++differences <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << got << " not " << want;
            }
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST(Faults, NoDisplayAtAll) {
    xtest::RunOptions options;  // DISPLAY and WAYLAND_DISPLAY unset
    options.give_up_s = 10;
    expect_one_line_failure(xtest::run_velmora(options), "SDL_Init(SDL_INIT_VIDEO) failed");
}

TEST(Faults, EightBitScreenHasNoUsableColourMode) {
    const PrivateXServer server(8, false);
    ASSERT_TRUE(server.started());
    xtest::RunOptions options;
    options.display = server.display();
    options.give_up_s = 10;
    expect_one_line_failure(xtest::run_velmora(options), "no usable colour mode");
}

TEST(Faults, SixteenBitScreenRunsAndShowsTheFrameWithinItsQuantisation) {
    const PrivateXServer server(16, true);
    ASSERT_TRUE(server.started());
    xtest::RunOptions options;
    options.display = server.display();
    options.read_last_frame = true;
    const xtest::RunResult run = xtest::run_velmora(options);
    ASSERT_TRUE(run.exited_with(0)) << run.err;
    ASSERT_TRUE(std::regex_match(run.result_caption, std::regex("Plasma 10 seconds benchmark - [1-9][0-9]*")));
    // 5 bits of red and blue, 6 of green: up to 8 levels of 255 away.
    expect_shows_frame(run.last_frame, expected_last_frame(run.result_caption), 8);
}

TEST(Faults, ResizeAndMoveByAnotherProgramWithoutAWindowManager) {
    const PrivateXServer server(24, false);
    ASSERT_TRUE(server.started());
    xtest::RunOptions options;
    options.display = server.display();
    options.read_last_frame = true;
    bool done = false;
    options.during_run = [&](pid_t, double since_startup_s, Display* probe, Window window) {
        if (!done && window != 0 && since_startup_s > 2) {
            XMoveResizeWindow(probe, window, 40, 30, 1500, 900);
            XSync(probe, False);
            done = true;
        }
    };
    const xtest::RunResult run = xtest::run_velmora(options);
    ASSERT_TRUE(run.exited_with(0)) << run.err;
    ASSERT_TRUE(done);
    EXPECT_EQ(run.geometry_at_result.x, 40);
    EXPECT_EQ(run.geometry_at_result.y, 30);
    EXPECT_EQ(run.geometry_at_result.width, 1500) << "the resize did not take effect";
    expect_shows_frame(run.last_frame, expected_last_frame(run.result_caption), 0);
}

TEST(Faults, SignalsEndTheRunPromptlyByTheirDefaultAction) {
    const PrivateXServer server(24, true);
    ASSERT_TRUE(server.started());
    for (const int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal_number));
        xtest::RunOptions options;
        options.display = server.display();
        options.watch_window = false;
        options.give_up_s = 15;
        std::optional<double> sent_s;
        options.during_run = [&](pid_t pid, double since_startup_s, Display*, Window) {
            if (!sent_s && since_startup_s > 1) {
                kill(pid, signal_number);
                sent_s = since_startup_s;
            }
        };
        const xtest::RunResult run = xtest::run_velmora(options);
        ASSERT_TRUE(run.finished && sent_s);
        ASSERT_TRUE(WIFSIGNALED(run.wait_status)) << "wait status " << run.wait_status << " " << run.err;
        EXPECT_EQ(WTERMSIG(run.wait_status), signal_number);
        EXPECT_FALSE(WCOREDUMP(run.wait_status));
        EXPECT_LT(*run.exit_s - (*run.startup_line_s + *sent_s), 1.0);
    }
}

TEST(Faults, XServerKilledDuringTheRun) {
    const PrivateXServer server(24, false);
    ASSERT_TRUE(server.started());
    xtest::RunOptions options;
    options.display = server.display();
    options.watch_window = false;
    options.give_up_s = 15;
    bool killed = false;
    options.during_run = [&](pid_t, double since_startup_s, Display*, Window) {
        if (!killed && since_startup_s > 1) {
            server.kill_now();
            killed = true;
        }
    };
    const xtest::RunResult run = xtest::run_velmora(options);
    ASSERT_TRUE(killed);
    expect_one_line_failure(run, "lost the connection to the X server");
    EXPECT_LT(*run.exit_s - *run.startup_line_s, 4.0);
}

TEST(Faults, WithoutAGlLibraryTheSoftwarePathRunsAndSaysSo) {
    const PrivateXServer server(24, true);
    ASSERT_TRUE(server.started());
    xtest::RunOptions options;
    options.display = server.display();
    options.watch_window = false;
    // SDL loads the GL library by this name instead of libGL.so.1: a path that does not exist.
    options.environment = {{"SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so.1"}};
    const xtest::RunResult run = xtest::run_velmora(options);
    ASSERT_TRUE(run.exited_with(0)) << run.err;
    EXPECT_NE(run.out.find("renderer software"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("SDL_GL_LoadLibrary failed"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Plasma 10 seconds benchmark - "), std::string::npos);
}

}  // namespace
