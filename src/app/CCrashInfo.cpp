// The crash report: signal handlers and the terminate handler, the report
// writer and the message shown from a fresh process of the program.
//
// Inside a handler the process may be in any state, so the report is written
// with preformatted text, stack buffers and write(2). The stack walk (glibc
// backtrace), the symbol lookup (dladdr) and demangling may take locks or
// allocate; they are best effort, and a watchdog ends the process should
// one of them hang.
//
// Locations of frames: Windows reports "section:offset" within the module's
// PE image. On Linux the same idea is applied to the ELF file: the address is
// turned back into the file's link-time address (minus the load bias), and
// the allocated section holding it gives "SS:OOOOOOOO" with the section's
// index in the section header table (index 0 is ELF's null section, so
// numbering starts at 1 as on Windows) and the offset in the section, e.g.
// "10:00001A2C" for .text. Addresses outside any module, in a module whose
// file cannot be read (the vDSO) or outside any section give "%08X ?".

#include "app/CCrashInfo.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QGuiApplication>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "app/QtPlatform.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

extern char** environ;

namespace {

constexpr const char* kSupportAddress = "support@orvantis.example";
constexpr const char* kMessageOption = "--crash-message";
constexpr int kMaxFrames = 256;
constexpr int kWatchdogSeconds = 20;
constexpr int kSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGABRT};

// 88 characters and the line end
constexpr const char kEqualsLine[] =
    "========================================================================================\n";
constexpr const char kDashLine[] =
    "----------------------------------------------------------------------------------------\n";
static_assert(sizeof(kEqualsLine) == 90 && sizeof(kDashLine) == 90);

struct sigaction g_oldActions[sizeof(kSignals) / sizeof(kSignals[0])];
std::terminate_handler g_oldTerminate = nullptr;
alignas(16) char g_altStack[256 * 1024];
// thread id of the thread inside the handler, 0 while none
std::atomic<long> g_nHandlerThread{0};
// argv of the message process, prepared before it is needed
char g_szProgramName[256];

void WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t nDone = write(fd, p, n);
        if (nDone < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += nDone;
        n -= static_cast<size_t>(nDone);
    }
}

void WriteText(int fd, const char* psz) {
    WriteAll(fd, psz, std::strlen(psz));
}

void CopyText(char* pszTarget, size_t nSize, const char* pszSource) {
    if (nSize == 0) return;
    size_t n = std::strlen(pszSource);
    if (n >= nSize) n = nSize - 1;
    std::memcpy(pszTarget, pszSource, n);
    pszTarget[n] = '\0';
}

const char* BaseName(const char* pszPath) {
    const char* pszSlash = std::strrchr(pszPath, '/');
    return pszSlash ? pszSlash + 1 : pszPath;
}

// --- ELF file lookups: section and .symtab symbol of a link-time address --

class CElfFile {
public:
    explicit CElfFile(const char* pszPath) {
        m_fd = open(pszPath, O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) return;
        if (pread(m_fd, &m_header, sizeof(m_header), 0) != static_cast<ssize_t>(sizeof(m_header)) ||
            std::memcmp(m_header.e_ident, ELFMAG, SELFMAG) != 0 || m_header.e_ident[EI_CLASS] != ELFCLASS_NATIVE ||
            m_header.e_shentsize != sizeof(ElfW(Shdr))) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~CElfFile() {
        if (m_fd >= 0) close(m_fd);
    }
    CElfFile(const CElfFile&) = delete;
    CElfFile& operator=(const CElfFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    unsigned SectionCount() const { return m_header.e_shnum; }
    bool ReadSection(unsigned nIndex, ElfW(Shdr) & section) const {
        off_t nPos = static_cast<off_t>(m_header.e_shoff + nIndex * sizeof(ElfW(Shdr)));
        return pread(m_fd, &section, sizeof(section), nPos) == static_cast<ssize_t>(sizeof(section));
    }

    // The allocated section holding the address; 0 when none.
    unsigned FindSection(ElfW(Addr) nAddr, ElfW(Addr) & nOffset) const {
        for (unsigned i = 1; i < SectionCount(); ++i) {
            ElfW(Shdr) section;
            if (!ReadSection(i, section)) return 0;
            // thread-local sections overlap the ones after them
            if (!(section.sh_flags & SHF_ALLOC) || (section.sh_flags & SHF_TLS) || section.sh_size == 0) continue;
            if (section.sh_addr <= nAddr && nAddr <= section.sh_addr + section.sh_size) {
                nOffset = nAddr - section.sh_addr;
                return i;
            }
        }
        return 0;
    }

    // The function symbol of .symtab covering the address (names static
    // functions, which the dynamic symbol table does not hold).
    bool FindFunction(ElfW(Addr) nAddr, char* pszName, size_t nSize) const {
        for (unsigned i = 1; i < SectionCount(); ++i) {
            ElfW(Shdr) symtab;
            if (!ReadSection(i, symtab)) return false;
            if (symtab.sh_type != SHT_SYMTAB || symtab.sh_entsize != sizeof(ElfW(Sym))) continue;
            ElfW(Shdr) strtab;
            if (!ReadSection(symtab.sh_link, strtab)) return false;
            const size_t nCount = symtab.sh_size / sizeof(ElfW(Sym));
            ElfW(Sym) chunk[128];
            for (size_t nFirst = 0; nFirst < nCount; nFirst += 128) {
                const size_t nChunk = nCount - nFirst < 128 ? nCount - nFirst : 128;
                const ssize_t nBytes = static_cast<ssize_t>(nChunk * sizeof(ElfW(Sym)));
                if (pread(m_fd, chunk, nBytes, static_cast<off_t>(symtab.sh_offset + nFirst * sizeof(ElfW(Sym)))) !=
                    nBytes)
                    return false;
                for (size_t k = 0; k < nChunk; ++k) {
                    const ElfW(Sym)& sym = chunk[k];
                    const int nType = ELF64_ST_TYPE(sym.st_info);
                    if ((nType != STT_FUNC && nType != STT_GNU_IFUNC) || sym.st_shndx == SHN_UNDEF || sym.st_size == 0)
                        continue;
                    if (sym.st_value <= nAddr && nAddr < sym.st_value + sym.st_size) {
                        ssize_t nRead =
                            pread(m_fd, pszName, nSize - 1, static_cast<off_t>(strtab.sh_offset + sym.st_name));
                        if (nRead <= 0) return false;
                        pszName[nRead] = '\0';
                        return pszName[0] != '\0';
                    }
                }
            }
            return false;
        }
        return false;
    }

private:
    static constexpr unsigned char ELFCLASS_NATIVE = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    int m_fd = -1;
    ElfW(Ehdr) m_header{};
};

// The module (shared object or the program) holding an address.
struct SModule {
    Dl_info info{};
    const char* pszFile = nullptr;  // readable path of the module's file
    ElfW(Addr) nBias = 0;           // load bias: link-time address = address - bias
};

bool FindModule(std::uintptr_t nAddress, SModule& module) {
    struct link_map* pMap = nullptr;
    if (dladdr1(reinterpret_cast<void*>(nAddress), &module.info, reinterpret_cast<void**>(&pMap), RTLD_DL_LINKMAP) ==
            0 ||
        pMap == nullptr)
        return false;
    module.nBias = pMap->l_addr;
    // the program itself has an empty name in the link map
    module.pszFile = (pMap->l_name && pMap->l_name[0]) ? pMap->l_name : "/proc/self/exe";
    return true;
}

void FormatUnknownLocation(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    std::snprintf(pszOut, nSize, "%08lX ?", static_cast<unsigned long>(nAddress));
}

void SectionAddressOf(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    FormatUnknownLocation(nAddress, pszOut, nSize);
    SModule module;
    if (!FindModule(nAddress, module)) return;
    CElfFile file(module.pszFile);
    if (!file.IsOpen()) return;
    ElfW(Addr) nOffset = 0;
    unsigned nSection = file.FindSection(nAddress - module.nBias, nOffset);
    if (nSection == 0) return;
    std::snprintf(pszOut, nSize, "%02X:%08lX", nSection, static_cast<unsigned long>(nOffset));
}

void ModuleNameOf(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    pszOut[0] = '\0';
    SModule module;
    if (!FindModule(nAddress, module)) return;
    const char* pszName =
        std::strcmp(module.pszFile, "/proc/self/exe") == 0 ? g_szProgramName : BaseName(module.pszFile);
    char szName[64];
    CopyText(szName, sizeof(szName), pszName);
    // "libc.so.6" -> "libc", "orvantis.bin" -> "orvantis"
    if (char* pszSo = std::strstr(szName, ".so"))
        *pszSo = '\0';
    else if (char* pszDot = std::strrchr(szName, '.'); pszDot && pszDot != szName)
        *pszDot = '\0';
    CopyText(pszOut, nSize < 33 ? nSize : 33, szName);
}

// "name(args) const" -> "name"; the parameter list is the last balanced
// parenthesis group.
void StripParameters(char* pszName) {
    char* pszClose = std::strrchr(pszName, ')');
    if (!pszClose) return;
    int nDepth = 0;
    for (char* p = pszClose; p >= pszName; --p) {
        if (*p == ')')
            ++nDepth;
        else if (*p == '(' && --nDepth == 0) {
            if (p != pszName) *p = '\0';
            return;
        }
    }
}

void SymbolOf(std::uintptr_t nAddress, char* pszOut, size_t nSize) {
    pszOut[0] = '\0';
    SModule module;
    if (!FindModule(nAddress, module)) return;
    char szRaw[2048];
    szRaw[0] = '\0';
    if (module.info.dli_sname && module.info.dli_saddr) {
        CopyText(szRaw, sizeof(szRaw), module.info.dli_sname);
    } else {
        CElfFile file(module.pszFile);
        if (!file.IsOpen() || !file.FindFunction(nAddress - module.nBias, szRaw, sizeof(szRaw))) return;
    }
    int nStatus = -1;
    char* pszDemangled = abi::__cxa_demangle(szRaw, nullptr, nullptr, &nStatus);
    if (nStatus == 0 && pszDemangled) {
        StripParameters(pszDemangled);
        std::snprintf(pszOut, nSize, "%s()", pszDemangled);
    } else {
        std::snprintf(pszOut, nSize, "%s()", szRaw);
    }
    std::free(pszDemangled);
}

// "$XDG_STATE_HOME/Orvantis/<name>" or "$HOME/.local/state/Orvantis/<name>",
// creating the folders; false when there is no such place.
bool FallbackReportPath(const char* pszReport, char* pszOut, size_t nSize) {
    const char* pszState = std::getenv("XDG_STATE_HOME");
    const char* pszHome = std::getenv("HOME");
    int n;
    if (pszState && pszState[0] == '/')
        n = std::snprintf(pszOut, nSize, "%s/Orvantis", pszState);
    else if (pszHome && pszHome[0] == '/')
        n = std::snprintf(pszOut, nSize, "%s/.local/state/Orvantis", pszHome);
    else
        return false;
    if (n <= 0 || static_cast<size_t>(n) >= nSize) return false;
    for (char* p = pszOut + 1; *p; ++p) {
        if (*p != '/') continue;
        *p = '\0';
        mkdir(pszOut, 0700);
        *p = '/';
    }
    mkdir(pszOut, 0700);
    const size_t nDir = static_cast<size_t>(n);
    n = std::snprintf(pszOut + nDir, nSize - nDir, "/%s", BaseName(pszReport));
    return n > 1 && static_cast<size_t>(n) < nSize - nDir;
}

void FormatTime(std::time_t t, char* pszOut, size_t nSize) {
    struct tm tmLocal {};
    if (!localtime_r(&t, &tmLocal)) {
        pszOut[0] = '\0';
        return;
    }
    std::snprintf(pszOut, nSize, "%02d.%02d.%04d %02d:%02d:%02d", tmLocal.tm_mday, tmLocal.tm_mon + 1,
                  tmLocal.tm_year + 1900, tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec);
}

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
    CopyText(m_szFileName, sizeof(m_szFileName), ReplaceExtension(strProgram, ".err").c_str());
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
        if (!WriteCrashReport(report)) {
            // an installed program's folder is not writable for its users:
            // the report goes to the user's state folder, and the message
            // names the file that exists
            static char s_szFallback[sizeof(m_szFileName) + 64];
            if (FallbackReportPath(m_szFileName, s_szFallback, sizeof(s_szFallback))) {
                report.pszFileName = s_szFallback;
                if (WriteCrashReport(report)) CopyText(m_szFileName, sizeof(m_szFileName), s_szFallback);
            }
        }
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

// --- report parts -------------------------------------------------------------

std::string ReplaceExtension(const std::string& strPath, const std::string& strExt) {
    const size_t nSlash = strPath.rfind('/');
    const size_t nNameStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    const size_t nDot = strPath.rfind('.');
    if (nDot != std::string::npos && nDot > nNameStart) return strPath.substr(0, nDot) + strExt;
    return strPath + strExt;
}

std::string GetProgramPath() {
    char szPath[4096];
    ssize_t n = readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
    if (n <= 0) return std::string();
    return std::string(szPath, static_cast<size_t>(n));
}

namespace {
// os-release values may be quoted and contain backslash escapes
std::string OsReleaseValue(const std::string& strText, const std::string& strKey) {
    size_t nPos = 0;
    while (nPos < strText.size()) {
        size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos) nEnd = strText.size();
        std::string strLine = strText.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        if (strLine.compare(0, strKey.size() + 1, strKey + "=") != 0) continue;
        std::string strValue = strLine.substr(strKey.size() + 1);
        while (!strValue.empty() && (strValue.back() == '\r' || strValue.back() == ' ')) strValue.pop_back();
        if (strValue.size() >= 2 && (strValue.front() == '"' || strValue.front() == '\'') &&
            strValue.back() == strValue.front()) {
            const char cQuote = strValue.front();
            std::string strUnquoted;
            for (size_t i = 1; i + 1 < strValue.size(); ++i) {
                if (cQuote == '"' && strValue[i] == '\\' && i + 2 < strValue.size()) ++i;
                strUnquoted += strValue[i];
            }
            return strUnquoted;
        }
        return strValue;
    }
    return std::string();
}

std::string ReadSmallFile(const char* pszPath) {
    std::string strText;
    int fd = open(pszPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return strText;
    char szBuffer[4096];
    ssize_t n;
    while ((n = read(fd, szBuffer, sizeof(szBuffer))) > 0 && strText.size() < 65536) strText.append(szBuffer, n);
    close(fd);
    return strText;
}
}  // namespace

std::string FormatWindowVersion(const std::string& strOsRelease, const std::string& strSysName,
                                const std::string& strRelease, const std::string& strMachine) {
    std::string strName = OsReleaseValue(strOsRelease, "PRETTY_NAME");
    if (strName.empty()) {
        strName = OsReleaseValue(strOsRelease, "NAME");
        const std::string strVersion = OsReleaseValue(strOsRelease, "VERSION");
        if (!strName.empty() && !strVersion.empty()) strName += " " + strVersion;
    }
    std::string strKernel = strSysName;
    if (!strRelease.empty()) strKernel += (strKernel.empty() ? "" : " ") + strRelease;
    if (!strMachine.empty() && !strKernel.empty()) strKernel += " (" + strMachine + ")";
    if (strName.empty()) return strKernel;
    if (strKernel.empty()) return strName;
    return strName + " - " + strKernel;
}

std::string GetWindowsVersion() {
    std::string strOsRelease = ReadSmallFile("/etc/os-release");
    if (strOsRelease.empty()) strOsRelease = ReadSmallFile("/usr/lib/os-release");
    struct utsname names {};
    if (uname(&names) != 0) return FormatWindowVersion(strOsRelease, "", "", "");
    return FormatWindowVersion(strOsRelease, names.sysname, names.release, names.machine);
}

std::string FormatStackLine(const std::string& strLocation, std::uintptr_t nPc, const std::string& strModule,
                            const std::string& strSymbol) {
    char szLine[256];
    std::snprintf(szLine, sizeof(szLine), "%s / 0x%08lx : ", strLocation.c_str(), static_cast<unsigned long>(nPc));
    return szLine + strModule + " : " + strSymbol;
}

std::string GetSectionAddress(std::uintptr_t nAddress) {
    char szOut[64];
    SectionAddressOf(nAddress, szOut, sizeof(szOut));
    return szOut;
}

std::string GetModuleNameOf(std::uintptr_t nAddress) {
    char szOut[64];
    ModuleNameOf(nAddress, szOut, sizeof(szOut));
    return szOut;
}

std::string GetSymbolOf(std::uintptr_t nAddress) {
    static char s_szSymbol[10000];
    SymbolOf(nAddress, s_szSymbol, sizeof(s_szSymbol));
    return s_szSymbol;
}

std::string StripParameterList(const std::string& strName) {
    std::string strCopy = strName;
    StripParameters(strCopy.data());
    return std::string(strCopy.c_str());
}

std::string FormatCrashTime(std::time_t t) {
    char szTime[64];
    FormatTime(t, szTime, sizeof(szTime));
    return szTime;
}

bool WriteCrashReport(const SCrashReport& report) {
    // an existing file gets the new report after five line ends
    bool bAppend = true;
    int fd = open(report.pszFileName, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        bAppend = false;
        fd = open(report.pszFileName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    }
    if (fd < 0) return false;
    if (bAppend) WriteText(fd, "\n\n\n\n\n");

    static char s_szLine[10240];
    char szStart[64], szNow[64];
    FormatTime(report.timeStart, szStart, sizeof(szStart));
    FormatTime(report.timeCrash, szNow, sizeof(szNow));
    WriteText(fd, kEqualsLine);
    std::snprintf(s_szLine, sizeof(s_szLine), "Orvantis-CrashInfo:   Code=0x%X    %s -> %s\n", report.nCode, szStart,
                  szNow);
    WriteText(fd, s_szLine);
    WriteText(fd, kEqualsLine);
    WriteText(fd, report.pszInfoText);
    WriteText(fd, kDashLine);
    std::snprintf(s_szLine, sizeof(s_szLine), "Window-Version: %s\n", report.pszWindowVersion);
    WriteText(fd, s_szLine);
    WriteText(fd, kEqualsLine);

    // each line goes out at once, so a walk that breaks down keeps what it had
    static char s_szLocation[64], s_szModule[64], s_szSymbol[10000];
    for (int i = 0; i < report.nFrames; ++i) {
        const auto nPc = reinterpret_cast<std::uintptr_t>(report.ppFrames[i]);
        if (nPc == 0) break;
        // return addresses point after the call, which may be the next function
        const std::uintptr_t nLookup = i == 0 ? nPc : nPc - 1;
        SectionAddressOf(nPc, s_szLocation, sizeof(s_szLocation));
        ModuleNameOf(nLookup, s_szModule, sizeof(s_szModule));
        SymbolOf(nLookup, s_szSymbol, sizeof(s_szSymbol));
        std::snprintf(s_szLine, sizeof(s_szLine), "%s / 0x%08lx : %s : %s\n", s_szLocation,
                      static_cast<unsigned long>(nPc), s_szModule, s_szSymbol);
        WriteText(fd, s_szLine);
    }
    close(fd);
    return true;
}

// --- the message ----------------------------------------------------------------

std::string CrashMessageText(const std::string& strProgramName, const std::string& strReportPath) {
    return strProgramName + " hat ein Problem festgestellt und muss beendet werden.\r\r\r\r" +
           "Bitte senden Sie die Datei: \r\r    " + strReportPath + "\r\r" +
           "die die Fehlerbeschreibung enthält an:\r\r    " + kSupportAddress + "\r\r" + "\r\r" +
           "Sie helfen uns damit diese Programm zu verbessen, \r\r" + "Vielen Dank.\r\r";
}

namespace {
// a lone "\r" breaks the line in the message; Qt breaks at "\n"
std::string LineBreaks(std::string strText) {
    for (char& c : strText)
        if (c == '\r') c = '\n';
    return strText;
}
}  // namespace

void ShowCrashMessage(const std::string& strProgramName, const std::string& strReportPath) {
    const std::string strText = LineBreaks(CrashMessageText(strProgramName, strReportPath));
    GetPlatform().MessageBox(Ansi(strText.c_str()), std::string(), EMsgIcon::Stop, EMsgButtons::Ok);
}

int RunCrashMessageIfAsked(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], kMessageOption) != 0) return -1;
    // a fault of this process is not the one to report
    UninstallCrashHandlers();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string strProgram = GetProgramPath();
    strProgram = strProgram.empty() ? BaseName(argv[0]) : BaseName(strProgram.c_str());
    const std::string strReport = argv[2];

    int nArgc = 1;
    char* args[] = {argv[0], nullptr};
    std::unique_ptr<QApplication> pApp;
    if (!QCoreApplication::instance()) pApp = std::make_unique<QApplication>(nArgc, args);
    const QString strPlatform = QGuiApplication::platformName();
    if (strPlatform == "offscreen" || strPlatform == "minimal") {
        // nobody would see the box
        const std::string strText = LineBreaks(CrashMessageText(strProgram, strReport));
        std::fwrite(strText.data(), 1, strText.size(), stderr);
        std::fflush(stderr);
        return 0;
    }
    CQtPlatform platform;
    SetPlatform(&platform);
    ShowCrashMessage(strProgram, strReport);
    SetPlatform(nullptr);
    return 0;
}

// --- faults on purpose --------------------------------------------------------

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
