#include "StressLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {
std::string Clean(std::string str) {
    for (char& ch : str)
        if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
    return str;
}

std::vector<std::string> Split(const std::string& strLine) {
    std::vector<std::string> arr;
    size_t nStart = 0;
    for (;;) {
        size_t n = strLine.find('\t', nStart);
        arr.push_back(strLine.substr(nStart, n == std::string::npos ? std::string::npos : n - nStart));
        if (n == std::string::npos) return arr;
        nStart = n + 1;
    }
}
}  // namespace

CStressLog::~CStressLog() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CStressLog::Open(const std::string& strPath) {
    m_fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return m_fd >= 0;
}

void CStressLog::WriteLine(const std::vector<std::string>& arrFields) {
    if (m_fd < 0) return;
    std::string strLine;
    for (size_t i = 0; i < arrFields.size(); ++i) {
        if (i) strLine += '\t';
        strLine += Clean(arrFields[i]);
    }
    strLine += '\n';
    // one write, so a killed worker never leaves a partial line
    ssize_t n = ::write(m_fd, strLine.data(), strLine.size());
    (void)n;
}

long CStressLog::Begin(const std::string& strOp, const std::vector<std::string>& arrArgs) {
    long nSeq = m_nNextSeq++;
    std::vector<std::string> arr{"B", std::to_string(nSeq), strOp};
    arr.insert(arr.end(), arrArgs.begin(), arrArgs.end());
    WriteLine(arr);
    return nSeq;
}

void CStressLog::End(long nSeq, bool bOk, long nMs, const std::string& strReason, const std::string& strDetail) {
    WriteLine({"E", std::to_string(nSeq), bOk ? "ok" : "refused", std::to_string(nMs), strReason, strDetail});
}

void CStressLog::Crash(long nSeq, long nMs, int nSignal) {
    WriteLine({"E", std::to_string(nSeq), "crash", std::to_string(nMs), "signal", std::to_string(nSignal)});
}

void CStressLog::Note(const std::string& strKind, const std::string& strText) {
    WriteLine({strKind, strText});
}

SWorkerLog ReadWorkerLog(const std::string& strPath, int nWorker) {
    SWorkerLog log;
    log.nWorker = nWorker;
    std::ifstream in(strPath, std::ios::binary);
    std::string strLine;
    while (std::getline(in, strLine)) {
        auto arr = Split(strLine);
        const std::string& strKind = arr[0];
        if (strKind == "B" && arr.size() >= 3) {
            SLogOp op;
            op.nWorker = nWorker;
            op.nSeq = std::atol(arr[1].c_str());
            op.strOp = arr[2];
            op.arrArgs.assign(arr.begin() + 3, arr.end());
            log.arrOps.push_back(std::move(op));
        } else if (strKind == "E" && arr.size() >= 6) {
            long nSeq = std::atol(arr[1].c_str());
            // the outcome belongs to the last begun operation of that number
            auto it =
                std::find_if(log.arrOps.rbegin(), log.arrOps.rend(), [&](const SLogOp& op) { return op.nSeq == nSeq; });
            if (it == log.arrOps.rend()) continue;
            it->nMs = std::atol(arr[3].c_str());
            if (arr[2] == "ok") {
                it->eOutcome = EOutcome::Ok;
            } else if (arr[2] == "refused") {
                it->eOutcome = EOutcome::Refused;
            } else {
                it->eOutcome = EOutcome::Unknown;
                it->bCrash = true;
            }
            it->strReason = arr[4];
            it->strDetail = arr[5];
        } else if (strKind == "Z") {
            log.bKilled = true;
        } else if (strKind == "K" && arr.size() >= 2) {
            log.nDiedOfSignal = std::atoi(arr[1].c_str());
        } else if (strKind == "H") {
            log.bHung = true;
            log.strHang = arr.size() >= 2 ? arr[1] : std::string();
        }
    }
    return log;
}

std::string WorkerLogPath(const std::string& strFolder, int nWorker) {
    return strFolder + "/w" + std::to_string(nWorker) + ".log";
}

std::vector<SWorkerLog> ReadAllLogs(const std::string& strFolder) {
    namespace fs = std::filesystem;
    std::vector<SWorkerLog> arr;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(strFolder, ec)) {
        std::string strName = entry.path().filename().string();
        if (strName.size() < 6 || strName[0] != 'w' || strName.substr(strName.size() - 4) != ".log") continue;
        std::string strNumber = strName.substr(1, strName.size() - 5);
        if (strNumber.empty() || strNumber.find_first_not_of("0123456789") != std::string::npos) continue;
        arr.push_back(ReadWorkerLog(entry.path().string(), std::atoi(strNumber.c_str())));
    }
    std::sort(arr.begin(), arr.end(), [](const SWorkerLog& a, const SWorkerLog& b) { return a.nWorker < b.nWorker; });
    return arr;
}
