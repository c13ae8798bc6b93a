// Builds the plasma colour table in either precision.

#include "core/palette.hpp"

#include <cmath>

namespace velmora {
namespace {

// Rate of each channel's sine, per palette index, as a fraction of pi.
constexpr double kChannelRate[kPaletteChannels] = {1.0 / 32.0, 1.0 / 64.0, 1.0 / 128.0};

std::int64_t palette_entry(double /*precision tag*/, int index, int channel) {
    constexpr double pi = 3.141592653589793;
    const auto angle = static_cast<float>(index * pi * kChannelRate[channel]);
    const float sine = std::sin(angle);
    const auto level = static_cast<float>(128.0 - 127.0 * static_cast<double>(sine));
    return static_cast<std::int64_t>(static_cast<double>(level) + 0.5);
}

std::int64_t palette_entry(float /*precision tag*/, int index, int channel) {
    constexpr float pi = 3.141593f;
    const auto rate = static_cast<float>(kChannelRate[channel]);
    const float angle = static_cast<float>(index) * pi * rate;
    const float sine = std::sin(angle);
    const float level = 128.0f - 127.0f * sine;
    return static_cast<std::int64_t>(level + 0.5f);
}

}  // namespace

template <typename Real>
void build_palette(PlasmaPalette& palette) {
    for (int index = 0; index < kPaletteIndices; ++index) {
        for (int channel = 0; channel < kPaletteChannels; ++channel) {
            palette.entries[palette_position(channel, index)] = palette_entry(Real{}, index, channel);
        }
    }
}

template void build_palette<double>(PlasmaPalette&);
template void build_palette<float>(PlasmaPalette&);

}  // namespace velmora
