#include <algorithm>
#include <optional>

#include "db/CDB.h"
#include "table/CFieldCodec.h"
#include "table/CRecordSet.h"
#include "tree/CKnowHow.h"
#include "tree/LikeMatch.h"

int CKnowHow::Search(CKnowHowArray& arr, const std::string& strText, bool bInKeywords, bool bInTexts) {
    arr.clear();
    // a protected file must never be searched as if it were plain
    std::string strKey;
    if (!GetDatabase().ReadOption("DbKey", strKey)) return -1;
    if (!strKey.empty()) {
        // stored texts are encrypted: every row is read and decrypted, and
        // matched in memory. The rows stream past one by one and only the
        // hits become entries, so neither the table's texts nor the entries
        // are ever held whole.
        struct SContext {
            CKnowHowArray& arr;
            const std::string& strText;
            bool bInKeywords, bInTexts;
            const CRecordSet& rs;
            std::optional<SKnowHowColumns> cols;
            std::string strName, strBody;
        } context{arr, strText, bInKeywords, bInTexts, m_table.GetRecordSet(), std::nullopt, {}, {}};
        auto onRow = [](void* p, const char* const* ppCells) {
            auto& c = *static_cast<SContext*>(p);
            if (!c.cols) c.cols.emplace(c.rs.GetColumnNames());
            auto contains = [&](int nCol, std::string& str) {
                const char* psz = nCol >= 0 ? ppCells[nCol] : nullptr;
                DecryptFieldInto(psz ? psz : "", str);
                return str.find(c.strText) != std::string::npos;
            };
            if ((c.bInKeywords && contains(c.cols->nName, c.strName)) ||
                (c.bInTexts && contains(c.cols->nText, c.strBody)))
                c.arr.emplace_back().ReadCells(ppCells, *c.cols);
            return true;
        };
        if (m_table.SelectEach(nullptr, nullptr, onRow, &context) < 0) {
            arr.clear();
            return -1;
        }
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
