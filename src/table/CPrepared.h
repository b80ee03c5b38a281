#pragma once
// One statement compiled once and run many times with new values: for
// batches that write or check many rows, where compiling a statement costs
// several times what running it does. It lives only as long as its batch: a
// compiled statement left behind would keep the session from closing.

#include <functional>
#include <string>

struct sqlite3_stmt;

class CPrepared {
public:
    explicit CPrepared(std::string strSql) : m_strSql(std::move(strSql)) {}
    CPrepared(const CPrepared&) = delete;
    CPrepared& operator=(const CPrepared&) = delete;
    ~CPrepared();

    // Compiles the statement at the first run, binds the values (fnBind),
    // runs it to its end with the session's busy retry, handing each result
    // row to fnRow, and makes it ready for the next run. False when it
    // failed; the failure is recorded as for any statement of the session.
    bool Run(const std::function<void(sqlite3_stmt*)>& fnBind,
             const std::function<void(sqlite3_stmt*)>& fnRow = nullptr);

private:
    std::string m_strSql;
    sqlite3_stmt* m_pStmt = nullptr;
};

// Binds a text with its length: NUL bytes and every other byte arrive.
void BindText(sqlite3_stmt* pStmt, int nIndex, const std::string& str);
