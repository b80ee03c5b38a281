// orvantis_bench: the program's core against the practical floor, the same
// work done with SQLite's C interface and plain structs, in the same run on
// the same file. Prints one table and writes it as JSON.
//
//   orvantis_bench [--entries N] [--seed S] [--json FILE] [--quick] [--only TEXT]
//                  [--contend-cli PROGRAM] [--contend-seconds S] [--idle-seconds S] [--no-multiuser]
//   orvantis_bench --growth RESULTS.json... (the growth table of runs at several sizes)
//
// The multi-user cases (saves under contention, the idle look for changes,
// one durable save) run on a file of 20,000 entries whatever --entries says;
// --contend-cli measures the contention case with another orvantis-cli (an
// older build, to compare); --no-multiuser leaves them out.
//
// The knowledge bases are generated once per parameters by
// "orvantis-cli generate" (next to this program) and kept in bench-data/;
// every run works on fresh copies in bench-work/.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_map>

#include "BenchCases.h"
#include "BenchSupport.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"
#include "tree/CReadableExport.h"

namespace fs = std::filesystem;

namespace {
std::string SelfPath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

bool RunGenerator(const SBenchConfig& cfg, const std::string& strTarget, const std::string& strPassword, int nEntries) {
    std::string strTemp = strTarget + ".tmp";
    std::error_code ec;
    fs::remove(strTemp, ec);
    std::string strCmd = "'" + cfg.strCli + "' generate '" + strTemp + "' --entries " + std::to_string(nEntries) +
                         " --seed " + std::to_string(cfg.nSeed);
    if (!strPassword.empty()) strCmd += " --password '" + strPassword + "'";
    double t = NowMs();
    std::fprintf(stderr, "Erzeuge %s ...\n", strTarget.c_str());
    if (std::system(strCmd.c_str()) != 0) return false;
    fs::rename(strTemp, strTarget, ec);
    std::fprintf(stderr, "  fertig in %.1f s\n", (NowMs() - t) / 1000);
    return !ec;
}

// Peak resident memory of a child process running one side of the memory
// case. The child reports its own high-water mark (VmHWM): the rusage of a
// child carries the parent's peak over the exec.
double PeakOfChild(const std::string& strMode, const std::string& strFile, std::int32_t nFolder) {
    std::string strCmd = "'";
    strCmd += SelfPath();
    strCmd += "' --peak " + strMode + " '" + strFile + "' " + std::to_string(nFolder);
    std::FILE* p = popen(strCmd.c_str(), "r");
    if (!p) return -1;
    double dKb = -1;
    if (std::fscanf(p, "%lf", &dKb) != 1) dKb = -1;
    if (pclose(p) != 0) return -1;
    return dKb / 1024;  // MiB
}

double OwnPeakKb() {
    std::ifstream in("/proc/self/status");
    std::string strLine;
    while (std::getline(in, strLine))
        if (strLine.rfind("VmHWM:", 0) == 0) return std::atof(strLine.c_str() + 6);
    return -1;
}

int PeakMain(const std::string& strMode, const std::string& strFile, std::int32_t nFolder) {
    CBenchPlatform platform;
    SetPlatform(&platform);
    if (strMode == "reencrypt") {
        if (ReencryptPeakMain(strFile) != 0) return 1;
    } else if (strMode.rfind("export-", 0) == 0) {
        // nFolder: 0 writes to /dev/null, the figure is the export's own
        auto pService = OpenKnowledgeBase(strFile, false);
        if (!pService) return 1;
        std::FILE* pNull = std::fopen("/dev/null", "wb");
        EReadableFormat eFormat = EReadableFormat::Html;
        bool bReadable = ParseReadableFormat(strMode.substr(7), eFormat);
        bool bOk =
            pNull && (bReadable ? CReadableExport(*pService, eFormat).Write(pNull, nFolder) == EReadableResult::Written
                                : pService->ExportStructure(pNull, nFolder));
        if (pNull) std::fclose(pNull);
        pService.reset();
        CloseDatabase();
        if (!bOk) return 1;
    } else if (strMode == "ours") {
        auto pService = OpenKnowledgeBase(strFile);
        if (!pService) return 1;
        CKnowHowArray arrTop, arrFolder;
        pService->GetChildren(arrTop, 0, true);
        pService->GetChildren(arrFolder, nFolder);
        if (arrFolder.empty()) return 1;
        pService.reset();
        CloseDatabase();
    } else {
        CRawDb db;
        if (!db.Open(strFile)) return 1;
        std::vector<SRawRow> arrTop, arrFolder;
        for (auto [nMaster, pArr, pszExtra] :
             {std::tuple{0, &arrTop, " AND IsDir='1'"}, std::tuple{nFolder, &arrFolder, ""}}) {
            sqlite3_stmt* p =
                db.Prepare(std::string("SELECT ") + RAW_COLUMNS + " FROM KnowHow WHERE MasterID=? AND IsAktiv='1'" +
                           pszExtra + " ORDER BY PosNr");
            sqlite3_bind_int(p, 1, nMaster);
            while (sqlite3_step(p) == SQLITE_ROW) ReadRawRow(p, pArr->emplace_back());
            sqlite3_finalize(p);
        }
        if (arrFolder.empty()) return 1;
    }
    SetPlatform(nullptr);
    std::printf("%.0f\n", OwnPeakKb());
    return 0;
}

// Our peak against the base's, the median of three child processes each.
void PeakPairCase(CResults& results, const char* pszOurs, const char* pszBase, const std::string& strFile,
                  std::int32_t nFolder, const char* pszCase, double dLimit, const char* pszTarget,
                  const char* pszNote) {
    std::vector<double> arrOurs, arrBase;
    for (int i = 0; i < 3; ++i) {
        arrOurs.push_back(PeakOfChild(pszOurs, strFile, nFolder));
        arrBase.push_back(PeakOfChild(pszBase, strFile, nFolder));
    }
    SResult r;
    r.strCase = pszCase;
    r.strUnit = "MiB";
    r.dOurs = Median(arrOurs);
    r.dBase = Median(arrBase);
    r.dLimit = dLimit;
    r.strTarget = pszTarget;
    r.nRuns = 3;
    r.bFailed = r.dOurs <= 0 || r.dBase <= 0;
    r.strNote = pszNote;
    results.Add(r);
}

void MemoryCase(CResults& results, const std::string& strFile, std::int32_t nFolder) {
    PeakPairCase(results, "ours", "base", strFile, nFolder, "Speicherspitze: öffnen + Ordner (1.000) zeigen", 2,
                 "<= 2x", "Spitze des Arbeitsspeichers (maxrss) je eines eigenen Prozesses desselben Programms");
}

// The three conversions of the re-encryption case in a process of their own.
void ReencryptMemoryCase(const SBenchConfig& cfg, CResults& results) {
    SResult r;
    r.strCase = "Speicherspitze: schützen, ändern, Schutz aufheben";
    r.strUnit = "MiB";
    std::error_code ec;
    const std::string strDir = cfg.strWorkDir + "/reenc-peak";
    fs::create_directories(strDir, ec);
    const std::string strFile = strDir + "/wissen.tov";
    fs::copy_file(cfg.strPlainCache, strFile, ec);
    r.dOurs = PeakOfChild("reencrypt", strFile, 0);
    fs::remove_all(strDir, ec);
    r.dBase = 256;
    r.dLimit = 1;
    r.strTarget = "<= 256 MiB";
    r.nRuns = 1;
    r.bFailed = r.dOurs <= 0;
    r.strNote = "Spitze des Arbeitsspeichers (VmHWM) eines eigenen Prozesses; Basis = Grenze";
    results.Add(r);
}

// The readable exports hold the tree's shape, never its texts: their peak
// stays at the structure export's, which holds every keyword.
void ExportMemoryCase(const SBenchConfig& cfg, CResults& results) {
    for (auto [pszMode, pszCase] : {std::pair{"export-html", "Speicherspitze: Export als HTML, ganze Datenbank"},
                                    {"export-markdown", "Speicherspitze: Export als Markdown, ganze Datenbank"},
                                    {"export-text", "Speicherspitze: Export als Text, ganze Datenbank"}})
        if (Wanted(cfg, pszCase))
            PeakPairCase(results, pszMode, "export-structure", cfg.strPlain, 0, pszCase, 1.5, "<= 1.5x",
                         "Spitze des Arbeitsspeichers (VmHWM) eines eigenen Prozesses; Basis: Export der Struktur");
}
}  // namespace

// --- how the cost grows -------------------------------------------------------------------
namespace {
// A value of a case line of a results file as this program writes them
// (one case per line): a JSON string or number; empty for null.
std::string JsonField(const std::string& strLine, const std::string& strKey) {
    size_t n = strLine.find("\"" + strKey + "\": ");
    if (n == std::string::npos) return std::string();
    n += strKey.size() + 4;
    if (strLine.compare(n, 4, "null") == 0) return std::string();
    if (strLine[n] != '"') return strLine.substr(n, strLine.find_first_of(",}", n) - n);
    std::string str;
    for (size_t i = n + 1; i < strLine.size() && strLine[i] != '"'; ++i) {
        if (strLine[i] == '\\' && i + 1 < strLine.size()) ++i;
        str += strLine[i];
    }
    return str;
}

struct SRun {
    double dEntries = 0;
    std::map<std::string, std::pair<double, double>> mapCases;  // ours, baseline (0: none)
    std::map<std::string, std::string> mapUnits;
};

// The slope of the time over the data on log scales: 1 grows as the data,
// 0 not at all, 2 with its square.
double Slope(double dT1, double dT2, double dN1, double dN2) {
    return dT1 > 0 && dT2 > 0 ? std::log(dT2 / dT1) / std::log(dN2 / dN1) : 0;
}

int GrowthMain(const std::vector<std::string>& arrFiles) {
    std::vector<SRun> arrRuns;
    std::vector<std::string> arrOrder;
    for (const auto& strFile : arrFiles) {
        std::ifstream in(strFile);
        if (!in) {
            std::fprintf(stderr, "nicht lesbar: %s\n", strFile.c_str());
            return 2;
        }
        SRun run;
        std::string strLine;
        while (std::getline(in, strLine)) {
            if (strLine.find("\"run\":") != std::string::npos)
                run.dEntries = std::atof(JsonField(strLine, "entries").c_str());
            std::string strCase = JsonField(strLine, "case");
            if (strCase.empty()) continue;
            run.mapCases[strCase] = {std::atof(JsonField(strLine, "ours").c_str()),
                                     std::atof(JsonField(strLine, "baseline").c_str())};
            run.mapUnits[strCase] = JsonField(strLine, "unit");
            if (std::find(arrOrder.begin(), arrOrder.end(), strCase) == arrOrder.end()) arrOrder.push_back(strCase);
        }
        if (run.dEntries <= 0) {
            std::fprintf(stderr, "keine Läufe in %s\n", strFile.c_str());
            return 2;
        }
        arrRuns.push_back(std::move(run));
    }
    std::sort(arrRuns.begin(), arrRuns.end(), [](const SRun& a, const SRun& b) { return a.dEntries < b.dEntries; });
    std::printf("\nWachstum (Steigung: 0 gleichbleibend, 1 wie die Daten, 2 quadratisch; Basis in Klammern)\n");
    std::printf("%-56s", "Fall");
    for (const auto& run : arrRuns) std::printf(" %14.0f", run.dEntries);
    std::printf("  %-22s %s\n", "Steigung", "Urteil");
    std::printf("%s\n", std::string(56 + 15 * arrRuns.size() + 40, '-').c_str());
    bool bFinding = false;
    for (const auto& strCase : arrOrder) {
        std::printf("%-56s", strCase.c_str());
        std::string strUnit;
        for (const auto& run : arrRuns) {
            auto it = run.mapCases.find(strCase);
            if (it == run.mapCases.end()) {
                std::printf(" %14s", "-");
                continue;
            }
            strUnit = run.mapUnits.at(strCase);
            char sz[32];
            std::snprintf(sz, sizeof sz, "%.1f %s", it->second.first, strUnit.c_str());
            std::printf(" %14s", sz);
        }
        // the slope between the largest two sizes that both have the case
        double dSlope = 0, dBaseSlope = 0;
        bool bSlope = false;
        for (size_t i = arrRuns.size(); i-- > 1;) {
            auto a = arrRuns[i - 1].mapCases.find(strCase), b = arrRuns[i].mapCases.find(strCase);
            if (a == arrRuns[i - 1].mapCases.end() || b == arrRuns[i].mapCases.end()) continue;
            dSlope = Slope(a->second.first, b->second.first, arrRuns[i - 1].dEntries, arrRuns[i].dEntries);
            dBaseSlope = Slope(a->second.second, b->second.second, arrRuns[i - 1].dEntries, arrRuns[i].dEntries);
            bSlope = true;
            break;
        }
        char szSlope[48] = "-";
        if (bSlope)
            std::snprintf(szSlope, sizeof szSlope, dBaseSlope != 0 ? "%.2f (%.2f)" : "%.2f", dSlope, dBaseSlope);
        // a figure fixed by the design (the memory limit, the threshold) has no slope of its own
        const char* pszVerdict = !bSlope                                          ? "-"
                                 : dSlope <= 0.3                                  ? "gleichbleibend"
                                 : dSlope <= 1.2                                  ? "linear"
                                 : dBaseSlope > 1.2 && dSlope <= dBaseSlope + 0.2 ? "wie die Basis"
                                                                                  : "SCHNELLER ALS DIE DATEN";
        if (std::strcmp(pszVerdict, "SCHNELLER ALS DIE DATEN") == 0) bFinding = true;
        std::printf("  %-22s %s\n", szSlope, pszVerdict);
    }
    return bFinding ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && !std::strcmp(argv[1], "--peak")) return PeakMain(argv[2], argv[3], std::atoi(argv[4]));
    if (argc >= 2 && !std::strcmp(argv[1], "--contend")) return ContendMain(argc, argv);
    if (argc >= 3 && !std::strcmp(argv[1], "--growth"))
        return GrowthMain(std::vector<std::string>(argv + 2, argv + argc));

    SBenchConfig cfg;
    fs::path exeDir = fs::path(SelfPath()).parent_path();
    cfg.strCli = (exeDir / "orvantis-cli").string();
    cfg.strDataDir = (exeDir / "bench-data").string();
    cfg.strWorkDir = (exeDir / "bench-work").string();
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--entries")
            cfg.nEntries = std::atoi(next().c_str());
        else if (a == "--seed")
            cfg.nSeed = std::strtoull(next().c_str(), nullptr, 10);
        else if (a == "--json")
            cfg.strJson = next();
        else if (a == "--quick")
            cfg.bQuick = true;
        else if (a == "--repeat")
            g_nRunFactor = std::max(1, std::atoi(next().c_str()));
        else if (a == "--only")
            cfg.strOnly = next();
        else if (a == "--contend-cli")
            cfg.strContendCli = next();
        else if (a == "--contend-seconds")
            cfg.nContendSeconds = std::max(1, std::atoi(next().c_str()));
        else if (a == "--no-multiuser")
            cfg.bMultiUser = false;
        else if (a == "--idle-seconds")
            cfg.nIdleSeconds = std::max(1, std::atoi(next().c_str()));
        else {
            std::fprintf(stderr,
                         "Aufruf: orvantis_bench [--entries N] [--seed S] [--json DATEI] [--quick] [--only TEXT]\n"
                         "                       [--contend-cli PROGRAMM] [--contend-seconds S] [--idle-seconds S]\n"
                         "                       [--no-multiuser]\n");
            return 2;
        }
    }
    if (cfg.strContendCli.empty()) cfg.strContendCli = cfg.strCli;
    if (cfg.nEntries < 1000) {
        std::fprintf(stderr, "orvantis_bench: --entries mindestens 1000\n");
        return 2;
    }

    CBenchPlatform platform;
    SetPlatform(&platform);
    cfg.pPlatform = &platform;

    std::error_code ec;
    fs::create_directories(cfg.strDataDir, ec);
    std::string strKey = std::to_string(cfg.nEntries) + "-" + std::to_string(cfg.nSeed);
    std::string strPlainCache = cfg.strDataDir + "/plain-" + strKey + ".tov";
    std::string strProtCache = cfg.strDataDir + "/protected-" + strKey + ".tov";
    if (!fs::exists(strPlainCache) && !RunGenerator(cfg, strPlainCache, "", cfg.nEntries)) return 1;
    if (!fs::exists(strProtCache) && !RunGenerator(cfg, strProtCache, cfg.strPassword, cfg.nEntries)) return 1;
    cfg.strSharedCache =
        cfg.strDataDir + "/plain-" + std::to_string(kSharedEntries) + "-" + std::to_string(cfg.nSeed) + ".tov";
    if (cfg.bMultiUser && !fs::exists(cfg.strSharedCache) && !RunGenerator(cfg, cfg.strSharedCache, "", kSharedEntries))
        return 1;

    fs::remove_all(cfg.strWorkDir, ec);
    fs::create_directories(cfg.strWorkDir + "/plain", ec);
    fs::create_directories(cfg.strWorkDir + "/protected", ec);
    cfg.strPlain = cfg.strWorkDir + "/plain/wissen.tov";
    cfg.strProtected = cfg.strWorkDir + "/protected/wissen.tov";
    fs::copy_file(strPlainCache, cfg.strPlain, ec);
    fs::copy_file(strProtCache, cfg.strProtected, ec);
    cfg.strPlainCache = strPlainCache;

    std::fprintf(stderr, "Messe (%d Einträge, %.0f MiB) ...\n", cfg.nEntries,
                 static_cast<double>(fs::file_size(cfg.strPlain)) / (1 << 20));
    CResults results;
    double tStart = NowMs();
    RunPlainCases(cfg, results);
    RunImportCases(cfg, results);
    for (bool bFirstTrash : {false, true}) {
        RunDeleteCase(cfg, results, bFirstTrash);
        RunDeleteFolderCase(cfg, results, bFirstTrash);
    }
    RunProtectedCases(cfg, results);
    if (!cfg.bQuick) RunReencryptCases(cfg, results);
    if (!cfg.bQuick && Wanted(cfg, "Speicherspitze: schützen")) ReencryptMemoryCase(cfg, results);
    ExportMemoryCase(cfg, results);
    if (cfg.strOnly.empty() || std::string("Speicher").find(cfg.strOnly) != std::string::npos)
        MemoryCase(results, cfg.strPlain, cfg.nBigFolder);
    RunCliCases(cfg, results);
    if (cfg.bMultiUser) {
        RunSingleSaveCase(cfg, results);
        RunIdleCoreCases(cfg, results);
        RunContentionCases(cfg, results);
    }
    RunGuiCases(cfg, results);

    results.Print();
    std::printf("\n%d Einträge, Datei %.0f MiB, Messzeit %.0f s\n", cfg.nEntries,
                static_cast<double>(fs::file_size(strPlainCache)) / (1 << 20), (NowMs() - tStart) / 1000);
    if (!cfg.strJson.empty()) {
        std::string strHeader = "{\"entries\": " + std::to_string(cfg.nEntries) +
                                ", \"seed\": " + std::to_string(cfg.nSeed) +
                                ", \"file_bytes\": " + std::to_string(fs::file_size(strPlainCache)) +
                                ", \"measure_seconds\": " + std::to_string((NowMs() - tStart) / 1000) + "}";
        if (!results.WriteJson(cfg.strJson, strHeader))
            std::fprintf(stderr, "JSON nicht geschrieben: %s\n", cfg.strJson.c_str());
    }
    fs::remove_all(cfg.strWorkDir, ec);
    SetPlatform(nullptr);
    bool bFailed = std::any_of(results.All().begin(), results.All().end(), [](const SResult& r) { return r.bFailed; });
    return bFailed ? 1 : 0;
}
