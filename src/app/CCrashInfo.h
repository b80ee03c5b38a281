#pragma once
// The crash report. One instance exists, created during static
// initialisation; it catches the faults nothing else handles (SIGSEGV,
// SIGFPE, SIGILL, SIGBUS, SIGABRT, std::terminate), appends a report to a
// file in the user's state folder, has a fresh process of the program tell
// the user where the report is, and ends the process.
//
// main() makes three calls:
//   1. RunCrashMessageIfAsked(argc, argv) first; when it answers >= 0 that
//      process was started only to show the crash message: return the value.
//   2. GetCrashInfo().AddInfo("Orvantis-Version", "1.200") (and SetFileName
//      when the report is to go elsewhere).
//   3. TriggerTestCrashIfAsked() once start-up is done.
//
// Environment:
//   ORVANTIS_TEST_CRASH=segv|fpe|ill|bus|abort|terminate  makes
//       TriggerTestCrashIfAsked fault on purpose (for tests of the report).
//   ORVANTIS_CRASH_NO_MESSAGE=1  writes the report but starts no message
//       process (unattended runs).
// The report is $XDG_STATE_HOME/Orvantis/<program>.err (default
// ~/.local/state/Orvantis/); the handler creates the folders (0700) and the
// file (0600) and follows no symbolic link in the file's place.
// The message process shows a message box; on a display nobody can see (no
// X11/Wayland display, or QT_QPA_PLATFORM=offscreen/minimal) it writes the
// message to stderr instead and ends at once, so it never blocks a test.

#include <cstdint>
#include <ctime>
#include <map>
#include <string>

// Exception codes written as "Code=0x..." (the numbers the report has always
// used for these faults).
enum ECrashCode : unsigned {
    CRASH_ACCESS_VIOLATION = 0xC0000005u,     // SIGSEGV, SIGBUS
    CRASH_ILLEGAL_INSTRUCTION = 0xC000001Du,  // SIGILL
    CRASH_FLT_DIVIDE_BY_ZERO = 0xC000008Eu,   // SIGFPE, FPE_FLTDIV
    CRASH_FLT_INEXACT_RESULT = 0xC000008Fu,   // SIGFPE, FPE_FLTRES
    CRASH_FLT_INVALID_OPERATION = 0xC0000090u,
    CRASH_FLT_OVERFLOW = 0xC0000091u,
    CRASH_FLT_UNDERFLOW = 0xC0000093u,
    CRASH_INT_DIVIDE_BY_ZERO = 0xC0000094u,  // SIGFPE, FPE_INTDIV and unknown causes
    CRASH_INT_OVERFLOW = 0xC0000095u,        // SIGFPE, FPE_INTOVF
    CRASH_FATAL_APP_EXIT = 0x40000015u,      // SIGABRT: what abort() reports elsewhere
    CRASH_CPP_EXCEPTION = 0xE06D7363u,       // std::terminate: an unhandled C++ exception
};

class CCrashInfo {
public:
    virtual ~CCrashInfo();

    // A line "key:  value" in every report; the same key again replaces it.
    void AddInfo(const std::string& strKey, const std::string& strValue);
    // The report file (UTF-8 path); longer paths than the buffer are cut.
    void SetFileName(const std::string& strPath);
    const char* GetFileName() const { return m_szFileName; }
    std::time_t GetStartTime() const { return m_timeStart; }
    const std::map<std::string, std::string>& GetInfo() const { return m_mapInfo; }

    // Writes the report for a fault with that code, walking the stack from
    // the frame at pStart (when it is found on the stack), shows the message
    // in a fresh process and ends this one with nExitCode.
    [[noreturn]] void CrashFilter(unsigned nCode, const void* pStart, int nExitCode);

private:
    friend CCrashInfo& GetCrashInfo();
    friend void UninstallCrashHandlers();
    CCrashInfo();
    void Install();
    void Uninstall();
    void StartMessageProcess();

    std::map<std::string, std::string> m_mapInfo;
    char m_szFileName[4096];
    std::time_t m_timeStart;
    // Text prepared outside the handler, so that it only has to write it.
    std::string m_strInfoText;
    std::string m_strWindowVersion;
    bool m_bInstalled = false;
};

CCrashInfo& GetCrashInfo();
// Restores the system's handling of the faults (the message process does
// this, so that it never reports a fault of its own).
void UninstallCrashHandlers();

// Answers -1 unless argv asks for the crash message ("--crash-message
// <report>"); then shows it and answers the exit code for main.
int RunCrashMessageIfAsked(int argc, char** argv);
// Faults on purpose when ORVANTIS_TEST_CRASH names a fault; else nothing.
void TriggerTestCrashIfAsked();

// --- the parts of a report, for the handler and for tests -------------------

// strPath with the extension of its file name replaced by strExt (".err"),
// or strExt appended when the file name has none; dots in folder names and a
// leading dot of the file name do not count.
std::string ReplaceExtension(const std::string& strPath, const std::string& strExt);
// The report file of a program: "<program>.err" in the user's state folder
// (next to the program only when neither XDG_STATE_HOME nor HOME is set).
std::string CrashReportFile(const std::string& strProgramPath);
// The program's own path (/proc/self/exe), empty when unknown.
std::string GetProgramPath();

// The system's name for the "Window-Version" line: PRETTY_NAME of os-release
// (NAME and VERSION when it has none), then kernel name, release and machine:
// "Debian GNU/Linux 12 (bookworm) - Linux 6.1.0-18-amd64 (x86_64)".
std::string FormatWindowVersion(const std::string& strOsRelease, const std::string& strSysName,
                                const std::string& strRelease, const std::string& strMachine);
std::string GetWindowsVersion();

// One stack line: "%s / 0x%08x : %s : %s" with location, program counter,
// module and symbol (the counter printed in full on 64-bit systems).
std::string FormatStackLine(const std::string& strLocation, std::uintptr_t nPc, const std::string& strModule,
                            const std::string& strSymbol);
// "SS:OOOOOOOO": the index of the ELF section that holds the address and
// the offset in it, both upper-case hexadecimal; "%08X ?" with the address
// when no module or section is known there.
std::string GetSectionAddress(std::uintptr_t nAddress);
// The module's file name without folder and without ".so..." or extension,
// at most 32 characters; empty outside any module.
std::string GetModuleNameOf(std::uintptr_t nAddress);
// The demangled function name without parameter list plus "()", empty when
// no symbol covers the address (dynamic symbols first, then .symtab).
std::string GetSymbolOf(std::uintptr_t nAddress);
// "ns::C::f(int) const" -> "ns::C::f"; other text unchanged.
std::string StripParameterList(const std::string& strName);

// Writes one report to the file (creating it 0600, or appending after five
// line ends; a symbolic link there is not followed); frames are program
// counters, the first one the faulting one. Answers false when the file could
// be neither created nor opened.
struct SCrashReport {
    const char* pszFileName = "";
    unsigned nCode = 0;
    std::time_t timeStart = 0;
    std::time_t timeCrash = 0;
    const char* pszInfoText = "";  // the "key:  value\n" lines
    const char* pszWindowVersion = "";
    void* const* ppFrames = nullptr;
    int nFrames = 0;
};
bool WriteCrashReport(const SCrashReport& report);
// "%d.%m.%Y %H:%M:%S" in local time.
std::string FormatCrashTime(std::time_t t);

// The German message (UTF-8, lines separated by "\r" as in the report's
// message box) naming the program file and the report.
std::string CrashMessageText(const std::string& strProgramName, const std::string& strReportPath);
// Shows it through the platform: stop icon, OK button.
void ShowCrashMessage(const std::string& strProgramName, const std::string& strReportPath);
