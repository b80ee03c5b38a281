// The rows of a shown folder against another user working on the same file
// with orvantis-cli.
#include "TreeFixture.h"
#include "tree/CFolderRows.h"

namespace {
class CFolderRowsTest : public CTreeTest {
protected:
    void SetUp() override {
        CTreeTest::SetUp();
        F = Add(0, "F", true);
        A = Add(F, "a");
        B = Add(F, "b");
    }
    void Colleague(std::vector<std::string> arr) {
        arr.insert(arr.begin() + 1, m_strDb);
        ASSERT_EQ(RunCli(arr).nExit, 0) << arr[0];
    }
    CFolderRows m_rows{[this] { return m_pTree.get(); }};
    std::int32_t F = 0, A = 0, B = 0;
};
}  // namespace

TEST_F(CFolderRowsTest, MovingARowNextToAnEntryWhoseIdWasGivenAnewChangesNothing) {
    ASSERT_EQ(m_rows.Load(F), EWriteResult::Saved);
    // b is deleted and its ID given to a new entry of the same folder
    Colleague({"delete", std::to_string(B), "--yes"});
    Colleague({"add", "--parent", std::to_string(F), "--name", "neu"});
    ASSERT_EQ(Query("SELECT ID FROM KnowHow WHERE Name='neu'")[0][0], std::to_string(B));
    EXPECT_EQ(m_rows.Exchange(0, 1), EWriteResult::Deleted);
    EXPECT_EQ(Shape(F), "a neu");
}

TEST_F(CFolderRowsTest, TypingOfAnEntryThatMovedUpMeanwhileStaysThroughAReloadAndIsWrittenThere) {
    ASSERT_EQ(m_rows.Load(F), EWriteResult::Saved);
    m_rows.Rows()[1].SetText("meins");
    Colleague({"delete", std::to_string(A), "--yes"});
    ASSERT_EQ(m_rows.Reload(), EWriteResult::Saved);
    ASSERT_EQ(m_rows.Count(), 2);  // b and the empty row
    EXPECT_EQ(m_rows.Rows()[0].ID, B);
    EXPECT_EQ(m_rows.Rows()[0].Text, "meins");
    EXPECT_TRUE(m_rows.HasUnsaved());
    EXPECT_EQ(m_rows.Save(), EWriteResult::Saved);
    EXPECT_EQ(Query("SELECT Text, PosNr FROM KnowHow WHERE ID=" + std::to_string(B)),
              (std::vector<std::vector<std::string>>{{"meins", "1"}}));
    EXPECT_FALSE(m_rows.HasUnsaved());
}

// Another user deletes the newest entry of the folder shown and adds one in
// another folder, which takes the ID again, then changes that one's text.
// The row still shown is of an entry that is gone: its write must not land
// on the other folder's entry, whatever the user answers.
TEST_F(CFolderRowsTest, ARowWhoseIdWentToAnEntryInAnotherFolderIsDeleted) {
    const std::int32_t FA = Add(0, "A", true), FB = Add(0, "B", true);
    const std::int32_t X = Add(FA, "X", false, "alt");
    ASSERT_EQ(m_rows.Load(FA), EWriteResult::Saved);
    ASSERT_EQ(m_rows.IndexOf(X), 0);

    ASSERT_EQ(RunCli({"delete", m_strDb, std::to_string(X), "--yes"}).nExit, 0);
    SProcessResult add = RunCli({"add", m_strDb, "--parent", std::to_string(FB), "--name", "Y", "--text", "neu"});
    ASSERT_EQ(add.nExit, 0) << add.strErr;
    ASSERT_EQ(std::stoi(add.strOut), X);  // the ID is used again
    ASSERT_EQ(RunCli({"set", m_strDb, std::to_string(X), "--text", "von B"}).nExit, 0);

    m_rows.Rows()[0].SetText("meins");
    SWriteReport report;
    const EWriteResult eResult = m_rows.Save(&report);
    EXPECT_EQ(eResult, EWriteResult::Deleted);
    // as a conflict, "keep mine" would write the typing into Y
    if (eResult == EWriteResult::Conflict) {
        m_rows.KeepMine(0, report.stored);
        (void)m_rows.Save(&report);
    }
    // saved as new, it becomes an entry of A; Y keeps its text
    if (eResult == EWriteResult::Deleted) {
        TRowId nNew = 0;
        EXPECT_EQ(m_rows.SaveAsNew(0, report.stored, FA, nullptr, &nNew), EWriteResult::Saved);
        EXPECT_EQ(Query("SELECT MasterID, Name, Text FROM KnowHow WHERE ID=" + std::to_string(nNew)),
                  (std::vector<std::vector<std::string>>{{std::to_string(FA), "X", "meins"}}));
    }
    EXPECT_EQ(Query("SELECT MasterID, Name, Text FROM KnowHow WHERE ID=" + std::to_string(X)),
              (std::vector<std::vector<std::string>>{{std::to_string(FB), "Y", "von B"}}));
}
