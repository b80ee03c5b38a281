#include <algorithm>

#include "db/CDB.h"
#include "table/CFieldCodec.h"
#include "table/CRecordSet.h"
#include "tree/CKnowHow.h"
#include "tree/LikeMatch.h"

int CKnowHow::Search(CKnowHowArray& arr, const std::string& strText, bool bInKeywords, bool bInTexts) {
    arr.clear();
    if (!GetDatabase().GetOption("DbKey").empty()) {
        // stored texts are encrypted: every row is read and decrypted, and
        // matched in memory. Only the hits become entries, so the whole
        // table is never held as entries at once.
        int n = m_table.SelectRows();
        if (n < 0) return -1;
        if (n == 0) return 0;
        CRecordSet& rs = m_table.GetRecordSet();
        SKnowHowColumns cols(rs.GetColumnNames());
        std::string strName, strBody;
        auto decrypted = [&](int nCol, std::string& str) -> const std::string& {
            const char* psz = rs.GetCell(nCol);
            DecryptFieldInto(psz ? psz : "", str);
            return str;
        };
        do {
            bool bHit = (bInKeywords && decrypted(cols.nName, strName).find(strText) != std::string::npos) ||
                        (bInTexts && decrypted(cols.nText, strBody).find(strText) != std::string::npos);
            if (bHit) arr.emplace_back().ReadRow(rs, cols);
        } while (rs.MoveNext());
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
    int n = m_table.SelectItems(arr, strCondition.c_str());
    if (n <= 0) return n;
    // the engine's hits by bytes: drop what its reading of the text as UTF-8
    // let through
    std::string strPattern = "%" + strText + "%";
    std::erase_if(arr, [&](const CKnowHowItem& item) {
        return !((bInKeywords && LikeMatch(strPattern, item.Name)) || (bInTexts && LikeMatch(strPattern, item.Text)));
    });
    return static_cast<int>(arr.size());
}
