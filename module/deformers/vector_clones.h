#pragma once

// Marks a function over many points to be compiled twice, for the baseline x86-64 and for AVX2,
// the better one chosen when the module loads: the deformers' loops run on twice the lanes
// where the processor has them.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TOLVIR_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TOLVIR_VECTOR_CLONES
#endif
