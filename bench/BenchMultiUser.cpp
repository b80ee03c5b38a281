// Several users on one file: N processes saving their own entry as fast as
// they can, with orvantis-cli set against a plain SQLite client doing the
// same update; the idle look for another user's commit; one durable save.
// Everything runs on one generated file of 20,000 entries, whatever the
// size of the other cases.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchCases.h"
#include "BenchSupport.h"
#include "app/COrvantisDoc.h"
#include "db/CDB.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {
std::int64_t NowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepUntilNs(std::int64_t n) {
    const std::int64_t d = n - NowNs();
    if (d > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(d));
}

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Starts a program with stdout and stderr to /dev/null (or a file); -1 when it could not.
pid_t Spawn(const std::vector<std::string>& arrArgs, const char* pszOut = "/dev/null") {
    std::vector<char*> argv;
    for (const auto& s : arrArgs) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, pszOut, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// The exit status of a child, -1 when it did not exit normally.
int Wait(pid_t pid) {
    int nStatus = 0;
    if (pid < 0 || waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus)) return -1;
    return WEXITSTATUS(nStatus);
}

int RunProgram(const std::vector<std::string>& arrArgs) {
    return Wait(Spawn(arrArgs));
}

std::string SelfPath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

std::string SaveText(std::int32_t nId, long nSave) {
    return "Konkurrenz " + std::to_string(nId) + " " + std::to_string(nSave);
}

std::string Ms(double d) {
    char sz[32];
    std::snprintf(sz, sizeof sz, d >= 100 ? "%.0f ms" : d >= 10 ? "%.1f ms" : "%.2f ms", d);
    return sz;
}

std::string Us(double d) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.1f µs", d);
    return sz;
}

// --- one writer process --------------------------------------------------------------
// Each save is one line "milliseconds status" (0 saved, 3 locked out, 1 other);
// the last line "end NS LAST" holds when the last save ended and the number
// of the last save that was reported saved (-1: none).
struct SWriterOut {
    std::FILE* p;
    long nLastOk = -1;
    void Save(double dMs, int nStatus, long nSave) {
        std::fprintf(p, "%.3f %d\n", dMs, nStatus);
        if (nStatus == 0) nLastOk = nSave;
    }
    void End() { std::fprintf(p, "end %lld %ld\n", static_cast<long long>(NowNs()), nLastOk); }
};

int ClientWriter(const std::string& strFile, std::int32_t nId, std::int64_t nStart, std::int64_t nDeadline,
                 SWriterOut& out) {
    CRawDb db;
    if (!db.Open(strFile)) return 1;
    sqlite3_busy_timeout(db.Handle(), DB_BUSY_WAIT_MS);
    auto readCounter = [&](int& n) {
        sqlite3_stmt* p = db.Prepare("SELECT UpdateNr FROM KnowHow WHERE ID=?");
        sqlite3_bind_int(p, 1, nId);
        const bool bRow = sqlite3_step(p) == SQLITE_ROW;
        n = bRow ? sqlite3_column_int(p, 0) : -1;
        sqlite3_finalize(p);
        return bRow;
    };
    // read before the others start: a reader can starve behind their writes
    int nCounter = 0;
    if (!readCounter(nCounter)) return 1;
    SleepUntilNs(nStart);
    sqlite3_stmt* pCheck = db.Prepare("SELECT UpdateNr FROM KnowHow WHERE ID=?");
    sqlite3_stmt* pWrite = db.Prepare("UPDATE KnowHow SET Text=?, UpdateNr=? WHERE ID=?");
    for (long nSave = 0; NowNs() < nDeadline; ++nSave) {
        const std::string strText = SaveText(nId, nSave);
        const std::int64_t t = NowNs();
        int rc = sqlite3_exec(db.Handle(), "BEGIN EXCLUSIVE TRANSACTION;", nullptr, nullptr, nullptr);
        bool bOk = rc == SQLITE_OK;
        if (bOk) {
            sqlite3_bind_int(pCheck, 1, nId);
            bOk = sqlite3_step(pCheck) == SQLITE_ROW && sqlite3_column_int(pCheck, 0) == nCounter;
            sqlite3_reset(pCheck);
        }
        if (bOk) {
            sqlite3_bind_text(pWrite, 1, strText.data(), static_cast<int>(strText.size()), SQLITE_STATIC);
            sqlite3_bind_int(pWrite, 2, nCounter + 1);
            sqlite3_bind_int(pWrite, 3, nId);
            bOk = sqlite3_step(pWrite) == SQLITE_DONE;
            sqlite3_reset(pWrite);
        }
        if (bOk) {
            rc = sqlite3_exec(db.Handle(), "COMMIT TRANSACTION;", nullptr, nullptr, nullptr);
            bOk = rc == SQLITE_OK;
        }
        if (bOk) {
            ++nCounter;
        } else {
            sqlite3_exec(db.Handle(), "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
            readCounter(nCounter);
        }
        out.Save((NowNs() - t) / 1e6, bOk ? 0 : rc == SQLITE_BUSY ? 3 : 1, nSave);
    }
    sqlite3_finalize(pCheck);
    sqlite3_finalize(pWrite);
    return 0;
}

// The program's own saving in a process that stays open: the busy wait of
// the core without the start of a process.
int CoreWriter(const std::string& strFile, std::int32_t nId, std::int64_t nStart, std::int64_t nDeadline,
               SWriterOut& out) {
    CBenchPlatform platform;
    platform.m_bRealSleep = true;
    SetPlatform(&platform);
    auto pService = OpenKnowledgeBase(strFile);
    CKnowHowArray arr(1);
    // the row as a view holds it, read before the others start
    if (!pService || pService->GetItem(arr[0], nId) != 1) return 1;
    SleepUntilNs(nStart);
    for (long nSave = 0; NowNs() < nDeadline; ++nSave) {
        arr[0].SetText(SaveText(nId, nSave));
        const std::int64_t t = NowNs();
        const EWriteResult eResult = pService->SaveItems(arr);
        const bool bLocked = eResult != EWriteResult::Saved && GetDatabase().WasLockedOut();
        out.Save((NowNs() - t) / 1e6, eResult == EWriteResult::Saved ? 0 : bLocked ? 3 : 1, nSave);
        if (eResult != EWriteResult::Saved) {
            arr.assign(1, CKnowHowItem());
            if (pService->GetItem(arr[0], nId) != 1) return 1;
        }
    }
    pService.reset();
    CloseDatabase();
    SetPlatform(nullptr);
    return 0;
}

int CliWriter(const std::string& strCli, const std::string& strFile, std::int32_t nId, std::int64_t nStart,
              std::int64_t nDeadline, SWriterOut& out) {
    SleepUntilNs(nStart);
    for (long nSave = 0; NowNs() < nDeadline; ++nSave) {
        const std::int64_t t = NowNs();
        const int nStatus = RunProgram({strCli, "set", strFile, std::to_string(nId), "--text", SaveText(nId, nSave)});
        out.Save((NowNs() - t) / 1e6, nStatus < 0 ? 1 : nStatus, nSave);
    }
    return 0;
}

// --- both sides at one N ---------------------------------------------------------------
struct SSide {
    std::vector<double> arrMs;  // every attempt, the ones that gave up too
    int nSaved = 0, nLocked = 0, nOther = 0;
    int nFewest = 0, nMost = 0;  // saves of the least and the most lucky writer: how fair the wait is
    double dSeconds = 0;         // from the common start to the end of the last save
    double dCpuMs = 0;           // CPU time of the writers and of every program they started
    std::string strFault;        // empty: every writer ran and the file holds each one's last save
    double PerSecond() const { return dSeconds > 0 ? nSaved / dSeconds : 0; }
    double CpuPerSave() const { return arrMs.empty() ? 0 : dCpuMs / arrMs.size(); }
    double Quantile(double q) const {
        if (arrMs.empty()) return 0;
        std::vector<double> a = arrMs;
        std::sort(a.begin(), a.end());
        const size_t n = static_cast<size_t>(std::ceil(q * a.size()));
        return a[std::min(a.size() - 1, n > 0 ? n - 1 : 0)];
    }
    double Max() const { return arrMs.empty() ? 0 : *std::max_element(arrMs.begin(), arrMs.end()); }
};

std::string StoredText(const std::string& strFile, std::int32_t nId) {
    CRawDb db;
    if (!db.Open(strFile)) return std::string();
    sqlite3_stmt* p = db.Prepare("SELECT Text FROM KnowHow WHERE ID=?");
    sqlite3_bind_int(p, 1, nId);
    std::string str = sqlite3_step(p) == SQLITE_ROW ? ColumnText(p, 0) : std::string();
    sqlite3_finalize(p);
    return str;
}

double ChildrenCpuMs() {
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

// The load of the machine over the last minute: other work on the shared
// cores stretches every figure of the contention case.
double LoadAverage() {
    double d = -1;
    if (std::FILE* p = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(p, "%lf", &d) != 1) d = -1;
        std::fclose(p);
    }
    return d;
}

SSide RunSide(const SBenchConfig& cfg, const char* pszMode, const std::string& strFile,
              const std::vector<std::int32_t>& arrIds) {
    SSide side;
    const double dCpuBefore = ChildrenCpuMs();
    const std::string strSelf = SelfPath(), strDir = fs::path(strFile).parent_path().string();
    // the writers are started first and all begin at once
    const std::int64_t nStart = NowNs() + (300 + 40 * static_cast<std::int64_t>(arrIds.size())) * 1000000;
    const std::int64_t nDeadline = nStart + static_cast<std::int64_t>(cfg.nContendSeconds * 1e9);
    std::vector<pid_t> arrPids;
    std::vector<std::string> arrOut;
    for (std::int32_t nId : arrIds) {
        arrOut.push_back(strDir + "/writer-" + std::to_string(nId) + ".txt");
        arrPids.push_back(Spawn({strSelf, "--contend", pszMode, strFile, std::to_string(nId), std::to_string(nStart),
                                 std::to_string(nDeadline), cfg.strContendCli},
                                arrOut.back().c_str()));
    }
    std::int64_t nEnd = nStart;
    std::vector<long> arrLast;
    for (size_t i = 0; i < arrPids.size(); ++i) {
        if (int rc = Wait(arrPids[i]); rc != 0 && side.strFault.empty())
            side.strFault = "Schreiber " + std::to_string(arrIds[i]) + " endete mit " + std::to_string(rc);
        std::ifstream in(arrOut[i]);
        std::string strWord;
        long nLast = -1;
        const int nSavedBefore = side.nSaved;
        while (in >> strWord) {
            if (strWord == "end") {
                long long n = 0;
                in >> n >> nLast;
                nEnd = std::max<std::int64_t>(nEnd, n);
                continue;
            }
            int nStatus = 0;
            in >> nStatus;
            side.arrMs.push_back(std::atof(strWord.c_str()));
            (nStatus == 0 ? side.nSaved : nStatus == 3 ? side.nLocked : side.nOther)++;
        }
        arrLast.push_back(nLast);
        const int nMine = side.nSaved - nSavedBefore;
        side.nFewest = i == 0 ? nMine : std::min(side.nFewest, nMine);
        side.nMost = std::max(side.nMost, nMine);
        fs::remove(arrOut[i]);
    }
    side.dSeconds = (nEnd - nStart) / 1e9;
    side.dCpuMs = ChildrenCpuMs() - dCpuBefore;
    // what each writer was told was saved is what the file holds
    for (size_t i = 0; i < arrIds.size() && side.strFault.empty(); ++i) {
        const std::string strStored = StoredText(strFile, arrIds[i]);
        if (arrLast[i] < 0)
            side.strFault = "Schreiber " + std::to_string(arrIds[i]) + " speicherte nichts";
        else if (strStored != SaveText(arrIds[i], arrLast[i]))
            side.strFault = "Eintrag " + std::to_string(arrIds[i]) + " hält \"" + strStored + "\" statt \"" +
                            SaveText(arrIds[i], arrLast[i]) + "\"";
    }
    return side;
}

// Entries (no folders) spread over the whole file.
std::vector<std::int32_t> SpreadEntries(const std::string& strFile, size_t nCount) {
    CRawDb db;
    std::vector<std::int32_t> arrAll, arr;
    if (!db.Open(strFile)) return arr;
    sqlite3_stmt* p = db.Prepare("SELECT ID FROM KnowHow WHERE IsDir='0' AND IsAktiv='1' ORDER BY ID");
    while (sqlite3_step(p) == SQLITE_ROW) arrAll.push_back(sqlite3_column_int(p, 0));
    sqlite3_finalize(p);
    for (size_t i = 0; i < nCount && !arrAll.empty(); ++i) arr.push_back(arrAll[i * arrAll.size() / nCount]);
    return arr;
}

double MedianRunMs(const std::vector<std::string>& arrArgs, int nRuns, bool& bOk) {
    std::vector<double> arr;
    RunProgram(arrArgs);  // untimed: the program and the file in the cache
    for (int i = 0; i < nRuns; ++i) {
        const double t = NowMs();
        if (RunProgram(arrArgs) != 0) bOk = false;
        arr.push_back(NowMs() - t);
    }
    return Median(arr);
}

std::string SideNote(const char* pszName, const SSide& s) {
    char sz[320];
    std::snprintf(sz, sizeof sz,
                  "%s %.0f Speichervorgänge/s, p50 %s, max %s, Rechenzeit je Speichern %s, je Schreiber %d bis %d",
                  pszName, s.PerSecond(), Ms(s.Quantile(0.5)).c_str(), Ms(s.Max()).c_str(), Ms(s.CpuPerSave()).c_str(),
                  s.nFewest, s.nMost);
    std::string str = sz;
    if (s.nLocked) str += ", " + std::to_string(s.nLocked) + " aufgegeben (gesperrt)";
    if (s.nOther) str += ", " + std::to_string(s.nOther) + " gescheitert";
    return str;
}

// A fresh copy of the shared file in a folder of its own.
std::string FreshCopy(const SBenchConfig& cfg, const std::string& strName) {
    std::error_code ec;
    const std::string strDir = cfg.strWorkDir + "/" + strName;
    fs::remove_all(strDir, ec);
    fs::create_directories(strDir, ec);
    const std::string strFile = strDir + "/wissen.tov";
    return CopySettled(cfg.strSharedCache, strFile) ? strFile : std::string();
}
}  // namespace

int ContendMain(int argc, char** argv) {
    // --contend client|cli FILE ID START_NS DEADLINE_NS CLI
    if (argc != 8) return 2;
    const std::string strMode = argv[2], strFile = argv[3];
    const std::int32_t nId = std::atoi(argv[4]);
    const std::int64_t nStart = std::atoll(argv[5]), nDeadline = std::atoll(argv[6]);
    SWriterOut out{stdout};
    const int rc = strMode == "cli"    ? CliWriter(argv[7], strFile, nId, nStart, nDeadline, out)
                   : strMode == "core" ? CoreWriter(strFile, nId, nStart, nDeadline, out)
                                       : ClientWriter(strFile, nId, nStart, nDeadline, out);
    out.End();
    return rc;
}

namespace {
std::string ContentionCase(int nWriters) {
    return "Speichern unter Konkurrenz, " + std::to_string(nWriters) + (nWriters == 1 ? " Prozess" : " Prozesse") +
           ": p95";
}
}  // namespace

void RunContentionCases(SBenchConfig& cfg, CResults& results) {
    const std::string strStartCase = "orvantis-cli Prozessstart (info, kleine Datei)";
    std::vector<int> arrWriters;
    for (int n : {1, 4, 16, 32})
        if (Wanted(cfg, ContentionCase(n))) arrWriters.push_back(n);
    if (arrWriters.empty() && !Wanted(cfg, strStartCase)) return;
    const std::string strFile = FreshCopy(cfg, "contend");
    const std::string strCli = cfg.strContendCli;
    bool bStartOk = true;
    // the cost of any call on a file: the process and the opening chain
    const std::string strTiny = fs::path(strFile).parent_path().string() + "/klein.tov";
    RunProgram({cfg.strCli, "create", strTiny});
    const double dVersion = MedianRunMs({strCli, "--version"}, 15, bStartOk);
    const double dStart = MedianRunMs({strCli, "info", strTiny}, 15, bStartOk);
    {
        SResult r;
        r.strCase = strStartCase;
        r.dOurs = dStart;
        r.nRuns = 15;
        r.strTarget = "Bericht";
        r.strNote = "Start, Öffnen mit Versions-, Kennwort- und Sicherungsprüfung, Ausgabe; --version allein " +
                    Ms(dVersion) + "; " + strCli;
        if (!bStartOk || strFile.empty()) r.bFailed = true;
        results.Add(r);
    }
    if (strFile.empty() || arrWriters.empty()) return;
    // the day's backup is made once here, untimed, as by the first user of the day
    const std::vector<std::int32_t> arrAll = SpreadEntries(strFile, 32);
    if (arrAll.size() == 32) RunProgram({strCli, "set", strFile, std::to_string(arrAll[0]), "--text", "warm"});

    std::string strTable =
        "| writers | Orvantis saves/s | p50 | p95 | max | per writer | client saves/s | p50 | p95 | max | per writer | "
        "limit | core saves/s | p50 | p95 | max | load |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (int nWriters : arrWriters) {
        SResult r;
        r.strCase = ContentionCase(nWriters);
        if (arrAll.size() != 32) {
            r.bFailed = true;
            r.strNote = "zu wenige Einträge in der Datei";
            results.Add(r);
            continue;
        }
        const std::vector<std::int32_t> arrIds(arrAll.begin(), arrAll.begin() + nWriters);
        const double dLoad = LoadAverage();
        const SSide client = RunSide(cfg, "client", strFile, arrIds);
        const SSide ours = RunSide(cfg, "cli", strFile, arrIds);
        const SSide core = RunSide(cfg, "core", strFile, arrIds);
        r.dOurs = ours.Quantile(0.95);
        r.dBase = client.Quantile(0.95);
        const double dBound = 3 * r.dBase + dStart;
        r.dRatio = dBound > 0 ? r.dOurs / dBound : 0;
        r.dLimit = 1;
        r.strTarget = "<= 3x + Start";
        r.nRuns = static_cast<int>(ours.arrMs.size());
        r.strNote = SideNote("Orvantis", ours) + "; " + SideNote("Client", client) + "; " +
                    SideNote("Kern ohne Prozessstart", core) + ", p95 " + Ms(core.Quantile(0.95)) + "; Grenze 3 × " +
                    Ms(r.dBase) + " + Start " + Ms(dStart) + " = " + Ms(dBound) + "; je " +
                    std::to_string(cfg.nContendSeconds) + " s";
        char szLoad[96];
        std::snprintf(szLoad, sizeof szLoad, "; Last vorher %.1f auf %u Kernen", dLoad,
                      std::thread::hardware_concurrency());
        r.strNote += szLoad;
        if (!ours.strFault.empty()) Fail(r, "Orvantis: " + ours.strFault);
        if (!client.strFault.empty()) Fail(r, "Client: " + client.strFault);
        if (!core.strFault.empty()) Fail(r, "Kern: " + core.strFault);
        results.Add(r);
        char sz[512];
        std::snprintf(
            sz, sizeof sz,
            "| %d | %.0f | %s | %s | %s | %d–%d | %.0f | %s | %s | %s | %d–%d | %s %s | %.0f | %s | %s | %s | "
            "%.1f |\n",
            nWriters, ours.PerSecond(), Ms(ours.Quantile(0.5)).c_str(), Ms(r.dOurs).c_str(), Ms(ours.Max()).c_str(),
            ours.nFewest, ours.nMost, client.PerSecond(), Ms(client.Quantile(0.5)).c_str(), Ms(r.dBase).c_str(),
            Ms(client.Max()).c_str(), client.nFewest, client.nMost, Ms(dBound).c_str(),
            r.bFailed       ? "FEHLER"
            : r.dRatio <= 1 ? "erfüllt"
                            : "VERFEHLT",
            core.PerSecond(), Ms(core.Quantile(0.5)).c_str(), Ms(core.Quantile(0.95)).c_str(), Ms(core.Max()).c_str(),
            dLoad);
        strTable += sz;
    }
    std::fprintf(stderr, "\nSpeichern unter Konkurrenz (%s, Prozessstart %s):\n%s\n", strCli.c_str(),
                 Ms(dStart).c_str(), strTable.c_str());
}

// --- one durable save --------------------------------------------------------------------
void RunSingleSaveCase(SBenchConfig& cfg, CResults& results) {
    const std::string strCase = "SaveItems, ein Eintrag (Datei mit 20.000 Einträgen)";
    if (!Wanted(cfg, strCase)) return;
    SResult r;
    r.strCase = strCase;
    const std::string strFile = FreshCopy(cfg, "single-save");
    auto pService = strFile.empty() ? nullptr : OpenKnowledgeBase(strFile);
    const std::vector<std::int32_t> arrIds = SpreadEntries(strFile, 2);
    if (!pService || arrIds.size() != 2) {
        Fail(r, "die Datei ließ sich nicht öffnen");
        results.Add(r);
        return;
    }
    // how the program's connection commits, so that a change of it shows beside the figure
    std::string strSync = GetDatabase().GetValue("pragma_synchronous", "synchronous");
    std::string strJournal = GetDatabase().GetValue("pragma_journal_mode", "journal_mode");
    CRawDb raw, rawExtra;
    raw.Open(strFile);
    rawExtra.Open(strFile);
    rawExtra.Exec("PRAGMA synchronous=EXTRA;");
    CKnowHowArray arr(1);
    bool bOk = true;
    long nSave = 0;
    size_t nMessages = cfg.pPlatform->m_arrMessages.size();
    // the baseline's save of the other entry, with the counter read before, as a view holds it
    auto rawSave = [&](CRawDb& db) {
        sqlite3_stmt* p = db.Prepare("SELECT UpdateNr FROM KnowHow WHERE ID=?");
        sqlite3_bind_int(p, 1, arrIds[1]);
        const int nCounter = sqlite3_step(p) == SQLITE_ROW ? sqlite3_column_int(p, 0) : -1;
        sqlite3_finalize(p);
        const std::string strText = SaveText(arrIds[1], nSave++);
        const double t = NowMs();
        db.Exec("BEGIN EXCLUSIVE TRANSACTION;");
        p = db.Prepare("SELECT UpdateNr FROM KnowHow WHERE ID=?");
        sqlite3_bind_int(p, 1, arrIds[1]);
        bOk = sqlite3_step(p) == SQLITE_ROW && sqlite3_column_int(p, 0) == nCounter && bOk;
        sqlite3_finalize(p);
        p = db.Prepare("UPDATE KnowHow SET Text=?, UpdateNr=? WHERE ID=?");
        sqlite3_bind_text(p, 1, strText.data(), static_cast<int>(strText.size()), SQLITE_STATIC);
        sqlite3_bind_int(p, 2, nCounter + 1);
        sqlite3_bind_int(p, 3, arrIds[1]);
        bOk = sqlite3_step(p) == SQLITE_DONE && bOk;
        sqlite3_finalize(p);
        bOk = db.Exec("COMMIT TRANSACTION;") && bOk;
        return NowMs() - t;
    };
    constexpr int kRuns = 31;
    std::vector<double> arrExtra;
    STimes t = Measure(
        kRuns, [&] { bOk = pService->SaveItems(arr) == EWriteResult::Saved && bOk; }, [&] { rawSave(raw); },
        [&] {
            // the same save by the baseline with the stricter sync, in turn with the others (untimed here, it
            // times itself)
            arrExtra.push_back(rawSave(rawExtra));
            // the row as the detail view holds it, with a new text
            arr.assign(1, CKnowHowItem());
            if (pService->GetItem(arr[0], arrIds[0]) != 1) bOk = false;
            arr[0].SetText(SaveText(arrIds[0], nSave++));
        });
    r.Take(t);
    r.nRuns = kRuns;
    r.strTarget = "Bericht";
    r.strNote = "Orvantis: synchronous=" + strSync + ", journal_mode=" + strJournal +
                "; Basis: SQLite-Voreinstellung (synchronous=2), Prüfung des Änderungszählers und UPDATE in BEGIN "
                "EXCLUSIVE; dieselbe Basis mit synchronous=EXTRA " +
                Ms(Median(arrExtra)) + "; die Zeiten hängen an der Platte (fsync)";
    if (!bOk || StoredText(strFile, arrIds[0]) != arr[0].Text) Fail(r, "nicht geschrieben");
    CheckMessages(cfg, r, nMessages);
    raw.Close();
    rawExtra.Close();
    pService.reset();
    CloseDatabase();
    results.Add(r);
}

// --- the idle look for another user's commit, through the core -------------------------
void RunIdleCoreCases(SBenchConfig& cfg, CResults& results) {
    if (!Wanted(cfg, "Leerlauf") && !Wanted(cfg, "Änderung bemerken")) return;
    const std::string strFile = FreshCopy(cfg, "idle-core");
    auto pService = strFile.empty() ? nullptr : OpenKnowledgeBase(strFile);
    const std::vector<std::int32_t> arrIds = SpreadEntries(strFile, 1);
    if (!pService || arrIds.empty()) {
        SResult r;
        r.strCase = "Leerlauf";
        Fail(r, "die Datei ließ sich nicht öffnen");
        results.Add(r);
        return;
    }
    CDB& db = GetDatabase();
    bool bChanged = false;
    (void)db.ReadChangedByOthers(bChanged);  // the first look only takes the version
    const double dPollsPerMinute = 60000.0 / CHANGE_POLL_MS;

    if (Wanted(cfg, "Leerlauf")) {
        constexpr int kPolls = 5000;
        int nStatements = 0, nChanged = 0, nUnread = 0;
        db.SetStatementHook([&](const std::string&) { ++nStatements; });
        const double tCpu = CpuMs(), t = NowMs();
        for (int i = 0; i < kPolls * g_nRunFactor; ++i) {
            if (!db.ReadChangedByOthers(bChanged)) ++nUnread;
            if (bChanged) ++nChanged;
        }
        const double dWallUs = (NowMs() - t) * 1000 / (kPolls * g_nRunFactor);
        const double dCpuUs = (CpuMs() - tCpu) * 1000 / (kPolls * g_nRunFactor);
        db.SetStatementHook(nullptr);
        const double dStatements = static_cast<double>(nStatements) / (kPolls * g_nRunFactor);
        SResult r;
        r.strCase = "Leerlauf: eine Abfrage, nichts geändert (Kern)";
        r.strUnit = "µs";
        r.dOurs = dWallUs;
        r.nRuns = kPolls;
        r.nStatements = static_cast<int>(std::lround(dStatements));
        r.strTarget = "Bericht";
        r.strNote = "CDB::ReadChangedByOthers; Rechenzeit " + Us(dCpuUs) + " je Abfrage";
        if (nChanged || nUnread) Fail(r, "meldete Änderungen oder war nicht lesbar");
        results.Add(r);

        SResult m;
        m.strCase = "Leerlauf: eine Minute Abfragen (Kern), Rechenzeit";
        m.dOurs = dCpuUs * dPollsPerMinute / 1000;
        m.nRuns = kPolls;
        m.strTarget = "Bericht";
        char sz[200];
        std::snprintf(sz, sizeof sz, "%.0f Abfragen je Minute (alle %d ms), %.0f SQL-Anweisungen je Minute",
                      dPollsPerMinute, CHANGE_POLL_MS, dStatements * dPollsPerMinute);
        m.strNote = sz;
        m.bFailed = r.bFailed;
        results.Add(m);
    }

    if (Wanted(cfg, "Änderung bemerken")) {
        // another process commits, then one look must see it, and the next one not
        constexpr int kChanges = 15;
        std::vector<double> arrUs;
        bool bSeen = true;
        int nStatements = 0;
        db.SetStatementHook([&](const std::string&) { ++nStatements; });
        for (int i = 0; i < kChanges; ++i) {
            nStatements = 0;
            if (RunProgram({cfg.strCli, "set", strFile, std::to_string(arrIds[0]), "--text", SaveText(arrIds[0], i)}) !=
                0)
                bSeen = false;
            const double t = NowMs();
            bSeen = db.ReadChangedByOthers(bChanged) && bChanged && bSeen;
            arrUs.push_back((NowMs() - t) * 1000);
            bSeen = db.ReadChangedByOthers(bChanged) && !bChanged && bSeen;
        }
        db.SetStatementHook(nullptr);
        SResult r;
        r.strCase = "Änderung bemerken: Abfrage nach fremdem Commit (Kern)";
        r.strUnit = "µs";
        r.dOurs = Median(arrUs);
        r.nRuns = kChanges;
        r.nStatements = 1;
        r.strTarget = "Bericht";
        r.strNote =
            "orvantis-cli set als anderer Prozess, dann CDB::ReadChangedByOthers; das Neuladen der "
            "Ansichten misst der Fall im Programm";
        if (!bSeen || nStatements != 2) Fail(r, "der fremde Commit wurde nicht genau einmal bemerkt");
        results.Add(r);
    }
    pService.reset();
    CloseDatabase();
}
