#include <algorithm>

#include "db/CDB.h"
#include "tree/CKnowHow.h"

int CKnowHow::Search(CKnowHowArray& arr, const std::string& strText, bool bInKeywords, bool bInTexts) {
    arr.clear();
    if (!GetDatabase().GetOption("DbKey").empty()) {
        // stored texts are encrypted: match the decrypted entries in memory
        if (GetAllItems(arr) < 0) {
            arr.clear();
            return -1;
        }
        std::erase_if(arr, [&](const CKnowHowItem& item) {
            bool bHit = (bInKeywords && item.Name.find(strText) != std::string::npos) ||
                        (bInTexts && item.Text.find(strText) != std::string::npos);
            return !bHit;
        });
        return static_cast<int>(arr.size());
    }

    std::string strEscaped = EscapeQuotes(strText);
    std::string strCondition;
    if (bInKeywords) strCondition = "[Name] LIKE '%" + strEscaped + "%'";
    if (bInTexts) {
        if (!strCondition.empty()) strCondition += " OR ";
        strCondition += "[Text] LIKE '%" + strEscaped + "%'";
    }
    strCondition = "(" + strCondition + ") AND IsAktiv='1'";
    return m_table.SelectItems(arr, strCondition.c_str());
}
