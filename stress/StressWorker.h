#pragma once
// The processes of a stress run besides the controller: the two kinds of
// workers and the locker.

#include <set>
#include <string>
#include <vector>

#include "StressOwn.h"

struct SWorkerConfig {
    int nId = 0;
    std::string strDb;
    std::string strLogDir;  // logs and scratch files
    std::string strPassword;
    std::string strCli;
    std::vector<SSharedFolder> arrShared;
    std::set<std::string> setOps;  // add set move del imp (the document driver also swap reuse deldir)
    long nHoldMaxMs = 2000;        // how long the document driver keeps a folder's rows
    long nThinkMaxMs = 200;        // pause between operations
    unsigned long long nSeed = 1;
};

struct SLockerConfig {
    std::string strDb;
    std::string strReport;  // a file for the locker's figures
    long nMinMs = 100, nMaxMs = 3000;
    long nGapMinMs = 200, nGapMaxMs = 1000;
    // this share of the locks outlasts the wait of every other program
    // (10.5 to 13 s), so that their writes end Locked
    double dLongShare = 0;
    unsigned long long nSeed = 1;
};

// A worker that runs orvantis-cli for every operation.
int RunCliWorker(const SWorkerConfig& cfg);
// A worker that uses the core in its own process the way the desktop
// program's detail view does.
int RunDocWorker(const SWorkerConfig& cfg);
// Takes exclusive locks of random length until asked to stop.
int RunLocker(const SLockerConfig& cfg);

// The first line of a text, at most 120 bytes.
std::string FirstLine(const std::string& str);
