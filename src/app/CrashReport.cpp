// The report: its lines written with preformatted text, static buffers and
// write(2), so that it can be written from inside a signal handler, and the
// parts it is made of for the tests.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/CCrashInfo.h"
#include "app/CrashParts.h"

using namespace crash;

namespace {
// 88 characters and the line end
constexpr const char kEqualsLine[] =
    "========================================================================================\n";
constexpr const char kDashLine[] =
    "----------------------------------------------------------------------------------------\n";
static_assert(sizeof(kEqualsLine) == 90 && sizeof(kDashLine) == 90);
}  // namespace

namespace crash {
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

void MakeParentFolders(char* pszPath) {
    // mkdir only: nothing here may allocate or take a lock
    for (char* p = pszPath + 1; *p; ++p) {
        if (*p != '/') continue;
        *p = '\0';
        mkdir(pszPath, 0700);
        *p = '/';
    }
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
}  // namespace crash

// --- report parts -------------------------------------------------------------

std::string CrashReportFile(const std::string& strProgramPath) {
    const std::string strBeside = ReplaceExtension(strProgramPath, ".err");
    const char* pszState = std::getenv("XDG_STATE_HOME");
    const char* pszHome = std::getenv("HOME");
    std::string strFolder;
    if (pszState && pszState[0] == '/')
        strFolder = std::string(pszState) + "/Orvantis";
    else if (pszHome && pszHome[0] == '/')
        strFolder = std::string(pszHome) + "/.local/state/Orvantis";
    else
        return strBeside;
    return strFolder + "/" + BaseName(strBeside.c_str());
}

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
    // the report names paths and files of the user: for the user alone, and a
    // link planted under its name is not followed
    int fd = open(report.pszFileName, O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        bAppend = false;
        fd = open(report.pszFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    if ((st.st_mode & 077) != 0) fchmod(fd, 0600);
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
