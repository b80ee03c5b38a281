// The database info dialog.
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "db/CDB.h"
#include "db/CDbInfo.h"
#include "db/ui/CDbInfoDlg.h"
#include "support/TestSupport.h"

namespace {
class CDbInfoDlgTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
    }
    static QStringList Column(QTableWidget* pList, int nColumn) {
        QStringList arr;
        for (int i = 0; i < pList->rowCount(); ++i) arr << pList->item(i, nColumn)->text();
        return arr;
    }
    static int Available(QTableWidget* pList) { return pList->width() - 2 * pList->frameWidth(); }
};

TEST_F(CDbInfoDlgTest, ShowsFileFolderAndStamps) {
    std::string strFolder = m_dir.File("Ablage für Köln");
    std::filesystem::create_directory(strFolder);
    CloseDatabase();
    OpenDatabase(strFolder + "/wissen.tov");
    GetDatabase().InitNewDatabase();

    CDbInfoDlg dlg;
    dlg.show();
    QTableWidget* pList = dlg.GetList();
    EXPECT_EQ(dlg.windowTitle(), "Datenbank Info");
    EXPECT_EQ(pList->columnCount(), 2);
    EXPECT_FALSE(pList->horizontalHeader()->isVisible());
    EXPECT_TRUE(pList->showGrid());
    EXPECT_EQ(pList->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(pList->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(Column(pList, 0), (QStringList{"Datei", "Verzeichnis", "Erstellt am", "Erstellt von",
                                             "Letzte Änderung am", "Letzte Änderung von", "Letztes Backup",
                                             "Letzte Reorganisation", "Einträge im Papierkorb"}));
    EXPECT_EQ(Column(pList, 1), (QStringList{"wissen.tov", QString::fromStdString(strFolder), "2026.12.07-06:34",
                                             "tester", "2026.12.07-06:34", "tester", "", "", "0"}));

    m_platform.SetLocalTime(2026, 12, 8, 9, 15);
    ASSERT_TRUE(GetDatabase().MakeBackup());
    std::int32_t nSaved = 0;
    ASSERT_TRUE(GetDatabase().Reorganize(nSaved));
    CDbInfoDlg dlgAfter;
    EXPECT_EQ(Column(dlgAfter.GetList(), 1).mid(6, 2), (QStringList{"2026.12.08-09:15", "2026.12.08-09:15"}));

    // OK closes
    QTest::mouseClick(dlg.findChild<QPushButton*>("buttonOk"), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(CDbInfoDlgTest, SecondColumnFillsTheRowUnlessTooWide) {
    CreateDatabase("w.tov");
    {
        CDbInfoDlg dlg;
        QTableWidget* pList = dlg.GetList();
        int nText0 = pList->fontMetrics().horizontalAdvance("Letzte Reorganisation");
        EXPECT_GE(pList->columnWidth(0), nText0);
        EXPECT_EQ(pList->columnWidth(0) + pList->columnWidth(1), Available(pList));
    }
    // a long path: both columns keep their fitted widths
    std::string strFolder = m_dir.File(std::string(120, 'v'));
    std::filesystem::create_directory(strFolder);
    CloseDatabase();
    OpenDatabase(strFolder + "/w.tov");
    CDbInfoDlg dlg;
    QTableWidget* pList = dlg.GetList();
    int nText1 = pList->fontMetrics().horizontalAdvance(QString::fromStdString(strFolder));
    EXPECT_GE(pList->columnWidth(1), nText1);
    EXPECT_LT(pList->columnWidth(1), nText1 + 40);
    EXPECT_GT(pList->columnWidth(0) + pList->columnWidth(1), Available(pList));
}

TEST_F(CDbInfoDlgTest, StampsThatCannotBeReadAreNotShownAsEmpty) {
    CreateDatabase();
    // another program holds the file locked beyond the wait
    auto pHolder = HoldExclusive(GetDatabase().GetFilePath(), 60);
    CDbInfoDlg dlg;
    EXPECT_FALSE(dlg.IsRead());
    EXPECT_EQ(dlg.GetList()->rowCount(), 0);
    m_platform.Clear();
    ShowDbInfoUnreadable();
    EXPECT_EQ(m_platform.MessageTexts(),
              (std::vector<std::string>{DB_LOCKED_MESSAGE, "Die Angaben zur Datenbank können nicht gelesen werden."}));
    pHolder.reset();
    CDbInfoDlg dlgFree;
    EXPECT_TRUE(dlgFree.IsRead());
    EXPECT_EQ(dlgFree.GetList()->rowCount(), 9);
}
}  // namespace
