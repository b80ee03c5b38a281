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

TEST_F(CSearchTest, OpenDatabaseNarrowsWithLike) {
    RecordSql(true);
    EXPECT_EQ(Hits("O'Neil", true, true), std::vector<std::int32_t>{E1});
    RecordSql(false);
    ASSERT_FALSE(m_arrSql.empty());
    EXPECT_EQ(m_arrSql.back(),
              "SELECT * FROM KnowHow WHERE ([Name] LIKE '%O''Neil%' ESCAPE '\\' OR [Text] LIKE '%O''Neil%' ESCAPE "
              "'\\') AND IsAktiv='1';");
    // keyword and text both match: listed once; folders are hits; ID order
    EXPECT_EQ(Hits("apfel", true, true), (std::vector<std::int32_t>{F, E1, E2, E4}));
    // the same hits for a listing, without their texts
    CKnowHowArray arrBare;
    ASSERT_EQ(m_pTree->Search(arrBare, "apfel", true, true, false), 4);
    for (const auto& hit : arrBare) EXPECT_TRUE(hit.Text.empty() && !hit.Name.empty()) << hit.ID;
    EXPECT_EQ(arrBare[1].ID, E1);

    // neither flag builds "()" which the engine rejects
    int n = 0;
    EXPECT_EQ(Hits("x", false, false, &n), std::vector<std::int32_t>{});
    EXPECT_EQ(n, -1);
}

// Protecting the file must not change what a search finds.
TEST_F(CSearchTest, PlainAndProtectedFindTheSame) {
    Query("UPDATE KnowHow SET IsAktiv='0' WHERE ID=" + std::to_string(E2));
    for (bool bProtected : {false, true}) {
        SCOPED_TRACE(bProtected ? "protected" : "plain");
        ASSERT_TRUE(GetDatabase().SetOption("DbKey", bProtected ? "x" : ""));
        if (bProtected) {
            RecordSql(true);
            EXPECT_EQ(Hits("O'Neil", true, true), std::vector<std::int32_t>{E1});
            RecordSql(false);
            for (const auto& s : m_arrSql) EXPECT_EQ(s.find("LIKE"), std::string::npos) << s;
        }
        EXPECT_EQ(Hits("l_K", true, true), std::vector<std::int32_t>{E1});         // underscore is itself
        EXPECT_EQ(Hits("APFELKUCHEN", true, false), std::vector<std::int32_t>{});  // only the inactive row has it
        EXPECT_EQ(Hits("APFEL", false, true), (std::vector<std::int32_t>{F, E1}));
        EXPECT_EQ(Hits("Apfel", true, true), (std::vector<std::int32_t>{F, E1, E4}));
        EXPECT_EQ(Hits("äpfel", true, true), std::vector<std::int32_t>{E3});  // keyword Äpfel, text äpfel
        EXPECT_EQ(Hits("ÄPFEL", true, false), std::vector<std::int32_t>{E3});
        EXPECT_EQ(Hits("Kuchen", true, false), std::vector<std::int32_t>{E4});
        EXPECT_EQ(Hits("Kuchen", false, true), (std::vector<std::int32_t>{F, E1}));
    }
}

// The engine reads a byte >= 0x80 and the letter after it as one character,
// and all such characters compare equal; the search checks its hits by bytes.
TEST_F(CSearchTest, UmlautsMatchInEitherCase) {
    std::int32_t nMueller = Add(0, "Herr Müller", false, "");
    std::int32_t nMoeller = Add(0, "Möller", false, "Frau Möller");
    std::int32_t nUpper = Add(0, "MÜLLER", false, "");
    std::int32_t nLower = Add(0, "müller", false, "");
    std::int32_t nUtf8 = Add(0, "x", false, "");  // "Müller" as UTF-8 bytes read as Windows-1252: M \xC3 \xBC ller
    Query("UPDATE KnowHow SET Text='M\xC3\xBCller' WHERE ID=" + std::to_string(nUtf8));

    EXPECT_EQ(Hits("Müller", true, true), (std::vector<std::int32_t>{nMueller, nUpper, nLower}));
    EXPECT_EQ(Hits("MÖLLER", true, true), std::vector<std::int32_t>{nMoeller});
    EXPECT_EQ(Hits("möller", true, false), std::vector<std::int32_t>{nMoeller});
    EXPECT_EQ(Hits("M_ller", true, true), std::vector<std::int32_t>{});
    EXPECT_EQ(Hits("M%ller", false, true), std::vector<std::int32_t>{});
    EXPECT_EQ(Hits(Cp1252ToUtf8("M\xC3\xBCller").c_str(), true, true), std::vector<std::int32_t>{nUtf8});
    int n = 0;
    Hits("müller", true, true, &n);
    EXPECT_EQ(n, 3);
}

// The match written out plainly: the reference both searches must agree with.
bool ReferenceContains(const std::string& strText, const std::string& strWord) {
    return AnsiUpper(strText).find(AnsiUpper(strWord)) != std::string::npos;
}

// An accented letter before a byte 0x80-0xBF (quotes, dashes, ellipsis,
// euro, degree, superscripts) is one character to the engine; the hits must
// still be exactly those of a byte-wise search over the whole table.
TEST_F(CSearchTest, BothModesFindWhatAByteWiseSearchFinds) {
    const char* rows[][2] = {
        {"„Tschüß“", "Er sagte „Tschüß“ und ging."},
        {"Café–Bar", "Café… oder Bistro"},
        {"Preis: 5 €", "Ärger€ über ß‰"},
        {"20 °C", "Grüß°"},
        {"m²", "Fläche 12 m²\r\nzweite Zeile"},
        {"Müller", "Möller"},
        {"MÜLLER", "naïve—Idee"},
        {"Straße»", "x_y und 50%"},
        {"«Äpfel»", "ÄPFEL äpfel"},
        {"ŠKODA œuvre", "ÿes Ÿ žŽ“š”Œ"},
        {"ÉCOLE–É", "école—é Ø\\Pfad"},
    };
    for (const auto& row : rows) Add(F, row[0], false, row[1]);
    std::int32_t nOff = Add(F, "Tschüß“", false, "Café–");
    Query("UPDATE KnowHow SET IsAktiv='0' WHERE ID=" + std::to_string(nOff));
    std::int32_t nRaw = Add(F, "roh");  // UTF-8 bytes and lone high bytes as stored by other tools
    Query("UPDATE KnowHow SET Name='M\xC3\xBCller \xFC\xFC', Text='\xE9\x96\xBF' WHERE ID=" + std::to_string(nRaw));

    std::vector<std::string> arrSearch;
    for (const char* psz :
         {"Tschüß", "Café",   "ß",      "ü",   "é–",   "–Bar", "€",   "°",     "²",     "Müller", "MÜLLER",
          "müller", "M_ller", "M%ller", "_",   "%",    "ü_",   "ß_",  "__",    "x_y",   "'",      "Grüß",
          "ße»",    "50%",    "ä",      "é_",  "Ü%e",  "\r\n", "«Ä",  "äpfel", "škoda", "ŒUVRE",  "Ÿ",
          "ÿ",      "Ž“",     "É–",     "é—É", "ø\\p", "\\",   "\\%", "%_"})
        arrSearch.push_back(Ansi(psz));
    arrSearch.push_back("\xC3\xBC");
    arrSearch.push_back("\xFC\xFC");
    arrSearch.push_back("\xE9\x96");
    const auto table = Query("SELECT ID, IsAktiv, Name, Text FROM KnowHow ORDER BY ID");
    // every piece of up to three bytes of what is stored is searched as well
    for (const auto& r : table)
        for (const std::string& str : {r[2], r[3]})
            for (size_t n = 1; n <= 3; ++n)
                for (size_t i = 0; i + n <= str.size(); ++i) arrSearch.push_back(str.substr(i, n));

    int nSearches = 0, nHits = 0;
    for (bool bProtected : {false, true}) {
        ASSERT_TRUE(GetDatabase().SetOption("DbKey", bProtected ? "x" : ""));
        for (const std::string& strSearch : arrSearch) {
            for (auto [bKeywords, bTexts] : {std::pair{true, false}, {false, true}, {true, true}}) {
                std::vector<std::int32_t> arrExpected;
                for (const auto& r : table)
                    if (r[1] == "1" && ((bKeywords && ReferenceContains(r[2], strSearch)) ||
                                        (bTexts && ReferenceContains(r[3], strSearch))))
                        arrExpected.push_back(std::stoi(r[0]));
                int n = 0;
                ASSERT_EQ(Hits(Cp1252ToUtf8(strSearch).c_str(), bKeywords, bTexts, &n), arrExpected)
                    << Cp1252ToUtf8(strSearch) << " keywords " << bKeywords << " texts " << bTexts << " protected "
                    << bProtected;
                EXPECT_EQ(n, static_cast<int>(arrExpected.size()));
                ++nSearches;
                nHits += n;
            }
        }
    }
    ASSERT_TRUE(GetDatabase().SetOption("DbKey", ""));
    EXPECT_GT(nSearches, 2000);
    EXPECT_GT(nHits, nSearches);  // the cases are not all empty

    // still one LIKE per column, the exact match made on the rows it returns
    RecordSql(true);
    EXPECT_EQ(Hits("Tschüß", true, true).size(), 1u);
    RecordSql(false);
    ASSERT_FALSE(m_arrSql.empty());
    EXPECT_EQ(
        m_arrSql.back(),
        Ansi("SELECT * FROM KnowHow WHERE ([Name] LIKE '%Tschü%' ESCAPE '\\' OR [Text] LIKE '%Tschü%' ESCAPE '\\') "
             "AND IsAktiv='1';"));
}

TEST(CSearchContainsTest, LettersInEitherCaseEveryOtherByteItself) {
    struct SCase {
        const char* pszWord;
        const char* pszText;
        bool bMatch;
    };
    const SCase cases[] = {
        {"abc", "xxABCxx", true},
        {"abc", "xxabxcx", false},
        {"", "", true},
        {"a", "", false},
        {"Z", "z", true},
        {"[", "{", false},
        {"'", "O'Neil", true},
        {"er", "xxER", true},
        {"ab", "a", false},
        {"ab", "aAxAB", true},
        {"ab", "aaAXb", false},
        {"1-2", "x1-1-2", true},
        {"%", "100%", true},
        {"%", "100", false},
        {"_", "a_b", true},
        {"_", "ab", false},
        {"a_b", "axb", false},
        {"\\", "C:\\x", true},
        {"\\", "C:/x", false},
        {"%a", "Aa", false},
        {"müller", "MÜLLER", true},
        {"MÜLLER", "Müller", true},
        {"ü", "u", false},
        {"ä", "Ä", true},
        {"à", "À", true},
        {"þ", "Þ", true},
        {"š", "Š", true},
        {"œ", "Œ", true},
        {"ž", "Ž", true},
        {"ÿ", "Ÿ", true},
        {"ß", "SS", false},
        {"µ", "Μ", false},
        {"÷", "×", false},
        {"é", "e", false},
        {"Straße", "STRASSE", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchContains(Ansi(c.pszWord), Ansi(c.pszText)), c.bMatch) << c.pszWord << " / " << c.pszText;

    // the engine's pattern: as narrow as its reading of the bytes allows
    const std::pair<const char*, const char*> wide[] = {
        {"Müller", "%Müller%"}, {"Tschüß", "%Tschü%"},        {"–Bar", "%Bar%"}, {"é–", "%"},
        {"é–x", "%x%"},         {"a_b%%c", "%a\\_b\\%\\%c%"}, {"x€€", "%x€€%"},  {"", "%"},
        {"\\", "%\\\\%"},       {"škoda", "%koda%"},          {"ÿes", "%es%"},   {"ÉCOLE", "%ÉCOLE%"},
        {"%", "%\\%%"},
    };
    for (const auto& [pszText, pszPattern] : wide)
        EXPECT_EQ(LikeWidePattern(Ansi(pszText)), Ansi(pszPattern)) << pszText;

    std::string strLong(100000, 'b');
    EXPECT_FALSE(SearchContains("a", strLong));
    EXPECT_TRUE(SearchContains("BbB", strLong));
    EXPECT_FALSE(SearchContains("bbc", strLong + "bbx"));
}

}  // namespace
