// The Option table, the stamps of a new database and the small text helpers.
#include <gtest/gtest.h>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"
#include "table/CKnowHowTable.h"

namespace {
class COptionsTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
        m_platform.SetLoginName("tester");
    }
    CRawRows OptionRows() const { return RawQuery(m_strPath, "SELECT Key, Value FROM Option ORDER BY rowid"); }
    std::string m_strPath;
};

// A clock that moves on by a minute at every reading.
class CTickingPlatform : public CScriptedPlatform {
public:
    std::time_t GetTime() override { return m_t += 60; }
    std::time_t m_t = 1796620440;  // some time in 2026
};
}  // namespace

TEST_F(COptionsTest, NewDatabaseGetsItsRowsInOrder) {
    m_strPath = m_dir.File("neu.tov");
    ASSERT_TRUE(OpenDatabase(m_strPath));
    RecordSql(true);
    EXPECT_TRUE(GetDatabase().InitNewDatabase());
    EXPECT_EQ(OptionRows(), (CRawRows{
                                {"DbVersion", "1.200"},
                                {"LastEditUser", "tester"},
                                {"LastEditTime", "2026.12.07-06:34"},
                                {"CreateUser", "tester"},
                                {"CreateTime", "2026.12.07-06:34"},
                                {"BackupCount", "10"},
                                {"BackupAuto", "TRUE"},
                            }));
    ASSERT_GE(m_arrSql.size(), 4u);
    EXPECT_EQ(m_arrSql[0], "SELECT count(*) FROM sqlite_master WHERE [type]='table' AND [tbl_name]='Option'");
    EXPECT_EQ(m_arrSql[1], "CREATE TABLE Option ( Key VARCHAR(20), Value VARCHAR(50) );");
    EXPECT_EQ(m_arrSql[2], "SELECT count(*) FROM Option WHERE Key='DbVersion'");
    EXPECT_EQ(m_arrSql[3], "INSERT INTO Option ( Key, Value ) VALUES ( 'DbVersion', '1.200' );");
    // no transaction around it
    for (const auto& s : m_arrSql) EXPECT_EQ(s.find("TRANSACTION"), std::string::npos) << s;
    auto schema = RawQuery(m_strPath, "SELECT sql FROM sqlite_master WHERE name='Option'");
    ASSERT_EQ(schema.size(), 1u);
    EXPECT_EQ(schema[0][0], "CREATE TABLE Option ( Key VARCHAR(20), Value VARCHAR(50) )");
}

TEST_F(COptionsTest, CreationStampIsTheFirstEditStampEvenWhenTheClockMoves) {
    CTickingPlatform ticking;
    SetPlatform(&ticking);
    m_strPath = m_dir.File("neu.tov");
    OpenDatabase(m_strPath);
    GetDatabase().InitNewDatabase();
    CDB& db = GetDatabase();
    EXPECT_NE(db.GetOption("CreateTime"), "");
    EXPECT_EQ(db.GetOption("CreateTime"), db.GetOption("LastEditTime"));
    EXPECT_EQ(db.GetOption("CreateTime"), db.GetTimeStamp());
    SetPlatform(&m_platform);
}

TEST_F(COptionsTest, ExistingOptionTableIsLeftAlone) {
    m_strPath = CreateDatabase();
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.SetOption("CreateUser", "erster"));
    auto before = OptionRows();
    m_platform.SetLocalTime(2027, 1, 1, 0, 0);
    m_platform.SetLoginName("zweiter");
    RecordSql(true);
    EXPECT_TRUE(db.InitNewDatabase());
    EXPECT_EQ(m_arrSql, std::vector<std::string>{
                            "SELECT count(*) FROM sqlite_master WHERE [type]='table' AND [tbl_name]='Option'"});
    EXPECT_EQ(OptionRows(), before);
}

TEST_F(COptionsTest, SetInsertsOnceThenUpdates) {
    m_strPath = CreateDatabase();
    CDB& db = GetDatabase();
    RecordSql(true);
    EXPECT_TRUE(db.SetOption("BackupDir", "/srv/sicherung"));
    EXPECT_EQ(m_arrSql.back(), "INSERT INTO Option ( Key, Value ) VALUES ( 'BackupDir', '/srv/sicherung' );");
    EXPECT_TRUE(db.SetOption("BackupDir", "/srv/andere"));
    EXPECT_EQ(m_arrSql.back(), "UPDATE Option SET Value='/srv/andere' WHERE Key='BackupDir';");
    EXPECT_EQ(db.Count("Option", "Key='BackupDir'"), 1);
    EXPECT_EQ(db.GetOption("BackupDir"), "/srv/andere");
    EXPECT_TRUE(db.SetOption("BackupDir", ""));
    EXPECT_EQ(db.GetOption("BackupDir"), "");
    EXPECT_EQ(db.Count("Option", "Key='BackupDir'"), 1);
}

TEST_F(COptionsTest, ValuesKeepEveryCharacter) {
    m_strPath = CreateDatabase();
    CDB& db = GetDatabase();
    const std::string kValues[] = {
        "O'Neil's",
        "''",
        "C:\\Daten\\Wissen",
        "100% sicher_",
        "Zeile 1\nZeile 2\r\nZeile 3",
        Ansi("Grüße „Jürgen“ €"),
        "; DROP TABLE Option; --",
        "\"doppelt\"",
    };
    RecordSql(true);
    EXPECT_TRUE(db.SetOption("Probe", "O'Neil"));
    EXPECT_EQ(m_arrSql.back(), "INSERT INTO Option ( Key, Value ) VALUES ( 'Probe', 'O''Neil' );");
    for (const auto& strValue : kValues) {
        EXPECT_TRUE(db.SetOption("Probe", strValue)) << strValue;
        EXPECT_EQ(db.GetOption("Probe"), strValue);
        // stored as these very bytes
        auto rows = RawQuery(m_strPath, "SELECT Value FROM Option WHERE Key='Probe'");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], strValue);
    }
    EXPECT_TRUE(db.TableExists("Option"));
}

TEST_F(COptionsTest, AbsentKeyAndMissingTableReadEmpty) {
    m_strPath = CreateDatabase();
    CDB& db = GetDatabase();
    EXPECT_EQ(db.GetOption("LastBackup"), "");
    EXPECT_EQ(db.GetOption("DbVersion"), "1.200");
    ASSERT_TRUE(db.Execute("DROP TABLE Option;"));
    EXPECT_EQ(db.GetOption("DbVersion"), "");
    EXPECT_EQ(db.GetLastErrorText(), "no such table: Option");
}

TEST_F(COptionsTest, SetWhoseCountFailsWritesNothing) {
    m_strPath = m_dir.File("leer.tov");
    OpenDatabase(m_strPath);
    CDB& db = GetDatabase();
    RecordSql(true);
    // an update after a failed count could match no row and still succeed
    EXPECT_FALSE(db.SetOption("LastBackup", "x"));
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{"SELECT count(*) FROM Option WHERE Key='LastBackup'"}));
    EXPECT_FALSE(db.TableExists("Option"));
    // the stamp ignores that
    EXPECT_TRUE(db.StampEdit());
    EXPECT_EQ(db.GetUserName(), "tester");
}

TEST_F(COptionsTest, StampEditWritesNameAndTime) {
    m_strPath = CreateDatabase();
    CDB& db = GetDatabase();
    m_platform.SetLocalTime(2027, 1, 2, 3, 4);
    m_platform.SetLoginName(Ansi("Jürgen O'Neil"));
    RecordSql(true);
    EXPECT_TRUE(db.StampEdit());
    EXPECT_EQ(db.GetUserName(), Ansi("Jürgen O'Neil"));
    EXPECT_EQ(db.GetTimeStamp(), "2027.01.02-03:04");
    EXPECT_EQ(m_arrSql.back(), "UPDATE Option SET Value='2027.01.02-03:04' WHERE Key='LastEditTime';");
    auto rows = OptionRows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"LastEditUser", "J\xFCrgen O'Neil"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"LastEditTime", "2027.01.02-03:04"}));
    // the creation stamp stays
    EXPECT_EQ(rows[4], (std::vector<std::string>{"CreateTime", "2026.12.07-06:34"}));
}

TEST(CTextHelpersTest, TimeTextIsZeroPadded) {
    CScriptedPlatform platform;
    SetPlatform(&platform);
    platform.SetLocalTime(2026, 1, 2, 3, 4, 59);
    EXPECT_EQ(GetTimeText(), "2026.01.02-03:04");
    platform.SetLocalTime(2026, 12, 31, 23, 59);
    EXPECT_EQ(GetTimeText(), "2026.12.31-23:59");
    platform.SetLoginName("anna");
    EXPECT_EQ(GetLoginName(), "anna");
    SetPlatform(nullptr);
}

TEST(CTextHelpersTest, PathParts) {
    const struct {
        const char* pszPath;
        const char* pszFolder;
        const char* pszName;
    } kCases[] = {
        {"/home/anna/wissen.tov", "/home/anna", "wissen.tov"},
        {"wissen.tov", "", "wissen.tov"},
        {"/wissen.tov", "", "wissen.tov"},
        {"/home/anna/", "/home/anna", ""},
        {"", "", ""},
        {"/mein ordner/ä b.tov", "/mein ordner", "ä b.tov"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(GetFolderPart(c.pszPath), c.pszFolder) << c.pszPath;
        EXPECT_EQ(GetFileNamePart(c.pszPath), c.pszName) << c.pszPath;
    }
}

TEST(CTextHelpersTest, LoginNameOfTheSystemFitsTheField) {
    CScriptedPlatform scripted;  // for the other operations
    std::string str = scripted.CPosixPlatform::GetLoginName();
    EXPECT_FALSE(str.empty());
    EXPECT_LE(str.size(), 255u);
}
