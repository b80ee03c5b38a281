#pragma once
// One database table: its name, the session it runs on and one record set.

#include <cstdint>
#include <string>

#include "table/CRecordSet.h"
#include "table/CTableItem.h"

class CDB;

class CTable {
public:
    CTable();
    CTable(const CTable&) = delete;
    CTable& operator=(const CTable&) = delete;
    virtual ~CTable() = default;

    bool Init(const std::string& strName);
    virtual bool Create() { return false; }
    virtual bool DeleteById(TRowId nId);
    virtual bool Delete(const CTableItem& item) { return DeleteById(item.ID); }

    bool CreateTable(const CTableItem& item);
    bool CreateIndex(const std::string& strIndex, const std::string& strColumn, bool bUnique);
    int Select(CValueMap& map, const char* pszCondition = nullptr, const char* pszOrder = nullptr);
    // The same statement as Select, without copying the first row into a
    // map: the cursor stands on row 1 of the record set.
    int SelectRows(const char* pszCondition = nullptr, const char* pszOrder = nullptr);
    // The same statement again, its rows handed to fn one by one as they are
    // read (CRecordSet::QueryEach); row count, -1 when the query failed.
    int SelectEach(const char* pszCondition, const char* pszOrder, CRecordSet::RowFn fn, void* pContext);
    // The same with a column list instead of "*", the cells in that order:
    // for walks over many rows that need neither their texts nor their
    // other columns.
    int SelectColumnsEach(const char* pszColumns, const char* pszCondition, const char* pszOrder, CRecordSet::RowFn fn,
                          void* pContext);
    bool Next(CValueMap& map);
    TRowId Insert(const CValueMap& map);
    // The ID of a row just inserted as nRowId (an insert of its own);
    // 0 when there is none.
    TRowId TakeInsertedRow(std::int64_t nRowId);
    bool Update(const CValueMap& map);
    int CountRows(const char* pszCondition = nullptr);
    std::int32_t GetUpdateNr(TRowId nId);
    // False when the counter could not be read; bExists tells whether the
    // row is there at all.
    bool ReadUpdateNr(TRowId nId, std::int32_t& nUpdateNr, bool& bExists);

    const std::string& GetName() const { return m_strName; }
    CRecordSet& GetRecordSet() { return m_recordSet; }

protected:
    // Gives the row just inserted as nRowId the smallest free 32-bit ID;
    // that ID, 0 when there is none or it could not be written.
    TRowId MoveToFreeId(std::int64_t nRowId);

    CDB& m_db;
    std::string m_strName;
    CRecordSet m_recordSet;
};
