#include "table/CKnowHowTable.h"

#include "platform/Cp1252.h"
#include "platform/Platform.h"

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
    // row by row from the cells, as ReadValues would from each row's map
    int n = SelectRows(pszCondition, pszOrder);
    if (n > 0) {
        SKnowHowColumns cols(m_recordSet.GetColumnNames());
        arr.reserve(arr.size() + n);
        do {
            arr.emplace_back().ReadRow(m_recordSet, cols);
        } while (m_recordSet.MoveNext());
    }
    return n;
}

bool CKnowHowTable::UpdateItem(CKnowHowItem& item) {
    if (item.ID > 0) {
        if (GetUpdateNr(item.ID) != item.UpdateNr) {
            GetPlatform().MessageBox(
                Ansi("Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer "
                     "geändert wurden!"),
                "", EMsgIcon::Exclamation, EMsgButtons::Ok);
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
