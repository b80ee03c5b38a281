// Passwords that need not stand in the command line (a file, standard input,
// a prompt without echo on a terminal), and outputs of a database that other
// users may read no more than the database itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "support/TestSupport.h"

namespace {
bool Contains(const std::string& strHaystack, const std::string& strNeedle) {
    return strHaystack.find(strNeedle) != std::string::npos;
}

std::string Quote(const std::string& str) {
    std::string out = "'";
    for (char c : str) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// orvantis-cli with strInput on its standard input (a pipe, no terminal).
SProcessResult RunCliWithInput(const std::vector<std::string>& arrArgs, const std::string& strInput) {
    std::string strLine = "printf '%s' " + Quote(strInput) + " | " + Quote(CliPath());
    for (const auto& s : arrArgs) strLine += " " + Quote(s);
    return RunProcess({"/bin/sh", "-c", strLine});
}

// orvantis-cli on a terminal of its own: each answer is typed once the
// prompt before it has appeared. Answers everything the terminal showed.
struct STerminalRun {
    int nExit = -1;
    std::string strScreen;
};
STerminalRun RunCliOnTerminal(const std::vector<std::string>& arrArgs,
                              const std::vector<std::pair<std::string, std::string>>& arrPromptAnswer,
                              const std::function<void()>& fnBeforeAnswer = nullptr) {
    STerminalRun run;
    int fdMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fdMaster < 0 || ::grantpt(fdMaster) != 0 || ::unlockpt(fdMaster) != 0) return run;
    std::string strSlave = ::ptsname(fdMaster);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        int fd = ::open(strSlave.c_str(), O_RDWR);
        ::dup2(fd, 0);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<std::string> arr{CliPath()};
        arr.insert(arr.end(), arrArgs.begin(), arrArgs.end());
        std::vector<char*> argv;
        for (auto& s : arr) argv.push_back(s.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    size_t nNext = 0, nSeen = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        pollfd p{fdMaster, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char buf[512];
            ssize_t n = ::read(fdMaster, buf, sizeof buf);
            if (n <= 0) break;  // the program ended, the terminal is gone
            run.strScreen.append(buf, static_cast<size_t>(n));
        }
        if (nNext < arrPromptAnswer.size()) {
            size_t nAt = run.strScreen.find(arrPromptAnswer[nNext].first, nSeen);
            if (nAt != std::string::npos) {
                nSeen = nAt + arrPromptAnswer[nNext].first.size();
                if (fnBeforeAnswer) fnBeforeAnswer();
                std::string strAnswer = arrPromptAnswer[nNext++].second + "\n";
                (void)!::write(fdMaster, strAnswer.data(), strAnswer.size());
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    ::close(fdMaster);
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return run;
}

mode_t Mode(const std::string& strPath) {
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class CCliSecretsTest : public ::testing::Test {
protected:
    CTempDir m_dir;
    std::string m_strPath;

    void SetUp() override {
        m_strPath = m_dir.File("x.tov");
        ASSERT_EQ(RunCli({"create", m_strPath}).nExit, 0);
        ASSERT_EQ(RunCli({"add", m_strPath, "--parent", "0", "--name", "Küche", "--text", "Topf"}).nExit, 0);
    }
};
}  // namespace

TEST_F(CCliSecretsTest, PasswordFromFileAndStandardInput) {
    std::string strNewFile = m_dir.File("neu.txt");
    WriteFile(strNewFile, "geheim\r\nzweite Zeile\n");  // the first line, without its line break
    auto r = RunCli({"protect", m_strPath, "--new-file", strNewFile});
    ASSERT_EQ(r.nExit, 0) << r.strErr;

    std::string strFile = m_dir.File("kennwort.txt");
    WriteFile(strFile, "geheim\n");
    r = RunCli({"tree", m_strPath, "--password-file", strFile});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strOut, "Küche")) << r.strOut;
    r = RunCliWithInput({"search", m_strPath, "Topf", "--password", "-"}, "geheim\n");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Contains(r.strOut, "Küche")) << r.strOut;
    // a wrong password from standard input is wrong, not shown
    r = RunCliWithInput({"tree", m_strPath, "--password", "-"}, "Geheim\n");
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(r.strOut, "");
    EXPECT_FALSE(Contains(r.strErr, "Geheim")) << r.strErr;
    r = RunCliWithInput({"tree", m_strPath, "--password", "-"}, "");
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Auf der Standardeingabe steht kein Kennwort")) << r.strErr;

    // the administrator password and the new one the same ways
    r = RunCliWithInput({"admin", m_strPath, "--password-file", strFile, "--set", "-"}, "chef\n");
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    std::string strAdminFile = m_dir.File("admin.txt");
    WriteFile(strAdminFile, "chef");  // no line break at all
    r = RunCliWithInput({"protect", m_strPath, "--password-file", strFile, "--admin-file", strAdminFile, "--new", "-"},
                        "anders\n");
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(RunCli({"tree", m_strPath, "--password", "anders"}).nExit, 0);
    r = RunCli({"reorganize", m_strPath, "--password", "anders", "--admin", "chef"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;

    // refused before anything is opened
    r = RunCli({"tree", m_strPath, "--password", "anders", "--password-file", strFile});
    EXPECT_EQ(r.nExit, 2);
    r = RunCli({"tree", m_strPath, "--password-file", m_dir.File("fehlt.txt")});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Die Kennwortdatei kann nicht gelesen werden")) << r.strErr;
    r = RunCliWithInput({"reorganize", m_strPath, "--password", "-", "--admin", "-"}, "anders\nchef\n");
    EXPECT_EQ(r.nExit, 2);
    r = RunCliWithInput({"import", m_strPath, "-", "--password", "-"}, "anders\n");
    EXPECT_EQ(r.nExit, 2);
}

TEST_F(CCliSecretsTest, PromptsOnATerminalWithoutEcho) {
    // a new password is asked twice; what is typed does not appear
    auto run = RunCliOnTerminal({"protect", m_strPath},
                                {{"Neues Kennwort: ", "tippen"}, {"Kennwort wiederholen: ", "tippen"}});
    ASSERT_EQ(run.nExit, 0) << run.strScreen;
    EXPECT_FALSE(Contains(run.strScreen, "tippen")) << run.strScreen;
    EXPECT_TRUE(Contains(run.strScreen, "Alle Einträge in der Datenbank wurden verschlüsselt.")) << run.strScreen;
    run = RunCliOnTerminal({"protect", m_strPath, "--password", "tippen"},
                           {{"Neues Kennwort: ", "eins"}, {"Kennwort wiederholen: ", "zwei"}});
    EXPECT_EQ(run.nExit, 1) << run.strScreen;
    EXPECT_EQ(RunCli({"tree", m_strPath, "--password", "tippen"}).nExit, 0);

    ASSERT_EQ(RunCli({"admin", m_strPath, "--password", "tippen", "--set", "chef"}).nExit, 0);
    run = RunCliOnTerminal({"reorganize", m_strPath}, {{"Kennwort: ", "tippen"}, {"Administratorkennwort: ", "chef"}});
    EXPECT_EQ(run.nExit, 0) << run.strScreen;
    EXPECT_FALSE(Contains(run.strScreen, "tippen")) << run.strScreen;
    EXPECT_FALSE(Contains(run.strScreen, "chef")) << run.strScreen;
    // without a terminal nothing is asked: the missing password is said
    auto r = RunCli({"reorganize", m_strPath, "--password", "tippen"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "das Administratorkennwort fehlt")) << r.strErr;
}

TEST_F(CCliSecretsTest, OutputsNoMoreReadableThanTheDatabase) {
    mode_t nOld = ::umask(022);
    ASSERT_EQ(::chmod(m_strPath.c_str(), 0600), 0);
    std::string strKept = m_dir.File("alt.txt");
    WriteFile(strKept, "vorher");
    ASSERT_EQ(::chmod(strKept.c_str(), 0644), 0);
    const std::vector<std::vector<std::string>> arrCalls = {
        {"dump", m_strPath, m_dir.File("dump.json")},
        {"export", m_strPath, m_dir.File("vorlage.txt")},
        {"export", m_strPath, m_dir.File("doc.html"), "--format", "html"},
        {"export", m_strPath, strKept},
        {"print", m_strPath, "--folder", "0", "--pdf", m_dir.File("ordner.pdf")},
    };
    for (const auto& arr : arrCalls) {
        auto r = RunCli(arr);
        EXPECT_EQ(r.nExit, 0) << arr[0] << ": " << r.strErr;
        EXPECT_EQ(Mode(arr[2] == "--folder" ? arr[5] : arr[2]), 0600u) << arr[0] << " " << arr[2];
    }
    // a group-readable database gives group-readable outputs, as the umask allows
    ASSERT_EQ(::chmod(m_strPath.c_str(), 0640), 0);
    EXPECT_EQ(RunCli({"dump", m_strPath, m_dir.File("dump2.json")}).nExit, 0);
    EXPECT_EQ(Mode(m_dir.File("dump2.json")), 0640u);
    ::umask(nOld);
}

TEST_F(CCliSecretsTest, NobodyWaitsWhileThePasswordIsTyped) {
    ASSERT_EQ(RunCli({"protect", m_strPath, "--new", "geheim"}).nExit, 0);
    // while one call waits at its prompt, another user's save goes through
    SProcessResult other;
    auto r = RunCliOnTerminal({"set", m_strPath, "1", "--text", "meins"}, {{"Kennwort: ", "geheim"}}, [&] {
        other = RunCli({"set", m_strPath, "1", "--name", "Keller", "--password", "geheim"});
    });
    EXPECT_EQ(other.nExit, 0) << other.strErr;
    EXPECT_EQ(r.nExit, 0) << r.strScreen;
    auto tree = RunCli({"dump", m_strPath, "--password", "geheim"});
    EXPECT_TRUE(Contains(tree.strOut, "Keller")) << tree.strOut;
    EXPECT_TRUE(Contains(tree.strOut, "meins")) << tree.strOut;
}
