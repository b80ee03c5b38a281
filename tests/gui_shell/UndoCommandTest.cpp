// Strg+Z outside an editor: the last delete, move up or down and move to
// another folder made in this window taken back, and refused (nothing
// changed) when another user changed the rows since.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "edit/CDetailView.h"
#include "edit/CEditEx.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHowTrash.h"
#include "ui/CommandIds.h"
#include "ui/PaneMessages.h"

namespace {
class CUndoCommandTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        m_strDb = MakeDatabase("undo.tov",
                               {{"+Rezepte", {{"-Apfel"}, {"-Birne"}, {"-Kirsche"}}}, {"+Notizen", {{"-Erste"}}}});
        ASSERT_TRUE(Open(m_strDb));
        m_pDoc->SetWriteProtected(false);
        QApplication::setActiveWindow(m_pFrame.get());
    }
    CDetailView* Detail() const { return m_pFrame->GetDetailView(); }
    // The entry selected in the detail view, no editor open.
    void Select(const std::string& strName) {
        m_pDoc->GoToEntry(IdOf(strName));
        Pump();
        m_pFrame->ActivatePane(PANE_DETAIL);
        Detail()->setFocus();
    }
    void PressCtrlZ() {
        QWidget* pFocus = QApplication::focusWidget();
        QTest::keyClick(pFocus ? pFocus : m_pFrame.get(), Qt::Key_Z, Qt::ControlModifier);
        Pump();
    }
    // What Bearbeiten shows for the command as the menu opens.
    QAction* UndoAction() {
        for (QAction* pMenu : m_pFrame->menuBar()->actions())
            if (pMenu->menu() && pMenu->text() == "&Bearbeiten") {
                emit pMenu->menu()->aboutToShow();
                for (QAction* p : pMenu->menu()->actions())
                    if (p->data().toInt() == ID_EDIT_UNDO) return p;
            }
        return nullptr;
    }
    std::string Shape() { return ChildNames(IdOf("Rezepte")) + "/" + ChildNames(IdOf("Notizen")); }

    std::string m_strDb;
};
}  // namespace

TEST_F(CUndoCommandTest, DeleteMoveAndExchangeAreTakenBackInTurn) {
    QAction* pUndo = UndoAction();
    ASSERT_NE(pUndo, nullptr);
    EXPECT_FALSE(pUndo->isEnabled());
    EXPECT_EQ(pUndo->text().toStdString(), "Rückgängig");
    const std::int32_t nBirne = IdOf("Birne");

    Select("Birne");
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_DELETE));
    Pump();
    Select("Kirsche");
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_MOVE_UP));
    Pump();
    SWriteReport report;
    ASSERT_EQ(m_pDoc->MoveToFolder(IdOf("Apfel"), IdOf("Notizen"), &report), EWriteResult::Saved);
    Pump();
    ASSERT_EQ(Shape(), "Kirsche/Erste,Apfel");

    // write protection stops it as it stops the delete
    m_pDoc->SetWriteProtected(true);
    EXPECT_FALSE(UndoAction()->isEnabled());
    Select("Kirsche");
    PressCtrlZ();
    EXPECT_EQ(Shape(), "Kirsche/Erste,Apfel");
    m_pDoc->SetWriteProtected(false);
    pUndo = UndoAction();
    EXPECT_TRUE(pUndo->isEnabled());
    EXPECT_EQ(pUndo->text().toStdString(), "Rückgängig: Verschieben von „Apfel“");
    Select("Kirsche");
    PressCtrlZ();
    EXPECT_EQ(Shape(), "Kirsche,Apfel/Erste");
    // the view shows the entry at its old place
    EXPECT_EQ(Detail()->GetCurrentFolder(), IdOf("Rezepte"));
    PressCtrlZ();
    EXPECT_EQ(Shape(), "Apfel,Kirsche/Erste");
    EXPECT_EQ(UndoAction()->text().toStdString(), "Rückgängig: Löschen von „Birne“");
    PressCtrlZ();
    // back at its old position under its old ID, the trash empty again
    EXPECT_EQ(Shape(), "Apfel,Birne,Kirsche/Erste");
    EXPECT_EQ(IdOf("Birne"), nBirne);
    EXPECT_EQ(RawQuery(m_strDb, "SELECT count(*) FROM Papierkorb WHERE DeleteNr>0"), CRawRows{{"0"}});
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u) << m_platform.m_arrMessages.back().strText;
    EXPECT_FALSE(UndoAction()->isEnabled());

    // inside an editor the keys take back the typing, not the structure
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_MOVE_DOWN));
    Pump();
    const std::string strMoved = Shape();
    SendPaneMessage(Detail(), WM_SELECT_ENTRY, IdOf("Birne"), EDITOR_KEYWORD + 1);
    Pump();
    auto* pEdit = Detail()->findChild<CEditEx*>("keywordEdit");
    ASSERT_TRUE(pEdit && pEdit->hasFocus());
    QTest::keyClicks(pEdit, "x");
    EXPECT_EQ(pEdit->toPlainText().toStdString(), "xBirne");
    QTest::keyClick(pEdit, Qt::Key_Z, Qt::ControlModifier);
    Pump();
    EXPECT_EQ(pEdit->toPlainText().toStdString(), "Birne");
    EXPECT_EQ(Shape(), strMoved);
}

TEST_F(CUndoCommandTest, AnotherUsersChangeMeanwhileRefusesAndChangesNothing) {
    // moved here, then its text changed by a colleague
    SWriteReport report;
    ASSERT_EQ(m_pDoc->MoveToFolder(IdOf("Apfel"), IdOf("Notizen"), &report), EWriteResult::Saved);
    auto r = RunCli({"set", m_strDb, std::to_string(IdOf("Apfel")), "--text", "neu"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const std::string strBefore = Shape();
    Select("Erste");
    PressCtrlZ();
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_NE(m_platform.m_arrMessages[0].strText.find(Ansi("kann nicht rückgängig gemacht werden")), std::string::npos)
        << m_platform.m_arrMessages[0].strText;
    EXPECT_EQ(Shape(), strBefore);
    // the refused step is gone: the keys do not ask again
    EXPECT_FALSE(UndoAction()->isEnabled());

    // deleted here, purged for good by a colleague
    m_platform.m_arrMessages.clear();
    Select("Kirsche");
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_DELETE));
    Pump();
    ASSERT_EQ(RunCli({"trash", m_strDb, "purge", "--yes"}).nExit, 0);
    m_platform.m_arrMessages.clear();
    Select("Birne");
    PressCtrlZ();
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].strText, TrashGoneMessage());
    EXPECT_EQ(ChildNames(IdOf("Rezepte")), "Birne");

    // exchanged here, the other row moved away by a colleague
    Select("Erste");
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_MOVE_DOWN));
    Pump();
    ASSERT_EQ(ChildNames(IdOf("Notizen")), "Apfel,Erste");
    r = RunCli({"move", m_strDb, std::to_string(IdOf("Apfel")), std::to_string(IdOf("Rezepte"))});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    m_platform.m_arrMessages.clear();
    PressCtrlZ();
    EXPECT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(ChildNames(IdOf("Notizen")), "Erste");
    EXPECT_EQ(ChildNames(IdOf("Rezepte")), "Birne,Apfel");
}
