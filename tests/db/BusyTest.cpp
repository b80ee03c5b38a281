// The busy retry against a real second process that holds the file locked.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "db/CDB.h"
#include "support/TestSupport.h"

namespace {
const char* const kInsert = "INSERT INTO Option ( Key, Value ) VALUES ( 'Probe', 'x' );";

class CBusyTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strPath = CreateDatabase();
    }
    std::unique_ptr<CChildProcess> Hold(const char* pszSeconds, const char* pszMode) {
        auto pChild = std::make_unique<CChildProcess>(
            std::vector<std::string>{CliPath(), "hold", m_strPath, "--seconds", pszSeconds, "--transaction", pszMode});
        EXPECT_TRUE(pChild->WaitForOutput("bereit"));
        return pChild;
    }
    int CountSent(const std::string& strSql) const {
        return static_cast<int>(std::count(m_arrSql.begin(), m_arrSql.end(), strSql));
    }
    std::string m_strPath;
};
}  // namespace

TEST_F(CBusyTest, StatementThatStaysLockedGivesUpAfterTheWholeWait) {
    auto pChild = Hold("60", "exclusive");
    m_platform.SetSleepHook([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
    RecordSql(true);
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.Execute(kInsert));
    EXPECT_EQ(CountSent(kInsert), static_cast<int>(FullBusyWait().size()) + 1);
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_BUSY);
    EXPECT_EQ(db.GetLastErrorText(), "database is locked");
    EXPECT_EQ(db.GetLastStatementError(), "database is locked");
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    pChild->Kill();
    EXPECT_EQ(db.GetOption("Probe"), "");
}

TEST_F(CBusyTest, StatementGoesThroughOnceTheOtherCommits) {
    auto pChild = Hold("1", "exclusive");
    CChildProcess* p = pChild.get();
    // on the second pause let the holder finish its transaction
    m_platform.SetSleepHook([&](int) {
        if (m_platform.m_arrSleeps.size() == 2) {
            EXPECT_TRUE(p->WaitForOutput("fertig"));
        }
    });
    RecordSql(true);
    CDB& db = GetDatabase();
    EXPECT_TRUE(db.Execute(kInsert));
    EXPECT_EQ(CountSent(kInsert), 3);
    EXPECT_EQ(m_platform.m_arrSleeps, (std::vector<int>{1, 2}));  // a short lock costs milliseconds
    EXPECT_EQ(pChild->Wait(), 0);
    EXPECT_EQ(db.GetOption("Probe"), "x");
}

TEST_F(CBusyTest, ReadsWaitLikeWritesAndAFailedReadIsNoValue) {
    auto pChild = Hold("60", "exclusive");
    m_platform.SetSleepHook([](int) {});
    CDB& db = GetDatabase();
    EXPECT_EQ(db.Count("Option"), -1);
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_BUSY);
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    EXPECT_TRUE(db.WasLockedOut());
    // the reads that decide tell a failure from "not set" and "no table"
    std::string strValue = "x";
    EXPECT_FALSE(db.ReadOption("DbVersion", strValue));
    EXPECT_EQ(strValue, "");
    bool bExists = true;
    EXPECT_FALSE(db.ReadTableExists("Option", bExists));
    std::string strVersion;
    EXPECT_FALSE(db.ReadDbVersion(strVersion));
    pChild->Kill();
    EXPECT_TRUE(db.ReadOption("DbVersion", strValue));
    EXPECT_EQ(strValue, "1.200");
    EXPECT_TRUE(db.ReadOption("Fehlt", strValue));
    EXPECT_EQ(strValue, "");
}

TEST_F(CBusyTest, AReadGoesThroughOnceTheOtherCommits) {
    auto pChild = Hold("1", "exclusive");
    CChildProcess* p = pChild.get();
    m_platform.SetSleepHook([&](int) {
        if (m_platform.m_arrSleeps.size() == 2) {
            EXPECT_TRUE(p->WaitForOutput("fertig"));
        }
    });
    EXPECT_EQ(GetDatabase().GetOption("DbVersion"), "1.200");
    EXPECT_EQ(m_platform.m_arrSleeps.size(), 2u);
    EXPECT_FALSE(GetDatabase().WasLockedOut());
    EXPECT_EQ(pChild->Wait(), 0);
}

TEST_F(CBusyTest, WriterHoldingItsLockLetsReadersThroughButNotWriters) {
    auto pChild = Hold("60", "write");
    m_platform.SetSleepHook([](int) {});
    CDB& db = GetDatabase();
    EXPECT_EQ(db.GetOption("DbVersion"), "1.200");
    EXPECT_EQ(db.Count("Option"), 7);
    EXPECT_FALSE(db.SetOption("Probe", "x"));
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_BUSY);
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    pChild->Kill();
    EXPECT_TRUE(db.SetOption("Probe", "x"));
}

TEST_F(CBusyTest, BeginExclusiveWaitsLikeAnyStatement) {
    auto pChild = Hold("60", "write");
    m_platform.SetSleepHook([](int) {});
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.BeginExclusiveTransaction());
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    EXPECT_EQ(db.GetTransactionDepth(), 1);
    EXPECT_FALSE(db.RollbackTransaction());  // nothing was begun
    EXPECT_EQ(db.GetTransactionDepth(), 0);
}
