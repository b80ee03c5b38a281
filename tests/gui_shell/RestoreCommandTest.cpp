// "Aus Sicherung wiederherstellen" from the menu through the real dialog:
// a copy chosen, a folder of it chosen, copied in, shown in the tree.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CCrypt.h"
#include "protect/ui/CPasswortDlg.h"
#include "protect/ui/CRestoreDlg.h"
#include "protect/ui/PasswordPrompt.h"
#include "ui/CommandIds.h"
#include "ui/DialogIds.h"

namespace {
void ClickItem(QTreeWidget* pTree, QTreeWidgetItem* pItem) {
    pTree->scrollToItem(pItem);
    QTest::mouseClick(pTree->viewport(), Qt::LeftButton, Qt::NoModifier, pTree->visualItemRect(pItem).center());
}

QTreeWidgetItem* Child(QTreeWidgetItem* pParent, const QString& strText) {
    for (int i = 0; i < pParent->childCount(); ++i)
        if (pParent->child(i)->text(0) == strText) return pParent->child(i);
    return nullptr;
}

class CRestoreCommandTest : public CShellTest {
protected:
    // Runs fn on the dialog once the command has opened it; the command
    // returns when fn has closed it.
    void WithDialog(const std::function<void(CRestoreDlg&)>& fn) {
        bool bDone = false;
        auto* pTimer = new QTimer;
        QObject::connect(pTimer, &QTimer::timeout, [&, pTimer] {
            auto* pDlg = qobject_cast<CRestoreDlg*>(QApplication::activeModalWidget());
            if (!pDlg || bDone) return;
            bDone = true;
            pTimer->stop();
            pTimer->deleteLater();
            fn(*pDlg);
            if (pDlg->isVisible()) pDlg->reject();
        });
        pTimer->start(20);
        ASSERT_TRUE(m_pFrame->RouteCommand(ID_BACKUP_RESTORE));
        EXPECT_TRUE(bDone);
        Pump();
    }
};

TEST_F(CRestoreCommandTest, FolderOfACopyIsCopiedIntoTheSelectedFolderAndShown) {
    std::string strDb = MakeDatabase(
        "wissen.tov", {{"+Rezepte", {{"-Apfelkuchen"}, {"+Kuchen", {{"-Käsekuchen"}}}}}, {"+Notizen", {{"-Erste"}}}});
    // one copy, made by the command-line program as a script would
    ASSERT_EQ(RunCli({"backup-settings", strDb, "--auto", "off"}).nExit, 0);
    auto r = RunCli({"backup", strDb});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const std::string strCopy = r.strOut.substr(0, r.strOut.find('\n'));
    const std::string strCopyBytes = ReadFile(strCopy);
    ASSERT_TRUE(Open(strDb));
    // it adds entries: the write protection a run starts with stops it
    EXPECT_EQ(CommandEnabled(ID_BACKUP_RESTORE), 0);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_WRITE_PROTECT));
    EXPECT_EQ(CommandEnabled(ID_BACKUP_RESTORE), 1);

    // the folder Notizen is selected in the window
    QTreeWidgetItem* pNotizen = ItemOf("Notizen");
    ASSERT_TRUE(pNotizen);
    ClickItem(Tree(), pNotizen);
    Pump();
    ASSERT_EQ(Tree()->GetCurrentFolder(), IdOf("Notizen"));

    WithDialog([&](CRestoreDlg& dlg) {
        auto* pCopies = dlg.findChild<QTreeWidget*>("listCopies");
        auto* pTree = dlg.findChild<QTreeWidget*>("treeCopy");
        auto* pRestore = dlg.findChild<QPushButton*>("buttonRestore");
        auto* pTarget = dlg.findChild<QLabel*>("labelTarget");
        ASSERT_TRUE(pCopies && pTree && pRestore && pTarget);
        EXPECT_EQ(pTarget->text(), "Wiederherstellen in: Notizen");
        ASSERT_EQ(pCopies->topLevelItemCount(), 1);
        QTreeWidgetItem* pCopy = pCopies->topLevelItem(0);
        EXPECT_EQ(pCopy->text(2).toStdString(), strCopy.substr(strCopy.rfind('/') + 1));
        EXPECT_TRUE(pCopy->text(1).endsWith(" KB")) << pCopy->text(1).toStdString();
        EXPECT_FALSE(pRestore->isEnabled());

        ClickItem(pCopies, pCopy);
        ASSERT_EQ(pTree->topLevelItemCount(), 2);
        QTreeWidgetItem* pRezepte = pTree->topLevelItem(0);
        EXPECT_EQ(pRezepte->text(0), "Rezepte");
        pTree->expandItem(pRezepte);
        QTreeWidgetItem* pKuchen = Child(pRezepte, "Kuchen");
        ASSERT_TRUE(pKuchen);
        EXPECT_TRUE(Child(pRezepte, "Apfelkuchen"));
        ClickItem(pTree, pKuchen);
        ASSERT_TRUE(pRestore->isEnabled());
        QTest::mouseClick(pRestore, Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_GT(dlg.GetRestoredId(), 0);
    });
    ASSERT_FALSE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(m_platform.m_arrMessages.back().strText,
              Ansi("Der Ordner wurde mit 1 Einträgen aus der Sicherungskopie wiederhergestellt."));

    // stored at the end of Notizen, its entry inside it, the copy untouched
    EXPECT_EQ(ChildNames(IdOf("Notizen")), "Erste,Kuchen");
    CKnowHowArray arr;
    m_pDoc->GetChildren(arr, IdOf("Notizen"), false);
    ASSERT_EQ(arr.size(), 2u);
    EXPECT_EQ(ChildNames(arr[1].ID), "Käsekuchen");
    EXPECT_EQ(ReadFile(strCopy), strCopyBytes);

    // and the tree shows it where it went
    pNotizen = ItemOf("Notizen");
    ASSERT_TRUE(pNotizen);
    pNotizen->setExpanded(true);
    Pump();
    QTreeWidgetItem* pShown = Child(pNotizen, "Kuchen");
    ASSERT_TRUE(pShown);
    EXPECT_EQ(CLeftView::ItemId(pShown), arr[1].ID);

    ASSERT_TRUE(m_pFrame->RouteCommand(ID_WRITE_PROTECT));
    EXPECT_EQ(CommandEnabled(ID_BACKUP_RESTORE), 0);
    EXPECT_FALSE(m_pFrame->RouteCommand(ID_BACKUP_RESTORE));
}

TEST_F(CRestoreCommandTest, ProtectedCopyAsksForItsOlderPassword) {
    std::string strDb = MakeDatabase("wissen.tov", {{"+Rezepte", {{"-Apfelkuchen"}}}, {"+Notizen"}});
    ASSERT_EQ(RunCli({"backup-settings", strDb, "--auto", "off"}).nExit, 0);
    ASSERT_EQ(RunCli({"protect", strDb, "--new", "alt"}).nExit, 0);
    // the copy protect made holds the plain texts: only the protected one stays
    for (const auto& e : std::filesystem::directory_iterator(m_dir.Path()))
        if (IsBackupCopyName(e.path().filename().string(), "wissen.tov")) std::filesystem::remove(e.path());
    ASSERT_EQ(RunCli({"backup", strDb, "--password", "alt"}).nExit, 0);
    ASSERT_EQ(RunCli({"protect", strDb, "--new", "neu", "--password", "alt"}).nExit, 0);

    InstallPasswordPrompt();
    AnswerPasswordDialog("neu", IDOK);
    ASSERT_TRUE(Open(strDb));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_WRITE_PROTECT));
    ClickItem(Tree(), ItemOf("Notizen"));
    Pump();

    WithDialog([&](CRestoreDlg& dlg) {
        auto* pCopies = dlg.findChild<QTreeWidget*>("listCopies");
        auto* pTree = dlg.findChild<QTreeWidget*>("treeCopy");
        ASSERT_EQ(pCopies->topLevelItemCount(), 1);
        // the open file's password is not the copy's: asked, a wrong one refused
        m_platform.m_arrMessages.clear();
        AnswerPasswordDialog("neu", IDOK);
        AnswerPasswordDialog("alt", IDOK);
        ClickItem(pCopies, pCopies->topLevelItem(0));
        ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
        EXPECT_EQ(m_platform.m_arrMessages[0].strText, "Das eingegebene Passwort ist falsch !");
        EXPECT_EQ(m_platform.m_arrMessages[0].strCaption, "Passworteingabe");
        ASSERT_EQ(pTree->topLevelItemCount(), 2);
        QTreeWidgetItem* pRezepte = pTree->topLevelItem(0);
        EXPECT_EQ(pRezepte->text(0), "Rezepte");
        pTree->expandItem(pRezepte);
        QTreeWidgetItem* pApfel = Child(pRezepte, "Apfelkuchen");
        ASSERT_TRUE(pApfel);
        ClickItem(pTree, pApfel);
        QTest::mouseClick(dlg.findChild<QPushButton*>("buttonRestore"), Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible());
    });
    EXPECT_EQ(m_platform.m_arrMessages.back().strText,
              Ansi("Der Eintrag wurde aus der Sicherungskopie wiederhergestellt."));

    // read under the open file's key, stored under it too
    CKnowHowArray arr;
    m_pDoc->GetChildren(arr, IdOf("Notizen"), false);
    ASSERT_EQ(arr.size(), 1u);
    EXPECT_EQ(arr[0].Name, "Apfelkuchen");
    EXPECT_EQ(arr[0].Text, "Text von Apfelkuchen");
    CCrypt neu;
    neu.SetPassword("neu");
    auto rows = RawQuery(strDb, "SELECT Name FROM KnowHow WHERE ID=" + std::to_string(arr[0].ID) + ";");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], neu.Encrypt("Apfelkuchen"));
}
}  // namespace
