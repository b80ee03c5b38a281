// After protecting, the user learns which backup copies still hold the plain
// texts; the copies stay. A file that cannot be written is refused with the
// reason before anything starts.
#include <sys/stat.h>

#include <filesystem>

#include "protect/PasswordCommands.h"
#include "protect/ProtectFixture.h"

namespace fs = std::filesystem;

namespace {
const char* const kNoticeStart = "Die folgenden Sicherungskopien enthalten die Daten weiterhin unverschlüsselt:\n\n";

class CUnencryptedCopiesTest : public CProtectTest {
protected:
    void SetUp() override {
        CProtectTest::SetUp();
        m_strDb = CreateWithEntries();
    }
    std::string m_strDb;
};
}  // namespace

TEST_F(CUnencryptedCopiesTest, ProtectingNamesThePlainCopiesAndKeepsThem) {
    CDB& db = GetDatabase();
    m_platform.SetLocalTime(2026, 12, 6, 8, 0);
    ASSERT_TRUE(db.MakeBackup());
    m_platform.SetLocalTime(2026, 12, 7, 6, 34);
    // a copy that cannot be read is named too: nobody can say it is safe
    WriteFile(BackupCopy(m_strDb, "20261201_0000"), "kaputt");

    ASSERT_TRUE(ApplyDatabasePassword("geheim"));
    auto arrTexts = m_platform.MessageTexts();
    ASSERT_EQ(arrTexts.size(), 2u);
    EXPECT_EQ(arrTexts[0], "Alle Einträge in der Datenbank wurden verschlüsselt.");
    EXPECT_EQ(arrTexts[1], kNoticeStart + BackupCopy(m_strDb, "20261201_0000") + "\n" +
                               BackupCopy(m_strDb, "20261206_0800") + "\n" + BackupCopy(m_strDb, "20261207_0634") +
                               "\n\nLöschen Sie diese Dateien oder verschieben Sie sie an einen sicheren Ort !");
    for (const char* psz : {"20261201_0000", "20261206_0800", "20261207_0634"})
        EXPECT_TRUE(fs::exists(BackupCopy(m_strDb, psz))) << psz;

    // copies made under a password are not named; removing it tells of nothing
    m_platform.Clear();
    m_platform.SetLocalTime(2026, 12, 7, 7, 0);
    ASSERT_TRUE(ApplyDatabasePassword("anders"));
    ASSERT_EQ(m_platform.MessageTexts().size(), 2u);
    EXPECT_EQ(m_platform.LastMessage().find("20261207_0700"), std::string::npos);
    EXPECT_EQ(FindUnencryptedBackupCopies().size(), 3u);
    m_platform.Clear();
    m_platform.SetLocalTime(2026, 12, 7, 7, 5);
    ASSERT_TRUE(RemoveDatabasePassword());
    EXPECT_EQ(m_platform.MessageTexts().size(), 1u);

    // the copy that protecting makes is plain itself; the others are gone
    for (const auto& strCopy : FindUnencryptedBackupCopies()) fs::remove(strCopy);
    m_platform.Clear();
    m_platform.SetLocalTime(2026, 12, 7, 7, 10);
    ASSERT_TRUE(ApplyDatabasePassword("geheim"));
    EXPECT_EQ(m_platform.MessageTexts(),
              (std::vector<std::string>{"Alle Einträge in der Datenbank wurden verschlüsselt.",
                                        kNoticeStart + BackupCopy(m_strDb, "20261207_0710") +
                                            "\n\nLöschen Sie diese Dateien oder verschieben Sie sie an einen "
                                            "sicheren Ort !"}));
}

TEST_F(CUnencryptedCopiesTest, CliNamesThemOnOneLine) {
    GetDatabase().MakeBackup();
    CloseDatabase();
    auto r = RunCli({"protect", m_strDb, "--new", "geheim"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    std::string strLine = std::string(UNENCRYPTED_COPIES_NOTE) + BackupCopy(m_strDb, "");
    size_t nAt = r.strErr.find(strLine);
    ASSERT_NE(nAt, std::string::npos) << r.strErr;
    EXPECT_EQ(r.strErr.find('\n', nAt), r.strErr.size() - 1) << r.strErr;  // the last line, and only one
    EXPECT_LT(r.strErr.find("Alle Einträge in der Datenbank wurden verschlüsselt."), nAt);
    EXPECT_EQ(r.strOut, "");
}

TEST_F(CUnencryptedCopiesTest, ReadOnlyFileIsRefusedWithTheReason) {
    CloseDatabase();
    const std::string strBefore = ReadFile(m_strDb);
    OpenForOthers(m_dir.Path());
    ::chmod(m_strDb.c_str(), 0444);
    const char* const kReason = "Die Datenbankdatei ist schreibgeschützt, oder ihr Ordner erlaubt keine Änderungen.";
    const struct {
        std::vector<std::string> arrArgs;
        const char* pszRefusal;
    } kCases[] = {
        {{"protect", m_strDb, "--new", "geheim"}, "Sie kann zur Zeit nicht verschlüsselt werden !"},
        {{"admin", m_strDb, "--set", "chef"}, "Das Kennwort kann zur Zeit nicht eingetragen werden !"},
    };
    for (const auto& c : kCases) {
        auto r = RunCliUnprivileged(c.arrArgs);
        if (r.nExit == 126) GTEST_SKIP() << "orvantis-cli cannot be run as another user here";
        EXPECT_EQ(r.nExit, 1) << c.arrArgs[0];
        EXPECT_NE(r.strErr.find(std::string(kReason) + "\n\n" + c.pszRefusal), std::string::npos) << r.strErr;
    }
    EXPECT_EQ(ReadFile(m_strDb), strBefore);
}
