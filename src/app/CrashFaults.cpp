// Faults on purpose, for the tests of the report (ORVANTIS_TEST_CRASH).
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "app/CCrashInfo.h"

namespace {
int* volatile g_pNowhere = nullptr;
volatile int g_nZero = 0;
volatile int g_nSeven = 7;

[[gnu::noinline]] void CrashTestAccessViolation() {
    *g_pNowhere = 42;
}

[[gnu::noinline]] int CrashTestDivideByZero() {
#if defined(__x86_64__) || defined(__i386__)
    return g_nSeven / g_nZero;
#else
    raise(SIGFPE);  // integer division does not trap here
    return 0;
#endif
}

[[gnu::noinline]] void CrashTestIllegalInstruction() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_trap();  // ud2
#else
    raise(SIGILL);
#endif
}

[[gnu::noinline]] void CrashTestBusError() {
    // touching a mapped page beyond the end of its file
    int fd = memfd_create("orvantis-crash-test", MFD_CLOEXEC);
    void* p = fd >= 0 ? mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (p == MAP_FAILED)
        raise(SIGBUS);
    else
        *static_cast<volatile char*>(p) = 1;
}

[[gnu::noinline]] void CrashTestThrow() {
    throw std::runtime_error("Testabsturz");
}
// an exception that no handler catches
[[gnu::noinline]] void CrashTestThrowThroughNoexcept() noexcept {
    CrashTestThrow();
}
}  // namespace

void TriggerTestCrashIfAsked() {
    const char* pszFault = std::getenv("ORVANTIS_TEST_CRASH");
    if (!pszFault || !*pszFault) return;
    const std::string strFault = pszFault;
    // each call is followed by more code, so that this frame stays on the stack
    if (strFault == "segv")
        CrashTestAccessViolation();
    else if (strFault == "fpe")
        g_nZero = CrashTestDivideByZero();
    else if (strFault == "ill")
        CrashTestIllegalInstruction();
    else if (strFault == "bus")
        CrashTestBusError();
    else if (strFault == "abort")
        std::abort();
    else if (strFault == "terminate")
        CrashTestThrowThroughNoexcept();
    std::fprintf(stderr, "ORVANTIS_TEST_CRASH=%s: no such fault\n", pszFault);
}
