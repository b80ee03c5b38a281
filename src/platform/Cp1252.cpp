#include "platform/Cp1252.h"

namespace {
// 0x80..0x9F; the undefined bytes map to the C1 control of the same number
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}
}  // namespace

char32_t Cp1252ToUnicode(unsigned char ch) {
    return (ch >= 0x80 && ch < 0xA0) ? kHigh[ch - 0x80] : static_cast<char32_t>(ch);
}

int UnicodeToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

std::string Cp1252ToUtf8(const std::string& strAnsi) {
    std::string out;
    out.reserve(strAnsi.size() + strAnsi.size() / 8);
    for (unsigned char ch : strAnsi) {
        if (ch < 0x80)
            out += static_cast<char>(ch);
        else
            AppendUtf8(out, Cp1252ToUnicode(ch));
    }
    return out;
}

bool IsValidUtf8(const std::string& str) {
    const auto* p = reinterpret_cast<const unsigned char*>(str.data());
    const auto* end = p + str.size();
    while (p < end) {
        unsigned char c = *p++;
        if (c < 0x80) continue;
        int nMore = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
        if (nMore < 0 || end - p < nMore) return false;
        unsigned char lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        unsigned char hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (p[0] < lo || p[0] > hi) return false;
        for (int i = 1; i < nMore; ++i)
            if ((p[i] & 0xC0) != 0x80) return false;
        p += nMore;
    }
    return true;
}

std::string Utf8ToCp1252(const std::string& strUtf8, bool* pbOk) {
    if (pbOk) *pbOk = true;
    std::string out;
    out.reserve(strUtf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(strUtf8.data());
    const auto* end = p + strUtf8.size();
    auto fail = [&] {
        out += '?';
        if (pbOk) *pbOk = false;
    };
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++p;
            continue;
        }
        int nLen = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (nLen == 0 || end - p < nLen) {
            fail();
            ++p;
            continue;
        }
        char32_t cp = nLen == 2 ? (c & 0x1F) : nLen == 3 ? (c & 0x0F) : (c & 0x07);
        bool bValid = true;
        for (int i = 1; i < nLen; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                bValid = false;
                break;
            }
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (!bValid) {
            fail();
            ++p;
            continue;
        }
        p += nLen;
        // overlong forms (a quote hidden as C0 A7), surrogates and values past
        // U+10FFFF are broken UTF-8, not characters
        constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[nLen] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            fail();
            continue;
        }
        int ch = UnicodeToCp1252(cp);
        if (ch < 0)
            fail();
        else
            out += static_cast<char>(ch);
    }
    return out;
}

std::string Ansi(const char* pszUtf8) {
    return Utf8ToCp1252(pszUtf8);
}

unsigned char AnsiUpper(unsigned char ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 0x20;
    if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return ch - 0x20;
    switch (ch) {
        case 0x9A: return 0x8A;  // š
        case 0x9C: return 0x8C;  // œ
        case 0x9E: return 0x8E;  // ž
        case 0xFF: return 0x9F;  // ÿ
        default: return ch;
    }
}

std::string AnsiUpper(const std::string& str) {
    std::string out(str);
    for (char& c : out) c = static_cast<char>(AnsiUpper(static_cast<unsigned char>(c)));
    return out;
}
