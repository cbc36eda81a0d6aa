// CpuPath: which instructions the fast passes use, chosen once from what the CPU runs.
#pragma once

// The fast passes are written as plain loops and built once per path; the compiler
// vectorises each for its instruction set. Wider vectors change no result: every product
// the passes take is exact (in 32-bit integers for the warp, in double for the blend), and
// a fused multiply-add of exact products rounds the same sum once, as the separate add does.
enum class CpuPath {
    Plain,    // the per-pixel passes through GetPixel and PutPixel
    Baseline, // the fast passes, for any CPU
    Avx2,     // the fast passes, AVX2 and FMA
    Avx512,   // the fast passes, AVX-512
};

#if defined(__GNUC__) && defined(__x86_64__)
#define PRISMWARP_WIDE_PATHS 1
#define PRISMWARP_TARGET_AVX2 __attribute__((target("avx2,fma")))
#define PRISMWARP_TARGET_AVX512                                                                    \
    __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")))
#define PRISMWARP_ALWAYS_INLINE inline __attribute__((always_inline))
#else
// Elsewhere the wide variants are built for the baseline too, and never chosen.
#define PRISMWARP_WIDE_PATHS 0
#define PRISMWARP_TARGET_AVX2
#define PRISMWARP_TARGET_AVX512
#define PRISMWARP_ALWAYS_INLINE inline
#endif

// Whether this CPU runs the path's instructions.
bool CpuRuns(CpuPath path);
// The widest path this CPU runs.
CpuPath WidestCpuPath();

// The variant of a function for `path`, or the baseline one where the CPU does not run it.
template <typename Fn> Fn ForPath(CpuPath path, Fn baseline, Fn avx2, Fn avx512) {
    if (path == CpuPath::Avx512 && CpuRuns(path)) return avx512;
    if (path == CpuPath::Avx2 && CpuRuns(path)) return avx2;
    return baseline;
}
