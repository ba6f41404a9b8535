#pragma once
// Loops that run on many values at once take the processor's wider vector
// registers where it has them: DOTSCAPE_WIDE_LOOPS before a function builds
// it twice, and the one for the processor is chosen when the program starts.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define DOTSCAPE_WIDE_LOOPS __attribute__((target_clones("avx2", "default")))
#else
#define DOTSCAPE_WIDE_LOOPS
#endif

// Kernels written out for 256-bit registers: DOTSCAPE_AVX2 before a function
// builds it for them (with either compiler), and wideKernels() tells whether
// the processor has them, so that the caller takes that function or its
// portable twin. DOTSCAPE_PORTABLE_LOOPS=1 in the environment keeps to the
// portable twins, to check them on any processor.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DOTSCAPE_HAVE_AVX2 1
#define DOTSCAPE_AVX2 __attribute__((target("avx2")))
#include <cstdlib>
#include <cstring>

namespace engine {

inline bool wideKernels()
{
    static const bool wide = [] {
        const char* portable = std::getenv("DOTSCAPE_PORTABLE_LOOPS");
        if (portable && std::strcmp(portable, "1") == 0)
            return false;
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return wide;
}

} // namespace engine
#else
#define DOTSCAPE_HAVE_AVX2 0
namespace engine {
inline bool wideKernels()
{
    return false;
}
} // namespace engine
#endif
