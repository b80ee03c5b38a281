// Other users' locks on one file: every read waits like a write, a read
// that still fails stops what depended on it, and what is written takes its
// positions from the file as it is then.
#include <chrono>
#include <thread>

#include "TreeFixture.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "protect/PasswordCommands.h"

namespace {
const char* const kLocked =
    "Die Datenbank wird gerade von einem anderen Benutzer verwendet. Bitte später erneut versuchen.";
const char* const kStale =
    "Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer geändert wurden!";
const char* const kNotSaved = "Die Eingaben konnten nicht gespeichert werden !";

class CLockedFileTest : public CTreeTest {
protected:
    // the password service is one for the process: a key left behind would
    // make the next test's file look protected already
    void TearDown() override {
        GetDbPasswort().ClearPassword();
        GetDbPasswort().SetPrompt(nullptr);
        CTreeTest::TearDown();
    }
    std::unique_ptr<CChildProcess> HoldExclusive(int nSeconds) { return ::HoldExclusive(m_strDb, nSeconds); }
    // Pauses that really pass, so that a lock of a second ends while a
    // statement waits (21 pauses of 100 ms here).
    void RealPauses() {
        m_platform.SetSleepHook([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    }
    bool Shown(const char* pszUtf8) const {
        auto arr = m_platform.MessageTexts();
        return std::find(arr.begin(), arr.end(), pszUtf8) != arr.end();
    }
    void Reopen() {
        m_pTree.reset();
        CloseDatabase();
    }
};

TEST_F(CLockedFileTest, AProtectedFileIsNeverOpenedAsPlainWhileAnotherUserHoldsIt) {
    Add(0, "Geheimnis", true);
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    Reopen();

    auto pHolder = HoldExclusive(1);
    RealPauses();
    int nAsked = 0;
    GetDbPasswort().SetPrompt([&](CDbPasswort& p) {
        ++nAsked;
        return p.CheckPassword("geheim");
    });
    auto pTree = OpenKnowledgeBase(m_strDb);
    GetDbPasswort().SetPrompt(nullptr);
    ASSERT_TRUE(pTree);
    EXPECT_EQ(nAsked, 1);
    CKnowHowArray arr;
    pTree->GetChildren(arr, 0);
    ASSERT_EQ(arr.size(), 1u);
    EXPECT_EQ(arr[0].Name, "Geheimnis");
}

TEST_F(CLockedFileTest, DeleteClosesTheGapThoughTheFileWasLockedWhileTheQuestionWasOpen) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X", true);
    Add(X, "x1");
    Add(F, "Y");
    Add(F, "Z");
    std::unique_ptr<CChildProcess> pHolder;
    m_platform.SetMessageHook([&](const SRecordedMessage&) { pHolder = HoldExclusive(1); });
    m_platform.QueueAnswer(EMsgResult::Yes);
    RealPauses();
    EXPECT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    EXPECT_EQ(Shape(F), "Y Z");
    EXPECT_EQ(PositionFaults(), "");
}

TEST_F(CLockedFileTest, WhatIsAppendedOrMovedInTakesItsPlaceBehindWhatOthersAddedMeanwhile) {
    std::int32_t F = Add(0, "F", true);
    Add(F, "a");
    Add(F, "b");
    std::int32_t T = Add(0, "T", true);
    std::int32_t M = Add(T, "m");

    // as the detail view shows a folder: its rows and a new one behind them
    CKnowHowArray arr;
    m_pTree->GetChildren(arr, F);
    CKnowHowItem fresh;
    fresh.MasterID = F;
    fresh.SetPosNr(static_cast<std::int32_t>(arr.size()) + 1);
    fresh.SetName("d");
    arr.push_back(fresh);
    ASSERT_EQ(RunCli({"add", m_strDb, "--parent", std::to_string(F), "--name", "c"}).nExit, 0);
    EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    EXPECT_EQ(arr.back().PosNr, 4);

    // another user appends to the target just before the move writes
    bool bOtherDone = false;
    GetDatabase().SetStatementHook([&](const std::string& strSql) {
        if (bOtherDone || strSql.rfind("BEGIN", 0) != 0) return;
        bOtherDone = true;
        EXPECT_EQ(RunCli({"add", m_strDb, "--parent", std::to_string(F), "--name", "e"}).nExit, 0);
    });
    EXPECT_EQ(m_pTree->MoveToFolder(M, F), EWriteResult::Saved);
    GetDatabase().SetStatementHook(nullptr);
    EXPECT_EQ(Shape(F), "a b c d e m");
    EXPECT_EQ(PositionFaults(), "");
}

TEST_F(CLockedFileTest, ARowThatAnotherUserDeletedOrChangedIsRefusedNotOverwritten) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X", false, "alt");
    std::int32_t Y = Add(F, "Y", false, "alt");
    CKnowHowArray arr;
    m_pTree->GetChildren(arr, F);

    // deleted meanwhile: the typed text is not reported as saved
    ASSERT_EQ(RunCli({"delete", m_strDb, std::to_string(X), "--yes"}).nExit, 0);
    CKnowHowArray arrX{arr[0]};
    arrX[0].SetText("meins");
    SWriteReport report;
    EXPECT_EQ(m_pTree->SaveItems(arrX, &report), EWriteResult::Deleted);
    EXPECT_EQ(report.nIndex, 0);
    EXPECT_EQ(arrX[0].Text, "meins");

    // changed meanwhile, and the file locked when the counter is read
    ASSERT_EQ(RunCli({"set", m_strDb, std::to_string(Y), "--text", "vom anderen"}).nExit, 0);
    auto pHolder = HoldExclusive(1);
    RealPauses();
    CKnowHowArray arrY{arr[1]};
    arrY[0].SetText("meins");
    EXPECT_EQ(m_pTree->SaveItems(arrY, &report), EWriteResult::Conflict);
    EXPECT_EQ(report.stored.Text, "vom anderen");
    // the write talks to nobody: its caller does, after the transaction
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(Query("SELECT Text FROM KnowHow WHERE ID=" + std::to_string(Y)),
              (std::vector<std::vector<std::string>>{{"vom anderen"}}));
}

TEST_F(CLockedFileTest, TheAdministratorLockHoldsWhileItsKeyCannotBeRead) {
    ASSERT_TRUE(GetDbAdmin().SetAdminPassword("chef"));
    {
        auto pHolder = HoldExclusive(1);
        RealPauses();
        EXPECT_TRUE(GetDbAdmin().ResetAdminState());
        EXPECT_FALSE(GetDbAdmin().IsUnlocked());
    }
    m_platform.SetSleepHook(nullptr);
    ASSERT_TRUE(GetDbAdmin().Login("chef"));
    auto pHolder = HoldExclusive(60);
    EXPECT_FALSE(GetDbAdmin().ResetAdminState());
    EXPECT_FALSE(GetDbAdmin().IsUnlocked());
    bool bSet = false;
    EXPECT_FALSE(GetDbAdmin().ReadAdminPasswordSet(bSet));
}

TEST_F(CLockedFileTest, WritesUnderALastingLockSayWhyAndChangeNothing) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X");
    std::int32_t T = Add(0, "T", true);
    const auto rowsBefore = Query("SELECT ID, MasterID, PosNr, Name, UpdateNr FROM KnowHow ORDER BY ID");
    std::unique_ptr<CChildProcess> pHolder = HoldExclusive(60);
    struct SCase {
        const char* pszName;
        std::function<bool()> fn;
    };
    // what the program says after a write that could not go through
    SWriteReport report;
    auto said = [&](EWriteResult e) {
        EXPECT_EQ(e, EWriteResult::Locked);
        SayWriteResult(e, report);
        return e == EWriteResult::Saved;
    };
    const std::vector<SCase> cases = {
        {"save",
         [&] {
             CKnowHowArray arr(1);
             arr[0].MasterID = F;
             arr[0].SetName("neu");
             return said(m_pTree->SaveItems(arr, &report));
         }},
        {"move", [&] { return said(m_pTree->MoveToFolder(X, T, &report)); }},
        {"delete", [&] { return said(m_pTree->DeleteItem(X, &report)); }},
        {"import",
         [&] {
             std::string strTemplate = m_dir.File("vorlage.txt");
             WriteFile(strTemplate, "+ Neu\n  - eins\n");
             std::string strFailure;
             m_pTree->ImportStructure(strTemplate, F, &strFailure);
             EXPECT_EQ(Cp1252ToUtf8(strFailure), kNotSaved);
             return strFailure.empty();
         }},
        {"protect",
         [&] {
             // free when the backup copy is made, locked when the encryption begins
             pHolder.reset();
             GetDatabase().SetStatementHook([&](const std::string& strSql) {
                 if (!pHolder && strSql == "VACUUM") pHolder = HoldExclusive(60);
             });
             bool bOk = ApplyDatabasePassword("neu");
             GetDatabase().SetStatementHook(nullptr);
             return bOk;
         }},
    };
    for (const auto& c : cases) {
        m_platform.Clear();
        EXPECT_FALSE(c.fn()) << c.pszName;
        EXPECT_TRUE(Shown(kLocked)) << c.pszName << ": " << ::testing::PrintToString(m_platform.MessageTexts());
        EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0) << c.pszName;
    }
    pHolder.reset();
    EXPECT_EQ(Query("SELECT ID, MasterID, PosNr, Name, UpdateNr FROM KnowHow ORDER BY ID"), rowsBefore);
    EXPECT_FALSE(GetDbPasswort().IsPasswordSet());
}
}  // namespace

TEST_F(CLockedFileTest, ReadsOfManyRowsAtOnceFailWhileAnotherUserHoldsTheFile) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X");
    Add(F, "Y");
    auto pHolder = HoldExclusive(60);
    std::vector<std::string> arrPaths{"alt"};
    EXPECT_FALSE(m_pTree->GetPaths({X, F}, arrPaths));
    // what could not be read is not exported, and said so
    const std::string strFile = m_dir.File("vorlage.txt");
    bool bWriteFailed = false;
    EXPECT_TRUE(m_pTree->ExportStructure(strFile, 0, &bWriteFailed));
    EXPECT_TRUE(bWriteFailed);
    EXPECT_FALSE(m_platform.FileExists(strFile));
    EXPECT_TRUE(Shown(kLocked));
    EXPECT_EQ(m_pTree->NextItem(X), -1);
    pHolder.reset();
    ASSERT_TRUE(m_pTree->GetPaths({X, F}, arrPaths));
    EXPECT_EQ(arrPaths, (std::vector<std::string>{"F\\X", "F"}));
}
