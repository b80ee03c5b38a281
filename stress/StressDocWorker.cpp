// The worker that uses the core in its own process as the desktop program's
// detail view does: it shows a folder's rows, keeps them while others change
// the file, and then appends, edits, swaps and converts on that array and
// writes it back; it moves, deletes and imports as the document does.
#include <sqlite3.h>

#include <fstream>
#include <memory>

#include "StressLog.h"
#include "StressPlatform.h"
#include "StressProcess.h"
#include "StressWorker.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
class CDocWorker {
public:
    explicit CDocWorker(const SWorkerConfig& cfg)
        : m_cfg(cfg),
          m_own(cfg.nId, cfg.arrShared, cfg.nSeed),
          m_strTemplate(cfg.strLogDir + "/w" + std::to_string(cfg.nId) + ".scratch.txt") {}

    int Run();

private:
    // One logged operation: the messages and the engine error it met are
    // its own, and its time is measured.
    long Begin(const std::string& strOp, const std::vector<std::string>& arrArgs) {
        m_platform.m_arrMessages.clear();
        GetDatabase().SetError(0, nullptr);
        m_nStart = NowMs();
        return m_log.Begin(strOp, arrArgs);
    }
    bool End(long nSeq, bool bOk, const std::string& strDetail = "");

    bool Open();
    // Reads the folder's rows as the view shows them.
    bool Show();
    void Append();
    void Edit();
    void Swap();
    void Convert();
    void MoveEntry();
    void DeleteEntry();
    void Import();

    const SWorkerConfig& m_cfg;
    CStressPlatform m_platform;
    CStressLog m_log;
    COwnTree m_own;
    std::string m_strTemplate;
    std::unique_ptr<CKnowHow> m_pKnowHow;
    std::string m_strFolder;  // the folder shown
    CKnowHowArray m_arrRows;  // its rows, as the view keeps them
    bool m_bShown = false;    // false when they could not be read
    long m_nStart = 0;
};

bool CDocWorker::End(long nSeq, bool bOk, const std::string& strDetail) {
    long nMs = NowMs() - m_nStart;
    if (bOk) {
        m_log.End(nSeq, true, nMs, "", strDetail);
        return true;
    }
    std::string strSaid;
    for (const auto& str : m_platform.m_arrMessages) strSaid += (strSaid.empty() ? "" : " | ") + Cp1252ToUtf8(str);
    // The session's error was cleared when the operation began; the reads
    // record theirs in the table's record set, which cannot be cleared, so
    // a lock it met earlier may be taken for this one's.
    int nCode = GetDatabase().GetLastErrorCode();
    if (nCode == SQLITE_OK && m_pKnowHow) nCode = m_pKnowHow->GetTable().GetRecordSet().GetLastErrorCode();
    std::string strReason = "other";
    if (strSaid.find(STALE_MESSAGE_PART) != std::string::npos)
        strReason = "stale";
    else if (strSaid.find(DB_LOCKED_MESSAGE) != std::string::npos || nCode == SQLITE_BUSY || nCode == SQLITE_LOCKED)
        strReason = "locked";
    if (strSaid.empty()) strSaid = "engine code " + std::to_string(nCode);
    m_log.End(nSeq, false, nMs, strReason, FirstLine(strSaid));
    return false;
}

bool CDocWorker::Open() {
    long nSeq = Begin("open", {});
    m_pKnowHow.reset();
    CloseDatabase();
    m_pKnowHow = OpenKnowledgeBase(m_cfg.strDb);
    return End(nSeq, m_pKnowHow != nullptr);
}

bool CDocWorker::Show() {
    m_arrRows.clear();
    m_bShown = false;
    // an own folder that this worker has just deleted is shown no more
    std::int32_t nFolder = m_own.FolderId(m_strFolder);
    if (nFolder == 0) return false;
    long nSeq = Begin("show", {m_strFolder});
    int n = m_pKnowHow->GetChildren(m_arrRows, nFolder);
    // nothing is appended to a folder whose rows could not be read
    if (n < 0) return End(nSeq, false);
    for (const auto& row : m_arrRows)
        if (m_own.Has(row.Name)) m_own.LearnId(row.Name, row.ID);
    m_bShown = true;
    return End(nSeq, true, std::to_string(n));
}

void CDocWorker::Append() {
    // a new row takes the position after the rows shown
    CKnowHowItem item;
    item.MasterID = m_own.FolderId(m_strFolder);
    item.PosNr = static_cast<std::int32_t>(m_arrRows.size()) + 1;
    std::string strName = m_own.NewToken('n');
    std::string strText = m_own.NewToken('t');
    item.SetName(strName);
    item.SetText(strText);
    m_arrRows.push_back(item);
    long nSeq = Begin("add", {strName, m_strFolder, strText, "0"});
    bool bOk = m_pKnowHow->SaveItems(m_arrRows) == EWriteResult::Saved && m_arrRows.back().ID > 0;
    if (End(nSeq, bOk, std::to_string(m_arrRows.back().ID)))
        m_own.Add(strName, m_arrRows.back().ID, m_strFolder, false);
    else
        Show();  // the view shows the stored state again
}

void CDocWorker::Edit() {
    std::vector<size_t> arr;
    for (size_t i = 0; i < m_arrRows.size(); ++i)
        if (m_arrRows[i].ID > 0 && m_own.Has(m_arrRows[i].Name)) arr.push_back(i);
    if (arr.empty()) return Append();
    CKnowHowItem& row = m_arrRows[arr[m_own.Random(0, static_cast<long>(arr.size()) - 1)]];
    std::string strText = m_own.NewToken('t');
    row.SetText(strText);
    long nSeq = Begin("set", {row.Name, strText});
    if (!End(nSeq, m_pKnowHow->SaveItems(m_arrRows) == EWriteResult::Saved)) Show();
}

void CDocWorker::Swap() {
    std::vector<size_t> arr;
    for (size_t i = 0; i + 1 < m_arrRows.size(); ++i)
        if (m_arrRows[i].ID > 0 && m_arrRows[i + 1].ID > 0) arr.push_back(i);
    if (arr.empty()) return Append();
    size_t i = arr[m_own.Random(0, static_cast<long>(arr.size()) - 1)];
    // as moving a row down does: the two exchange positions and places
    std::int32_t nPos = m_arrRows[i].PosNr;
    m_arrRows[i].SetPosNr(m_arrRows[i + 1].PosNr);
    m_arrRows[i + 1].SetPosNr(nPos);
    std::swap(m_arrRows[i], m_arrRows[i + 1]);
    long nSeq = Begin("swap", {m_arrRows[i + 1].Name, m_arrRows[i].Name});
    if (!End(nSeq, m_pKnowHow->SaveItems(m_arrRows) == EWriteResult::Saved)) Show();
}

void CDocWorker::Convert() {
    std::vector<size_t> arr;
    for (size_t i = 0; i < m_arrRows.size(); ++i)
        if (m_arrRows[i].ID > 0 && !m_arrRows[i].IsDir && m_arrRows[i].Typ != 1 && m_own.Has(m_arrRows[i].Name))
            arr.push_back(i);
    if (arr.empty()) return Append();
    CKnowHowItem& row = m_arrRows[arr[m_own.Random(0, static_cast<long>(arr.size()) - 1)]];
    row.SetIsDir(1);
    std::string strName = row.Name;
    long nSeq = Begin("conv", {strName});
    if (End(nSeq, m_pKnowHow->SaveItems(m_arrRows) == EWriteResult::Saved))
        m_own.MakeFolder(strName);
    else
        Show();
}

void CDocWorker::MoveEntry() {
    std::string strName = m_own.PickEntry();
    std::string strTarget = strName.empty() ? std::string() : m_own.PickMoveTarget(strName);
    if (strTarget.empty()) return Append();
    long nSeq = Begin("move", {strName, strTarget});
    if (End(nSeq, m_pKnowHow->MoveToFolder(m_own.IdOf(strName), m_own.FolderId(strTarget)) == EWriteResult::Saved))
        m_own.Move(strName, strTarget);
    Show();  // a drop refreshes the folder shown
}

void CDocWorker::DeleteEntry() {
    std::string strName = m_own.PickEntry();
    if (strName.empty()) return Append();
    // the folder question is answered Yes by the platform
    long nSeq = Begin("del", {strName});
    if (End(nSeq, m_pKnowHow->DeleteItem(m_own.IdOf(strName)) == EWriteResult::Saved)) m_own.Remove(strName);
    Show();
}

void CDocWorker::Import() {
    std::vector<STemplateEntry> arrEntries;
    std::vector<std::string> arrLines = m_own.MakeTemplate(m_strFolder, arrEntries);
    {
        std::ofstream out(m_strTemplate, std::ios::binary | std::ios::trunc);
        for (const auto& strLine : arrLines) out << strLine << "\r\n";
    }
    long nSeq = Begin("imp", {m_strFolder, FormatTemplateEntries(arrEntries)});
    std::int32_t nFirst = m_pKnowHow->ImportStructure(m_strTemplate, m_own.FolderId(m_strFolder));
    if (End(nSeq, nFirst > 0, std::to_string(nFirst))) {
        for (const auto& entry : arrEntries)
            m_own.Add(entry.strName, entry.strName == arrEntries[0].strName ? nFirst : 0, entry.strParent, entry.bDir);
    }
    Show();
}

int CDocWorker::Run() {
    if (!m_log.Open(WorkerLogPath(m_cfg.strLogDir, m_cfg.nId))) return 2;
    struct SChoice {
        const char* pszOp;
        void (CDocWorker::*pfn)();
        int nWeight;
    };
    const SChoice arrChoices[] = {{"add", &CDocWorker::Append, 30},     {"set", &CDocWorker::Edit, 25},
                                  {"swap", &CDocWorker::Swap, 15},      {"conv", &CDocWorker::Convert, 5},
                                  {"move", &CDocWorker::MoveEntry, 10}, {"del", &CDocWorker::DeleteEntry, 8},
                                  {"imp", &CDocWorker::Import, 7}};
    int nTotal = 0;
    for (const auto& c : arrChoices)
        if (m_cfg.setOps.count(c.pszOp)) nTotal += c.nWeight;
    // none of the operations asked for is one of this kind's: it only waits
    if (nTotal == 0) {
        while (SleepUnlessStopped(1000)) {
        }
        return 0;
    }
    SetPlatform(&m_platform);
    std::string strPassword = Ansi(m_cfg.strPassword.c_str());
    GetDbPasswort().SetPrompt([&](CDbPasswort& passwort) { return passwort.CheckPassword(strPassword); });

    while (!StopRequested()) {
        // now and then the user closes the file and opens it again
        if (!m_pKnowHow || m_own.Chance(0.05)) {
            if (!Open()) {
                SleepUnlessStopped(m_own.Random(100, 500));
                continue;
            }
        }
        m_strFolder = m_own.PickFolder(0.25);
        if (!Show()) {
            SleepUnlessStopped(m_own.Random(0, m_cfg.nThinkMaxMs));
            continue;
        }
        // the rows stay on the screen while others change the file
        if (!SleepUnlessStopped(m_own.Random(0, m_cfg.nHoldMaxMs))) break;
        long nActions = m_own.Random(1, 3);
        for (long a = 0; a < nActions && m_bShown && !StopRequested(); ++a) {
            long nPick = m_own.Random(1, nTotal);
            for (const auto& c : arrChoices) {
                if (!m_cfg.setOps.count(c.pszOp)) continue;
                nPick -= c.nWeight;
                if (nPick <= 0) {
                    (this->*c.pfn)();
                    break;
                }
            }
        }
        SleepUnlessStopped(m_own.Random(0, m_cfg.nThinkMaxMs));
    }
    m_pKnowHow.reset();
    CloseDatabase();
    GetDbPasswort().SetPrompt(nullptr);
    SetPlatform(nullptr);
    return 0;
}
}  // namespace

int RunDocWorker(const SWorkerConfig& cfg) {
    InstallStopHandler();
    return CDocWorker(cfg).Run();
}
