#include "table/CKnowHowTable.h"

#include <optional>

#include "platform/Cp1252.h"
#include "platform/Platform.h"

void ShowStaleRowMessage() {
    GetPlatform().MessageBox(
        Ansi(
            "Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer geändert wurden!"),
        "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}

CKnowHowTable::CKnowHowTable() {
    Init("KnowHow");
}

bool CKnowHowTable::Create() {
    bool bTable = CreateTable(CKnowHowItem());
    bool bId = CreateIndex("KnowHow_ID", "ID", true);
    bool bMaster = CreateIndex("KnowHow_MasterID", "MasterID", false);
    return bTable && bId && bMaster;
}

int CKnowHowTable::SelectItems(CKnowHowArray& arr, const char* pszCondition, const char* pszOrder) {
    // Each row becomes an entry as the engine reads it, as ReadValues would
    // make it from the row's map; the result is never held a second time as
    // a table of strings.
    struct SContext {
        CKnowHowArray& arr;
        const CRecordSet& rs;
        std::optional<SKnowHowColumns> cols;
    } context{arr, m_recordSet, std::nullopt};
    const size_t nBefore = arr.size();
    int n = SelectEach(
        pszCondition, pszOrder,
        [](void* p, const char* const* ppCells) {
            auto& c = *static_cast<SContext*>(p);
            if (!c.cols) c.cols.emplace(c.rs.GetColumnNames());
            c.arr.emplace_back().ReadCells(ppCells, *c.cols);
            return true;
        },
        &context);
    if (n < 0) arr.resize(nBefore);  // a statement that failed half way appends nothing
    return n;
}

bool CKnowHowTable::UpdateItem(CKnowHowItem& item) {
    if (item.ID > 0) {
        std::int32_t nStored = 0;
        bool bExists = false;
        // a counter that cannot be read proves nothing: the caller reports the failure
        if (!ReadUpdateNr(item.ID, nStored, bExists)) return false;
        // a row that another user deleted meanwhile is as stale as a changed one
        if (!bExists || nStored != item.UpdateNr) {
            ShowStaleRowMessage();
            return false;
        }
        ++item.UpdateNr;
    }
    CValueMap map;
    item.WriteValues(map);
    return Update(map);
}

bool CKnowHowTable::InsertItem(CKnowHowItem& item) {
    CValueMap map;
    item.WriteValues(map);
    item.ID = Insert(map);
    return item.ID > 0;
}
