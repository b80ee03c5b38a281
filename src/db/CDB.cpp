#include "db/CDB.h"

#include <sqlite3.h>

#include <cstdlib>

#include "platform/Platform.h"

namespace {
// Runs a query through sqlite3_get_table and hands the first value cell to fn.
template <typename Fn>
bool QueryFirstCell(CDB& db, const std::string& strSql, Fn fn) {
    char** ppTable = nullptr;
    int nRows = 0, nCols = 0;
    char* pszMsg = nullptr;
    db.Trace(strSql);
    int rc = sqlite3_get_table(db.GetHandle(), strSql.c_str(), &ppTable, &nRows, &nCols, &pszMsg);
    if (rc != SQLITE_OK) {
        db.SetError(rc, pszMsg);
        sqlite3_free(pszMsg);
        if (ppTable) sqlite3_free_table(ppTable);
        return false;
    }
    // the cell that follows the column header; none when nothing matched
    fn(nRows > 0 && nCols > 0 ? ppTable[nCols] : nullptr);
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
    int rc = sqlite3_open(strPath.c_str(), &m_pConnection);
    if (rc != SQLITE_OK) {
        SetError(rc, nullptr);
        return false;
    }
    m_nInUseHandle = GetPlatform().HoldFileOpen(strPath);
    return true;
}

bool CDB::Close() {
    if (!m_pConnection) return false;
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

bool CDB::Execute(const std::string& strSql) {
    if (!m_pConnection) return false;
    CPlatform& platform = GetPlatform();
    platform.BeginWaitCursor();
    int nAttempt = 0;
    for (;;) {
        char* pszMsg = nullptr;
        Trace(strSql);
        int rc = sqlite3_exec(m_pConnection, strSql.c_str(), nullptr, nullptr, &pszMsg);
        if (rc == SQLITE_OK) {
            platform.EndWaitCursor();
            return true;
        }
        if (rc == SQLITE_BUSY) {
            platform.Sleep(DB_BUSY_PAUSE_MS);
            if (++nAttempt <= DB_BUSY_RETRIES) {
                sqlite3_free(pszMsg);
                continue;
            }
            // gave up: the last attempt's message is recorded like any other
        }
        SetError(rc, pszMsg);
        sqlite3_free(pszMsg);
        platform.EndWaitCursor();
        return false;
    }
}

int CDB::Count(const std::string& strTable, const char* pszCondition) {
    std::string strSql = "SELECT count(*) FROM " + strTable + WhereClause(pszCondition);
    int nCount = -1;
    if (!QueryFirstCell(*this, strSql, [&](const char* psz) { nCount = psz ? std::atoi(psz) : 0; })) return -1;
    return nCount;
}

std::string CDB::GetValue(const std::string& strTable, const std::string& strColumn, const char* pszCondition) {
    if (Count(strTable, pszCondition) == 0) return std::string();
    std::string strSql = "SELECT " + strColumn + " FROM " + strTable + WhereClause(pszCondition);
    std::string strValue;
    QueryFirstCell(*this, strSql, [&](const char* psz) {
        if (psz) strValue = psz;
    });
    return strValue;
}

bool CDB::TableExists(const std::string& strTable) {
    std::string strCondition = "[type]='table' AND [tbl_name]='" + strTable + "'";
    return Count("sqlite_master", strCondition.c_str()) > 0;
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
