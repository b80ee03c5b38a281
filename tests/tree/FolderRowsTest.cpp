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
