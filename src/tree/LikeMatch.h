#pragma once
// The one match of the search, with or without a password: the text holds
// the search text as one piece, letters regardless of case by Windows-1252
// rules (ASCII, the accented letters, š œ ž ÿ and their capitals), every
// other byte only itself; '%', '_' and '\' are ordinary characters.
//
// In a plain file the engine narrows the rows first. Its LIKE reads the
// Windows-1252 bytes as UTF-8: a byte >= 0xC0 swallows the bytes 0x80-0xBF
// after it (typographic quotes, dashes, the euro sign, degree, superscripts)
// into one character, and lone high bytes all compare equal. So the search
// asks the engine with a wider pattern and decides each row it gets back
// with SearchContains.

#include <string>
#include <string_view>

bool SearchContains(std::string_view strWord, std::string_view strText);

// The LIKE pattern, for ESCAPE '\', that lets through every text for which
// SearchContains(strText, text) holds: the search text between two '%',
// with '%' and wild pieces where the engine's reading of a byte may differ
// from the byte-wise match (a NUL, a letter whose other case reads
// differently, the ends of each literal piece). Quotes are not doubled.
std::string LikeWidePattern(std::string_view strText);
