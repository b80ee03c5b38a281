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
    // the same hits for a listing, without their texts
    CKnowHowArray arrBare;
    ASSERT_EQ(m_pTree->Search(arrBare, "apfel", true, true, false), 4);
    for (const auto& hit : arrBare) EXPECT_TRUE(hit.Text.empty() && !hit.Name.empty()) << hit.ID;
    EXPECT_EQ(arrBare[1].ID, E1);
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

// LIKE semantics on the bytes, written out plainly: the reference the open
// search must agree with.
bool ReferenceLike(const char* p, const char* t) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (!*p) return !*t;
    if (*p == '%') return ReferenceLike(p + 1, t) || (*t && ReferenceLike(p, t + 1));
    return *t && (*p == '_' || fold(*p) == fold(*t)) && ReferenceLike(p + 1, t + 1);
}

// An accented letter before a byte 0x80-0xBF (quotes, dashes, ellipsis,
// euro, degree, superscripts) is one character to the engine; the hits must
// still be exactly those of a byte-wise search over the whole table.
TEST_F(CSearchTest, OpenDatabaseFindsWhatAByteWiseSearchFinds) {
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
    };
    for (const auto& row : rows) Add(F, row[0], false, row[1]);
    std::int32_t nOff = Add(F, "Tschüß“", false, "Café–");
    Query("UPDATE KnowHow SET IsAktiv='0' WHERE ID=" + std::to_string(nOff));
    std::int32_t nRaw = Add(F, "roh");  // UTF-8 bytes and lone high bytes as stored by other tools
    Query("UPDATE KnowHow SET Name='M\xC3\xBCller \xFC\xFC', Text='\xE9\x96\xBF' WHERE ID=" + std::to_string(nRaw));

    std::vector<std::string> arrSearch;
    for (const char* psz : {"Tschüß", "Café",   "ß",      "ü",      "é–", "–Bar", "€",   "°",    "²",  "Müller",
                            "MÜLLER", "müller", "M_ller", "M%ller", "_",  "%",    "ü_",  "ß_",   "__", "x_y",
                            "'",      "Grüß",   "ße»",    "50%",    "ä",  "é_",   "Ü%e", "\r\n", "«Ä", "äpfel"})
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
    for (const std::string& strSearch : arrSearch) {
        const std::string strPattern = "%" + strSearch + "%";
        for (auto [bKeywords, bTexts] : {std::pair{true, false}, {false, true}, {true, true}}) {
            std::vector<std::int32_t> arrExpected;
            for (const auto& r : table)
                if (r[1] == "1" && ((bKeywords && ReferenceLike(strPattern.c_str(), r[2].c_str())) ||
                                    (bTexts && ReferenceLike(strPattern.c_str(), r[3].c_str()))))
                    arrExpected.push_back(std::stoi(r[0]));
            int n = 0;
            ASSERT_EQ(Hits(Cp1252ToUtf8(strSearch).c_str(), bKeywords, bTexts, &n), arrExpected)
                << Cp1252ToUtf8(strSearch) << " keywords " << bKeywords << " texts " << bTexts;
            EXPECT_EQ(n, static_cast<int>(arrExpected.size()));
            ++nSearches;
            nHits += n;
        }
    }
    EXPECT_GT(nSearches, 1000);
    EXPECT_GT(nHits, nSearches);  // the cases are not all empty

    // still one LIKE per column, the exact match made on the rows it returns
    RecordSql(true);
    EXPECT_EQ(Hits("Tschüß", true, true).size(), 1u);
    RecordSql(false);
    ASSERT_FALSE(m_arrSql.empty());
    EXPECT_EQ(m_arrSql.back(),
              Ansi("SELECT * FROM KnowHow WHERE ([Name] LIKE '%Tschü%' OR [Text] LIKE '%Tschü%') AND IsAktiv='1';"));
}

TEST(CLikeMatchTest, BytesWildcardsAndAsciiCase) {
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
        // a plain word between two '%': found in either case, at either end
        {"%server%", "SERVER", true},
        {"%er%", "xxER", true},
        {"%ab%", "a", false},
        {"%ab%", "aAxAB", true},
        {"%ab%", "aAxAb", true},
        {"%ab%", "aaAXb", false},
        {"%\xFC"
         "b%",
         "\xDC"
         "b\xFC"
         "B",
         true},
        {"%\xFC"
         "b%",
         "\xDC"
         "b",
         false},
        {"%1-2%", "x1-1-2", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LikeMatch(c.pszPattern, c.pszText), c.bMatch) << c.pszPattern << " / " << c.pszText;
    // the engine's pattern: as narrow as its reading of the bytes allows
    const std::pair<const char*, const char*> wide[] = {
        {"Müller", "%Müller%"}, {"Tschüß", "%Tschü%"}, {"–Bar", "%Bar%"}, {"é–", "%"},
        {"é–x", "%é–x%"},       {"a_b%%c", "%a%b%c%"}, {"x€€", "%x€€%"},  {"", "%"},
    };
    for (const auto& [pszText, pszPattern] : wide)
        EXPECT_EQ(LikeWidePattern(Ansi(pszText)), Ansi(pszPattern)) << pszText;

    std::string strLong(100000, 'b');
    EXPECT_FALSE(LikeMatch("%a%", strLong));
    EXPECT_TRUE(LikeMatch("%b_b%", strLong));
    EXPECT_FALSE(LikeMatch("%bbc", strLong + "bbx"));
}

}  // namespace
