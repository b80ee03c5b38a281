#include "db/CDB.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Platform.h"

namespace {
// Runs a query through sqlite3_get_table, with the busy retry, and hands the
// first value cell to fn: null for NULL and when nothing matched, and
// whether a row matched.
template <typename Fn>
bool QueryFirstCell(CDB& db, const std::string& strSql, Fn fn) {
    char** ppTable = nullptr;
    int nRows = 0, nCols = 0;
    int rc = db.RunWithBusyRetry(strSql, [&](char** ppszMsg) {
        if (ppTable) sqlite3_free_table(ppTable);
        ppTable = nullptr;
        return sqlite3_get_table(db.GetHandle(), strSql.c_str(), &ppTable, &nRows, &nCols, ppszMsg);
    });
    if (rc != SQLITE_OK) {
        if (ppTable) sqlite3_free_table(ppTable);
        return false;
    }
    // the cell that follows the column header; none when nothing matched
    fn(nRows > 0 && nCols > 0 ? ppTable[nCols] : nullptr, nRows > 0);
    sqlite3_free_table(ppTable);
    return true;
}
}  // namespace

CDB::~CDB() {
    // process end: the platform may be gone already; the in-use lock goes with the process
    if (m_pConnection) sqlite3_close(m_pConnection);
}

bool CDB::Open(const std::string& strPath) {
    if (m_pConnection) return false;
    m_strFilePath = strPath;
    m_bLockedOut = false;
    m_nDataVersion = -1;
    // every write stamps the login name: looked up now (once per process),
    // not while others wait for the lock
    (void)::GetLoginName();
    int rc = sqlite3_open(strPath.c_str(), &m_pConnection);
    if (rc != SQLITE_OK) {
        SetError(rc, nullptr);
        return false;
    }
    if (IsLockedOutCode(ApplyDurableSync(m_pConnection))) {
        // a connection without it could lose a commit reported done
        sqlite3_close(m_pConnection);
        m_pConnection = nullptr;
        return false;
    }
    m_nInUseHandle = GetPlatform().HoldFileOpen(strPath);
    return true;
}

int CDB::ApplyDurableSync(sqlite3* pDb) {
    // the setting needs the schema read, so it waits for a lock; a file that
    // is no database answers its first real statement
    const std::string strSql = "PRAGMA synchronous=EXTRA;";
    return RunWithBusyRetry(
        strSql, [&](char** ppszMsg) { return sqlite3_exec(pDb, strSql.c_str(), nullptr, nullptr, ppszMsg); }, nullptr,
        false);
}

bool CDB::Close() {
    if (!m_pConnection) return false;
    EndReadGroup();
    int rc = sqlite3_close(m_pConnection);
    if (rc != SQLITE_OK) {
        SetError(rc, nullptr);
        return false;
    }
    m_pConnection = nullptr;
    GetPlatform().ReleaseFileOpen(m_nInUseHandle);
    m_nInUseHandle = -1;
    return true;
}

int CDB::RunWithBusyRetry(const std::string& strSql, const std::function<int(char**)>& fnAttempt,
                          std::string* pstrMessage, bool bRecordAny) {
    CPlatform& platform = GetPlatform();
    bool bWaiting = false;
    int rc = SQLITE_OK;
    int nWaited = 0;
    int nStep = DB_BUSY_STEP_MIN_MS;
    for (;;) {
        char* pszMsg = nullptr;
        Trace(strSql);
        rc = fnAttempt(&pszMsg);
        if (rc == SQLITE_BUSY) {
            // readers wait like writers: another user's commit or maintenance
            // holds the file only for a moment
            if (nWaited < DB_BUSY_WAIT_MS) {
                if (!bWaiting) platform.BeginWaitForOthers();
                bWaiting = true;
                const int nPause = std::min(nStep, DB_BUSY_WAIT_MS - nWaited);
                platform.Sleep(nPause);
                nWaited += nPause;
                nStep = std::min(nStep * 2, DB_BUSY_STEP_MAX_MS);
                sqlite3_free(pszMsg);
                continue;
            }
            m_bLockedOut = true;
        }
        if (rc != SQLITE_OK) {
            if (bRecordAny || rc == SQLITE_BUSY) SetError(rc, pszMsg);
            if (pstrMessage && pszMsg) *pstrMessage = pszMsg;
        }
        sqlite3_free(pszMsg);
        break;
    }
    if (bWaiting) platform.EndWaitForOthers();
    return rc;
}

void CDB::BeginReadGroup() {
    if (!m_pConnection || m_bReadGroup || m_nTransactionDepth > 0) return;
    // deferred: the lock is taken by the first read, with its busy wait
    m_bReadGroup = sqlite3_exec(m_pConnection, "BEGIN DEFERRED TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void CDB::EndReadGroup() {
    if (!m_bReadGroup) return;
    m_bReadGroup = false;
    m_optGroupOptions.reset();
    // a transaction that only read: ending it cannot fail on a lock
    if (m_pConnection && !sqlite3_get_autocommit(m_pConnection))
        sqlite3_exec(m_pConnection, "COMMIT TRANSACTION;", nullptr, nullptr, nullptr);
}

bool CDB::GroupOption(const std::string& strKey, std::string& strValue) {
    if (!m_bReadGroup || !m_pConnection) return false;
    if (!m_optGroupOptions) {
        char** ppTable = nullptr;
        int nRows = 0, nCols = 0;
        const std::string strSql = "SELECT Key, Value FROM Option;";
        int rc = RunWithBusyRetry(strSql, [&](char** ppszMsg) {
            if (ppTable) sqlite3_free_table(ppTable);
            ppTable = nullptr;
            return sqlite3_get_table(m_pConnection, strSql.c_str(), &ppTable, &nRows, &nCols, ppszMsg);
        });
        // a file without the table, or a table of another shape, is read key by key
        if (rc != SQLITE_OK || nCols != 2) {
            if (ppTable) sqlite3_free_table(ppTable);
            return false;
        }
        auto& arr = m_optGroupOptions.emplace();
        for (int r = 1; r <= nRows; ++r) {
            const char* pszKey = ppTable[r * 2];
            const char* pszValue = ppTable[r * 2 + 1];
            if (pszKey) arr.emplace_back(pszKey, pszValue ? pszValue : "");
        }
        sqlite3_free_table(ppTable);
    }
    strValue.clear();
    for (const auto& [strStoredKey, strStoredValue] : *m_optGroupOptions)
        if (strStoredKey == strKey) {
            strValue = strStoredValue;
            break;
        }
    return true;
}

bool CDB::Execute(const std::string& strSql) {
    if (!m_pConnection) return false;
    // a write inside the group would wait for a lock the group itself keeps
    // others from giving up
    EndReadGroup();
    CPlatform& platform = GetPlatform();
    platform.BeginWaitCursor();
    int rc = RunWithBusyRetry(
        strSql, [&](char** ppszMsg) { return sqlite3_exec(m_pConnection, strSql.c_str(), nullptr, nullptr, ppszMsg); });
    platform.EndWaitCursor();
    return rc == SQLITE_OK;
}

int CDB::Count(const std::string& strTable, const char* pszCondition) {
    std::string strSql = "SELECT count(*) FROM " + strTable + WhereClause(pszCondition);
    int nCount = -1;
    if (!QueryFirstCell(*this, strSql, [&](const char* psz, bool) { nCount = psz ? std::atoi(psz) : 0; })) return -1;
    return nCount;
}

std::string CDB::GetValue(const std::string& strTable, const std::string& strColumn, const char* pszCondition) {
    std::string strValue;
    ReadValue(strTable, strColumn, pszCondition, strValue);
    return strValue;
}

bool CDB::ReadValue(const std::string& strTable, const std::string& strColumn, const char* pszCondition,
                    std::string& strValue, bool* pbFound) {
    strValue.clear();
    if (pbFound) *pbFound = false;
    int n = Count(strTable, pszCondition);
    if (n == 0) return true;
    std::string strSql = "SELECT " + strColumn + " FROM " + strTable + WhereClause(pszCondition);
    // a failed count goes on to the select, whose answer decides
    return QueryFirstCell(*this, strSql, [&](const char* psz, bool bRow) {
        if (psz) strValue = psz;
        if (pbFound) *pbFound = bRow;
    });
}

bool CDB::TableExists(const std::string& strTable) {
    bool bExists = false;
    return ReadTableExists(strTable, bExists) && bExists;
}

bool CDB::ReadTableExists(const std::string& strTable, bool& bExists) {
    std::string strCondition = "[type]='table' AND [tbl_name]='" + strTable + "'";
    int n = Count("sqlite_master", strCondition.c_str());
    bExists = n > 0;
    return n >= 0;
}

bool CDB::ReadChangedByOthers(bool& bChanged) {
    bChanged = false;
    if (!m_pConnection) return false;
    // one step, no busy wait: the next call asks again
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v2(m_pConnection, "PRAGMA data_version;", -1, &pStmt, nullptr) != SQLITE_OK) return false;
    Trace("PRAGMA data_version;");
    const bool bRead = sqlite3_step(pStmt) == SQLITE_ROW;
    const long long nVersion = bRead ? sqlite3_column_int64(pStmt, 0) : -1;
    sqlite3_finalize(pStmt);
    if (!bRead) return false;
    bChanged = m_nDataVersion >= 0 && nVersion != m_nDataVersion;
    m_nDataVersion = nVersion;
    return true;
}

bool CDB::IsFileFree() {
    return GetPlatform().IsFileFree(m_strFilePath);
}

bool CDB::BeginTransaction() {
    if (++m_nTransactionDepth == 1) return Execute("BEGIN TRANSACTION;");
    return true;
}

bool CDB::BeginExclusiveTransaction() {
    if (++m_nTransactionDepth == 1) return Execute("BEGIN EXCLUSIVE TRANSACTION;");
    return true;
}

bool CDB::CommitTransaction() {
    if (m_nTransactionDepth <= 0) return true;
    if (--m_nTransactionDepth == 0) return Execute("COMMIT TRANSACTION;");
    return true;
}

bool CDB::RollbackTransaction() {
    m_nTransactionDepth = 0;
    return Execute("ROLLBACK TRANSACTION;");
}

void CDB::SetError(int nCode, const char* pszStatementMessage) {
    m_nLastError = nCode;
    m_strLastError = m_pConnection ? sqlite3_errmsg(m_pConnection) : sqlite3_errstr(nCode);
    if (pszStatementMessage) m_strLastStatementError = pszStatementMessage;
}

std::string WhereClause(const char* pszCondition) {
    return pszCondition ? std::string(" WHERE ") + pszCondition : std::string();
}

CDB& GetDatabase() {
    static CDB db;
    return db;
}

bool OpenDatabase(const std::string& strPath) {
    CDB& db = GetDatabase();
    if (db.IsOpen()) db.Close();
    db.Open(strPath);
    return true;
}

bool CloseDatabase() {
    GetDatabase().Close();
    return true;
}
