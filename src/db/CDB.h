#pragma once
// The one connection of the process to the open database file: statements
// with the busy retry, counts and single values, nested transactions, the
// in-use test, the Option store and the stamps, backup, reorganisation and
// the schema version check.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

// Version of the program and of the current schema.
inline constexpr const char* ORVANTIS_VERSION = "1.200";

// A statement that meets another user's lock is tried again after short
// pauses, growing from DB_BUSY_STEP_MIN_MS to DB_BUSY_STEP_MAX_MS, until the
// pauses add up to DB_BUSY_WAIT_MS: a lock of a moment costs a moment, and
// whoever waits comes back soon after it ends.
inline constexpr int DB_BUSY_WAIT_MS = 10500;
inline constexpr int DB_BUSY_STEP_MIN_MS = 1;
inline constexpr int DB_BUSY_STEP_MAX_MS = 10;

// Shown (UTF-8 source text) when another user keeps the file locked beyond
// the busy retry.
inline constexpr const char* DB_LOCKED_MESSAGE =
    "Die Datenbank wird gerade von einem anderen Benutzer verwendet. Bitte später erneut versuchen.";

class CDB {
public:
    CDB() = default;
    CDB(const CDB&) = delete;
    CDB& operator=(const CDB&) = delete;
    virtual ~CDB();

    // --- session -------------------------------------------------------------
    bool Open(const std::string& strPath);
    bool Close();
    bool IsOpen() const { return m_pConnection != nullptr; }
    std::string GetFilePath() const { return IsOpen() ? m_strFilePath : std::string(); }
    sqlite3* GetHandle() const { return m_pConnection; }

    bool Execute(const std::string& strSql);
    int Count(const std::string& strTable, const char* pszCondition = nullptr);
    std::string GetValue(const std::string& strTable, const std::string& strColumn, const char* pszCondition = nullptr);
    bool TableExists(const std::string& strTable);
    // The same reads for callers that decide on the answer: false when the
    // statement failed, so that a locked or damaged file is never taken for
    // a value that is not set or a table that is missing. *pbFound tells
    // whether a row matched.
    bool ReadValue(const std::string& strTable, const std::string& strColumn, const char* pszCondition,
                   std::string& strValue, bool* pbFound = nullptr);
    bool ReadTableExists(const std::string& strTable, bool& bExists);
    bool IsFileFree();

    [[nodiscard]] bool BeginTransaction();
    [[nodiscard]] bool BeginExclusiveTransaction();
    [[nodiscard]] bool CommitTransaction();
    bool RollbackTransaction();
    int GetTransactionDepth() const { return m_nTransactionDepth; }

    // A run of reads under one shared lock (a deferred transaction), so that
    // a short job meets other users' locks once instead of at every
    // statement. Only for reads with no user in between: a write, a
    // transaction or the close end it first; whoever asks the user a
    // question ends it before waiting for the answer. Within a group the
    // options are read once, all in one statement: nobody can change them
    // while the group's lock is held.
    void BeginReadGroup();
    void EndReadGroup();
    bool InReadGroup() const { return m_bReadGroup; }

    // Runs one attempt of a statement until it is not answered busy, with
    // a pause after each busy answer, for DB_BUSY_WAIT_MS at most; records
    // a failure, whose engine message also goes to *pstrMessage; without
    // bRecordAny only a lock that outlasted the retry is recorded (record
    // sets keep their own record). fnAttempt gets the place for the
    // engine's message.
    int RunWithBusyRetry(const std::string& strSql, const std::function<int(char**)>& fnAttempt,
                         std::string* pstrMessage = nullptr, bool bRecordAny = true);
    // True once a statement gave up because another user kept the file
    // locked beyond the retry (until the next Open).
    bool WasLockedOut() const { return m_bLockedOut; }
    // Another connection's commit since the last call, read without waiting
    // and without a lock held afterwards: false when the file could not be
    // read now (try again later). The first call answers true.
    bool ReadChangedByOthers(bool& bChanged);
    // Makes a connection's commits survive a crash of the machine: the
    // folder is synced after the journal is deleted, or a commit could come
    // back undone with it. Waits for another user's lock like a statement;
    // answers the engine's code.
    int ApplyDurableSync(sqlite3* pDb);
    // Clears the recorded error, so that a later failure can be told apart.
    void ClearLastError() { m_nLastError = 0; }

    void SetError(int nCode, const char* pszStatementMessage);
    int GetLastErrorCode() const { return m_nLastError; }
    const std::string& GetLastErrorText() const { return m_strLastError; }
    const std::string& GetLastStatementError() const { return m_strLastStatementError; }

    // Every SQL text handed to the engine is passed to the hook first (each
    // attempt of a retried statement too), so tests can read what was sent.
    using StatementHook = std::function<void(const std::string&)>;
    void SetStatementHook(StatementHook hook) { m_hook = std::move(hook); }
    void Trace(const std::string& strSql) const {
        if (m_hook) m_hook(strSql);
    }

    // --- options and stamps ------------------------------------------------------
    std::string GetOption(const std::string& strKey);
    // False when the value could not be read; a file without the Option
    // table (version 1.000) reads every option as empty.
    bool ReadOption(const std::string& strKey, std::string& strValue);
    [[nodiscard]] bool SetOption(const std::string& strKey, const std::string& strValue);
    bool InitNewDatabase();
    bool StampEdit();
    const std::string& GetUserName() const { return m_strUserName; }
    const std::string& GetTimeStamp() const { return m_strTimeStamp; }

    // --- schema versions ------------------------------------------------------------
    std::string GetDbVersion();
    bool ReadDbVersion(std::string& strVersion);
    bool CheckVersion();
    bool UpgradeDatabase();

    // --- backup and reorganisation ---------------------------------------------
    std::string GetBackupFolder();
    bool CopyToBackup(const std::string& strPath, const std::string& strFolder);
    // *pstrCopy gets the path of the copy of this minute, or stays empty when
    // none could be written.
    bool MakeBackup(std::string* pstrCopy = nullptr);
    // Why the last MakeBackup made no copy (Windows-1252; empty when it
    // made one or gave no reason), and the folder it tried.
    const std::string& GetBackupFailure() const { return m_strBackupFailure; }
    const std::string& GetBackupFolderTried() const { return m_strBackupFolder; }
    bool StampBackup();
    bool DailyBackup();
    bool PruneBackups();
    // The backup copies of the open file (full paths, oldest first) whose
    // Option table has no value for the key, or that cannot be read.
    std::vector<std::string> FindBackupCopiesWithout(const std::string& strKey);
    bool Reorganize(std::int32_t& nSaved);
    // True when the last Reorganize could not find the file in its folder
    // before or after (a folder deleted or renamed meanwhile).
    bool WasReorgFileMissing() const { return m_bReorgSizeUnknown; }

private:
    // The group's options: false when there is no group, or the table could
    // not be read in one go (the caller then reads as ever).
    bool GroupOption(const std::string& strKey, std::string& strValue);

    sqlite3* m_pConnection = nullptr;
    int m_nTransactionDepth = 0;
    bool m_bReadGroup = false;
    // The Option table as the group read it (key, value; first row of a key first); not read yet when unset.
    std::optional<std::vector<std::pair<std::string, std::string>>> m_optGroupOptions;
    int m_nLastError = 0;
    std::string m_strLastError;
    std::string m_strLastStatementError;
    std::string m_strFilePath;
    std::string m_strUserName;
    std::string m_strTimeStamp;

    bool m_bLockedOut = false;
    long long m_nDataVersion = -1;  // PRAGMA data_version last read
    int m_nInUseHandle = -1;        // shared in-use lock while open
    bool m_bReorgSizeUnknown = false;
    std::string m_strBackupFailure;
    std::string m_strBackupFolder;
    StatementHook m_hook;
};

CDB& GetDatabase();
bool OpenDatabase(const std::string& strPath);
bool CloseDatabase();

// Local time as "%Y.%m.%d-%H:%M", and the login name (Windows-1252).
std::string GetTimeText();
std::string GetLoginName();
// True when strName is a backup copy of the database file strFileName:
// "<file name>.<%Y%m%d_%H%M>".
// A file URI that the engine opens without locks, journal or side files (to
// be opened read-only): a copy read as it lies on disk and never touched.
std::string ImmutableFileUri(const std::string& strPath);
bool IsBackupCopyName(const std::string& strName, const std::string& strFileName);
// True when the file holds a whole database file as the engine left it: its
// header, and as many bytes as the header counts pages. A copy cut short
// fails.
bool IsCompleteDatabaseFile(const std::string& strPath);
// Copies the database file into the folder under the name of the current
// minute, never over a whole copy; a broken copy of that name is replaced.
// Answers the copy's path when it was made now or earlier in the same
// minute; empty when it could not be written.
// The copy is taken under the engine's shared lock, so it holds one commit
// whatever other programs write meanwhile. *pstrWhy gets the reason when no
// copy was made (Windows-1252).
std::string CopyBackupFile(const std::string& strPath, const std::string& strFolder, std::string* pstrWhy = nullptr);
// "Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: …)." and
// the reason (Windows-1252).
std::string BackupFailureText(const std::string& strFolder, const std::string& strWhy);
// Why a statement failed with the engine code nCode, in the program's words
// (Windows-1252); empty when the code says nothing the user could act on.
std::string GetDbFailureReason(int nCode);
// Shows the reason for the session's last failure when there is one the
// user can act on; answers whether a message was shown.
bool ShowDbFailureReason();
// The same for the engine code nCode (recorded before a rollback).
bool ShowDbFailureReason(int nCode);
// True for the engine codes of another user's lock.
bool IsLockedOutCode(int nCode);
// "Datenbank konnte nicht geöffnet werden !"
void ShowCannotOpenDatabase();
// A file that could not be read while opening is never taken for an old or
// unprotected one: another user's lock is said as such, anything else
// cannot be opened.
void ShowDbUnreadable();
// Why the open database cannot be written now (Windows-1252): a change is
// tried and rolled back at once. Empty when it can, or when another user
// only holds it locked for the moment.
std::string WhyDatabaseCannotBeWritten();
// " WHERE " and the condition, or nothing for none.
std::string WhereClause(const char* pszCondition);
// File path parts at the last "/".
std::string GetFolderPart(const std::string& strPath);
std::string GetFileNamePart(const std::string& strPath);
