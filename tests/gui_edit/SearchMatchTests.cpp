// The occurrences highlighted in the search preview.
#include "edit/CEditEx.h"
#include "edit/SearchMatch.h"
#include "support/TestSupport.h"

namespace {
using Ranges = std::vector<std::pair<int, int>>;
}

TEST(SearchMatch, EveryOccurrenceCaseInsensitiveOverlapsIncluded) {
    EXPECT_EQ(FindOccurrences("Tee und tee und TEE", "tee"), (Ranges{{0, 3}, {8, 3}, {16, 3}}));
    // two equal letters in a run of three: both finds, all three marked
    EXPECT_EQ(FindOccurrences("xaaax", "aa"), (Ranges{{1, 2}, {2, 2}}));
    EXPECT_EQ(FindOccurrences("aaaa", "aa"), (Ranges{{0, 2}, {1, 2}, {2, 2}}));
    EXPECT_TRUE(FindOccurrences("abc", "").empty());
    EXPECT_TRUE(FindOccurrences("", "a").empty());
    EXPECT_TRUE(FindOccurrences("ab", "abc").empty());
}

TEST(SearchMatch, UmlautsAndAccentsMatchAcrossCaseByWindows1252Rules) {
    // Ü and ü, Ö and ö match; ß has no capital and matches only itself
    EXPECT_EQ(FindOccurrences("\xDC"
                              "bersicht und \xFC"
                              "bersicht",
                              "\xFC"
                              "bersicht"),
              (Ranges{{0, 9}, {14, 9}}));
    EXPECT_EQ(FindOccurrences("Gr\xD6\xDF"
                              "e",
                              "gr\xF6\xDF"),
              (Ranges{{0, 4}}));
    EXPECT_TRUE(FindOccurrences("GROSSE", "gro\xDF").empty());
    // the Windows-1252 letters above 0x80: š/Š, œ/Œ, ž/Ž, ÿ/Ÿ
    EXPECT_EQ(FindOccurrences("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"), (Ranges{{0, 4}}));
    // a plain byte comparison would miss these; é and É too
    EXPECT_EQ(FindOccurrences("caf\xC9", "CAF\xE9"), (Ranges{{0, 4}}));
}

TEST(SearchMatch, OffsetsOfTheStoredTextMapOntoThePreview) {
    const std::string strText = "ab\r\ncd\nef\rgh";
    const std::vector<int> arrPos = PreviewPositions(strText);
    ASSERT_EQ(arrPos.size(), strText.size() + 1);
    const QString strShown = StoredToDisplay(strText);
    // every character that is not the CR of a CR LF lands on itself
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n') continue;
        const QChar ch = strShown[arrPos[i]];
        if (strText[i] == '\r' || strText[i] == '\n')
            EXPECT_EQ(ch, QChar('\n')) << i;
        else
            EXPECT_EQ(ch, QChar(strText[i])) << i;
    }
    EXPECT_EQ(arrPos.back(), strShown.size());
    // "cd" behind a CR LF starts one position earlier in the preview
    const Ranges found = FindOccurrences(strText, "CD");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].first, 4);
    EXPECT_EQ(arrPos[found[0].first], 3);
    EXPECT_EQ(strShown.mid(arrPos[4], arrPos[6] - arrPos[4]), QStringLiteral("cd"));
}
