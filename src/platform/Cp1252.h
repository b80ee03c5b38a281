#pragma once
// Windows-1252 <-> UTF-8. The core keeps all text as Windows-1252 bytes, the
// front ends show UTF-8/Unicode. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which
// Windows-1252 leaves undefined, map to the control characters of the same
// number, so every byte round-trips.

#include <string>

std::string Cp1252ToUtf8(const std::string& strAnsi);

// Converts; a character Windows-1252 cannot hold (or broken UTF-8) becomes
// '?' and clears *pbOk.
std::string Utf8ToCp1252(const std::string& strUtf8, bool* pbOk = nullptr);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool IsValidUtf8(const std::string& str);

// The Unicode code point of a Windows-1252 byte, and back (-1 when none).
char32_t Cp1252ToUnicode(unsigned char ch);
int UnicodeToCp1252(char32_t cp);

// A German text of the program, written in UTF-8 in the source, as Windows-1252.
std::string Ansi(const char* pszUtf8);

// Upper case by Windows-1252 rules: ASCII letters, the accented letters,
// š œ ž ÿ to Š Œ Ž Ÿ; ß and µ have no single-byte capital and stay.
unsigned char AnsiUpper(unsigned char ch);
std::string AnsiUpper(const std::string& str);
