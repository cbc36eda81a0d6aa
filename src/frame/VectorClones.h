// VectorClones: lets a small arithmetic loop use wider vectors where the CPU has them.
#pragma once

// Put before a function whose loop the compiler vectorises: it is built for the baseline,
// for AVX2 and for AVX-512 (x86-64-v4), and the loader picks the widest the CPU runs.
// The loops it is used on give the same bits at every width. Only with GCC on x86-64
// Linux, where the loader supports this; elsewhere the baseline alone.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__) && !defined(__clang__)
#define PRISMWARP_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define PRISMWARP_VECTOR_CLONES
#endif
