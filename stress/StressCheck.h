#pragma once
// The check after a run: the file against what the workers' logs say was
// done, and the figures of the run.

#include <map>
#include <string>
#include <vector>

// The refusals by outcome: the write results' names (conflict, deleted,
// parentgone, locked, failed, declined) and "other" for a command-line
// program's exit status 1.
struct SOpFigures {
    long nOps = 0, nOk = 0, nUnknown = 0, nWaits = 0;
    std::map<std::string, long> mapRefused;
    long Refused(const std::string& strReason) const {
        auto it = mapRefused.find(strReason);
        return it == mapRefused.end() ? 0 : it->second;
    }
};

struct SFigures {
    SOpFigures all;
    std::map<std::string, SOpFigures> mapByOp;
    long nLongestMs = 0;
    std::map<std::string, long> mapOther;    // what the other refusals said
    std::map<std::string, long> mapChoices;  // the answers to refused rows: keep, stored, new, later, discard, close

    long nRows = 0;
    long nLost = 0;           // a change reported done that is not in the file, nor knowingly replaced or deleted
    long nWrongRow = 0;       // an entry holding a text typed for another entry
    long nDiscarded = 0;      // typing that went without a logged choice
    long nUnsavedAtKill = 0;  // typing not yet saved when its worker was killed
    long nWrongFolder = 0;    // an entry in a folder it was never put in
    long nBadPositions = 0;   // rows without a position of their own in 1..n
    long nBadFolders = 0;     // folders with such rows
    long nOrphans = 0;        // rows whose MasterID is no live folder (nor 0)
    long nMisEncrypted = 0;   // rows of a protected file with a field that is not under the key
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
        return nLost || Misplaced() || nWrongRow || nDiscarded || nMisEncrypted || bKeyChanged || nCrashes || nHangs ||
               nDuplicates || !bIntegrityOk;
    }
};

// strPassword empty: the file is not protected.
SFigures CheckRun(const std::string& strDb, const std::string& strLogDir, const std::string& strPassword);
void PrintFigures(const SFigures& f);
