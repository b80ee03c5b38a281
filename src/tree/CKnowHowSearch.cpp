#include <optional>

#include "db/CDB.h"
#include "table/CFieldCodec.h"
#include "table/CRecordSet.h"
#include "tree/CKnowHow.h"
#include "tree/LikeMatch.h"

int CKnowHow::Search(CKnowHowArray& arr, const std::string& strText, bool bInKeywords, bool bInTexts, bool bWithTexts) {
    arr.clear();
    // a protected file must never be searched as if it were plain
    std::string strKey;
    if (!GetDatabase().ReadOption("DbKey", strKey)) return -1;
    // The rows stream past one by one and only the hits become entries, so
    // neither the table's texts nor the entries are ever held whole.
    struct SContext {
        CKnowHowArray& arr;
        bool bInKeywords, bInTexts;
        bool bProtected;
        bool bWithTexts;
        const std::string& strText;  // protected: the bytes to find
        const CRecordSet& rs;
        std::string strPattern = {};  // open: the byte-wise LIKE pattern
        std::optional<SKnowHowColumns> cols = {};
        std::string strName = {}, strBody = {};
    } context{arr, bInKeywords, bInTexts, !strKey.empty(), bWithTexts, strText, m_table.GetRecordSet()};
    auto onRow = [](void* p, const char* const* ppCells) {
        auto& c = *static_cast<SContext*>(p);
        if (!c.cols) c.cols.emplace(c.rs.GetColumnNames());
        auto contains = [&](int nCol, std::string& str) {
            const char* psz = nCol >= 0 ? ppCells[nCol] : nullptr;
            if (!c.bProtected) return LikeMatch(c.strPattern, psz ? psz : "");
            // stored texts are encrypted: matched in memory on the plain bytes
            DecryptFieldInto(psz ? psz : "", str);
            return str.find(c.strText) != std::string::npos;
        };
        if ((c.bInKeywords && contains(c.cols->nName, c.strName)) ||
            (c.bInTexts && contains(c.cols->nText, c.strBody))) {
            CKnowHowItem& hit = c.arr.emplace_back();
            hit.ReadCells(ppCells, *c.cols);
            if (!c.bWithTexts) hit.Text = hit.Link = std::string();
        }
        return true;
    };

    std::string strCondition;
    if (!context.bProtected) {
        // The engine reads the Windows-1252 bytes as UTF-8 and misses real
        // matches; its pattern only narrows the rows, the exact match is
        // LikeMatch on every row it lets through.
        context.strPattern = "%" + strText + "%";
        std::string strEscaped = EscapeQuotes(LikeWidePattern(strText));
        if (bInKeywords) strCondition = "[Name] LIKE '" + strEscaped + "'";
        if (bInTexts) {
            if (!strCondition.empty()) strCondition += " OR ";
            strCondition += "[Text] LIKE '" + strEscaped + "'";
        }
        strCondition = "(" + strCondition + ") AND IsAktiv='1'";
    }
    if (m_table.SelectEach(context.bProtected ? nullptr : strCondition.c_str(), nullptr, onRow, &context) < 0) {
        arr.clear();
        return -1;
    }
    return static_cast<int>(arr.size());
}
