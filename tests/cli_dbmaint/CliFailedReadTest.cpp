// Reads that failed are failures: nothing half read reaches the output, and
// a whole-file change without its safety copy does not start.
#include <filesystem>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
class CCliFailedReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.File("wissen.tov");
        ASSERT_EQ(RunCli({"create", m_strDb}).nExit, 0);
        ASSERT_EQ(RunCli({"add", m_strDb, "--parent", "0", "--name", "Ordner", "--folder"}).nExit, 0);
        ASSERT_EQ(RunCli({"add", m_strDb, "--parent", "1", "--name", "Apfel", "--text", "rot"}).nExit, 0);
    }
    static bool Contains(const std::string& str, const std::string& strPart) {
        return str.find(strPart) != std::string::npos;
    }
    CTempDir m_dir;
    std::string m_strDb;
};

TEST_F(CCliFailedReadTest, InfoThatCannotReadAStampPrintsNothing) {
    // the creator's name can no longer be read: its value raises an error
    ASSERT_EQ(RawExec(m_strDb,
                      "ALTER TABLE Option RENAME TO Opt;"
                      "CREATE TABLE Option (Key VARCHAR(20), V VARCHAR(50), Value GENERATED ALWAYS AS (V));"
                      "INSERT INTO Option (Key, V) SELECT Key, Value FROM Opt; DROP TABLE Opt;"
                      "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql=replace(sql, 'AS (V)', "
                      "'AS (CASE WHEN Key=''CreateUser'' THEN abs(-9223372036854775807 - 1) ELSE V END)') "
                      "WHERE name='Option';"),
              0);
    for (bool bJson : {false, true}) {
        std::vector<std::string> arrArgs{"info", m_strDb};
        if (bJson) arrArgs.push_back("--json");
        auto result = RunCli(arrArgs);
        EXPECT_EQ(result.nExit, 1) << bJson;
        EXPECT_EQ(result.strOut, "") << bJson;
        EXPECT_TRUE(Contains(result.strErr, "Die Angaben zur Datenbank können nicht gelesen werden.")) << result.strErr;
    }
}

TEST_F(CCliFailedReadTest, ReadsOfATableThatCannotBeReadFailWithoutOutput) {
    ASSERT_EQ(RawExec(m_strDb, "ALTER TABLE KnowHow DROP COLUMN IsAktiv;"), 0);
    struct SCase {
        std::vector<std::string> arrArgs;
        std::string strOutFile;  // must not come into being
    } arrCases[] = {
        {{"print", m_strDb, "--folder", "0", "--pdf", m_dir.File("root.pdf")}, m_dir.File("root.pdf")},
        {{"print", m_strDb, "--folder", "0", "--pdf", "-"}, ""},
        {{"tree", m_strDb}, ""},
        {{"export", m_strDb, "-"}, ""},
        {{"export", m_strDb, m_dir.File("vorlage.txt")}, m_dir.File("vorlage.txt")},
        {{"search", m_strDb, "Apfel"}, ""},
    };
    for (const auto& c : arrCases) {
        auto result = RunCli(c.arrArgs);
        EXPECT_EQ(result.nExit, 1) << c.arrArgs[0] << " " << result.strErr;
        EXPECT_EQ(result.strOut, "") << c.arrArgs[0];
        if (!c.strOutFile.empty()) {
            EXPECT_FALSE(fs::exists(c.strOutFile)) << c.strOutFile;
        }
    }
}

TEST_F(CCliFailedReadTest, PrintRefusesAFolderThatDoesNotExist) {
    std::string strPdf = m_dir.File("fehlt.pdf");
    auto result = RunCli({"print", m_strDb, "--folder", "999999", "--pdf", strPdf});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strOut, "");
    // as export says it
    EXPECT_TRUE(
        Contains(RunCli({"export", m_strDb, "-", "--folder", "999999"}).strErr, "Der Eintrag 999999 existiert nicht."));
    EXPECT_TRUE(Contains(result.strErr, "Der Eintrag 999999 existiert nicht.")) << result.strErr;
    EXPECT_FALSE(fs::exists(strPdf));
    // a folder that is there still prints
    result = RunCli({"print", m_strDb, "--folder", "1", "--pdf", strPdf});
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut, "Seiten: 1\n");
}

TEST_F(CCliFailedReadTest, ProtectWithoutItsCopyChangesNothing) {
    ASSERT_EQ(RawExec(m_strDb, "INSERT INTO Option VALUES ('BackupDir', '" + m_dir.File("fehlt") + "');"), 0);
    auto rowsBefore = RawQuery(m_strDb, "SELECT Name, Text, UpdateNr FROM KnowHow ORDER BY ID");
    auto keyBefore = RawQuery(m_strDb, "SELECT Value FROM Option WHERE Key='DbKey'");
    auto result = RunCli({"protect", m_strDb, "--new", "geheim"});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_TRUE(Contains(result.strErr,
                         "Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: " + m_dir.File("fehlt") +
                             "). Der Ordner existiert nicht.\n\n"
                             "Ohne Sicherungskopie wird die Datenbank nicht verschlüsselt. Die "
                             "Datenbank ist unverändert."))
        << result.strErr;
    EXPECT_FALSE(Contains(result.strErr, "wurden verschlüsselt")) << result.strErr;
    EXPECT_EQ(RawQuery(m_strDb, "SELECT Value FROM Option WHERE Key='DbKey'"), keyBefore);
    EXPECT_EQ(RawQuery(m_strDb, "SELECT Name, Text, UpdateNr FROM KnowHow ORDER BY ID"), rowsBefore);
}
}  // namespace
