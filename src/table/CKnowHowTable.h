#pragma once
// The KnowHow table: the rows of the knowledge tree.

#include <cstdint>
#include <vector>

#include "table/CKnowHowItem.h"
#include "table/CPrepared.h"
#include "table/CTable.h"
#include "table/CWriteResult.h"

class CKnowHowTable : public CTable {
public:
    CKnowHowTable();

    bool Create() override;
    // Every byte of the texts arrives (values are read with their length).
    int SelectItems(CKnowHowArray& arr, const char* pszCondition = nullptr, const char* pszOrder = nullptr);
    // The row with that ID as stored now, active or not; bFound tells
    // whether there is one. False when it could not be read.
    bool ReadStored(std::int64_t nId, CKnowHowItem& stored, bool& bFound);
    // Up to nLimit rows in the order of their IDs, active or not: from the
    // first one (bFirst) or those after nAfterId; arrIds gets the IDs as
    // the file holds them (also beyond 32 bits). Row count, -1 on failure.
    int SelectPage(bool bFirst, std::int64_t nAfterId, size_t nLimit, CKnowHowArray& arr,
                   std::vector<std::int64_t>& arrIds);
    // Writes a changed stored entry back. The row is compared with what the
    // entry held when it was read (its origin), field by field:
    // - the row is gone or inactive, its counter went down, or it holds
    //   other values under the same counter (another entry took over the
    //   ID): Deleted;
    // - a field that both this entry and another user changed, to different
    //   values: Conflict;
    // - otherwise only the fields this entry changed are written (with the
    //   counter raised), and the entry takes the others from the file, so a
    //   row another user only moved or renumbered keeps its place.
    // An entry without origin must match the stored counter and is written
    // whole. On Conflict and Deleted *pStored gets the stored row (ID 0 when
    // there is none). The entry changes only when the write succeeded.
    EWriteResult UpdateItem(CKnowHowItem& item, CKnowHowItem* pStored = nullptr);
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

// Rows whose texts are written anew one after the other through compiled
// statements: for batches that rewrite many rows (a re-encryption). Writes
// Name, Text and Link (and the raised counter) of a row whose counter is
// still the one read; nothing else of the row is touched.
class CKnowHowUpdater {
public:
    CKnowHowUpdater();
    // The row named by the ID the file holds (which may lie beyond the
    // entry's 32 bits).
    EWriteResult UpdateTexts(CKnowHowItem& item, std::int64_t nRowId);

private:
    CPrepared m_check;
    CPrepared m_update;
};

// The message of a write refused because another user changed or deleted
// the row meanwhile; ShowStaleRowMessage shows it.
std::string StaleRowMessage();
void ShowStaleRowMessage();
