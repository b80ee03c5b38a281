// The rows of a shown folder against a second process on the same file.
#include "TreeFixture.h"
#include "tree/CFolderRows.h"

namespace {

class CFolderRowsTest : public CTreeTest {
protected:
    CFolderRows m_rows{[this] { return m_pTree.get(); }};
};

// Another user deletes the newest entry of the folder shown and adds one in
// another folder, which takes the ID again, then changes that one's text.
// The row still shown is of an entry that is gone: its write must not land
// on the other folder's entry, whatever the user answers.
TEST_F(CFolderRowsTest, ARowWhoseIdWentToAnEntryInAnotherFolderIsDeleted) {
    std::int32_t A = Add(0, "A", true), B = Add(0, "B", true);
    std::int32_t X = Add(A, "X", false, "alt");
    ASSERT_EQ(m_rows.Load(A), EWriteResult::Saved);
    ASSERT_EQ(m_rows.IndexOf(X), 0);

    ASSERT_EQ(RunCli({"delete", m_strDb, std::to_string(X), "--yes"}).nExit, 0);
    SProcessResult add = RunCli({"add", m_strDb, "--parent", std::to_string(B), "--name", "Y", "--text", "neu"});
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
        std::int32_t nNew = 0;
        EXPECT_EQ(m_rows.SaveAsNew(0, report.stored, A, nullptr, &nNew), EWriteResult::Saved);
        EXPECT_EQ(Query("SELECT MasterID, Name, Text FROM KnowHow WHERE ID=" + std::to_string(nNew)),
                  (std::vector<std::vector<std::string>>{{std::to_string(A), "X", "meins"}}));
    }
    EXPECT_EQ(Query("SELECT MasterID, Name, Text FROM KnowHow WHERE ID=" + std::to_string(X)),
              (std::vector<std::vector<std::string>>{{std::to_string(B), "Y", "von B"}}));
}
}  // namespace
