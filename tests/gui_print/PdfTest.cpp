// A folder printed to PDF by orvantis-cli as a second process, read back
// with pdftotext: headers, footers, split entries and the page count of the
// layout.
#include <QPdfWriter>
#include <QRegularExpression>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "print/CTovPrint.h"
#include "support/TestSupport.h"
#include "tree/CKnowHow.h"

namespace {
std::string Words(int nCount, char chPrefix) {
    std::string str;
    for (int i = 1; i <= nCount; ++i) {
        char sz[16];
        std::snprintf(sz, sizeof sz, "%c%04d ", chPrefix, i);
        str += sz;
    }
    return str;
}

std::string Today() {
    std::time_t t = std::time(nullptr);
    char sz[32];
    std::strftime(sz, sizeof sz, "%d.%m.%Y", std::localtime(&t));
    return sz;
}

int Count(const std::string& str, const std::string& strWhat) {
    int n = 0;
    for (size_t pos = str.find(strWhat); pos != std::string::npos; pos = str.find(strWhat, pos + 1)) ++n;
    return n;
}

class CPrintPdfTest : public CCoreTest {
protected:
    // Projekte (folder text of two lines) holding a short entry, a long one,
    // a sub-folder and a long entry with tabs and line breaks.
    int BuildFolder(CKnowHow& kh) {
        CKnowHowArray arrTop(1);
        arrTop[0].SetName("Projekte");
        arrTop[0].SetText("Alle Projekte\r\nzweite Zeile");
        arrTop[0].SetIsDir(1);
        arrTop[0].SetPosNr(1);
        EXPECT_EQ(kh.SaveItems(arrTop), EWriteResult::Saved);
        const int nFolder = arrTop[0].ID;
        EXPECT_GT(nFolder, 0);

        CKnowHowArray arr(4);
        arr[0].SetName("Einleitung");
        arr[0].SetText(Ansi("Kurz und bündig."));
        arr[1].SetName("Protokoll & Notizen");
        arr[1].SetText(Words(1500, 'w'));
        arr[2].SetName("Archiv");
        arr[2].SetIsDir(1);
        std::string strLong;
        for (int i = 1; i <= 120; ++i) {
            char sz[32];
            std::snprintf(sz, sizeof sz, "x%04d\tSpalte\r\n", i);
            strLong += sz;
        }
        arr[3].SetName("Anhang");
        arr[3].SetText(strLong);
        for (int i = 0; i < 4; ++i) {
            arr[i].MasterID = nFolder;
            arr[i].SetPosNr(i + 1);
        }
        EXPECT_EQ(kh.SaveItems(arr), EWriteResult::Saved);
        return nFolder;
    }
};

TEST_F(CPrintPdfTest, CliPrintsTheFolderAsTheLayoutPaginatesIt) {
    std::string strDb = CreateDatabase();
    int nFolder;
    int nPages;
    std::vector<CPrintPageInfo> arrPages;
    {
        CKnowHow kh;
        nFolder = BuildFolder(kh);
        QPdfWriter writer(QString::fromStdString(m_dir.File("unused.pdf")));
        SetUpPdfPage(writer);
        CTovPrint print;
        nPages = print.BeginPrinting(&writer, &kh, nFolder);
        arrPages = print.GetPages();
        print.EndPrinting();
    }
    ASSERT_GE(nPages, 4);
    CloseDatabase();

    const std::string strPdf = m_dir.File("Ausgabe mit Leerzeichen.pdf");
    const std::string strDate = Today();
    SProcessResult r = RunCli({"print", strDb, "--folder", std::to_string(nFolder), "--pdf", strPdf});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "Seiten: " + std::to_string(nPages) + "\n");
    EXPECT_NE(ShellOutput("pdfinfo '" + strPdf + "'").find("Pages:           " + std::to_string(nPages) + "\n"),
              std::string::npos);

    std::vector<std::string> arrText(nPages + 1);
    std::string strAll;
    for (int n = 1; n <= nPages; ++n) {
        SCOPED_TRACE("page " + std::to_string(n));
        arrText[n] = ShellOutput("pdftotext -layout -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" +
                                 strPdf + "' -");
        // the header on every page: path and the first line of the folder text
        EXPECT_EQ(arrText[n].find("Projekte"), arrText[n].find_first_not_of(" \n"));
        EXPECT_NE(arrText[n].find("Alle Projekte"), std::string::npos);
        EXPECT_EQ(arrText[n].find("zweite Zeile"), std::string::npos);
        EXPECT_NE(arrText[n].find("Seite " + std::to_string(n) + "\n"), std::string::npos);
        EXPECT_TRUE(arrText[n].find(strDate) != std::string::npos || arrText[n].find(Today()) != std::string::npos);
        strAll += arrText[n];
    }
    // each heading once; the ampersand printed as it is; the folder marked
    EXPECT_EQ(Count(strAll, "Einleitung:"), 1);
    EXPECT_EQ(Count(strAll, "Protokoll & Notizen:"), 1);
    EXPECT_EQ(Count(strAll, "\\Archiv:"), 1);
    EXPECT_EQ(Count(strAll, "Anhang:"), 1);
    EXPECT_NE(strAll.find("Kurz und bündig."), std::string::npos);

    // every word of the long texts once and in order, across the pages
    for (char ch : {'w', 'x'}) {
        QRegularExpression re(QStringLiteral("%1(\\d{4})").arg(QChar(ch)));
        int nExpected = 1;
        auto it = re.globalMatch(QString::fromStdString(strAll));
        while (it.hasNext()) {
            int nWord = it.next().captured(1).toInt();
            ASSERT_EQ(nWord, nExpected) << ch;
            ++nExpected;
        }
        EXPECT_EQ(nExpected - 1, ch == 'w' ? 1500 : 120);
    }

    // words with their boxes in points; A4 is 595 points wide, 10 points margin
    std::string strBox = ShellOutput("pdftotext -bbox '" + strPdf + "' -");  // first match: page 1 where it can
    auto Box = [&](const std::string& strWord) {
        QRegularExpression re(QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                                             "yMax=\"([\\d.]+)\">%1</word>")
                                  .arg(QRegularExpression::escape(QString::fromStdString(strWord))));
        auto m = re.match(QString::fromStdString(strBox));
        EXPECT_TRUE(m.hasMatch()) << strWord;
        return std::vector<double>{m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                                   m.captured(4).toDouble()};
    };
    auto path = Box("Projekte");
    EXPECT_NEAR(path[0], 10 + 944 * 72.0 / 1200, 1.5);  // 20 mm: 944 pixels at 1200 dpi
    EXPECT_LT(path[1], 20);                             // at the top of the printable area
    auto heading = Box("Einleitung:");
    EXPECT_NEAR(heading[0], path[0], 1.5);
    auto text = Box("Kurz");
    EXPECT_NEAR(text[0], path[0] + 100 * 72.0 / 1200, 1.5);  // the text indent
    EXPECT_GT(text[1], heading[1]);
    // tab stops every two average character widths (about 6.6 points here)
    auto col1 = Box("x0001");
    auto col2 = Box("Spalte");
    EXPECT_NEAR(col1[0], text[0], 1.5);
    EXPECT_GT(col2[0] - col1[2], 0.5);
    EXPECT_LT(col2[0] - col1[2], 14);
    auto page = Box("1");
    EXPECT_NEAR(page[2], 595.0 - 10, 3);  // right-aligned to the page width
    EXPECT_GT(page[1], 800);              // at the bottom

    // the long entry is split: the page after its heading goes on with its text
    int nHeadingPage = 0;
    for (int n = 1; n <= nPages; ++n)
        if (arrText[n].find("Protokoll & Notizen:") != std::string::npos) nHeadingPage = n;
    ASSERT_GT(nHeadingPage, 0);
    ASSERT_LT(nHeadingPage, nPages);
    EXPECT_EQ(arrPages[nHeadingPage].m_nItem, 1);
    EXPECT_GT(arrPages[nHeadingPage].m_nFirstLine, 1);
    const std::string& strNext = arrText[nHeadingPage + 1];
    size_t posBody = strNext.find('w', strNext.find("Alle Projekte") + 13);
    ASSERT_NE(posBody, std::string::npos);
    int nLastOnPage = std::stoi(arrText[nHeadingPage].substr(arrText[nHeadingPage].rfind(" w") + 2, 4));
    EXPECT_EQ(std::stoi(strNext.substr(posBody + 1, 4)), nLastOnPage + 1);
}

TEST_F(CPrintPdfTest, MissingFolderIsRefusedAndBadOutputFails) {
    std::string strDb = CreateDatabase();
    CloseDatabase();
    // not an empty page that passes for an empty folder
    const std::string strPdf = m_dir.File("leer.pdf");
    SProcessResult r = RunCli({"print", strDb, "--folder", "4711", "--pdf", strPdf});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(r.strOut, "");
    EXPECT_NE(r.strErr.find("Der Eintrag 4711 existiert nicht."), std::string::npos) << r.strErr;
    EXPECT_FALSE(std::filesystem::exists(strPdf));

    r = RunCli({"print", strDb, "--folder", "0", "--pdf", m_dir.File("fehlt/x.pdf")});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("Die PDF-Datei kann nicht geschrieben werden"), std::string::npos);
}
}  // namespace
