// Export and import of the folder structure as a template file.
#include <sys/stat.h>

#include "TreeFixture.h"

namespace {

class CStructureTest : public CTreeTest {
protected:
    std::int32_t Import(const std::string& strContent, std::int32_t nTarget = 0) {
        std::string strFile = m_dir.File("vorlage.txt");
        WriteFile(strFile, strContent);
        return m_pTree->ImportStructure(strFile, nTarget);
    }
};

TEST_F(CStructureTest, ExportThenImportRecreatesTheFolderElsewhere) {
    std::int32_t K = Add(0, "K", true, "Text bleibt hier");
    std::int32_t A = Add(K, "A", true);
    Add(A, "B", false, "Text");
    Add(K, "D");
    std::int32_t T = Add(0, "Ziel", true);
    Add(T, "schon da");
    Add(T, "auch da", true);

    std::string strFile = m_dir.File("k.txt");
    bool bFailed = true;
    EXPECT_TRUE(m_pTree->ExportStructure(strFile, K, &bFailed));
    EXPECT_FALSE(bFailed);
    EXPECT_EQ(ReadFile(strFile), "+ K\r\n  + A\r\n    - B\r\n  - D\r\n");

    std::int32_t nNew = m_pTree->ImportStructure(strFile, T);
    EXPECT_EQ(Shape(T), "schon da auch da{} K{A{B} D}");
    CKnowHowItem item;
    ASSERT_EQ(m_pTree->GetItem(item, nNew), 1);
    EXPECT_EQ(item.Name, "K");
    EXPECT_EQ(item.MasterID, T);
    EXPECT_EQ(item.PosNr, 3);
    EXPECT_EQ(item.Text, "");
    EXPECT_EQ(Query("SELECT count(*) FROM KnowHow WHERE Text<>''")[0][0], "2");
    EXPECT_EQ(PositionFaults(), "");

    // the same template twice makes the structure twice
    m_pTree->ImportStructure(strFile, T);
    EXPECT_EQ(Shape(T), "schon da auch da{} K{A{B} D} K{A{B} D}");
    EXPECT_EQ(PositionFaults(), "");
}

TEST_F(CStructureTest, ExportOfTheRootAndOfNothing) {
    std::string strFile = m_dir.File("root.txt");
    EXPECT_FALSE(m_pTree->ExportStructure(strFile, 0));
    EXPECT_FALSE(m_platform.FileExists(strFile));
    EXPECT_FALSE(m_pTree->ExportStructure(strFile, 4711));  // no such folder
    EXPECT_FALSE(m_platform.FileExists(strFile));

    std::int32_t X = Add(0, "X", true);
    Add(X, "Größe");  // Windows-1252 in the file
    Add(0, "  Y ");
    EXPECT_TRUE(m_pTree->ExportStructure(strFile, 0));
    EXPECT_EQ(ReadFile(strFile),
              "+ X\r\n  - Gr\xF6\xDF"
              "e\r\n-   Y \r\n");
}

TEST_F(CStructureTest, ExportToAFileThatCannotBeWrittenSaysSo) {
    Add(0, "X", true);
    bool bFailed = false;
    EXPECT_TRUE(m_pTree->ExportStructure(m_dir.File("fehlt/x.txt"), 0, &bFailed));
    EXPECT_TRUE(bFailed);
    EXPECT_TRUE(m_pTree->ExportStructure(m_dir.Path(), 0, &bFailed));  // a folder
    EXPECT_TRUE(bFailed);
    EXPECT_EQ(ExportStructureMessage(false), "Die Daten wurden exportiert.");
    EXPECT_NE(ExportStructureMessage(true), ExportStructureMessage(false));
    EXPECT_NE(ExportStructureMessage(true).find("nicht"), std::string::npos);
}

// Other tools can store a line break in a keyword; the template shows it as
// a space and never gets a line of its own from it.
TEST_F(CStructureTest, LineBreaksInKeywordsTravelAsSpaces) {
    struct SCase {
        const char* pszStored;
        const char* pszLine;      // as exported below the folder "K"
        const char* pszImported;  // keyword after the import
    } cases[] = {
        {"Zeile 1\r\nZeile 2", "  - Zeile 1 Zeile 2\r\n", "Zeile 1 Zeile 2"},
        {"a\nb", "  - a b\r\n", "a b"},
        {"c\rd", "  - c d\r\n", "c d"},
        {"e\r\n\r\nf", "  - e  f\r\n", "e  f"},
        {"\n+ falsch", "  -  + falsch\r\n", "+ falsch"},
        {"g\r\n", "  - g \r\n", "g"},
    };
    std::int32_t K = Add(0, "K", true);
    std::string strExpected = "+ K\r\n";
    for (const auto& c : cases) {
        Add(K, c.pszStored);
        strExpected += c.pszLine;
    }
    std::string strFile = m_dir.File("k.txt");
    ASSERT_TRUE(m_pTree->ExportStructure(strFile, K));
    EXPECT_EQ(ReadFile(strFile), strExpected);

    std::int32_t T = Add(0, "T", true);
    std::int32_t nNew = m_pTree->ImportStructure(strFile, T);
    CKnowHowArray arr;
    ASSERT_EQ(m_pTree->GetChildren(arr, nNew), static_cast<int>(std::size(cases)));
    for (size_t i = 0; i < arr.size(); ++i) EXPECT_EQ(arr[i].Name, cases[i].pszImported) << i;

    // a CR inside a line of a template is no line end and no part of a keyword
    std::int32_t L = Import("+ L\r\n  - h\ri\r\r\n", T);
    EXPECT_EQ(Query("SELECT Name FROM KnowHow WHERE MasterID=" + std::to_string(L)),
              std::vector<std::vector<std::string>>{{"h i"}});
}

struct SImportCase {
    const char* pszName;
    std::string strTemplate;
    const char* pszShape;  // below the target folder "T" (or the whole tree)
};

// test listings show the template, not the struct's bytes
void PrintTo(const SImportCase& c, std::ostream* pOut) {
    *pOut << '"' << c.strTemplate << '"';
}

class CImportCasesTest : public CStructureTest, public ::testing::WithParamInterface<SImportCase> {};

TEST_P(CImportCasesTest, BuildsTheExpectedTree) {
    std::int32_t T = Add(0, "T", true);
    Add(T, "alt");
    Import(GetParam().strTemplate, T);
    EXPECT_EQ(Shape(0), GetParam().pszShape);
    EXPECT_EQ(PositionFaults(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Templates, CImportCasesTest,
    ::testing::Values(
        SImportCase{"TwoSpaces", "+ K\n  + A\n    - B\n  - D\n", "T{alt K{A{B} D}}"},
        SImportCase{"FourSpaces", "+ K\n    + A\n        - B\n    - D\n", "T{alt K{A{B} D}}"},
        SImportCase{"CrLf", "+ K\r\n  + A\r\n    - B\r\n  - D", "T{alt K{A{B} D}}"},
        SImportCase{"BlankLinesAndComments", "\n# Vorlage\n+ K\n\n  + A\n  \n    - B\n  - D\n\n", "T{alt K{A{B} D}}"},
        SImportCase{"TabsAreNoIndentation", "+ K\n\t+ A\n  - D\n", "T{alt K{D}}"},
        SImportCase{"DashOverDeeperDash", "- K\n  - A\n", "T{alt K{A}}"},
        SImportCase{"DashOverDeeperPlus", "- K\n  + A\n    - B\n", "T{alt K{A{B}}}"},
        SImportCase{"DashOverBlankThenDeeper", "- K\n\n  - A\n", "T{alt K{A}}"},
        SImportCase{"DashInsideNextKeyword", "- K\n+ A-B\n", "T{alt K A-B{}}"},
        SImportCase{"KeywordsTrimmedAndKeptWhole", "+    K +1 -2   \n  -x-y\n", "T{alt K +1 -2{x-y}}"},
        SImportCase{"UnknownIndentationGoesToTheTop", "+ K\n    + A\n  - B\n", "T{alt K{A{}}} B"},
        SImportCase{"ShallowerReturnsToItsFolder", "+ K\n  + A\n    - B\n+ L\n  - C\n", "T{alt K{A{B}} L{C}}"},
        SImportCase{"ShallowerBelowTheFirstLine", "  + K\n+ A\n", "T{alt K{}} A{}"},
        // Windows-1252 unless a byte-order mark or valid UTF-8 throughout says otherwise
        SImportCase{"Windows1252",
                    "+ K\xFC"
                    "che\n  - \x84Zitat\x93 5 \x80\n",
                    "T{alt Küche{„Zitat“ 5 €}}"},
        SImportCase{"Utf8", "+ Küche\n  - „Zitat“ 5 € 20 °C\n", "T{alt Küche{„Zitat“ 5 € 20 °C}}"},
        SImportCase{"Utf8WithMark", "\xEF\xBB\xBF+ Küche\r\n  - Töpfe\r\n", "T{alt Küche{Töpfe}}"},
        SImportCase{"MarkOnAscii", "\xEF\xBB\xBF+ K\n  - A\n", "T{alt K{A}}"},
        SImportCase{"OneBrokenByteMakesItWindows1252",
                    "+ Küche\n- Gr\xF6\xDF"
                    "e\n",
                    "T{alt KÃ¼che{} Größe}"},
        SImportCase{"Utf8CommentThatCannotBeStored", "# 日本\n+ Küche\n", "T{alt Küche{}}"}),
    [](const auto& info) { return info.param.pszName; });

TEST_F(CStructureTest, ImportAnswersTheEntryOfTheFirstLine) {
    std::int32_t T = Add(0, "T", true);
    EXPECT_EQ(Import("nichts\n+ A\n", T), 0);  // first line is no entry line
    std::int32_t nId = Import("+ K\n  - A\n", T);
    CKnowHowItem item;
    ASSERT_EQ(m_pTree->GetItem(item, nId), 1);
    EXPECT_EQ(item.Name, "K");
    EXPECT_EQ(Shape(T), "A{} K{A}");

    m_platform.SetLoginName("importeur");
    EXPECT_EQ(m_pTree->ImportStructure(m_dir.File("gibt-es-nicht.txt"), T), 0);
    EXPECT_EQ(Shape(T), "A{} K{A}");
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
}

// A template that cannot be read, or a UTF-8 one with a keyword Windows-1252
// cannot hold, imports nothing at all and says why.
TEST_F(CStructureTest, ImportThatCannotBeDoneSaysWhyAndWritesNothing) {
    std::int32_t T = Add(0, "T", true);
    Add(T, "alt");
    m_platform.SetLoginName("importeur");
    struct SCase {
        const char* pszName;
        std::string strFile;  // written to vorlage.txt unless a path is given
        std::string strPath;
        std::string strMessage;  // UTF-8
    } cases[] = {
        {"missing", "", m_dir.File("fehlt.txt"), "Die Vorlage kann nicht gelesen werden: " + m_dir.File("fehlt.txt")},
        {"folder", "", m_dir.Path(), "Die Vorlage kann nicht gelesen werden: " + m_dir.Path()},
        {"unstorable", "+ Küche\n  - Töpfe\n  - 日本\n", "",
         "Die Vorlage enthält in Zeile 3 Zeichen, die nicht gespeichert werden können,\ndie Daten wurden nicht "
         "importiert !"},
        {"broken after mark",
         "\xEF\xBB\xBF\n+ K\xFC"
         "che\n",
         "",
         "Die Vorlage enthält in Zeile 2 Zeichen, die nicht gespeichert werden können,\ndie Daten wurden nicht "
         "importiert !"},
    };
    for (const auto& c : cases) {
        std::string strPath = c.strPath;
        if (strPath.empty()) {
            strPath = m_dir.File("vorlage.txt");
            WriteFile(strPath, c.strFile);
        }
        std::string strFailure = "alt";
        EXPECT_EQ(m_pTree->ImportStructure(strPath, T, &strFailure), 0) << c.pszName;
        EXPECT_EQ(Cp1252ToUtf8(strFailure), c.strMessage) << c.pszName;
        EXPECT_EQ(Shape(0), "T{alt}") << c.pszName;
        EXPECT_NE(GetDatabase().GetOption("LastEditUser"), "importeur") << c.pszName;
        EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
    }
    // a template that imports clears the message
    std::string strFailure = "alt";
    EXPECT_GT(Import("+ K\n"), 0);
    EXPECT_NE(m_pTree->ImportStructure(m_dir.File("vorlage.txt"), T, &strFailure), 0);
    EXPECT_EQ(strFailure, "");
}

TEST_F(CStructureTest, BinaryJunkCreatesOnlyItsEntryLines) {
    std::string strJunk;
    for (int i = 0; i < 4096; ++i) strJunk += static_cast<char>((i * 7919 + 13) % 256);
    std::string strTemplate = strJunk + "\n+ ab" + std::string(1, '\0') + "cd\n  - \xFF\xFE'\x01\n" + strJunk;
    Import(strTemplate, 0);
    EXPECT_EQ(PositionFaults(), "");
    auto rows = Query("SELECT Name FROM KnowHow WHERE Name='ab'");
    EXPECT_EQ(rows.size(), 1u);
    rows = Query("SELECT Name FROM KnowHow WHERE Name='\xFF\xFE''\x01'");
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
}

TEST_F(CStructureTest, ReturnsToAShallowerLevelCountEachFolderOnce) {
    std::int32_t T = Add(0, "Ziel", true);
    Add(T, "alt 1");
    Add(T, "alt 2", true);
    Add(0, "oben");
    std::string strTemplate;
    for (int i = 1; i <= 30; ++i) strTemplate += "+ F" + std::to_string(i) + "\r\n  + U\r\n    - e\r\n  - g\r\n";
    // back to a level never used before: the top of the database
    strTemplate += "      - tief\r\n - oben neu\r\n";
    RecordSql(true);
    std::int32_t nFirst = Import(strTemplate, T);
    RecordSql(false);
    int nCounts = 0;
    for (const auto& s : m_arrSql) nCounts += s.rfind("SELECT count(*) FROM KnowHow WHERE MasterID=", 0) == 0;
    // the target before the transaction, then once per folder returned to
    // (the target, each F, the root), not once per return
    EXPECT_EQ(nCounts, 1 + 1 + 30 + 1);

    std::string strExpected = "alt 1 alt 2{}";
    for (int i = 1; i <= 30; ++i) strExpected += " F" + std::to_string(i) + "{U{e} g" + (i == 30 ? "{tief}" : "") + "}";
    EXPECT_EQ(Shape(T), strExpected);
    EXPECT_EQ(Shape(0), "Ziel{" + strExpected + "} oben oben neu");
    EXPECT_EQ(PositionFaults(), "");
    CKnowHowItem item;
    ASSERT_EQ(m_pTree->GetItem(item, nFirst), 1);
    EXPECT_EQ(item.PosNr, 3);
}

TEST_F(CStructureTest, AHundredThousandLineTemplateImports) {
    // a thousand folders of nine sub-folders with ten entries each
    std::string strTemplate;
    for (int f = 0; f < 1000; ++f) {
        strTemplate += "+ Ordner " + std::to_string(f) + "\r\n";
        for (int u = 0; u < 9; ++u) {
            strTemplate += "  + Unter " + std::to_string(u) + "\r\n";
            for (int e = 0; e < 10; ++e) strTemplate += "    - Eintrag " + std::to_string(e) + "\r\n";
        }
    }
    std::int32_t nFirst = Import(strTemplate, 0);
    EXPECT_GT(nFirst, 0);
    EXPECT_EQ(RowCount(), 100000);
    EXPECT_EQ(PositionFaults(), "");
    EXPECT_EQ(m_pTree->CountChildren(0), 1000);
    CKnowHowItem item;
    ASSERT_EQ(m_pTree->GetItemAt(item, 0, 1000), 1);
    EXPECT_EQ(item.Name, "Ordner 999");
    ASSERT_EQ(m_pTree->GetItemAt(item, item.ID, 9), 1);
    EXPECT_EQ(Shape(item.ID),
              "Eintrag 0 Eintrag 1 Eintrag 2 Eintrag 3 Eintrag 4 Eintrag 5 Eintrag 6 Eintrag 7 "
              "Eintrag 8 Eintrag 9");
}

}  // namespace
