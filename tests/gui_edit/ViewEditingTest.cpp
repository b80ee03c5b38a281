// Editing in the detail view: the keyboard flow between fields and rows,
// what is written back when, and that nothing typed is lost.
#include <QTest>

#include "ViewFixture.h"
#include "app/CLeftView.h"
#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"
#include "ui/CommandIds.h"

namespace {
const std::vector<SEntry> kProjects = {
    {"+Projekte", {{"-Alpha"}, {"-Beta"}, {"+Unterordner", {{"-Tief"}}}}},
    {"+Archiv", {{"-Alt"}}},
};

class CEditingTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase(kProjects)));
        m_nProjekte = IdOf("Projekte");
        ASSERT_EQ(View()->GetCurrentFolder(), m_nProjekte);
        ASSERT_EQ(RowNames(), "Alpha,Beta,Unterordner,_");
    }
    std::int32_t m_nProjekte = 0;
};

const char* const kConflict =
    "Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer geändert wurden!";
const char* const kNotSaved = "Die Eingaben konnten nicht gespeichert werden !";
}  // namespace

TEST_F(CEditingTest, TabOnTheNewRowStoresTheEntryAppendsARowAndMovesOn) {
    ClickRow(3, 140);
    ASSERT_EQ(View()->GetCurrentRow(), 3);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_TRUE(KeywordEdit()->hasFocus());
    Type("Gamma");
    Press(Qt::Key_Tab);

    const std::int32_t nGamma = IdOf("Gamma");
    ASSERT_GT(nGamma, 0);
    EXPECT_EQ(Stored(nGamma).MasterID, m_nProjekte);
    EXPECT_EQ(Stored(nGamma).IsDir, 0);
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta,Unterordner,Gamma");
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,Gamma,_");
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    EXPECT_TRUE(TextEdit()->hasFocus());

    Type("Inhalt");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nGamma).Text, "Inhalt");
    EXPECT_EQ(View()->GetCurrentRow(), 4);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);

    // Tab on the empty row keeps its keyword editor and stores nothing
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    EXPECT_EQ(View()->GetCurrentRow(), 4);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,Gamma,_");
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta,Unterordner,Gamma");

    // Shift+Tab goes back into the previous row's text, then its keyword;
    // Enter in a keyword goes to the text
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    Press(Qt::Key_Return);
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CEditingTest, ANewEntryLeftByAClickStillGetsAnEmptyRowBehindIt) {
    ClickRow(3, 140);
    Type("Delta");
    ClickRow(0, 10);
    EXPECT_GT(IdOf("Delta"), 0);
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,Delta,_");
    EXPECT_EQ(View()->GetCurrentRow(), 0);
}

TEST_F(CEditingTest, LeavingARowTrimsTrailingBlanksAndLineBreaks) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 140);
    KeywordEdit()->selectAll();
    Type("  Alpha  neu  ");
    Press(Qt::Key_Tab);
    TextEdit()->selectAll();
    Type("Zeile eins  \nZeile zwei \n\n  ");
    // while the row is open the text is kept as typed
    EXPECT_EQ(View()->GetRows()[0].Text, "Zeile eins  \r\nZeile zwei \r\n\r\n  ");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nAlpha).Name, "  Alpha  neu");
    EXPECT_EQ(Stored(nAlpha).Text, "Zeile eins  \r\nZeile zwei");
    EXPECT_EQ(View()->GetRows()[0].Text, "Zeile eins  \r\nZeile zwei");
}

TEST_F(CEditingTest, EscapeRestoresWhatTheFieldShowedWhenTheRowWasSelected) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 140);
    Type("XYZ");
    Press(Qt::Key_Escape);
    EXPECT_EQ(KeywordEdit()->GetAnsiText(), "Alpha");
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_EQ(Stored(nAlpha).Name, "Alpha");

    Press(Qt::Key_Tab);
    Type(QString::fromUtf8("Müll"));
    Press(Qt::Key_Escape);
    EXPECT_EQ(TextEdit()->GetAnsiText(), "Text von Alpha");
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nAlpha).Text, "Text von Alpha");

    // Escape on a new row takes a folder conversion back
    ClickRow(3, 140);
    View()->OnCommand(ID_FOLDER_CREATE);
    EXPECT_EQ(View()->GetRows()[3].IsDir, 1);
    Press(Qt::Key_Escape);
    EXPECT_EQ(View()->GetRows()[3].IsDir, 0);
    Type("Eintrag");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(IdOf("Eintrag")).IsDir, 0);

    // ... but the new row of the top level stays a folder
    m_pDoc->EditRootFolder();
    Pump();
    ASSERT_EQ(RowNames(), "Projekte,Archiv,_");
    EXPECT_EQ(View()->GetRows()[2].IsDir, 1);
    ClickRow(2, 140);
    Type("Oben");
    Press(Qt::Key_Escape);
    EXPECT_EQ(View()->GetRows()[2].IsDir, 1);
    Type("Oben");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(IdOf("Oben")).IsDir, 1);
    EXPECT_EQ(Stored(IdOf("Oben")).MasterID, 0);
}

TEST_F(CEditingTest, DuplicateKeywordsWarnOnlyWhenChangedAndExactlyEqual) {
    const std::int32_t nBeta = IdOf("Beta");
    ClickRow(1, 140);
    KeywordEdit()->selectAll();
    Type("Alpha");
    Press(Qt::Key_Down);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].strText, "Das Stichwort existiert bereits !");
    EXPECT_EQ(m_platform.m_arrMessages[0].strCaption, "Warnung");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::Ok);
    // stored all the same
    EXPECT_EQ(Stored(nBeta).Name, "Alpha");

    // passing through the unchanged duplicate says nothing
    m_platform.Clear();
    ClickRow(1, 140);
    Press(Qt::Key_Down);
    EXPECT_TRUE(Messages().empty());

    // another letter case is no duplicate
    ClickRow(1, 140);
    KeywordEdit()->selectAll();
    Type("alpha");
    Press(Qt::Key_Down);
    EXPECT_TRUE(Messages().empty());

    // "-" and the empty keyword never warn, even twice
    for (bool bDash : {true, false}) {
        for (int nRow : {0, 1}) {
            ClickRow(nRow, 140);
            KeywordEdit()->selectAll();
            if (bDash)
                Type("-");
            else
                Press(Qt::Key_Backspace);
            Press(Qt::Key_Down);
        }
        EXPECT_TRUE(Messages().empty()) << bDash;
        EXPECT_EQ(Stored(nBeta).Name, bDash ? "-" : "");
    }
}

TEST_F(CEditingTest, MoveUpAndDownFollowTheirEnablingAndSwapPositions) {
    struct SCase {
        int nRow;
        bool bUp, bDown, bDelete;
    };
    for (SCase c : {SCase{0, false, true, true}, SCase{1, true, true, true}, SCase{2, true, false, true},
                    SCase{3, false, false, false}}) {
        ClickRow(c.nRow, 10);
        EXPECT_EQ(CommandEnabled(ID_ENTRY_MOVE_UP), c.bUp) << c.nRow;
        EXPECT_EQ(CommandEnabled(ID_ENTRY_MOVE_DOWN), c.bDown) << c.nRow;
        EXPECT_EQ(CommandEnabled(ID_ENTRY_DELETE), c.bDelete) << c.nRow;
    }

    // with unsaved typing in the row: written, then moved
    ClickRow(1, 140);
    Type("2");
    View()->OnCommand(ID_ENTRY_MOVE_UP);
    EXPECT_EQ(RowNames(), "Beta2,Alpha,Unterordner,_");
    EXPECT_EQ(ChildNames(m_nProjekte), "Beta2,Alpha,Unterordner");
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_NONE);

    View()->OnCommand(ID_ENTRY_MOVE_DOWN);
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta2,Unterordner");
    EXPECT_EQ(View()->GetCurrentRow(), 1);
    // the moved rows can be edited again at once (their counters are current)
    ClickRow(0, 140);
    Type("!");
    Press(Qt::Key_Down);
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha!,Beta2,Unterordner");
    EXPECT_TRUE(Messages().empty());

    SetProtected(true);
    ClickRow(1, 10);
    EXPECT_FALSE(CommandEnabled(ID_ENTRY_MOVE_UP));
    EXPECT_FALSE(CommandEnabled(ID_ENTRY_MOVE_DOWN));
    EXPECT_FALSE(CommandEnabled(ID_ENTRY_DELETE));
    EXPECT_FALSE(CommandEnabled(ID_FOLDER_CREATE));
    EXPECT_FALSE(CommandEnabled(ID_LINK_EDIT));
    EXPECT_TRUE(CommandEnabled(ID_ENTRY_NEXT));
    View()->OnCommand(ID_ENTRY_MOVE_UP);
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha!,Beta2,Unterordner");
}

TEST_F(CEditingTest, ConvertToFolderAsksOnlyForAStoredRow) {
    // the empty row: no question, a new folder named next
    ClickRow(3, 10);
    ASSERT_TRUE(CommandEnabled(ID_FOLDER_CREATE));
    View()->OnCommand(ID_FOLDER_CREATE);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    Type("Neuer Ordner");
    Press(Qt::Key_Tab);
    const std::int32_t nNew = IdOf("Neuer Ordner");
    ASSERT_GT(nNew, 0);
    EXPECT_EQ(Stored(nNew).IsDir, 1);
    EXPECT_NE(m_pFrame->GetTreeView()->FindItem(nNew), nullptr);

    // a stored text entry: asked, No leaves it
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 10);
    m_platform.QueueAnswer(EMsgResult::No);
    View()->OnCommand(ID_FOLDER_CREATE);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].strText, "Texteintrag in ein Verzeichnis umwandeln ?");
    EXPECT_EQ(m_platform.m_arrMessages[0].strCaption, "Verzeichnis erstellen");
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNo);
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(Stored(nAlpha).IsDir, 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_NONE);

    m_platform.QueueAnswer(EMsgResult::Yes);
    View()->OnCommand(ID_FOLDER_CREATE);
    EXPECT_EQ(Stored(nAlpha).IsDir, 1);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_NE(m_pFrame->GetTreeView()->FindItem(nAlpha), nullptr);
    // a folder is not converted again, nor linked
    EXPECT_FALSE(CommandEnabled(ID_FOLDER_CREATE));
    EXPECT_FALSE(CommandEnabled(ID_LINK_EDIT));
    EXPECT_TRUE(CommandEnabled(ID_FOLDER_OPEN));
}

TEST_F(CEditingTest, DeletingTheRowBeingEditedRemovesExactlyThatEntry) {
    for (bool bUpdatedBefore : {false, true}) {
        SCOPED_TRACE(bUpdatedBefore ? "stored before" : "never updated");
        const std::int32_t nFirst = View()->GetRows()[0].ID;
        const std::string strSecond = Cp1252ToUtf8(View()->GetRows()[1].Name);
        if (bUpdatedBefore) {
            ClickRow(0, 140);
            Type("1");
            ClickRow(1, 10);
            ASSERT_GT(Stored(nFirst).UpdateNr, 0);
        }
        ClickRow(0, 140);
        Type("ungespeichert");
        m_platform.Clear();
        m_platform.QueueAnswer(EMsgResult::Yes);
        View()->OnCommand(ID_ENTRY_DELETE);
        // the question and nothing else
        ASSERT_EQ(Messages(), std::vector<std::string>{"Eintrag löschen:\n\nAktuellen eintrag wirklich löschen ?"});
        EXPECT_EQ(Stored(nFirst).ID, 0);
        EXPECT_EQ(View()->GetRows()[0].Name, Ansi(strSecond.c_str()));
        EXPECT_EQ(View()->GetCurrentRow(), 0);
        EXPECT_EQ(View()->GetActiveEditor(), EDITOR_NONE);
        for (const CKnowHowItem& row : View()->GetRows()) EXPECT_NE(row.ID, nFirst);

        // the entries behind it were renumbered by the delete; editing them is
        // not refused as someone else's change
        ClickRow(0, 140);
        Type("+");
        Press(Qt::Key_Down);
        EXPECT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Stored(IdOf(strSecond + "+")).PosNr, 1);
        KeywordEdit()->selectAll();
        Type("Neu");
        Press(Qt::Key_Down);
        EXPECT_EQ(Messages().size(), 1u);
        m_platform.Clear();
    }
    EXPECT_EQ(ChildNames(m_nProjekte), "Neu+,Neu");
}

TEST_F(CEditingTest, DeleteDeclinedKeepsTheTypingAndTheLastStoredRowLeadsToTheEmptyRow) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 140);
    Type("X");
    m_platform.QueueAnswer(EMsgResult::No);
    View()->OnCommand(ID_ENTRY_DELETE);
    EXPECT_EQ(RowNames(), "AlphaX,Beta,Unterordner,_");
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    Press(Qt::Key_Down);
    EXPECT_EQ(Stored(nAlpha).Name, "AlphaX");

    // a folder with content: both questions, then the empty row is current
    ClickRow(2, 10);
    m_platform.Clear();
    m_platform.QueueAnswer(EMsgResult::Yes);
    m_platform.QueueAnswer(EMsgResult::Yes);
    View()->OnCommand(ID_ENTRY_DELETE);
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(RowNames(), "AlphaX,Beta,_");
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    EXPECT_EQ(IdOf("Tief"), -1);
}

TEST_F(CEditingTest, DownFromNoRowSelectsTheFirstAndUpDownMoveWithoutEditor) {
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, View()->GetTotalHeight() + 30));
    Pump();
    EXPECT_EQ(View()->GetCurrentRow(), -1);
    View()->setFocus();
    Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_NONE);
    Press(Qt::Key_Up);
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    for (int i = 0; i < 6; ++i) Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    // Enter opens the keyword editor of the current row
    Press(Qt::Key_Return);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_EQ(View()->GetCurrentRow(), 3);
}

TEST_F(CEditingTest, NothingTypedIsLostWhenTheFolderChanges) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 900);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    TextEdit()->moveCursor(QTextCursor::End);
    Type("X ");
    ShowFolder(IdOf("Archiv"));
    EXPECT_EQ(RowNames(), "Alt,_");
    // as it stood in the editor, untrimmed
    EXPECT_EQ(Stored(nAlpha).Text, "Text von AlphaX ");
}

TEST_F(CEditingTest, NothingTypedIsLostWhenTheProgramEnds) {
    const std::int32_t nBeta = IdOf("Beta");
    ClickRow(1, 900);
    TextEdit()->moveCursor(QTextCursor::End);
    Type("Y  ");
    m_pFrame->close();
    Pump();
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    // leaving by closing trims like any other leave
    EXPECT_EQ(StoredAfterClose(nBeta).Text, "Text von BetaY");
    EXPECT_EQ(m_platform.GetProfileInt("Parameter", "Stichwortbreite", -1), 150);
}

TEST_F(CEditingTest, NothingTypedIsLostWhenTheDatabaseIsClosed) {
    const std::int32_t nBeta = IdOf("Beta");
    ClickRow(1, 140);
    KeywordEdit()->moveCursor(QTextCursor::End);
    Type("Z");
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_DATABASE_CLOSE));
    Pump();
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(View()->GetCurrentFolder(), -1);
    EXPECT_TRUE(View()->GetRows().empty());
    EXPECT_EQ(StoredAfterClose(nBeta).Name, "BetaZ");
}

TEST_F(CEditingTest, SwitchingWriteProtectionOnKeepsTheTypingAndMakesTheEditorReadOnly) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 900);
    TextEdit()->moveCursor(QTextCursor::End);
    Type(" und mehr");
    m_pDoc->ToggleWriteProtect();
    Pump();
    ASSERT_TRUE(m_pDoc->IsWriteProtected());
    EXPECT_EQ(Stored(nAlpha).Text, "Text von Alpha und mehr");
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    EXPECT_TRUE(TextEdit()->isReadOnly());
    EXPECT_TRUE(KeywordEdit()->isReadOnly());
    Type("?");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nAlpha).Text, "Text von Alpha und mehr");

    // and back: writable again
    m_pDoc->ToggleWriteProtect();
    Pump();
    EXPECT_FALSE(KeywordEdit()->isReadOnly());
    KeywordEdit()->moveCursor(QTextCursor::End);
    Type("!");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(IdOf("Beta!")).MasterID, m_nProjekte);
}

TEST_F(CEditingTest, ARowChangedMeanwhileByAnotherProgramShowsBothVersionsAndTakesTheStoredOneOnRequest) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 900);
    TextEdit()->moveCursor(QTextCursor::End);
    Type(" lokal");
    SProcessResult result = RunCli({"set", m_strPath, std::to_string(nAlpha), "--text", "von nebenan"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    AnswerRefusedRow("takeStored");
    Press(Qt::Key_Tab);
    EXPECT_EQ(m_nRefusedDialogs, 1);
    // one dialog, the table's message first, and no boxes besides
    EXPECT_EQ(m_strRefusedMessage.rfind(kConflict, 0), 0u) << m_strRefusedMessage;
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Stored(nAlpha).Text, "von nebenan");
    ASSERT_EQ(RowOf("Alpha"), 0);
    EXPECT_EQ(View()->GetRows()[0].Text, "von nebenan");
    EXPECT_FALSE(View()->GetRows()[0].Modified);
    // and the row can be edited again
    ClickRow(0, 900);
    TextEdit()->moveCursor(QTextCursor::End);
    Type("!");
    Press(Qt::Key_Tab);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Stored(nAlpha).Text, "von nebenan!");
}

TEST_F(CEditingTest, ACharacterWindows1252CannotHoldNeverReachesTheFile) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 900);
    TextEdit()->moveCursor(QTextCursor::End);
    Type(QString::fromUtf8(" \u2603 \u20AC"));
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nAlpha).Text, "Text von Alpha  \x80");
    EXPECT_FALSE(TextEdit()->LastNotice().isEmpty());
}

TEST_F(CEditingTest, EditorsPaintOverTheCurrentRowAndTheEmptyFolderShowsOneRow) {
    ClickRow(1, 140);
    const QRect rcKeyword = KeywordEdit()->geometry();
    const int nTop = 1 - View()->GetScrollPos() + View()->RowTop(1);
    EXPECT_EQ(rcKeyword.left(), 33);
    EXPECT_EQ(rcKeyword.top(), nTop + 3);
    EXPECT_EQ(rcKeyword.right() + 1, View()->GetKeywordWidth() - 3);
    const QRect rcText = TextEdit()->geometry();
    EXPECT_EQ(rcText.left(), View()->GetKeywordWidth() + 5);
    EXPECT_EQ(rcText.right() + 1, View()->viewport()->width() - 5);
    EXPECT_EQ(rcText.bottom() + 1, nTop + View()->GetRows()[1].DisplayHeight - 3);

    // an empty folder: one row, the empty one, and it is selected
    ClickRow(3, 140);
    Type("Leer");
    View()->OnCommand(ID_FOLDER_CREATE);
    Press(Qt::Key_Tab);
    ShowFolder(IdOf("Leer"));
    EXPECT_EQ(RowNames(), "_");
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetRows()[0].IsDir, 0);
    EXPECT_EQ(View()->GetRows()[0].MasterID, IdOf("Leer"));
}

TEST_F(CEditingTest, EditsBeforeAndAfterANewDatabasePasswordAreKept) {
    // the dialog's work without the dialog: a new key writes every row again
    GetDocDialogs().fnDatabasePassword = [](QWidget*) { ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim")); };
    const std::int32_t nAlpha = IdOf("Alpha");
    const std::int32_t nBeta = IdOf("Beta");
    ClickRow(RowOf("Alpha"), 400);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    Type(" ergänzt");
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_DATABASE_ENCRYPT));
    Pump();
    EXPECT_TRUE(GetDbPasswort().IsProtected());
    // typed before: written under the old key, then encrypted with the rest
    EXPECT_EQ(Cp1252ToUtf8(Stored(nAlpha).Text), "Text von Alpha ergänzt");
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,_");
    EXPECT_EQ(View()->GetCurrentRow(), RowOf("Alpha"));

    // typed after: the rows shown carry the new update counters
    ClickRow(RowOf("Beta"), 400);
    Type(" neu");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nBeta).Text, "Text von Beta neu");
    ClickRow(RowOf("Alpha"), 140);
    Type("X");
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nAlpha).Name, "AlphaX");
    EXPECT_TRUE(Messages().empty()) << Messages().front();
}
