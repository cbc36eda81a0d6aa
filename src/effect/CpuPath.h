// CpuPath: which instructions the fast passes use, chosen once from what the CPU runs, and
// their row loops built once for each path.
#pragma once

// The fast passes' row loops are built once per path, each build with the path's own
// instructions. Wider vectors change no result: every product the passes take is exact (in
// 32-bit integers for the warp, in whole numbers or doubles for the blend), and a fused
// multiply-add of exact products rounds the same sum once, as the separate add does.
enum class CpuPath {
    Plain,    // the per-pixel passes through GetPixel and PutPixel
    Baseline, // the fast passes, for any CPU
    Avx2,     // the fast passes, AVX2 and FMA (x86-64)
    Avx512,   // the fast passes, AVX-512 (x86-64)
    Simd128,  // the fast passes, WebAssembly's 128-bit vectors (a web page)
};

// The x86-64 paths, where GCC and Clang can build a function for instructions the rest of
// the program does not assume: on Linux and, with MinGW's GCC, on Windows.
#if defined(__GNUC__) && defined(__x86_64__)
#define PRISMWARP_X86_PATHS 1
#define PRISMWARP_TARGET_AVX2 __attribute__((target("avx2,fma")))
#define PRISMWARP_TARGET_AVX512                                                                    \
    __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")))
#else
#define PRISMWARP_X86_PATHS 0
#endif

// The WebAssembly path, where the whole build has the 128-bit vectors (-msimd128).
#ifdef __wasm_simd128__
#define PRISMWARP_SIMD128_PATH 1
#else
#define PRISMWARP_SIMD128_PATH 0
#endif

#if defined(__GNUC__)
#define PRISMWARP_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define PRISMWARP_ALWAYS_INLINE inline
#endif

// Whether this CPU, and this build, runs the path's instructions.
bool CpuRuns(CpuPath path);
// The widest path this CPU runs.
CpuPath WidestCpuPath();

// One row loop built once for each path. `Loop` has a static member function template
// `template <CpuPath kPath> static void Row(...)`, the loop itself, always inlined, which may
// use the instructions of kPath; each build here inlines it into a function built for the
// path's instructions. For(path) gives the build for `path`, or the baseline one where this
// CPU or build does not run the path.
template <typename Loop, typename Fn = decltype(&Loop::template Row<CpuPath::Baseline>)>
class PerPath;

template <typename Loop, typename... Args> class PerPath<Loop, void (*)(Args...)> {
public:
    using Fn = void (*)(Args...);

    static Fn For(CpuPath path) {
        switch (CpuRuns(path) ? path : CpuPath::Baseline) {
#if PRISMWARP_X86_PATHS
        case CpuPath::Avx2: return OnAvx2;
        case CpuPath::Avx512: return OnAvx512;
#endif
#if PRISMWARP_SIMD128_PATH
        case CpuPath::Simd128: return OnSimd128;
#endif
        default: return OnBaseline;
        }
    }

private:
    static void OnBaseline(Args... args) {
        Loop::template Row<CpuPath::Baseline>(args...);
    }
#if PRISMWARP_X86_PATHS
    PRISMWARP_TARGET_AVX2 static void OnAvx2(Args... args) {
        Loop::template Row<CpuPath::Avx2>(args...);
    }
    PRISMWARP_TARGET_AVX512 static void OnAvx512(Args... args) {
        Loop::template Row<CpuPath::Avx512>(args...);
    }
#endif
#if PRISMWARP_SIMD128_PATH
    static void OnSimd128(Args... args) {
        Loop::template Row<CpuPath::Simd128>(args...);
    }
#endif
};
