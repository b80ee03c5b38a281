// orvantis-cli backup, reorganize and backup-settings as a second process.
#include <sqlite3.h>

#include <filesystem>
#include <regex>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string Option(const std::string& strDb, const std::string& strKey, bool bHex = false) {
    sqlite3* pDb = nullptr;
    std::string strValue = "<none>";
    sqlite3_open_v2(strDb.c_str(), &pDb, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* pStmt = nullptr;
    std::string strSql = std::string("SELECT ") + (bHex ? "hex(Value)" : "Value") + " FROM Option WHERE Key=?";
    if (sqlite3_prepare_v2(pDb, strSql.c_str(), -1, &pStmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(pStmt, 1, strKey.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(pStmt) == SQLITE_ROW) {
            auto p = sqlite3_column_text(pStmt, 0);
            strValue = p ? reinterpret_cast<const char*>(p) : "";
        }
    }
    sqlite3_finalize(pStmt);
    sqlite3_close(pDb);
    return strValue;
}

bool Exec(const std::string& strDb, const std::string& strSql) {
    sqlite3* pDb = nullptr;
    bool bOk = sqlite3_open(strDb.c_str(), &pDb) == SQLITE_OK &&
               sqlite3_exec(pDb, strSql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(pDb);
    return bOk;
}

std::vector<std::string> Copies(const std::string& strFolder, const std::string& strName) {
    std::vector<std::string> arr;
    std::regex re(std::regex_replace(strName, std::regex(R"([.])"), R"(\.)") + R"(\.\d{8}_\d{4})");
    for (const auto& entry : fs::directory_iterator(strFolder))
        if (std::regex_match(entry.path().filename().string(), re)) arr.push_back(entry.path().filename().string());
    return arr;
}

class CCliDbMaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.File("wissen.tov");
        ASSERT_EQ(RunCli({"create", m_strDb}).nExit, 0);
    }
    CTempDir m_dir;
    std::string m_strDb;
};

TEST_F(CCliDbMaintTest, BackupMakesATimeStampedCopy) {
    auto result = RunCli({"backup", m_strDb});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(result.strOut, m, std::regex(m_dir.Path() + R"(/(wissen\.tov\.\d{8}_\d{4})\n)")))
        << result.strOut;
    EXPECT_TRUE(fs::exists(m_dir.File(m[1].str())));
    // a daily backup of the opening may have made a copy of the minute before
    auto arrCopies = Copies(m_dir.Path(), "wissen.tov");
    EXPECT_GE(arrCopies.size(), 1u);
    EXPECT_LE(arrCopies.size(), 2u);
    EXPECT_TRUE(std::regex_match(Option(m_strDb, "LastBackup"), std::regex(R"(\d{4}\.\d\d\.\d\d-\d\d:\d\d)")));
}

TEST_F(CCliDbMaintTest, BackupFailsWhileInUseOrWithoutFolder) {
    {
        CChildProcess holder({CliPath(), "hold", m_strDb, "--seconds", "60"});
        ASSERT_TRUE(holder.WaitForOutput("bereit"));
        auto result = RunCli({"backup", m_strDb});
        EXPECT_EQ(result.nExit, 1);
        EXPECT_NE(result.strErr.find("Die Datenbank wird von anderen Benutzern verwendet."), std::string::npos)
            << result.strErr;
        EXPECT_EQ(result.strOut, "");
    }
    EXPECT_TRUE(Copies(m_dir.Path(), "wissen.tov").empty());
    EXPECT_EQ(Option(m_strDb, "LastBackup"), "<none>");

    ASSERT_TRUE(Exec(m_strDb, "INSERT INTO Option VALUES ('BackupDir', '" + m_dir.File("fehlt") + "');"));
    auto result = RunCli({"backup", m_strDb});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_NE(result.strErr.find("Die Sicherungskopie konnte nicht angelegt werden"), std::string::npos)
        << result.strErr;
    EXPECT_EQ(Option(m_strDb, "LastBackup"), "<none>");
}

TEST_F(CCliDbMaintTest, BackupSettingsShowAndChange) {
    auto result = RunCli({"backup-settings", m_strDb});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut,
              "Abweichendes Backupverzeichnis: \n"
              "Maximale Anzahl der Backup's: 10\n"
              "Automatisches tägliches Backup: ja\n");

    std::string strFolder = m_dir.File("Sicherung für Köln");
    fs::create_directory(strFolder);
    result = RunCli({"backup-settings", m_strDb, "--dir", strFolder + "/", "--count", "5", "--auto", "off"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut, "Abweichendes Backupverzeichnis: " + strFolder +
                                 "\nMaximale Anzahl der Backup's: 5\nAutomatisches tägliches Backup: nein\n");
    // Windows-1252 bytes in the file: ü = FC, ö = F6
    EXPECT_NE(Option(m_strDb, "BackupDir", true).find("FC72204B"), std::string::npos);
    EXPECT_EQ(Option(m_strDb, "BackupCount"), "5");
    EXPECT_EQ(Option(m_strDb, "BackupAuto"), "");
    // the next backup goes there
    result = RunCli({"backup", m_strDb});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(Copies(strFolder, "wissen.tov").size(), 1u);

    // refused: missing folder, a path Windows-1252 cannot hold, a bad count
    std::string strGreek = m_dir.File("Ωmega");
    fs::create_directory(strGreek);
    for (const auto& strBad : {m_dir.File("fehlt"), strGreek}) {
        result = RunCli({"backup-settings", m_strDb, "--dir", strBad, "--count", "unbegrenzt"});
        EXPECT_EQ(result.nExit, 1) << strBad;
        EXPECT_NE(result.strErr.find("Eingabefehler: "), std::string::npos) << result.strErr;
    }
    EXPECT_NE(RunCli({"backup-settings", m_strDb, "--dir", m_dir.File("fehlt")})
                  .strErr.find("Das angegebene Backup-Verzeichnis existiert nicht !"),
              std::string::npos);
    EXPECT_EQ(RunCli({"backup-settings", m_strDb, "--count", "-1"}).nExit, 2);
    EXPECT_EQ(RunCli({"backup-settings", m_strDb, "--auto", "ja"}).nExit, 2);
    EXPECT_EQ(Option(m_strDb, "BackupCount"), "5");

    // unlimited and the database's own folder are stored as empty texts
    result = RunCli({"backup-settings", m_strDb, "--count", "unbegrenzt", "--dir", m_dir.Path(), "--auto", "on"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(Option(m_strDb, "BackupCount"), "");
    EXPECT_EQ(Option(m_strDb, "BackupDir"), "");
    EXPECT_EQ(Option(m_strDb, "BackupAuto"), "TRUE");
}

TEST_F(CCliDbMaintTest, BackupSettingsTakeOnlyTheCountsTheDialogOffers) {
    const struct {
        const char* pszCount;
        int nExit;
        const char* pszStored;
    } kCases[] = {
        {"5", 0, "5"},     {"7", 2, "5"},      {"100", 0, "100"},     {"0", 2, "100"},       {"-1", 2, "100"},
        {"050", 2, "100"}, {"1000", 2, "100"}, {"unbegrenzt", 0, ""}, {"Unbegrenzt", 2, ""}, {"10", 0, "10"},
    };
    for (const auto& c : kCases) {
        auto result = RunCli({"backup-settings", m_strDb, "--count", c.pszCount});
        EXPECT_EQ(result.nExit, c.nExit) << c.pszCount << ": " << result.strErr;
        EXPECT_EQ(Option(m_strDb, "BackupCount"), c.pszStored) << c.pszCount;
        if (c.nExit == 2) {
            EXPECT_NE(result.strErr.find("--count 5|10|20|30|50|100|unbegrenzt"), std::string::npos);
        }
    }
}

TEST_F(CCliDbMaintTest, BackupSettingsAreLockedForViewingByTheAdministratorPassword) {
    ASSERT_EQ(RunCli({"admin", m_strDb, "--set", "geheim"}).nExit, 0);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"backup-settings", m_strDb},
             {"backup-settings", m_strDb, "--admin", "falsch"},
             {"backup-settings", m_strDb, "--auto", "off"},
         }) {
        auto result = RunCli(args);
        EXPECT_EQ(result.nExit, 1) << args.size();
        EXPECT_EQ(result.strOut, "") << args.size();
        EXPECT_FALSE(result.strErr.empty());
    }
    EXPECT_EQ(Option(m_strDb, "BackupAuto"), "TRUE");
    auto result = RunCli({"backup-settings", m_strDb, "--admin", "geheim"});
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_NE(result.strOut.find("Maximale Anzahl der Backup's: 10\n"), std::string::npos) << result.strOut;
}

TEST_F(CCliDbMaintTest, ReadingCommandsLeaveTheFileAsTheyFoundIt) {
    // automatic backup on (the default of a new file) and no copy of today yet
    ASSERT_EQ(Option(m_strDb, "BackupAuto"), "TRUE");
    ASSERT_TRUE(Exec(m_strDb,
                     "INSERT INTO KnowHow VALUES ( 1, '1', 0, 0, 0, 1, '1', 'Rezepte', '', '', 0 );"
                     "INSERT INTO KnowHow VALUES ( 2, '1', 1, 0, 0, 1, '0', 'Apfel', 'Kuchen', '', 0 );"));
    std::string strBefore = ReadFile(m_strDb);
    const std::vector<std::vector<std::string>> kReading = {
        {"info", m_strDb},
        {"info", m_strDb, "--json"},
        {"dump", m_strDb},
        {"tree", m_strDb},
        {"tree", m_strDb, "--folder", "1", "--json"},
        {"search", m_strDb, "Apfel"},
        {"export", m_strDb, m_dir.File("vorlage.txt")},
        {"print", m_strDb, "--folder", "1", "--pdf", m_dir.File("ordner.pdf")},
    };
    for (const auto& args : kReading) {
        auto result = RunCli(args);
        EXPECT_EQ(result.nExit, 0) << args[0] << ": " << result.strErr;
        EXPECT_TRUE(Copies(m_dir.Path(), "wissen.tov").empty()) << args[0] << " made a backup copy";
        EXPECT_TRUE(ReadFile(m_strDb) == strBefore) << args[0] << " changed the file";
    }
    EXPECT_EQ(Option(m_strDb, "LastBackup"), "<none>");
    // a command that writes still makes the day's copy first
    auto result = RunCli({"add", m_strDb, "--parent", "1", "--name", "Birne"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(Copies(m_dir.Path(), "wissen.tov").size(), 1u);
    EXPECT_NE(Option(m_strDb, "LastBackup"), "<none>");
}

TEST_F(CCliDbMaintTest, ReorganizeReportsTheSaving) {
    ASSERT_TRUE(Exec(m_strDb,
                     "CREATE TABLE Ballast ( Data VARCHAR(50) );"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                     "INSERT INTO Ballast SELECT printf('%.4000c', 'x') FROM n;"
                     "DROP TABLE Ballast;"));
    auto nBefore = fs::file_size(m_strDb);
    auto result = RunCli({"reorganize", m_strDb});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    auto nAfter = fs::file_size(m_strDb);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(result.strErr, m, std::regex(R"(Die Datenbankgröße wurde um (\d+) kb reduziert\.)")))
        << result.strErr;
    // the Option rows written after the measurement may have grown the file a little
    long nReported = std::stol(m[1].str());
    EXPECT_GT(nReported, 700);
    EXPECT_LE(static_cast<std::uintmax_t>(nReported) * 1024, nBefore - nAfter + 8192);
    EXPECT_NE(Option(m_strDb, "LastReorg"), "<none>");

    EXPECT_EQ(RunCli({"reorganize", m_dir.File("fehlt.tov")}).nExit, 1);
    EXPECT_FALSE(fs::exists(m_dir.File("fehlt.tov")));
}
}  // namespace
