// Backup copies, their pruning, the daily backup and the reorganisation.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

std::string ImmutableFileUri(const std::string& strPath) {
    std::string strUri = "file:";
    for (unsigned char c : strPath) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            strUri += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            strUri += buf;
        }
    }
    return strUri + "?immutable=1";
}

namespace {
std::string JoinPath(const std::string& strFolder, const std::string& strName) {
    // a path without folder names a file of the current folder
    return strFolder.empty() ? strName : strFolder + "/" + strName;
}

bool IsDigits(const std::string& str, size_t nPos, size_t nCount) {
    for (size_t i = nPos; i < nPos + nCount; ++i)
        if (str[i] < '0' || str[i] > '9') return false;
    return true;
}

// The copy of this minute: "<folder>/<file name>.<%Y%m%d_%H%M>".
std::string BackupCopyPath(const std::string& strPath, const std::string& strFolder) {
    return JoinPath(strFolder, GetFileNamePart(strPath) + "." + GetPlatform().FormatTime("%Y%m%d_%H%M"));
}

// The copies of the database file in the backup folder (names only).
std::vector<std::string> FindBackupCopies(const std::string& strFolder, const std::string& strFileName,
                                          const std::string& strPrefix) {
    std::vector<std::string> arr;
    for (const auto& file : GetPlatform().FindFiles(strFolder, strFileName + "." + strPrefix + "*"))
        if (IsBackupCopyName(file.strName, strFileName) &&
            file.strName.compare(strFileName.size() + 1, strPrefix.size(), strPrefix) == 0)
            arr.push_back(file.strName);
    return arr;
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Size of the file as the folder listing gives it; -1 when it is not found.
std::int64_t FileSize(const std::string& strPath) {
    std::string strName = GetFileNamePart(strPath);
    for (const auto& file : GetPlatform().FindFiles(GetFolderPart(strPath), strName))
        if (file.strName == strName) return file.nSize;
    return -1;
}

// A second connection on the file that holds the engine's shared lock while
// it lives: no other connection can write the file meanwhile, and a journal
// that a writer killed half-way left behind is rolled back first, so the
// bytes on disk are those of one commit.
class CSnapshotLock {
public:
    explicit CSnapshotLock(const std::string& strPath) {
        m_nResult = sqlite3_open_v2(strPath.c_str(), &m_pDb, SQLITE_OPEN_READWRITE, nullptr);
        if (m_nResult != SQLITE_OK) return;
        CDB& db = GetDatabase();
        // rolling back a dead writer's journal is a commit of its own
        if (IsLockedOutCode(m_nResult = db.ApplyDurableSync(m_pDb))) return;
        m_nResult = sqlite3_exec(m_pDb, "BEGIN TRANSACTION;", nullptr, nullptr, nullptr);
        if (m_nResult != SQLITE_OK) return;
        const std::string strSql = "SELECT count(*) FROM sqlite_master;";
        m_nResult = db.RunWithBusyRetry(
            strSql, [&](char** ppszMsg) { return sqlite3_exec(m_pDb, strSql.c_str(), nullptr, nullptr, ppszMsg); },
            nullptr, false);
    }
    ~CSnapshotLock() {
        if (m_pDb && !sqlite3_get_autocommit(m_pDb)) sqlite3_exec(m_pDb, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(m_pDb);
    }
    CSnapshotLock(const CSnapshotLock&) = delete;
    CSnapshotLock& operator=(const CSnapshotLock&) = delete;
    // SQLITE_OK while the lock is held. A file the engine cannot read (not
    // a database) is copied as it is: nobody can commit to it.
    int Result() const { return m_nResult; }

private:
    sqlite3* m_pDb = nullptr;
    int m_nResult = SQLITE_OK;
};

// True when the copy's Option table holds a value for the key; false also
// when the copy cannot be read.
bool CopyHoldsOption(const std::string& strCopy, const std::string& strKey) {
    // immutable: no locks and no side files, also for a copy in WAL mode
    const std::string strUri = ImmutableFileUri(strCopy);
    sqlite3* pDb = nullptr;
    bool bHolds = false;
    if (sqlite3_open_v2(strUri.c_str(), &pDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        char** ppTable = nullptr;
        int nRows = 0, nCols = 0;
        std::string strSql = "SELECT Value FROM Option WHERE Key='" + strKey + "' AND Value<>''";
        if (sqlite3_get_table(pDb, strSql.c_str(), &ppTable, &nRows, &nCols, nullptr) == SQLITE_OK) bHolds = nRows > 0;
        sqlite3_free_table(ppTable);
    }
    sqlite3_close(pDb);
    return bHolds;
}
}  // namespace

bool IsBackupCopyName(const std::string& strName, const std::string& strFileName) {
    // "<file name>." + 8 digits + "_" + 4 digits
    size_t n = strFileName.size();
    if (strName.size() != n + 14 || strName.compare(0, n, strFileName) != 0 || strName[n] != '.') return false;
    return IsDigits(strName, n + 1, 8) && strName[n + 9] == '_' && IsDigits(strName, n + 10, 4);
}

bool IsCompleteDatabaseFile(const std::string& strPath) {
    std::error_code ec;
    std::uintmax_t nSize = std::filesystem::file_size(std::filesystem::path(strPath), ec);
    if (ec) return false;
    unsigned char header[100];
    std::ifstream in(strPath, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    if (std::memcmp(header, "SQLite format 3", 16) != 0) return false;
    std::uint32_t nPageSize = (std::uint32_t(header[16]) << 8) | header[17];
    if (nPageSize == 1) nPageSize = 65536;
    if (nPageSize < 512 || nPageSize > 65536 || (nPageSize & (nPageSize - 1)) != 0) return false;
    // the page count in the header holds when the engine that wrote it last
    // also kept it (the change counter matches "valid for")
    std::uint32_t nPages = BigEndian32(header + 28);
    if (nPages != 0 && BigEndian32(header + 24) == BigEndian32(header + 92))
        return nSize == std::uintmax_t(nPages) * nPageSize;
    return nSize % nPageSize == 0;
}

std::string CopyBackupFile(const std::string& strPath, const std::string& strFolder, std::string* pstrWhy) {
    CPlatform& platform = GetPlatform();
    if (pstrWhy) pstrWhy->clear();
    std::string strTarget = BackupCopyPath(strPath, strFolder);
    if (platform.FileExists(strTarget)) {
        // a second backup within the minute finds its copy made already
        if (IsCompleteDatabaseFile(strTarget)) return strTarget;
        // a copy cut short (a full disk, a copy killed half-way by an older
        // version) is no backup; a whole one takes its place
        if (!platform.DeleteFile(strTarget)) {
            if (pstrWhy) *pstrWhy = Ansi("Eine unvollständige Kopie gleichen Namens kann nicht gelöscht werden.");
            return std::string();
        }
    }
    // the in-use test cannot keep a program out that uses the engine alone:
    // it waits for the copy as for any reader
    CSnapshotLock lock(strPath);
    if (IsLockedOutCode(lock.Result())) {
        if (pstrWhy) *pstrWhy = Ansi(DB_LOCKED_MESSAGE);
        return std::string();
    }
    if (platform.CopyFileNoOverwrite(strPath, strTarget)) return strTarget;
    if (pstrWhy) *pstrWhy = platform.GetLastCopyFailure();
    return std::string();
}

std::string BackupFailureText(const std::string& strFolder, const std::string& strWhy) {
    return "Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: " + Utf8ToCp1252(strFolder) + ")." +
           (strWhy.empty() ? "" : " " + strWhy);
}

std::string CDB::GetBackupFolder() {
    std::string strDir = GetOption("BackupDir");  // stored as Windows-1252 text
    if (!strDir.empty()) return Cp1252ToUtf8(strDir);
    return GetFolderPart(GetFilePath());
}

bool CDB::CopyToBackup(const std::string& strPath, const std::string& strFolder) {
    return GetPlatform().CopyFileNoOverwrite(strPath, BackupCopyPath(strPath, strFolder));
}

bool CDB::MakeBackup(std::string* pstrCopy) {
    if (pstrCopy) pstrCopy->clear();
    m_strBackupFailure.clear();
    if (!IsOpen()) return false;
    std::string strPath = GetFilePath();
    std::string strFolder = GetBackupFolder();
    Close();
    if (!IsFileFree()) {
        Open(strPath);
        return false;
    }
    m_strBackupFolder = strFolder;
    std::string strCopy = CopyBackupFile(strPath, strFolder, &m_strBackupFailure);
    Open(strPath);
    // a copy that could not be written is no backup: the stamp and the
    // pruning wait for one that was
    if (!strCopy.empty()) StampBackup();
    if (pstrCopy) *pstrCopy = strCopy;
    return true;
}

bool CDB::StampBackup() {
    (void)SetOption("LastBackup", GetTimeText());  // a stamp: the copy stands without it
    PruneBackups();
    return true;
}

bool CDB::DailyBackup() {
    if (GetOption("BackupAuto") != "TRUE") return false;
    std::string strFolder = GetBackupFolder();
    std::string strName = GetFileNamePart(GetFilePath());
    // the folder is searched without holding the file: a writer waiting for
    // the group's shared lock would wait for the disk too
    const bool bGroup = InReadGroup();
    EndReadGroup();
    // only a whole copy of today counts; a broken one gets a successor
    for (const auto& strCopy : FindBackupCopies(strFolder, strName, GetPlatform().FormatTime("%Y%m%d_")))
        if (IsCompleteDatabaseFile(JoinPath(strFolder, strCopy))) {
            if (bGroup) BeginReadGroup();  // the opening's remaining reads
            return false;
        }
    MakeBackup();
    return true;
}

bool CDB::PruneBackups() {
    std::string strCount = GetOption("BackupCount");
    if (strCount.empty()) return true;
    long nKeep = std::strtol(strCount.c_str(), nullptr, 10);
    if (nKeep <= 0) return true;  // unlimited

    std::string strFolder = GetBackupFolder();
    // only the time-stamped copies count; other files of the folder that
    // share the name (the database itself, wissen.tov.bak) are never touched
    std::vector<std::string> arrNames = FindBackupCopies(strFolder, GetFileNamePart(GetFilePath()), "");
    if (static_cast<long>(arrNames.size()) <= nKeep) return true;
    std::sort(arrNames.begin(), arrNames.end(), std::greater<>());  // newest first
    for (size_t i = static_cast<size_t>(nKeep); i < arrNames.size(); ++i)
        GetPlatform().DeleteFile(JoinPath(strFolder, arrNames[i]));
    return true;
}

std::vector<std::string> CDB::FindBackupCopiesWithout(const std::string& strKey) {
    std::string strFolder = GetBackupFolder();
    std::vector<std::string> arr;
    for (const auto& strName : FindBackupCopies(strFolder, GetFileNamePart(GetFilePath()), "")) {
        std::string strCopy = JoinPath(strFolder, strName);
        if (!CopyHoldsOption(strCopy, strKey)) arr.push_back(strCopy);
    }
    std::sort(arr.begin(), arr.end());
    return arr;
}

bool CDB::Reorganize(std::int32_t& nSaved) {
    std::string strPath = m_strFilePath;
    std::int64_t nBefore = FileSize(strPath);
    // what the trash has kept long enough goes first, so that VACUUM frees its pages
    int nKeepDays = 0;
    bool bPurged = ReadTrashKeepDays(nKeepDays) && PurgeTrashOlderThan(nKeepDays);
    bool bResult = Execute("VACUUM") && bPurged;
    GetPlatform().Sleep(1000);
    std::int64_t nAfter = FileSize(strPath);
    // a file gone from its folder meanwhile saved nothing that could be said
    m_bReorgSizeUnknown = nBefore < 0 || nAfter < 0;
    if (m_bReorgSizeUnknown) bResult = false;
    std::int64_t nDiff = m_bReorgSizeUnknown ? 0 : nBefore - nAfter;
    nDiff = std::clamp<std::int64_t>(nDiff, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    nSaved = static_cast<std::int32_t>(nDiff);
    (void)SetOption("LastReorg", GetTimeText());  // a stamp: the result is VACUUM's
    return bResult;
}
