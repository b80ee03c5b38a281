#include <gtest/gtest.h>

#include <string>

#include "platform/Cp1252.h"

namespace {
std::string Byte(int n) {
    return std::string(1, static_cast<char>(n));
}

// Every byte of 0x80..0x9F with the character it stands for; the five bytes
// Windows-1252 leaves open keep the C1 control of the same number.
struct SHighByte {
    int nByte;
    const char* pszUtf8;
};
const SHighByte kHighBytes[] = {
    {0x80, "€"}, {0x81, "\xC2\x81"}, {0x82, "‚"},        {0x83, "ƒ"}, {0x84, "„"}, {0x85, "…"}, {0x86, "†"},
    {0x87, "‡"}, {0x88, "ˆ"},        {0x89, "‰"},        {0x8A, "Š"}, {0x8B, "‹"}, {0x8C, "Œ"}, {0x8D, "\xC2\x8D"},
    {0x8E, "Ž"}, {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x91, "‘"}, {0x92, "’"}, {0x93, "“"}, {0x94, "”"},
    {0x95, "•"}, {0x96, "–"},        {0x97, "—"},        {0x98, "˜"}, {0x99, "™"}, {0x9A, "š"}, {0x9B, "›"},
    {0x9C, "œ"}, {0x9D, "\xC2\x9D"}, {0x9E, "ž"},        {0x9F, "Ÿ"},
};
}  // namespace

TEST(CCp1252Test, GermanLettersAndEuroSign) {
    const struct {
        const char* pszUtf8;
        int nByte;
    } kCases[] = {{"ä", 0xE4}, {"ö", 0xF6}, {"ü", 0xFC}, {"ß", 0xDF}, {"Ä", 0xC4},
                  {"Ö", 0xD6}, {"Ü", 0xDC}, {"€", 0x80}, {"é", 0xE9}, {"§", 0xA7}};
    for (const auto& c : kCases) {
        bool bOk = false;
        EXPECT_EQ(Utf8ToCp1252(c.pszUtf8, &bOk), Byte(c.nByte)) << c.pszUtf8;
        EXPECT_TRUE(bOk) << c.pszUtf8;
        EXPECT_EQ(Cp1252ToUtf8(Byte(c.nByte)), c.pszUtf8);
    }
    EXPECT_EQ(Ansi("Größe: 5 €"),
              "Gr\xF6\xDF"
              "e: 5 \x80");
    EXPECT_EQ(Cp1252ToUtf8("Stra\xDF"
                           "e \x84zitiert\x93"),
              "Straße „zitiert“");
}

TEST(CCp1252Test, HighRangeMapsToItsCharacters) {
    for (const auto& c : kHighBytes) {
        EXPECT_EQ(Cp1252ToUtf8(Byte(c.nByte)), c.pszUtf8) << std::hex << c.nByte;
        bool bOk = false;
        EXPECT_EQ(Utf8ToCp1252(c.pszUtf8, &bOk), Byte(c.nByte)) << std::hex << c.nByte;
        EXPECT_TRUE(bOk) << std::hex << c.nByte;
    }
}

TEST(CCp1252Test, EveryByteRoundTrips) {
    std::string strAll;
    for (int i = 0; i < 256; ++i) strAll += static_cast<char>(i);
    std::string strUtf8 = Cp1252ToUtf8(strAll);
    // 128 ASCII bytes, 32 Latin-1 bytes as two, the rest of the high range
    // as two or three
    EXPECT_GT(strUtf8.size(), 256u + 128u);
    bool bOk = false;
    EXPECT_EQ(Utf8ToCp1252(strUtf8, &bOk), strAll);
    EXPECT_TRUE(bOk);
    for (int i = 0; i < 256; ++i) {
        char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(i));
        EXPECT_EQ(UnicodeToCp1252(cp), i) << i;
    }
}

TEST(CCp1252Test, CharactersOutsideGiveQuestionMark) {
    const struct {
        const char* pszUtf8;
        const char* pszAnsi;
    } kCases[] = {
        {"Ł", "?"},  // Polish L, not in Windows-1252
        {"a€b",
         "a\x80"
         "b"},              // a clean text keeps the flag
        {"日本", "??"},     // one '?' per character, not per byte
        {"x😀y", "x?y"},     // four-byte form
        {"\xC2\x80", "?"},  // U+0080 is not the euro sign
        {"Ω=1", "?=1"},
    };
    for (const auto& c : kCases) {
        bool bOk = true;
        std::string str = Utf8ToCp1252(c.pszUtf8, &bOk);
        EXPECT_EQ(str, c.pszAnsi) << c.pszUtf8;
        EXPECT_EQ(bOk, std::string(c.pszAnsi).find('?') == std::string::npos) << c.pszUtf8;
    }
    // the flag is optional
    EXPECT_EQ(Utf8ToCp1252("Ł"), "?");
}

TEST(CCp1252Test, BrokenUtf8GivesQuestionMarks) {
    const struct {
        const char* pszName;
        std::string strUtf8;
        std::string strAnsi;
    } kCases[] = {
        {"lone continuation byte", "a\x80z", "a?z"},
        {"lead byte at the end", "ab\xC3", "ab?"},
        {"three-byte form cut short", "\xE2\x82", "??"},
        {"lead byte followed by ASCII",
         "\xC3"
         "A",
         "?A"},
        {"invalid lead byte", "\xFF\xFE", "??"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", "?????"},
        {"overlong quote", "\xC0\xA7", "?"},
        {"overlong slash", "\xE0\x80\xAF", "?"},
        {"overlong NUL", "\xC0\x80", "?"},
        {"surrogate half", "\xED\xA0\x80", "?"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "?"},
        {"Latin-1 bytes taken for UTF-8",
         "Gr\xF6\xDF"
         "e",
         "Gr??e"},
    };
    for (const auto& c : kCases) {
        bool bOk = true;
        EXPECT_EQ(Utf8ToCp1252(c.strUtf8, &bOk), c.strAnsi) << c.pszName;
        EXPECT_FALSE(bOk) << c.pszName;
    }
}

TEST(CCp1252Test, EmptyAndAsciiPassUnchanged) {
    bool bOk = false;
    EXPECT_EQ(Utf8ToCp1252("", &bOk), "");
    EXPECT_TRUE(bOk);
    std::string strAscii = "O'Neil \\ 100% \"x\"\r\n\t";
    EXPECT_EQ(Utf8ToCp1252(strAscii, &bOk), strAscii);
    EXPECT_TRUE(bOk);
    EXPECT_EQ(Cp1252ToUtf8(strAscii), strAscii);
    // an embedded NUL byte is a character like any other
    std::string strNul("a\0b", 3);
    EXPECT_EQ(Cp1252ToUtf8(strNul), strNul);
    EXPECT_EQ(Utf8ToCp1252(strNul), strNul);
}

TEST(CCp1252Test, AnsiUpperFollowsWindowsRules) {
    const struct {
        const char* pszIn;
        const char* pszOut;
    } kCases[] = {
        {"äöü", "ÄÖÜ"}, {"straße", "STRAßE"}, {"éèêàçñ", "ÉÈÊÀÇÑ"},         {"šœžÿ", "ŠŒŽŸ"},
        {"µ÷", "µ÷"},   {"ÄÖÜ", "ÄÖÜ"},       {"abc xyz 09", "ABC XYZ 09"}, {"€[]{}", "€[]{}"},
    };
    for (const auto& c : kCases) EXPECT_EQ(Cp1252ToUtf8(AnsiUpper(Ansi(c.pszIn))), c.pszOut) << c.pszIn;
    // only lower-case letters move: no other byte changes
    for (int i = 0; i < 256; ++i) {
        unsigned char ch = static_cast<unsigned char>(i);
        unsigned char up = AnsiUpper(ch);
        if (up != ch) {
            EXPECT_EQ(AnsiUpper(up), up) << i;  // upper case is stable
        }
        if (ch >= 0xC0 && ch <= 0xDE) {
            EXPECT_EQ(up, ch) << i;
        }
    }
}
