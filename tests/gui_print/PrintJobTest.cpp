// The panes' print job: the preview shows the folder's pages, and the print
// dialog's PDF output is paginated like the command line's.
#include <QApplication>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "print/CTovPrint.h"
#include "print/ui/PrintJob.h"
#include "support/TestSupport.h"
#include "tree/CKnowHow.h"

namespace {
std::string PdfText(const std::string& strPdf, int nPage) {
    return ShellOutput("pdftotext -f " + std::to_string(nPage) + " -l " + std::to_string(nPage) + " '" + strPdf +
                       "' -");
}

class CPrintJobTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        CreateDatabase();
        m_pService = std::make_unique<CKnowHow>();
        CKnowHowArray arrTop(1);
        arrTop[0].SetName("Handbuch");
        arrTop[0].SetIsDir(1);
        arrTop[0].SetPosNr(1);
        ASSERT_EQ(m_pService->SaveItems(arrTop), EWriteResult::Saved);
        m_nFolder = arrTop[0].ID;
        CKnowHowArray arr(3);
        for (int i = 0; i < 3; ++i) {
            arr[i].SetName("Kapitel " + std::to_string(i + 1));
            std::string strText;
            for (int k = 0; k < 400 * (i + 1); ++k) strText += "Wort" + std::to_string(k) + " ";
            arr[i].SetText(strText);
            arr[i].MasterID = m_nFolder;
            arr[i].SetPosNr(i + 1);
        }
        ASSERT_EQ(m_pService->SaveItems(arr), EWriteResult::Saved);
    }
    void TearDown() override {
        m_pService.reset();
        CCoreTest::TearDown();
    }
    std::vector<std::pair<int, int>> Pages(QPagedPaintDevice* pDevice) {
        CTovPrint print;
        print.BeginPrinting(pDevice, m_pService.get(), m_nFolder);
        std::vector<std::pair<int, int>> arr;
        for (const auto& r : print.GetPages()) arr.emplace_back(r.m_nItem, r.m_nFirstLine);
        return arr;
    }

    std::unique_ptr<CKnowHow> m_pService;
    int m_nFolder = 0;
};

TEST_F(CPrintJobTest, PdfOutputOfThePrintDialogMatchesTheCommandLine) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPdfWriter writer(QString::fromStdString(m_dir.File("unused.pdf")));
    SetUpPdfPage(writer);
    EXPECT_EQ(writer.width(), printer.width());
    EXPECT_EQ(writer.height(), printer.height());
    auto pages = Pages(&printer);
    EXPECT_GE(pages.size(), 3u);
    EXPECT_EQ(Pages(&writer), pages);
}

TEST_F(CPrintJobTest, PageRangeAndReverseOrderOfTheDialog) {
    int nCount;
    {
        QPdfWriter writer(QString::fromStdString(m_dir.File("alle.pdf")));
        SetUpPdfPage(writer);
        nCount = PrintFolderPages(&writer, m_pService.get(), m_nFolder);
    }
    ASSERT_GE(nCount, 3);
    const std::string strPdf = m_dir.File("teil.pdf");
    {
        QPdfWriter writer(QString::fromStdString(strPdf));
        SetUpPdfPage(writer);
        EXPECT_EQ(PrintFolderPages(&writer, m_pService.get(), m_nFolder, 2, nCount + 5, true), nCount - 1);
    }
    // the last page first, page 1 left out
    EXPECT_NE(PdfText(strPdf, 1).find("Seite " + std::to_string(nCount)), std::string::npos);
    EXPECT_NE(PdfText(strPdf, nCount - 1).find("Seite 2"), std::string::npos);
    EXPECT_NE(ShellOutput("pdfinfo '" + strPdf + "'").find("Pages:           " + std::to_string(nCount - 1) + "\n"),
              std::string::npos);
    {
        QPdfWriter writer(QString::fromStdString(m_dir.File("nichts.pdf")));
        SetUpPdfPage(writer);
        EXPECT_EQ(PrintFolderPages(&writer, m_pService.get(), m_nFolder, nCount + 1, nCount + 2), 0);
    }
}

TEST_F(CPrintJobTest, PreviewShowsEveryPageOfTheFolder) {
    QPrinter printer(QPrinter::HighResolution);
    const int nExpected = static_cast<int>(Pages(&printer).size());
    int nShown = -1;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            auto* pDlg = qobject_cast<QPrintPreviewDialog*>(pWidget);
            if (!pDlg || !pDlg->isVisible()) continue;
            auto* pPreview = pDlg->findChild<QPrintPreviewWidget*>();
            if (pPreview && (pPreview->pageCount() > 0 || clock.elapsed() > 10000)) {
                nShown = pPreview->pageCount();
                pDlg->reject();
            }
        }
    });
    timer.start(20);
    PrintFolder(nullptr, m_pService.get(), m_nFolder, true);
    EXPECT_EQ(nShown, nExpected);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CPrintJobTest, FolderThatCannotBeReadPrintsNothing) {
    // another program holds the file locked beyond the wait
    auto pHolder = HoldExclusive(GetDatabase().GetFilePath(), 60);
    const std::string strPdf = m_dir.File("gesperrt.pdf");
    {
        QPdfWriter writer(QString::fromStdString(strPdf));
        SetUpPdfPage(writer);
        EXPECT_EQ(PrintFolderPages(&writer, m_pService.get(), m_nFolder), PRINT_READ_FAILED);
    }
    EXPECT_FALSE(std::filesystem::exists(strPdf));

    // the preview says so instead of showing an empty folder
    bool bPreviewShown = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            auto* pDlg = qobject_cast<QPrintPreviewDialog*>(pWidget);
            if (!pDlg || !pDlg->isVisible()) continue;
            bPreviewShown = true;
            pDlg->reject();
        }
    });
    timer.start(20);
    m_platform.Clear();
    PrintFolder(nullptr, m_pService.get(), m_nFolder, true);
    EXPECT_FALSE(bPreviewShown);
    auto arrTexts = m_platform.MessageTexts();
    ASSERT_EQ(arrTexts.size(), 2u);
    EXPECT_EQ(arrTexts[0], DB_LOCKED_MESSAGE);
    EXPECT_EQ(arrTexts[1], "Der Ordner kann nicht gelesen werden, es wurde nichts gedruckt.");
    pHolder.reset();

    // a folder that another user deleted meanwhile
    ASSERT_EQ(RawExec(GetDatabase().GetFilePath(), "DELETE FROM KnowHow WHERE ID=" + std::to_string(m_nFolder)), 0);
    {
        QPdfWriter writer(QString::fromStdString(strPdf));
        SetUpPdfPage(writer);
        EXPECT_EQ(PrintFolderPages(&writer, m_pService.get(), m_nFolder), PRINT_NO_FOLDER);
    }
    EXPECT_FALSE(std::filesystem::exists(strPdf));
}
}  // namespace
