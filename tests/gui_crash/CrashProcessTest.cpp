// Real crashes: a copy of this test program, started with
// ORVANTIS_CRASH_TEST_CHILD=1, behaves like the program's main (crash message
// first, version line, test crash) and faults as ORVANTIS_TEST_CRASH asks;
// the tests read the report it leaves next to itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/CCrashInfo.h"
#include "db/CDB.h"
#include "support/TestSupport.h"

extern char** environ;

namespace {

// --- the child's main, run before the test program's own main ---------------

std::vector<std::string> CommandLine() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::vector<std::string> arrArgs;
    std::string strArg;
    while (std::getline(file, strArg, '\0')) arrArgs.push_back(strArg);
    return arrArgs;
}

void ListOpenFiles() {
    std::string strList = "open in message process:";
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string strTarget = std::filesystem::read_symlink(entry.path(), error).string();
        if (std::stoi(entry.path().filename().string()) > 2 && !error) strList += " " + strTarget;
    }
    std::fprintf(stderr, "%s\n", strList.c_str());
}

struct CChildMain {
    CChildMain() {
        const char* psz = std::getenv("ORVANTIS_CRASH_TEST_CHILD");
        if (!psz || std::strcmp(psz, "1") != 0) return;
        std::vector<std::string> arrArgs = CommandLine();
        std::vector<char*> argv;
        for (std::string& str : arrArgs) argv.push_back(str.data());
        argv.push_back(nullptr);
        if (arrArgs.size() > 1 && arrArgs[1] == "--crash-message" && std::getenv("ORVANTIS_CRASH_TEST_OPEN_FILE"))
            ListOpenFiles();
        if (const char* pszHold = std::getenv("ORVANTIS_CRASH_TEST_OPEN_FILE")) {
            // without O_CLOEXEC, as a database may be held
            if (open(pszHold, O_RDONLY) >= 0) std::fprintf(stderr, "held: %s\n", pszHold);
        }
        int nResult = RunCrashMessageIfAsked(static_cast<int>(arrArgs.size()), argv.data());
        if (nResult >= 0) _exit(nResult);
        GetCrashInfo().AddInfo("Orvantis-Version", ORVANTIS_VERSION);
        TriggerTestCrashIfAsked();
        std::fflush(stderr);
        _exit(0);
    }
} g_childMain;

// --- running a child -----------------------------------------------------------

struct SRun {
    bool bExited = false;
    int nExit = -1;
    int nSignal = 0;
    std::string strErr;
};

// Runs the program with extra environment values ("" removes one) and
// collects stderr until every writer has closed it, so the output of a
// message process started by the child is included.
SRun RunProgram(const std::string& strProgram, const std::vector<std::string>& arrArgs,
                const std::map<std::string, std::string>& mapEnv) {
    std::map<std::string, std::string> env;
    for (char** pp = environ; *pp; ++pp) {
        std::string str = *pp;
        size_t n = str.find('=');
        if (n != std::string::npos) env[str.substr(0, n)] = str.substr(n + 1);
    }
    for (const auto& [k, v] : mapEnv) {
        if (v.empty())
            env.erase(k);
        else
            env[k] = v;
    }
    std::vector<std::string> arrEnv;
    for (const auto& [k, v] : env) arrEnv.push_back(k + "=" + v);
    std::vector<char*> envp, argv;
    for (std::string& s : arrEnv) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> arrArgv = {strProgram};
    arrArgv.insert(arrArgv.end(), arrArgs.begin(), arrArgs.end());
    for (std::string& s : arrArgv) argv.push_back(s.data());
    argv.push_back(nullptr);

    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    pid_t pid = -1;
    SRun run;
    int nError = posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (nError != 0) {
        close(fds[0]);
        ADD_FAILURE() << "cannot start " << strProgram;
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    char szBuffer[4096];
    for (;;) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (poll(&pfd, 1, 1000) < 0 && errno != EINTR) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "child output did not end";
            kill(pid, SIGKILL);
            break;
        }
        if (!(pfd.revents & (POLLIN | POLLHUP))) continue;
        ssize_t n = read(fds[0], szBuffer, sizeof(szBuffer));
        if (n <= 0) break;
        run.strErr.append(szBuffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    run.bExited = WIFEXITED(nStatus);
    run.nExit = run.bExited ? WEXITSTATUS(nStatus) : -1;
    run.nSignal = WIFSIGNALED(nStatus) ? WTERMSIG(nStatus) : 0;
    return run;
}

const std::string kEquals(88, '=');
const std::string kDashes(88, '-');
const std::regex kFrameLine(R"(([0-9A-F]{2}:[0-9A-F]{8}|[0-9A-F]{8,16} \?) / 0x[0-9a-f]{8,16} : ([^ :]*) : (.*))");

struct SReport {
    std::string strCode;
    std::vector<std::string> arrInfo;
    std::string strWindowVersion;
    std::vector<std::string> arrFrames;  // "module : symbol"
};

// Checks the layout of one report and takes it apart.
SReport ParseReport(const std::string& strText) {
    SReport report;
    std::vector<std::string> arrLines = Lines(strText);
    EXPECT_GE(arrLines.size(), 6u) << strText;
    if (arrLines.size() < 6) return report;
    EXPECT_EQ(arrLines[0], kEquals);
    std::smatch m;
    const std::regex head(
        R"(Orvantis-CrashInfo:   Code=0x([0-9A-F]+)    (\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d) -> (\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d))");
    EXPECT_TRUE(std::regex_match(arrLines[1], m, head)) << arrLines[1];
    if (m.size() > 1) report.strCode = m[1];
    EXPECT_EQ(arrLines[2], kEquals);
    size_t i = 3;
    while (i < arrLines.size() && arrLines[i] != kDashes) report.arrInfo.push_back(arrLines[i++]);
    EXPECT_LT(i + 2, arrLines.size()) << strText;
    if (i + 2 >= arrLines.size()) return report;
    EXPECT_EQ(arrLines[i + 1].rfind("Window-Version: ", 0), 0u) << arrLines[i + 1];
    report.strWindowVersion = arrLines[i + 1].substr(std::min<size_t>(16, arrLines[i + 1].size()));
    EXPECT_EQ(arrLines[i + 2], kEquals);
    for (size_t k = i + 3; k < arrLines.size(); ++k) {
        std::smatch frame;
        EXPECT_TRUE(std::regex_match(arrLines[k], frame, kFrameLine)) << arrLines[k];
        if (frame.size() > 3) report.arrFrames.push_back(frame[2].str() + " : " + frame[3].str());
    }
    return report;
}

bool HasFrame(const SReport& report, const std::string& strFrame) {
    for (const std::string& str : report.arrFrames)
        if (str == strFrame) return true;
    return false;
}

std::string FramesText(const SReport& report) {
    std::string str;
    for (const std::string& s : report.arrFrames) str += s + "\n";
    return str;
}

// A copy of this test program in a folder whose name holds a dot, named
// "orvantis" so that the report becomes "orvantis.err" in the state folder.
class CCrashProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strFolder = m_dir.File("programm.v1");
        std::filesystem::create_directory(m_strFolder);
        m_strProgram = m_strFolder + "/orvantis";
        std::filesystem::copy_file(GetProgramPath(), m_strProgram);
        m_strReport = m_strState + "/Orvantis/orvantis.err";
    }
    SRun Crash(const std::string& strFault, bool bMessage = false) {
        std::map<std::string, std::string> env = {{"ORVANTIS_CRASH_TEST_CHILD", "1"},
                                                  {"ORVANTIS_TEST_CRASH", strFault},
                                                  {"ORVANTIS_CRASH_NO_MESSAGE", bMessage ? "" : "1"},
                                                  {"QT_QPA_PLATFORM", "offscreen"},
                                                  {"HOME", m_dir.File("home")},
                                                  {"XDG_STATE_HOME", m_strState}};
        return RunProgram(m_strProgram, {}, env);
    }

    CTempDir m_dir;
    std::string m_strFolder, m_strProgram, m_strReport;
    std::string m_strState = m_dir.File("state");
};

}  // namespace

TEST_F(CCrashProcessTest, AccessViolationWritesReportAndLaterCrashesAppend) {
    SRun run = Crash("segv");
    EXPECT_TRUE(run.bExited);
    EXPECT_EQ(run.nExit, 128 + SIGSEGV);
    EXPECT_EQ(run.strErr, "");
    ASSERT_TRUE(std::filesystem::exists(m_strReport));
    EXPECT_FALSE(std::filesystem::exists(m_strFolder + "/orvantis.err"));
    const std::string strFirst = ReadFile(m_strReport);
    SReport first = ParseReport(strFirst);
    EXPECT_EQ(first.strCode, "C0000005");
    EXPECT_EQ(first.arrInfo, std::vector<std::string>{"Orvantis-Version:  1.200"});
    EXPECT_FALSE(first.strWindowVersion.empty());
    // the walk starts at the faulting function, not in the handler
    ASSERT_FALSE(first.arrFrames.empty());
    EXPECT_EQ(first.arrFrames[0], "orvantis : (anonymous namespace)::CrashTestAccessViolation()") << strFirst;
    EXPECT_TRUE(HasFrame(first, "orvantis : TriggerTestCrashIfAsked()")) << strFirst;
    EXPECT_EQ(strFirst.find("SignalHandler"), std::string::npos) << strFirst;
    EXPECT_EQ(strFirst.find("CrashFilter"), std::string::npos) << strFirst;

    // the second crash leaves the first report as it was
    run = Crash("fpe");
    EXPECT_EQ(run.nExit, 128 + SIGFPE);
    const std::string strBoth = ReadFile(m_strReport);
    ASSERT_EQ(strBoth.substr(0, strFirst.size() + 5), strFirst + "\n\n\n\n\n");
    SReport second = ParseReport(strBoth.substr(strFirst.size() + 5));
    EXPECT_EQ(second.strCode, "C0000094");
    EXPECT_EQ(second.arrInfo, first.arrInfo);
    EXPECT_EQ(second.strWindowVersion, first.strWindowVersion);
    ASSERT_FALSE(second.arrFrames.empty());
    EXPECT_EQ(second.arrFrames[0], "orvantis : (anonymous namespace)::CrashTestDivideByZero()");
}

TEST_F(CCrashProcessTest, EachFaultHasItsCodeAndExitStatus) {
    struct {
        const char* pszFault;
        const char* pszCode;
        int nExit;
        const char* pszFrame;  // a frame the stack must show
    } cases[] = {
        {"ill", "C000001D", 128 + SIGILL, "orvantis : (anonymous namespace)::CrashTestIllegalInstruction()"},
        {"bus", "C0000005", 128 + SIGBUS, "orvantis : (anonymous namespace)::CrashTestBusError()"},
        {"abort", "40000015", 128 + SIGABRT, "libc : abort()"},
        {"terminate", "E06D7363", 128 + SIGABRT, "orvantis : (anonymous namespace)::CrashTestThrowThroughNoexcept()"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszFault);
        std::filesystem::remove(m_strReport);
        SRun run = Crash(c.pszFault);
        EXPECT_TRUE(run.bExited);
        EXPECT_EQ(run.nExit, c.nExit);
        SReport report = ParseReport(ReadFile(m_strReport));
        EXPECT_EQ(report.strCode, c.pszCode);
        EXPECT_TRUE(HasFrame(report, c.pszFrame)) << FramesText(report);
        EXPECT_TRUE(HasFrame(report, "orvantis : TriggerTestCrashIfAsked()")) << FramesText(report);
    }
}

TEST_F(CCrashProcessTest, NoReportWithoutAFault) {
    SRun run = Crash("");
    EXPECT_EQ(run.nExit, 0);
    run = Crash("explode");
    EXPECT_EQ(run.nExit, 0);
    EXPECT_NE(run.strErr.find("ORVANTIS_TEST_CRASH=explode"), std::string::npos) << run.strErr;
    EXPECT_FALSE(std::filesystem::exists(m_strReport));
}

TEST_F(CCrashProcessTest, MessageProcessTellsWhereTheReportIs) {
    // offscreen nobody sees a box: the message process writes the text to
    // stderr, which it shares with the crashed process
    SRun run = Crash("segv", true);
    EXPECT_EQ(run.nExit, 128 + SIGSEGV);
    EXPECT_TRUE(std::filesystem::exists(m_strReport));
    EXPECT_NE(run.strErr.find("orvantis hat ein Problem festgestellt und muss beendet werden.\n\n\n\n"),
              std::string::npos)
        << run.strErr;
    EXPECT_NE(run.strErr.find("Bitte senden Sie die Datei: \n\n    " + m_strReport + "\n\n"), std::string::npos)
        << run.strErr;
    EXPECT_NE(run.strErr.find("support@orvantis.example"), std::string::npos);
    // exactly one report: the message process reports nothing of its own
    EXPECT_EQ(ParseReport(ReadFile(m_strReport)).strCode, "C0000005");
    EXPECT_EQ(ReadFile(m_strReport).find("\n\n\n\n\n"), std::string::npos);
}

TEST_F(CCrashProcessTest, ReportGoesToTheUsersStateFolderForTheUserAlone) {
    SRun run = Crash("segv", true);
    EXPECT_EQ(run.nExit, 128 + SIGSEGV);
    EXPECT_EQ(ParseReport(ReadFile(m_strReport)).strCode, "C0000005");
    EXPECT_NE(run.strErr.find("Bitte senden Sie die Datei: \n\n    " + m_strReport + "\n\n"), std::string::npos)
        << run.strErr;
    struct stat st {};
    ASSERT_EQ(stat(m_strReport.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((m_strState + "/Orvantis").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // without XDG_STATE_HOME: below the home folder
    std::filesystem::remove_all(m_strState);
    m_strState = "";
    run = Crash("fpe");
    EXPECT_EQ(ParseReport(ReadFile(m_dir.File("home/.local/state/Orvantis/orvantis.err"))).strCode, "C0000094");
}

TEST_F(CCrashProcessTest, ALinkPlantedInTheReportsPlaceIsNotFollowed) {
    std::filesystem::create_directories(m_strState + "/Orvantis");
    const std::string strVictim = m_dir.File("fremd.txt");
    WriteFile(strVictim, "fremd");
    ASSERT_EQ(symlink(strVictim.c_str(), m_strReport.c_str()), 0);
    SRun run = Crash("segv");
    EXPECT_EQ(run.nExit, 128 + SIGSEGV);
    EXPECT_EQ(ReadFile(strVictim), "fremd");
    std::filesystem::remove(m_strReport);
    const std::string strNew = m_dir.File("neu.txt");
    ASSERT_EQ(symlink(strNew.c_str(), m_strReport.c_str()), 0);
    run = Crash("segv");
    EXPECT_EQ(run.nExit, 128 + SIGSEGV);
    EXPECT_FALSE(std::filesystem::exists(strNew));
}

TEST_F(CCrashProcessTest, MessageIsShownEvenWhenNoReportCanBeWritten) {
    WriteFile(m_dir.File("datei"), "");
    m_strState = m_dir.File("datei/state");  // cannot become a folder
    SRun run = Crash("abort", true);
    EXPECT_EQ(run.nExit, 128 + SIGABRT);
    EXPECT_NE(run.strErr.find("Bitte senden Sie die Datei: \n\n    " + m_strState + "/Orvantis/orvantis.err\n\n"),
              std::string::npos)
        << run.strErr;
    EXPECT_FALSE(std::filesystem::exists(m_strFolder + "/orvantis.err"));
}

TEST_F(CCrashProcessTest, MessageProcessDoesNotInheritOpenFiles) {
    // a database the crashed program held open (with its locks) must not
    // live on in the message process
    const std::string strHeld = m_dir.File("wissen.tov");
    WriteFile(strHeld, "x");
    std::map<std::string, std::string> env = {{"ORVANTIS_CRASH_TEST_CHILD", "1"},
                                              {"ORVANTIS_TEST_CRASH", "segv"},
                                              {"ORVANTIS_CRASH_NO_MESSAGE", ""},
                                              {"QT_QPA_PLATFORM", "offscreen"},
                                              {"ORVANTIS_CRASH_TEST_OPEN_FILE", strHeld}};
    SRun run = RunProgram(m_strProgram, {}, env);
    EXPECT_EQ(run.nExit, 128 + SIGSEGV);
    EXPECT_NE(run.strErr.find("held: " + strHeld + "\n"), std::string::npos) << run.strErr;
    EXPECT_NE(run.strErr.find("open in message process:"), std::string::npos) << run.strErr;
    EXPECT_EQ(run.strErr.find("open in message process: " + strHeld), std::string::npos) << run.strErr;
    EXPECT_NE(run.strErr.find("hat ein Problem festgestellt"), std::string::npos) << run.strErr;
}

// The program itself, once its main makes the three calls.
TEST(CCrashProgramTest, RealProgramWritesVersionLine) {
    const std::filesystem::path mainSource =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src/app/main.cpp";
    const std::string strMain = ReadFile(mainSource.string());
    if (strMain.find("TriggerTestCrashIfAsked") == std::string::npos)
        GTEST_SKIP() << "main.cpp does not call TriggerTestCrashIfAsked yet";
    CTempDir dir;
    const std::string strProgram = dir.File("orvantis");
    std::filesystem::copy_file(ORVANTIS_GUI_PATH, strProgram);
    SRun run = RunProgram(strProgram, {},
                          {{"ORVANTIS_TEST_CRASH", "segv"},
                           {"ORVANTIS_CRASH_NO_MESSAGE", "1"},
                           {"QT_QPA_PLATFORM", "offscreen"},
                           {"HOME", dir.Path()},
                           {"XDG_CONFIG_HOME", dir.Path()},
                           {"XDG_STATE_HOME", dir.File("state")}});
    EXPECT_EQ(run.nExit, 128 + SIGSEGV) << run.strErr;
    EXPECT_FALSE(std::filesystem::exists(dir.File("orvantis.err")));
    SReport report = ParseReport(ReadFile(dir.File("state/Orvantis/orvantis.err")));
    EXPECT_EQ(report.strCode, "C0000005");
    EXPECT_EQ(report.arrInfo, std::vector<std::string>{"Orvantis-Version:  1.200"});
    EXPECT_TRUE(HasFrame(report, "orvantis : TriggerTestCrashIfAsked()")) << FramesText(report);
}
