// Search in an open database (SQL LIKE) and in a protected one (in memory).
#include "TreeFixture.h"
#include "tree/LikeMatch.h"

namespace {

class CSearchTest : public CTreeTest {
protected:
    void SetUp() override {
        CTreeTest::SetUp();
        F = Add(0, "Rezepte", true, "Sammlung von Apfelkuchen");
        E1 = Add(F, "O'Neil", false, "Apfel_Kuchen");
        E2 = Add(F, "Apfelkuchen", false, "mit APFEL");
        E3 = Add(F, "Äpfel", false, "äpfel");
        E4 = Add(F, "ApfelXKuchen", false, "");
    }
    std::vector<std::int32_t> Hits(const char* pszText, bool bKeywords, bool bTexts, int* pnResult = nullptr) {
        CKnowHowArray arr;
        int n = m_pTree->Search(arr, Ansi(pszText), bKeywords, bTexts);
        if (pnResult) *pnResult = n;
        std::vector<std::int32_t> arrIds;
        for (const auto& item : arr) arrIds.push_back(item.ID);
        return arrIds;
    }
    std::int32_t F, E1, E2, E3, E4;
};

TEST_F(CSearchTest, OpenDatabaseMatchesWithLike) {
    RecordSql(true);
    EXPECT_EQ(Hits("O'Neil", true, true), std::vector<std::int32_t>{E1});
    RecordSql(false);
    ASSERT_FALSE(m_arrSql.empty());
    EXPECT_EQ(m_arrSql.back(),
              "SELECT * FROM KnowHow WHERE ([Name] LIKE '%O''Neil%' OR [Text] LIKE '%O''Neil%') AND "
              "IsAktiv='1';");

    // underscore is a wildcard, ASCII case is ignored
    EXPECT_EQ(Hits("l_K", true, true), (std::vector<std::int32_t>{E1, E4}));
    EXPECT_EQ(Hits("APFELKUCHEN", true, false), std::vector<std::int32_t>{E2});
    EXPECT_EQ(Hits("äpfel", false, true), std::vector<std::int32_t>{E3});
    // keyword and text both match: listed once; folders are hits; ID order
    EXPECT_EQ(Hits("apfel", true, true), (std::vector<std::int32_t>{F, E1, E2, E4}));
    EXPECT_EQ(Hits("Kuchen", false, true), (std::vector<std::int32_t>{F, E1}));

    Query("UPDATE KnowHow SET IsAktiv='0' WHERE ID=" + std::to_string(E2));
    EXPECT_EQ(Hits("Apfelkuchen", true, false), std::vector<std::int32_t>{});

    // neither flag builds "()" which the engine rejects
    int n = 0;
    EXPECT_EQ(Hits("x", false, false, &n), std::vector<std::int32_t>{});
    EXPECT_EQ(n, -1);
}

TEST_F(CSearchTest, ProtectedDatabaseMatchesBytesInMemory) {
    ASSERT_TRUE(GetDatabase().SetOption("DbKey", "x"));
    Query("UPDATE KnowHow SET IsAktiv='0' WHERE ID=" + std::to_string(E2));
    RecordSql(true);
    EXPECT_EQ(Hits("O'Neil", true, true), std::vector<std::int32_t>{E1});
    RecordSql(false);
    for (const auto& s : m_arrSql) EXPECT_EQ(s.find("LIKE"), std::string::npos) << s;

    EXPECT_EQ(Hits("l_K", true, true), std::vector<std::int32_t>{E1});         // underscore is itself
    EXPECT_EQ(Hits("APFELKUCHEN", true, false), std::vector<std::int32_t>{});  // case counts
    EXPECT_EQ(Hits("APFEL", false, true), std::vector<std::int32_t>{E2});      // inactive rows too
    EXPECT_EQ(Hits("Apfel", true, true), (std::vector<std::int32_t>{F, E1, E2, E4}));
    EXPECT_EQ(Hits("äpfel", true, true), std::vector<std::int32_t>{E3});
    EXPECT_EQ(Hits("Kuchen", true, false), std::vector<std::int32_t>{E4});
}

// The engine reads a byte >= 0x80 and the letter after it as one character,
// and all such characters compare equal; the search checks its hits by bytes.
TEST_F(CSearchTest, OpenDatabaseComparesUmlautsByTheirBytes) {
    std::int32_t nMueller = Add(0, "Herr Müller", false, "");
    std::int32_t nMoeller = Add(0, "Möller", false, "Frau Möller");
    std::int32_t nUpper = Add(0, "MÜLLER", false, "");
    std::int32_t nLower = Add(0, "müller", false, "");
    std::int32_t nUtf8 = Add(0, "x", false, "");  // "Müller" as UTF-8 bytes read as Windows-1252: M \xC3 \xBC ller
    Query("UPDATE KnowHow SET Text='M\xC3\xBCller' WHERE ID=" + std::to_string(nUtf8));

    EXPECT_EQ(Hits("Müller", true, true), (std::vector<std::int32_t>{nMueller, nLower}));
    EXPECT_EQ(Hits("MÖLLER", true, true), std::vector<std::int32_t>{});  // umlauts match only themselves
    EXPECT_EQ(Hits("möller", true, false), std::vector<std::int32_t>{nMoeller});
    EXPECT_EQ(Hits("Möller", false, true), std::vector<std::int32_t>{nMoeller});
    // one underscore is one byte, also next to an umlaut
    EXPECT_EQ(Hits("M_ller", true, true), (std::vector<std::int32_t>{nMueller, nMoeller, nUpper, nLower}));
    EXPECT_EQ(Hits("Mü_ler", true, true), (std::vector<std::int32_t>{nMueller, nLower}));
    // the engine takes \xC3\xBC for one character, the search for two bytes
    EXPECT_EQ(Hits("M_ller", false, true), std::vector<std::int32_t>{nMoeller});
    EXPECT_EQ(Hits("M%ller", false, true), (std::vector<std::int32_t>{nMoeller, nUtf8}));
    int n = 0;
    Hits("Müller", true, true, &n);
    EXPECT_EQ(n, 2);
}

TEST(LikeMatchTest, BytesWildcardsAndAsciiCase) {
    struct SCase {
        const char* pszPattern;
        const char* pszText;
        bool bMatch;
    };
    const SCase cases[] = {
        {"%abc%", "xxABCxx", true},
        {"%abc%", "xxabxcx", false},
        {"abc", "ABC", true},
        {"abc", "abcd", false},
        {"%", "", true},
        {"", "", true},
        {"", "a", false},
        {"_", "", false},
        {"_", "\xFC", true},
        {"__", "\xFC", false},
        {"a_c",
         "a\xFC"
         "c",
         true},
        {"%\xFC%", "\xDC", false},
        {"%\xFCl%", "M\xF6ller", false},
        {"%\xE9%", "\xC9", false},
        {"%b%c%", "abxxc", true},
        {"%b%c%", "acxb", false},
        {"a%%b", "ab", true},
        {"%aab%", "aaaab", true},
        {"%x_y%", "ax\ny", true},
        {"Z", "z", true},
        {"[", "{", false},
        {"%'%", "O'Neil", true},

    };
    for (const auto& c : cases)
        EXPECT_EQ(LikeMatch(c.pszPattern, c.pszText), c.bMatch) << c.pszPattern << " / " << c.pszText;
    std::string strLong(100000, 'b');
    EXPECT_FALSE(LikeMatch("%a%", strLong));
    EXPECT_TRUE(LikeMatch("%b_b%", strLong));
    EXPECT_FALSE(LikeMatch("%bbc", strLong + "bbx"));
}

}  // namespace
