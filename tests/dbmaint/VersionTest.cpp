// Version check at opening and the upgrade of older files.
#include <clocale>
#include <cstdlib>

#include "DbMaintUtil.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"
#include "table/CKnowHowTable.h"

namespace {
const char* kQuestion1000 =
    "Die Datenbank hat eine zu alte Version(1.000).\nSie muß aktualisiert werden.\n\nDatenbank jetzt aktualieren ?";

class CVersionTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
    }
    // A file of the given version with an Option table (1.100 and later).
    std::string MakeVersionFile(const std::string& strVersion, bool bLinkColumn = true) {
        std::string strPath = m_dir.File("wissen.tov");
        std::string strSql = kOldKnowHow;
        if (bLinkColumn) strSql += "ALTER TABLE KnowHow ADD COLUMN Link VARCHAR(1);";
        strSql +=
            "CREATE TABLE Option ( Key VARCHAR(20), Value VARCHAR(50) );"
            "INSERT INTO Option VALUES ('DbVersion', '" +
            strVersion + "');";
        EXPECT_TRUE(RawExecOk(strPath, strSql));
        return strPath;
    }
    std::string Make1000File() {
        std::string strPath = m_dir.File("wissen.tov");
        EXPECT_TRUE(RawExecOk(strPath, kOldKnowHow));
        return strPath;
    }
};

TEST_F(CVersionTest, CurrentVersionsOpenSilentlyNewerOnesAreRefused) {
    for (const char* psz : {"1.200", "1.2", "1.20000"}) {
        std::string strPath = MakeVersionFile(psz);
        OpenDatabase(strPath);
        EXPECT_TRUE(GetDatabase().CheckVersion()) << psz;
        EXPECT_TRUE(m_platform.m_arrMessages.empty()) << psz;
        CloseDatabase();
        std::filesystem::remove(strPath);
    }

    std::string strPath = MakeVersionFile("1.300");
    std::string strBefore = ReadFile(strPath);
    OpenDatabase(strPath);
    EXPECT_FALSE(GetDatabase().CheckVersion());
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Datenbank hat neuere Version(1.300) als das aktuelle Programm (1.200).\n"
              "Sie kann mit dieser Programmverison nicht geöffnet werden");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::Ok);
    CloseDatabase();
    EXPECT_EQ(ReadFile(strPath), strBefore);
    EXPECT_EQ(FolderNames(m_dir.Path()), std::vector<std::string>{"wissen.tov"});
}

TEST_F(CVersionTest, VersionIsReadAsNumberWhateverTheLocale) {
    // the GUI runs under the user's locale, where "," may be the decimal point
    const char* pszOld = std::setlocale(LC_NUMERIC, nullptr);
    std::string strOld = pszOld ? pszOld : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        // build the locale where the system has none installed
        std::string strCmd = "localedef -i de_DE -f UTF-8 '" + m_dir.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(strCmd.c_str()) == 0) ::setenv("LOCPATH", m_dir.Path().c_str(), 1);
        bool bSet = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        ::unsetenv("LOCPATH");
        if (!bSet) GTEST_SKIP() << "no German locale";
    }
    ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
    // under atof "1.300" and "1.100" would both read as 1 there, like "1.200"
    std::string strPath = MakeVersionFile("1.300");
    OpenDatabase(strPath);
    bool bNewer = GetDatabase().CheckVersion();
    CloseDatabase();
    std::filesystem::remove(strPath);
    strPath = MakeVersionFile("1.100");
    OpenDatabase(strPath);
    bool bOlder = GetDatabase().CheckVersion();  // the question is answered No
    std::setlocale(LC_NUMERIC, strOld.c_str());
    EXPECT_FALSE(bNewer);
    EXPECT_FALSE(bOlder);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 3u);
    EXPECT_NE(m_platform.MessageTexts()[0].find("neuere Version(1.300)"), std::string::npos);
    EXPECT_NE(m_platform.MessageTexts()[1].find("zu alte Version(1.100)"), std::string::npos);
}

TEST_F(CVersionTest, Version1000IsUpgradedAfterABackupCopy) {
    std::string strPath = Make1000File();
    std::string strOld = ReadFile(strPath);
    OpenDatabase(strPath);
    CDB& db = GetDatabase();
    EXPECT_EQ(db.GetDbVersion(), "1.000");
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(db.CheckVersion());

    ASSERT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(m_platform.MessageTexts()[0], kQuestion1000);
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNo);
    EXPECT_EQ(m_platform.MessageTexts()[1], "Die Datenbank wurde aktualisert !");
    EXPECT_EQ(m_platform.m_arrMessages[1].eIcon, EMsgIcon::None);

    ASSERT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GetFilePath(), strPath);
    EXPECT_EQ(db.GetDbVersion(), "1.200");
    EXPECT_TRUE(HasColumn(strPath, "KnowHow", "Link"));
    EXPECT_TRUE(HasUniqueIdIndex(strPath));
    EXPECT_EQ(RawColumn(strPath, "SELECT Name FROM KnowHow"), std::vector<std::string>{"Ordner"});
    // the copy holds the file as it was before the upgrade
    std::string strCopy = m_dir.File("wissen.tov.20261207_0634");
    EXPECT_EQ(ReadFile(strCopy), strOld);
    EXPECT_EQ(db.GetOption("LastBackup"), "");  // no Option table when the stamp ran
    EXPECT_EQ(db.GetTransactionDepth(), 0);
}

TEST_F(CVersionTest, Version1100GetsOnlyTheIndex) {
    std::string strPath = MakeVersionFile("1.100");
    OpenDatabase(strPath);
    CDB& db = GetDatabase();
    RecordSql(true);
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(db.CheckVersion());
    RecordSql(false);
    for (const auto& s : m_arrSql) {
        EXPECT_EQ(s.find("CREATE TABLE"), std::string::npos) << s;
        EXPECT_EQ(s.find("ALTER TABLE"), std::string::npos) << s;
    }
    EXPECT_NE(std::find(m_arrSql.begin(), m_arrSql.end(), "CREATE UNIQUE INDEX [Knowhow_ID] ON [KnowHow]([ID] ASC)"),
              m_arrSql.end());
    EXPECT_NE(std::find(m_arrSql.begin(), m_arrSql.end(), "BEGIN EXCLUSIVE TRANSACTION;"), m_arrSql.end());
    EXPECT_TRUE(HasUniqueIdIndex(strPath));
    EXPECT_EQ(db.GetDbVersion(), "1.200");
    EXPECT_EQ(db.GetOption("LastBackup"), "2026.12.07-06:34");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("wissen.tov.20261207_0634")));
    EXPECT_EQ(m_platform.LastMessage(), "Die Datenbank wurde aktualisert !");
}

TEST_F(CVersionTest, EmptyFileCountsAs1000AndIsUpgraded) {
    std::string strPath = m_dir.File("leer.tov");
    WriteFile(strPath, "");
    OpenDatabase(strPath);
    CDB& db = GetDatabase();
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(db.CheckVersion());
    EXPECT_EQ(m_platform.MessageTexts().front(), std::string(kQuestion1000));
    EXPECT_EQ(m_platform.LastMessage(), "Die Datenbank wurde aktualisert !");
    EXPECT_EQ(db.GetDbVersion(), "1.200");
    // the table object then creates KnowHow with both indexes
    { CKnowHowTable table; }
    EXPECT_TRUE(db.TableExists("KnowHow"));
    EXPECT_TRUE(HasUniqueIdIndex(strPath));
    EXPECT_TRUE(HasColumn(strPath, "KnowHow", "Link"));
}

TEST_F(CVersionTest, EmptyVersionAskedAndDeclinedLeavesTheFileAlone) {
    std::string strPath = MakeVersionFile("");
    std::string strBefore = ReadFile(strPath);
    OpenDatabase(strPath);
    m_platform.QueueAnswer(EMsgResult::No);
    EXPECT_FALSE(GetDatabase().CheckVersion());
    ASSERT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(
        m_platform.MessageTexts()[0],
        "Die Datenbank hat eine zu alte Version().\nSie muß aktualisiert werden.\n\nDatenbank jetzt aktualieren ?");
    EXPECT_EQ(m_platform.MessageTexts()[1], "Datenbank konnte nicht geöffnet werden !");
    EXPECT_EQ(m_platform.m_arrMessages[1].eIcon, EMsgIcon::None);
    EXPECT_EQ(m_platform.m_arrMessages[1].eButtons, EMsgButtons::Ok);
    CloseDatabase();
    EXPECT_EQ(ReadFile(strPath), strBefore);
    EXPECT_EQ(FolderNames(m_dir.Path()), std::vector<std::string>{"wissen.tov"});
}

TEST_F(CVersionTest, FileThatIsNoDatabaseIsRefusedWithoutUpgrade) {
    std::string strPath = m_dir.File("notiz.tov");
    std::string strContent = "Dies ist keine Datenbank, sondern eine Textdatei mit etwas Inhalt.\n";
    for (int i = 0; i < 20; ++i) strContent += strContent.substr(0, 70);
    WriteFile(strPath, strContent);
    OpenDatabase(strPath);
    m_platform.QueueAnswer(EMsgResult::Yes);  // would accept an upgrade if one were offered
    EXPECT_FALSE(GetDatabase().CheckVersion());
    EXPECT_EQ(m_platform.MessageTexts(), std::vector<std::string>{"Datenbank konnte nicht geöffnet werden !"});
    CloseDatabase();
    EXPECT_EQ(ReadFile(strPath), strContent);
    EXPECT_EQ(FolderNames(m_dir.Path()), std::vector<std::string>{"notiz.tov"});
}

TEST_F(CVersionTest, UpgradeThatCannotStoreTheVersionIsNoSuccess) {
    std::string strPath = MakeVersionFile("1.100");
    ASSERT_TRUE(RawExecOk(
        strPath, "CREATE TRIGGER NoChange BEFORE UPDATE ON Option BEGIN SELECT RAISE(ABORT, 'gesperrt'); END;"));
    OpenDatabase(strPath);
    CDB& db = GetDatabase();
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_FALSE(db.CheckVersion());
    EXPECT_EQ(m_platform.LastMessage(), "Datenbank konnte nicht geöffnet werden !");
    EXPECT_EQ(db.GetTransactionDepth(), 0);
    EXPECT_EQ(db.GetDbVersion(), "1.100");
    EXPECT_FALSE(HasUniqueIdIndex(strPath));  // rolled back with the rest
}

TEST_F(CVersionTest, LockedCurrentFileIsNeverOfferedAnUpgrade) {
    std::string strPath = MakeVersionFile("1.200");
    OpenDatabase(strPath);
    CDB& db = GetDatabase();
    {
        // another user's exclusive transaction bars every reading
        CChildProcess holder({CliPath(), "hold", strPath, "--seconds", "60", "--transaction", "exclusive"});
        ASSERT_TRUE(holder.WaitForOutput("bereit"));
        m_platform.QueueAnswer(EMsgResult::Yes);
        EXPECT_FALSE(db.CheckVersion());
        // said as what it is: the file is in use, not damaged or old
        EXPECT_EQ(
            m_platform.MessageTexts(),
            std::vector<std::string>{
                "Die Datenbank wird gerade von einem anderen Benutzer verwendet. Bitte später erneut versuchen."});
        EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());

        // a lock that ends while the check waits
        m_platform.Clear();
        m_platform.SetSleepHook([&](int) {
            if (m_platform.m_arrSleeps.size() == 3) holder.Kill();
        });
        EXPECT_TRUE(db.CheckVersion());
        m_platform.SetSleepHook(nullptr);
        EXPECT_TRUE(m_platform.m_arrMessages.empty());
    }
    EXPECT_EQ(RawColumn(strPath, "SELECT Value FROM Option WHERE Key='DbVersion'"), std::vector<std::string>{"1.200"});
    EXPECT_EQ(FolderNames(m_dir.Path()), std::vector<std::string>{"wissen.tov"});
}

TEST_F(CVersionTest, FileInUseIsNotUpgraded) {
    std::string strPath = Make1000File();
    std::string strBefore = ReadFile(strPath);
    CChildProcess holder({CliPath(), "hold", strPath, "--seconds", "60"});
    ASSERT_TRUE(holder.WaitForOutput("bereit"));
    OpenDatabase(strPath);
    CDB& db = GetDatabase();
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_FALSE(db.CheckVersion());
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Datenbank wird von anderen Benutzern verwendet.\n\nSie kann zur Zeit nicht aktualisiert werden !");
    EXPECT_EQ(m_platform.m_arrMessages.back().eIcon, EMsgIcon::Exclamation);
    EXPECT_FALSE(db.IsOpen());
    holder.Kill();
    EXPECT_EQ(ReadFile(strPath), strBefore);
    EXPECT_EQ(FolderNames(m_dir.Path()), std::vector<std::string>{"wissen.tov"});
}
}  // namespace
