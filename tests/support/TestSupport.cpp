#include "support/TestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/CDB.h"
#include "table/CFieldCodec.h"
#include "table/CKnowHowTable.h"

namespace fs = std::filesystem;

CTempDir::CTempDir() {
    std::string strTemplate = (fs::temp_directory_path() / "orvantis-test-XXXXXX").string();
    char* psz = ::mkdtemp(strTemplate.data());
    m_strPath = psz ? psz : strTemplate;
}

CTempDir::~CTempDir() {
    std::error_code ec;
    // make read-only leftovers removable
    for (auto it = fs::recursive_directory_iterator(m_strPath, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_strPath, ec);
}

void CCoreTest::SetUp() {
    SetPlatform(&m_platform);
}

void CCoreTest::TearDown() {
    CDB& db = GetDatabase();
    db.SetStatementHook(nullptr);
    if (db.GetTransactionDepth() > 0) db.RollbackTransaction();
    db.Close();
    SetFieldCodec(nullptr);
    SetPlatform(nullptr);
}

std::string CCoreTest::CreateDatabase(const std::string& strName) {
    std::string strPath = m_dir.File(strName);
    OpenDatabase(strPath);
    GetDatabase().InitNewDatabase();
    CKnowHowTable table;
    return strPath;
}

void CCoreTest::RecordSql(bool bOn) {
    if (bOn)
        GetDatabase().SetStatementHook([this](const std::string& s) { m_arrSql.push_back(s); });
    else
        GetDatabase().SetStatementHook(nullptr);
}

std::vector<int> FullBusyWait() {
    std::vector<int> arr;
    int nWaited = 0;
    for (int nStep = DB_BUSY_STEP_MIN_MS; nWaited < DB_BUSY_WAIT_MS; nStep = std::min(nStep * 2, DB_BUSY_STEP_MAX_MS)) {
        arr.push_back(std::min(nStep, DB_BUSY_WAIT_MS - nWaited));
        nWaited += arr.back();
    }
    return arr;
}

std::string CliPath() {
    return ORVANTIS_CLI_PATH;
}

namespace {
std::vector<char*> Argv(std::vector<std::string>& arr) {
    std::vector<char*> argv;
    for (auto& s : arr) argv.push_back(s.data());
    argv.push_back(nullptr);
    return argv;
}
}  // namespace

namespace {
constexpr uid_t kNobody = 65534;

// In a forked child: give up root for the user "nobody".
bool DropPrivileges() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

SProcessResult Run(const std::vector<std::string>& arrArgv, bool bUnprivileged) {
    std::vector<std::string> arr = arrArgv;
    SProcessResult result;
    // one pair of files per call, so that calls from several threads do not meet
    static std::atomic<int> s_nCall{0};
    std::string strOut = (fs::temp_directory_path() /
                          ("orvantis-run-out-" + std::to_string(::getpid()) + "-" + std::to_string(++s_nCall)))
                             .string();
    std::string strErr = strOut + ".err";
    pid_t pid = ::fork();
    if (pid == 0) {
        int fdOut = ::open(strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int fdErr = ::open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        int fdNull = ::open("/dev/null", O_RDONLY);
        ::dup2(fdNull, 0);
        if (bUnprivileged && (!DropPrivileges() || ::access(arr[0].c_str(), X_OK) != 0)) ::_exit(126);
        auto argv = Argv(arr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    result.strOut = ReadFile(strOut);
    result.strErr = ReadFile(strErr);
    ::unlink(strOut.c_str());
    ::unlink(strErr.c_str());
    return result;
}
}  // namespace

SProcessResult RunCli(const std::vector<std::string>& arrArgs) {
    std::vector<std::string> arr{CliPath()};
    arr.insert(arr.end(), arrArgs.begin(), arrArgs.end());
    return Run(arr, false);
}

SProcessResult RunCliUnprivileged(const std::vector<std::string>& arrArgs) {
    std::vector<std::string> arr{CliPath()};
    arr.insert(arr.end(), arrArgs.begin(), arrArgs.end());
    return Run(arr, true);
}

SProcessResult RunProcess(const std::vector<std::string>& arrArgv) {
    return Run(arrArgv, false);
}

std::string ShellOutput(const std::string& strCommand) {
    std::string strOut;
    if (FILE* p = ::popen(strCommand.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) strOut.append(buf, n);
        ::pclose(p);
    }
    return strOut;
}

std::string RunInChild(const std::function<std::string()>& fn) {
    int fds[2];
    if (::pipe(fds) != 0) return "child: no pipe";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string str = fn();
        const char* p = str.data();
        size_t nLeft = str.size();
        while (nLeft > 0) {
            ssize_t n = ::write(fds[1], p, nLeft);
            if (n <= 0) break;
            p += n;
            nLeft -= static_cast<size_t>(n);
        }
        ::_exit(0);  // no destructors, no gtest output of the copied parent state
    }
    ::close(fds[1]);
    std::string strResult;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) strResult.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    if (!WIFEXITED(nStatus)) return "child: killed by signal " + std::to_string(WTERMSIG(nStatus));
    if (WEXITSTATUS(nStatus) != 0) return "child: exit " + std::to_string(WEXITSTATUS(nStatus));
    return strResult;
}

std::string RunUnprivileged(const std::function<std::string()>& fn) {
    return RunInChild([&] {
        if (!DropPrivileges()) ::_exit(126);
        return fn();
    });
}

void OpenForOthers(const std::string& strPath) {
    std::error_code ec;
    fs::permissions(strPath,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::replace, ec);
}

CChildProcess::CChildProcess(const std::vector<std::string>& arrArgv) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    std::vector<std::string> arr = arrArgv;
    m_nPid = ::fork();
    if (m_nPid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        int fdNull = ::open("/dev/null", O_RDWR);
        ::dup2(fdNull, 0);
        auto argv = Argv(arr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    m_fdOut = fds[0];
}

CChildProcess::~CChildProcess() {
    Kill();
    if (m_fdOut >= 0) ::close(m_fdOut);
}

bool CChildProcess::WaitForOutput(const std::string& strText, int nTimeoutMs) {
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (m_strBuffer.find(strText) == std::string::npos) {
        auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - std::chrono::steady_clock::now());
        if (nLeft.count() <= 0) return false;
        pollfd pfd{m_fdOut, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(nLeft.count())) <= 0) return false;
        char buf[1024];
        ssize_t n = ::read(m_fdOut, buf, sizeof buf);
        if (n <= 0) return m_strBuffer.find(strText) != std::string::npos;
        m_strBuffer.append(buf, static_cast<size_t>(n));
    }
    return true;
}

int CChildProcess::Wait() {
    if (m_nPid <= 0) return -1;
    int nStatus = 0;
    ::waitpid(m_nPid, &nStatus, 0);
    m_nPid = -1;
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

void CChildProcess::Kill() {
    if (m_nPid <= 0) return;
    ::kill(m_nPid, SIGKILL);
    ::waitpid(m_nPid, nullptr, 0);
    m_nPid = -1;
}

std::unique_ptr<CChildProcess> HoldExclusive(const std::string& strPath, int nSeconds) {
    // sqlite3 itself is the child, so that killing it ends the lock at once
    auto p = std::make_unique<CChildProcess>(std::vector<std::string>{
        "/bin/sh", "-c",
        "exec sqlite3 '" + strPath +
            "' 2>/dev/null <<'EOF'\nBEGIN EXCLUSIVE;\n.system echo bereit\n.system exec sleep " +
            std::to_string(nSeconds) + " >/dev/null 2>&1\nCOMMIT;\nEOF\n"});
    EXPECT_TRUE(p->WaitForOutput("bereit"));
    return p;
}

std::vector<std::string> Lines(const std::string& str) {
    std::vector<std::string> arr;
    std::istringstream in(str);
    std::string strLine;
    while (std::getline(in, strLine)) arr.push_back(strLine);
    return arr;
}

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& strPath, const std::string& strContent) {
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out << strContent;
}

CRawRows RawQuery(const std::string& strPath, const std::string& strSql) {
    CRawRows rows;
    sqlite3* pDb = nullptr;
    if (sqlite3_open_v2(strPath.c_str(), &pDb, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* pStmt = nullptr;
        if (sqlite3_prepare_v2(pDb, strSql.c_str(), -1, &pStmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(pStmt) == SQLITE_ROW) {
                std::vector<std::string> row;
                for (int i = 0; i < sqlite3_column_count(pStmt); ++i) {
                    const auto* p = sqlite3_column_text(pStmt, i);
                    row.push_back(p ? std::string(reinterpret_cast<const char*>(p),
                                                  static_cast<size_t>(sqlite3_column_bytes(pStmt, i)))
                                    : std::string("<null>"));
                }
                rows.push_back(std::move(row));
            }
        }
        sqlite3_finalize(pStmt);
    }
    sqlite3_close(pDb);
    return rows;
}

int RawExec(const std::string& strPath, const std::string& strSql) {
    sqlite3* pDb = nullptr;
    int rc = sqlite3_open(strPath.c_str(), &pDb);
    if (rc == SQLITE_OK) rc = sqlite3_exec(pDb, strSql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(pDb);
    return rc;
}
