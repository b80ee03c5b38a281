#pragma once
// The match of the plain search, byte by byte: '%' stands for any run of
// bytes, '_' for exactly one byte, ASCII letters match regardless of case,
// every other byte (umlauts included) only itself.
//
// The engine's LIKE reads Windows-1252 text as UTF-8: a byte >= 0x80 swallows
// the bytes 0x80-0xBF after it (typographic quotes, dashes, the euro sign,
// degree, superscripts) into one character, and lone high bytes all compare
// equal. So the search asks the engine with a wider pattern and decides each
// row it gets back with LikeMatch.

#include <string>
#include <string_view>

bool LikeMatch(std::string_view strPattern, std::string_view strText);

// The LIKE pattern for the engine that lets through every row that
// LikeMatch("%" + strText + "%") accepts: the search text between two '%',
// with '_' (one byte here, maybe several there) and NUL turned into '%', and
// the ends of each literal piece where the engine's reading may differ
// between pattern and text as well. Quotes are not doubled.
std::string LikeWidePattern(std::string_view strText);
