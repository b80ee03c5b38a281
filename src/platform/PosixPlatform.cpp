#include "platform/PosixPlatform.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/Cp1252.h"

namespace fs = std::filesystem;

namespace {
// SQLite's own locks lie in the 512 bytes from here.
constexpr off_t kEngineLockOffset = 0x40000000;
// A byte range that the engine's locks never touch. Every process holding
// the database open keeps a shared lock on it.
constexpr off_t kInUseLockOffset = kEngineLockOffset + 0x400;

struct flock LockRange(short nType, off_t nStart, off_t nLength) {
    struct flock fl {};
    fl.l_type = nType;
    fl.l_whence = SEEK_SET;
    fl.l_start = nStart;
    fl.l_len = nLength;
    fl.l_pid = 0;  // required for open-file-description locks
    return fl;
}

struct flock InUseLock(short nType) {
    return LockRange(nType, kInUseLockOffset, 1);
}

// Another program may use the file through the engine without our marker: a
// lock it holds on the engine's own bytes shows that it is in use right now.
bool EngineLocked(int fd) {
    struct flock fl = LockRange(F_WRLCK, kEngineLockOffset, 512);
    return ::fcntl(fd, F_OFD_GETLK, &fl) != 0 || fl.l_type != F_UNLCK;
}

std::string Key(const std::string& strSection, const std::string& strEntry) {
    return strSection + '\n' + strEntry;
}
}  // namespace

bool MatchWildcard(const std::string& strPattern, const std::string& strName) {
    // iterative matcher with back-tracking to the last '*'
    size_t p = 0, n = 0, nStar = std::string::npos, nMark = 0;
    while (n < strName.size()) {
        if (p < strPattern.size() && strPattern[p] == '*') {
            nStar = p++;
            nMark = n;
        } else if (p < strPattern.size() && strPattern[p] == strName[n]) {
            ++p;
            ++n;
        } else if (nStar != std::string::npos) {
            p = nStar + 1;
            n = ++nMark;
        } else {
            return false;
        }
    }
    while (p < strPattern.size() && strPattern[p] == '*') ++p;
    return p == strPattern.size();
}

int CPosixPlatform::GetProfileInt(const std::string& strSection, const std::string& strEntry, int nDefault) {
    auto it = m_mapSettings.find(Key(strSection, strEntry));
    return it == m_mapSettings.end() ? nDefault : std::atoi(it->second.c_str());
}

bool CPosixPlatform::WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) {
    m_mapSettings[Key(strSection, strEntry)] = std::to_string(nValue);
    return true;
}

std::string CPosixPlatform::GetProfileString(const std::string& strSection, const std::string& strEntry,
                                             const std::string& strDefault) {
    auto it = m_mapSettings.find(Key(strSection, strEntry));
    return it == m_mapSettings.end() ? strDefault : it->second;
}

bool CPosixPlatform::WriteProfileString(const std::string& strSection, const std::string& strEntry,
                                        const std::string& strValue) {
    m_mapSettings[Key(strSection, strEntry)] = strValue;
    return true;
}

bool CPosixPlatform::FileExists(const std::string& strPath) {
    std::error_code ec;
    return !strPath.empty() && fs::exists(fs::path(strPath), ec);
}

bool CPosixPlatform::CopyFileNoOverwrite(const std::string& strFrom, const std::string& strTo) {
    std::error_code ec;
    if (fs::exists(fs::path(strTo), ec)) return false;
    if (fs::copy_file(fs::path(strFrom), fs::path(strTo), fs::copy_options::none, ec)) return true;
    // a half-written copy (full disk) must not pass for a backup
    fs::remove(fs::path(strTo), ec);
    return false;
}

bool CPosixPlatform::DeleteFile(const std::string& strPath) {
    std::error_code ec;
    return fs::remove(fs::path(strPath), ec);
}

std::vector<SFileInfo> CPosixPlatform::FindFiles(const std::string& strFolder, const std::string& strPattern) {
    std::vector<SFileInfo> files;
    std::error_code ec;
    fs::directory_iterator it(strFolder.empty() ? fs::path(".") : fs::path(strFolder), ec);
    if (ec) return files;
    for (const auto& entry : it) {
        std::error_code ecEntry;
        if (!entry.is_regular_file(ecEntry)) continue;
        std::string strName = entry.path().filename().string();
        if (!MatchWildcard(strPattern, strName)) continue;
        auto nSize = entry.file_size(ecEntry);
        files.push_back({strName, ecEntry ? 0 : static_cast<std::int64_t>(nSize)});
    }
    return files;
}

bool CPosixPlatform::IsFileFree(const std::string& strPath) {
    int fd = ::open(strPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        struct flock fl = InUseLock(F_WRLCK);
        bool bFree = ::fcntl(fd, F_OFD_SETLK, &fl) == 0 && !EngineLocked(fd);
        ::close(fd);  // closing the description drops the lock at once
        return bFree;
    }
    // A file we may only read: ask whether a write lock could be placed.
    fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl = InUseLock(F_WRLCK);
    bool bFree = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type == F_UNLCK && !EngineLocked(fd);
    ::close(fd);
    return bFree;
}

int CPosixPlatform::HoldFileOpen(const std::string& strPath) {
    int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct flock fl = InUseLock(F_RDLCK);
    // Another process's in-use test holds the byte for a moment only; opening
    // without the marker would let it copy or upgrade a file that is in use.
    for (int nTry = 0; ::fcntl(fd, F_OFD_SETLK, &fl) != 0; ++nTry) {
        if (nTry == 200 || (errno != EAGAIN && errno != EACCES)) {
            ::close(fd);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        fl = InUseLock(F_RDLCK);
    }
    return fd;
}

void CPosixPlatform::ReleaseFileOpen(int nHandle) {
    if (nHandle >= 0) ::close(nHandle);
}

std::string CPosixPlatform::GetLoginName() {
    std::string strName;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) strName = pw->pw_name;
    if (strName.empty()) {
        if (const char* psz = std::getenv("USER")) strName = psz;
    }
    // the name is stored as text of the database; keep it within 255 bytes
    std::string strAnsi = Utf8ToCp1252(strName);
    if (strAnsi.size() > 255) strAnsi.resize(255);
    return strAnsi;
}

std::time_t CPosixPlatform::GetTime() {
    return std::time(nullptr);
}

void CPosixPlatform::Sleep(int nMilliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
}
