#include "StressRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "StressCheck.h"
#include "StressLog.h"
#include "StressOwn.h"
#include "StressPlatform.h"
#include "StressProcess.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace fs = std::filesystem;

namespace {
// Workers that end on their own cannot work (a log that cannot be written,
// a program that cannot be started); after this many none is started again.
constexpr long kMaxEarlyEnds = 10;

struct SWorker {
    int nId = 0;
    bool bDoc = false;
};

class CController {
public:
    explicit CController(SRunConfig cfg) : m_cfg(std::move(cfg)), m_rng(m_cfg.nSeed) {}
    int Run();

private:
    bool Setup();
    SRunResult Cli(std::vector<std::string> arrArgs);
    pid_t StartWorker(bool bDoc);
    void StartLocker();
    // Reaps the workers that ended; replaces each while the run goes on.
    void Reap(bool bReplace);
    void KillOne();
    void Stop();
    int Report();

    SRunConfig m_cfg;
    std::mt19937_64 m_rng;
    std::string m_strDb;
    std::vector<SSharedFolder> m_arrShared;
    std::map<pid_t, SWorker> m_mapWorkers;
    pid_t m_nLocker = -1;
    int m_nNextId = 1;
    long m_nEarlyEnds = 0;
};

SRunResult CController::Cli(std::vector<std::string> arrArgs) {
    arrArgs.insert(arrArgs.begin(), m_cfg.strCli);
    return RunProgram(arrArgs, m_cfg.strDir + "/setup");
}

// The file: shared folders S1 to S4 at the top level, S5 inside S1, two
// entries of the setup (worker 0) in each; made in this process, before any
// worker starts, and protected by orvantis-cli last when asked.
bool CController::Setup() {
    CStressLog log;
    if (!log.Open(WorkerLogPath(m_cfg.strDir, 0))) return false;
    CStressPlatform platform;
    SetPlatform(&platform);
    bool bOk = true;
    {
        auto pKnowHow = CreateKnowledgeBase(m_strDb);
        // the day's backup copy now, not while the workers open the file
        if (pKnowHow) GetDatabase().DailyBackup();
        auto add = [&](const std::string& strName, const std::string& strParent, const std::string& strText,
                       bool bDir) {
            TRowId nParent = 0;
            for (const auto& folder : m_arrShared)
                if (folder.strName == strParent) nParent = folder.nId;
            long nSeq = log.Begin("add", {strName, strParent, strText, bDir ? "1" : "0"});
            CKnowHowArray arr(1);
            arr[0].MasterID = nParent;
            arr[0].SetPosNr(pKnowHow->CountChildren(nParent) + 1);
            arr[0].SetIsDir(bDir ? 1 : 0);
            arr[0].SetName(strName);
            arr[0].SetText(strText);
            if (pKnowHow->SaveItems(arr) != EWriteResult::Saved || arr[0].ID <= 0) return TRowId{0};
            log.End(nSeq, true, 0, "", std::to_string(arr[0].ID));
            return arr[0].ID;
        };
        int nFolders = m_cfg.strScenario == "adds" ? 1 : 5;
        for (int i = 1; i <= nFolders && bOk && pKnowHow; ++i) {
            std::string strName = "S" + std::to_string(i);
            TRowId nId = add(strName, i == 5 ? "S1" : "ROOT", "", true);
            m_arrShared.push_back({strName, nId});
            bOk = nId > 0;
        }
        for (int i = 1, nSeed = 1; i <= nFolders && bOk && pKnowHow && m_cfg.strScenario != "adds"; ++i)
            for (int k = 0; k < 2 && bOk; ++k, ++nSeed)
                bOk = add("w0n" + std::to_string(nSeed), "S" + std::to_string(i), "w0t" + std::to_string(nSeed),
                          false) > 0;
        bOk = bOk && pKnowHow;
    }
    CloseDatabase();
    SetPlatform(nullptr);
    if (!bOk) {
        std::fprintf(stderr, "orvantis-stress: die Datei konnte nicht angelegt werden: %s\n", m_strDb.c_str());
        for (const auto& str : platform.m_arrMessages) std::fprintf(stderr, "  %s\n", Cp1252ToUtf8(str).c_str());
        return false;
    }
    if (!m_cfg.strPassword.empty()) {
        SRunResult r = Cli({"protect", m_strDb, "--new", m_cfg.strPassword});
        if (r.nExit != 0) {
            std::fprintf(stderr, "orvantis-stress: protect: %s", r.strErr.c_str());
            return false;
        }
    }
    return true;
}

pid_t CController::StartWorker(bool bDoc) {
    SWorker w{m_nNextId++, bDoc};
    std::string strOps = m_cfg.strScenario == "adds" ? "add"
                         : !m_cfg.strOps.empty()     ? m_cfg.strOps
                         : bDoc                      ? "add,set,swap,del,deldir,reuse,move,imp,reload,restore,undo"
                                                     : "add,set,move,del,imp";
    std::vector<std::string> arr{SELF_EXE,
                                 "--worker",
                                 bDoc ? "doc" : "cli",
                                 "--id",
                                 std::to_string(w.nId),
                                 "--db",
                                 m_strDb,
                                 "--dir",
                                 m_cfg.strDir,
                                 "--cli",
                                 m_cfg.strCli,
                                 "--shared",
                                 FormatSharedFolders(m_arrShared),
                                 "--ops",
                                 strOps,
                                 "--hold-max",
                                 std::to_string(m_cfg.dHoldMax),
                                 "--seed",
                                 std::to_string(m_cfg.nSeed * 1000 + static_cast<unsigned long long>(w.nId))};
    if (!m_cfg.strPassword.empty()) arr.insert(arr.end(), {"--password", m_cfg.strPassword});
    pid_t pid = SpawnGroup(arr, m_cfg.strDir + "/w" + std::to_string(w.nId) + ".out");
    if (pid > 0) m_mapWorkers[pid] = w;
    return pid;
}

void CController::StartLocker() {
    auto ms = [](double d) { return std::to_string(std::lround(d * 1000)); };
    m_nLocker = SpawnGroup(
        {SELF_EXE, "--locker", "--db", m_strDb, "--report", m_cfg.strDir + "/locker.txt", "--lock-min",
         ms(m_cfg.dLockMin), "--lock-max", ms(m_cfg.dLockMax), "--gap-min", ms(m_cfg.dGapMin), "--gap-max",
         ms(m_cfg.dGapMax), "--long-share", std::to_string(m_cfg.dLongShare), "--seed", std::to_string(m_cfg.nSeed)},
        m_cfg.strDir + "/locker.out");
}

void CController::Reap(bool bReplace) {
    for (;;) {
        int nStatus = 0;
        pid_t pid = ::waitpid(-1, &nStatus, WNOHANG);
        if (pid <= 0) return;
        if (pid == m_nLocker) {
            // the run goes on without locks; the figures say how many there were
            std::fprintf(stderr, "orvantis-stress: der Sperr-Prozess endete vorzeitig (Status %d)\n", nStatus);
            m_nLocker = -1;
            continue;
        }
        auto it = m_mapWorkers.find(pid);
        if (it == m_mapWorkers.end()) continue;
        SWorker w = it->second;
        m_mapWorkers.erase(it);
        CStressLog log;
        log.Open(WorkerLogPath(m_cfg.strDir, w.nId));
        if (WIFSIGNALED(nStatus)) {
            log.Note("K", std::to_string(WTERMSIG(nStatus)));
        } else if (bReplace) {
            ++m_nEarlyEnds;
            std::fprintf(stderr, "orvantis-stress: Arbeiter %d endete vorzeitig (Status %d)\n", w.nId,
                         WEXITSTATUS(nStatus));
        }
        if (bReplace && m_nEarlyEnds <= kMaxEarlyEnds) StartWorker(w.bDoc);
    }
}

void CController::KillOne() {
    if (m_mapWorkers.empty()) return;
    auto it = m_mapWorkers.begin();
    std::advance(it, std::uniform_int_distribution<long>(0, static_cast<long>(m_mapWorkers.size()) - 1)(m_rng));
    pid_t pid = it->first;
    SWorker w = it->second;
    // the whole group: the worker and the orvantis-cli it may be running
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    m_mapWorkers.erase(it);
    CStressLog log;
    log.Open(WorkerLogPath(m_cfg.strDir, w.nId));
    log.Note("Z", "kill -9");
    StartWorker(w.bDoc);
}

void CController::Stop() {
    // the locks end first, so that the last operations can finish
    if (m_nLocker > 0) {
        ::kill(m_nLocker, SIGTERM);
        ::waitpid(m_nLocker, nullptr, 0);
    }
    for (const auto& [pid, w] : m_mapWorkers) ::kill(pid, SIGTERM);
    long nDeadline = NowMs() + std::lround(m_cfg.dGrace * 1000);
    while (!m_mapWorkers.empty() && NowMs() < nDeadline) {
        Reap(false);
        if (!m_mapWorkers.empty()) ::usleep(50000);
    }
    for (const auto& [pid, w] : m_mapWorkers) {
        // what it was doing: the last line of its log
        std::ifstream in(WorkerLogPath(m_cfg.strDir, w.nId));
        std::string strLine, strLast;
        while (std::getline(in, strLine))
            if (!strLine.empty()) strLast = strLine;
        for (char& ch : strLast)
            if (ch == '\t') ch = ' ';
        in.close();
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        CStressLog log;
        log.Open(WorkerLogPath(m_cfg.strDir, w.nId));
        log.Note("H", "pid " + std::to_string(pid) + ": " + strLast);
    }
    m_mapWorkers.clear();
}

int CController::Report() {
    SFigures f = CheckRun(m_strDb, m_cfg.strDir, m_cfg.strPassword);
    std::printf("Szenario: %s, %d Prozesse, %.0f s, Sperren bis %.1f s, Startwert %llu%s\n", m_cfg.strScenario.c_str(),
                m_cfg.nProcesses, m_cfg.dSeconds, m_cfg.dLockMax, m_cfg.nSeed,
                m_cfg.strPassword.empty() ? "" : ", geschützt");
    long nLocks = 0, nHeldMs = 0, nLongestMs = 0;
    if (std::FILE* pFile = std::fopen((m_cfg.strDir + "/locker.txt").c_str(), "r")) {
        if (std::fscanf(pFile, "%ld %ld %ld", &nLocks, &nHeldMs, &nLongestMs) != 3) nLocks = 0;
        std::fclose(pFile);
        std::printf("Sperren: %ld (zusammen %.1f s, längste %.1f s)\n", nLocks, nHeldMs / 1000.0, nLongestMs / 1000.0);
    }
    PrintFigures(f);
    bool bFailed = f.Faulty();
    if (m_nEarlyEnds) {
        std::printf("vorzeitig beendete Arbeiter: %ld\n", m_nEarlyEnds);
        bFailed = true;
    }
    if (m_cfg.strScenario == "adds") {
        // every add that did not go through must say that the file was locked
        const SOpFigures& adds = f.mapByOp["add"];
        long nTried = adds.nOps, nDone = adds.nOk;
        long nMisreported = adds.nOps - adds.nOk - adds.Refused("locked");
        double dShare = nTried > 0 ? 100.0 * nDone / nTried : 0;
        std::printf("Hinzufügen erfolgreich: %ld von %ld (%.1f %%)\n", nDone, nTried, dShare);
        std::printf("Hinzufügen abgewiesen ohne Sperrmeldung und Status 3: %ld\n", nMisreported);
        if (nTried == 0 || dShare < m_cfg.dMinSuccess || nMisreported > 0) bFailed = true;
    }
    std::printf("Ergebnis: %s\n", bFailed ? "FEHLER" : "ok");
    std::printf("Ordner: %s\n", m_cfg.strDir.c_str());
    return bFailed ? 1 : 0;
}

int CController::Run() {
    m_strDb = m_cfg.strDir + "/stress.tov";
    if (!Setup()) return 2;
    InstallStopHandler();
    if (m_cfg.dLockMax > 0) StartLocker();
    int nDoc = m_cfg.nDocWorkers >= 0 ? m_cfg.nDocWorkers : m_cfg.strScenario == "adds" ? 0 : m_cfg.nProcesses / 2;
    // the two kinds interleaved, so that a small run has both
    for (int i = 0; i < m_cfg.nProcesses; ++i)
        StartWorker(i * nDoc / m_cfg.nProcesses != (i + 1) * nDoc / m_cfg.nProcesses);

    long nEnd = NowMs() + std::lround(m_cfg.dSeconds * 1000);
    auto nextKill = [&] {
        return NowMs() + std::lround(m_cfg.dKillEvery * 1000 * std::uniform_real_distribution<double>(0.5, 1.5)(m_rng));
    };
    long nKillAt = m_cfg.dKillEvery > 0 ? nextKill() : -1;
    while (NowMs() < nEnd && !StopRequested()) {
        Reap(true);
        if (nKillAt > 0 && NowMs() >= nKillAt) {
            KillOne();
            nKillAt = nextKill();
        }
        ::usleep(50000);
    }
    Stop();
    int nResult = Report();
    if (nResult == 0 && !m_cfg.bKeep) {
        std::error_code ec;
        fs::remove_all(m_cfg.strDir, ec);
    }
    return nResult;
}
}  // namespace

int RunScenario(SRunConfig cfg) {
    if (cfg.nSeed == 0) cfg.nSeed = static_cast<unsigned long long>(::time(nullptr)) % 1000000;
    if (cfg.strDir.empty()) {
        char szTemplate[] = "/tmp/orvantis-stress-XXXXXX";
        if (!::mkdtemp(szTemplate)) return 2;
        cfg.strDir = szTemplate;
    } else {
        std::error_code ec;
        fs::create_directories(cfg.strDir, ec);
        if (fs::exists(cfg.strDir + "/stress.tov")) {
            std::fprintf(stderr, "orvantis-stress: %s enthält schon einen Lauf\n", cfg.strDir.c_str());
            return 2;
        }
    }
    cfg.strDir = fs::absolute(cfg.strDir).lexically_normal().string();
    return CController(std::move(cfg)).Run();
}
