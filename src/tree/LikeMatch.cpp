#include "tree/LikeMatch.h"

namespace {
unsigned char Fold(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}
}  // namespace

bool LikeMatch(std::string_view strPattern, std::string_view strText) {
    // greedy with a return to the last '%': enough for '%' and '_' alone
    const size_t npos = std::string_view::npos;
    size_t i = 0, j = 0, nStar = npos, nMark = 0;
    while (j < strText.size()) {
        if (i < strPattern.size() && strPattern[i] == '%') {
            nStar = i++;
            nMark = j;
        } else if (i < strPattern.size() && (strPattern[i] == '_' || Fold(strPattern[i]) == Fold(strText[j]))) {
            ++i;
            ++j;
        } else if (nStar != npos) {
            i = nStar + 1;
            j = ++nMark;
        } else {
            return false;
        }
    }
    while (i < strPattern.size() && strPattern[i] == '%') ++i;
    return i == strPattern.size();
}
