#include "tree/LikeMatch.h"

#include <cstring>

namespace {
unsigned char Fold(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// The next place at or after p where c stands, in either ASCII case; null
// for none.
const char* FindFolded(const char* p, const char* pEnd, char c) {
    const unsigned char f = Fold(c);
    const char chOther = f >= 'a' && f <= 'z' ? static_cast<char>(f - ('a' - 'A')) : static_cast<char>(f);
    const char chOne = static_cast<char>(f);
    const char* pOne = static_cast<const char*>(std::memchr(p, chOne, pEnd - p));
    if (chOther == chOne) return pOne;
    const char* pOther = static_cast<const char*>(std::memchr(p, chOther, (pOne ? pOne : pEnd) - p));
    return pOther ? pOther : pOne;
}

// "%word%" for a word without '%' and '_': whether the text holds it, ASCII
// letters in either case. The search asks this for every row the engine
// lets through, so the first byte is looked for with memchr.
bool ContainsFolded(std::string_view strWord, std::string_view strText) {
    if (strWord.empty()) return true;
    if (strWord.size() > strText.size()) return false;
    const char* p = strText.data();
    const char* pLast = strText.data() + (strText.size() - strWord.size()) + 1;  // past the last start
    while ((p = FindFolded(p, pLast, strWord[0])) != nullptr) {
        size_t k = 1;
        while (k < strWord.size() && Fold(strWord[k]) == Fold(p[k])) ++k;
        if (k == strWord.size()) return true;
        ++p;
    }
    return false;
}
}  // namespace

bool LikeMatch(std::string_view strPattern, std::string_view strText) {
    if (strPattern.size() >= 2 && strPattern.front() == '%' && strPattern.back() == '%') {
        std::string_view strWord = strPattern.substr(1, strPattern.size() - 2);
        if (strWord.find_first_of("%_") == std::string_view::npos) return ContainsFolded(strWord, strText);
    }
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
