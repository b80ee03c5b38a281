// The readable exports (HTML, Markdown, text) against golden files, the
// keywords read back from a text export, and the failures.
#include <cstdlib>
#include <sstream>

#include "TreeFixture.h"
#include "tree/CReadableExport.h"

namespace {

class CReadableExportTest : public CTreeTest {
protected:
    std::int32_t AddLinked(std::int32_t nParent, const char* pszName, const char* pszText, const char* pszLink) {
        CKnowHowArray arr(1);
        CKnowHowItem& item = arr[0];
        item.MasterID = nParent;
        item.SetPosNr(m_pTree->CountChildren(nParent) + 1);
        item.SetName(Ansi(pszName));
        item.SetText(Ansi(pszText));
        item.SetLink(Ansi(pszLink));
        item.SetTyp(1);
        EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
        return item.ID;
    }

    // Everything a reader could trip over, in a tree seven levels deep.
    void BuildSampleTree() {
        std::int32_t K = Add(0, "Küche & \"Keller\"", true, "Ordner mit <Text> & 'Zitat'");
        AddLinked(K, "Pfanne *fett* _kursiv_ #1", "Preis: 12 €\r\nZeile 2\r\n\r\n    eingerückt\r\n- kein Punkt",
                  "/home/anna/Rezepte/Bräter & Co.pdf");
        AddLinked(K, "Netz [Seite](x)", "<b>nicht fett</b> &amp; `code`", "https://example.org/a?b=1&c=\"2\"");
        AddLinked(K, "Post", "1. keine Liste\n+ auch nicht\n= und ===\n> kein Zitat", "anna@example.org");
        AddLinked(K, "Böse", "", "javascript:alert(1)");
        std::int32_t nFolder = K;
        for (const char* pszName : {"Ebene 2", "Ebene 3", "Ebene 4", "Ebene 5", "Ebene 6"})
            nFolder = Add(nFolder, pszName, true);
        Add(nFolder, "Ebene 7", false, "ganz unten");
        Add(0, "", false, "ohne Stichwort");
        AddLinked(0, "www", "", "www.example.org");
    }

    // An entry with the bytes as given (Windows-1252, NUL bytes too).
    std::int32_t AddBytes(std::int32_t nParent, const std::string& strName, const std::string& strText,
                          bool bFolder = false) {
        CKnowHowArray arr(1);
        CKnowHowItem& item = arr[0];
        item.MasterID = nParent;
        item.SetPosNr(m_pTree->CountChildren(nParent) + 1);
        item.SetIsDir(bFolder ? 1 : 0);
        item.SetName(strName);
        item.SetText(strText);
        EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
        return item.ID;
    }

    void ExpectGolden(const char* pszName, EReadableFormat eFormat) {
        std::string strGolden =
            std::string(ORVANTIS_SOURCE_DIR) + "/tests/tree/golden/" + pszName + "." + ReadableFormatExtension(eFormat);
        std::string strActual = Export(eFormat);
        // ORVANTIS_UPDATE_GOLDEN=1 writes the files anew, to be read before committing them
        if (std::getenv("ORVANTIS_UPDATE_GOLDEN")) WriteFile(strGolden, strActual);
        EXPECT_EQ(strActual, ReadFile(strGolden)) << strGolden;
    }

    std::string Export(EReadableFormat eFormat, std::int32_t nFolder = 0) {
        std::string strFile = m_dir.File(std::string("export.") + ReadableFormatExtension(eFormat));
        EXPECT_EQ(CReadableExport(*m_pTree, eFormat).Write(strFile, nFolder), EReadableResult::Written);
        return ReadFile(strFile);
    }
};

TEST_F(CReadableExportTest, EachFormatMatchesItsGoldenFile) {
    BuildSampleTree();
    for (EReadableFormat eFormat : {EReadableFormat::Html, EReadableFormat::Markdown, EReadableFormat::Text})
        ExpectGolden("readable", eFormat);
}

// Line ends of every kind, control and undefined bytes, blank and
// indented lines and what looks like Markdown blocks at a line's start.
TEST_F(CReadableExportTest, OddBytesAndLinesMatchTheirGoldenFiles) {
    std::int32_t F = AddBytes(0, "Zeilen\r\nim\rStichwort &<>\"'", "lone\rCR\r\rtwo\r", true);
    AddBytes(F, "  \t ", "mixed\n\r\nend\n\r");
    AddBytes(F, std::string("nul\0im Namen", 12), std::string("nul\0byte\x01\x0b\x1f\x7f|\t|", 15));
    AddBytes(F, "\x80\x81\x8d\x9f\xa0\xff", "\x80\x81\x8d\x9f\xa0\xff \xe4\xf6\xfc\xdf\r\n\xa0- kein Leerzeichen");
    AddBytes(F, "Markdown",
             "   \t  \n\t- Tab davor\n  \n1234567890. zehn\n123456789) neun\n12a. nicht\n007.\n-\n+\n=\n#kein\n"
             "\\ \\\\ `x` ![b](c) ~~d~~ |e| _f_ *g*\n\n\n");
    AddBytes(0, "nur Leerzeichen", "   ");
    AddBytes(0, "Leerzeilen davor", "\n\n\nx");
    AddBytes(0, "Leerzeilen danach", "x\n\n\n");
    AddBytes(0, "ein Zeilenende", "\r\n");
    for (EReadableFormat eFormat : {EReadableFormat::Html, EReadableFormat::Markdown, EReadableFormat::Text})
        ExpectGolden("odd", eFormat);
}

// Every byte comes out inside a long run of plain letters as it does in a
// text of three bytes, which is converted a byte at a time: the long runs
// take a faster way.
TEST_F(CReadableExportTest, EveryByteComesOutTheSameInsideALongRun) {
    const std::string strRun(20, 'a');
    std::vector<std::int32_t> arrIds;
    std::vector<char> arrBytes;
    ASSERT_TRUE(m_pTree->BeginWork());
    for (int c = 0; c < 256; ++c) {
        if (c == '\r' || c == '\n' || c == 'Q') continue;
        arrBytes.push_back(static_cast<char>(c));
        arrIds.push_back(AddBytes(0, "b", ""));
    }
    ASSERT_TRUE(m_pTree->CommitWork());
    auto setTexts = [&](bool bLong) {
        CKnowHowArray arr(arrIds.size());
        for (std::size_t i = 0; i < arrIds.size(); ++i) {
            ASSERT_EQ(m_pTree->GetItem(arr[i], arrIds[i]), 1);
            arr[i].SetText(bLong ? strRun + arrBytes[i] + strRun : std::string("Q") + arrBytes[i] + "Q");
        }
        ASSERT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    };
    for (EReadableFormat eFormat : {EReadableFormat::Html, EReadableFormat::Markdown, EReadableFormat::Text}) {
        setTexts(false);
        std::string strExpected = Export(eFormat);
        for (std::size_t n = 0; (n = strExpected.find('Q', n)) != std::string::npos; n += strRun.size())
            strExpected.replace(n, 1, strRun);
        setTexts(true);
        EXPECT_EQ(Export(eFormat), strExpected) << ReadableFormatExtension(eFormat);
    }
}

// A text far larger than any buffer of the export comes out whole.
TEST_F(CReadableExportTest, ALongTextComesOutWhole) {
    std::string strLine(70000, 'a');
    strLine += "&\xe4";
    std::string strText;
    for (int i = 0; i < 30; ++i) strText += strLine + (i % 2 ? "\r\n" : "\n");
    AddBytes(0, "lang", strText);
    std::string strHtmlLine = std::string(70000, 'a') + "&amp;\xC3\xA4";
    std::string strHtml;
    for (int i = 0; i < 30; ++i) strHtml += strHtmlLine + (i < 29 ? "\n" : "");
    std::string strDoc = Export(EReadableFormat::Html);
    EXPECT_NE(strDoc.find("<p class=\"text\">" + strHtml + "</p>\n"), std::string::npos);
    std::string strMarkdown;
    for (int i = 0; i < 30; ++i) strMarkdown += (i ? "\\\n" : "\n") + std::string(70000, 'a') + "\\&\xC3\xA4";
    EXPECT_NE(Export(EReadableFormat::Markdown).find("## lang\n" + strMarkdown + "\n"), std::string::npos);
    std::string strPlain;
    for (int i = 0; i < 30; ++i) strPlain += "  " + std::string(70000, 'a') + "&\xC3\xA4\n";
    EXPECT_EQ(Export(EReadableFormat::Text), "Hauptordner\n===========\n\n- lang\n" + strPlain);
}

TEST_F(CReadableExportTest, AFolderIsTitledByItsPathAndStartsAtTheTop) {
    std::int32_t A = Add(0, "A", true);
    std::int32_t B = Add(A, "B<1>", true, "Text von B");
    Add(B, "C");
    Add(0, "außerhalb");
    EXPECT_EQ(Export(EReadableFormat::Text, B), "A\\B<1>\n======\n\n+ B<1>\n  Text von B\n\n  - C\n");
    EXPECT_EQ(Export(EReadableFormat::Markdown, B), "# A\\\\B\\<1\\>\n\n## B\\<1\\>\n\nText von B\n\n### C\n");
    std::string strHtml = Export(EReadableFormat::Html, B);
    EXPECT_NE(strHtml.find("<title>A\\B&lt;1&gt;</title>"), std::string::npos);
    EXPECT_EQ(strHtml.find("außerhalb"), std::string::npos);

    // an empty base is a document without entries
    std::int32_t E = Add(0, "leer", true);
    EXPECT_EQ(Export(EReadableFormat::Text, E), "leer\n====\n\n+ leer\n");
}

// A reader of the text export finds every keyword with its level and kind
// again, whatever the texts hold, across many batches of reading.
TEST_F(CReadableExportTest, TheTextExportsKeywordsReadBack) {
    std::int32_t nTop = Add(0, "  mit Leerzeichen ", true, "- sieht aus wie ein Eintrag\n\n+ und ein Ordner\n");
    Add(nTop, "+ Plus im Stichwort", false, "\n\n");
    std::int32_t nFolder = nTop;
    ASSERT_TRUE(m_pTree->BeginWork());  // one commit for all, not one per entry
    for (int i = 0; i < 3 * static_cast<int>(CReadableExport::kBatch) + 7; ++i) {
        if (i % 50 == 0) nFolder = Add(i % 100 == 0 ? nTop : nFolder, ("Ordner " + std::to_string(i)).c_str(), true);
        Add(nFolder, ("Eintrag " + std::to_string(i) + " €").c_str(), false, i % 3 ? "a\r\n\r\nb" : "");
    }
    Add(0, "Zeile\r\numbruch");
    ASSERT_TRUE(m_pTree->CommitWork());
    // what a damaged file may hold: equal positions among siblings, entries
    // whose folder is gone and two folders inside each other
    std::int32_t nTwin = Add(nTop, "Zwilling 2");
    Add(nTop, "Zwilling 1");
    Query("UPDATE KnowHow SET PosNr=1 WHERE MasterID=" + std::to_string(nTop));
    Query("UPDATE KnowHow SET MasterID=99999 WHERE ID=" + std::to_string(nTwin - 3));
    std::int32_t nNull = Add(0, "ohne Ordner"), nText = Add(0, "Ordner als Text");
    Query("UPDATE KnowHow SET MasterID=NULL WHERE ID=" + std::to_string(nNull));
    Query("UPDATE KnowHow SET MasterID='x' WHERE ID=" + std::to_string(nText));
    std::int32_t nA = Add(0, "Kreis A", true), nB = Add(nA, "Kreis B", true);
    Query("UPDATE KnowHow SET MasterID=" + std::to_string(nB) + " WHERE ID=" + std::to_string(nA));

    std::string strExpected;
    ASSERT_TRUE(m_pTree->ForEachBelow(0, 0, [&](const CKnowHow::STreeNode& node, int nLevel) {
        strExpected +=
            std::to_string(nLevel) + (node.IsDir ? "+" : "-") + Cp1252ToUtf8(KeywordOnOneLine(node.Name)) + "|";
    }));

    std::istringstream in(Export(EReadableFormat::Text));
    std::string strLine, strRead;
    std::getline(in, strLine);  // title
    std::getline(in, strLine);  // its underline
    bool bAfterEmpty = false;
    while (std::getline(in, strLine)) {
        if (bAfterEmpty) {
            size_t nIndent = strLine.find_first_not_of(' ');
            ASSERT_NE(nIndent, std::string::npos);
            ASSERT_EQ(nIndent % 2, 0u) << strLine;
            strRead += std::to_string(nIndent / 2) + strLine[nIndent] + strLine.substr(nIndent + 2) + "|";
        }
        bAfterEmpty = strLine.empty();
    }
    EXPECT_EQ(strRead, strExpected);
}

TEST_F(CReadableExportTest, FailuresLeaveNoHalfDocument) {
    Add(0, "A", true, "Text");
    CReadableExport exporter(*m_pTree, EReadableFormat::Html);
    EXPECT_EQ(exporter.Write(m_dir.File("fehlt/x.html"), 0), EReadableResult::WriteFailed);
    EXPECT_EQ(exporter.Write(m_dir.File("x.html"), 4711), EReadableResult::NoSuchFolder);
    EXPECT_FALSE(m_platform.FileExists(m_dir.File("x.html")));

    // an existing file is replaced only by a whole document
    std::string strFile = m_dir.File("alt.html");
    WriteFile(strFile, "alt");
    EXPECT_EQ(exporter.Write(strFile, 4711), EReadableResult::NoSuchFolder);
    EXPECT_EQ(ReadFile(strFile), "alt");
    EXPECT_EQ(exporter.Write(strFile, 0), EReadableResult::Written);
    EXPECT_NE(ReadFile(strFile).find("<h2>A</h2>"), std::string::npos);
    EXPECT_EQ(m_platform.FindFiles(m_dir.Path(), "*").size(), 2u);  // the database and the export

    std::FILE* pFull = std::fopen("/dev/full", "wb");
    ASSERT_NE(pFull, nullptr);
    EXPECT_EQ(exporter.Write(pFull, 0), EReadableResult::WriteFailed);
    std::fclose(pFull);
}

TEST(CLinkUrlTest, LinksBecomeTheUrlsTheDesktopWouldOpen) {
    struct SCase {
        const char* pszLink;  // UTF-8
        const char* pszUrl;
    } cases[] = {
        {"https://example.org/a b?x=1&y=\"2\"", "https://example.org/a%20b?x=1&y=%222%22"},
        {"  www.example.org/Seite ", "http://www.example.org/Seite"},
        {"anna@example.org", "mailto:anna@example.org"},
        {"mailto:bob@example.org?subject=Hallo", "mailto:bob@example.org?subject=Hallo"},
        {"/home/anna/Bräter & Co (alt).pdf", "file:///home/anna/Br%C3%A4ter%20%26%20Co%20%28alt%29.pdf"},
        {"file:///tmp/x.txt", "file:///tmp/x.txt"},
        {"C:\\Daten\\Übersicht.xls", "file:///C:/Daten/%C3%9Cbersicht.xls"},
        {"\\\\server\\freigabe\\a.doc", "file://server/freigabe/a.doc"},
        {"Unterlagen/plan:2.pdf", "Unterlagen/plan%3A2.pdf"},
        {"JavaScript:alert(1)", ""},
        {"vbscript:msgbox", ""},
        {"data:text/html,<script>", ""},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LinkUrl(Ansi(c.pszLink)), c.pszUrl) << c.pszLink;
}

}  // namespace
