#include "table/CPrepared.h"

#include <sqlite3.h>

#include "db/CDB.h"

CPrepared::~CPrepared() {
    sqlite3_finalize(m_pStmt);
}

bool CPrepared::Run(const std::function<void(sqlite3_stmt*)>& fnBind, const std::function<void(sqlite3_stmt*)>& fnRow) {
    CDB& db = GetDatabase();
    if (!db.IsOpen()) return false;
    auto message = [&](char** ppszMsg) { *ppszMsg = sqlite3_mprintf("%s", sqlite3_errmsg(db.GetHandle())); };
    bool bBound = false;
    // compiling belongs to the attempt: a statement that meets a lock while
    // the schema is read waits like one that meets it on its first step
    int rc = db.RunWithBusyRetry(m_strSql, [&](char** ppszMsg) {
        if (!m_pStmt) {
            int n = sqlite3_prepare_v2(db.GetHandle(), m_strSql.c_str(), -1, &m_pStmt, nullptr);
            if (n != SQLITE_OK) {
                message(ppszMsg);
                sqlite3_finalize(m_pStmt);
                m_pStmt = nullptr;
                return n;
            }
        }
        // a write ends a group of reads first (see CDB::BeginReadGroup)
        if (db.InReadGroup() && !sqlite3_stmt_readonly(m_pStmt)) db.EndReadGroup();
        if (!bBound) {
            fnBind(m_pStmt);
            bBound = true;
        }
        // a row handed over is not handed again: the retry of a busy
        // answer comes before the first row, when the lock is taken
        int n;
        while ((n = sqlite3_step(m_pStmt)) == SQLITE_ROW)
            if (fnRow) fnRow(m_pStmt);
        n = n == SQLITE_DONE ? SQLITE_OK : sqlite3_reset(m_pStmt);
        if (n != SQLITE_OK) message(ppszMsg);
        sqlite3_reset(m_pStmt);
        return n;
    });
    if (m_pStmt) sqlite3_clear_bindings(m_pStmt);
    return rc == SQLITE_OK;
}

void BindText(sqlite3_stmt* pStmt, int nIndex, const std::string& str) {
    sqlite3_bind_text(pStmt, nIndex, str.data(), static_cast<int>(str.size()), SQLITE_TRANSIENT);
}
