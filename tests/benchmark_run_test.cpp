// The run's order of calls and its counting rule, driven by a scripted clock and a
// recording platform; no real time passes.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core/benchmark_run.hpp"
#include "core/memory_surface.hpp"

namespace {

struct Handle {
    int id;
};

class RecordingPlatform {
public:
    RecordingPlatform(int pending_events, std::deque<std::int64_t> clock_readings)
        : pending_events_(pending_events), clock_(std::move(clock_readings)) {}

    void init_services() { calls.push_back("init_services"); }
    void init_render_screen() { calls.push_back("init_render_screen"); }
    void open_main_window(std::string_view caption) { calls.push_back("open_main_window " + std::string(caption)); }
    Handle main_window_handle() {
        calls.push_back("main_window_handle");
        return {42};
    }
    void open_render_screen(Handle handle) { calls.push_back("open_render_screen " + std::to_string(handle.id)); }
    void create_surface() { calls.push_back("create_surface"); }
    std::int64_t poll_window_event() {
        calls.push_back("poll");
        if (pending_events_ == 0) return 0;
        --pending_events_;
        return 0x200;
    }
    std::int64_t milliseconds_now() {
        calls.push_back("now");
        EXPECT_FALSE(clock_.empty()) << "the run read the clock more often than scripted";
        if (clock_.empty()) return INT64_MAX / 2;
        const std::int64_t reading = clock_.front();
        clock_.pop_front();
        return reading;
    }
    velmora::DrawingRecord begin_surface_drawing() {
        calls.push_back("begin");
        return surface_.begin_surface_drawing();
    }
    void end_drawing() { calls.push_back("end"); }
    void copy_surface_to_screen() { calls.push_back("copy"); }
    void present_screen() { calls.push_back("present"); }
    void set_window_caption(std::string_view caption) { calls.push_back("caption " + std::string(caption)); }
    void pause_ms(std::int64_t duration_ms) { calls.push_back("pause " + std::to_string(duration_ms)); }
    void release_display() { calls.push_back("release_display"); }
    void release_services() { calls.push_back("release_services"); }

    std::vector<std::string> calls;
    bool clock_used_up() const { return clock_.empty(); }

private:
    int pending_events_;
    std::deque<std::int64_t> clock_;
    velmora::MemorySurface surface_;
};

std::vector<std::string> frame_calls() { return {"poll", "begin", "end", "copy", "present", "now"}; }

TEST(BenchmarkRun, CallsThePlatformInItsFixedOrder) {
    RecordingPlatform platform(3, {500, 9000, 10501});
    const std::int64_t frames = velmora::run_benchmark<double>(platform);
    EXPECT_EQ(frames, 2);

    std::vector<std::string> expected = {"init_services", "init_render_screen",
                                         "open_main_window Plasma 10 seconds benchmark", "main_window_handle",
                                         "open_render_screen 42", "create_surface",
                                         "poll", "poll", "poll", "poll",  // three pending, then none
                                         "now"};
    for (int frame = 0; frame < 2; ++frame) {
        for (const std::string& call : frame_calls()) expected.push_back(call);
    }
    for (const char* call : {"caption Plasma 10 seconds benchmark - 2", "pause 2000", "release_display",
                             "release_services"}) {
        expected.emplace_back(call);
    }
    EXPECT_EQ(platform.calls, expected);
}

TEST(BenchmarkRun, CountsTheFrameDuringWhichTheDeadlinePasses) {
    struct Case {
        const char* name;
        std::deque<std::int64_t> clock;  // first reading sets the deadline, then one per frame
        std::int64_t frames;
    };
    const Case cases[] = {
        {"first frame ends after the deadline", {0, 10001}, 1},
        {"first frame ends long after it", {7, 50000}, 1},
        {"a reading equal to the deadline starts another frame", {0, 10000, 10001}, 2},
        {"readings up to the deadline, then past it", {100, 2000, 6000, 10099, 10100, 10101}, 5},
        {"a clock that does not move for a while", {0, 0, 0, 0, 10001}, 4},
        {"a clock far from zero", {1'000'000'000'000, 1'000'000'010'000, 1'000'000'010'001}, 2},
    };
    for (const Case& c : cases) {
        RecordingPlatform platform(0, c.clock);
        EXPECT_EQ(velmora::run_benchmark<double>(platform), c.frames) << c.name;
        EXPECT_TRUE(platform.clock_used_up()) << c.name;
        EXPECT_NE(std::find(platform.calls.begin(), platform.calls.end(),
                            "caption Plasma 10 seconds benchmark - " + std::to_string(c.frames)),
                  platform.calls.end())
            << c.name;
    }
}

TEST(ResultCaption, PrefixThenPlainDecimalDigits) {
    struct Case {
        std::int64_t count;
        const char* text;
    };
    const Case cases[] = {
        {0, "Plasma 10 seconds benchmark - 0"},
        {1, "Plasma 10 seconds benchmark - 1"},
        {1079, "Plasma 10 seconds benchmark - 1079"},
        {1234567, "Plasma 10 seconds benchmark - 1234567"},
        {-42, "Plasma 10 seconds benchmark - -42"},
        {INT64_MAX, "Plasma 10 seconds benchmark - 9223372036854775807"},
    };
    for (const Case& c : cases) EXPECT_EQ(velmora::result_caption(c.count), c.text);
    EXPECT_EQ(velmora::kResultPrefix.size(), 30u);
}

}  // namespace
