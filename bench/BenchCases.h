#pragma once
// The measured cases, grouped by the file they run on.

#include <cstdint>
#include <string>
#include <vector>

class CBenchPlatform;
class CResults;
struct SResult;

struct SBenchConfig {
    int nEntries = 100000;
    std::uint64_t nSeed = 1;
    bool bQuick = false;
    std::string strOnly;  // runs only the cases whose name contains this
    std::string strJson;
    std::string strCli, strDataDir, strWorkDir;
    std::string strPlainCache;           // generated, never written to
    std::string strPlain, strProtected;  // this run's copies
    std::string strPassword = "Geheim!";
    std::int32_t nBigFolder = 1;  // the generator's folder with 1,000 entries
    // the multi-user cases: one file of kSharedEntries, whatever nEntries is
    std::string strSharedCache;
    std::string strContendCli;  // the orvantis-cli of the contention case (an older build to compare)
    int nContendSeconds = 3;    // each side at each number of writers
    int nIdleSeconds = 5;       // the program idle, with and without the look for changes
    bool bMultiUser = true;
    CBenchPlatform* pPlatform = nullptr;
};

inline constexpr int kSharedEntries = 20000;

bool Wanted(const SBenchConfig& cfg, const std::string& strCase);
// Messages shown during a case mean that the program refused or failed.
void CheckMessages(const SBenchConfig& cfg, SResult& r, size_t nBefore);
// The paths of the hits of an open database's search, by bytes, found with
// plain SQLite; and the word a user most often waits for.
std::vector<std::string> RawSearchPaths(const std::string& strFile, const std::string& strWord);
const char* CommonWord();
void RunCliCases(SBenchConfig& cfg, CResults& results);

void RunPlainCases(SBenchConfig& cfg, CResults& results);
void RunImportCases(SBenchConfig& cfg, CResults& results);
// Deleting into the trash; bFirstTrash: the delete that creates it.
void RunDeleteCase(SBenchConfig& cfg, CResults& results, bool bFirstTrash);
void RunDeleteFolderCase(SBenchConfig& cfg, CResults& results, bool bFirstTrash);
void RunProtectedCases(SBenchConfig& cfg, CResults& results);
void RunReencryptCases(SBenchConfig& cfg, CResults& results);
// The child process of the re-encryption's memory case.
int ReencryptPeakMain(const std::string& strFile);
void RunGuiCases(SBenchConfig& cfg, CResults& results);
// Several users on the shared file: saves under contention (orvantis-cli
// against a plain SQLite client), one durable save, the idle look for
// another user's commit through the core.
void RunContentionCases(SBenchConfig& cfg, CResults& results);
void RunSingleSaveCase(SBenchConfig& cfg, CResults& results);
void RunIdleCoreCases(SBenchConfig& cfg, CResults& results);
// A writer process of the contention case.
int ContendMain(int argc, char** argv);
