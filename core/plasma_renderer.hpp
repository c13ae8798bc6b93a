// The benchmark's workload: every pixel of a frame from three sine waves and the palette,
// each handed to plot_pixel on its own. Precision is the template parameter Real (double
// or float); the sines and their arguments are single precision in both.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/drawing_record.hpp"
#include "core/palette.hpp"

namespace velmora {

struct FramePeriods {
    float column_period;  // A: divides the column x; 20..35
    float row_period;     // B: divides the row y; 8..28
};

// r1 and r2 are two successive rand() values, r1 drawn first.
constexpr FramePeriods frame_periods(int r1, int r2) {
    return {static_cast<float>(r1 % 16 + 20), static_cast<float>(r2 % 21 + 8)};
}

// Nearest integer, halves away from zero, in the value's own precision.
inline std::int64_t round_half_away(double v) {
    return v >= 0.0 ? static_cast<std::int64_t>(v + 0.5) : static_cast<std::int64_t>(v - 0.5);
}
inline std::int64_t round_half_away(float v) {
    return v >= 0.0f ? static_cast<std::int64_t>(v + 0.5f) : static_cast<std::int64_t>(v - 0.5f);
}

// Palette index for the three sines of one pixel. In double the weighted sum is exact; in
// float it is rounded after the first two terms and again after the third.
template <typename Real>
inline int plasma_index(float s1, float s2, float s3) {
    const Real partial = Real{128} * static_cast<Real>(s1) + Real{32} * static_cast<Real>(s2);
    const Real sum = partial + Real{64} * static_cast<Real>(s3);
    return static_cast<int>(round_half_away(sum) & 255);
}

inline PackedRgb palette_colour(const PlasmaPalette& palette, int index) {
    return static_cast<PackedRgb>(palette.entry(0, index)) | static_cast<PackedRgb>(palette.entry(1, index)) << 8 |
           static_cast<PackedRgb>(palette.entry(2, index)) << 16;
}

// Plots columns 1..1279 of rows 1..719, row by row; row 0 and column 0 are never drawn.
template <typename Real>
void draw_plasma(const DrawingRecord& drawing, const PlasmaPalette& palette, FramePeriods periods) {
    for (std::int64_t y = 1; y < kSurfaceHeight; ++y) {
        const float s2 = std::sin(static_cast<float>(y) / periods.row_period);
        for (std::int64_t x = 1; x < kSurfaceWidth; ++x) {
            const float s1 = std::sin(static_cast<float>(x) / periods.column_period);
            const float s3 = std::sin(static_cast<float>(x + y) / 16.0f);
            drawing.plot_pixel(x, y, palette_colour(palette, plasma_index<Real>(s1, s2, s3)));
        }
    }
}

// One frame: open drawing on the surface, draw the periods from rand() (never seeded here),
// plot, close drawing. Surface provides DrawingRecord begin_surface_drawing() and end_drawing().
template <typename Real, typename Surface>
void render_plasma_frame(Surface& surface, const PlasmaPalette& palette) {
    const DrawingRecord drawing = surface.begin_surface_drawing();
    const int r1 = std::rand();
    const int r2 = std::rand();
    draw_plasma<Real>(drawing, palette, frame_periods(r1, r2));
    surface.end_drawing();
}

}  // namespace velmora
