#pragma once
// The KnowHow table: the rows of the knowledge tree.

#include "table/CKnowHowItem.h"
#include "table/CTable.h"

struct sqlite3_stmt;

class CKnowHowTable : public CTable {
public:
    CKnowHowTable();

    bool Create() override;
    int SelectItems(CKnowHowArray& arr, const char* pszCondition = nullptr, const char* pszOrder = nullptr);
    bool UpdateItem(CKnowHowItem& item);
    bool InsertItem(CKnowHowItem& item);
};

// New rows written one after the other through one prepared statement,
// kept for the life of this object: for batches that create many rows (an
// import), where building and compiling an INSERT per row costs several
// times what writing the row does. Stores what InsertItem stores. Lives
// only as long as the batch: a statement left open would keep the session
// from closing.
class CKnowHowInserter {
public:
    explicit CKnowHowInserter(CKnowHowTable& table) : m_table(table) {}
    CKnowHowInserter(const CKnowHowInserter&) = delete;
    CKnowHowInserter& operator=(const CKnowHowInserter&) = delete;
    ~CKnowHowInserter();
    // As InsertItem: the new ID in the entry, false (ID 0) on failure.
    bool Insert(CKnowHowItem& item);

private:
    CKnowHowTable& m_table;
    sqlite3_stmt* m_pStmt = nullptr;
};

// Refuses a write of a row that another user changed or deleted meanwhile.
void ShowStaleRowMessage();
