#include "FloatingPoint.h"

#if defined(_WIN32)
#include <float.h>
#elif defined(__GLIBC__)
#include <fenv.h>
#endif

void maskFloatingPointExceptions() {
#if defined(_WIN32)
    unsigned int current = 0;
    _controlfp_s(&current, _MCW_EM, _MCW_EM);
#elif defined(__GLIBC__)
    fedisableexcept(FE_ALL_EXCEPT);
#if defined(__x86_64__) || defined(__i386__)
    // The denormal-operand exception lives only in the SSE control register.
    unsigned int csr = __builtin_ia32_stmxcsr();
    __builtin_ia32_ldmxcsr(csr | 0x1F80u);
#endif
#endif
}
