#pragma once
// Where a search text occurs in an entry's text, for the highlighting in the
// search dialog's preview.

#include <string>
#include <utility>
#include <vector>

// Every occurrence of strSearch in strText, compared in Windows-1252 upper
// case (umlauts included), overlapping ones too: (start, length) as offsets
// into the stored text.
std::vector<std::pair<int, int>> FindOccurrences(const std::string& strText, const std::string& strSearch);

// For every offset into the stored text (0 to its length), the position of
// that character in the preview, which shows a CR LF as one line break.
std::vector<int> PreviewPositions(const std::string& strText);
