// Taking back the service's last structural changes on a real file: the
// window's own edits since do not block it, another process's changes do,
// and a refused step leaves the file exactly as it was.
#include "TreeFixture.h"
#include "tree/CKnowHowTrash.h"

namespace {
class CUndoTest : public CTreeTest {
protected:
    // Another user: the command-line program on the same file.
    void Cli(const std::vector<std::string>& arrArgs) {
        std::vector<std::string> arr = arrArgs;
        arr.insert(arr.begin() + 1, m_strDb);
        auto r = RunCli(arr);
        ASSERT_EQ(r.nExit, 0) << r.strErr;
    }
    EWriteResult Undo() { return m_pTree->History().UndoLast(*m_pTree); }
};
}  // namespace

TEST_F(CUndoTest, OwnTypingSinceDoesNotBlockAndIsKept) {
    const auto nA = Add(0, "A", true), nB = Add(0, "B", true);
    Add(nA, "a1");
    const auto nA2 = Add(nA, "a2", false, "alt");
    Add(nA, "a3");
    ASSERT_EQ(m_pTree->MoveToFolder(nA2, nB), EWriteResult::Saved);
    // typed into it afterwards in this window
    CKnowHowItem item;
    ASSERT_EQ(m_pTree->GetItem(item, nA2), 1);
    CKnowHowArray arr{item};
    arr[0].SetText("neu");
    ASSERT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    ASSERT_EQ(Undo(), EWriteResult::Saved);
    EXPECT_EQ(Shape(0), "A{a1 a2 a3} B{}");
    ASSERT_EQ(m_pTree->GetItem(item, nA2), 1);
    EXPECT_EQ(item.Text, "neu");
    EXPECT_EQ(PositionFaults(), "");
    EXPECT_TRUE(m_pTree->History().IsEmpty());
}

TEST_F(CUndoTest, AnotherProcessesChangeRefusesAndChangesNothing) {
    const auto nP = Add(0, "P", true), nQ = Add(0, "Q", true);
    const auto nA = Add(nP, "A", true);
    const auto nA1 = Add(nA, "a1");
    // A into Q, then P moved below A by another user: moving A back into P
    // would hang P below itself
    ASSERT_EQ(m_pTree->MoveToFolder(nA, nQ), EWriteResult::Saved);
    Cli({"move", std::to_string(nP), std::to_string(nA)});
    const std::string strAfter = Shape(0);
    ASSERT_EQ(strAfter, "Q{A{a1 P{}}}");
    EXPECT_EQ(Undo(), EWriteResult::Conflict);
    EXPECT_EQ(Shape(0), strAfter);

    // deleted here, its folder deleted there: refused, it stays in the trash
    ASSERT_EQ(m_pTree->DeleteItem(nA1), EWriteResult::Saved);
    Cli({"delete", std::to_string(nA), "--yes"});
    EXPECT_EQ(Undo(), EWriteResult::ParentGone);
    EXPECT_EQ(Shape(0), "Q{}");
    std::vector<STrashItem> arrTrash;
    ASSERT_EQ(CKnowHowTrash(*m_pTree).List(arrTrash), 2);
    EXPECT_EQ(arrTrash[0].nId, nA1);
    EXPECT_EQ(PositionFaults(), "");
}
