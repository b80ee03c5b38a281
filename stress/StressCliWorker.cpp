// The worker that runs orvantis-cli for every operation, as a script or a
// second user at the command line would.
#include <fstream>

#include "StressLog.h"
#include "StressProcess.h"
#include "StressWorker.h"
#include "db/CDB.h"

namespace {
class CCliWorker {
public:
    explicit CCliWorker(const SWorkerConfig& cfg)
        : m_cfg(cfg),
          m_own(cfg.nId, cfg.arrShared, cfg.nSeed),
          m_strScratch(cfg.strLogDir + "/w" + std::to_string(cfg.nId) + ".scratch") {}

    int Run();

private:
    SRunResult Cli(std::vector<std::string> arrArgs) {
        arrArgs.insert(arrArgs.begin(), m_cfg.strCli);
        if (!m_cfg.strPassword.empty()) {
            arrArgs.push_back("--password");
            arrArgs.push_back(m_cfg.strPassword);
        }
        return RunProgram(arrArgs, m_strScratch);
    }
    // Logs the outcome; true when the program reported success and bOk holds.
    bool Finish(long nSeq, const SRunResult& r, bool bOk = true);
    bool Allowed(const char* pszOp) const { return m_cfg.setOps.count(pszOp) > 0; }

    void Add();
    void Set(const std::string& strName);
    void Move(const std::string& strName);
    void Delete(const std::string& strName);
    void Import();
    // The ID of an own entry, looked up by its name; 0 when not found.
    std::int32_t FindId(const std::string& strName);

    const SWorkerConfig& m_cfg;
    CStressLog m_log;
    COwnTree m_own;
    std::string m_strScratch;
};

bool CCliWorker::Finish(long nSeq, const SRunResult& r, bool bOk) {
    if (r.nSignal) {
        m_log.Crash(nSeq, r.nMs, r.nSignal);
        return false;
    }
    if (r.nExit == 0 && bOk) {
        m_log.End(nSeq, true, r.nMs, "", FirstLine(r.strOut));
        return true;
    }
    // The program tells its outcomes by exit status only: 3 the file stayed
    // locked (with the lock message, as documented), 1 anything else.
    std::string strReason = "other";
    if (r.nExit == 3 && r.strErr.find(DB_LOCKED_MESSAGE) != std::string::npos) strReason = "locked";
    std::string strSaid = r.strErr.empty() ? "stdout: " + FirstLine(r.strOut) : FirstLine(r.strErr);
    m_log.End(nSeq, false, r.nMs, strReason, "exit " + std::to_string(r.nExit) + ": " + strSaid);
    return false;
}

void CCliWorker::Add() {
    // own folders only matter when entries are also moved, set or imported
    bool bMixed = m_cfg.setOps.size() > 1;
    std::string strParent = m_own.PickFolder(bMixed ? 0.3 : 0);
    bool bDir = bMixed && m_own.Chance(0.25);
    std::string strName = m_own.NewToken(bDir ? 'f' : 'n');
    std::string strText = m_own.NewToken('t');
    long nSeq = m_log.Begin("add", {strName, strParent, strText, bDir ? "1" : "0"});
    std::vector<std::string> arrArgs{"add",    m_cfg.strDb, "--parent", std::to_string(m_own.FolderId(strParent)),
                                     "--name", strName,     "--text",   strText};
    if (bDir) arrArgs.push_back("--folder");
    SRunResult r = Cli(arrArgs);
    long nId = std::atol(r.strOut.c_str());
    if (Finish(nSeq, r, nId > 0)) m_own.Add(strName, static_cast<std::int32_t>(nId), strParent, bDir, strText);
}

void CCliWorker::Set(const std::string& strName) {
    std::string strText = m_own.NewToken('t');
    // only this worker writes the texts of its entries: the one it replaces
    // is the last it wrote, unless that was refused
    long nSeq = m_log.Begin("set", {strName, strText, m_own.TextOf(strName)});
    SRunResult r = Cli({"set", m_cfg.strDb, std::to_string(m_own.IdOf(strName)), "--text", strText});
    if (Finish(nSeq, r) || r.nSignal) m_own.SetText(strName, strText);
}

void CCliWorker::Move(const std::string& strName) {
    std::string strTarget = m_own.PickMoveTarget(strName);
    if (strTarget.empty()) return;
    long nSeq = m_log.Begin("move", {strName, strTarget});
    SRunResult r =
        Cli({"move", m_cfg.strDb, std::to_string(m_own.IdOf(strName)), std::to_string(m_own.FolderId(strTarget))});
    if (Finish(nSeq, r)) m_own.Move(strName, strTarget);
}

void CCliWorker::Delete(const std::string& strName) {
    long nSeq = m_log.Begin("del", {strName});
    if (Finish(nSeq, Cli({"delete", m_cfg.strDb, std::to_string(m_own.IdOf(strName)), "--yes"}))) m_own.Remove(strName);
}

void CCliWorker::Import() {
    std::string strParent = m_own.PickFolder(0.3);
    std::vector<STemplateEntry> arrEntries;
    std::vector<std::string> arrLines = m_own.MakeTemplate(strParent, arrEntries);
    std::string strTemplate = m_strScratch + ".txt";
    {
        std::ofstream out(strTemplate, std::ios::binary | std::ios::trunc);
        for (const auto& strLine : arrLines) out << strLine << "\r\n";
    }
    long nSeq = m_log.Begin("imp", {strParent, FormatTemplateEntries(arrEntries)});
    SRunResult r = Cli({"import", m_cfg.strDb, strTemplate, "--folder", std::to_string(m_own.FolderId(strParent))});
    // the number of entries made: every line of the template, or nothing
    long nCount = std::atol(r.strOut.c_str());
    if (!Finish(nSeq, r, nCount == static_cast<long>(arrEntries.size()))) return;
    const std::string& strRoot = arrEntries[0].strName;
    std::int32_t nRootId = FindId(strRoot);
    for (const auto& entry : arrEntries)
        m_own.Add(entry.strName, entry.strName == strRoot ? nRootId : 0, entry.strParent, entry.bDir);
}

std::int32_t CCliWorker::FindId(const std::string& strName) {
    // the names are tokens of this worker: a keyword search finds it and the
    // entries named after it, of which only one has the name itself
    SRunResult r = Cli({"search", m_cfg.strDb, strName, "--keywords", "--json"});
    if (r.nSignal || r.nExit != 0) return 0;  // unknown for now, as the other imported entries are
    const std::string strKey = "\"Name\":\"" + strName + "\"";
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = r.strOut.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
        std::string strLine = r.strOut.substr(nStart, nEnd - nStart);
        if (strLine.find(strKey) != std::string::npos && strLine.rfind("{\"ID\":", 0) == 0)
            return static_cast<std::int32_t>(std::atol(strLine.c_str() + 6));
    }
    return 0;
}

int CCliWorker::Run() {
    if (!m_log.Open(WorkerLogPath(m_cfg.strLogDir, m_cfg.nId))) return 2;
    struct SChoice {
        const char* pszOp;
        int nWeight;
    };
    const SChoice arrChoices[] = {{"add", 35}, {"set", 25}, {"move", 15}, {"del", 10}, {"imp", 10}};
    int nTotal = 0;
    for (const auto& c : arrChoices)
        if (Allowed(c.pszOp)) nTotal += c.nWeight;
    // none of the operations asked for is one of this kind's: it only waits
    if (nTotal == 0) {
        while (SleepUnlessStopped(1000)) {
        }
        return 0;
    }
    while (!StopRequested()) {
        long nPick = m_own.Random(1, nTotal);
        std::string strOp;
        for (const auto& c : arrChoices) {
            if (!Allowed(c.pszOp)) continue;
            nPick -= c.nWeight;
            if (nPick <= 0) {
                strOp = c.pszOp;
                break;
            }
        }
        std::string strEntry = m_own.PickEntry();
        // what needs an own entry starts with adding one
        if (strEntry.empty() && strOp != "imp") strOp = "add";
        if (strOp == "add")
            Add();
        else if (strOp == "set")
            Set(strEntry);
        else if (strOp == "move")
            Move(strEntry);
        else if (strOp == "del")
            Delete(strEntry);
        else
            Import();
        SleepUnlessStopped(m_own.Random(0, m_cfg.nThinkMaxMs));
    }
    return 0;
}
}  // namespace

std::string FirstLine(const std::string& str) {
    std::string strLine = str.substr(0, str.find('\n'));
    if (strLine.size() > 120) strLine.resize(120);
    return strLine;
}

int RunCliWorker(const SWorkerConfig& cfg) {
    InstallStopHandler();
    return CCliWorker(cfg).Run();
}
