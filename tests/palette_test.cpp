// The palette against its published rows and against an independent long-double model.

#include <gtest/gtest.h>

#include "core/palette.hpp"
#include "reference_plasma.hpp"

namespace {

template <typename Real>
class PaletteTest : public ::testing::Test {
protected:
    PaletteTest() { velmora::build_palette<Real>(palette); }
    velmora::PlasmaPalette palette;
};
using Precisions = ::testing::Types<double, float>;
TYPED_TEST_SUITE(PaletteTest, Precisions);

struct TellingRow {
    int index, red, green, blue;
};
constexpr TellingRow kTellingRows[] = {
    {0, 128, 128, 128}, {1, 116, 122, 125},  {8, 38, 79, 103},   {16, 1, 38, 79},    {32, 128, 1, 38},
    {43, 240, 19, 17},  {48, 255, 38, 11},   {64, 128, 128, 1},  {96, 128, 255, 38}, {128, 128, 128, 128},
    {171, 240, 19, 239}, {192, 128, 128, 255}, {255, 140, 134, 131},
};

TYPED_TEST(PaletteTest, MatchesTheTellingRows) {
    for (const TellingRow& row : kTellingRows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(this->palette.entry(0, row.index), row.red);
        EXPECT_EQ(this->palette.entry(1, row.index), row.green);
        EXPECT_EQ(this->palette.entry(2, row.index), row.blue);
    }
}

TYPED_TEST(PaletteTest, EveryEntryIsTheNearestIntegerOfTheExactCurve) {
    for (int channel = 0; channel < 3; ++channel) {
        for (int index = 0; index < 256; ++index) {
            ASSERT_EQ(this->palette.entry(channel, index), reference::palette_entry(channel, index))
                << "channel " << channel << " index " << index;
        }
    }
}

TYPED_TEST(PaletteTest, StoredChannelByChannel) {
    EXPECT_EQ(this->palette.entries[0 * 256 + 48], 255);  // red 48
    EXPECT_EQ(this->palette.entries[1 * 256 + 96], 255);  // green 96
    EXPECT_EQ(this->palette.entries[2 * 256 + 192], 255); // blue 192
}

}  // namespace
