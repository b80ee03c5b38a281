#include "table/CTable.h"

#include "db/CDB.h"

CTable::CTable() : m_db(GetDatabase()), m_recordSet(m_db) {}

bool CTable::Init(const std::string& strName) {
    m_strName = strName;
    m_recordSet.SetTableName(strName);
    if (!m_db.TableExists(strName)) Create();
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
std::string SelectText(const std::string& strTable, const char* pszCondition, const char* pszOrder) {
    std::string strSql = "SELECT * FROM " + strTable + WhereClause(pszCondition);
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

bool CTable::Next(CValueMap& map) {
    // no result held (a failed select) ends the loop as well
    if (m_recordSet.GetRowCount() < 0 || m_recordSet.IsEOF()) return false;
    m_recordSet.GetRow(map);
    m_recordSet.MoveNext();
    return true;
}

std::int32_t CTable::Insert(const CValueMap& map) {
    std::int64_t n = m_recordSet.InsertRow(map);
    return n > 0 ? static_cast<std::int32_t>(n) : 0;
}

bool CTable::Update(const CValueMap& map) {
    return m_recordSet.UpdateRow(map);
}

bool CTable::DeleteById(std::int32_t nId) {
    std::string strCondition = "[ID]=" + std::to_string(nId);
    return m_recordSet.DeleteRows(strCondition.c_str());
}

int CTable::CountRows(const char* pszCondition) {
    return m_db.Count(m_strName, pszCondition);
}

std::int32_t CTable::GetUpdateNr(std::int32_t nId) {
    std::string strCondition = "ID=" + std::to_string(nId);
    return ParseInt(m_db.GetValue(m_strName, "UpdateNr", strCondition.c_str()));
}
