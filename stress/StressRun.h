#pragma once
// The controller of a stress run: it makes the file, starts the workers and
// the locker, kills workers now and then, stops everything and checks.

#include <string>

struct SRunConfig {
    std::string strScenario = "mixed";  // mixed, adds
    int nProcesses = 8;
    int nDocWorkers = -1;  // -1: half of them (none in "adds")
    double dSeconds = 60;
    double dLockMin = 0.1, dLockMax = 3;  // 0 as maximum: no locker
    double dGapMin = 0.2, dGapMax = 1.0;
    double dLongShare = 0;    // the share of locks longer than anybody waits
    double dKillEvery = 20;   // seconds between kills on average; 0: none
    double dHoldMax = 2;      // how long the document driver keeps rows
    double dGrace = 90;       // how long stopping may take
    double dMinSuccess = 95;  // "adds": the share of adds that must succeed
    std::string strOps;       // empty: every operation of each kind of worker
    std::string strPassword;
    std::string strCli;
    std::string strDir;  // empty: a new folder below the temporary folder
    bool bKeep = false;
    unsigned long long nSeed = 0;
};

int RunScenario(SRunConfig cfg);
