// The in-use test that guards copying and upgrading the file: a real second
// process holds the database open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "db/CDB.h"
#include "support/TestSupport.h"

namespace {
class InUse : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strPath = CreateDatabase();
        GetDatabase().Close();
    }
    // orvantis-cli keeps the file open until it is told to stop
    std::unique_ptr<CChildProcess> Hold(const char* pszSeconds = "60") {
        auto pChild = std::make_unique<CChildProcess>(
            std::vector<std::string>{CliPath(), "hold", m_strPath, "--seconds", pszSeconds});
        EXPECT_TRUE(pChild->WaitForOutput("bereit"));
        return pChild;
    }
    std::string m_strPath;
};
}  // namespace

TEST_F(InUse, OtherProcessHoldingTheFileMakesItBusyUntilItExits) {
    ASSERT_TRUE(m_platform.IsFileFree(m_strPath));
    auto pChild = Hold("0.5");
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    // the session asks about its stored path while closed
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_FALSE(GetDatabase().IsFileFree());
    EXPECT_EQ(pChild->Wait(), 0);
    EXPECT_TRUE(m_platform.IsFileFree(m_strPath));
    EXPECT_TRUE(GetDatabase().IsFileFree());
}

TEST_F(InUse, KilledHolderLeavesTheFileFree) {
    auto pChild = Hold();
    ASSERT_FALSE(m_platform.IsFileFree(m_strPath));
    pChild->Kill();
    EXPECT_TRUE(m_platform.IsFileFree(m_strPath));
}

TEST_F(InUse, HolderInsideAnExclusiveTransactionCountsToo) {
    CChildProcess child({CliPath(), "hold", m_strPath, "--seconds", "60", "--transaction", "exclusive"});
    ASSERT_TRUE(child.WaitForOutput("bereit"));
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    child.Kill();
    EXPECT_TRUE(m_platform.IsFileFree(m_strPath));
}

TEST_F(InUse, OwnSessionCountsWhileOpenAndNotAfterClose) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.Open(m_strPath));
    EXPECT_FALSE(db.IsFileFree());
    // let the engine take and drop its own locks before closing
    EXPECT_TRUE(db.Execute("BEGIN EXCLUSIVE TRANSACTION;"));
    EXPECT_TRUE(db.Execute("INSERT INTO Option ( Key, Value ) VALUES ( 'x', 'y' );"));
    EXPECT_TRUE(db.Execute("COMMIT TRANSACTION;"));
    ASSERT_TRUE(db.Close());
    EXPECT_TRUE(db.IsFileFree());
    // and reopening after the test works as before
    ASSERT_TRUE(db.Open(m_strPath));
    EXPECT_EQ(db.GetOption("x"), "y");
}

TEST_F(InUse, TestingDoesNotDisturbTheHolder) {
    // the holder's write transaction must still commit after our probe
    CChildProcess child({CliPath(), "hold", m_strPath, "--seconds", "0.5", "--transaction", "write"});
    ASSERT_TRUE(child.WaitForOutput("bereit"));
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    EXPECT_TRUE(child.WaitForOutput("fertig"));
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(InUse, MissingFileIsNotFree) {
    EXPECT_FALSE(m_platform.IsFileFree(m_dir.File("missing.tov")));
    EXPECT_EQ(m_platform.HoldFileOpen(m_dir.File("missing.tov")), -1);
}

TEST_F(InUse, ReadOnlyFileCanBeHeldAndTested) {
    OpenForOthers(m_dir.Path());
    ASSERT_EQ(::chmod(m_strPath.c_str(), 0444), 0);
    std::string strPath = m_strPath;
    // unprivileged, so the file really is read-only: the test then can only ask
    std::string strReport = RunUnprivileged([strPath] {
        CScriptedPlatform platform;
        std::string str = platform.IsFileFree(strPath) ? "free" : "busy";
        int h = platform.HoldFileOpen(strPath);
        str += h >= 0 ? " held" : " not-held";
        str += platform.IsFileFree(strPath) ? " free" : " busy";
        platform.ReleaseFileOpen(h);
        str += platform.IsFileFree(strPath) ? " free" : " busy";
        return str;
    });
    EXPECT_EQ(strReport, "free held busy free");

    auto pChild = Hold();
    strReport = RunUnprivileged([strPath] { return CScriptedPlatform().IsFileFree(strPath) ? "free" : "busy"; });
    EXPECT_EQ(strReport, "busy");
    pChild->Kill();
    strReport = RunUnprivileged([strPath] { return CScriptedPlatform().IsFileFree(strPath) ? "free" : "busy"; });
    EXPECT_EQ(strReport, "free");
}
