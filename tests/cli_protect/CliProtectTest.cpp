// protect, unprotect and admin of orvantis-cli as a second process, and the
// password options every command that opens a knowledge base takes.
#include "protect/ProtectFixture.h"

namespace {
bool Contains(const std::string& strHaystack, const std::string& strNeedle) {
    return strHaystack.find(strNeedle) != std::string::npos;
}
}  // namespace

class CCliProtectTest : public CProtectTest {
protected:
    std::string m_strPath;

    void SetUp() override {
        CProtectTest::SetUp();
        m_strPath = CreateWithEntries();
        GetDatabase().Close();
    }

    // Reads in this process, then lets go of the file again.
    template <typename Fn>
    void WithSession(Fn fn) {
        OpenDatabase(m_strPath);
        GetDbPasswort().ClearPassword();
        fn();
        GetDbPasswort().ClearPassword();
        GetDatabase().Close();
    }
};

TEST_F(CCliProtectTest, ProtectChangeUnprotect) {
    auto r = RunCli({"protect", m_strPath, "--new", "geheim"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "Alle Einträge in der Datenbank wurden verschlüsselt.")) << r.strErr;
    WithSession([&] { ExpectStoredUnder("geheim"); });

    // a protected file is refused without the password, and with a wrong one
    r = RunCli({"tree", m_strPath});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Die Datenbank ist geschützt")) << r.strErr;
    EXPECT_EQ(r.strOut, "");
    r = RunCli({"tree", m_strPath, "--password", "Geheim"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Passworteingabe: Das eingegebene Passwort ist falsch !")) << r.strErr;
    r = RunCli({"tree", m_strPath, "--password", "geheim"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strOut, "O'Neil")) << r.strOut;
    EXPECT_TRUE(Contains(r.strOut, "Küche")) << r.strOut;

    r = RunCli({"protect", m_strPath, "--new", "neu"});
    EXPECT_EQ(r.nExit, 1);
    r = RunCli({"protect", m_strPath, "--new", "neu", "--password", "geheim"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "Das Kennwort der Datenbank wurde geändert.")) << r.strErr;
    WithSession([&] {
        ExpectStoredUnder("neu");
        EXPECT_FALSE(GetDbPasswort().CheckPassword("geheim"));
    });

    r = RunCli({"unprotect", m_strPath, "--password", "neu"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "Die Datenbank ist jetzt ungeschützt !")) << r.strErr;
    WithSession([&] {
        ExpectStoredUnder("");
        EXPECT_EQ(GetDatabase().GetOption("DbKey"), "");
    });
    r = RunCli({"unprotect", m_strPath, "--password", "neu"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "nicht geschützt")) << r.strErr;
}

TEST_F(CCliProtectTest, PasswordsAreWindows1252Bytes) {
    // typed in UTF-8 on the command line, the same bytes as in the program
    auto r = RunCli({"protect", m_strPath, "--new", "Grüße"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    WithSession([&] {
        EXPECT_EQ(GetDatabase().GetOption("DbKey"), CDbPasswort::MakeVerifier(Ansi("Grüße")));
        ASSERT_TRUE(GetDbPasswort().CheckPassword(Ansi("Grüße")));
        ExpectStoredUnder(Ansi("Grüße"));
        // and changed the program's way
        m_platform.SetLocalTime(2026, 12, 7, 7, 10);
        ASSERT_TRUE(GetDbPasswort().SetDatabasePassword(Ansi("Kälte")));
    });
    r = RunCli({"tree", m_strPath, "--password", "Kälte"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strOut, "Küche")) << r.strOut;

    // what Windows-1252 cannot hold, and what the verifier cannot tell apart
    r = RunCli({"protect", m_strPath, "--password", "Kälte", "--new", "Привет"});
    EXPECT_EQ(r.nExit, 1);
    r = RunCli({"protect", m_strPath, "--password", "Kälte", "--new", "abc~"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Das Kennwort darf nicht mit dem Zeichen '~' enden !")) << r.strErr;
    WithSession([&] { EXPECT_EQ(GetDatabase().GetOption("DbKey"), CDbPasswort::MakeVerifier(Ansi("Kälte"))); });
    // tildes typed after the real password still read the texts
    r = RunCli({"tree", m_strPath, "--password", "Kälte~~"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strOut, "Küche")) << r.strOut;
}

TEST_F(CCliProtectTest, AdministratorPasswordGatesTheLockedCommands) {
    auto r = RunCli({"admin", m_strPath, "--set", "chef"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "Das Kennwort wurde eingetragen.")) << r.strErr;

    r = RunCli({"protect", m_strPath, "--new", "geheim"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "--admin")) << r.strErr;
    r = RunCli({"protect", m_strPath, "--new", "geheim", "--admin", "Chef"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Kennworteingabe: Das eingegebene Kennwort ist falsch !")) << r.strErr;
    WithSession([&] { EXPECT_FALSE(GetDbPasswort().IsProtected()); });
    r = RunCli({"protect", m_strPath, "--new", "geheim", "--admin", "chef"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    r = RunCli({"unprotect", m_strPath, "--password", "geheim"});
    EXPECT_EQ(r.nExit, 1);

    // reading needs no administrator
    r = RunCli({"tree", m_strPath, "--password", "geheim"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;

    r = RunCli({"admin", m_strPath, "--set", "neu", "--password", "geheim"});
    EXPECT_EQ(r.nExit, 1);
    r = RunCli({"admin", m_strPath, "--set", "neu", "--password", "geheim", "--admin", "chef"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    r = RunCli({"admin", m_strPath, "--delete", "--password", "geheim"});
    EXPECT_EQ(r.nExit, 1);
    WithSession([&] { EXPECT_EQ(GetDatabase().GetOption("AdminKey"), CDbAdmin::MakeVerifier("neu")); });
    r = RunCli({"admin", m_strPath, "--delete", "--password", "geheim", "--admin", "neu"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "Das Administrator-Kennwort wurde gelöscht.")) << r.strErr;
    WithSession([&] { EXPECT_EQ(GetDatabase().GetOption("AdminKey"), ""); });
    r = RunCli({"admin", m_strPath, "--delete", "--password", "geheim"});
    EXPECT_EQ(r.nExit, 1);
    r = RunCli({"unprotect", m_strPath, "--password", "geheim"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    r = RunCli({"admin", m_strPath});
    EXPECT_EQ(r.nExit, 2);
}

TEST_F(CCliProtectTest, RefusedWhileAnotherUserHasTheFile) {
    CChildProcess other({CliPath(), "hold", m_strPath, "--seconds", "60"});
    ASSERT_TRUE(other.WaitForOutput("bereit"));
    auto r = RunCli({"protect", m_strPath, "--new", "geheim"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Sie kann zur Zeit nicht verschlüsselt werden !")) << r.strErr;
    r = RunCli({"admin", m_strPath, "--set", "chef"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Es kann zur Zeit kein Administratorkennwort eingerichtet werden !")) << r.strErr;
    other.Kill();
    WithSession([&] {
        EXPECT_FALSE(GetDbPasswort().IsProtected());
        EXPECT_FALSE(GetDbAdmin().IsAdminPasswordSet());
        ExpectStoredUnder("");
    });
}
