// The Papierkorb through the real widgets: a folder deleted from the detail
// view through the menu, the dialog opened through its menu item, restored
// with its button; the tree and the view show it at once.
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

#include "ViewFixture.h"
#include "app/CLeftView.h"
#include "app/DocDialogs.h"
#include "tree/ui/CTrashDlg.h"
#include "ui/CommandIds.h"

namespace {
const std::vector<SEntry> kTree = {
    {"+Projekte", {{"-Alpha", {}, "Text von Alpha"}, {"+Unterordner", {{"-Tief", {}, "ganz unten"}}}, {"-Beta"}}},
};

class CTrashDialogTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase(kTree)));
        m_nProjekte = IdOf("Projekte");
        ASSERT_EQ(RowNames(), "Alpha,Unterordner,Beta,_");
    }
    QAction* MenuAction(const QString& strMenu, const QString& strText) {
        for (QAction* pMenu : m_pFrame->menuBar()->actions())
            if (pMenu->menu() && pMenu->text() == strMenu) {
                emit pMenu->menu()->aboutToShow();
                for (QAction* p : pMenu->menu()->actions())
                    if (p->text() == strText) return p;
            }
        return nullptr;
    }
    std::int32_t m_nProjekte = 0;
};
}  // namespace

TEST_F(CTrashDialogTest, ADeletedFolderComesBackWithItsEntries) {
    const std::int32_t nSub = IdOf("Unterordner"), nTief = IdOf("Tief");
    CLeftView* pTree = m_pFrame->GetTreeView();
    pTree->expandItem(pTree->FindItem(m_nProjekte));
    Pump();
    ASSERT_NE(pTree->FindItem(nSub), nullptr);
    ClickRow(1, 10);
    QAction* pDelete = MenuAction("&Bearbeiten", "Eintrag löschen");
    ASSERT_NE(pDelete, nullptr);
    ASSERT_TRUE(pDelete->isEnabled());
    m_platform.QueueAnswer(EMsgResult::Yes);  // the entry's question
    m_platform.QueueAnswer(EMsgResult::Yes);  // the folder's count
    pDelete->trigger();
    Pump();
    EXPECT_EQ(RowNames(), "Alpha,Beta,_");
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta");
    EXPECT_EQ(Stored(nTief).ID, 0);
    EXPECT_EQ(pTree->FindItem(nSub), nullptr);

    QAction* pTrash = MenuAction("&Bearbeiten", "Papierkorb …");
    ASSERT_NE(pTrash, nullptr);
    ASSERT_TRUE(pTrash->isEnabled());
    QStringList listed;
    bool bSeen = false;
    QTimer::singleShot(0, [&] {
        auto* pDlg = dynamic_cast<CTrashDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(pDlg, nullptr);
        bSeen = true;
        QTableWidget* pList = pDlg->GetList();
        for (int c = 0; c < pList->columnCount(); ++c) listed << pList->item(0, c)->text();
        auto* pRestore = pDlg->findChild<QPushButton*>(QStringLiteral("buttonRestore"));
        ASSERT_TRUE(pRestore->isEnabled());
        QTest::mouseClick(pRestore, Qt::LeftButton);
        // gone from the list; the tree behind the dialog shows it already
        EXPECT_EQ(pList->rowCount(), 0);
        EXPECT_FALSE(pDlg->findChild<QPushButton*>(QStringLiteral("buttonEmpty"))->isEnabled());
        QTest::mouseClick(pDlg->findChild<QPushButton*>(QStringLiteral("buttonClose")), Qt::LeftButton);
    });
    pTrash->trigger();
    Pump();
    ASSERT_TRUE(bSeen);
    ASSERT_EQ(listed.size(), 5);
    EXPECT_EQ(listed[0], QStringLiteral("+ Unterordner"));
    EXPECT_EQ(listed[1], QStringLiteral("Projekte"));
    EXPECT_EQ(listed[3], QString::fromStdString(m_platform.GetLoginName()));
    EXPECT_EQ(listed[4], QStringLiteral("2"));

    // back at the end of its folder, with its old IDs and its entry's text,
    // selected in the view
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta,Unterordner");
    EXPECT_EQ(IdOf("Unterordner"), nSub);
    EXPECT_EQ(Stored(nTief).Text, "ganz unten");
    EXPECT_EQ(View()->GetCurrentFolder(), m_nProjekte);
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,_");
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    QTreeWidgetItem* pNode = pTree->FindItem(nSub);
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->text(0), QStringLiteral("Unterordner"));
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(CTrashDialogTest, WriteProtectionLeavesOnlyTheList) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ASSERT_EQ(m_pDoc->GetService()->DeleteItem(nAlpha), EWriteResult::Saved);
    SetProtected(true);
    CTrashDlg dlg(m_pFrame.get(), *m_pDoc->GetService(), !m_pDoc->IsWriteProtected());
    ASSERT_EQ(dlg.GetList()->rowCount(), 1);
    for (const char* psz : {"buttonRestore", "buttonPurge", "buttonEmpty"})
        EXPECT_FALSE(dlg.findChild<QPushButton*>(psz)->isEnabled()) << psz;
    dlg.OnRestore();
    EXPECT_EQ(Stored(nAlpha).ID, 0);
}
