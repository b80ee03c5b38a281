// Two colleagues on one file: this window, and another user working with
// orvantis-cli (a real second process) or holding the file locked.
#include <QTest>

#include "ViewFixture.h"
#include "app/CLeftView.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"
#include "ui/CommandIds.h"

namespace {
const std::vector<SEntry> kProjects = {
    {"+Projekte", {{"-Alpha"}, {"-Beta"}, {"+Unterordner", {{"-Tief"}}}}},
    {"+Archiv", {{"-Alt"}}},
};

class CColleaguesTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase(kProjects)));
        m_nProjekte = IdOf("Projekte");
        m_nArchiv = IdOf("Archiv");
    }
    // The other user, through the command-line program.
    void Colleague(const std::vector<std::string>& arrArgs) {
        std::vector<std::string> arr = arrArgs;
        arr.insert(arr.begin() + 1, m_strPath);
        SProcessResult r = RunCli(arr);
        ASSERT_EQ(r.nExit, 0) << arrArgs[0] << ": " << r.strErr;
    }
    CRawRows Raw(const std::string& strSql) { return RawQuery(m_strPath, strSql); }
    void TypeText(int nRow, const QString& str) {
        ClickRow(nRow, 900);
        TextEdit()->moveCursor(QTextCursor::End);
        Type(str);
    }

    std::int32_t m_nProjekte = 0, m_nArchiv = 0;
};
}  // namespace

TEST_F(CColleaguesTest, AnEditOfAnEntryWhoseIdWasReusedNeverOverwritesTheNewEntry) {
    ShowFolder(m_nArchiv);
    const std::int32_t nAlt = IdOf("Alt");
    ASSERT_EQ(RowOf("Alt"), 0);
    // the colleague deletes the newest entry and adds one elsewhere: same ID
    Colleague({"delete", std::to_string(nAlt), "--yes"});
    Colleague({"add", "--parent", std::to_string(m_nProjekte), "--name", "Neu", "--text", "neuer Text"});
    ASSERT_EQ(IdOf("Neu"), nAlt);
    TypeText(0, " geändert");
    AnswerRefusedRow("saveAsNew");
    Press(Qt::Key_Tab);
    EXPECT_EQ(m_strRefusedMessage.rfind(Cp1252ToUtf8(EntryDeletedMessage()), 0), 0u) << m_strRefusedMessage;
    CRawRows rows = Raw("SELECT Name, Text, MasterID FROM KnowHow WHERE ID=" + std::to_string(nAlt));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Neu", "neuer Text", std::to_string(m_nProjekte)}));
    // the typing lives on as a new entry where it was typed
    EXPECT_EQ(Raw("SELECT Text, MasterID FROM KnowHow WHERE Name='Alt'"),
              (CRawRows{{Ansi("Text von Alt geändert"), std::to_string(m_nArchiv)}}));
}

TEST_F(CColleaguesTest, NothingIsWrittenIntoAFolderThatAnotherUserDeleted) {
    ShowFolder(m_nArchiv);
    Colleague({"delete", std::to_string(m_nArchiv), "--yes"});
    ClickRow(1, 60);
    Type("Verwaist");
    AnswerRefusedRow("saveAsNew");
    Press(Qt::Key_Tab);
    EXPECT_EQ(m_nRefusedDialogs, 1);
    // offered the nearest folder that still exists: here the top level
    EXPECT_EQ(Raw("SELECT MasterID FROM KnowHow WHERE Name='Verwaist'"), (CRawRows{{"0"}}));
    EXPECT_TRUE(Raw("SELECT ID FROM KnowHow WHERE MasterID NOT IN (SELECT ID FROM KnowHow WHERE IsDir='1') "
                    "AND MasterID<>0")
                    .empty());
}

TEST_F(CColleaguesTest, AnEntryOnlyMovedByAnotherUserKeepsTheTyping) {
    // the colleague deletes a sibling in front: Beta moves up and its counter rises
    const std::int32_t nBeta = IdOf("Beta");
    TypeText(1, " von mir");
    Colleague({"delete", std::to_string(IdOf("Alpha")), "--yes"});
    Press(Qt::Key_Tab);
    EXPECT_EQ(Stored(nBeta).Text, "Text von Beta von mir");
    EXPECT_EQ(Stored(nBeta).PosNr, 1);
    // Tab went on to the entry behind Beta, where it stands now
    ASSERT_GE(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetRows()[View()->GetCurrentRow()].ID, IdOf("Unterordner"));
}

TEST_F(CColleaguesTest, DeletingAnEntryAnotherUserDeletedSaysSo) {
    const std::int32_t nAlpha = IdOf("Alpha");
    ClickRow(0, 60);
    Colleague({"delete", std::to_string(nAlpha), "--yes"});
    m_platform.Clear();
    m_platform.QueueAnswer(EMsgResult::Yes);
    View()->OnCommand(ID_ENTRY_DELETE);
    Pump();
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(RowOf("Alpha"), -1);
}

TEST_F(CColleaguesTest, LeavingARowWithNothingTypedTakesNoLock) {
    std::vector<std::string> arrSql;
    GetDatabase().SetStatementHook([&](const std::string& str) { arrSql.push_back(str); });
    ClickRow(1, 900);
    ClickRow(0, 900);
    ShowFolder(m_nArchiv);
    GetDatabase().SetStatementHook(nullptr);
    for (const std::string& str : arrSql) EXPECT_EQ(str.find("BEGIN"), std::string::npos) << str;
}

TEST_F(CColleaguesTest, WhileAMessageIsOpenOtherUsersCanWork) {
    TypeText(0, " meins");
    Colleague({"set", std::to_string(IdOf("Alpha")), "--text", "seins"});
    int nExit = -1;
    AnswerRefusedRow("later", [&] {
        nExit = RunCli({"set", m_strPath, std::to_string(IdOf("Beta")), "--text", "auch seins"}).nExit;
    });
    Press(Qt::Key_Tab);
    EXPECT_EQ(m_nRefusedDialogs, 1);
    EXPECT_EQ(nExit, 0);
    // decided later: the typing stands, marked unsaved
    EXPECT_EQ(View()->GetRows()[0].Text, "Text von Alpha meins");
    EXPECT_TRUE(View()->GetRows()[0].Modified);
    EXPECT_EQ(Stored(IdOf("Alpha")).Text, "seins");
}

TEST_F(CColleaguesTest, AnotherUsersEntriesAndFoldersComeIntoViewByThemselves) {
    ClickRow(1, 60);
    Colleague({"add", "--parent", std::to_string(m_nProjekte), "--name", "Gamma"});
    Colleague({"add", "--parent", "0", "--name", "Neuer Ordner", "--folder"});
    QTest::qWait(2500);
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,Gamma,_");
    EXPECT_EQ(View()->GetRows()[View()->GetCurrentRow()].Name, "Beta");
    EXPECT_NE(m_pFrame->GetTreeView()->FindItem(IdOf("Neuer Ordner")), nullptr);
}

TEST_F(CColleaguesTest, TypingThatALockKeepsFromTheFileStaysWithItsCaretUntilItCanBeWritten) {
    const std::int32_t nAlpha = IdOf("Alpha");
    TypeText(0, " meins");
    const int nCaret = TextEdit()->textCursor().position();
    auto pHolder = HoldExclusive(m_strPath, 60);
    Press(Qt::Key_Down);
    // one message that the file is in use; the row, the editor and the caret stay
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Ihre Eingaben sind nicht verloren"), std::string::npos) << Messages()[0];
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    EXPECT_EQ(TextEdit()->toPlainText(), QString::fromUtf8("Text von Alpha meins"));
    EXPECT_EQ(TextEdit()->textCursor().position(), nCaret);
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,_");
    // typing on goes into the same entry
    Type("!");
    pHolder.reset();
    m_platform.Clear();
    Press(Qt::Key_Down);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Stored(nAlpha).Text, "Text von Alpha meins!");
    EXPECT_EQ(View()->GetCurrentRow(), 1);
}

TEST_F(CColleaguesTest, ClosingWithTypingThatCannotBeWrittenAsksAndKeepsItOnCancel) {
    const std::int32_t nAlpha = IdOf("Alpha");
    TypeText(0, " meins");
    auto pHolder = HoldExclusive(m_strPath, 60);
    m_platform.QueueAnswer(EMsgResult::Cancel);  // back to editing
    EXPECT_FALSE(m_pDoc->CloseDatabaseFile());
    // one question, saying why
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("Die Datenbank wird gerade von einem anderen Benutzer verwendet.", 0), 0u);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNoCancel);
    EXPECT_TRUE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(View()->GetRows()[0].Text, "Text von Alpha meins");
    // retried once the other user is done
    m_platform.Clear();
    m_platform.SetMessageHook([&](const SRecordedMessage& msg) {
        if (msg.eButtons == EMsgButtons::YesNoCancel) pHolder.reset();
    });
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(m_pDoc->CloseDatabaseFile()) << ::testing::PrintToString(Messages());
    m_platform.SetMessageHook(nullptr);
    EXPECT_EQ(StoredAfterClose(nAlpha).Text, "Text von Alpha meins");
}

TEST_F(CColleaguesTest, AConflictResolvedAsMineWritesTheTypingOverTheOtherVersion) {
    const std::int32_t nAlpha = IdOf("Alpha");
    TypeText(0, " meins");
    Colleague({"set", std::to_string(nAlpha), "--text", "seins"});
    AnswerRefusedRow("keepMine");
    Press(Qt::Key_Down);
    EXPECT_EQ(m_nRefusedDialogs, 1);
    EXPECT_EQ(Stored(nAlpha).Text, "Text von Alpha meins");
    EXPECT_EQ(View()->GetCurrentRow(), 1);
}

TEST_F(CColleaguesTest, RefreshByHandKeepsTheRowTheCaretAndTheScrollPlace) {
    ClickRow(1, 900);
    TextEdit()->moveCursor(QTextCursor::Start);
    TextEdit()->moveCursor(QTextCursor::Right);
    Colleague({"add", "--parent", std::to_string(m_nProjekte), "--name", "Gamma"});
    // another user's change of the entry being looked at comes in as well
    Colleague({"set", std::to_string(IdOf("Beta")), "--text", "Neu von Beta"});
    Press(Qt::Key_F5);
    EXPECT_EQ(RowNames(), "Alpha,Beta,Unterordner,Gamma,_");
    EXPECT_EQ(View()->GetCurrentRow(), 1);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    EXPECT_EQ(TextEdit()->toPlainText(), QString::fromUtf8("Neu von Beta"));
    EXPECT_EQ(TextEdit()->textCursor().position(), 1);
}
