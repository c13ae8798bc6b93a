// Linked into the AVX builds and compiled without AVX: before any other code of the build
// runs (its constructors included), stops with a clear message where the processor or the
// operating system does not support AVX, instead of dying on an illegal instruction.

#include <unistd.h>

namespace {

[[gnu::constructor(101)]] void require_avx() {
    __builtin_cpu_init();
    // libgcc also checks that the operating system saves the AVX registers (XGETBV).
    if (__builtin_cpu_supports("avx")) return;
    static const char message[] = "velmora: this build needs a processor with AVX; run velmora or velmora-single\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

}  // namespace
