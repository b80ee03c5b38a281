#include "table/CRecordSet.h"

#include <sqlite3.h>

#include "db/CDB.h"

CRecordSet::~CRecordSet() {
    FreeResult();
}

void CRecordSet::RecordError(int nCode, const std::string& strMsg) {
    m_nLastError = nCode;
    m_strLastError = m_db.GetHandle() ? sqlite3_errmsg(m_db.GetHandle()) : sqlite3_errstr(nCode);
    if (!strMsg.empty()) m_strLastStatementError = strMsg;
}

bool CRecordSet::Query(const std::string& strSql) {
    FreeResult();
    std::string strMsg;
    int rc = m_db.RunWithBusyRetry(
        strSql,
        [&](char** ppszMsg) {
            FreeResult();
            return sqlite3_get_table(m_db.GetHandle(), strSql.c_str(), &m_ppResult, &m_nRows, &m_nColumns, ppszMsg);
        },
        &strMsg, false);
    if (rc != SQLITE_OK) {
        RecordError(rc, strMsg);
        if (m_ppResult) sqlite3_free_table(m_ppResult);
        m_ppResult = nullptr;
        m_nRows = m_nColumns = 0;
        return false;
    }
    m_strQuery = strSql;
    m_nCurrentRow = 1;
    m_arrColumnNames.assign(m_ppResult, m_ppResult + m_nColumns);
    return true;
}

namespace {
struct SEachContext {
    CRecordSet::RowFn fn;
    void* pContext;
    std::vector<std::string>* pNames;
    int nRows;
};

int EachRow(void* p, int nColumns, char** ppValues, char** ppNames) {
    auto* pEach = static_cast<SEachContext*>(p);
    if (pEach->nRows == 0) pEach->pNames->assign(ppNames, ppNames + nColumns);
    ++pEach->nRows;
    return pEach->fn(pEach->pContext, ppValues) ? 0 : 1;
}
}  // namespace

int CRecordSet::QueryEach(const std::string& strSql, RowFn fn, void* pContext) {
    FreeResult();
    m_nRows = m_nColumns = 0;
    std::string strMsg;
    SEachContext each{fn, pContext, &m_arrColumnNames, 0};
    int rc = m_db.RunWithBusyRetry(
        strSql,
        [&](char** ppszMsg) {
            // the file is locked before the first row, so no row is handed twice
            return sqlite3_exec(m_db.GetHandle(), strSql.c_str(), EachRow, &each, ppszMsg);
        },
        &strMsg, false);
    if (rc != SQLITE_OK && rc != SQLITE_ABORT) {
        RecordError(rc, strMsg);
        return -1;
    }
    m_strQuery = strSql;
    return each.nRows;
}

const char* const* CRecordSet::GetRowCells() const {
    if (!m_ppResult || m_nCurrentRow < 1 || m_nCurrentRow > m_nRows) return nullptr;
    return m_ppResult + static_cast<std::size_t>(m_nCurrentRow) * m_nColumns;
}

bool CRecordSet::FreeResult() {
    if (!m_ppResult) return false;
    sqlite3_free_table(m_ppResult);
    m_ppResult = nullptr;
    return true;
}

bool CRecordSet::MoveNext() {
    if (!m_ppResult) return false;
    if (++m_nCurrentRow <= m_nRows) return true;
    m_nCurrentRow = m_nRows + 1;
    return false;
}

const char* CRecordSet::GetCell(int nColumn) const {
    const char* const* ppCells = GetRowCells();
    return ppCells && nColumn >= 0 && nColumn < m_nColumns ? ppCells[nColumn] : nullptr;
}

std::string CRecordSet::GetFieldValue(const std::string& strColumn) const {
    for (int i = 0; i < static_cast<int>(m_arrColumnNames.size()); ++i) {
        if (m_arrColumnNames[i] == strColumn) {
            const char* psz = GetCell(i);
            return psz ? psz : std::string();
        }
    }
    return std::string();
}

void CRecordSet::GetRow(CValueMap& map) const {
    map.clear();
    for (int i = 0; i < static_cast<int>(m_arrColumnNames.size()); ++i) {
        const char* psz = GetCell(i);
        map[m_arrColumnNames[i]] = psz ? psz : "";
    }
}

std::int64_t CRecordSet::InsertRow(const CValueMap& map) {
    std::string strColumns = "ID", strValues = "NULL";
    for (const auto& [strKey, strText] : map) {
        if (strKey == "ID") continue;
        strColumns += ", [" + strKey + "]";
        strValues += ", " + strText;
    }
    if (!m_db.Execute("INSERT INTO " + m_strTableName + " ( " + strColumns + ") VALUES ( " + strValues + " );"))
        return -1;
    return sqlite3_last_insert_rowid(m_db.GetHandle());
}

bool CRecordSet::UpdateRow(const CValueMap& map) {
    std::string strSet, strWhere;
    for (const auto& [strKey, strText] : map) {
        if (strKey == "ID") {
            strWhere = "[" + strKey + "]=" + strText;
        } else {
            if (!strSet.empty()) strSet += ", ";
            strSet += "[" + strKey + "]=" + strText;
        }
    }
    return m_db.Execute("UPDATE " + m_strTableName + " SET " + strSet + " WHERE " + strWhere + ";");
}

bool CRecordSet::DeleteRows(const char* pszCondition) {
    return m_db.Execute("DELETE FROM " + m_strTableName + WhereClause(pszCondition) + ";");
}
