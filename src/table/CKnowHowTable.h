#pragma once
// The KnowHow table: the rows of the knowledge tree.

#include "table/CKnowHowItem.h"
#include "table/CPrepared.h"
#include "table/CTable.h"

class CKnowHowTable : public CTable {
public:
    CKnowHowTable();

    bool Create() override;
    int SelectItems(CKnowHowArray& arr, const char* pszCondition = nullptr, const char* pszOrder = nullptr);
    bool UpdateItem(CKnowHowItem& item);
    bool InsertItem(CKnowHowItem& item);
};

// New rows written one after the other through one compiled statement
// (CPrepared): for batches that create many rows (an import). Stores what
// InsertItem stores.
class CKnowHowInserter {
public:
    explicit CKnowHowInserter(CKnowHowTable& table);
    // As InsertItem: the new ID in the entry, false (ID 0) on failure.
    bool Insert(CKnowHowItem& item);

private:
    CKnowHowTable& m_table;
    CPrepared m_insert;
};

// Rows written back one after the other through compiled statements: for
// batches that rewrite many rows (a re-encryption). Checks and writes what
// UpdateItem checks and writes.
class CKnowHowUpdater {
public:
    CKnowHowUpdater();
    // As UpdateItem for a stored row, named by the ID the file holds (which
    // may lie beyond the entry's 32 bits).
    bool Update(CKnowHowItem& item, std::int64_t nRowId);

private:
    CPrepared m_check;
    CPrepared m_update;
};

// Refuses a write of a row that another user changed or deleted meanwhile.
void ShowStaleRowMessage();
