#pragma once
// The measured cases, grouped by the file they run on.

#include <cstdint>
#include <string>
#include <vector>

class CBenchPlatform;
class CResults;

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
    CBenchPlatform* pPlatform = nullptr;
};

bool Wanted(const SBenchConfig& cfg, const std::string& strCase);
// The paths of the hits of an open database's search, by bytes, found with
// plain SQLite; and the word a user most often waits for.
std::vector<std::string> RawSearchPaths(const std::string& strFile, const std::string& strWord);
const char* CommonWord();
void RunCliCases(SBenchConfig& cfg, CResults& results);

void RunPlainCases(SBenchConfig& cfg, CResults& results);
void RunImportCases(SBenchConfig& cfg, CResults& results);
void RunDeleteCase(SBenchConfig& cfg, CResults& results);
void RunProtectedCases(SBenchConfig& cfg, CResults& results);
void RunReencryptCases(SBenchConfig& cfg, CResults& results);
// The child process of the re-encryption's memory case.
int ReencryptPeakMain(const std::string& strFile);
void RunGuiCases(SBenchConfig& cfg, CResults& results);
