// The in-use test that guards copying and upgrading the file: a real second
// process holds the database open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "db/CDB.h"
#include "support/TestSupport.h"

namespace {
class CInUseTest : public CCoreTest {
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

TEST_F(CInUseTest, OtherProcessHoldingTheFileMakesItBusyUntilItExits) {
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

TEST_F(CInUseTest, KilledHolderLeavesTheFileFree) {
    auto pChild = Hold();
    ASSERT_FALSE(m_platform.IsFileFree(m_strPath));
    pChild->Kill();
    EXPECT_TRUE(m_platform.IsFileFree(m_strPath));
}

TEST_F(CInUseTest, HolderInsideAnExclusiveTransactionCountsToo) {
    CChildProcess child({CliPath(), "hold", m_strPath, "--seconds", "60", "--transaction", "exclusive"});
    ASSERT_TRUE(child.WaitForOutput("bereit"));
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    child.Kill();
    EXPECT_TRUE(m_platform.IsFileFree(m_strPath));
}

TEST_F(CInUseTest, OwnSessionCountsWhileOpenAndNotAfterClose) {
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

TEST_F(CInUseTest, TestingDoesNotDisturbTheHolder) {
    // the holder's write transaction must still commit after our probe
    CChildProcess child({CliPath(), "hold", m_strPath, "--seconds", "0.5", "--transaction", "write"});
    ASSERT_TRUE(child.WaitForOutput("bereit"));
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    EXPECT_TRUE(child.WaitForOutput("fertig"));
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(CInUseTest, MissingFileIsNotFree) {
    EXPECT_FALSE(m_platform.IsFileFree(m_dir.File("missing.tov")));
    EXPECT_EQ(m_platform.HoldFileOpen(m_dir.File("missing.tov")), -1);
}

TEST_F(CInUseTest, ReadOnlyFileCanBeHeldAndTested) {
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

TEST_F(CInUseTest, ForeignProgramInsideATransactionCountsAsInUse) {
    // another program on the file, without our marker, in the middle of a write
    int fdReady[2], fdGo[2];
    ASSERT_EQ(::pipe(fdReady), 0);
    ASSERT_EQ(::pipe(fdGo), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fdReady[0]);
        ::close(fdGo[1]);
        sqlite3* pDb = nullptr;
        int rc = sqlite3_open(m_strPath.c_str(), &pDb);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(pDb, "BEGIN IMMEDIATE; INSERT INTO Option VALUES ( 'x', 'y' );", nullptr, nullptr,
                              nullptr);
        char c = rc == SQLITE_OK ? 'r' : 'f';
        (void)!::write(fdReady[1], &c, 1);
        (void)!::read(fdGo[0], &c, 1);  // until the test lets go
        ::_exit(0);
    }
    ::close(fdReady[1]);
    ::close(fdGo[0]);
    char c = 0;
    ASSERT_EQ(::read(fdReady[0], &c, 1), 1);
    EXPECT_EQ(c, 'r');
    EXPECT_FALSE(m_platform.IsFileFree(m_strPath));
    ::close(fdGo[1]);
    ::waitpid(pid, nullptr, 0);
    ::close(fdReady[0]);
    EXPECT_TRUE(m_platform.IsFileFree(m_strPath));
}

TEST_F(CInUseTest, OpeningWhileAnotherProcessProbesStillMarksTheFile) {
    // the probe holds the marker byte for a moment; an open at that moment
    // must wait for it instead of going without
    std::string strPath = m_strPath;
    int fdProbe = ::open(strPath.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fdProbe, 0);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0x40000000 + 0x400;
    fl.l_len = 1;
    ASSERT_EQ(::fcntl(fdProbe, F_OFD_SETLK, &fl), 0);
    std::thread release([fdProbe] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ::close(fdProbe);
    });
    int h = m_platform.HoldFileOpen(strPath);
    release.join();
    EXPECT_GE(h, 0);
    EXPECT_FALSE(m_platform.IsFileFree(strPath));
    m_platform.ReleaseFileOpen(h);
    EXPECT_TRUE(m_platform.IsFileFree(strPath));
}
