// Two real processes on one file: the update counter, the busy retry, and a
// commit that another user's reading keeps from going through.
#include <chrono>
#include <thread>

#include "TreeFixture.h"

namespace {

class CMultiUserTest : public CTreeTest {};

TEST_F(CMultiUserTest, AStaleRowRefusesTheWholeBatch) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X", false, "alt");
    CKnowHowArray arr;
    m_pTree->GetChildren(arr, F);
    ASSERT_EQ(arr.size(), 1u);

    SProcessResult other = RunCli({"set", m_strDb, std::to_string(X), "--text", "vom anderen"});
    ASSERT_EQ(other.nExit, 0) << other.strErr;

    // a new entry first, then the changed one that the other process wrote meanwhile
    CKnowHowItem fresh;
    fresh.MasterID = F;
    fresh.SetPosNr(2);
    fresh.SetName("neu");
    arr.insert(arr.begin(), fresh);
    arr[1].SetText("meins");
    SWriteReport report;
    EXPECT_EQ(m_pTree->SaveItems(arr, &report), EWriteResult::Conflict);
    EXPECT_EQ(report.nIndex, 1);
    EXPECT_EQ(report.stored.Text, "vom anderen");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    // the batch is as it was: the new row has no ID, the typing stands
    EXPECT_EQ(arr[0].ID, 0);
    EXPECT_EQ(arr[1].Text, "meins");
    EXPECT_EQ(Shape(F), "X");
    EXPECT_EQ(Query("SELECT Text, UpdateNr FROM KnowHow WHERE ID=" + std::to_string(X)),
              (std::vector<std::vector<std::string>>{{"vom anderen", "1"}}));
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
}

TEST_F(CMultiUserTest, AWriterWaitsForAnotherProcessesTransaction) {
    std::int32_t F = Add(0, "F", true);
    CChildProcess hold({CliPath(), "hold", m_strDb, "--seconds", "2", "--transaction", "exclusive"});
    ASSERT_TRUE(hold.WaitForOutput("bereit"));
    m_platform.SetSleepHook([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });

    CKnowHowArray arr(1);
    arr[0].MasterID = F;
    arr[0].SetPosNr(1);
    arr[0].SetName("wartet");
    EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    EXPECT_FALSE(m_platform.m_arrSleeps.empty());
    for (int n : m_platform.m_arrSleeps) EXPECT_LE(n, DB_BUSY_STEP_MAX_MS);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(hold.Wait(), 0);
    EXPECT_EQ(Shape(F), "wartet");
}

TEST_F(CMultiUserTest, ACommitThatCannotGoThroughIsReportedAndRolledBack) {
    std::int32_t F = Add(0, "F", true);
    // another process in the middle of reading keeps the file from being written
    CChildProcess reader({"/bin/sh", "-c",
                          "{ echo 'BEGIN;'; echo 'SELECT count(*) FROM KnowHow;'; echo '.system echo bereit'; "
                          "sleep 3; echo 'COMMIT;'; } | sqlite3 '" +
                              m_strDb + "'"});
    ASSERT_TRUE(reader.WaitForOutput("bereit", 20000));

    CKnowHowArray arr(1);
    arr[0].MasterID = F;
    arr[0].SetPosNr(1);
    arr[0].SetName("verloren?");
    SWriteReport report;
    const EWriteResult e = m_pTree->SaveItems(arr, &report);
    EXPECT_EQ(e, EWriteResult::Locked);
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    SayWriteResult(e, report);
    EXPECT_EQ(m_platform.MessageTexts(),
              (std::vector<std::string>{
                  "Die Datenbank wird gerade von einem anderen Benutzer verwendet. Bitte später erneut versuchen.",
                  "Die Eingaben konnten nicht gespeichert werden !"}));
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
    reader.Wait();

    EXPECT_EQ(Shape(F), "");
    // the session is usable again
    arr[0] = CKnowHowItem();
    arr[0].MasterID = F;
    arr[0].SetPosNr(1);
    arr[0].SetName("danach");
    EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    EXPECT_EQ(Shape(F), "danach");
}

}  // namespace
