// Search in an open database (SQL LIKE) and in a protected one (in memory).
#include "TreeFixture.h"

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

}  // namespace
