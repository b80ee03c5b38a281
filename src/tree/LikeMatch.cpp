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

std::string LikeWidePattern(std::string_view strText) {
    auto isWild = [](char c) { return c == '%' || c == '_' || c == '\0'; };
    auto isTrail = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    std::string str = "%";
    str.reserve(strText.size() + 2);
    auto addWild = [&] {
        if (str.back() != '%') str += '%';
    };
    for (size_t i = 0; i < strText.size();) {
        size_t j = i;
        while (j < strText.size() && !isWild(strText[j])) ++j;
        std::string_view run = strText.substr(i, j - i);
        // A byte 0x80-0xBF at the start may be swallowed in the text by a
        // byte >= 0xC0 in front of it; a last character started by a byte
        // >= 0xC0 may swallow more of the text's bytes after it. Inside the
        // run the engine splits text and pattern alike.
        size_t b = 0;
        while (b < run.size() && isTrail(run[b])) ++b;
        size_t e = run.size(), k = e;
        while (k > b && isTrail(run[k - 1])) --k;
        if (k > b && static_cast<unsigned char>(run[k - 1]) >= 0xC0) e = k - 1;
        if (b > 0) addWild();
        if (b < e) str.append(run.substr(b, e - b));
        if (e < run.size() || j < strText.size()) addWild();
        i = j + 1;
    }
    addWild();
    return str;
}
