#pragma once
// Reads of a few small columns, as the walks below a folder and the
// readable export make them: a level at a time, the IDs in IN lists.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "table/CKnowHowTable.h"

namespace tree_reads {
// IDs per statement of a level read: long enough that a level of a large
// file takes few statements, short enough to keep each statement small.
inline constexpr std::size_t kIdsPerStatement = 5000;

// Runs a SELECT of the given columns and hands each row's cells to fn;
// the row count, -1 when the statement failed.
template <typename Fn>
int ReadColumns(CKnowHowTable& table, const char* pszColumns, const std::string& strCondition, const char* pszOrder,
                Fn& fn) {
    auto thunk = [](void* p, const char* const* ppCells) {
        (*static_cast<Fn*>(p))(ppCells);
        return true;
    };
    return table.SelectColumnsEach(pszColumns, strCondition.c_str(), pszOrder, thunk, &fn);
}

inline std::int32_t IntCell(const char* psz) {
    return psz ? static_cast<std::int32_t>(std::atoi(psz)) : 0;
}

// An ID or MasterID cell: all 64 bits.
inline TRowId IdCell(const char* psz) {
    return psz ? static_cast<TRowId>(std::atoll(psz)) : 0;
}

// "<column> IN (a,b,...)" for at most nCount of the IDs from nFirst on.
inline std::string InList(const char* pszColumn, const std::vector<TRowId>& arrIds, std::size_t nFirst,
                          std::size_t nCount = kIdsPerStatement) {
    std::string str = pszColumn;
    str += " IN (";
    const std::size_t nEnd = std::min(arrIds.size(), nFirst + nCount);
    for (std::size_t i = nFirst; i < nEnd; ++i) {
        if (i > nFirst) str += ",";
        str += std::to_string(arrIds[i]);
    }
    return str + ")";
}
}  // namespace tree_reads
