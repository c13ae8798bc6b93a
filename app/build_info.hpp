// What this executable was built as: precision, instruction set, compiler and flags.
// Compiled into each build with that build's own settings.
#pragma once

#include <string>

namespace velmora {

#if defined(VELMORA_SINGLE_PRECISION)
using BuildReal = float;
#else
using BuildReal = double;
#endif

inline std::string build_description() {
    std::string text = sizeof(BuildReal) == sizeof(float) ? "single precision" : "double precision";
#if defined(__AVX__)
    text += ", x86-64 AVX";
#else
    text += ", x86-64 SSE2";
#endif
#if defined(__clang__)
    text += ", clang " + std::to_string(__clang_major__) + "." + std::to_string(__clang_minor__) + "." +
            std::to_string(__clang_patchlevel__);
#elif defined(__GNUC__)
    text += ", gcc " __VERSION__;
#endif
#if defined(VELMORA_BUILD_FLAGS)
    text += ", flags " VELMORA_BUILD_FLAGS;
#endif
    return text;
}

}  // namespace velmora
