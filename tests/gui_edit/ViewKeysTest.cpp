// Keys that move between lines, rows and folders, and opening folders and
// links from the detail view.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ViewFixture.h"
#include "app/CLeftView.h"
#include "edit/CLinkDlg.h"
#include "platform/Cp1252.h"
#include "ui/CommandIds.h"
#include "ui/DialogIds.h"

namespace {
const char* const kLong =
    "Ein langer Text, der in der Textspalte ganz sicher ueber mehrere Zeilen umbrochen wird, weil er viel "
    "laenger ist als die Spalte breit ist, und noch ein Stueck mehr, damit es auch bei breitem Fenster reicht, "
    "und noch einmal so viel Text hinterher, der ebenfalls umbrochen werden muss.";

const std::vector<SEntry> kTree = {
    {"+Start",
     {{"-Kurz", {}, "kurz"},
      {"-Lang", {}, kLong},
      {"+Ordner", {{"-Drinnen"}}},
      {"-Verweis", {}, "mit Link", "/tmp/nirgends/plan.pdf"}}},
};

class CKeysTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase(kTree)));
        ASSERT_EQ(RowNames(), "Kurz,Lang,Ordner,Verweis,_");
    }
};
}  // namespace

TEST_F(CKeysTest, UpAndDownWalkTheWrappedLinesBeforeLeavingTheRow) {
    ClickRow(1, 900);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    const int nLines = TextEdit()->GetLineCount();
    ASSERT_GE(nLines, 3);
    // the row is as tall as the editor's lines
    EXPECT_GE(View()->GetRows()[1].DisplayHeight - 6, nLines * (TextEdit()->fontMetrics().lineSpacing() - 1));
    TextEdit()->moveCursor(QTextCursor::End);
    for (int nLine = nLines - 1; nLine > 0; --nLine) {
        ASSERT_EQ(TextEdit()->GetCaretLine(), nLine);
        Press(Qt::Key_Up);
        ASSERT_EQ(View()->GetCurrentRow(), 1) << nLine;
    }
    EXPECT_EQ(TextEdit()->GetCaretLine(), 0);
    Press(Qt::Key_Up);
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);

    // Down: a one-line text leaves at once, a wrapped one walks its lines first
    Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetCurrentRow(), 1);
    for (int i = 1; i < nLines; ++i) {
        Press(Qt::Key_Down);
        ASSERT_EQ(View()->GetCurrentRow(), 1) << i;
    }
    Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    // Up in the first row stays there
    ClickRow(0, 140);
    Press(Qt::Key_Up);
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    // Down in the last row stays there
    ClickRow(4, 140);
    Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetCurrentRow(), 4);
}

TEST_F(CKeysTest, CtrlEnterOpensTheFolderOrTheLinkAndLeavesTheKeyword) {
    const std::int32_t nOrdner = IdOf("Ordner");
    ClickRow(2, 140);
    Press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Stored(nOrdner).Name, "Ordner");
    EXPECT_EQ(View()->GetCurrentFolder(), nOrdner);
    ASSERT_NE(m_pFrame->GetTreeView()->SelectedItem(), nullptr);
    EXPECT_EQ(CLeftView::ItemId(m_pFrame->GetTreeView()->SelectedItem()), nOrdner);
    EXPECT_EQ(RowNames(), "Drinnen,_");

    // Shift+Enter goes up one level and selects the folder's row
    ClickRow(0, 900);
    Press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Start"));
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_NONE);

    // a link: opened through the shell, its failure explained
    m_platform.QueueShellResult(SE_ERR_PNF);
    ClickRow(3, 140);
    Press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(m_platform.m_arrShellOpened, std::vector<std::string>{"/tmp/nirgends/plan.pdf"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Fehler beim Öffnen der Datei !\n\nDas Verzeichnis wurde nicht "
                                                   "gefunden.\n\nDatei: /tmp/nirgends/plan.pdf"});
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_EQ(KeywordEdit()->GetAnsiText(), "Verweis");

    // a plain entry: nothing
    ClickRow(0, 140);
    Press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(m_platform.m_arrShellOpened.size(), 1u);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
}

TEST_F(CKeysTest, KeysOnTheViewItselfOpenGoUpAndStartEditing) {
    ClickRow(2, 10);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_NONE);
    ASSERT_TRUE(View()->hasFocus());
    Press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Ordner"));
    View()->setFocus();
    Press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Start"));
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    View()->setFocus();
    Press(Qt::Key_Tab);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_EQ(View()->GetCurrentRow(), 2);
}

TEST_F(CKeysTest, DoubleClickOnTheIconOpensAndTheHandShowsWhereItWould) {
    const int y = 1 + View()->RowTop(2) + 8;
    QTest::mouseMove(View()->viewport(), QPoint(15, y));
    EXPECT_EQ(View()->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(View()->viewport(), QPoint(15, 1 + View()->RowTop(0) + 8));
    EXPECT_EQ(View()->viewport()->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(View()->viewport(), QPoint(15, 1 + View()->RowTop(3) + 8));
    EXPECT_EQ(View()->viewport()->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(15, y));
    QTest::mouseDClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(15, y));
    Pump();
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Ordner"));
}

TEST_F(CKeysTest, PreviousAndNextEntryWalkTheTreeInReadingOrder) {
    ClickRow(2, 10);
    ASSERT_TRUE(CommandEnabled(ID_ENTRY_NEXT));
    View()->OnCommand(ID_ENTRY_NEXT);
    Pump();
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Ordner"));
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    View()->OnCommand(ID_ENTRY_PREVIOUS);
    Pump();
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Start"));
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    ClickRow(4, 10);
    EXPECT_FALSE(CommandEnabled(ID_ENTRY_NEXT));
    EXPECT_FALSE(CommandEnabled(ID_ENTRY_PREVIOUS));
}

TEST_F(CKeysTest, TheLinkDialogChangesTheRowOnlyOnOk) {
    const std::int32_t nKurz = IdOf("Kurz");
    ClickRow(0, 140);
    ASSERT_TRUE(CommandEnabled(ID_LINK_EDIT));
    // answer the modal dialog from a timer
    auto answer = [](const QString& strLink, int nButton) {
        QTimer::singleShot(0, [strLink, nButton] {
            auto* pDlg = qobject_cast<CLinkDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(pDlg, nullptr);
            EXPECT_EQ(pDlg->LinkEdit()->text(), QString());
            pDlg->LinkEdit()->setText(strLink);
            pDlg->findChild<QPushButton*>(QStringLiteral("button%1").arg(nButton))->click();
        });
    };
    answer(QStringLiteral("/tmp/egal.txt"), IDCANCEL);
    View()->OnCommand(ID_LINK_EDIT);
    EXPECT_EQ(Stored(nKurz).Typ, 0);
    EXPECT_EQ(View()->GetRows()[0].Link, "");

    answer(QString::fromUtf8("/tmp/Ablage/Übersicht.txt"), IDOK);
    View()->OnCommand(ID_LINK_EDIT);
    EXPECT_EQ(Stored(nKurz).Typ, 1);
    EXPECT_EQ(Stored(nKurz).Link,
              "/tmp/Ablage/\xDC"
              "bersicht.txt");
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_TRUE(CommandEnabled(ID_LINK_OPEN));
    EXPECT_FALSE(CommandEnabled(ID_FOLDER_CREATE));
    View()->OnCommand(ID_LINK_OPEN);
    EXPECT_EQ(m_platform.m_arrShellOpened.back(),
              "/tmp/Ablage/\xDC"
              "bersicht.txt");
}

TEST_F(CKeysTest, TheRightButtonSelectsWithoutEditorAndTheContextMenuFollowsTheRules) {
    ClickRow(0, 900);
    const int y = 1 + View()->RowTop(3) + 8;
    QTest::mousePress(View()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(200, y));
    QTest::mouseRelease(View()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(200, y));
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_NONE);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(200, y), View()->viewport()->mapToGlobal(QPoint(200, y)));
    QCoreApplication::sendEvent(View()->viewport(), &event);
    QMenu* pMenu = View()->findChild<QMenu*>();
    ASSERT_NE(pMenu, nullptr);
    std::vector<std::pair<std::string, bool>> items;
    for (QAction* pAction : pMenu->actions())
        if (!pAction->isSeparator()) items.emplace_back(pAction->text().toStdString(), pAction->isEnabled());
    const std::vector<std::pair<std::string, bool>> expected = {{"Verknüpfung aufrufen", true},
                                                                {"Verknüpfung erstellen/bearbeiten", true},
                                                                {"Ordner öffnen", false},
                                                                {"Ordner erstellen", false},
                                                                {"Eintrag löschen", true}};
    EXPECT_EQ(items, expected);
    pMenu->close();
    Pump();
}

TEST_F(CViewTest, ANewKnowledgeBaseStartsWithTheKeywordEditorOnTheTopLevelsNewRow) {
    // through the document's "Datenbank anlegen" path
    m_platform.QueueFileDialog(m_dir.File("neu.tov"));
    ASSERT_TRUE(m_pDoc->OnNewDocument());
    Pump();
    EXPECT_EQ(View()->GetCurrentFolder(), 0);
    EXPECT_EQ(RowNames(), "_");
    EXPECT_EQ(View()->GetRows()[0].IsDir, 1);
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_TRUE(KeywordEdit()->hasFocus());
    EXPECT_FALSE(m_pDoc->IsWriteProtected());
    Type("Erster Ordner");
    Press(Qt::Key_Return);
    EXPECT_EQ(RowNames(), "Erster Ordner,_");
    EXPECT_EQ(Stored(IdOf("Erster Ordner")).IsDir, 1);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
}
