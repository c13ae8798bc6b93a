// Texts of the benchmark run.

#include "core/benchmark_run.hpp"

namespace velmora {

std::string result_caption(std::int64_t frame_count) {
    return std::string(kResultPrefix) + std::to_string(frame_count);
}

}  // namespace velmora
