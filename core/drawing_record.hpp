// The open drawing on a surface: where its pixels lie and how one pixel is stored.
// The display layer fills it from locked surface memory; tests and the compute floor from
// plain memory. plot_pixel is the whole per-pixel cost of drawing: one store, no checks.
#pragma once

#include <cstdint>
#include <cstring>

namespace velmora {

// A colour as the renderer forms it: red in bits 0-7, green 8-15, blue 16-23.
using PackedRgb = std::uint32_t;

inline constexpr int kSurfaceWidth = 1280;
inline constexpr int kSurfaceHeight = 720;
inline constexpr int kSurfaceBytesPerPixel = 4;

// Surface pixels are 32-bit words holding blue in bits 0-7, green 8-15, red 16-23 and
// nothing in 24-31 (SDL_PIXELFORMAT_RGB888, X11's usual 24-bit TrueColor layout), so the
// copy to an X11 window needs no conversion. Bits 24-31 of the colour are ignored.
constexpr std::uint32_t surface_pixel_from_rgb(PackedRgb colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

struct DrawingRecord {
    std::uint8_t* pixels = nullptr;  // the surface's top-left pixel (the drawing origin)
    std::int64_t pitch_bytes = 0;    // bytes from one row to the next

    // Column x, row y; only their low 32 bits are used. Callers keep them on the surface.
    void plot_pixel(std::int64_t x, std::int64_t y, PackedRgb colour) const {
        const std::uint32_t value = surface_pixel_from_rgb(colour);
        std::uint8_t* target = pixels + std::int64_t{static_cast<std::int32_t>(y)} * pitch_bytes +
                               std::int64_t{static_cast<std::int32_t>(x)} * kSurfaceBytesPerPixel;
        std::memcpy(target, &value, sizeof value);
    }
};

}  // namespace velmora
