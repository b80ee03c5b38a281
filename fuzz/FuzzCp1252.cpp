// Windows-1252 <-> UTF-8 on any bytes, against a strict UTF-8 reading
// written here: every Windows-1252 text goes out as valid UTF-8 and comes
// back unchanged; UTF-8 is taken exactly when it is valid and every
// character has a byte, else the result says so.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Cp1252.h"

namespace {
// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool DecodeUtf8(const std::string& str, std::vector<char32_t>& arr) {
    const auto* p = reinterpret_cast<const unsigned char*>(str.data());
    size_t n = str.size(), i = 0;
    while (i < n) {
        unsigned char c = p[i];
        size_t nLen;
        char32_t cp, cpMin;
        if (c < 0x80) {
            nLen = 1, cp = c, cpMin = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            nLen = 2, cp = c & 0x1F, cpMin = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            nLen = 3, cp = c & 0x0F, cpMin = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            nLen = 4, cp = c & 0x07, cpMin = 0x10000;
        } else {
            return false;
        }
        if (i + nLen > n) return false;
        for (size_t k = 1; k < nLen; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < cpMin || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
        arr.push_back(cp);
        i += nLen;
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int b = 0; b < 256; ++b) {
        char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(b));
        FUZZ_CHECK(UnicodeToCp1252(cp) == b, "every byte has its own character");
        FUZZ_CHECK(AnsiUpper(AnsiUpper(static_cast<unsigned char>(b))) == AnsiUpper(static_cast<unsigned char>(b)),
                   "upper case is stable");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strBytes(reinterpret_cast<const char*>(pData), nSize);

    // as Windows-1252
    std::string strUtf8 = Cp1252ToUtf8(strBytes);
    std::vector<char32_t> arr;
    FUZZ_CHECK(DecodeUtf8(strUtf8, arr), "valid UTF-8 out");
    FUZZ_CHECK(arr.size() == strBytes.size(), "one character per byte");
    for (size_t i = 0; i < arr.size(); ++i)
        FUZZ_CHECK(arr[i] == Cp1252ToUnicode(static_cast<unsigned char>(strBytes[i])), "the byte's character");
    bool bOk = false;
    FUZZ_CHECK(Utf8ToCp1252(strUtf8, &bOk) == strBytes && bOk, "round trip");
    FUZZ_CHECK(AnsiUpper(strBytes).size() == strBytes.size(), "upper case keeps the length");

    // as UTF-8
    std::string strAnsi = Utf8ToCp1252(strBytes, &bOk);
    FUZZ_CHECK(strAnsi.size() <= strBytes.size(), "never longer");
    arr.clear();
    bool bStorable = DecodeUtf8(strBytes, arr);
    for (char32_t cp : arr) bStorable = bStorable && UnicodeToCp1252(cp) >= 0;
    FUZZ_CHECK(bOk == bStorable, "refused exactly when not storable");
    if (bOk) {
        FUZZ_CHECK(strAnsi.size() == arr.size(), "one byte per character");
        FUZZ_CHECK(Cp1252ToUtf8(strAnsi) == strBytes, "storable text comes back");
    } else {
        FUZZ_CHECK(strAnsi.find('?') != std::string::npos, "a refused character shows as '?'");
    }
    return 0;
}
