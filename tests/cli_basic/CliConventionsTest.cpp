// What a Linux user expects of orvantis-cli: --opt=value and --, one prefix
// on every message, questions answered at the terminal, create that never
// takes over a file, and an import that says what it made and skipped.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
bool Contains(const std::string& str, const std::string& strPart) {
    return str.find(strPart) != std::string::npos;
}

// Runs orvantis-cli on a pseudo-terminal, as a user at the keyboard: the
// keys are typed at once (the terminal holds them until they are read);
// strOut is everything the terminal showed, the echo included.
SProcessResult RunOnTerminal(const std::vector<std::string>& arrArgs, const std::string& strKeys) {
    std::vector<std::string> arrArgv{CliPath()};
    arrArgv.insert(arrArgv.end(), arrArgs.begin(), arrArgs.end());
    std::vector<char*> argv;
    for (auto& s : arrArgv) argv.push_back(s.data());
    argv.push_back(nullptr);
    int fdMaster = -1;
    pid_t pid = ::forkpty(&fdMaster, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    SProcessResult r;
    if (pid < 0) return r;
    if (!strKeys.empty()) (void)!::write(fdMaster, strKeys.data(), strKeys.size());
    for (;;) {
        pollfd p{fdMaster, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0) {
            ::kill(pid, SIGKILL);  // waits for an answer it was never given
            break;
        }
        char buf[4096];
        ssize_t n = ::read(fdMaster, buf, sizeof buf);
        if (n <= 0) break;  // EIO once the program has ended
        r.strOut.append(buf, static_cast<size_t>(n));
    }
    ::close(fdMaster);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    r.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return r;
}

class CCliConventionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.File("wissen.tov");
        ASSERT_EQ(RunCli({"create", m_strDb}).nExit, 0);
    }
    SProcessResult Cli(std::vector<std::string> arrArgs) {
        arrArgs.insert(arrArgs.begin() + 1, m_strDb);
        return RunCli(arrArgs);
    }
    std::string Add(const std::string& strParent, const std::string& strName, bool bFolder = false) {
        std::vector<std::string> arr{"add", "--parent", strParent, "--name", strName};
        if (bFolder) arr.push_back("--folder");
        auto r = Cli(arr);
        EXPECT_EQ(r.nExit, 0) << r.strErr;
        return r.strOut.substr(0, r.strOut.find('\n'));
    }
    std::string Tree() { return Cli({"tree"}).strOut; }

    CTempDir m_dir;
    std::string m_strDb;
};
}  // namespace

TEST_F(CCliConventionsTest, OptionsTakeAValueAfterAnEqualsSignAndDoubleDashEndsThem) {
    auto r = Cli({"add", "--parent=0", "--name=a=b", "--folder"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "1\n");
    // a keyword that looks like an option, given both ways
    EXPECT_EQ(Cli({"add", "--parent=1", "--name=--texts"}).strOut, "2\n");
    EXPECT_EQ(Cli({"add", "--parent", "1", "--name", "-x"}).strOut, "3\n");
    EXPECT_EQ(Cli({"tree", "--folder=1"}).strOut, "2\t- --texts\n3\t- -x\n");
    EXPECT_EQ(Cli({"search", "--keywords", "--", "--texts"}).strOut, "2\ta=b\\--texts\n");
    // "--" itself and what follows are arguments; a second "--" is one of them
    r = Cli({"search", "--", "--texts", "--"});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_TRUE(Contains(r.strErr, "zu viele Argumente für search")) << r.strErr;
    // an empty value after "=" is a value
    EXPECT_EQ(Cli({"set", "3", "--text="}).nExit, 0);
}

TEST_F(CCliConventionsTest, EveryMessageStartsWithTheProgramName) {
    std::string strEntry = Add("0", "Eintrag");
    std::string strProtected = m_dir.File("geschützt.tov");
    ASSERT_EQ(RunCli({"create", strProtected}).nExit, 0);
    ASSERT_EQ(RunCli({"protect", strProtected, "--new", "geheim"}).nExit, 0);
    const std::vector<std::vector<std::string>> kCases = {
        {"info", m_dir.File("fehlt.tov")},                  // the command's own failure
        {"info", strProtected, "--password", "falsch"},     // a message of the core, with its caption
        {"delete", m_strDb, strEntry},                      // a question answered No
        {"backup-settings", m_strDb, "--dir", "/fehlt"},    // an input error
        {"print", m_strDb, "--folder", "0", "--pdf", "-"},  // the page count beside the PDF
        {"info", m_strDb, "--bogus"},                       // wrong usage
    };
    for (const auto& args : kCases) {
        auto r = RunCli(args);
        auto arrLines = Lines(r.strErr);
        ASSERT_FALSE(arrLines.empty()) << args[0];
        EXPECT_EQ(arrLines[0].rfind("orvantis-cli: ", 0), 0u) << r.strErr;
        for (const std::string& strLine : arrLines)
            for (const char* pszOld : {"Orvantis:", "Passworteingabe:", "Eingabefehler:"})
                EXPECT_NE(strLine.rfind(pszOld, 0), 0u) << r.strErr;
    }
    EXPECT_TRUE(Contains(RunCli({"info", strProtected, "--password", "falsch"}).strErr,
                         "orvantis-cli: Passworteingabe: Das eingegebene Passwort ist falsch !"));
}

TEST_F(CCliConventionsTest, DeleteAsksAtTheTerminalAndRefusesAScriptWithoutYes) {
    std::string E = Add("0", "E");
    std::string F = Add("0", "F", true);
    Add(F, "f1");
    std::string G = Add("0", "G");

    // no terminal, no --yes: refused, as every other question is
    auto r = Cli({"delete", E});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Aktuellen eintrag wirklich löschen ? [Nein]")) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "orvantis-cli: Der Eintrag wurde nicht gelöscht.")) << r.strErr;
    EXPECT_TRUE(Contains(Tree(), "\t- E\n"));

    const struct {
        std::string strId;
        const char* pszKeys;
        int nExit;
        const char* pszShown;  // besides the question
    } kCases[] = {
        {E, "n\n", 1, "Der Eintrag wurde nicht gelöscht."},
        {E, "\x04", 1, "Der Eintrag wurde nicht gelöscht."},  // end of input (Ctrl+D)
        {E, "vielleicht\nJa\n", 0, "Bitte j (Ja) oder n (Nein) eingeben"},
        {F, "j\nn\n", 1, "In dem Ordner befinden sich 1 Einträge !"},  // the second question
        {G, "y\n", 0, "wirklich löschen ? [j/n]"},
    };
    for (const auto& c : kCases) {
        r = RunOnTerminal({"delete", m_strDb, c.strId}, c.pszKeys);
        EXPECT_EQ(r.nExit, c.nExit) << c.strId << " " << c.pszKeys << ": " << r.strOut;
        EXPECT_TRUE(Contains(r.strOut, "orvantis-cli: Eintrag löschen:")) << r.strOut;
        EXPECT_TRUE(Contains(r.strOut, "[j/n] ")) << r.strOut;
        EXPECT_TRUE(Contains(r.strOut, c.pszShown)) << r.strOut;
    }
    EXPECT_EQ(Tree(), F + "\t+ F\n" + std::to_string(std::stoi(F) + 1) + "\t  - f1\n");

    // --yes answers without reading the terminal
    r = RunOnTerminal({"delete", m_strDb, F, "--yes"}, "");
    EXPECT_EQ(r.nExit, 0) << r.strOut;
    EXPECT_EQ(Tree(), "");
}

TEST_F(CCliConventionsTest, CreateNeverTakesOverAnExistingFile) {
    Add("0", "bleibt");
    const std::string strBefore = ReadFile(m_strDb);
    auto r = RunCli({"create", m_strDb});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(r.strErr, "orvantis-cli: Die Datei existiert bereits: " + m_strDb + "\n");
    EXPECT_EQ(ReadFile(m_strDb), strBefore);

    // a link to nowhere is a name in use too: nothing is made where it points
    fs::create_symlink(m_dir.File("ziel.tov"), m_dir.File("link.tov"));
    r = RunCli({"create", m_dir.File("link.tov")});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Die Datei existiert bereits")) << r.strErr;
    EXPECT_FALSE(fs::exists(m_dir.File("ziel.tov")));
}

TEST_F(CCliConventionsTest, ImportCountsWhatItMadeAndNamesTheLinesItSkipped) {
    std::string strFile = m_dir.File("vorlage.txt");
    WriteFile(strFile, "+ A\r\n  - a1\r\n\r\nKommentar\r\n  + B\r\n    - b1\r\n\t- eingerückt mit Tab\r\n   \r\n");
    auto r = Cli({"import", strFile});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "4\n");
    EXPECT_EQ(r.strErr, "orvantis-cli: Übersprungen, da ohne + (Ordner) oder - (Eintrag) am Anfang: Zeilen 4 und 7\n");
    EXPECT_EQ(Cli({"tree"}).strOut, "1\t+ A\n2\t  - a1\n3\t  + B\n4\t    - b1\n");

    // from a pipe, a single skipped line, many of them
    std::string strOut = ShellOutput("printf '+ P\\n?\\n- q\\n' | '" + CliPath() + "' import '" + m_strDb + "' - 2>&1");
    EXPECT_EQ(strOut, "orvantis-cli: Übersprungen, da ohne + (Ordner) oder - (Eintrag) am Anfang: Zeile 2\n2\n");
    std::string strMany;
    for (int i = 0; i < 25; ++i) strMany += "x\n";
    WriteFile(strFile, strMany + "- letzte\n");
    r = Cli({"import", strFile});
    EXPECT_EQ(r.strOut, "1\n");
    EXPECT_TRUE(Contains(
        r.strErr, "Zeilen 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20 und 5 weitere\n"))
        << r.strErr;

    // nothing to do is no failure; text without a template line is
    WriteFile(strFile, "\n  \n");
    r = Cli({"import", strFile});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "0\n");
    WriteFile(strFile, "Liebe Kollegen,\nanbei die Liste.\n");
    r = Cli({"import", strFile});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "keine Zeile mit + (Ordner) oder - (Eintrag)")) << r.strErr;
    EXPECT_EQ(r.strOut, "");
}

TEST_F(CCliConventionsTest, ImportRefusesInputThatIsNoText) {
    Add("0", "vorher");
    const std::string strDump = Cli({"dump"}).strOut;
    std::string strFile = m_dir.File("bild.txt");
    using namespace std::string_literals;
    const std::string kCases[] = {
        "+ A\n\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s,  // a picture
        "+\0 \0A\0\r\0\n\0"s,                   // UTF-16
        "- a\n- b\n- c\x01\n"s,                 // one control character
    };
    for (const std::string& strContent : kCases) {
        WriteFile(strFile, strContent);
        auto r = Cli({"import", strFile});
        EXPECT_EQ(r.nExit, 1);
        EXPECT_TRUE(Contains(r.strErr, "orvantis-cli: Die Vorlage ist keine Textdatei (Zeile ")) << r.strErr;
        EXPECT_EQ(r.strOut, "");
    }
    EXPECT_TRUE(Contains(Cli({"import", strFile}).strErr, "(Zeile 3 enthält ein Steuerzeichen)"));
    // a database file is no template either
    EXPECT_EQ(Cli({"import", m_strDb}).nExit, 1);
    EXPECT_EQ(Cli({"dump"}).strOut, strDump);
}
