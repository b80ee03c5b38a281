// Why the engine refused a statement, worded for the user, for what the file
// system really answers: read-only files and folders, a full disk, damaged
// files and a folder in place of the file.
#include <sys/stat.h>

#include <filesystem>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/TestDisk.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
class CFailureReasonTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strDb = CreateDatabase();
        ASSERT_TRUE(GetDatabase().Execute("CREATE TABLE Probe (x);"));
        CloseDatabase();
    }

    // Opens the file in this process (or a child of it), runs the statement
    // and answers the reason why either failed; "ok" when neither did.
    static std::string Reason(const std::string& strPath, const std::string& strSql) {
        CDB& db = GetDatabase();
        bool bOk = db.Open(strPath) && db.Execute(strSql);
        std::string str = bOk ? "ok" : Cp1252ToUtf8(GetDbFailureReason(db.GetLastErrorCode()));
        db.Close();
        return str;
    }

    std::string m_strDb;
};

const char* const kInsert = "INSERT INTO Probe VALUES (randomblob(100000));";
const char* const kReadOnly = "Die Datenbankdatei ist schreibgeschützt, oder ihr Ordner erlaubt keine Änderungen.";
}  // namespace

TEST_F(CFailureReasonTest, ReadOnlyFileAndFolder) {
    OpenForOthers(m_dir.Path());
    ::chmod(m_strDb.c_str(), 0444);
    EXPECT_EQ(RunUnprivileged([&] { return Reason(m_strDb, kInsert); }), kReadOnly);
    // a writable file in a folder where the engine cannot place its journal
    std::string strFolder = m_dir.File("nur-lesen");
    fs::create_directory(strFolder);
    std::string strDb = strFolder + "/wissen.tov";
    fs::copy_file(m_strDb, strDb);
    ::chmod(strDb.c_str(), 0666);
    ::chmod(strFolder.c_str(), 0555);
    EXPECT_EQ(RunUnprivileged([&] { return Reason(strDb, kInsert); }), kReadOnly);
    // reading stays possible in both
    EXPECT_EQ(RunUnprivileged([&] { return Reason(strDb, "SELECT count(*) FROM Probe;"); }), "ok");
}

TEST_F(CFailureReasonTest, DamagedFilesAndAFolder) {
    std::string strWhole = ReadFile(m_strDb);
    WriteFile(m_dir.File("kurz.tov"), strWhole.substr(0, 4096));
    WriteFile(m_dir.File("text.tov"), std::string(8192, 'a'));
    const struct {
        std::string strPath;
        const char* pszReason;
    } kCases[] = {
        {m_dir.File("kurz.tov"), "Die Datenbankdatei ist beschädigt."},
        {m_dir.File("text.tov"), "Die Datei ist keine Datenbank, oder sie ist beschädigt."},
        {m_dir.Path(), "Die Datenbankdatei kann nicht geöffnet werden."},
    };
    for (const auto& c : kCases) EXPECT_EQ(Reason(c.strPath, "SELECT * FROM Probe;"), c.pszReason) << c.strPath;
    EXPECT_EQ(GetDbFailureReason(0), "");
}

TEST_F(CFailureReasonTest, FullDisk) {
    std::string strDisk = m_dir.File("disk");
    fs::create_directory(strDisk);
    std::string strDb = m_strDb;
    std::string strResult = RunOnSmallDisk(strDisk, 256 << 10, [&] {
        fs::copy_file(strDb, strDisk + "/wissen.tov");
        return Reason(strDisk + "/wissen.tov", "INSERT INTO Probe VALUES (randomblob(1000000));");
    });
    if (strResult.rfind("skip:", 0) == 0) GTEST_SKIP() << strResult;
    EXPECT_EQ(strResult, "Der Datenträger ist voll.");
}
