// Backup copies, pruning, the daily backup and the in-use test.
#include <sys/stat.h>

#include <filesystem>

#include "DbMaintUtil.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
class CBackupTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
        m_strDb = CreateDatabase();
    }
    void Touch(const std::string& strName) { WriteFile(m_dir.File(strName), "x"); }
    std::string m_strDb;
};

// A platform whose copies fail (a full disk, a folder without rights).
class CCopyFailsPlatform : public CScriptedPlatform {
public:
    bool CopyFileNoOverwrite(const std::string&, const std::string&) override { return false; }
};

TEST_F(CBackupTest, CopyIsNamedByMinuteAndStamped) {
    CDB& db = GetDatabase();
    EXPECT_EQ(db.GetBackupFolder(), m_dir.Path());
    std::string strCopy;
    EXPECT_TRUE(db.MakeBackup(&strCopy));
    EXPECT_EQ(strCopy, m_dir.File("wissen.tov.20261207_0634"));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GetFilePath(), m_strDb);
    EXPECT_EQ(db.GetOption("LastBackup"), "2026.12.07-06:34");
    EXPECT_EQ(RawColumn(strCopy, "SELECT Value FROM Option WHERE Key='DbVersion'"), std::vector<std::string>{"1.200"});
    EXPECT_TRUE(m_platform.m_arrMessages.empty());

    // within the same minute: no second copy, but the stamp is written again
    ASSERT_TRUE(db.SetOption("LastBackup", ""));
    m_platform.SetLocalTime(2026, 12, 7, 6, 34, 50);
    EXPECT_TRUE(db.MakeBackup(&strCopy));
    EXPECT_EQ(strCopy, m_dir.File("wissen.tov.20261207_0634"));
    EXPECT_EQ(db.GetOption("LastBackup"), "2026.12.07-06:34");
    EXPECT_EQ(FolderNames(m_dir.Path()), (std::vector<std::string>{"wissen.tov", "wissen.tov.20261207_0634"}));
    // CopyToBackup itself refuses to overwrite
    EXPECT_FALSE(db.CopyToBackup(m_strDb, m_dir.Path()));
}

TEST_F(CBackupTest, FailedCopyIsNotStampedAndDoesNotPrune) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.SetOption("BackupCount", "2"));
    for (const char* psz : {"wissen.tov.20261201_0900", "wissen.tov.20261202_0900", "wissen.tov.20261203_0900"})
        Touch(psz);
    auto arrBefore = FolderNames(m_dir.Path());

    // a backup folder that does not exist
    ASSERT_TRUE(db.SetOption("BackupDir", Utf8ToCp1252(m_dir.File("fehlt"))));
    std::string strCopy = "?";
    EXPECT_TRUE(db.MakeBackup(&strCopy));  // the file was free: not an in-use failure
    EXPECT_EQ(strCopy, "");
    EXPECT_EQ(db.GetOption("LastBackup"), "");
    EXPECT_TRUE(db.IsOpen());

    // a copy that fails in the database's own folder keeps the old copies
    ASSERT_TRUE(db.SetOption("BackupDir", ""));
    CCopyFailsPlatform failing;
    failing.SetLocalTime(2026, 12, 7, 6, 35);
    SetPlatform(&failing);
    bool bResult = db.MakeBackup(&strCopy);
    SetPlatform(&m_platform);
    EXPECT_TRUE(bResult);
    EXPECT_EQ(strCopy, "");
    EXPECT_EQ(db.GetOption("LastBackup"), "");
    EXPECT_EQ(FolderNames(m_dir.Path()), arrBefore);
    EXPECT_TRUE(failing.m_arrMessages.empty());
}

TEST_F(CBackupTest, OnlyAWholeFileCountsAsCopy) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.Execute("CREATE TABLE Fuellung (x);"));
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(db.Execute("INSERT INTO Fuellung VALUES (zeroblob(1000));"));
    const std::string strWhole = ReadFile(m_strDb);
    ASSERT_GT(strWhole.size(), 16384u);
    ASSERT_EQ(strWhole.size() % 4096, 0u);
    // the same file as an engine before the page count in the header wrote it
    std::string strOld = strWhole;
    strOld[95] = static_cast<char>(strOld[95] + 1);
    std::string strBadPageSize = strWhole;
    strBadPageSize[16] = 3;

    const struct {
        const char* pszCase;
        std::string strContent;
        bool bComplete;
    } kCases[] = {
        {"whole", strWhole, true},
        {"empty", "", false},
        {"cut in the header", strWhole.substr(0, 50), false},
        {"header only", strWhole.substr(0, 100), false},
        {"one page", strWhole.substr(0, 4096), false},
        {"one byte short", strWhole.substr(0, strWhole.size() - 1), false},
        {"half", strWhole.substr(0, strWhole.size() / 2), false},
        {"one byte more", strWhole + "x", false},
        {"zero bytes", std::string(strWhole.size(), '\0'), false},
        {"text", std::string(8192, 'a'), false},
        {"odd page size", strBadPageSize, false},
        {"old header, whole pages", strOld, true},
        {"old header, cut mid-page", strOld.substr(0, strOld.size() - 100), false},
    };
    for (const auto& c : kCases) {
        WriteFile(m_dir.File("probe"), c.strContent);
        EXPECT_EQ(IsCompleteDatabaseFile(m_dir.File("probe")), c.bComplete) << c.pszCase;
    }
    EXPECT_FALSE(IsCompleteDatabaseFile(m_dir.File("missing")));
    EXPECT_FALSE(IsCompleteDatabaseFile(m_dir.Path()));
}

// A copy cut short (a killed copy of an older version, a full disk) neither
// passes for the backup of its minute nor for the day's automatic backup.
TEST_F(CBackupTest, BrokenCopyIsReplaced) {
    CDB& db = GetDatabase();
    const std::string strCopyName = m_dir.File("wissen.tov.20261207_0634");
    const std::string strWhole = ReadFile(m_strDb);
    WriteFile(strCopyName, strWhole.substr(0, strWhole.size() / 2));

    EXPECT_TRUE(db.DailyBackup());
    EXPECT_EQ(ReadFile(strCopyName), strWhole);
    EXPECT_EQ(RawColumn(strCopyName, "SELECT Value FROM Option WHERE Key='DbVersion'"),
              std::vector<std::string>{"1.200"});
    EXPECT_EQ(db.GetOption("LastBackup"), "2026.12.07-06:34");
    m_platform.SetLocalTime(2026, 12, 7, 9, 0);
    EXPECT_FALSE(db.DailyBackup());

    // later in the day a broken copy of the morning does not count either
    m_platform.SetLocalTime(2026, 12, 8, 6, 0);
    WriteFile(m_dir.File("wissen.tov.20261208_0500"), strWhole.substr(0, 4096));
    EXPECT_TRUE(db.DailyBackup());
    EXPECT_TRUE(IsCompleteDatabaseFile(m_dir.File("wissen.tov.20261208_0600")));

    // a whole copy of the minute stays as it is, whatever changed since
    ASSERT_TRUE(db.SetOption("Notiz", "danach"));
    const std::string strBefore = ReadFile(m_dir.File("wissen.tov.20261208_0600"));
    std::string strCopy;
    EXPECT_TRUE(db.MakeBackup(&strCopy));
    EXPECT_EQ(strCopy, m_dir.File("wissen.tov.20261208_0600"));
    EXPECT_EQ(ReadFile(strCopy), strBefore);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CBackupTest, PruningKeepsTheNewestCopiesAndNothingElseIsTouched) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.SetOption("BackupCount", "5"));
    std::vector<std::string> arrOld = {
        "wissen.tov.20261130_2359", "wissen.tov.20261201_0800", "wissen.tov.20261202_0800", "wissen.tov.20261203_0800",
        "wissen.tov.20261204_0800", "wissen.tov.20261205_0800", "wissen.tov.20261206_0800"};
    for (const auto& s : arrOld) Touch(s);
    // a user's files and other databases' copies beside them
    std::vector<std::string> arrForeign = {
        "wissen.tov.txt",           "wissen.tov.bak",           "wissen.tov.20200101_0000.zip",
        "wissen.tov.2020010_0000",  "wissen.tov.2020010a_0000", "andere.tov.20200101_0000",
        "wissen.tov.x20200101_0000"};
    for (const auto& s : arrForeign) Touch(s);

    EXPECT_TRUE(db.MakeBackup());
    std::vector<std::string> arrExpected = arrForeign;
    arrExpected.push_back("wissen.tov");
    arrExpected.push_back("wissen.tov.20261207_0634");
    for (int i = 3; i < 7; ++i) arrExpected.push_back(arrOld[i]);
    std::sort(arrExpected.begin(), arrExpected.end());
    EXPECT_EQ(FolderNames(m_dir.Path()), arrExpected);
}

TEST_F(CBackupTest, UnlimitedCountsNeverDelete) {
    CDB& db = GetDatabase();
    for (int i = 1; i <= 12; ++i)
        Touch("wissen.tov.202611" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "_1200");
    for (const char* pszCount : {"", "0", "-3", "keine"}) {
        ASSERT_TRUE(db.SetOption("BackupCount", pszCount));
        EXPECT_TRUE(db.PruneBackups());
        EXPECT_EQ(FolderNames(m_dir.Path()).size(), 13u) << pszCount;
    }
    ASSERT_TRUE(db.SetOption("BackupCount", "10"));
    EXPECT_TRUE(db.PruneBackups());
    EXPECT_EQ(FolderNames(m_dir.Path()).size(), 11u);
    EXPECT_FALSE(fs::exists(m_dir.File("wissen.tov.20261102_1200")));
    EXPECT_TRUE(fs::exists(m_dir.File("wissen.tov.20261103_1200")));
}

TEST_F(CBackupTest, DottedNameAndSeparateFolder) {
    CloseDatabase();
    std::string strDb = CreateDatabase("wissen.alt.tov");
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.SetOption("BackupCount", "1"));
    Touch("wissen.tov.20261201_0000");  // another database's copy
    Touch("wissen.alt.tov.20261201_0000");
    EXPECT_TRUE(db.MakeBackup());
    EXPECT_TRUE(fs::exists(m_dir.File("wissen.alt.tov.20261207_0634")));
    EXPECT_FALSE(fs::exists(m_dir.File("wissen.alt.tov.20261201_0000")));
    EXPECT_TRUE(fs::exists(m_dir.File("wissen.tov.20261201_0000")));

    // a folder of its own, named with characters that Windows-1252 holds
    std::string strFolder = m_dir.File("Sicherung für Köln");
    fs::create_directory(strFolder);
    ASSERT_TRUE(db.SetOption("BackupDir", Utf8ToCp1252(strFolder)));
    // stored as single bytes, not UTF-8
    EXPECT_EQ(RawColumn(strDb, "SELECT Value FROM Option WHERE Key='BackupDir'").at(0), Utf8ToCp1252(strFolder));
    EXPECT_EQ(db.GetBackupFolder(), strFolder);
    m_platform.SetLocalTime(2026, 12, 7, 7, 0);
    std::string strCopy;
    EXPECT_TRUE(db.MakeBackup(&strCopy));
    EXPECT_EQ(strCopy, strFolder + "/wissen.alt.tov.20261207_0700");
    EXPECT_TRUE(fs::exists(strCopy));
    EXPECT_EQ(db.GetOption("LastBackup"), "2026.12.07-07:00");
    EXPECT_EQ(FolderNames(strFolder), std::vector<std::string>{"wissen.alt.tov.20261207_0700"});
}

TEST_F(CBackupTest, DailyBackupOncePerDay) {
    CDB& db = GetDatabase();
    EXPECT_EQ(db.GetOption("BackupAuto"), "TRUE");
    Touch("wissen.tov.20261207_notiz");  // not a copy of today
    EXPECT_TRUE(db.DailyBackup());
    EXPECT_TRUE(fs::exists(m_dir.File("wissen.tov.20261207_0634")));
    m_platform.SetLocalTime(2026, 12, 7, 18, 5);
    EXPECT_FALSE(db.DailyBackup());
    EXPECT_FALSE(fs::exists(m_dir.File("wissen.tov.20261207_1805")));
    m_platform.SetLocalTime(2026, 12, 8, 0, 1);
    EXPECT_TRUE(db.DailyBackup());
    EXPECT_TRUE(fs::exists(m_dir.File("wissen.tov.20261208_0001")));
    EXPECT_EQ(db.GetOption("LastBackup"), "2026.12.08-00:01");

    m_platform.SetLocalTime(2026, 12, 9, 9, 0);
    for (const char* pszAuto : {"", "true", "TRUE "}) {
        ASSERT_TRUE(db.SetOption("BackupAuto", pszAuto));
        EXPECT_FALSE(db.DailyBackup()) << pszAuto;
    }
    EXPECT_FALSE(fs::exists(m_dir.File("wissen.tov.20261209_0900")));
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

// A copy is as closed to others as the knowledge base it was taken from,
// whatever the umask.
TEST_F(CBackupTest, CopiesKeepTheDatabasesPermissions) {
    CDB& db = GetDatabase();
    const mode_t nOldMask = umask(0);
    for (fs::perms perms : {fs::perms::owner_read | fs::perms::owner_write,
                            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read}) {
        fs::permissions(m_strDb, perms);
        std::string strCopy;
        ASSERT_TRUE(db.MakeBackup(&strCopy));
        EXPECT_EQ(fs::status(strCopy).permissions(), perms) << strCopy;
        m_platform.SetLocalTime(2026, 12, 8, 0, 1);
        ASSERT_TRUE(db.DailyBackup());
        EXPECT_EQ(fs::status(m_dir.File("wissen.tov.20261208_0001")).permissions(), perms);
        fs::remove(m_dir.File("wissen.tov.20261208_0001"));
        fs::remove(strCopy);
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
    }
    umask(nOldMask);
}

TEST_F(CBackupTest, FileInUseByAnotherProcessIsNotCopied) {
    CDB& db = GetDatabase();
    CChildProcess holder({CliPath(), "hold", m_strDb, "--seconds", "60"});
    ASSERT_TRUE(holder.WaitForOutput("bereit"));
    std::string strCopy = "?";
    EXPECT_FALSE(db.MakeBackup(&strCopy));
    EXPECT_EQ(strCopy, "");
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GetFilePath(), m_strDb);
    EXPECT_EQ(db.GetOption("LastBackup"), "");
    EXPECT_TRUE(db.DailyBackup());  // it tried; nothing to show
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(FolderNames(m_dir.Path()), std::vector<std::string>{"wissen.tov"});

    // once the other user has gone the copy is made
    holder.Kill();
    EXPECT_TRUE(db.MakeBackup(&strCopy));
    EXPECT_EQ(strCopy, m_dir.File("wissen.tov.20261207_0634"));
}
}  // namespace
