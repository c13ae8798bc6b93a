// Counts every heap allocation (malloc and friends, which operator new and SDL, Xlib and
// Mesa all reach) during the timed loop of a real run on the display layer, after its
// first frame, and who made it. The clock is scripted so the run is 30 frames long.
// libxcb and libX11 allocate a buffer for each reply of an X round trip and free it at
// once (SDL waits for the X server after each present); those are counted apart.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/benchmark_run.hpp"
#include "display/sdl_display.hpp"
#include "x_test_support.hpp"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
constexpr long kCallerCapacity = 1 << 16;
void* callers[kCallerCapacity];  // the code that called the allocator, in order

[[gnu::always_inline]] inline void note_allocation(void* caller) {
    if (!counting.load(std::memory_order_relaxed)) return;
    const long seen = allocations.fetch_add(1, std::memory_order_relaxed);
    if (seen < kCallerCapacity) callers[seen] = caller;
}

struct Attribution {
    long x_protocol = 0;  // reply buffers inside libxcb / libX11
    long other = 0;
    std::string others;   // where the first few others came from
};

Attribution attribute_allocations() {
    Attribution result;
    for (long i = 0; i < std::min(allocations.load(), kCallerCapacity); ++i) {
        Dl_info info{};
        const bool known = dladdr(callers[i], &info) != 0 && info.dli_fname != nullptr;
        const std::string library = known ? info.dli_fname : "?";
        if (library.find("libxcb") != std::string::npos || library.find("libX11") != std::string::npos) {
            ++result.x_protocol;
            continue;
        }
        if (++result.other <= 8) {
            std::ostringstream text;
            text << "\n  allocated from " << (known && info.dli_sname ? info.dli_sname : "?") << " in " << library;
            result.others += text.str();
        }
    }
    return result;
}
}  // namespace

// These replace the C library's entry points for the whole process, libraries included.
extern "C" {
void* malloc(std::size_t size) {
    note_allocation(__builtin_return_address(0));
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    note_allocation(__builtin_return_address(0));
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
    note_allocation(__builtin_return_address(0));
    return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    note_allocation(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    note_allocation(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    note_allocation(__builtin_return_address(0));
    *out = __libc_memalign(alignment, size);
    return *out != nullptr ? 0 : 12;  // ENOMEM
}
}

namespace {

constexpr int kFrames = 30;

// The real display layer with a clock that ends the run after kFrames frames; counting is on
// from the first frame's closing reading to the last one.
class CountingPlatform : public velmora::SdlDisplay {
public:
    std::int64_t milliseconds_now() {
        // Reading 0 sets the deadline, reading n closes frame n; the loop ends at the last.
        counting = readings_ >= 1 && readings_ < kFrames;
        const std::int64_t now = readings_ < kFrames ? 0 : velmora::kTimedRun_ms + 1;
        ++readings_;
        return now;
    }
    void pause_ms(std::int64_t) const {}

private:
    int readings_ = 0;
};

TEST(Allocations, NoneInTheTimedLoopAfterTheFirstFrame) {
    const std::string name = xtest::test_display_name();
    ASSERT_FALSE(name.empty());
    setenv("DISPLAY", name.c_str(), 1);
    CountingPlatform platform;
    EXPECT_EQ(velmora::run_benchmark<double>(platform), kFrames);
    ASSERT_LT(allocations.load(), kCallerCapacity);
    const Attribution found = attribute_allocations();
    EXPECT_EQ(found.other, 0) << found.others;
    std::printf("allocations in %d frames: %ld, all of them X reply buffers in libxcb/libX11\n", kFrames - 1,
                found.x_protocol);
    RecordProperty("x_reply_allocations", static_cast<int>(found.x_protocol));
}

}  // namespace
