#pragma once
// The check after a run: the file against what the workers' logs say was
// done, and the figures of the run.

#include <map>
#include <string>
#include <vector>

struct SOpFigures {
    long nOps = 0, nOk = 0, nStale = 0, nLocked = 0, nOther = 0, nUnknown = 0, nWaits = 0;
};

struct SFigures {
    SOpFigures all;
    std::map<std::string, SOpFigures> mapByOp;
    long nLongestMs = 0;
    std::map<std::string, long> mapOther;  // what the other refusals said

    long nRows = 0;
    long nLost = 0;          // a change reported done that is not in the file
    long nWrongFolder = 0;   // an entry in a folder it was never put in
    long nBadPositions = 0;  // rows without a position of their own in 1..n
    long nBadFolders = 0;    // folders with such rows
    long nOrphans = 0;       // rows whose MasterID names no row
    long nMisEncrypted = 0;  // rows of a protected file with a field that is not under the key
    bool bKeyChanged = false;
    long nPhantom = 0;      // a change reported refused that is in the file anyway
    long nDuplicates = 0;   // surplus rows of one entry
    long nStrangeRows = 0;  // rows no worker wrote
    long nCrashes = 0, nHangs = 0, nKills = 0, nKillsMidOp = 0;
    bool bIntegrityOk = false;
    std::string strIntegrity;
    std::vector<std::string> arrExamples;  // the first faults, for the diagnosis
    std::map<std::string, int> mapExampleCounts;

    long Misplaced() const { return nWrongFolder + nBadPositions + nOrphans; }
    bool Faulty() const {
        return nLost || Misplaced() || nMisEncrypted || bKeyChanged || nCrashes || nHangs || nDuplicates ||
               !bIntegrityOk;
    }
};

// strPassword empty: the file is not protected.
SFigures CheckRun(const std::string& strDb, const std::string& strLogDir, const std::string& strPassword);
void PrintFigures(const SFigures& f);
