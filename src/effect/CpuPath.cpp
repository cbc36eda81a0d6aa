// CpuPath: asking the CPU what it runs.
#include "effect/CpuPath.h"

#include <initializer_list>

bool CpuRuns(CpuPath path) {
    switch (path) {
    case CpuPath::Plain:
    case CpuPath::Baseline: return true;
#if PRISMWARP_WIDE_PATHS
    case CpuPath::Avx2: return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case CpuPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
               CpuRuns(CpuPath::Avx2);
#else
    case CpuPath::Avx2:
    case CpuPath::Avx512: return false;
#endif
    }
    return false;
}

CpuPath WidestCpuPath() {
    for (const CpuPath path : {CpuPath::Avx512, CpuPath::Avx2})
        if (CpuRuns(path)) return path;
    return CpuPath::Baseline;
}
