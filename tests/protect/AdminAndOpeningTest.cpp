// The administrator password, the opening chain with its prompt, and the
// search in a protected database.
#include <filesystem>

#include "ProtectFixture.h"
#include "protect/KnowledgeBase.h"
#include "protect/PasswordCommands.h"

namespace fs = std::filesystem;

TEST_F(CProtectTest, AdminPasswordLocksAndUnlocks) {
    std::string strPath = CreateWithEntries();
    CDbAdmin& admin = GetDbAdmin();
    admin.ResetAdminState();
    EXPECT_FALSE(admin.IsAdminPasswordSet());
    EXPECT_TRUE(admin.IsUnlocked());

    std::string str32 = "0123456789abcdefghijklmnopqrstuv";
    ASSERT_TRUE(admin.SetAdminPassword(str32));
    EXPECT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0634")));
    EXPECT_TRUE(admin.IsAdminPasswordSet());
    EXPECT_TRUE(admin.IsUnlocked());
    EXPECT_EQ(GetDatabase().GetOption("AdminKey"), CDbAdmin::MakeVerifier(str32));

    EXPECT_TRUE(admin.Logout());
    EXPECT_FALSE(admin.IsUnlocked());
    EXPECT_FALSE(admin.Login(str32.substr(0, 31)));
    EXPECT_FALSE(admin.Login(""));
    EXPECT_FALSE(admin.IsUnlocked());
    EXPECT_TRUE(admin.Login(str32));
    EXPECT_TRUE(admin.IsUnlocked());

    // a new opening starts locked; number signs after the password pass
    admin.ResetAdminState();
    EXPECT_FALSE(admin.IsUnlocked());
    m_platform.SetLocalTime(2026, 12, 7, 6, 50);
    ASSERT_TRUE(admin.SetAdminPassword("chef"));
    admin.Logout();
    EXPECT_TRUE(admin.Login("chef###"));
    EXPECT_FALSE(admin.Login("chef#x"));
    EXPECT_TRUE(admin.IsUnlocked());  // a failed login keeps the state

    // deleting: no copy, unlocked stays
    m_platform.SetLocalTime(2026, 12, 7, 6, 55);
    EXPECT_TRUE(admin.DeleteAdminPassword());
    EXPECT_FALSE(fs::exists(BackupCopy(strPath, "20261207_0655")));
    EXPECT_FALSE(admin.IsAdminPasswordSet());
    EXPECT_TRUE(admin.IsUnlocked());
    admin.ResetAdminState();
    EXPECT_TRUE(admin.IsUnlocked());

    // the database password stays what it was
    EXPECT_FALSE(GetDbPasswort().IsProtected());
    ExpectStoredUnder("");
}

TEST_F(CProtectTest, AdminPasswordRefusedWhileOthersUseTheFile) {
    std::string strPath = CreateWithEntries();
    GetDatabase().Close();
    CChildProcess other({CliPath(), "hold", strPath, "--seconds", "60"});
    ASSERT_TRUE(other.WaitForOutput("bereit"));
    OpenDatabase(strPath);
    CDbAdmin& admin = GetDbAdmin();
    admin.ResetAdminState();
    EXPECT_FALSE(ApplyAdminPassword("chef"));
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Datenbank wird von anderen Benutzern verwendet.\n\n"
              "Es kann zur Zeit kein Administratorkennwort eingerichtet werden !");
    EXPECT_FALSE(admin.IsAdminPasswordSet());
    EXPECT_FALSE(fs::exists(BackupCopy(strPath, "20261207_0634")));
}

TEST_F(CProtectTest, AdminPasswordDeleteThatDoesNotArriveIsNoSuccess) {
    std::string strPath = CreateWithEntries();
    ASSERT_TRUE(GetDbAdmin().SetAdminPassword("chef"));
    auto pOther = HoldExclusive(strPath, 60);
    m_platform.m_arrMessages.clear();
    EXPECT_FALSE(DeleteAdminPasswordReport());
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.LastMessage(),
              std::string(DB_LOCKED_MESSAGE) + "\n\nDas Kennwort kann zur Zeit nicht gelöscht werden !");
    pOther.reset();
    EXPECT_TRUE(GetDbAdmin().IsAdminPasswordSet());
}

TEST_F(CProtectTest, OpeningChainAsksAndClosesOnFailure) {
    std::string strPath = CreateWithEntries();
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    GetDbAdmin().SetAdminPassword("chef");
    GetDatabase().Close();
    CDbPasswort& pw = GetDbPasswort();

    // no prompt to ask with: refused, and nobody is kept out of the file
    EXPECT_EQ(OpenKnowledgeBase(strPath), nullptr);
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_TRUE(GetPlatform().IsFileFree(strPath));
    EXPECT_FALSE(pw.IsPasswordSet());

    // the prompt tries a wrong password, then gives up
    int nAsked = 0;
    pw.SetPrompt([&](CDbPasswort& p) {
        ++nAsked;
        return p.CheckPassword("falsch");
    });
    EXPECT_EQ(OpenKnowledgeBase(strPath), nullptr);
    EXPECT_EQ(nAsked, 1);
    EXPECT_FALSE(GetDatabase().IsOpen());

    pw.SetPrompt([&](CDbPasswort& p) { return p.CheckPassword("geheim"); });
    auto pKnowHow = OpenKnowledgeBase(strPath);
    ASSERT_NE(pKnowHow, nullptr);
    EXPECT_TRUE(GetDatabase().IsOpen());
    EXPECT_EQ(pw.GetPassword(), "geheim");
    EXPECT_FALSE(GetDbAdmin().IsUnlocked());
    CKnowHowItem item;
    ASSERT_EQ(pKnowHow->GetItem(item, 3), 1);
    EXPECT_EQ(item.Name, "O'Neil");
    pKnowHow.reset();

    // creating a database right after: no password, texts stored plain
    auto pNew = CreateKnowledgeBase(m_dir.File("neu.tov"));
    ASSERT_NE(pNew, nullptr);
    EXPECT_FALSE(pw.IsPasswordSet());
    EXPECT_TRUE(GetDbAdmin().IsUnlocked());
    CKnowHowItem folder;
    folder.IsDir = 1;
    folder.PosNr = 1;
    folder.SetName("Neu");
    CKnowHowArray arr{folder};
    ASSERT_EQ(pNew->SaveItems(arr), EWriteResult::Saved);
    EXPECT_EQ(RawRows()[0].strName, "Neu");
}

TEST_F(CProtectTest, RefusedVersionClosesTheSession) {
    std::string strPath = CreateWithEntries();
    ASSERT_TRUE(GetDatabase().SetOption("DbVersion", "1.300"));
    GetDatabase().Close();
    EXPECT_EQ(OpenKnowledgeBase(strPath), nullptr);
    EXPECT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_TRUE(GetPlatform().IsFileFree(strPath));
}

TEST_F(CProtectTest, SearchFindsTheSameWithAndWithoutPassword) {
    CreateWithEntries();
    auto check = [](CKnowHow& knowHow) {
        CKnowHowArray arr;
        ASSERT_EQ(knowHow.Search(arr, "macht", false, true), 1);
        EXPECT_EQ(arr[0].ID, 5);
        EXPECT_EQ(knowHow.Search(arr, "MACHT", false, true), 1);
        EXPECT_EQ(knowHow.Search(arr, "Wissen_", true, false), 1);
        EXPECT_EQ(knowHow.Search(arr, "O'N", true, false), 1);
        EXPECT_EQ(knowHow.Search(arr, "t_xt", false, true), 0);  // the underscore is itself
        EXPECT_EQ(knowHow.Search(arr, "\\backslash\\", false, true), 1);
        ASSERT_EQ(knowHow.Search(arr, Ansi("GRÜSSE"), true, true), 0);
        ASSERT_EQ(knowHow.Search(arr, Ansi("GRÜßE"), true, true), 1);
        EXPECT_EQ(arr[0].Name, Ansi("Küche"));
        EXPECT_EQ(knowHow.Search(arr, Ansi("kÜCHE"), true, false), 1);
        // the keyword and text both hold it: listed once
        EXPECT_EQ(knowHow.Search(arr, "e", true, true), 6);
    };
    {
        SCOPED_TRACE("plain");
        CKnowHow knowHow;
        check(knowHow);
    }
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    SCOPED_TRACE("protected");
    CKnowHow protectedKnowHow;
    check(protectedKnowHow);
}
