#include "edit/SearchMatch.h"

#include "platform/Cp1252.h"

std::vector<std::pair<int, int>> FindOccurrences(const std::string& strText, const std::string& strSearch) {
    std::vector<std::pair<int, int>> arr;
    if (strSearch.empty()) return arr;
    const std::string strUpperText = AnsiUpper(strText);
    const std::string strUpperSearch = AnsiUpper(strSearch);
    // the next search starts one behind the last find: overlaps count
    for (size_t b = strUpperText.find(strUpperSearch); b != std::string::npos;
         b = strUpperText.find(strUpperSearch, b + 1))
        arr.emplace_back(static_cast<int>(b), static_cast<int>(strUpperSearch.size()));
    return arr;
}

std::vector<int> PreviewPositions(const std::string& strText) {
    std::vector<int> arrPos(strText.size() + 1);
    int nPos = 0;
    for (size_t i = 0; i < strText.size(); ++i) {
        arrPos[i] = nPos;
        const bool bCrLf = strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n';
        if (!bCrLf) ++nPos;
    }
    arrPos[strText.size()] = nPos;
    return arrPos;
}
