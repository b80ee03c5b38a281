// Copies that hold one commit while another program writes, commits that
// survive a crash of the machine, and whole-file changes that do not start
// without their safety copy.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "DbMaintUtil.h"
#include "db/CDB.h"
#include "db/DbCommands.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/PasswordCommands.h"
#include "support/TestSupport.h"
#include "tree/CKnowHow.h"

namespace fs = std::filesystem;

namespace {
// Another program that commits without pause: every transaction replaces the
// 200 rows of Probe by 200 rows of the next batch, with sizes that differ
// from batch to batch, so a copy that mixes two commits shows it.
pid_t StartWriter(const std::string& strPath) {
    pid_t pid = ::fork();
    if (pid != 0) return pid;
    sqlite3* pDb = nullptr;
    if (sqlite3_open(strPath.c_str(), &pDb) != SQLITE_OK) ::_exit(2);
    sqlite3_busy_timeout(pDb, 20000);
    for (long long nBatch = 1;; ++nBatch) {
        std::string strSql = "BEGIN IMMEDIATE; DELETE FROM Probe;";
        for (int i = 0; i < 200; ++i)
            strSql += "INSERT INTO Probe VALUES (" + std::to_string(nBatch) + ", randomblob(" +
                      std::to_string(100 + (nBatch * 37 + i * 11) % 1500) + "));";
        strSql += "COMMIT;";
        if (sqlite3_exec(pDb, strSql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            sqlite3_exec(pDb, "ROLLBACK;", nullptr, nullptr, nullptr);
        // a moment without any lock, in which the in-use test finds the file free
        ::usleep(2000);
    }
}

class CWholeCopyTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
        GetDbPasswort().ClearPassword();
    }
    void TearDown() override {
        GetDbPasswort().ClearPassword();
        CCoreTest::TearDown();
    }
    // Stores a folder with two entries (IDs 1 to 3).
    std::string CreateWithEntries() {
        std::string strPath = CreateDatabase();
        CKnowHow knowHow;
        CKnowHowArray arr(3);
        for (int i = 0; i < 3; ++i) {
            arr[i].MasterID = i == 0 ? 0 : 1;
            arr[i].PosNr = i == 0 ? 1 : i;
            arr[i].IsDir = i == 0;
            arr[i].Name = "Eintrag " + std::to_string(i);
            arr[i].Text = "Text " + std::to_string(i);
            arr[i].Modified = true;
        }
        EXPECT_EQ(knowHow.SaveItems(arr), EWriteResult::Saved);
        return strPath;
    }
};

TEST_F(CWholeCopyTest, CopyHoldsOneCommitWhileAnotherProgramWrites) {
    std::string strPath = CreateDatabase();
    ASSERT_TRUE(GetDatabase().SetOption("BackupCount", ""));  // every copy is kept
    // some megabytes, so that a copy takes long enough for commits to cross it
    ASSERT_TRUE(RawExecOk(strPath,
                          "CREATE TABLE Ballast (b); CREATE TABLE Probe (nBatch INTEGER, b);"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                          "INSERT INTO Ballast SELECT randomblob(4000) FROM n;"));
    // the child must not inherit the session's in-use mark
    CloseDatabase();
    pid_t pidWriter = StartWriter(strPath);
    ASSERT_GT(pidWriter, 0);
    OpenDatabase(strPath);

    // waits for the writer's locks take real time here
    m_platform.SetSleepHook([](int nMs) { ::usleep(nMs * 1000); });
    CDB& db = GetDatabase();
    std::vector<std::string> arrCopies;
    for (int nTry = 0; nTry < 1200 && arrCopies.size() < 30; ++nTry) {
        // a copy of its own minute each time
        m_platform.SetLocalTime(2026, 12, 7, 1 + nTry / 60, nTry % 60);
        std::string strCopy;
        // the writer holds a lock now and then: the in-use test refuses then
        if (db.MakeBackup(&strCopy) && !strCopy.empty()) arrCopies.push_back(strCopy);
    }
    ::kill(pidWriter, SIGKILL);
    ::waitpid(pidWriter, nullptr, 0);
    m_platform.SetSleepHook(nullptr);
    ASSERT_GE(arrCopies.size(), 30u);

    std::set<std::string> setBatches;
    for (const auto& strCopy : arrCopies) {
        EXPECT_EQ(RawColumn(strCopy, "PRAGMA integrity_check"), std::vector<std::string>{"ok"}) << strCopy;
        // one batch, whole: 200 rows of one number
        auto arrCounts = RawColumn(strCopy, "SELECT count(*) || ' ' || count(DISTINCT nBatch) FROM Probe");
        EXPECT_TRUE(arrCounts == std::vector<std::string>{"200 1"} || arrCounts == std::vector<std::string>{"0 0"})
            << strCopy << ": " << (arrCounts.empty() ? "unreadable" : arrCounts[0]);
        auto arrBatch = RawColumn(strCopy, "SELECT max(nBatch) FROM Probe");
        if (!arrBatch.empty()) setBatches.insert(arrBatch[0]);
        EXPECT_TRUE(IsCompleteDatabaseFile(strCopy)) << strCopy;
    }
    // the writer went on meanwhile: the copies show different commits
    EXPECT_GT(setBatches.size(), 1u);
}

// Records every deletion of a journal and whether the folder was synced
// after it: the default file system of the engine, wrapped.
struct SJournalDeletes {
    static sqlite3_vfs& Shim() {
        static sqlite3_vfs vfs = [] {
            sqlite3_vfs v = *Real();
            v.zName = "orvantis-test-shim";
            v.xDelete = [](sqlite3_vfs*, const char* zPath, int bSyncDir) {
                std::string strPath = zPath;
                if (strPath.size() > 8 && strPath.compare(strPath.size() - 8, 8, "-journal") == 0)
                    (bSyncDir ? nSynced : nUnsynced)++;
                return Real()->xDelete(Real(), zPath, bSyncDir);
            };
            return v;
        }();
        return vfs;
    }
    static sqlite3_vfs* Real() {
        static sqlite3_vfs* p = sqlite3_vfs_find(nullptr);
        return p;
    }
    static inline int nSynced = 0;
    static inline int nUnsynced = 0;
};

TEST_F(CWholeCopyTest, EveryCommitSyncsTheFolderAfterTheJournalGoes) {
    std::string strOld = m_dir.File("alt.tov");
    ASSERT_TRUE(RawExecOk(strOld, kOldKnowHow));
    SJournalDeletes::Real();
    ASSERT_EQ(sqlite3_vfs_register(&SJournalDeletes::Shim(), 1), SQLITE_OK);
    SJournalDeletes::nSynced = SJournalDeletes::nUnsynced = 0;

    std::string strPath = CreateWithEntries();
    CDB& db = GetDatabase();
    auto synchronous = [&] {
        sqlite3_stmt* pStmt = nullptr;
        int n = -1;
        if (sqlite3_prepare_v2(db.GetHandle(), "PRAGMA synchronous;", -1, &pStmt, nullptr) == SQLITE_OK &&
            sqlite3_step(pStmt) == SQLITE_ROW)
            n = sqlite3_column_int(pStmt, 0);
        sqlite3_finalize(pStmt);
        return n;
    };
    EXPECT_EQ(synchronous(), 3);  // EXTRA
    // the whole-file operations: backup, protect (reorganises), unprotect,
    // the reorganisation, each reopening the session
    ASSERT_TRUE(ApplyDatabasePassword("geheim", false));
    EXPECT_EQ(synchronous(), 3);
    m_platform.SetLocalTime(2026, 12, 7, 6, 35);
    ASSERT_TRUE(RemoveDatabasePassword());
    EXPECT_TRUE(RunReorganize(nullptr, false));
    EXPECT_EQ(synchronous(), 3);
    // an old file's upgrade
    CloseDatabase();
    OpenDatabase(strOld);
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(db.CheckVersion());
    EXPECT_EQ(synchronous(), 3);
    sqlite3_vfs_unregister(&SJournalDeletes::Shim());

    EXPECT_GT(SJournalDeletes::nSynced, 10);
    EXPECT_EQ(SJournalDeletes::nUnsynced, 0);
}

TEST_F(CWholeCopyTest, ProtectAndUnprotectDoNotRunWithoutTheirCopy) {
    std::string strPath = CreateWithEntries();
    auto arrBefore = RawColumn(strPath, "SELECT Name || '|' || Text || '|' || UpdateNr FROM KnowHow ORDER BY ID");
    m_platform.SetCopyFailure(ENOSPC);
    m_platform.Clear();
    EXPECT_FALSE(ApplyDatabasePassword("geheim", false));
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: " + m_dir.Path() +
                  "). Der Datenträger ist voll.\n\nOhne Sicherungskopie wird die Datenbank "
                  "nicht verschlüsselt. Die Datenbank ist unverändert.");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_FALSE(GetDbPasswort().IsPasswordSet());
    EXPECT_EQ(GetDatabase().GetOption("DbKey"), "");
    EXPECT_EQ(GetDatabase().GetOption("LastReorg"), "");  // not even compacted
    EXPECT_EQ(RawColumn(strPath, "SELECT Name || '|' || Text || '|' || UpdateNr FROM KnowHow ORDER BY ID"), arrBefore);

    // protected, the removal and the change are refused alike
    m_platform.SetCopyFailure(0);
    ASSERT_TRUE(ApplyDatabasePassword("geheim", false));
    auto arrProtected = RawColumn(strPath, "SELECT Name || '|' || Text || '|' || UpdateNr FROM KnowHow ORDER BY ID");
    m_platform.SetLocalTime(2026, 12, 7, 6, 40);
    m_platform.SetCopyFailure(EROFS);
    m_platform.Clear();
    EXPECT_FALSE(RemoveDatabasePassword());
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: " + m_dir.Path() +
                  "). Der Datenträger ist schreibgeschützt.\n\nOhne Sicherungskopie wird "
                  "die Datenbank nicht entschlüsselt. Die Datenbank ist unverändert.");
    EXPECT_FALSE(ApplyDatabasePassword("anders", false));
    EXPECT_NE(m_platform.LastMessage().find("Ohne Sicherungskopie wird das Kennwort nicht geändert."),
              std::string::npos);
    EXPECT_EQ(RawColumn(strPath, "SELECT Name || '|' || Text || '|' || UpdateNr FROM KnowHow ORDER BY ID"),
              arrProtected);
    EXPECT_TRUE(GetDbPasswort().IsPasswordSet());
}

TEST_F(CWholeCopyTest, UpgradeDoesNotRunWithoutItsCopy) {
    std::string strOld = m_dir.File("alt.tov");
    ASSERT_TRUE(RawExecOk(strOld, kOldKnowHow));
    std::string strBytes = ReadFile(strOld);
    m_platform.SetCopyFailure(EACCES);
    OpenDatabase(strOld);
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_FALSE(GetDatabase().CheckVersion());
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: " + m_dir.Path() +
                  "). Der Zugriff wurde verweigert (fehlende Berechtigung).\n\nOhne "
                  "Sicherungskopie wird die Datenbank nicht aktualisiert. Die Datenbank "
                  "ist unverändert.");
    EXPECT_EQ(ReadFile(strOld), strBytes);
    EXPECT_FALSE(HasColumn(strOld, "KnowHow", "Link"));
}

TEST_F(CWholeCopyTest, ReorganisationOfAFileGoneFromItsFolderIsAFailure) {
    std::string strFolder = m_dir.File("Ablage");
    fs::create_directory(strFolder);
    CloseDatabase();
    OpenDatabase(strFolder + "/wissen.tov");
    GetDatabase().InitNewDatabase();
    // the folder is renamed by someone else while the engine compacts
    m_platform.SetSleepHook([&](int) {
        std::error_code ec;
        fs::rename(strFolder, m_dir.File("Ablage.alt"), ec);
    });
    m_platform.Clear();
    EXPECT_FALSE(RunReorganize(nullptr, false));
    m_platform.SetSleepHook(nullptr);
    auto arrTexts = m_platform.MessageTexts();
    ASSERT_EQ(arrTexts.size(), 2u);
    EXPECT_EQ(arrTexts[0],
              "Die Datenbankdatei ist in ihrem Verzeichnis nicht mehr zu finden: " + strFolder + "/wissen.tov");
    EXPECT_EQ(arrTexts[1], "Die Datenbank konnte nicht reorganisiert werden.");
}
}  // namespace
