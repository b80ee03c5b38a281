// Files that are not what the session expects: no crash, the failure recorded.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>

#include "db/CDB.h"
#include "support/TestSupport.h"
#include "table/CKnowHowTable.h"

namespace fs = std::filesystem;

using CBadInputTest = CCoreTest;

TEST_F(CBadInputTest, FileThatIsNotADatabase) {
    std::string strPath = m_dir.File("text.tov");
    std::string strContent = "Dies ist keine Datenbank.\n" + std::string(2000, '#');
    WriteFile(strPath, strContent);
    CDB& db = GetDatabase();
    EXPECT_TRUE(OpenDatabase(strPath));
    EXPECT_TRUE(db.IsOpen());  // the engine reads nothing yet
    EXPECT_EQ(db.Count("sqlite_master"), -1);
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_NOTADB);
    EXPECT_EQ(db.GetLastErrorText(), "file is not a database");
    EXPECT_FALSE(db.TableExists("Option"));
    EXPECT_EQ(db.GetOption("DbVersion"), "");
    EXPECT_FALSE(db.Execute("CREATE TABLE T ( a );"));
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_NOTADB);
    // creating a database on it answers true (results are ignored) and writes nothing
    EXPECT_TRUE(db.InitNewDatabase());
    { CKnowHowTable table; }
    EXPECT_TRUE(db.Close());
    EXPECT_EQ(ReadFile(strPath), strContent);
}

TEST_F(CBadInputTest, EmptyFileIsAnEmptyDatabase) {
    std::string strPath = m_dir.File("leer.tov");
    WriteFile(strPath, "");
    CDB& db = GetDatabase();
    ASSERT_TRUE(OpenDatabase(strPath));
    EXPECT_EQ(db.Count("sqlite_master"), 0);
    EXPECT_FALSE(db.TableExists("KnowHow"));
    EXPECT_EQ(db.GetOption("DbVersion"), "");
    EXPECT_EQ(ReadFile(strPath), "");  // reading wrote nothing
    EXPECT_TRUE(db.InitNewDatabase());
    EXPECT_EQ(db.GetOption("DbVersion"), "1.200");
}

TEST_F(CBadInputTest, MissingFolder) {
    std::string strPath = m_dir.File("fehlt/wissen.tov");
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.Open(strPath));
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_CANTOPEN);
    EXPECT_EQ(db.GetLastErrorText(), "unable to open database file");
    EXPECT_FALSE(db.Execute("CREATE TABLE T ( a );"));
    EXPECT_EQ(db.Count("sqlite_master"), -1);
    EXPECT_EQ(db.GetOption("DbVersion"), "");
    EXPECT_FALSE(db.IsFileFree());
    EXPECT_TRUE(db.Close());  // the engine's handle is released
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(fs::exists(m_dir.File("fehlt")));
}

TEST_F(CBadInputTest, FolderInsteadOfAFile) {
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.Open(m_dir.Path()));
    EXPECT_NE(db.GetLastErrorCode(), 0);
    EXPECT_FALSE(db.TableExists("Option"));
    db.Close();
}

TEST_F(CBadInputTest, ReadOnlyFileReadsButRefusesWrites) {
    std::string strPath = CreateDatabase();
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.SetOption("Probe", "alt"));
    ASSERT_TRUE(db.Close());
    OpenForOthers(m_dir.Path());
    ASSERT_EQ(::chmod(strPath.c_str(), 0444), 0);
    std::string strBefore = ReadFile(strPath);
    // root would write anyway; the child runs as an ordinary user
    std::string strReport = RunUnprivileged([strPath] {
        CDB& db = GetDatabase();
        std::string str = db.Open(strPath) ? "open" : "closed";
        str += " " + db.GetOption("Probe");
        str += db.SetOption("Probe", "neu") ? " written" : " refused";
        str += " " + std::to_string(db.GetLastErrorCode());
        str += db.BeginTransaction() ? " begun" : " no-begin";
        str += db.RollbackTransaction() ? " rolled-back" : " no-rollback";
        str += " " + db.GetOption("Probe");
        str += db.Close() ? " closed" : " not-closed";
        return str;
    });
    EXPECT_EQ(strReport, "open alt refused 8 begun rolled-back alt closed");
    EXPECT_EQ(ReadFile(strPath), strBefore);
}

TEST_F(CBadInputTest, FolderWithoutWriteAccess) {
    OpenForOthers(m_dir.Path());
    fs::create_directory(m_dir.File("lesen"));
    fs::permissions(m_dir.File("lesen"), fs::perms(0555));
    std::string strPath = m_dir.File("lesen/neu.tov");
    std::string strReport = RunUnprivileged([strPath] {
        CDB& db = GetDatabase();
        std::string str = db.Open(strPath) ? "open" : "not-open";
        str += " " + std::to_string(db.GetLastErrorCode());
        db.Close();
        return str;
    });
    EXPECT_EQ(strReport, "not-open 14");
    EXPECT_FALSE(fs::exists(strPath));
}

TEST_F(CBadInputTest, PathWithSpacesAndUmlauts) {
    std::string strFolder = m_dir.File("Mein Wissen äöü ß");
    fs::create_directory(strFolder);
    std::string strPath = strFolder + "/Größe & 'Maß' [1].tov";
    CDB& db = GetDatabase();
    ASSERT_TRUE(OpenDatabase(strPath));
    EXPECT_TRUE(db.InitNewDatabase());
    { CKnowHowTable table; }
    EXPECT_EQ(db.GetFilePath(), strPath);
    EXPECT_EQ(GetFileNamePart(db.GetFilePath()), "Größe & 'Maß' [1].tov");
    EXPECT_EQ(GetFolderPart(db.GetFilePath()), strFolder);
    ASSERT_TRUE(db.Close());
    EXPECT_TRUE(fs::exists(fs::u8path(strPath)));
    EXPECT_TRUE(db.IsFileFree());
    ASSERT_TRUE(db.Open(strPath));
    EXPECT_EQ(db.GetOption("DbVersion"), "1.200");
    EXPECT_TRUE(db.TableExists("KnowHow"));
}
