#include "StressProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {
volatile std::sig_atomic_t g_bStop = 0;

void OnStop(int) {
    g_bStop = 1;
}

std::vector<char*> Argv(std::vector<std::string>& arr) {
    std::vector<char*> argv;
    for (auto& str : arr) argv.push_back(str.data());
    argv.push_back(nullptr);
    return argv;
}

std::string ReadWhole(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int WaitFor(pid_t pid) {
    int nStatus = 0;
    // a stop request interrupts the wait; the program is waited for anyway
    while (::waitpid(pid, &nStatus, 0) < 0)
        if (errno != EINTR) return -1;
    return nStatus;
}

// In a forked child: stdout and stderr to the given files, no input, the
// default signal handling, then the program; never returns.
[[noreturn]] void ExecChild(std::vector<std::string>& arr, int fdOut, int fdErr) {
    int fdNull = ::open("/dev/null", O_RDONLY);
    ::dup2(fdOut, 1);
    ::dup2(fdErr, 2);
    ::dup2(fdNull, 0);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    auto argv = Argv(arr);
    ::execv(argv[0], argv.data());
    // said where the run's output goes, so a log shows why nothing ran
    ::dprintf(2, "%s: %s\n", argv[0], std::strerror(errno));
    ::_exit(127);
}
}  // namespace

long NowMs() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string SelfPath() {
    std::error_code ec;
    std::string str = std::filesystem::read_symlink(SELF_EXE, ec).string();
    // the link of a file replaced meanwhile
    const std::string strDeleted = " (deleted)";
    if (str.size() > strDeleted.size() &&
        str.compare(str.size() - strDeleted.size(), strDeleted.size(), strDeleted) == 0)
        str.resize(str.size() - strDeleted.size());
    return str;
}

SRunResult RunProgram(const std::vector<std::string>& arrArgv, const std::string& strScratch) {
    SRunResult result;
    std::string strOut = strScratch + ".out", strErr = strScratch + ".err";
    std::vector<std::string> arr = arrArgv;
    long nStart = NowMs();
    pid_t pid = ::fork();
    if (pid == 0)
        ExecChild(arr, ::open(strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
                  ::open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (pid < 0) return result;
    int nStatus = WaitFor(pid);
    result.nMs = NowMs() - nStart;
    if (WIFEXITED(nStatus)) {
        result.nExit = WEXITSTATUS(nStatus);
    } else if (WIFSIGNALED(nStatus)) {
        result.nSignal = WTERMSIG(nStatus);
    }
    result.strOut = ReadWhole(strOut);
    result.strErr = ReadWhole(strErr);
    return result;
}

pid_t SpawnGroup(const std::vector<std::string>& arrArgv, const std::string& strOutput) {
    std::vector<std::string> arr = arrArgv;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        int fdOut = ::open(strOutput.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ExecChild(arr, fdOut, fdOut);
    }
    // both sides set the group, so a kill right after the start finds it
    if (pid > 0) ::setpgid(pid, pid);
    return pid;
}

void InstallStopHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnStop;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a stop interrupts sleeps and waits
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

bool StopRequested() {
    return g_bStop != 0;
}

bool SleepUnlessStopped(long nMs) {
    long nEnd = NowMs() + nMs;
    while (!StopRequested()) {
        long nLeft = nEnd - NowMs();
        if (nLeft <= 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(nLeft, 50L)));
    }
    return false;
}
