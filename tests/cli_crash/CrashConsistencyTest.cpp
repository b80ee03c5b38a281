// orvantis-cli killed with SIGKILL at random moments of import, protect,
// unprotect, reorganise, backup, delete and move on a generated knowledge
// base. After every kill the file, opened as the next user would open it,
// passes the engine's integrity check, holds the positions 1..n in every
// folder below folders, and shows either the content from before or the
// content from after the command (never a mix, never some rows encrypted and
// some plain); every backup copy under its final name is whole and holds the
// content from before.
//
// ORVANTIS_KILL_TRIALS sets the number of kills (default 42, spread over the
// commands), ORVANTIS_KILL_SEED the random seed, ORVANTIS_KILL_ENTRIES the
// size of the generated file (default 1500 entries); scripts/killtest runs
// the long form.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <thread>

#include "db/CDB.h"
#include "protect/CCrypt.h"
#include "protect/CDbPasswort.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
const char* const kPassword = "geheim";

int EnvInt(const char* pszName, int nDefault) {
    const char* psz = std::getenv(pszName);
    return psz && *psz ? std::atoi(psz) : nDefault;
}

// The content of a knowledge base as the next user sees it, or the first
// thing that is wrong with it.
struct SContent {
    std::string strProblem;
    std::string strRows;  // every row, texts decrypted
};

SContent ReadContent(const std::string& strPath) {
    SContent content;
    sqlite3* pDb = nullptr;
    // read-write, as a user opens it: a journal left by the killed process is rolled back
    if (sqlite3_open(strPath.c_str(), &pDb) != SQLITE_OK) {
        sqlite3_close(pDb);
        content.strProblem = "cannot open";
        return content;
    }
    auto rows = [&](const std::string& strSql) {
        std::vector<std::vector<std::string>> arr;
        sqlite3_stmt* pStmt = nullptr;
        if (sqlite3_prepare_v2(pDb, strSql.c_str(), -1, &pStmt, nullptr) != SQLITE_OK) {
            content.strProblem = "cannot run " + strSql + ": " + sqlite3_errmsg(pDb);
            return arr;
        }
        int rc;
        while ((rc = sqlite3_step(pStmt)) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(pStmt); ++i) {
                const auto* p = sqlite3_column_text(pStmt, i);
                row.emplace_back(p ? reinterpret_cast<const char*>(p) : "",
                                 p ? static_cast<size_t>(sqlite3_column_bytes(pStmt, i)) : 0);
            }
            arr.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) content.strProblem = "reading failed: " + std::string(sqlite3_errmsg(pDb));
        sqlite3_finalize(pStmt);
        return arr;
    };
    auto check = rows("PRAGMA integrity_check;");
    if (content.strProblem.empty() && (check.size() != 1 || check[0][0] != "ok"))
        content.strProblem = "integrity check: " + (check.empty() ? std::string("nothing") : check[0][0]);
    auto key = rows("SELECT Value FROM Option WHERE Key='DbKey';");
    bool bProtected = !key.empty() && !key[0][0].empty();
    if (bProtected && key[0][0] != CDbPasswort::MakeVerifier(kPassword)) content.strProblem = "foreign DbKey";
    auto items =
        rows("SELECT ID, IsAktiv, MasterID, PosNr, IsDir, UpdateNr, Name, Text, Link FROM KnowHow ORDER BY ID;");
    sqlite3_close(pDb);
    if (!content.strProblem.empty()) return content;

    CCrypt crypt;
    crypt.SetPassword(kPassword);
    std::map<std::string, bool> mapIsDir;
    std::map<std::string, std::vector<int>> mapPositions;
    for (const auto& row : items) {
        mapIsDir[row[0]] = row[4] == "1";
        if (row[1] == "1") mapPositions[row[2]].push_back(std::atoi(row[3].c_str()));
        for (int i = 0; i < 6; ++i) content.strRows += row[i] + "|";
        for (int i = 6; i < 9; ++i) {
            // a plain text read as encrypted (or the other way) gives another text
            std::string str = bProtected && !row[i].empty() ? crypt.Decrypt(row[i]) : row[i];
            content.strRows += std::to_string(str.size()) + ":" + str + "|";
        }
        content.strRows += "\n";
    }
    for (auto& [strMaster, arrPos] : mapPositions) {
        if (strMaster != "0" && !mapIsDir[strMaster]) content.strProblem = "parent " + strMaster + " is no folder";
        std::sort(arrPos.begin(), arrPos.end());
        for (size_t i = 0; i < arrPos.size(); ++i)
            if (arrPos[i] != static_cast<int>(i + 1)) content.strProblem = "positions of folder " + strMaster;
    }
    return content;
}

struct SOperation {
    const char* pszName;
    bool bProtectedStart;
    std::vector<std::string> arrArgs;  // after the file
};

// Runs the command on the file and kills it after nDelayUs unless it ended
// before; true when it was killed.
bool RunAndKill(const std::vector<std::string>& arrArgv, long nDelayUs, int* pnExit) {
    std::vector<std::string> arr = arrArgv;
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open("/dev/null", O_RDWR);
        for (int n = 0; n < 3; ++n) ::dup2(fd, n);
        std::vector<char*> argv;
        for (auto& s : arr) argv.push_back(s.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::microseconds(nDelayUs);
    int nStatus = 0;
    while (std::chrono::steady_clock::now() < tEnd) {
        if (::waitpid(pid, &nStatus, WNOHANG) == pid) {
            *pnExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &nStatus, 0);
    *pnExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    return WIFSIGNALED(nStatus);
}

class CCrashConsistencyTest : public ::testing::Test {
protected:
    CTempDir m_dir;
};
}  // namespace

TEST_F(CCrashConsistencyTest, KilledCommandsLeaveOldOrNewContent) {
    const int nTrials = EnvInt("ORVANTIS_KILL_TRIALS", 42);
    const unsigned nSeed = static_cast<unsigned>(EnvInt("ORVANTIS_KILL_SEED", static_cast<int>(::time(nullptr))));
    const std::string strEntries = std::to_string(EnvInt("ORVANTIS_KILL_ENTRIES", 1500));
    std::mt19937 rng(nSeed);

    const std::string strPlain = m_dir.File("plain.tov"), strProtected = m_dir.File("protected.tov");
    ASSERT_EQ(RunCli({"generate", strPlain, "--entries", strEntries, "--seed", "5"}).nExit, 0);
    ASSERT_EQ(RunCli({"generate", strProtected, "--entries", strEntries, "--seed", "5", "--password", kPassword}).nExit,
              0);
    for (const auto& entry : fs::directory_iterator(m_dir.Path()))
        if (entry.path().extension() != ".tov") fs::remove(entry.path());
    // a top-level folder other than the first, as the target of the move
    auto targets = RawQuery(strPlain, "SELECT ID FROM KnowHow WHERE MasterID=0 AND IsDir='1' AND ID<>1 LIMIT 1;");
    ASSERT_EQ(targets.size(), 1u);
    std::string strTemplate = m_dir.File("vorlage.txt");
    {
        std::string str;
        for (int i = 0; i < 400; ++i)
            str += std::string(2 * (i % 5), ' ') + (i % 5 < 4 ? "+ Ordner " : "- Punkt ") + std::to_string(i) + "\r\n";
        WriteFile(strTemplate, str);
    }

    const std::vector<SOperation> kOperations = {
        {"import", false, {strTemplate, "--folder", "1"}},
        {"protect", false, {"--new", kPassword}},
        {"unprotect", true, {"--password", kPassword}},
        {"reorganize", false, {}},
        {"backup", false, {}},
        {"delete", false, {"1", "--yes"}},
        {"move", false, {"1", targets[0][0]}},
    };
    const std::regex reCopy(R"(x\.tov\.\d{8}_\d{4})");

    // the content before and after each command, and how long it takes
    struct SReference {
        std::string strBefore, strAfter;
        long nMicros = 0;
    };
    std::vector<SReference> arrRef;
    for (const auto& op : kOperations) {
        SReference ref;
        std::string strFolder = m_dir.File(std::string("ref-") + op.pszName);
        fs::create_directory(strFolder);
        std::string strFile = strFolder + "/x.tov";
        fs::copy_file(op.bProtectedStart ? strProtected : strPlain, strFile);
        SContent before = ReadContent(strFile);
        ASSERT_EQ(before.strProblem, "") << op.pszName;
        ref.strBefore = before.strRows;
        std::vector<std::string> arrArgs{op.pszName, strFile};
        arrArgs.insert(arrArgs.end(), op.arrArgs.begin(), op.arrArgs.end());
        auto t0 = std::chrono::steady_clock::now();
        auto r = RunCli(arrArgs);
        ref.nMicros = static_cast<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count());
        ASSERT_EQ(r.nExit, 0) << op.pszName << ": " << r.strErr;
        SContent after = ReadContent(strFile);
        ASSERT_EQ(after.strProblem, "") << op.pszName;
        ref.strAfter = after.strRows;
        arrRef.push_back(ref);
        fs::remove_all(strFolder);
    }

    int nKilled = 0;
    for (int nTrial = 0; nTrial < nTrials; ++nTrial) {
        size_t nOp = static_cast<size_t>(nTrial) % kOperations.size();
        const SOperation& op = kOperations[nOp];
        const SReference& ref = arrRef[nOp];
        std::string strFolder = m_dir.File("trial" + std::to_string(nTrial));
        fs::create_directory(strFolder);
        std::string strFile = strFolder + "/x.tov";
        fs::copy_file(op.bProtectedStart ? strProtected : strPlain, strFile);
        std::vector<std::string> arrArgv{CliPath(), op.pszName, strFile};
        arrArgv.insert(arrArgv.end(), op.arrArgs.begin(), op.arrArgs.end());
        long nDelay = static_cast<long>(rng() % static_cast<unsigned>(ref.nMicros + ref.nMicros / 5 + 1));
        int nExit = -1;
        bool bKilled = RunAndKill(arrArgv, nDelay, &nExit);
        nKilled += bKilled;
        std::string strCase = std::string(op.pszName) + ", trial " + std::to_string(nTrial) + ", seed " +
                              std::to_string(nSeed) + ", killed after " + std::to_string(nDelay) + " us";
        if (!bKilled) {
            EXPECT_EQ(nExit, 0) << strCase;
        }

        SContent now = ReadContent(strFile);
        ASSERT_EQ(now.strProblem, "") << strCase;
        bool bOld = now.strRows == ref.strBefore, bNew = now.strRows == ref.strAfter;
        EXPECT_TRUE(bOld || bNew) << strCase << ": neither the content from before nor from after";
        if (!bKilled) {
            EXPECT_TRUE(bNew) << strCase;
        }
        for (const auto& entry : fs::directory_iterator(strFolder)) {
            std::string strName = entry.path().filename().string();
            if (!std::regex_match(strName, reCopy)) continue;
            EXPECT_TRUE(IsCompleteDatabaseFile(entry.path().string())) << strCase << ": broken copy " << strName;
            SContent copy = ReadContent(entry.path().string());
            EXPECT_EQ(copy.strProblem, "") << strCase << ": copy " << strName;
            EXPECT_TRUE(copy.strRows == ref.strBefore) << strCase << ": copy " << strName << " is not the old content";
        }
        fs::remove_all(strFolder);
    }
    std::printf("kill trials: %d, killed while running: %d, seed %u\n", nTrials, nKilled, nSeed);
    RecordProperty("KilledWhileRunning", nKilled);
}
