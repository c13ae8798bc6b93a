// A surface in plain memory, drawn through the same DrawingRecord as the display's surface.
// Used by the compute floor and by tests; allocates once, when constructed.
#pragma once

#include <cstdint>
#include <vector>

#include "core/drawing_record.hpp"

namespace velmora {

class MemorySurface {
public:
    explicit MemorySurface(std::uint32_t fill = 0)
        : pixels_(static_cast<std::size_t>(kSurfaceWidth) * kSurfaceHeight, fill) {}

    DrawingRecord begin_surface_drawing() {
        return {reinterpret_cast<std::uint8_t*>(pixels_.data()), std::int64_t{kSurfaceWidth} * kSurfaceBytesPerPixel};
    }
    void end_drawing() {}

    // The stored pixel word (blue in the low byte) at column x, row y.
    std::uint32_t pixel(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * std::size_t{kSurfaceWidth} + static_cast<std::size_t>(x)];
    }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

private:
    std::vector<std::uint32_t> pixels_;
};

}  // namespace velmora
