// The occurrences marked in the search preview: Windows-1252 letter case.
#include "edit/SearchMatch.h"
#include "support/TestSupport.h"

namespace {
using Ranges = std::vector<std::pair<int, int>>;
}

TEST(CSearchMatchTest, LettersMatchAcrossCaseByWindows1252RulesAndOverlapsCount) {
    EXPECT_EQ(FindOccurrences("\xDC"
                              "bersicht und \xFC"
                              "bersicht",
                              "\xFC"
                              "bersicht"),
              (Ranges{{0, 9}, {14, 9}}));
    // ß has no capital: it matches itself only
    EXPECT_EQ(FindOccurrences("Gr\xD6\xDF"
                              "e",
                              "gr\xF6\xDF"),
              (Ranges{{0, 4}}));
    EXPECT_TRUE(FindOccurrences("GROSSE", "gro\xDF").empty());
    // the letters above 0x80 that a plain byte or Latin-1 comparison misses: š, œ, ž, ÿ, é
    EXPECT_EQ(FindOccurrences("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"), (Ranges{{0, 4}}));
    EXPECT_EQ(FindOccurrences("caf\xC9", "CAF\xE9"), (Ranges{{0, 4}}));
    EXPECT_EQ(FindOccurrences("aaaa", "aa"), (Ranges{{0, 2}, {1, 2}, {2, 2}}));
    EXPECT_TRUE(FindOccurrences("abc", "").empty());
    // a CR LF is one position in the preview
    EXPECT_EQ(PreviewPositions("a\r\nb\nc"), (std::vector<int>{0, 1, 1, 2, 3, 4, 5}));
}
