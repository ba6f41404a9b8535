#pragma once
// Loops that run on many values at once take the processor's wider vector
// registers where it has them: DOTSCAPE_WIDE_LOOPS before a function builds
// it twice, and the one for the processor is chosen when the program starts.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define DOTSCAPE_WIDE_LOOPS __attribute__((target_clones("avx2", "default")))
#else
#define DOTSCAPE_WIDE_LOOPS
#endif
