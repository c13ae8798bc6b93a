// An independent model of the plasma for tests: palette from long-double sinl, pixel sums in
// long double (exact for these magnitudes), rounding through floorl, index by true modulo.
// It shares only the C library's sinf with the code under test.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace reference {

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb&) const = default;
};

inline int palette_entry(int channel, int index) {
    const long double pi = 3.14159265358979323846264338327950288L;
    const long double rate = channel == 0 ? 32.0L : channel == 1 ? 64.0L : 128.0L;
    return static_cast<int>(std::floor(128.0L - 127.0L * std::sin(index * pi / rate) + 0.5L));
}

inline Rgb palette_colour(int index) {
    return {palette_entry(0, index), palette_entry(1, index), palette_entry(2, index)};
}

inline float nearest_float_quotient(long double numerator, long double denominator) {
    return static_cast<float>(numerator / denominator);
}

// The exact weighted sum of the three single-precision sines of pixel (x, y).
inline long double exact_sum(int x, int y, int column_period, int row_period) {
    const float s1 = std::sin(nearest_float_quotient(x, column_period));
    const float s2 = std::sin(nearest_float_quotient(y, row_period));
    const float s3 = std::sin(nearest_float_quotient(x + y, 16));
    return 128.0L * s1 + 32.0L * s2 + 64.0L * s3;
}

inline long long round_half_away(long double v) {
    return v >= 0 ? static_cast<long long>(std::floor(v + 0.5L)) : -static_cast<long long>(std::floor(-v + 0.5L));
}

inline int index_of_sum(long double v) {
    return static_cast<int>(((round_half_away(v) % 256) + 256) % 256);
}

inline int pixel_index(int x, int y, int column_period, int row_period) {
    return index_of_sum(exact_sum(x, y, column_period, row_period));
}

// Distance of v from the nearest half-integer.
inline long double distance_to_half(long double v) {
    const long double shifted = v - 0.5L;
    return std::fabs(shifted - std::round(shifted));
}

}  // namespace reference
