// orvantis-cli create, info, dump and its answers to wrong input, run as a
// separate program; the files are read back with the plain engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string SystemLoginName() {
    CScriptedPlatform platform;
    return platform.CPosixPlatform::GetLoginName();
}

class CCliBasicTest : public ::testing::Test {
protected:
    std::string Create(const std::string& strName = "x.tov") {
        std::string strPath = m_dir.File(strName);
        auto r = RunCli({"create", strPath});
        EXPECT_EQ(r.nExit, 0) << r.strErr;
        return strPath;
    }
    CTempDir m_dir;
};
}  // namespace

TEST_F(CCliBasicTest, CreateWritesTheSchemaAndTheFirstOptions) {
    std::string strPath = m_dir.File("x.tov");
    auto r = RunCli({"create", strPath});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(
        RawQuery(strPath, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid"),
        (CRawRows{
            {"table", "Option", "Option", "CREATE TABLE Option ( Key VARCHAR(20), Value VARCHAR(50) )"},
            {"table", "KnowHow", "KnowHow",
             "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID "
             "INTEGER, Typ INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), Link "
             "VARCHAR(1), UpdateNr INTEGER DEFAULT '0' NULL )"},
            {"index", "KnowHow_ID", "KnowHow", "CREATE UNIQUE INDEX [KnowHow_ID] ON [KnowHow] ( [ID] ASC )"},
            {"index", "KnowHow_MasterID", "KnowHow", "CREATE INDEX [KnowHow_MasterID] ON [KnowHow] ( [MasterID] ASC )"},
        }));
    auto rows = RawQuery(strPath, "SELECT Key, Value FROM Option ORDER BY rowid");
    ASSERT_EQ(rows.size(), 7u);
    std::string strUser = SystemLoginName();
    std::string strTime = rows[2][1];
    EXPECT_TRUE(std::regex_match(strTime, std::regex(R"(\d{4}\.\d\d\.\d\d-\d\d:\d\d)"))) << strTime;
    EXPECT_EQ(rows, (CRawRows{
                        {"DbVersion", "1.200"},
                        {"LastEditUser", strUser},
                        {"LastEditTime", strTime},
                        {"CreateUser", strUser},
                        {"CreateTime", strTime},
                        {"BackupCount", "10"},
                        {"BackupAuto", "TRUE"},
                    }));
    EXPECT_TRUE(RawQuery(strPath, "SELECT * FROM KnowHow").empty());
}

TEST_F(CCliBasicTest, InfoPrintsEightLines) {
    std::string strPath = Create();
    auto rows = RawQuery(strPath, "SELECT Value FROM Option WHERE Key='CreateTime'");
    ASSERT_EQ(rows.size(), 1u);
    std::string strTime = rows[0][0];
    ASSERT_EQ(RawExec(strPath, "INSERT INTO Option ( Key, Value ) VALUES ( 'LastBackup', '2026.12.07-06:34' );"), 0);
    // info opens the file as the program does: no daily backup may run here
    ASSERT_EQ(RawExec(strPath, "UPDATE Option SET Value='' WHERE Key='BackupAuto';"), 0);
    auto r = RunCli({"info", strPath});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    std::string strUser = SystemLoginName();
    EXPECT_EQ(Lines(r.strOut), (std::vector<std::string>{
                                   "Datei: x.tov",
                                   "Verzeichnis: " + m_dir.Path(),
                                   "Erstellt am: " + strTime,
                                   "Erstellt von: " + strUser,
                                   "Letzte Änderung am: " + strTime,
                                   "Letzte Änderung von: " + strUser,
                                   "Letztes Backup: 2026.12.07-06:34",
                                   "Letzte Reorganisation: ",
                                   "Einträge im Papierkorb: 0",
                               }));
    EXPECT_EQ(r.strErr, "");
}

TEST_F(CCliBasicTest, InfoShowsStoredTextsAsUtf8) {
    std::string strPath = Create();
    ASSERT_EQ(RawExec(strPath, "UPDATE Option SET Value='J\xFCrgen M\xFCller' WHERE Key='CreateUser';"), 0);
    auto r = RunCli({"info", strPath});
    ASSERT_EQ(r.nExit, 0);
    EXPECT_NE(r.strOut.find("\nErstellt von: Jürgen Müller\n"), std::string::npos) << r.strOut;
}

TEST_F(CCliBasicTest, OldFileWithoutOptionTableHasInfoOnceUpgraded) {
    std::string strPath = Create();
    ASSERT_EQ(RawExec(strPath, "DROP TABLE Option;"), 0);
    auto r = RunCli({"info", strPath});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("Datenbank konnte nicht geöffnet werden !"), std::string::npos) << r.strErr;
    r = RunCli({"info", strPath, "--yes"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    auto lines = Lines(r.strOut);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[2], "Erstellt am: ");
}

TEST_F(CCliBasicTest, DumpPrintsOneJsonLinePerRow) {
    std::string strPath = Create();
    // Windows-1252 bytes, as the program stores them
    ASSERT_EQ(RawExec(strPath,
                      "INSERT INTO KnowHow VALUES ( 1, '1', 0, 0, 0, 1, '1', 'Gr\xFC\xDF"
                      "e \x84zitiert\x93 \x80', "
                      "'Zeile 1\nZeile \"2\"\r\n\tC:\\Pfad\\', '', 3 );"
                      "INSERT INTO KnowHow VALUES ( 2, '0', 1, 5, 2, 1, '0', 'O''Neil', '100% _', "
                      "'/home/anna/Ma\xDF.pdf', 0 );"
                      "INSERT INTO KnowHow ( ID, MasterID ) VALUES ( 3, 1 );"),
              0);
    auto r = RunCli({"dump", strPath});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(Lines(r.strOut),
              (std::vector<std::string>{
                  R"({"ID":1,"IsAktiv":1,"MasterID":0,"LinkID":0,"Typ":0,"PosNr":1,"IsDir":1,)"
                  R"("Name":"Grüße „zitiert“ €","Text":"Zeile 1\nZeile \"2\"\r\n\tC:\\Pfad\\","Link":"","UpdateNr":3})",
                  R"({"ID":2,"IsAktiv":0,"MasterID":1,"LinkID":5,"Typ":2,"PosNr":1,"IsDir":0,)"
                  R"("Name":"O'Neil","Text":"100% _","Link":"/home/anna/Maß.pdf","UpdateNr":0})",
                  R"({"ID":3,"IsAktiv":0,"MasterID":1,"LinkID":0,"Typ":0,"PosNr":0,"IsDir":0,)"
                  R"("Name":"","Text":"","Link":"","UpdateNr":0})",
              }));
}

TEST_F(CCliBasicTest, DumpOfAnEmptyKnowledgeBasePrintsNothing) {
    std::string strPath = Create();
    auto r = RunCli({"dump", strPath});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "");
}

TEST_F(CCliBasicTest, PathWithSpacesAndUmlauts) {
    fs::create_directory(m_dir.File("Mein Wissen ä"));
    std::string strPath = Create("Mein Wissen ä/Größe 1 €.tov");
    auto r = RunCli({"info", strPath});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    auto lines = Lines(r.strOut);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "Datei: Größe 1 €.tov");
    EXPECT_EQ(lines[1], "Verzeichnis: " + m_dir.File("Mein Wissen ä"));
    r = RunCli({"dump", strPath});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
}

TEST_F(CCliBasicTest, BadFilesFailWithAMessage) {
    std::string strJunk = m_dir.File("text.tov");
    std::string strJunkContent = "kein SQLite\n" + std::string(3000, '-');
    WriteFile(strJunk, strJunkContent);
    std::string strEmpty = m_dir.File("leer.tov");
    WriteFile(strEmpty, "");
    const struct {
        const char* pszCommand;
        std::string strPath;
        const char* pszMessage;
    } kCases[] = {
        {"info", m_dir.File("fehlt.tov"), "Die Datei existiert nicht"},
        {"dump", m_dir.File("fehlt.tov"), "Die Datei existiert nicht"},
        {"hold", m_dir.File("fehlt.tov"), "Die Datei existiert nicht"},
        {"info", m_dir.File("fehlt/x.tov"), "Die Datei existiert nicht"},
        {"create", m_dir.File("fehlt/x.tov"), "Die Datenbank konnte nicht angelegt werden"},
        {"info", m_dir.Path(), "Das ist ein Ordner, keine Datenbankdatei"},
        {"info", strJunk, "keine lesbare Datenbank"},
        {"dump", strJunk, "keine lesbare Datenbank"},
        {"create", strJunk, "Die Datei existiert bereits"},
        {"create", strEmpty, "Die Datei existiert bereits"},
        {"info", strEmpty, "Datenbank konnte nicht geöffnet werden !"},
        {"dump", strEmpty, "Datenbank konnte nicht geöffnet werden !"},
    };
    for (const auto& c : kCases) {
        auto r = RunCli({c.pszCommand, c.strPath});
        EXPECT_EQ(r.nExit, 1) << c.pszCommand << " " << c.strPath;
        EXPECT_NE(r.strErr.find(c.pszMessage), std::string::npos)
            << c.pszCommand << " " << c.strPath << ": " << r.strErr;
        EXPECT_EQ(r.strOut, "") << c.pszCommand << " " << c.strPath;
    }
    // nothing was written to the files that were refused
    EXPECT_EQ(ReadFile(strJunk), strJunkContent);
    EXPECT_EQ(ReadFile(strEmpty), "");
    EXPECT_FALSE(fs::exists(m_dir.File("fehlt")));
}

TEST_F(CCliBasicTest, ReadOnlyFileCanBeReadButNotCreatedInto) {
    std::string strPath = Create();
    ASSERT_EQ(RawExec(strPath, "INSERT INTO KnowHow ( ID, Name ) VALUES ( 1, 'nur lesen' );"), 0);
    OpenForOthers(m_dir.Path());
    ASSERT_EQ(::chmod(strPath.c_str(), 0444), 0);
    std::string strBefore = ReadFile(strPath);
    auto r = RunCliUnprivileged({"info", strPath});
    if (r.nExit == 126) GTEST_SKIP() << "orvantis-cli cannot run as an ordinary user here";
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(Lines(r.strOut).size(), 9u);  // the stamps and the trash count
    r = RunCliUnprivileged({"dump", strPath});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strOut.find("\"Name\":\"nur lesen\""), std::string::npos) << r.strOut;
    // a folder without write access
    fs::create_directory(m_dir.File("lesen"));
    fs::permissions(m_dir.File("lesen"), fs::perms(0555));
    r = RunCliUnprivileged({"create", m_dir.File("lesen/neu.tov")});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("Die Datenbank konnte nicht angelegt werden"), std::string::npos) << r.strErr;
    EXPECT_FALSE(fs::exists(m_dir.File("lesen/neu.tov")));
    EXPECT_EQ(ReadFile(strPath), strBefore);
}

TEST_F(CCliBasicTest, WrongUsageNamesTheProblemAndTheCommandsOwnUsage) {
    std::string strPath = Create();
    const struct {
        std::vector<std::string> arrArgs;
        const char* pszProblem;
        const char* pszUsage;
    } kCases[] = {
        {{}, "Befehl fehlt", "Aufruf: orvantis-cli BEFEHL DATEI [OPTIONEN]"},
        {{"gibtsnicht", strPath}, "unbekannter Befehl gibtsnicht", "Aufruf: orvantis-cli BEFEHL DATEI [OPTIONEN]"},
        {{"help", "gibtsnicht"}, "unbekannter Befehl gibtsnicht", "Aufruf: orvantis-cli BEFEHL DATEI [OPTIONEN]"},
        {{"info"}, "zu wenige Argumente für info", "Aufruf: orvantis-cli info DATEI [--json]"},
        {{"info", strPath, "zwei"}, "zu viele Argumente für info", "Aufruf: orvantis-cli info DATEI [--json]"},
        {{"info", strPath, "--unbekannt"}, "unbekannte Option --unbekannt", "Aufruf: orvantis-cli info DATEI"},
        {{"info", strPath, "--password"}, "Wert fehlt nach --password", "Aufruf: orvantis-cli info DATEI"},
        {{"info", strPath, "--json=ja"}, "--json erwartet keinen Wert", "Aufruf: orvantis-cli info DATEI"},
        {{"create"}, "zu wenige Argumente für create", "Aufruf: orvantis-cli create DATEI"},
        {{"tree", strPath, "--folder=x"}, "keine gültige ID: x", "Aufruf: orvantis-cli tree DATEI"},
        {{"export", strPath, "-", "--format=pdf"}, "--format erwartet", "Aufruf: orvantis-cli export DATEI"},
    };
    for (const auto& c : kCases) {
        auto r = RunCli(c.arrArgs);
        std::string strArgs;
        for (const auto& s : c.arrArgs) strArgs += s + " ";
        EXPECT_EQ(r.nExit, 2) << strArgs;
        auto arrLines = Lines(r.strErr);
        ASSERT_FALSE(arrLines.empty()) << strArgs;
        EXPECT_EQ(arrLines[0].rfind(std::string("orvantis-cli: ") + c.pszProblem, 0), 0u) << strArgs << r.strErr;
        EXPECT_NE(r.strErr.find(c.pszUsage), std::string::npos) << strArgs << r.strErr;
        // the problem and the usage, not the overview of every command
        EXPECT_LE(arrLines.size(), 3u) << strArgs << r.strErr;
        EXPECT_EQ(r.strOut, "") << strArgs;
    }
    for (const char* pszBad : {"--transaction", "--seconds"}) {
        auto r = RunCli({"hold", strPath, pszBad, "bald"});
        EXPECT_EQ(r.nExit, 2) << pszBad;
        EXPECT_NE(r.strErr.find("Aufruf: orvantis-cli hold DATEI"), std::string::npos) << r.strErr;
        EXPECT_EQ(r.strOut, "");  // never got ready
    }
}

TEST_F(CCliBasicTest, HoldReportsReadyAndDone) {
    std::string strPath = Create();
    auto r = RunCli({"hold", strPath, "--seconds", "0", "--transaction", "write"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "bereit\nfertig\n");
}
