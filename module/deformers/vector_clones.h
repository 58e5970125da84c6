#pragma once

// Marks a function over many points to be compiled for the baseline x86-64, for AVX2 and for
// AVX-512, the widest the processor has chosen when the module loads: the deformers' loops run
// on two, four or eight lanes.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TOLVIR_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TOLVIR_VECTOR_CLONES
#endif
