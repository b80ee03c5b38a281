// Reorganisation and the reorganise command.
#include <sqlite3.h>

#include <filesystem>

#include "DbMaintUtil.h"
#include "db/CDB.h"
#include "db/DbCommands.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
class CRecordingNotice : public IWaitNotice {
public:
    void Show(const std::string& strText) override { m_arrEvents.push_back("show:" + strText); }
    void Hide() override { m_arrEvents.push_back("hide"); }
    std::vector<std::string> m_arrEvents;
};

class CReorganizeTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
        m_strDb = CreateDatabase();
    }
    // Fills the file with rows and deletes them again, leaving free pages.
    void LeaveFreePages(int nRows) {
        CDB& db = GetDatabase();
        ASSERT_TRUE(db.Execute("CREATE TABLE Ballast ( Data VARCHAR(50) );"));
        ASSERT_TRUE(db.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                               std::to_string(nRows) + ") INSERT INTO Ballast SELECT printf('%.2000c', 'x') FROM n;"));
        ASSERT_TRUE(db.Execute("DROP TABLE Ballast;"));
    }
    std::string m_strDb;
};

TEST_F(CReorganizeTest, ReportsTheBytesSaved) {
    LeaveFreePages(400);
    CDB& db = GetDatabase();
    auto nBefore = static_cast<std::int64_t>(fs::file_size(m_strDb));
    std::int32_t nSaved = -1;
    EXPECT_TRUE(db.Reorganize(nSaved));
    auto nAfter = static_cast<std::int64_t>(fs::file_size(m_strDb));
    EXPECT_GT(nSaved, 400 * 2000);
    EXPECT_EQ(nSaved, nBefore - nAfter);
    EXPECT_EQ(m_platform.m_arrSleeps, std::vector<int>{1000});
    EXPECT_EQ(db.GetOption("LastReorg"), "2026.12.07-06:34");

    // nothing left to gain
    EXPECT_TRUE(db.Reorganize(nSaved));
    EXPECT_EQ(nSaved, 0);
}

TEST_F(CReorganizeTest, CommandAsksShowsTheNoticeAndReportsKilobytes) {
    CDB& db = GetDatabase();
    CRecordingNotice notice;
    EXPECT_FALSE(RunReorganize(&notice, true));  // the unanswered question is No
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.LastMessage(), "Dieser Vorgang kann einige Minuten dauern.\n\nJetzt reorganisieren ?");
    EXPECT_EQ(m_platform.m_arrMessages[0].strCaption, "Datenbank reorganisieren");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Question);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNo);
    EXPECT_TRUE(notice.m_arrEvents.empty());
    EXPECT_EQ(db.GetOption("LastReorg"), "");

    LeaveFreePages(300);
    auto nBefore = static_cast<std::int64_t>(fs::file_size(m_strDb));
    m_platform.Clear();
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(RunReorganize(&notice, true));
    auto nAfter = static_cast<std::int64_t>(fs::file_size(m_strDb));
    EXPECT_EQ(notice.m_arrEvents, (std::vector<std::string>{"show:Die Datenbank wird reorganisiert.", "hide"}));
    EXPECT_EQ(m_platform.m_arrSleeps, (std::vector<int>{1000, 1000}));
    ASSERT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Datenbankgröße wurde um " + std::to_string((nBefore - nAfter) / 1024) + " kb reduziert.");
    EXPECT_EQ(m_platform.m_arrMessages[1].strCaption, "Datenbank reorganisieren");
    EXPECT_EQ(m_platform.m_arrMessages[1].eIcon, EMsgIcon::Information);
    EXPECT_EQ(db.GetOption("LastReorg"), "2026.12.07-06:34");

    // without the question (command line) and nothing to gain: 0 kb
    m_platform.Clear();
    EXPECT_TRUE(RunReorganize(nullptr, false));
    EXPECT_EQ(m_platform.MessageTexts(), std::vector<std::string>{"Die Datenbankgröße wurde um 0 kb reduziert."});
}

TEST_F(CReorganizeTest, FailedVacuumIsReportedAsFailure) {
    // another user in the middle of a write keeps VACUUM from its lock
    CChildProcess writer({CliPath(), "hold", m_strDb, "--seconds", "60", "--transaction", "write"});
    ASSERT_TRUE(writer.WaitForOutput("bereit"));
    CRecordingNotice notice;
    EXPECT_FALSE(RunReorganize(&notice, false));
    writer.Kill();
    EXPECT_EQ(notice.m_arrEvents, (std::vector<std::string>{"show:Die Datenbank wird reorganisiert.", "hide"}));
    // why, then what did not happen
    EXPECT_EQ(m_platform.MessageTexts(),
              (std::vector<std::string>{
                  "Die Datenbank wird gerade von einem anderen Benutzer verwendet. Bitte später erneut versuchen.",
                  "Die Datenbank konnte nicht reorganisiert werden."}));
    for (const auto& msg : m_platform.m_arrMessages) EXPECT_EQ(msg.eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(GetDatabase().GetLastErrorCode(), SQLITE_BUSY);
}
}  // namespace
