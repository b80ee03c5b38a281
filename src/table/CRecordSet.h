#pragma once
// The result of one query, held whole in memory, with a row cursor; and the
// builder of the INSERT, UPDATE and DELETE statements of its table.

#include <string>
#include <vector>

#include "table/CTableItem.h"

class CDB;

class CRecordSet {
public:
    explicit CRecordSet(CDB& db) : m_db(db) {}
    CRecordSet(const CRecordSet&) = delete;
    CRecordSet& operator=(const CRecordSet&) = delete;
    virtual ~CRecordSet();

    void SetTableName(const std::string& strName) { m_strTableName = strName; }

    bool Query(const std::string& strSql);
    // Runs the query and hands each row's cells (null for NULL) to fn as the
    // engine produces them, without holding the result: for reading a whole
    // large table once. The column names are set before the first row.
    // Answers the number of rows handed over, -1 when the query failed
    // (recorded as for Query). No result is held afterwards.
    using RowFn = bool (*)(void* pContext, const char* const* ppCells);
    int QueryEach(const std::string& strSql, RowFn fn, void* pContext);
    // The current row's cells, indexed by result column; null without a row.
    const char* const* GetRowCells() const;
    bool FreeResult();
    int GetRowCount() const { return m_ppResult ? m_nRows : -1; }
    int GetColumnCount() const { return m_nColumns; }
    bool IsEOF() const { return m_ppResult && m_nCurrentRow > m_nRows; }
    bool MoveNext();
    std::string GetFieldValue(const std::string& strColumn) const;
    void GetRow(CValueMap& map) const;
    const std::vector<std::string>& GetColumnNames() const { return m_arrColumnNames; }
    // The current row's cell of a result column; null for NULL or no row.
    const char* GetCell(int nColumn) const;

    std::int64_t InsertRow(const CValueMap& map);
    bool UpdateRow(const CValueMap& map);
    bool DeleteRows(const char* pszCondition);

    int GetLastErrorCode() const { return m_nLastError; }
    const std::string& GetLastErrorText() const { return m_strLastError; }
    const std::string& GetLastStatementError() const { return m_strLastStatementError; }
    const std::string& GetQueryText() const { return m_strQuery; }

private:
    // Records a failed statement and frees the engine's message.
    void RecordError(int nCode, const std::string& strMsg);

    int m_nLastError = 0;
    std::string m_strLastError;
    std::string m_strLastStatementError;
    int m_nRows = 0;
    int m_nColumns = 0;
    char** m_ppResult = nullptr;
    std::string m_strQuery;
    int m_nCurrentRow = 0;
    CDB& m_db;
    std::vector<std::string> m_arrColumnNames;
    std::string m_strTableName;
};
