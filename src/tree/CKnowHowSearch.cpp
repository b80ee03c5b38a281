#include <cstring>
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
        const std::string& strText;
        const CRecordSet& rs;
        std::optional<SKnowHowColumns> cols = {};
        std::string strName = {}, strBody = {};
    } context{arr, bInKeywords, bInTexts, !strKey.empty(), bWithTexts, strText, m_table.GetRecordSet()};
    auto onRow = [](void* p, const char* const* ppCells) {
        auto& c = *static_cast<SContext*>(p);
        if (!c.cols) c.cols.emplace(c.rs.GetColumnNames());
        auto contains = [&](int nCol, std::string& str) {
            const char* psz = nCol >= 0 ? ppCells[nCol] : nullptr;
            if (!c.bProtected) return SearchContains(c.strText, psz ? psz : "");
            // stored texts are encrypted: matched in memory on the plain bytes
            DecryptFieldInto(psz ? psz : "", str);
            return SearchContains(c.strText, str);
        };
        if (c.bProtected) {
            // the rows the plain search's condition leaves out
            const char* pszAktiv = c.cols->nAktiv >= 0 ? ppCells[c.cols->nAktiv] : nullptr;
            if (!pszAktiv || std::strcmp(pszAktiv, "1") != 0) return true;
        }
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
        // The engine reads the Windows-1252 bytes as UTF-8 and folds only
        // ASCII; its pattern only narrows the rows, SearchContains decides
        // on every row it lets through.
        std::string strLike = " LIKE '" + EscapeQuotes(LikeWidePattern(strText)) + "' ESCAPE '\\'";
        if (bInKeywords) strCondition = "[Name]" + strLike;
        if (bInTexts) {
            if (!strCondition.empty()) strCondition += " OR ";
            strCondition += "[Text]" + strLike;
        }
        strCondition = "(" + strCondition + ") AND IsAktiv='1'";
    }
    if (m_table.SelectEach(context.bProtected ? nullptr : strCondition.c_str(), nullptr, onRow, &context) < 0) {
        arr.clear();
        return -1;
    }
    return static_cast<int>(arr.size());
}
