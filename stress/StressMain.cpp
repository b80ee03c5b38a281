// orvantis-stress: several users on one knowledge base at once, and a check
// afterwards that nothing reported done was lost, misplaced or stored in
// plain text.
//
//   orvantis-stress [--scenario mixed|adds] [--processes N] [--doc N]
//                   [--seconds T] [--lock-min S] [--lock-max S] [--gap-min S]
//                   [--gap-max S] [--long-share A] [--kill-every S]
//                   [--hold-max S] [--grace S] [--min-success PERCENT]
//                   [--ops LIST] [--password P] [--cli PATH] [--dir DIR] [--keep]
//                   [--seed N]
//   orvantis-stress --check DIR [--password P]
//
// The workers and the locker are this program again, started with --worker
// and --locker by the controller.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "StressCheck.h"
#include "StressOwn.h"
#include "StressProcess.h"
#include "StressRun.h"
#include "StressWorker.h"

namespace {
const std::set<std::string> kFlags = {"--keep", "--locker"};

int Usage(const std::string& strError) {
    if (!strError.empty()) std::fprintf(stderr, "orvantis-stress: %s\n", strError.c_str());
    std::fprintf(stderr,
                 "Aufruf: orvantis-stress [OPTIONEN]\n"
                 "        orvantis-stress --check ORDNER [--password P]\n\n"
                 "  --scenario mixed|adds  gemischte Arbeit (Vorgabe) oder nur Hinzufügen unter Sperren\n"
                 "  --processes N          Arbeiter-Prozesse (Vorgabe 8, bei adds 6)\n"
                 "  --doc N                davon Dokument-Treiber (Vorgabe die Hälfte, bei adds 0)\n"
                 "  --seconds T            Dauer in Sekunden (Vorgabe 60)\n"
                 "  --lock-min S, --lock-max S  Länge der exklusiven Sperren (Vorgabe 0.1 bis 3, bei adds 0.3 "
                 "bis 1.5; 0 = keine)\n"
                 "  --gap-min S, --gap-max S  Pause zwischen zwei Sperren (Vorgabe 0.2 bis 1)\n"
                 "  --long-share A         dieser Anteil der Sperren dauert 10,5 bis 13 s, länger als jeder wartet\n"
                 "                         (Vorgabe 0)\n"
                 "  --kill-every S         im Mittel alle S Sekunden ein kill -9 (Vorgabe 20, bei adds 0 = nie)\n"
                 "  --hold-max S           so lange hält der Dokument-Treiber Zeilen zwischen zwei Schritten\n"
                 "                         (ein Viertel bis alles davon, Vorgabe 2)\n"
                 "  --grace S              so lange darf das Anhalten dauern (Vorgabe 90)\n"
                 "  --min-success P        adds: so viel Prozent müssen gelingen (Vorgabe 95)\n"
                 "  --ops LISTE            nur diese Operationen (add,set,move,del,imp; Dokument-Treiber auch\n"
                 "                         swap,deldir,reuse,reload,restore,undo)\n"
                 "  --password P           die Datei mit Kennwort schützen\n"
                 "  --cli PFAD             orvantis-cli (Vorgabe: neben diesem Programm)\n"
                 "  --dir ORDNER           Arbeitsordner (Vorgabe: neu unter /tmp)\n"
                 "  --keep                 den Arbeitsordner auch ohne Fehler behalten\n"
                 "  --seed N               Startwert der Zufallszahlen\n");
    return 2;
}

bool ParseNumber(const std::string& str, double& d) {
    char* pEnd = nullptr;
    d = std::strtod(str.c_str(), &pEnd);
    return !str.empty() && *pEnd == '\0' && d >= 0;
}

std::set<std::string> SplitOps(const std::string& str) {
    std::set<std::string> set;
    size_t nStart = 0;
    while (nStart <= str.size()) {
        size_t n = str.find(',', nStart);
        if (n == std::string::npos) n = str.size();
        if (n > nStart) set.insert(str.substr(nStart, n - nStart));
        nStart = n + 1;
    }
    return set;
}

std::string DefaultCli() {
    std::filesystem::path p = std::filesystem::path(SelfPath()).parent_path() / "orvantis-cli";
    std::error_code ec;
    if (std::filesystem::exists(p, ec)) return p.string();
#ifdef ORVANTIS_CLI_BUILT
    return ORVANTIS_CLI_BUILT;
#else
    return p.string();
#endif
}
}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> mapArgs;
    for (int i = 1; i < argc; ++i) {
        std::string strArg = argv[i];
        if (strArg == "--help" || strArg == "-h") {
            Usage("");
            return 0;
        }
        if (strArg.compare(0, 2, "--") != 0) return Usage("unerwartetes Argument " + strArg);
        if (kFlags.count(strArg)) {
            mapArgs[strArg] = "1";
            continue;
        }
        if (i + 1 >= argc) return Usage("Wert fehlt nach " + strArg);
        mapArgs[strArg] = argv[++i];  // a later option wins over an earlier one
    }
    auto take = [&](const std::string& strKey) {
        auto it = mapArgs.find(strKey);
        if (it == mapArgs.end()) return std::string();
        std::string str = it->second;
        mapArgs.erase(it);
        return str;
    };
    auto number = [&](const std::string& strKey, double& d) {
        std::string str = take(strKey);
        return str.empty() || ParseNumber(str, d);
    };
    auto unknown = [&]() { return mapArgs.empty() ? 0 : Usage("unbekannte Option " + mapArgs.begin()->first); };

    if (mapArgs.count("--worker")) {
        SWorkerConfig cfg;
        std::string strKind = take("--worker");
        cfg.nId = std::atoi(take("--id").c_str());
        cfg.strDb = take("--db");
        cfg.strLogDir = take("--dir");
        cfg.strPassword = take("--password");
        cfg.strCli = take("--cli");
        cfg.arrShared = ParseSharedFolders(take("--shared"));
        cfg.setOps = SplitOps(take("--ops"));
        double dHold = 2;
        if (!number("--hold-max", dHold)) return Usage("--hold-max");
        cfg.nHoldMaxMs = static_cast<long>(dHold * 1000);
        cfg.nSeed = std::strtoull(take("--seed").c_str(), nullptr, 10);
        if (int n = unknown()) return n;
        if (cfg.arrShared.empty() || cfg.strDb.empty()) return Usage("Arbeiter ohne Datei oder Ordner");
        return strKind == "doc" ? RunDocWorker(cfg) : RunCliWorker(cfg);
    }
    if (mapArgs.count("--locker")) {
        take("--locker");
        SLockerConfig cfg;
        cfg.strDb = take("--db");
        cfg.strReport = take("--report");
        cfg.nMinMs = std::atol(take("--lock-min").c_str());
        cfg.nMaxMs = std::atol(take("--lock-max").c_str());
        cfg.nGapMinMs = std::atol(take("--gap-min").c_str());
        cfg.nGapMaxMs = std::atol(take("--gap-max").c_str());
        cfg.dLongShare = std::atof(take("--long-share").c_str());
        cfg.nSeed = std::strtoull(take("--seed").c_str(), nullptr, 10);
        if (int n = unknown()) return n;
        return RunLocker(cfg);
    }
    if (mapArgs.count("--check")) {
        std::string strDir = take("--check");
        std::string strPassword = take("--password");
        if (int n = unknown()) return n;
        SFigures f = CheckRun(strDir + "/stress.tov", strDir, strPassword);
        PrintFigures(f);
        std::printf("Ergebnis: %s\n", f.Faulty() ? "FEHLER" : "ok");
        return f.Faulty() ? 1 : 0;
    }

    SRunConfig cfg;
    cfg.strScenario = take("--scenario");
    if (cfg.strScenario.empty()) cfg.strScenario = "mixed";
    if (cfg.strScenario != "mixed" && cfg.strScenario != "adds") return Usage("--scenario erwartet mixed oder adds");
    if (cfg.strScenario == "adds") {
        cfg.nProcesses = 6;
        cfg.dLockMin = 0.3;
        cfg.dLockMax = 1.5;
        cfg.dKillEvery = 0;
    }
    double dProcesses = cfg.nProcesses, dDoc = -1;
    double dSeed = 0;
    if (!number("--processes", dProcesses) || dProcesses < 1) return Usage("--processes erwartet eine Zahl ab 1");
    if (!number("--doc", dDoc)) return Usage("--doc erwartet eine Zahl");
    if (!number("--seconds", cfg.dSeconds) || !number("--lock-min", cfg.dLockMin) ||
        !number("--lock-max", cfg.dLockMax) || !number("--gap-min", cfg.dGapMin) || !number("--gap-max", cfg.dGapMax) ||
        !number("--long-share", cfg.dLongShare) || !number("--kill-every", cfg.dKillEvery) ||
        !number("--hold-max", cfg.dHoldMax) || !number("--grace", cfg.dGrace) ||
        !number("--min-success", cfg.dMinSuccess) || !number("--seed", dSeed))
        return Usage("Zahlen erwartet");
    cfg.nProcesses = static_cast<int>(dProcesses);
    cfg.nDocWorkers = dDoc < 0 ? -1 : std::min(static_cast<int>(dDoc), cfg.nProcesses);
    cfg.nSeed = static_cast<unsigned long long>(dSeed);
    if (cfg.dLockMin > cfg.dLockMax) cfg.dLockMin = cfg.dLockMax;
    if (cfg.dGapMin > cfg.dGapMax) cfg.dGapMin = cfg.dGapMax;
    cfg.strOps = take("--ops");
    cfg.strPassword = take("--password");
    cfg.strCli = take("--cli");
    if (cfg.strCli.empty()) cfg.strCli = DefaultCli();
    cfg.strCli = std::filesystem::absolute(cfg.strCli).string();
    cfg.strDir = take("--dir");
    cfg.bKeep = !take("--keep").empty();
    if (int n = unknown()) return n;
    if (::access(cfg.strCli.c_str(), X_OK) != 0) return Usage("orvantis-cli nicht gefunden: " + cfg.strCli);
    return RunScenario(cfg);
}
