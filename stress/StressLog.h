#pragma once
// The operation log every stress worker writes: one line when an operation
// starts ("B") and one when its outcome is known ("E"). A worker killed in
// the middle leaves a "B" without its "E", so the outcome of that operation
// is unknown. The controller appends what only it can see: a worker that it
// killed ("Z"), one that died of a signal ("K") and one that did not stop
// ("H"). Fields are separated by tabs; every line is one write(2) on a file
// opened for appending, so a kill never leaves half a line.

#include <string>
#include <vector>

enum class EOutcome { Ok, Refused, Unknown };

struct SLogOp {
    int nWorker = 0;
    long nSeq = 0;
    std::string strOp;  // add set move del imp; the document worker's type save choice gone swap show reload open
    std::vector<std::string> arrArgs;
    EOutcome eOutcome = EOutcome::Unknown;
    bool bCrash = false;  // the program doing it died of a signal
    long nMs = 0;
    std::string strReason;  // refusals only: a write result's name (conflict, deleted, parentgone, locked,
                            // failed, declined), or other for a command-line program's exit status 1
    std::string strDetail;  // the new ID, or what the refusal said
};

struct SWorkerLog {
    int nWorker = 0;
    std::vector<SLogOp> arrOps;
    bool bKilled = false;  // killed by the controller
    int nDiedOfSignal = 0;
    bool bHung = false;
    std::string strHang;
};

class CStressLog {
public:
    CStressLog() = default;
    CStressLog(const CStressLog&) = delete;
    CStressLog& operator=(const CStressLog&) = delete;
    ~CStressLog();

    bool Open(const std::string& strPath);
    long Begin(const std::string& strOp, const std::vector<std::string>& arrArgs);
    void End(long nSeq, bool bOk, long nMs, const std::string& strReason, const std::string& strDetail);
    void Crash(long nSeq, long nMs, int nSignal);
    // A whole record of the controller's ("Z", "K", "H").
    void Note(const std::string& strKind, const std::string& strText);

private:
    void WriteLine(const std::vector<std::string>& arrFields);
    int m_fd = -1;
    long m_nNextSeq = 1;
};

// Reads one worker's log; a missing file reads as an empty log.
SWorkerLog ReadWorkerLog(const std::string& strPath, int nWorker);
// Every "w<N>.log" of the folder, by worker number.
std::vector<SWorkerLog> ReadAllLogs(const std::string& strFolder);
std::string WorkerLogPath(const std::string& strFolder, int nWorker);
