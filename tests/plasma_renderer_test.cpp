// Frames of the renderer against the independent model: rounding and ties, whole frames,
// the periods from rand(), and the pixels it must never touch.

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/memory_surface.hpp"
#include "core/plasma_renderer.hpp"
#include "reference_plasma.hpp"

namespace {

using velmora::FramePeriods;
using velmora::MemorySurface;

constexpr std::uint32_t kUntouched = 0xA5A5A5A5u;

reference::Rgb surface_rgb(const MemorySurface& surface, int x, int y) {
    const std::uint32_t word = surface.pixel(x, y);
    return {static_cast<int>((word >> 16) & 0xFF), static_cast<int>((word >> 8) & 0xFF),
            static_cast<int>(word & 0xFF)};
}

velmora::PlasmaPalette built_palette() {
    velmora::PlasmaPalette palette;
    velmora::build_palette<double>(palette);
    return palette;
}

TEST(PlasmaIndex, RoundsHalvesAwayFromZeroAndKeepsTheLowEightBits) {
    struct Case {
        float s1, s2, s3;
        int index;
    };
    // v = 128 s1 + 32 s2 + 64 s3; s1 = v / 128 is exact for these sums.
    const Case cases[] = {
        {-0.5f / 128, 0, 0, 255},  // n = -1
        {-0.4f / 128, 0, 0, 0},    // n = 0
        {0.5f / 128, 0, 0, 1},     {2.5f / 128, 0, 0, 3},  {-2.5f / 128, 0, 0, 253},
        {1, 1, 1, 224},            {-1, -1, -1, 32},       {0, 0, 0, 0},
        {1, 0, 0, 128},            {0, 0.5f, 0.25f, 32},   // 16 + 16
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(128.0 * c.s1 + 32.0 * c.s2 + 64.0 * c.s3);
        EXPECT_EQ(velmora::plasma_index<double>(c.s1, c.s2, c.s3), c.index);
        EXPECT_EQ(velmora::plasma_index<float>(c.s1, c.s2, c.s3), c.index);
    }
}

TEST(FramePeriods, FirstDrawSetsTheColumnPeriodSecondTheRowPeriod) {
    struct Case {
        int r1, r2;
        float column_period, row_period;
    };
    const Case cases[] = {
        {0, 0, 20, 8},     {16, 21, 20, 8},    {15, 20, 35, 28},    {31, 41, 35, 28},
        {17, 22, 21, 9},   {RAND_MAX, RAND_MAX, RAND_MAX % 16 + 20.0f, RAND_MAX % 21 + 8.0f},
    };
    for (const Case& c : cases) {
        const FramePeriods periods = velmora::frame_periods(c.r1, c.r2);
        EXPECT_EQ(periods.column_period, c.column_period) << c.r1;
        EXPECT_EQ(periods.row_period, c.row_period) << c.r2;
    }
}

TEST(PaletteColour, PacksRedGreenBlueIntoTheLowThreeBytes) {
    const velmora::PlasmaPalette palette = built_palette();
    for (const int index : {0, 43, 128, 171, 255}) {
        const reference::Rgb rgb = reference::palette_colour(index);
        EXPECT_EQ(velmora::palette_colour(palette, index),
                  static_cast<std::uint32_t>(rgb.red | rgb.green << 8 | rgb.blue << 16));
    }
}

// Pixels whose exact sums lie on a half-integer or within 2^-16 of one, found by a search
// with the reference model; each decides its index by the tie rule or by the last bits.
struct TiePixel {
    int column_period, row_period, x, y;
};
constexpr TiePixel kTiePixels[] = {
    {20, 8, 1139, 27},  // 1.478e-05 from a half
    {20, 8, 756, 34},  // 9.537e-06 from a half
    {20, 8, 351, 332},  // on a half
    {20, 8, 736, 632},  // on a half
    {27, 13, 592, 42},  // 1.001e-05 from a half
    {27, 13, 842, 79},  // 7.153e-06 from a half
    {27, 13, 312, 299},  // on a half
    {35, 28, 621, 8},  // 8.583e-06 from a half
    {35, 28, 245, 13},  // 7.629e-06 from a half
    {35, 28, 586, 248},  // on a half
    {23, 17, 171, 16},  // 1.335e-05 from a half
    {23, 17, 553, 22},  // 1.335e-05 from a half
    {23, 17, 780, 617},  // on a half
    {31, 11, 1055, 6},  // 9.537e-06 from a half
    {31, 11, 441, 35},  // 1.431e-05 from a half
    {31, 11, 475, 296},  // on a half
    {31, 11, 376, 456},  // on a half
    {24, 8, 82, 13},  // 9.537e-06 from a half
    {24, 8, 773, 42},  // 3.815e-06 from a half
    {24, 8, 887, 394},  // on a half
};

TEST(DoubleFrame, PixelsOnAndNextToHalfIntegersFollowTheExactSum) {
    int on_half = 0;
    for (const TiePixel& pixel : kTiePixels) {
        const long double v = reference::exact_sum(pixel.x, pixel.y, pixel.column_period, pixel.row_period);
        ASSERT_LT(reference::distance_to_half(v), 1.0L / 65536) << "table entry is not near a half";
        on_half += reference::distance_to_half(v) == 0;
        const int index = velmora::plasma_index<double>(
            std::sin(static_cast<float>(pixel.x) / static_cast<float>(pixel.column_period)),
            std::sin(static_cast<float>(pixel.y) / static_cast<float>(pixel.row_period)),
            std::sin(static_cast<float>(pixel.x + pixel.y) / 16.0f));
        EXPECT_EQ(index, reference::index_of_sum(v))
            << "A " << pixel.column_period << " B " << pixel.row_period << " x " << pixel.x << " y " << pixel.y;
    }
    EXPECT_GT(on_half, 0);
}

class WholeFrame : public ::testing::TestWithParam<FramePeriods> {};

TEST_P(WholeFrame, EveryPixelFollowsTheModelAndRowZeroAndColumnZeroStayUntouched) {
    const velmora::PlasmaPalette palette = built_palette();
    MemorySurface surface(kUntouched);
    const FramePeriods periods = GetParam();
    velmora::draw_plasma<double>(surface.begin_surface_drawing(), palette, periods);
    const int a = static_cast<int>(periods.column_period);
    const int b = static_cast<int>(periods.row_period);
    std::vector<reference::Rgb> colours;
    for (int index = 0; index < 256; ++index) colours.push_back(reference::palette_colour(index));
    int mismatches = 0;
    for (int y = 0; y < velmora::kSurfaceHeight; ++y) {
        for (int x = 0; x < velmora::kSurfaceWidth; ++x) {
            if (x == 0 || y == 0) {
                mismatches += surface.pixel(x, y) != kUntouched;
                continue;
            }
            const reference::Rgb expected = colours[static_cast<std::size_t>(reference::pixel_index(x, y, a, b))];
            if (!(surface_rgb(surface, x, y) == expected) && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
            }
            mismatches += (surface.pixel(x, y) >> 24) != 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(SeveralPeriods, WholeFrame,
                         ::testing::Values(FramePeriods{20, 8}, FramePeriods{35, 28}, FramePeriods{27, 13},
                                           FramePeriods{32, 16}, FramePeriods{21, 20}),
                         [](const auto& info) {
                             std::string name = "A";
                             name += std::to_string(static_cast<int>(info.param.column_period));
                             name += "B";
                             name += std::to_string(static_cast<int>(info.param.row_period));
                             return name;
                         });

// Records the frame's protocol; reseeds rand() when drawing opens, so periods drawn before
// begin_surface_drawing would come from another sequence.
class SeedingSurface : public MemorySurface {
public:
    explicit SeedingSurface(unsigned seed) : MemorySurface(kUntouched), seed_(seed) {}
    velmora::DrawingRecord begin_surface_drawing() {
        ++begins;
        std::srand(seed_);
        return MemorySurface::begin_surface_drawing();
    }
    void end_drawing() { ++ends; }
    int begins = 0;
    int ends = 0;

private:
    unsigned seed_;
};

TEST(RenderPlasmaFrame, OpensDrawingThenTakesTwoRandValuesColumnPeriodFirst) {
    const velmora::PlasmaPalette palette = built_palette();
    // A seed whose first two values give different column and row periods when swapped.
    unsigned seed = 1;
    int r1 = 0;
    int r2 = 0;
    for (;; ++seed) {
        std::srand(seed);
        r1 = std::rand();
        r2 = std::rand();
        if (r1 % 16 + 20 != r2 % 16 + 20 || r2 % 21 + 8 != r1 % 21 + 8) break;
    }
    const int r3 = std::rand();
    SeedingSurface surface(seed);
    velmora::render_plasma_frame<double>(surface, palette);
    EXPECT_EQ(std::rand(), r3) << "the frame takes exactly two rand() values";
    EXPECT_EQ(surface.begins, 1);
    EXPECT_EQ(surface.ends, 1);

    MemorySurface expected(kUntouched);
    velmora::draw_plasma<double>(expected.begin_surface_drawing(), palette, velmora::frame_periods(r1, r2));
    EXPECT_TRUE(surface.pixels() == expected.pixels());
}

TEST(DrawingRecord, PlotIsOneStoreOfTheColourWithBits24To31Ignored) {
    std::vector<std::uint32_t> memory(4 * 3, kUntouched);
    const velmora::DrawingRecord drawing{reinterpret_cast<std::uint8_t*>(memory.data()), 4 * 4};
    drawing.plot_pixel(2, 1, 0xFF332211u);  // red 0x11, green 0x22, blue 0x33
    for (std::size_t i = 0; i < memory.size(); ++i) {
        EXPECT_EQ(memory[i], i == 1 * 4 + 2 ? 0x00112233u : kUntouched) << i;
    }
}

}  // namespace

namespace {

// The single-precision build rounds the weighted sum twice in float. Against the exact sum
// that can only matter within 2^-16 of a half-integer, and then by one palette step.
TEST(SingleFrame, DiffersFromTheDoubleFrameOnlyNextToHalfIntegersAndByOneStep) {
    velmora::PlasmaPalette palette;
    velmora::build_palette<float>(palette);
    std::vector<reference::Rgb> colours;
    for (int index = 0; index < 256; ++index) colours.push_back(reference::palette_colour(index));
    MemorySurface single_frame(kUntouched);
    MemorySurface double_frame(kUntouched);

    long total_differences = 0;
    int pairs_without_difference = 0;
    int pairs = 0;
    for (int a = 20; a <= 35; ++a) {
        for (int b = 8; b <= 28; ++b) {
            ++pairs;
            const FramePeriods periods{static_cast<float>(a), static_cast<float>(b)};
            velmora::draw_plasma<float>(single_frame.begin_surface_drawing(), palette, periods);
            velmora::draw_plasma<double>(double_frame.begin_surface_drawing(), palette, periods);
            int differences = 0;
            for (std::size_t i = 0; i < single_frame.pixels().size(); ++i) {
                if (single_frame.pixels()[i] == double_frame.pixels()[i]) continue;
                ++differences;
                const int x = static_cast<int>(i % velmora::kSurfaceWidth);
                const int y = static_cast<int>(i / velmora::kSurfaceWidth);
                const long double v = reference::exact_sum(x, y, a, b);
                const int exact_index = reference::index_of_sum(v);
                const reference::Rgb got = surface_rgb(single_frame, x, y);
                EXPECT_LE(reference::distance_to_half(v), 1.0L / 65536)
                    << "A " << a << " B " << b << " (" << x << ", " << y << ")";
                EXPECT_TRUE(got == colours[static_cast<std::size_t>((exact_index + 1) % 256)] ||
                            got == colours[static_cast<std::size_t>((exact_index + 255) % 256)])
                    << "A " << a << " B " << b << " (" << x << ", " << y << ") is not one step away";
            }
            total_differences += differences;
            pairs_without_difference += differences == 0;
        }
    }
    const double average = static_cast<double>(total_differences) / pairs;
    std::printf("single against double over %d period pairs: %.2f pixels a frame, %d pairs with none\n", pairs,
                average, pairs_without_difference);
    EXPECT_EQ(pairs, 336);
    EXPECT_GT(average, 2.0);
    EXPECT_LT(average, 8.0);
    EXPECT_GT(pairs_without_difference, 0);
}

}  // namespace
