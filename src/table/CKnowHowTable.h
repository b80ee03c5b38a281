#pragma once
// The KnowHow table: the rows of the knowledge tree.

#include "table/CKnowHowItem.h"
#include "table/CTable.h"

class CKnowHowTable : public CTable {
public:
    CKnowHowTable();

    bool Create() override;
    int SelectItems(CKnowHowArray& arr, const char* pszCondition = nullptr, const char* pszOrder = nullptr);
    bool UpdateItem(CKnowHowItem& item);
    bool InsertItem(CKnowHowItem& item);
};

// Refuses a write of a row that another user changed or deleted meanwhile.
void ShowStaleRowMessage();
