// Nested transactions: one depth counter for plain and exclusive levels.
#include <gtest/gtest.h>

#include "db/CDB.h"
#include "support/TestSupport.h"

namespace {
class CTransactionTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strPath = CreateDatabase();
        RecordSql(true);
    }
    std::string m_strPath;
};
}  // namespace

TEST_F(CTransactionTest, NestedLevelsSendOneBeginAndOneCommit) {
    CDB& db = GetDatabase();
    EXPECT_TRUE(db.BeginTransaction());
    EXPECT_TRUE(db.BeginTransaction());
    EXPECT_EQ(db.GetTransactionDepth(), 2);
    EXPECT_EQ(m_arrSql, std::vector<std::string>{"BEGIN TRANSACTION;"});
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_EQ(m_arrSql.size(), 1u);
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{"BEGIN TRANSACTION;", "COMMIT TRANSACTION;"}));
    EXPECT_EQ(db.GetTransactionDepth(), 0);
}

TEST_F(CTransactionTest, CommitAtDepthZeroSendsNothing) {
    CDB& db = GetDatabase();
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_TRUE(m_arrSql.empty());
    EXPECT_EQ(db.GetTransactionDepth(), 0);
}

TEST_F(CTransactionTest, RollbackAtDepthZeroIsSentAndRejected) {
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.RollbackTransaction());
    EXPECT_EQ(m_arrSql, std::vector<std::string>{"ROLLBACK TRANSACTION;"});
    EXPECT_EQ(db.GetLastErrorText(), "cannot rollback - no transaction is active");
    EXPECT_EQ(db.GetTransactionDepth(), 0);
}

TEST_F(CTransactionTest, ExclusiveInsidePlainOnlyCounts) {
    CDB& db = GetDatabase();
    EXPECT_TRUE(db.BeginTransaction());
    EXPECT_TRUE(db.BeginExclusiveTransaction());
    EXPECT_EQ(m_arrSql, std::vector<std::string>{"BEGIN TRANSACTION;"});
    EXPECT_EQ(db.GetTransactionDepth(), 2);
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_EQ(m_arrSql.back(), "COMMIT TRANSACTION;");
}

TEST_F(CTransactionTest, ExclusiveAtTheOuterLevel) {
    CDB& db = GetDatabase();
    EXPECT_TRUE(db.BeginExclusiveTransaction());
    EXPECT_TRUE(db.BeginTransaction());
    EXPECT_EQ(m_arrSql, std::vector<std::string>{"BEGIN EXCLUSIVE TRANSACTION;"});
    // while it lasts, nobody else can even read the file
    auto rows = RawQuery(m_strPath, "SELECT count(*) FROM Option");
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_TRUE(db.CommitTransaction());
    rows = RawQuery(m_strPath, "SELECT count(*) FROM Option");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "7");
}

TEST_F(CTransactionTest, RollbackUndoesEveryLevel) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.SetOption("A", "1"));
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.SetOption("B", "2"));
    EXPECT_TRUE(db.RollbackTransaction());
    EXPECT_EQ(m_arrSql.back(), "ROLLBACK TRANSACTION;");
    EXPECT_EQ(db.GetTransactionDepth(), 0);
    EXPECT_EQ(db.GetOption("A"), "");
    EXPECT_EQ(db.GetOption("B"), "");
    // an outer commit after it has nothing left to do
    EXPECT_TRUE(db.CommitTransaction());
    EXPECT_EQ(m_arrSql.back(), "SELECT count(*) FROM Option WHERE Key='B'");
}

TEST_F(CTransactionTest, FailedBeginKeepsTheDepthUntilRollback) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.Execute("BEGIN TRANSACTION;"));  // behind the counter's back
    EXPECT_FALSE(db.BeginTransaction());
    EXPECT_EQ(db.GetTransactionDepth(), 1);
    EXPECT_EQ(db.GetLastErrorText(), "cannot start a transaction within a transaction");
    EXPECT_TRUE(db.RollbackTransaction());
    EXPECT_EQ(db.GetTransactionDepth(), 0);

    ASSERT_TRUE(db.Close());
    EXPECT_FALSE(db.BeginExclusiveTransaction());  // closed: the BEGIN fails
    EXPECT_EQ(db.GetTransactionDepth(), 1);
    EXPECT_FALSE(db.RollbackTransaction());
    EXPECT_EQ(db.GetTransactionDepth(), 0);
}

TEST_F(CTransactionTest, CommittedChangesAreVisibleToOthers) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.SetOption("A", "1"));
    ASSERT_TRUE(db.CommitTransaction());
    // the inner commit ends nothing: another reader sees the old state
    EXPECT_TRUE(RawQuery(m_strPath, "SELECT Value FROM Option WHERE Key='A'").empty());
    ASSERT_TRUE(db.CommitTransaction());
    auto rows = RawQuery(m_strPath, "SELECT Value FROM Option WHERE Key='A'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
}
