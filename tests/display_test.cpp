// The display layer under a real X server with a window manager: the window's size, place
// and hints as another program sees them, and the picture read back from the window.

#include <gtest/gtest.h>

#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "core/benchmark_run.hpp"
#include "core/memory_surface.hpp"
#include "core/plasma_renderer.hpp"
#include "display/sdl_display.hpp"
#include "x_test_support.hpp"

namespace {

using velmora::kSurfaceHeight;
using velmora::kSurfaceWidth;

constexpr velmora::FramePeriods kPeriods{27, 13};

class DisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string name = xtest::test_display_name();
        ASSERT_FALSE(name.empty()) << "no X display for the tests";
        setenv("DISPLAY", name.c_str(), 1);
        probe = xtest::open_test_display();
        ASSERT_NE(probe, nullptr) << "cannot open " << name;

        display = std::make_unique<velmora::SdlDisplay>();
        display->init_services();
        display->init_render_screen();
        display->open_main_window(velmora::kWindowCaption);
        display->open_render_screen(display->main_window_handle());
        display->create_surface();
        settle();

        velmora::build_palette<double>(palette);
        expected = std::make_unique<velmora::MemorySurface>(0);
        velmora::draw_plasma<double>(expected->begin_surface_drawing(), palette, kPeriods);
        velmora::draw_plasma<double>(display->begin_surface_drawing(), palette, kPeriods);
        display->end_drawing();
        display->copy_surface_to_screen();
        display->present_screen();

        const auto found = xtest::find_window(probe, std::string(velmora::kWindowCaption));
        ASSERT_TRUE(found.has_value()) << "window not found by its caption";
        window = *found;
    }
    static void TearDownTestSuite() {
        display.reset();
        if (probe != nullptr) XCloseDisplay(probe);
        probe = nullptr;
    }

    // Lets the window manager and the window exchange what they have to, as the run's drain does.
    static void settle() {
        for (int round = 0; round < 10; ++round) {
            while (display->poll_window_event() != 0) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // Compares the window's top-left 1280 x 720 pixels with the expected surface.
    static void expect_window_shows_the_frame() {
        const std::vector<std::uint32_t> shown = xtest::read_pixels(probe, window, kSurfaceWidth, kSurfaceHeight);
        ASSERT_EQ(shown.size(), expected->pixels().size());
        int differences = 0;
        for (int y = 0; y < kSurfaceHeight; ++y) {
            for (int x = 0; x < kSurfaceWidth; ++x) {
                const std::uint32_t want = (x == 0 || y == 0) ? 0u : expected->pixel(x, y) & 0xFFFFFFu;
                const std::uint32_t got = shown[static_cast<std::size_t>(y * kSurfaceWidth + x)];
                if (got != want && ++differences <= 5) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << got << " not " << want;
                }
            }
        }
        EXPECT_EQ(differences, 0);
    }

    static inline Display* probe = nullptr;
    static inline Window window = 0;
    static inline std::unique_ptr<velmora::SdlDisplay> display;
    static inline velmora::PlasmaPalette palette;
    static inline std::unique_ptr<velmora::MemorySurface> expected;
};

TEST_F(DisplayTest, ClientAreaIsExactly1280By720AndTheOuterFrameIsCentred) {
    const xtest::Geometry client = xtest::client_geometry(probe, window);
    EXPECT_EQ(client.width, 1280);
    EXPECT_EQ(client.height, 720);

    std::vector<unsigned long> extents = xtest::cardinals(probe, window, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(extents.size(), 4u) << "the window manager published no frame extents";
    const int left = static_cast<int>(extents[0]);
    const int right = static_cast<int>(extents[1]);
    const int top = static_cast<int>(extents[2]);
    const int bottom = static_cast<int>(extents[3]);
    EXPECT_GT(top, 0) << "a title bar was asked for";
    const int screen_width = DisplayWidth(probe, DefaultScreen(probe));
    const int screen_height = DisplayHeight(probe, DefaultScreen(probe));
    const int outer_width = 1280 + left + right;
    const int outer_height = 720 + top + bottom;
    EXPECT_EQ(client.x - left, (screen_width - outer_width) / 2);
    EXPECT_EQ(client.y - top, (screen_height - outer_height) / 2);
}

TEST_F(DisplayTest, AsksForTitleAndBorderOnlyMoveOnlyAndAFixedSize) {
    const std::vector<unsigned long> motif = xtest::cardinals(probe, window, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[0], 1u | 2u) << "functions and decorations given";
    EXPECT_EQ(motif[1], 4u) << "move only";
    EXPECT_EQ(motif[2], 2u | 8u) << "border and title";

    XSizeHints hints{};
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(probe, window, &hints, &supplied), 0);
    ASSERT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
    EXPECT_EQ(hints.min_width, 1280);
    EXPECT_EQ(hints.max_width, 1280);
    EXPECT_EQ(hints.min_height, 720);
    EXPECT_EQ(hints.max_height, 720);
}

TEST_F(DisplayTest, WindowShowsTheSurfacePixelForPixelWithRowZeroAndColumnZeroBlack) {
    expect_window_shows_the_frame();
}

TEST_F(DisplayTest, AResizeByAnotherProgramNeitherScalesNorMovesThePicture) {
    const xtest::Geometry before = xtest::client_geometry(probe, window);
    XResizeWindow(probe, window, 1500, 900);
    XSync(probe, False);
    settle();
    const xtest::Geometry after = xtest::client_geometry(probe, window);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    expect_window_shows_the_frame();

    XResizeWindow(probe, window, 1280, 720);
    XSync(probe, False);
    settle();
}

TEST_F(DisplayTest, ARepaintRequestShowsTheLastFrameAgain) {
    // Cover the window with another one and take it away: X discards the covered pixels
    // and asks the window to repaint them.
    Window cover = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 1920, 1080, 0, 0, 0xFFFFFF);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(probe, cover, CWOverrideRedirect, &attributes);
    XMapRaised(probe, cover);
    XSync(probe, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XDestroyWindow(probe, cover);
    XSync(probe, False);
    settle();
    expect_window_shows_the_frame();
}

}  // namespace
