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
    if (!m_pStmt) {
        int rc = db.RunWithBusyRetry(m_strSql, [&](char** ppszMsg) {
            int n = sqlite3_prepare_v2(db.GetHandle(), m_strSql.c_str(), -1, &m_pStmt, nullptr);
            if (n != SQLITE_OK) message(ppszMsg);
            return n;
        });
        if (rc != SQLITE_OK) return false;
    }
    fnBind(m_pStmt);
    int rc = db.RunWithBusyRetry(m_strSql, [&](char** ppszMsg) {
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
    sqlite3_clear_bindings(m_pStmt);
    return rc == SQLITE_OK;
}
