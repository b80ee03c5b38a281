#pragma once
// The measuring harness: timing with medians, the result table, the raw
// SQLite baseline helpers and a platform that answers every question.

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/PosixPlatform.h"

// --- platform -----------------------------------------------------------------
// Answers Yes/OK and remembers each message, so a case that met a refusal
// or a failure can say so instead of reporting a figure.
class CBenchPlatform : public CPosixPlatform {
public:
    EMsgResult MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                          EMsgButtons eButtons) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    // Nobody else uses the bench's files, so no statement waits for a lock:
    // the only pause is the one after VACUUM, which is counted, not waited.
    // The writers of the contention case do wait, as the program does.
    void Sleep(int nMilliseconds) override {
        m_nSleptMs += nMilliseconds;
        if (m_bRealSleep) CPosixPlatform::Sleep(nMilliseconds);
    }
    std::vector<std::string> m_arrMessages;
    long m_nSleptMs = 0;
    bool m_bRealSleep = false;
};

// --- timing -------------------------------------------------------------------
double NowMs();
// Copies a file and has the disk take it before anything is timed: a fresh
// copy's pages wait in the page cache, and the first commit that syncs the
// file would otherwise pay for writing all of them.
bool CopySettled(const std::string& strFrom, const std::string& strTo);
double Median(std::vector<double> arr);

// Runs ours and the baseline nRuns times each, alternating, and answers the
// medians in milliseconds. fnPrepare (untimed) runs before every single run.
// Every case runs this many times its usual number of runs (--repeat, for profiling).
extern int g_nRunFactor;
struct STimes {
    double dOurs = 0;
    double dBase = 0;
    int nStatements = 0;  // SQL statements of one more, untimed run of ours
};
STimes Measure(int nRuns, const std::function<void()>& fnOurs, const std::function<void()>& fnBase,
               const std::function<void()>& fnPrepareOurs = {}, const std::function<void()>& fnPrepareBase = {});

// --- results -------------------------------------------------------------------
struct SResult {
    std::string strCase;
    std::string strUnit = "ms";
    double dOurs = 0;
    double dBase = 0;       // 0: no baseline
    double dRatio = 0;      // ours / reference (baseline unless strReference says otherwise)
    double dLimit = 0;      // 0: report only
    std::string strTarget;  // as printed
    std::string strNote;    // what the figure means, or why it is missing
    bool bFailed = false;   // the results of ours and the baseline differ, or a step failed
    int nRuns = 0;
    int nStatements = 0;  // SQL statements one run of ours sends

    void Take(const STimes& t) {
        dOurs = t.dOurs;
        dBase = t.dBase;
        nStatements = t.nStatements;
    }
};

// Marks a case as failed and says why.
void Fail(SResult& r, const std::string& strWhy);

class CResults {
public:
    void Add(SResult r);
    void Print() const;
    bool WriteJson(const std::string& strPath, const std::string& strHeader) const;
    const std::vector<SResult>& All() const { return m_arr; }

private:
    std::vector<SResult> m_arr;
};

// --- raw SQLite baseline -------------------------------------------------------
struct SRawRow {
    std::int32_t nId = 0, nAktiv = 0, nMaster = 0, nLinkId = 0, nTyp = 0, nPos = 0, nDir = 0, nUpdate = 0;
    std::string strName, strText, strLink;
};

// Every column, in the order the baseline reads them.
inline constexpr const char* RAW_COLUMNS =
    "ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr";

class CRawDb {
public:
    ~CRawDb() { Close(); }
    bool Open(const std::string& strPath, bool bCreate = false);
    void Close();
    sqlite3* Handle() const { return m_p; }
    sqlite3_stmt* Prepare(const std::string& strSql);
    bool Exec(const char* pszSql);

private:
    sqlite3* m_p = nullptr;
};

// Reads a row of a statement that selects RAW_COLUMNS.
void ReadRawRow(sqlite3_stmt* pStmt, SRawRow& row);
std::string ColumnText(sqlite3_stmt* pStmt, int nCol);
