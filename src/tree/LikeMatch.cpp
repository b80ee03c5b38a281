#include "tree/LikeMatch.h"

#include <array>
#include <cstring>

#include "platform/Cp1252.h"

namespace {
struct SFold {
    std::array<unsigned char, 256> upper{}, other{};
    SFold() {
        for (int c = 0; c < 256; ++c) other[c] = static_cast<unsigned char>(c);
        for (int c = 0; c < 256; ++c) {
            upper[c] = AnsiUpper(static_cast<unsigned char>(c));
            if (upper[c] != c) {
                other[c] = upper[c];
                other[upper[c]] = static_cast<unsigned char>(c);
            }
        }
    }
};
const SFold& Fold() {
    static const SFold fold;
    return fold;
}

bool IsTrail(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The next place in [p, pEnd) where c stands in either case; null for none.
const char* FindFolded(const char* p, const char* pEnd, unsigned char c) {
    const char chOne = static_cast<char>(c);
    const char chOther = static_cast<char>(Fold().other[c]);
    const char* pOne = static_cast<const char*>(std::memchr(p, chOne, pEnd - p));
    if (chOther == chOne) return pOne;
    const char* pOther = static_cast<const char*>(std::memchr(p, chOther, (pOne ? pOne : pEnd) - p));
    return pOther ? pOther : pOne;
}
}  // namespace

bool SearchContains(std::string_view strWord, std::string_view strText) {
    if (strWord.empty()) return true;
    if (strWord.size() > strText.size()) return false;
    const auto& upper = Fold().upper;
    auto u = [&](char c) { return upper[static_cast<unsigned char>(c)]; };
    // every row the engine lets through is asked: the first byte is looked
    // for with memchr
    const char* p = strText.data();
    const char* pLast = strText.data() + (strText.size() - strWord.size()) + 1;  // past the last start
    while ((p = FindFolded(p, pLast, static_cast<unsigned char>(strWord[0]))) != nullptr) {
        size_t k = 1;
        while (k < strWord.size() && u(strWord[k]) == u(p[k])) ++k;
        if (k == strWord.size()) return true;
        ++p;
    }
    return false;
}

std::string LikeWidePattern(std::string_view strText) {
    const auto& other = Fold().other;
    auto at = [&](size_t i) { return static_cast<unsigned char>(strText[i]); };
    // Where the engine might read the text's byte, in its other case,
    // differently from the pattern's: a cased byte 0x80-0xBF (or whose
    // other case is one), and a cased lead byte that takes the next byte
    // along. Elsewhere both cases of a high letter read as the same lone
    // byte, and the engine folds ASCII itself.
    auto isWild = [&](size_t i) {
        unsigned char c = at(i);
        if (c == 0) return true;
        if (c < 0x80 || other[c] == c) return false;
        if (IsTrail(c) || IsTrail(other[c])) return true;
        return i + 1 < strText.size() && IsTrail(at(i + 1));
    };
    std::string str = "%";
    str.reserve(strText.size() + 2);
    auto addWild = [&] {
        if (str.back() != '%' || (str.size() >= 2 && str[str.size() - 2] == '\\')) str += '%';
    };
    for (size_t i = 0; i < strText.size();) {
        size_t j = i;
        while (j < strText.size() && !isWild(j)) ++j;
        // A byte 0x80-0xBF at the start may be swallowed in the text by a
        // byte >= 0xC0 in front of it; a last character started by a byte
        // >= 0xC0 may swallow more of the text's bytes after it. Inside the
        // piece the engine splits text and pattern alike.
        size_t b = i;
        while (b < j && IsTrail(at(b))) ++b;
        size_t e = j, k = j;
        while (k > b && IsTrail(at(k - 1))) --k;
        if (k > b && at(k - 1) >= 0xC0) e = k - 1;
        if (b > i) addWild();
        for (size_t n = b; n < e; ++n) {
            char c = strText[n];
            if (c == '%' || c == '_' || c == '\\') str += '\\';
            str += c;
        }
        if (e < j || j < strText.size()) addWild();
        i = j + 1;
    }
    addWild();
    return str;
}
