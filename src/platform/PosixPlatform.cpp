#include "platform/PosixPlatform.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

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

namespace {
// A temporary copy is named "." + final name + this mark + 6 random characters.
constexpr const char* kPartMark = ".kopie-";
// A hidden part that nobody holds locked and that was not written for this
// long belongs to a copy that was killed.
constexpr int kStalePartSeconds = 60;

// Closes the descriptor on every way out.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    // A network file system may report a failed write only here.
    bool Close() {
        int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Keeps errno across clean-up calls that may change it.
class CKeepErrno {
public:
    CKeepErrno() : m_n(errno) {}
    ~CKeepErrno() { errno = m_n; }

private:
    int m_n;
};

bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) return false;
        if (k == 0) {
            errno = ENOSPC;
            return false;
        }
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

// Copies every byte; a source that changes its size meanwhile gives no copy.
bool CopyBytes(int fdIn, int fdOut, off_t nExpected) {
    std::vector<char> buf(1 << 20);
    off_t nTotal = 0;
    for (;;) {
        ssize_t n = ::read(fdIn, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        if (!WriteAll(fdOut, buf.data(), static_cast<size_t>(n))) return false;
        nTotal += n;
    }
    if (nTotal != nExpected) {
        errno = EBUSY;
        return false;
    }
    return true;
}

bool FlushFolder(const std::string& strFolder) {
    int fd = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool bOk = ::fsync(fd) == 0;
    ::close(fd);
    return bOk;
}

bool IsPartName(const std::string& strName) {
    size_t nMark = strName.rfind(kPartMark);
    return strName.size() > 1 && strName[0] == '.' && nMark != std::string::npos && nMark > 1 &&
           strName.size() == nMark + std::char_traits<char>::length(kPartMark) + 6;
}

// Removes the parts of killed copies: a copy holds a lock on its part until
// the part has its final name or is gone.
void RemoveStaleParts(const std::string& strFolder) {
    CKeepErrno keep;
    std::error_code ec;
    fs::directory_iterator it(fs::path(strFolder), ec);
    if (ec) return;
    std::time_t tNow = std::time(nullptr);
    for (const auto& entry : it) {
        std::string strName = entry.path().filename().string();
        if (!IsPartName(strName)) continue;
        CFd fd(::open(entry.path().c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (tNow - st.st_mtime < kStalePartSeconds) continue;
        struct flock fl = LockRange(F_WRLCK, 0, 0);
        if (::fcntl(fd.Get(), F_OFD_SETLK, &fl) == 0) ::unlink(entry.path().c_str());
    }
}

// Gives the finished part its final name without replacing anything there.
bool PublishPart(const std::string& strPart, const std::string& strTo) {
    if (::link(strPart.c_str(), strTo.c_str()) == 0) {
        ::unlink(strPart.c_str());
        return true;
    }
    bool bDone = false;
    if (errno != EEXIST) {
        // file systems without hard links
        if (::renameat2(AT_FDCWD, strPart.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
            struct stat st {};
            if (::lstat(strTo.c_str(), &st) == 0)
                errno = EEXIST;
            else
                bDone = ::rename(strPart.c_str(), strTo.c_str()) == 0;
        }
    }
    if (!bDone) {
        CKeepErrno keep;
        ::unlink(strPart.c_str());
    }
    return bDone;
}

// The last steps once strTo holds the copy: a close that fails (a network
// file system may say so only here) takes the name away again.
bool CloseAndFlush(CFd& fdOut, const std::string& strTo, const std::string& strFolder) {
    if (!fdOut.Close()) {
        CKeepErrno keep;
        ::unlink(strTo.c_str());
        return false;
    }
    FlushFolder(strFolder);
    return true;
}
}  // namespace

bool CopyFileAtomic(const std::string& strFrom, const std::string& strTo, bool bNamedTemp) {
    struct stat st {};
    if (strTo.empty() || ::lstat(strTo.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    CFd fdIn(::open(strFrom.c_str(), O_RDONLY | O_CLOEXEC));
    if (fdIn.Get() < 0 || ::fstat(fdIn.Get(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    const mode_t nMode = st.st_mode & 0777;
    fs::path pathTo(strTo);
    std::string strFolder = pathTo.has_parent_path() ? pathTo.parent_path().string() : std::string(".");

    // an unnamed file vanishes with a killed copy by itself
    if (!bNamedTemp && ::access("/proc/self/fd", X_OK) == 0) {
        CFd fdOut(::open(strFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, nMode));
        if (fdOut.Get() >= 0) {
            std::string strProc = "/proc/self/fd/" + std::to_string(fdOut.Get());
            if (::fchmod(fdOut.Get(), nMode) != 0 || !CopyBytes(fdIn.Get(), fdOut.Get(), st.st_size) ||
                ::fsync(fdOut.Get()) != 0 ||
                ::linkat(AT_FDCWD, strProc.c_str(), AT_FDCWD, strTo.c_str(), AT_SYMLINK_FOLLOW) != 0)
                return false;
            return CloseAndFlush(fdOut, strTo, strFolder);
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    }

    RemoveStaleParts(strFolder);
    std::string strPart = (fs::path(strFolder) / ("." + pathTo.filename().string() + kPartMark + "XXXXXX")).string();
    CFd fdOut(::mkostemp(strPart.data(), O_CLOEXEC));
    if (fdOut.Get() < 0) return false;
    struct flock fl = LockRange(F_WRLCK, 0, 0);
    bool bCopied = ::fcntl(fdOut.Get(), F_OFD_SETLK, &fl) == 0 && ::fchmod(fdOut.Get(), nMode) == 0 &&
                   CopyBytes(fdIn.Get(), fdOut.Get(), st.st_size) && ::fsync(fdOut.Get()) == 0;
    if (!bCopied) {
        CKeepErrno keep;
        ::unlink(strPart.c_str());
        return false;
    }
    // the lock goes with the close, after the part has its final name
    if (!PublishPart(strPart, strTo)) return false;
    return CloseAndFlush(fdOut, strTo, strFolder);
}

std::string DescribeFileError(int nErrno) {
    switch (nErrno) {
        case ENOSPC:
        case EDQUOT: return Ansi("Der Datenträger ist voll.");
        case EROFS: return Ansi("Der Datenträger ist schreibgeschützt.");
        case EACCES:
        case EPERM: return Ansi("Der Zugriff wurde verweigert (fehlende Berechtigung).");
        case ENOENT:
        case ENOTDIR: return Ansi("Der Ordner existiert nicht.");
        case EISDIR: return Ansi("Es handelt sich um einen Ordner, nicht um eine Datei.");
        case ELOOP: return Ansi("Die Verknüpfungen des Pfades bilden einen Kreis.");
        case EIO: return Ansi("Der Datenträger meldet einen Lese- oder Schreibfehler.");
        case EEXIST: return Ansi("Die Datei existiert bereits.");
        case EBUSY: return Ansi("Die Datei wurde während des Kopierens verändert.");
        case EFBIG: return Ansi("Die Datei ist für den Datenträger zu groß.");
        default: return std::string();
    }
}

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
    bool bCopied = CopyFileAtomic(strFrom, strTo);
    m_nLastCopyError = bCopied ? 0 : errno;
    return bCopied;
}

std::string CPosixPlatform::GetLastCopyFailure() const {
    return m_nLastCopyError ? DescribeFileError(m_nLastCopyError) : std::string();
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
    // asked inside write transactions: the user database is read once per process
    static const std::string s_strLogin = ReadLoginName();
    return s_strLogin;
}

std::string CPosixPlatform::ReadLoginName() {
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
