// orvantis-cli while another program holds the file locked: it waits, and
// a lock that outlasts the wait is said as such with its own exit status.
#include <gtest/gtest.h>

#include <future>

#include "support/TestSupport.h"

namespace {
const char* const kLocked =
    "Die Datenbank wird gerade von einem anderen Benutzer verwendet. Bitte später erneut versuchen.";

class CCliLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.File("x.tov");
        ASSERT_EQ(RunCli({"create", m_strDb}).nExit, 0);
    }
    CTempDir m_dir;
    std::string m_strDb;
};
}  // namespace

TEST_F(CCliLockTest, CommandsWaitForAShortLockInsteadOfFailing) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"add", m_strDb, "--parent", "0", "--name", "A", "--folder"},
          std::vector<std::string>{"backup", m_strDb}, std::vector<std::string>{"tree", m_strDb}}) {
        auto pHolder = HoldExclusive(m_strDb, 2);
        SProcessResult r = RunCli(args);
        EXPECT_EQ(r.nExit, 0) << args[0] << ": " << r.strErr;
    }
    EXPECT_EQ(RawQuery(m_strDb, "SELECT Name, PosNr FROM KnowHow"), (CRawRows{{"A", "1"}}));
}

TEST_F(CCliLockTest, ALockThatOutlastsTheWaitExitsThreeWithTheReason) {
    ASSERT_EQ(RunCli({"admin", m_strDb, "--set", "chef"}).nExit, 0);
    auto pHolder = HoldExclusive(m_strDb, 60);
    // both wait out the retry side by side
    auto add = std::async(std::launch::async, [&] { return RunCli({"add", m_strDb, "--parent", "0", "--name", "A"}); });
    auto reorg = std::async(std::launch::async, [&] { return RunCli({"reorganize", m_strDb}); });
    for (SProcessResult r : {add.get(), reorg.get()}) {
        EXPECT_EQ(r.nExit, 3) << r.strErr;
        EXPECT_NE(r.strErr.find(kLocked), std::string::npos) << r.strErr;
        EXPECT_EQ(r.strErr.find("keine lesbare Datenbank"), std::string::npos) << r.strErr;
        EXPECT_EQ(r.strErr.find("existiert nicht"), std::string::npos) << r.strErr;
    }
}

TEST_F(CCliLockTest, PasswordsLongerThanTheDialogsTakeAreRefused) {
    const std::string strPassword(32, 'k');
    ASSERT_EQ(RunCli({"add", m_strDb, "--parent", "0", "--name", "Geheim", "--folder"}).nExit, 0);
    ASSERT_EQ(RunCli({"protect", m_strDb, "--new", strPassword}).nExit, 0);
    ASSERT_EQ(RunCli({"admin", m_strDb, "--password", strPassword, "--set", strPassword}).nExit, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"tree", m_strDb, "--password", strPassword + "x"},
          std::vector<std::string>{"reorganize", m_strDb, "--password", strPassword, "--admin", strPassword + "x"}}) {
        SProcessResult r = RunCli(args);
        EXPECT_EQ(r.nExit, 1) << args[0];
        EXPECT_NE(r.strErr.find("Das Kennwort darf höchstens 32 Zeichen lang sein !"), std::string::npos) << r.strErr;
    }
    SProcessResult r = RunCli({"tree", m_strDb, "--password", strPassword});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strOut.find("Geheim"), std::string::npos);
}
