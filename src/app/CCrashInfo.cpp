// The crash handlers: the signal handlers and the terminate handler, one
// thread at a time, a watchdog, and the start of the message process.
//
// Inside a handler the process may be in any state, so the report is written
// with preformatted text, stack buffers and write(2). The stack walk (glibc
// backtrace), the symbol lookup (dladdr) and demangling may take locks or
// allocate; they are best effort, and a watchdog ends the process should
// one of them hang.
//
// The other parts: CrashElf.cpp (frame locations and symbols, no Qt),
// CrashReport.cpp (the report writer), CrashMessage.cpp (the message
// process), CrashFaults.cpp (faults on purpose).

#include "app/CCrashInfo.h"

#include <execinfo.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>

#include "app/CrashParts.h"

extern char** environ;

using namespace crash;

namespace crash {
char g_szProgramName[256];
}  // namespace crash

namespace {

constexpr int kMaxFrames = 256;
constexpr int kWatchdogSeconds = 20;
constexpr int kSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGABRT};

struct sigaction g_oldActions[sizeof(kSignals) / sizeof(kSignals[0])];
std::terminate_handler g_oldTerminate = nullptr;
alignas(16) char g_altStack[256 * 1024];
// thread id of the thread inside the handler, 0 while none
std::atomic<long> g_nHandlerThread{0};

unsigned CodeOfSignal(int nSignal, int nSiCode) {
    switch (nSignal) {
        case SIGSEGV:
        case SIGBUS: return CRASH_ACCESS_VIOLATION;
        case SIGILL: return CRASH_ILLEGAL_INSTRUCTION;
        case SIGABRT: return CRASH_FATAL_APP_EXIT;
        case SIGFPE:
            switch (nSiCode) {
                case FPE_INTOVF: return CRASH_INT_OVERFLOW;
                case FPE_FLTDIV: return CRASH_FLT_DIVIDE_BY_ZERO;
                case FPE_FLTOVF: return CRASH_FLT_OVERFLOW;
                case FPE_FLTUND: return CRASH_FLT_UNDERFLOW;
                case FPE_FLTRES: return CRASH_FLT_INEXACT_RESULT;
                case FPE_FLTINV: return CRASH_FLT_INVALID_OPERATION;
                default: return CRASH_INT_DIVIDE_BY_ZERO;
            }
        default: return CRASH_ACCESS_VIOLATION;
    }
}

const void* ContextPc(void* pContext) {
    if (!pContext) return nullptr;
    auto* pUc = static_cast<ucontext_t*>(pContext);
#if defined(__x86_64__)
    return reinterpret_cast<const void*>(pUc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return reinterpret_cast<const void*>(pUc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const void*>(pUc->uc_mcontext.pc);
#else
    (void)pUc;
    return nullptr;
#endif
}

// Only one thread writes the report; a fault inside the handler on that
// same thread ends the process at once instead of recursing.
void EnterHandler(int nExitCode) {
    const long nSelf = static_cast<long>(syscall(SYS_gettid));
    long nExpected = 0;
    if (g_nHandlerThread.compare_exchange_strong(nExpected, nSelf)) return;
    if (nExpected == nSelf) _exit(nExitCode);
    for (;;) pause();  // another thread reports; it ends the process
}

void SignalHandler(int nSignal, siginfo_t* pInfo, void* pContext) {
    EnterHandler(128 + nSignal);
    GetCrashInfo().CrashFilter(CodeOfSignal(nSignal, pInfo ? pInfo->si_code : 0), ContextPc(pContext), 128 + nSignal);
}

[[noreturn]] void TerminateHandler() {
    EnterHandler(128 + SIGABRT);
    GetCrashInfo().CrashFilter(CRASH_CPP_EXCEPTION, __builtin_return_address(0), 128 + SIGABRT);
}

// Should the stack walk hang (a lock held by the faulting code), the message
// still appears and the process still ends.
void WatchdogHandler(int) {
    GetCrashInfo().CrashFilter(0, nullptr, 128 + SIGALRM);
}

// Makes sure the object holding the handlers is linked in and created
// before the other static objects of the program.
struct CInstaller {
    CInstaller() { GetCrashInfo(); }
} g_installer __attribute__((init_priority(101)));

}  // namespace

// ---------------------------------------------------------------------------

CCrashInfo::CCrashInfo() : m_szFileName{}, m_timeStart(std::time(nullptr)) {
    const std::string strProgram = GetProgramPath();
    CopyText(g_szProgramName, sizeof(g_szProgramName), BaseName(strProgram.c_str()));
    CopyText(m_szFileName, sizeof(m_szFileName), CrashReportFile(strProgram).c_str());
    m_strWindowVersion = GetWindowsVersion();
    // the first backtrace loads the unwinder; better now than in a handler
    void* pFrames[2];
    backtrace(pFrames, 2);
    Install();
}

CCrashInfo::~CCrashInfo() {
    Uninstall();
}

void CCrashInfo::Install() {
    if (m_bInstalled) return;
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof(g_altStack);
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = SignalHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &g_oldActions[i]);
    g_oldTerminate = std::set_terminate(TerminateHandler);
    m_bInstalled = true;
}

void CCrashInfo::Uninstall() {
    if (!m_bInstalled) return;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &g_oldActions[i], nullptr);
    std::set_terminate(g_oldTerminate);
    m_bInstalled = false;
}

void CCrashInfo::AddInfo(const std::string& strKey, const std::string& strValue) {
    m_mapInfo[strKey] = strValue;
    std::string strText;
    for (const auto& [strK, strV] : m_mapInfo) strText += strK + ":  " + strV + "\n";
    m_strInfoText = std::move(strText);
}

void CCrashInfo::SetFileName(const std::string& strPath) {
    CopyText(m_szFileName, sizeof(m_szFileName), strPath.c_str());
}

void CCrashInfo::StartMessageProcess() {
    static char szOption[32];
    CopyText(szOption, sizeof(szOption), kMessageOption);
    static char* argv[4];
    argv[0] = g_szProgramName;
    argv[1] = szOption;
    argv[2] = m_szFileName;
    argv[3] = nullptr;
    sigset_t empty;
    sigemptyset(&empty);
    // vfork: no fork handlers run, nothing is copied; the child only execs
    pid_t pid = vfork();
    if (pid == 0) {
        sigprocmask(SIG_SETMASK, &empty, nullptr);
        // the database's descriptors (and their locks) stay with the dying process
        if (syscall(SYS_close_range, 3u, ~0u, 0u) != 0) {
            struct rlimit limit {};
            int nMax = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536;
            for (int fd = 3; fd < nMax; ++fd) close(fd);
        }
        execve("/proc/self/exe", argv, environ);
        _exit(127);
    }
}

void CCrashInfo::CrashFilter(unsigned nCode, const void* pStart, int nExitCode) {
    static void* s_frames[kMaxFrames + 1];
    int nFrames = 0;
    if (nCode != 0) {
        struct sigaction watchdog {};
        watchdog.sa_handler = WatchdogHandler;
        watchdog.sa_flags = SA_ONSTACK;
        sigemptyset(&watchdog.sa_mask);
        sigaction(SIGALRM, &watchdog, nullptr);
        sigset_t alarmSet;
        sigemptyset(&alarmSet);
        sigaddset(&alarmSet, SIGALRM);
        pthread_sigmask(SIG_UNBLOCK, &alarmSet, nullptr);
        alarm(kWatchdogSeconds);

        nFrames = backtrace(s_frames + 1, kMaxFrames);
        int nFirst = -1;
        for (int i = 1; i <= nFrames && pStart; ++i)
            if (s_frames[i] == pStart) {
                nFirst = i;
                break;
            }
        void** ppFrames = s_frames + 1;
        if (nFirst >= 0) {
            // skip the frames of the handler itself
            ppFrames = s_frames + nFirst;
            nFrames -= nFirst - 1;
        } else if (pStart) {
            s_frames[0] = const_cast<void*>(pStart);
            ppFrames = s_frames;
            ++nFrames;
        }
        SCrashReport report;
        report.pszFileName = m_szFileName;
        report.nCode = nCode;
        report.timeStart = m_timeStart;
        report.timeCrash = std::time(nullptr);
        report.pszInfoText = m_strInfoText.c_str();
        report.pszWindowVersion = m_strWindowVersion.c_str();
        report.ppFrames = ppFrames;
        report.nFrames = nFrames;
        MakeParentFolders(m_szFileName);
        WriteCrashReport(report);
        alarm(0);
    }
    const char* pszNoMessage = std::getenv("ORVANTIS_CRASH_NO_MESSAGE");
    if (!pszNoMessage || std::strcmp(pszNoMessage, "1") != 0) StartMessageProcess();
    _exit(nExitCode);
}

CCrashInfo& GetCrashInfo() {
    static CCrashInfo s_crashInfo;
    return s_crashInfo;
}

void UninstallCrashHandlers() {
    GetCrashInfo().Uninstall();
}
