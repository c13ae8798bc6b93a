// The plasma's 256-entry colour table: three channels stored one after another.
// Pure arithmetic over the C library's sinf; nothing here knows about windows or SDL.
#pragma once

#include <array>
#include <cstdint>

namespace velmora {

inline constexpr int kPaletteIndices = 256;
inline constexpr int kPaletteChannels = 3;  // 0 red, 1 green, 2 blue

// Where entry (channel, index) lies: channel * 256 + index.
constexpr std::size_t palette_position(int channel, int index) {
    return static_cast<std::size_t>(channel) * std::size_t{kPaletteIndices} + static_cast<std::size_t>(index);
}

struct PlasmaPalette {
    // Channel by channel; every entry is 1..255 once built.
    std::array<std::int64_t, std::size_t{kPaletteChannels} * std::size_t{kPaletteIndices}> entries{};

    std::int64_t entry(int channel, int index) const { return entries[palette_position(channel, index)]; }
};

// Fills every entry: round(128 - 127 * sin(i * pi * k)) with k = 1/32, 1/64, 1/128 for red,
// green, blue. Real = double evaluates in double precision with the double nearest pi; Real =
// float carries every step in single precision with pi as the float nearest 3.141593.
// Both give the same table.
template <typename Real>
void build_palette(PlasmaPalette& palette);

extern template void build_palette<double>(PlasmaPalette&);
extern template void build_palette<float>(PlasmaPalette&);

}  // namespace velmora
