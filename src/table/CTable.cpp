#include "table/CTable.h"

#include <limits>

#include "db/CDB.h"

CTable::CTable() : m_db(GetDatabase()), m_recordSet(m_db) {}

bool CTable::Init(const std::string& strName) {
    m_strName = strName;
    m_recordSet.SetTableName(strName);
    // a file that cannot be read now is not one without the table
    bool bExists = false;
    if (m_db.ReadTableExists(strName, bExists) && !bExists) Create();
    // shows that the table can be read and leaves a result with its columns
    // in the record set, without reading every row of a large file
    m_recordSet.Query("SELECT * FROM KnowHow LIMIT 1");
    return true;
}

bool CTable::CreateTable(const CTableItem& item) {
    return m_db.Execute("CREATE TABLE " + m_strName + " ( " + item.GetColumnDefinitions() + ");");
}

bool CTable::CreateIndex(const std::string& strIndex, const std::string& strColumn, bool bUnique) {
    return m_db.Execute(std::string("CREATE ") + (bUnique ? "UNIQUE " : "") + "INDEX [" + strIndex + "] ON [" +
                        m_strName + "] ( [" + strColumn + "] ASC );");
}

int CTable::Select(CValueMap& map, const char* pszCondition, const char* pszOrder) {
    int n = SelectRows(pszCondition, pszOrder);
    if (n > 0) {
        m_recordSet.GetRow(map);
        m_recordSet.MoveNext();
    }
    return n;
}

namespace {
std::string SelectText(const std::string& strTable, const char* pszCondition, const char* pszOrder,
                       const char* pszColumns = "*") {
    std::string strSql = std::string("SELECT ") + pszColumns + " FROM " + strTable + WhereClause(pszCondition);
    if (pszOrder) {
        strSql += " ORDER BY ";
        strSql += pszOrder;
    }
    strSql += ";";
    return strSql;
}
}  // namespace

int CTable::SelectRows(const char* pszCondition, const char* pszOrder) {
    if (!m_recordSet.Query(SelectText(m_strName, pszCondition, pszOrder))) return -1;
    return m_recordSet.GetRowCount();
}

int CTable::SelectEach(const char* pszCondition, const char* pszOrder, CRecordSet::RowFn fn, void* pContext) {
    return m_recordSet.QueryEach(SelectText(m_strName, pszCondition, pszOrder), fn, pContext);
}

int CTable::SelectColumnsEach(const char* pszColumns, const char* pszCondition, const char* pszOrder,
                              CRecordSet::RowFn fn, void* pContext) {
    return m_recordSet.QueryEach(SelectText(m_strName, pszCondition, pszOrder, pszColumns), fn, pContext);
}

bool CTable::Next(CValueMap& map) {
    // no result held (a failed select) ends the loop as well
    if (m_recordSet.GetRowCount() < 0 || m_recordSet.IsEOF()) return false;
    m_recordSet.GetRow(map);
    m_recordSet.MoveNext();
    return true;
}

TRowId CTable::Insert(const CValueMap& map) {
    return TakeInsertedRow(m_recordSet.InsertRow(map));
}

TRowId CTable::TakeInsertedRow(std::int64_t n) {
    if (n <= 0) return 0;
    // Rows that another tool gave IDs above 2^31 are read and kept as they
    // are; behind them the engine counts on beyond, and a new row takes a
    // free ID below, so that what this program creates stays readable for
    // programs that keep IDs in 32 bits.
    if (n > std::numeric_limits<std::int32_t>::max()) return MoveToFreeId(n);
    return n;
}

TRowId CTable::MoveToFreeId(std::int64_t nRowId) {
    TRowId nFree = 0;
    int nOne = m_db.Count(m_strName, "ID=1");
    if (nOne < 0) return 0;
    if (nOne == 0) {
        nFree = 1;
    } else {
        // the first ID whose successor is unused
        std::string strFree;
        std::string strCondition = "ID>0 AND ID<2147483647 AND ID+1 NOT IN (SELECT ID FROM " + m_strName + ")";
        if (!m_db.ReadValue(m_strName, "min(ID)+1", strCondition.c_str(), strFree) || strFree.empty()) return 0;
        nFree = ParseRowId(strFree);
    }
    if (nFree <= 0) return 0;
    bool bOk = m_db.Execute("UPDATE " + m_strName + " SET [ID]=" + std::to_string(nFree) +
                            " WHERE [ID]=" + std::to_string(nRowId) + ";");
    return bOk ? nFree : 0;
}

bool CTable::Update(const CValueMap& map) {
    return m_recordSet.UpdateRow(map);
}

bool CTable::DeleteById(TRowId nId) {
    std::string strCondition = "[ID]=" + std::to_string(nId);
    return m_recordSet.DeleteRows(strCondition.c_str());
}

int CTable::CountRows(const char* pszCondition) {
    return m_db.Count(m_strName, pszCondition);
}

std::int32_t CTable::GetUpdateNr(TRowId nId) {
    std::int32_t nUpdateNr = 0;
    bool bExists = false;
    ReadUpdateNr(nId, nUpdateNr, bExists);
    return nUpdateNr;
}

bool CTable::ReadUpdateNr(TRowId nId, std::int32_t& nUpdateNr, bool& bExists) {
    std::string strCondition = "ID=" + std::to_string(nId);
    std::string strValue;
    bool bOk = m_db.ReadValue(m_strName, "UpdateNr", strCondition.c_str(), strValue, &bExists);
    nUpdateNr = ParseInt(strValue);
    return bOk;
}
