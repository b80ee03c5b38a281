// The database password on a real file: the stored form in every column,
// the conversions in both directions, their failure in the middle, the
// refusals, and the keys the verifier cannot tell apart.
#include <filesystem>

#include "ProtectFixture.h"

namespace fs = std::filesystem;

TEST_F(CProtectTest, ProtectingStoresEveryTextInTheCipherForm) {
    std::string strPath = CreateWithEntries();
    auto before = UpdateNrs();
    CDbPasswort& pw = GetDbPasswort();
    EXPECT_FALSE(pw.IsProtected());

    ASSERT_TRUE(pw.SetDatabasePassword("geheim"));
    EXPECT_TRUE(m_platform.m_arrMessages.empty()) << m_platform.LastMessage();
    EXPECT_TRUE(pw.IsProtected());
    EXPECT_EQ(pw.GetPassword(), "geheim");
    EXPECT_EQ(GetDatabase().GetOption("DbKey"), CDbPasswort::MakeVerifier("geheim"));
    ExpectStoredUnder("geheim");
    auto rows = RawRows();
    EXPECT_EQ(rows[3].strText, "");  // empty values stay empty
    EXPECT_EQ(rows[0].strLink, "");
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].nUpdateNr, before[i] + 1);
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);

    // the copy of the file as it was, and the stamps of backup and compaction
    ASSERT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0634")));
    EXPECT_EQ(GetDatabase().GetOption("LastBackup"), "2026.12.07-06:34");
    EXPECT_EQ(GetDatabase().GetOption("LastReorg"), "2026.12.07-06:34");
    {
        CDB copy;
        ASSERT_TRUE(copy.Open(BackupCopy(strPath, "20261207_0634")));
        EXPECT_EQ(copy.GetValue("KnowHow", "Name", "ID=3"), "O'Neil");
        EXPECT_EQ(copy.GetOption("DbKey"), "");
        copy.Close();
    }

    // in force for reading right away
    ExpectPlainTexts();

    // another opening: the stored texts are of no use without the password
    GetDatabase().Close();
    OpenDatabase(strPath);
    pw.ClearPassword();
    EXPECT_NE(ReadItems()[3].Name, "O'Neil");
    EXPECT_FALSE(pw.CheckPassword("Geheim"));
    EXPECT_FALSE(pw.IsPasswordSet());
    EXPECT_TRUE(pw.CheckPassword("geheim"));
    ExpectPlainTexts();
}

TEST_F(CProtectTest, ChangingAndRemovingReencryptEveryRow) {
    std::string strPath = CreateWithEntries();
    CDbPasswort& pw = GetDbPasswort();
    ASSERT_TRUE(pw.SetDatabasePassword("geheim"));
    std::string strReorg = GetDatabase().GetOption("LastReorg");
    auto before = UpdateNrs();

    m_platform.SetLocalTime(2026, 12, 7, 6, 40);
    ASSERT_TRUE(pw.SetDatabasePassword(Ansi("Grüße")));
    ExpectStoredUnder(Ansi("Grüße"));
    auto after = UpdateNrs();
    for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i], before[i] + 1);
    EXPECT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0640")));
    // compaction only when protection is switched on
    EXPECT_EQ(GetDatabase().GetOption("LastReorg"), strReorg);

    pw.ClearPassword();
    EXPECT_FALSE(pw.CheckPassword("geheim"));
    EXPECT_TRUE(pw.CheckPassword(Ansi("Grüße")));
    ExpectPlainTexts();

    m_platform.SetLocalTime(2026, 12, 7, 6, 45);
    ASSERT_TRUE(pw.SetDatabasePassword(""));
    EXPECT_FALSE(pw.IsProtected());
    EXPECT_FALSE(pw.IsPasswordSet());
    EXPECT_EQ(GetDatabase().GetOption("DbKey"), "");
    ExpectStoredUnder("");
    auto plain = UpdateNrs();
    for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(plain[i], after[i] + 1);
    EXPECT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0645")));
    EXPECT_TRUE(pw.AskPasswordOnOpen());  // no prompt installed, none needed
}

TEST_F(CProtectTest, FailureInTheMiddleLeavesEverythingAsItWas) {
    CreateWithEntries();
    CDbPasswort& pw = GetDbPasswort();
    ASSERT_TRUE(pw.SetDatabasePassword("geheim"));
    ASSERT_TRUE(
        GetDatabase().Execute("CREATE TRIGGER Sperre BEFORE UPDATE ON KnowHow WHEN old.ID=4 "
                              "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END;"));
    auto rows = RawRows();
    std::string strKey = GetDatabase().GetOption("DbKey");
    m_platform.Clear();

    m_platform.SetLocalTime(2026, 12, 7, 7, 0);
    EXPECT_FALSE(pw.SetDatabasePassword("neu"));
    EXPECT_EQ(m_platform.LastMessage(), "Die Eingaben konnten nicht gespeichert werden !");
    EXPECT_EQ(RawRows(), rows);
    EXPECT_EQ(GetDatabase().GetOption("DbKey"), strKey);
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
    // the cipher is back at the key the file still uses
    EXPECT_EQ(pw.GetPassword(), "geheim");
    ExpectPlainTexts();
    CKnowHow knowHow;
    CKnowHowItem item;
    ASSERT_EQ(knowHow.GetItem(item, 5), 1);
    item.SetText("neuer Text");
    CKnowHowArray arr{item};
    ASSERT_EQ(knowHow.SaveItems(arr), EWriteResult::Saved);
    CCrypt old;
    old.SetPassword("geheim");
    EXPECT_EQ(RawRows()[4].strText, old.Encrypt("neuer Text"));

    // the same when protection is switched off
    EXPECT_FALSE(pw.SetDatabasePassword(""));
    EXPECT_TRUE(pw.IsProtected());
    EXPECT_EQ(pw.GetPassword(), "geheim");

    // and when it is switched on: the texts stay plain, the cipher empty
    GetDatabase().Execute("DROP TRIGGER Sperre;");
    ASSERT_TRUE(pw.SetDatabasePassword(""));
    GetDatabase().Execute(
        "CREATE TRIGGER Sperre BEFORE UPDATE ON KnowHow WHEN old.ID=2 "
        "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END;");
    auto plain = RawRows();
    EXPECT_FALSE(pw.SetDatabasePassword("geheim"));
    EXPECT_EQ(RawRows(), plain);
    EXPECT_FALSE(pw.IsProtected());
    EXPECT_FALSE(pw.IsPasswordSet());
}

TEST_F(CProtectTest, StaleEntryStopsTheConversion) {
    CreateWithEntries();
    CDbPasswort& pw = GetDbPasswort();
    // another user's change made between reading and writing the rows
    GetDatabase().Execute(
        "CREATE TRIGGER Fremd AFTER UPDATE OF Name ON KnowHow WHEN new.ID=1 "
        "BEGIN UPDATE KnowHow SET UpdateNr=UpdateNr+5 WHERE ID=6; END;");
    auto rows = RawRows();
    EXPECT_FALSE(pw.SetDatabasePassword("geheim"));
    EXPECT_EQ(m_platform.m_arrMessages.size(), 2u);  // refused update, then the batch
    EXPECT_EQ(RawRows(), rows);
    EXPECT_EQ(GetDatabase().GetOption("DbKey"), "");
    EXPECT_FALSE(pw.IsPasswordSet());
}

TEST_F(CProtectTest, RefusedPasswordsChangeNothing) {
    std::string strPath = CreateWithEntries();
    CDbPasswort& pw = GetDbPasswort();
    auto rows = RawRows();

    EXPECT_FALSE(pw.SetDatabasePassword("abc~"));
    EXPECT_EQ(m_platform.LastMessage(), "Das Kennwort darf nicht mit dem Zeichen '~' enden !");
    EXPECT_FALSE(pw.SetDatabasePassword(std::string(33, 'x')));
    EXPECT_EQ(m_platform.LastMessage(), "Das Kennwort darf höchstens 32 Zeichen lang sein !");
    EXPECT_TRUE(pw.CheckNewPassword("a~b"));
    EXPECT_TRUE(pw.CheckNewPassword(std::string(32, 'x')));
    EXPECT_EQ(RawRows(), rows);
    EXPECT_FALSE(fs::exists(BackupCopy(strPath, "20261207_0634")));

    // another user has the file open: no copy, no change
    GetDatabase().Close();
    CChildProcess other({CliPath(), "hold", strPath, "--seconds", "60"});
    ASSERT_TRUE(other.WaitForOutput("bereit"));
    OpenDatabase(strPath);
    m_platform.Clear();
    EXPECT_FALSE(pw.SetDatabasePassword("geheim"));
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Datenbank wird von anderen Benutzern verwendet.\n\nSie kann zur Zeit nicht verschlüsselt werden !");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_TRUE(GetDatabase().IsOpen());
    EXPECT_EQ(RawRows(), rows);
    EXPECT_FALSE(fs::exists(BackupCopy(strPath, "20261207_0634")));
    EXPECT_FALSE(pw.IsPasswordSet());
}

TEST_F(CProtectTest, TrailingTildesFindTheRealKey) {
    CreateWithEntries();
    CDbPasswort& pw = GetDbPasswort();
    ASSERT_TRUE(pw.SetDatabasePassword("abc"));

    // typed with tildes the verifier ignores: the texts still read right
    for (const char* psz : {"abc~", "abc~~~", "abc"}) {
        pw.ClearPassword();
        ASSERT_TRUE(pw.CheckPassword(psz)) << psz;
        EXPECT_EQ(pw.GetPassword(), "abc") << psz;
        ExpectPlainTexts();
    }

    // a file protected elsewhere with a password that ends with a tilde
    ASSERT_TRUE(pw.SetDatabasePassword(""));
    ASSERT_TRUE(GetDatabase().SetOption("DbKey", CDbPasswort::MakeVerifier("abc~")));
    ASSERT_TRUE(pw.ReencryptAll("", "abc~"));
    ExpectStoredUnder("abc~");
    for (const char* psz : {"abc~", "abc", "abc~~"}) {
        pw.ClearPassword();
        ASSERT_TRUE(pw.CheckPassword(psz)) << psz;
        EXPECT_EQ(pw.GetPassword(), "abc~") << psz;
        ExpectPlainTexts();
    }

    // nothing stored to tell them apart: the text without the tildes,
    // which is what a password set here always is
    GetDatabase().Execute("UPDATE KnowHow SET Name='', Text='';");
    pw.ClearPassword();
    ASSERT_TRUE(pw.CheckPassword("abc~~"));
    EXPECT_EQ(pw.GetPassword(), "abc");
}

TEST_F(CProtectTest, TypedPasswordsAreCutToThirtyTwoAndTheKeyIsNeverEmpty) {
    CreateWithEntries();
    CDbPasswort& pw = GetDbPasswort();
    const std::string strLong(32, 'k');
    ASSERT_TRUE(pw.SetDatabasePassword(strLong));
    // what the dialog cannot take is not part of the key
    pw.ClearPassword();
    ASSERT_TRUE(pw.CheckPassword(strLong + "xyz"));
    EXPECT_EQ(pw.GetPassword(), strLong);
    ExpectPlainTexts();

    // a file protected elsewhere with tildes only
    ASSERT_TRUE(pw.SetDatabasePassword(""));
    ASSERT_TRUE(GetDatabase().SetOption("DbKey", CDbPasswort::MakeVerifier("~")));
    ASSERT_TRUE(pw.ReencryptAll("", "~"));
    for (const char* psz : {"~", "~~", "~~~~~~~~"}) {
        pw.ClearPassword();
        ASSERT_TRUE(pw.CheckPassword(psz)) << psz;
        EXPECT_EQ(pw.GetPassword(), "~") << psz;
        ExpectPlainTexts();
    }
    // texts that another program left plain must not make it choose no key
    ASSERT_TRUE(pw.ReencryptAll("~", ""));
    pw.ClearPassword();
    ASSERT_TRUE(pw.CheckPassword("~~"));
    EXPECT_TRUE(pw.IsPasswordSet());

    // nothing stored to tell the keys apart: still no key the dialog cannot type
    ASSERT_TRUE(GetDatabase().SetOption("DbKey", CDbPasswort::MakeVerifier(strLong)));
    GetDatabase().Execute("UPDATE KnowHow SET Name='', Text='';");
    pw.ClearPassword();
    ASSERT_TRUE(pw.CheckPassword(strLong + "x"));
    EXPECT_EQ(pw.GetPassword(), strLong);
}
