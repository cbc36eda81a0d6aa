// VectorClones: lets a small arithmetic loop use wider vectors where the CPU has them.
#pragma once

// Put before a function whose loop the compiler vectorises: it is built twice, for the
// baseline and for AVX2, and the loader picks the one the CPU runs. Only where the
// compiler and the loader support that (x86-64 with ifuncs); elsewhere the baseline alone.
#if defined(__x86_64__) && defined(__linux__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define PRISMWARP_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef PRISMWARP_VECTOR_CLONES
#define PRISMWARP_VECTOR_CLONES
#endif
