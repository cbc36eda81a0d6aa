// CpuPath: asking the CPU what it runs.
#include "effect/CpuPath.h"

#include <initializer_list>

bool CpuRuns(CpuPath path) {
    switch (path) {
    case CpuPath::Plain:
    case CpuPath::Baseline: return true;
    case CpuPath::Avx2:
#if PRISMWARP_X86_PATHS
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
        return false;
#endif
    case CpuPath::Avx512:
#if PRISMWARP_X86_PATHS
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
               CpuRuns(CpuPath::Avx2);
#else
        return false;
#endif
    // A browser without the 128-bit vectors refuses the whole program.
    case CpuPath::Simd128: return PRISMWARP_SIMD128_PATH;
    }
    return false;
}

CpuPath WidestCpuPath() {
    for (const CpuPath path : {CpuPath::Avx512, CpuPath::Avx2, CpuPath::Simd128})
        if (CpuRuns(path)) return path;
    return CpuPath::Baseline;
}
