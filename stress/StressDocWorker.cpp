// The worker that uses the core in its own process as the desktop program's
// detail view does: it shows a folder through the program's own CFolderRows,
// keeps the rows for seconds while others change the file, types into them,
// saves when it leaves a row, and answers every refusal with the calls the
// program's refused-row dialog makes, chosen as a user might. It moves,
// deletes and imports as the document does.
//
// What it logs is what it typed and what it was told: "type" (a text typed
// into a row, with the text it replaces or the folder of a new row), "save"
// (the texts written together, and the outcome), "choice" (the answer to a
// refusal), and "gone" (typing that vanished from the rows without a choice,
// a fault of the rows). Outcomes are the write results' names, never read
// off a message.
#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "StressLog.h"
#include "StressPlatform.h"
#include "StressProcess.h"
#include "StressWorker.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CFolderRows.h"
#include "tree/CKnowHow.h"
#include "tree/CKnowHowTrash.h"

namespace {
// Typing this user has not been told is stored.
struct SPending {
    TRowId nId = 0;  // the entry typed into; 0 for a new row (found by its name)
    std::string strName, strText;
    bool bNew = false;
};

// The texts a user may type over: those of entries made by a document
// worker or the setup. The command-line workers' entries keep one writer,
// which logs the text it replaces itself.
// Folders are left alone: a copy of one saved as new would share its token.
bool IsEditable(const CKnowHowItem& row) {
    return row.ID > 0 && !row.IsDir && !row.Name.empty() && (row.Name[0] == 'd' || row.Name.compare(0, 3, "w0n") == 0);
}

std::string Joined(const std::vector<SPending>& arr) {
    std::string str;
    for (const auto& p : arr) str += (str.empty() ? "" : ";") + p.strText;
    return str;
}

class CDocWorker {
public:
    explicit CDocWorker(const SWorkerConfig& cfg)
        : m_cfg(cfg),
          m_own(cfg.nId, cfg.arrShared, cfg.nSeed, 'd'),
          m_strTemplate(cfg.strLogDir + "/w" + std::to_string(cfg.nId) + ".scratch.txt"),
          m_rows([this] { return m_pKnowHow.get(); }) {}

    int Run();

private:
    long Begin(const std::string& strOp, const std::vector<std::string>& arrArgs) {
        m_nStart = NowMs();
        return m_log.Begin(strOp, arrArgs);
    }
    // Logs the outcome; true for Saved.
    bool End(long nSeq, EWriteResult eResult, const std::string& strDetail = "") {
        const bool bOk = eResult == EWriteResult::Saved;
        m_log.End(nSeq, bOk, NowMs() - m_nStart, bOk ? "" : WriteResultName(eResult), strDetail);
        return bOk;
    }
    void Note(const std::string& strOp, const std::vector<std::string>& arrArgs) {
        m_log.End(m_log.Begin(strOp, arrArgs), true, 0, "", "");
    }
    long Pick(long nCount) { return m_own.Random(0, nCount - 1); }
    bool Allowed(const char* pszOp) const { return m_cfg.setOps.count(pszOp) > 0; }

    bool Open();
    // Closes the file as the program does: what cannot be saved is given up
    // with the close question's "Nein".
    void Close();
    // Shows a folder: the tree's click, which leaves the folder shown first.
    bool Show(const std::string& strFolder, TRowId nFolder);
    // A folder to show: a shared one, an own one, or one seen in the file.
    std::pair<std::string, TRowId> PickFolder();
    // Learns what the rows say: own entries' IDs, folders to visit.
    void Learn();
    // Leaves the row: writes the typing and resolves each refusal as the
    // program's dialog does; true when nothing is left unsaved.
    bool Leave();
    // One refusal answered; false when the rows are left for later.
    bool Resolve(EWriteResult eResult, const SWriteReport& report);
    // The typing of row r; null when this user typed nothing there.
    SPending* PendingOf(int r);
    void DropPending(const SPending* p);
    bool IsPending(int r) { return PendingOf(r) != nullptr; }
    // The folder's name for the log: "ROOT", a shared or a seen folder's token.
    std::string FolderName(TRowId nFolder);

    void TypeNew() { TypeNewRow(false); }
    // bFolder: a folder for sure, else now and then.
    void TypeNewRow(bool bFolder);
    void TypeEdit();
    void Swap();
    void Reload();
    void DeleteRow();
    void DeleteFolder();
    void ReuseId();
    // Brings one of its own deletes back from the trash.
    void Restore();
    // Strg+Z: the newest delete, exchange or move of this window taken back.
    void Undo();
    // Remembers an own entry before its delete, for Restore.
    void RememberTrashed(const std::string& strName);
    void MoveEntry();
    void Import();

    const SWorkerConfig& m_cfg;
    CStressPlatform m_platform;
    CStressLog m_log;
    COwnTree m_own;
    std::string m_strTemplate;
    std::unique_ptr<CKnowHow> m_pKnowHow;
    CFolderRows m_rows;
    std::string m_strFolder;  // the folder shown
    std::vector<SPending> m_arrPending;
    std::map<std::string, std::int32_t> m_mapSeen;  // folders seen in the file, by token
    // own entries deleted into the trash: name -> (was a folder, its text)
    std::map<std::string, std::pair<bool, std::string>> m_mapTrashed;
    long m_nStart = 0;
};

bool CDocWorker::Open() {
    long nSeq = Begin("open", {});
    m_rows.Clear();
    m_pKnowHow.reset();
    CloseDatabase();
    m_pKnowHow = OpenKnowledgeBase(m_cfg.strDb);
    return End(nSeq, m_pKnowHow ? EWriteResult::Saved : EWriteResult::Failed);
}

void CDocWorker::Close() {
    if (m_pKnowHow && !Leave())
        for (const auto& p : m_arrPending) Note("choice", {"close", p.strName, p.strText, "", ""});
    m_arrPending.clear();
    m_rows.Clear();
    m_pKnowHow.reset();
    CloseDatabase();
}

std::string CDocWorker::FolderName(TRowId nFolder) {
    if (nFolder == 0) return "ROOT";
    if (nFolder == m_rows.GetFolder()) return m_strFolder;
    for (const auto& f : m_cfg.arrShared)
        if (f.nId == nFolder) return f.strName;
    CKnowHowItem item;
    if (m_pKnowHow && m_pKnowHow->GetItem(item, nFolder) == 1) return item.Name;
    return "?" + std::to_string(nFolder);
}

void CDocWorker::Learn() {
    for (const auto& row : m_rows.Rows()) {
        if (row.ID <= 0) continue;
        if (m_own.Has(row.Name)) m_own.LearnId(row.Name, row.ID);
        if (row.IsDir && !row.Name.empty() && (row.Name[0] == 'd' || row.Name[0] == 'w')) m_mapSeen[row.Name] = row.ID;
    }
}

bool CDocWorker::Show(const std::string& strFolder, TRowId nFolder) {
    // the program writes the rows of the folder it leaves; one it cannot
    // leave without losing typing stays on the screen
    if (!Leave()) return false;
    // the tree shows folders as they are now: a deleted one is not offered
    bool bLive = true;
    if (nFolder > 0 && m_pKnowHow->ReadIsLiveFolder(nFolder, bLive) && !bLive) {
        m_mapSeen.erase(strFolder);
        return false;
    }
    long nSeq = Begin("show", {strFolder, std::to_string(nFolder)});
    EWriteResult eResult = m_rows.Load(nFolder);
    if (!End(nSeq, eResult, std::to_string(m_rows.Count()))) return false;
    m_strFolder = strFolder;
    // a folder seen in the tree that shows nothing any more is seldom visited again
    if (m_rows.Count() <= 1 && m_mapSeen.count(strFolder) && m_own.Chance(0.5)) m_mapSeen.erase(strFolder);
    Learn();
    return true;
}

std::pair<std::string, TRowId> CDocWorker::PickFolder() {
    // another user's folder now and then: it may be deleted while shown
    if (!m_mapSeen.empty() && m_own.Chance(0.35)) {
        auto it = m_mapSeen.begin();
        std::advance(it, Pick(static_cast<long>(m_mapSeen.size())));
        return *it;
    }
    std::string strName = m_own.PickFolder(0.2);
    return {strName, m_own.FolderId(strName)};
}

SPending* CDocWorker::PendingOf(int r) {
    if (!m_rows.IsRow(r)) return nullptr;
    const CKnowHowItem& row = m_rows.Rows()[r];
    for (auto& p : m_arrPending)
        if (p.bNew ? row.ID == 0 && row.Name == p.strName : row.ID == p.nId) return &p;
    return nullptr;
}

void CDocWorker::DropPending(const SPending* p) {
    m_arrPending.erase(m_arrPending.begin() + (p - m_arrPending.data()));
}

bool CDocWorker::Leave() {
    if (m_rows.GetFolder() < 0) {
        m_arrPending.clear();
        return true;
    }
    // typing the rows no longer hold went without anybody choosing so
    for (size_t i = 0; i < m_arrPending.size();) {
        const SPending& p = m_arrPending[i];
        bool bHeld = false;
        for (const auto& row : m_rows.Rows())
            if ((p.bNew ? row.ID == 0 && row.Name == p.strName : row.ID == p.nId) && row.Text == p.strText)
                bHeld = true;
        if (bHeld) {
            ++i;
            continue;
        }
        Note("gone", {p.strName, p.strText});
        m_arrPending.erase(m_arrPending.begin() + static_cast<long>(i));
    }
    if (m_arrPending.empty()) return true;
    // as the program's writer: each round resolves one refused row
    for (int nRound = 0; nRound <= m_rows.Count() && !m_arrPending.empty(); ++nRound) {
        long nSeq = Begin("save", {Joined(m_arrPending)});
        SWriteReport report;
        EWriteResult eResult = m_rows.Save(&report);
        if (eResult == EWriteResult::Saved) {
            // the new entries got their IDs
            std::string strIds;
            for (const auto& p : m_arrPending) {
                if (!p.bNew) continue;
                for (const auto& row : m_rows.Rows()) {
                    if (row.Name != p.strName || row.ID <= 0) continue;
                    m_own.LearnId(p.strName, row.ID);
                    if (row.IsDir) m_mapSeen[p.strName] = row.ID;
                    strIds += (strIds.empty() ? "" : ",") + p.strName + "=" + std::to_string(row.ID);
                }
            }
            End(nSeq, eResult, strIds);
            m_arrPending.clear();
            return true;
        }
        End(nSeq, eResult, m_rows.IsRow(report.nIndex) ? m_rows.Rows()[report.nIndex].Name : std::string());
        // "later", a lock or a failure: the rows stay as typed for the next leave
        if (!Resolve(eResult, report)) break;
    }
    return m_arrPending.empty();
}

bool CDocWorker::Resolve(EWriteResult eResult, const SWriteReport& report) {
    const int r = report.nIndex;
    // the dialog's answers for a lock or a failure: the typing stays
    if (eResult == EWriteResult::Locked || eResult == EWriteResult::Failed || !m_rows.IsRow(r)) return false;
    SPending* p = PendingOf(r);
    const CKnowHowItem& stored = report.stored;
    std::string strMine = p ? p->strText : m_rows.Rows()[r].Text;
    std::string strName = p ? p->strName : m_rows.Rows()[r].Name;
    enum EChoice { KeepMine, TakeStored, SaveAsNew, Discard, Later } eChoice = Later;
    if (eResult == EWriteResult::Conflict) {
        const EChoice arrOffered[] = {KeepMine, TakeStored, SaveAsNew, Later};
        eChoice = arrOffered[Pick(4)];
        // A stored version under another keyword is another entry that got
        // the ID of a deleted one in this folder (nothing tells it from a
        // rename): the user who sees it does not write over it.
        if (eChoice == KeepMine && stored.Name != m_rows.Rows()[r].Name) eChoice = SaveAsNew;
    } else if (eResult == EWriteResult::Deleted || eResult == EWriteResult::ParentGone) {
        eChoice = m_own.Chance(0.6) ? SaveAsNew : Discard;
    }
    switch (eChoice) {
        case KeepMine:
            // the next write goes against the version just shown
            Note("choice", {"keep", strName, strMine, stored.Text, stored.Name});
            m_rows.KeepMine(r, stored);
            return true;
        case TakeStored:
            Note("choice", {"stored", strName, strMine, stored.Text, stored.Name});
            m_rows.TakeStored(r, stored);
            if (p) DropPending(p);
            return true;
        case Discard:
            Note("choice", {"discard", strName, strMine, stored.Text, stored.Name});
            m_rows.Discard(r, stored);
            // a new row that was never stored is no entry of this user's
            if (p && p->bNew) m_own.Remove(strName);
            if (p) DropPending(p);
            return true;
        case Later: Note("choice", {"later", strName, strMine, stored.Text, stored.Name}); return false;
        case SaveAsNew: break;
    }
    TRowId nTarget = eResult == EWriteResult::ParentGone ? m_rows.NearestLiveFolder() : m_rows.GetFolder();
    std::string strTarget = FolderName(nTarget);
    long nSeq = Begin("choice", {"new", strName, strMine, stored.Text, strTarget});
    SWriteReport reportNew;
    TRowId nNewId = 0;
    const bool bNew = p && p->bNew;
    EWriteResult eNew = m_rows.SaveAsNew(r, stored, nTarget, &reportNew, &nNewId);
    if (!End(nSeq, eNew, std::to_string(nNewId))) return false;
    // a new row saved elsewhere is the entry; a stored one's copy is nobody's
    if (bNew) m_own.Add(strName, nNewId, strTarget, nTarget == 0 || m_own.IsDir(strName), strMine);
    if (p) DropPending(p);
    return true;
}

void CDocWorker::TypeNewRow(bool bFolder) {
    if (!m_rows.IsRow(m_rows.Count() - 1) || IsPending(m_rows.Count() - 1)) return;
    CKnowHowItem& row = m_rows.Rows().back();
    if (row.ID != 0) return;
    // now and then a folder, which others may show and this user delete
    const bool bDir = bFolder || m_rows.GetFolder() == 0 || m_own.Chance(0.2);
    SPending p;
    p.bNew = true;
    p.strName = m_own.NewToken(bDir ? 'f' : 'n');
    p.strText = m_own.NewToken('t');
    Note("type", {p.strName, p.strText, "new", m_strFolder, bDir ? "1" : "0"});
    row.SetName(p.strName);
    row.SetText(p.strText);
    if (bDir) row.SetIsDir(1);
    m_own.Add(p.strName, 0, m_strFolder, bDir, p.strText);
    m_arrPending.push_back(std::move(p));
}

void CDocWorker::TypeEdit() {
    std::vector<int> arr;
    for (int i = 0; i < m_rows.Count(); ++i)
        if (IsEditable(m_rows.Rows()[i]) && !IsPending(i)) arr.push_back(i);
    if (arr.empty()) return TypeNew();
    // the first entries of a folder are the ones everybody works on
    const long nChoices = m_own.Chance(0.5) ? std::min<long>(3, static_cast<long>(arr.size())) : arr.size();
    CKnowHowItem& row = m_rows.Rows()[arr[Pick(nChoices)]];
    SPending p;
    p.nId = row.ID;
    p.strName = row.Name;
    p.strText = m_own.NewToken('t');
    // what the row shows is what the user types over
    Note("type", {p.strName, p.strText, "edit", row.Text});
    row.SetText(p.strText);
    m_arrPending.push_back(std::move(p));
}

void CDocWorker::Swap() {
    std::vector<int> arr;
    for (int i = 0; i + 1 < m_rows.Count(); ++i)
        if (m_rows.Rows()[i].ID > 0 && m_rows.Rows()[i + 1].ID > 0 && !IsPending(i) && !IsPending(i + 1))
            arr.push_back(i);
    if (arr.empty()) return TypeNew();
    int r = arr[Pick(static_cast<long>(arr.size()))];
    long nSeq = Begin("swap", {m_rows.Rows()[r].Name, m_rows.Rows()[r + 1].Name});
    End(nSeq, m_rows.Exchange(r, 1));
}

void CDocWorker::Reload() {
    long nSeq = Begin("reload", {m_strFolder});
    if (End(nSeq, m_rows.Reload(), std::to_string(m_rows.Count()))) Learn();
}

void CDocWorker::DeleteRow() {
    // an own entry among the rows shown, perhaps next to one another user types into
    std::vector<int> arr;
    for (int i = 0; i < m_rows.Count(); ++i)
        if (m_rows.Rows()[i].ID > 0 && m_own.Has(m_rows.Rows()[i].Name) && !IsPending(i)) arr.push_back(i);
    if (arr.empty()) return TypeNew();
    int r = arr[Pick(static_cast<long>(arr.size()))];
    std::string strName = m_rows.Rows()[r].Name;
    std::string strId = std::to_string(m_rows.Rows()[r].ID);
    long nSeq = Begin("del", {strName});
    RememberTrashed(strName);
    EWriteResult eResult = m_rows.Delete(r);
    if (eResult != EWriteResult::Saved) m_mapTrashed.erase(strName);
    // another user's delete of a folder around it was first
    if (End(nSeq, eResult, strId) || eResult == EWriteResult::Deleted) {
        m_own.Remove(strName);
        m_mapSeen.erase(strName);  // the tree no longer shows it
    }
}

void CDocWorker::DeleteFolder() {
    // an own folder, from the tree: another user's view may show it
    // not the folder shown nor one around it: the program would leave it
    // first, and its own view going dead is no colleague's doing
    std::set<TRowId> setShownPath;
    for (TRowId n = m_rows.GetFolder(); n > 0 && setShownPath.insert(n).second;) {
        CKnowHowItem item;
        if (m_pKnowHow->GetItem(item, n) != 1) break;
        n = item.MasterID;
    }
    std::vector<std::string> arr;
    for (const auto& [strName, nId] : m_mapSeen)
        if (m_own.Has(strName) && m_own.IsDir(strName) && m_own.IdOf(strName) == nId && !setShownPath.count(nId))
            arr.push_back(strName);
    if (arr.empty()) return TypeNewRow(true);
    std::string strName = arr[Pick(static_cast<long>(arr.size()))];
    // a click into the tree leaves the detail view: its typing is written first
    Leave();
    long nSeq = Begin("del", {strName});
    RememberTrashed(strName);
    EWriteResult eResult = m_pKnowHow->DeleteItem(m_own.IdOf(strName));
    if (eResult != EWriteResult::Saved) m_mapTrashed.erase(strName);
    if (End(nSeq, eResult, std::to_string(m_own.IdOf(strName))) || eResult == EWriteResult::Deleted) {
        m_own.Remove(strName);
        m_mapSeen.erase(strName);
    }
    // the program then shows the nearest folder that is left
    bool bLive = true;
    if (m_rows.GetFolder() > 0 && m_pKnowHow->ReadIsLiveFolder(m_rows.GetFolder(), bLive) && !bLive) {
        const TRowId nFolder = m_rows.NearestLiveFolder();
        if (Show(FolderName(nFolder), nFolder)) return;
    }
    Reload();
}

void CDocWorker::ReuseId() {
    // the newest own entry shown goes, and one is added elsewhere: it gets
    // the same ID while other views still show the old one
    int r = -1;
    for (int i = 0; i < m_rows.Count(); ++i) {
        const CKnowHowItem& row = m_rows.Rows()[i];
        if (row.ID > 0 && !row.IsDir && m_own.Has(row.Name) && !IsPending(i) && (r < 0 || row.ID > m_rows.Rows()[r].ID))
            r = i;
    }
    if (r < 0) return TypeNew();
    std::string strName = m_rows.Rows()[r].Name;
    std::string strId = std::to_string(m_rows.Rows()[r].ID);
    long nSeq = Begin("del", {strName});
    EWriteResult eResult = m_rows.Delete(r);
    if (End(nSeq, eResult, strId) || eResult == EWriteResult::Deleted) m_own.Remove(strName);
    auto [strFolder, nFolder] = PickFolder();
    if (nFolder > 0 && strFolder != m_strFolder && Show(strFolder, nFolder)) {
        TypeNew();
        Leave();
    }
}

void CDocWorker::RememberTrashed(const std::string& strName) {
    m_mapTrashed[strName] = {m_own.IsDir(strName), m_own.TextOf(strName)};
}

void CDocWorker::Restore() {
    if (m_mapTrashed.empty()) return TypeNew();
    auto it = m_mapTrashed.begin();
    std::advance(it, Pick(static_cast<long>(m_mapTrashed.size())));
    const std::string strName = it->first;
    const auto [bDir, strText] = it->second;
    m_mapTrashed.erase(it);
    // the folder it was deleted from is the last one the check knows of it;
    // the outcome names where it went
    long nSeq = Begin("restore", {strName});
    CKnowHowTrash trash(*m_pKnowHow);
    std::vector<STrashItem> arr;
    if (trash.List(arr) < 0) {
        End(nSeq, WriteFailureFromCode(GetDatabase().GetLastErrorCode()));
        return;
    }
    const STrashItem* pItem = nullptr;
    for (const auto& item : arr)
        if (item.bReadable && item.strName == strName) pItem = &item;
    // it went with a folder of another user's delete: not a delete of its own
    if (!pItem) {
        End(nSeq, EWriteResult::Deleted);
        return;
    }
    TRowId nId = 0, nFolder = 0;
    EWriteResult eResult = trash.Restore(pItem->nNr, -1, &nId, &nFolder);
    const std::string strFolder = eResult == EWriteResult::Saved ? FolderName(nFolder) : std::string();
    if (End(nSeq, eResult, strFolder)) {
        m_own.Add(strName, nId, strFolder, bDir, strText);
        if (bDir) m_mapSeen[strName] = nId;
    } else if (eResult == EWriteResult::Locked || eResult == EWriteResult::Failed) {
        m_mapTrashed[strName] = {bDir, strText};  // still there: another time
    }
    Reload();  // the program shows the tree and the folder anew
}

void CDocWorker::Undo() {
    CUndoHistory& history = m_pKnowHow->History();
    const SUndoStep* pStep = history.Last();
    if (!pStep) return TypeNew();
    const SUndoStep step = *pStep;
    // logged as what it does to the tree, so the check needs no rule of its own
    const std::string strFolder = FolderName(step.nFolder);
    long nSeq = 0;
    auto itTrashed = m_mapTrashed.find(step.strName);
    switch (step.eKind) {
        case SUndoStep::EKind::Delete:
            // a reused ID's delete is none of the check's restores
            if (itTrashed == m_mapTrashed.end()) {
                history.Clear();
                return TypeNew();
            }
            nSeq = Begin("restore", {step.strName, "undo"});
            break;
        case SUndoStep::EKind::Move:
            // moved away from a folder the check knows by no name
            if (!m_own.Has(step.strName) || (step.nFolder != 0 && m_own.FolderId(strFolder) != step.nFolder)) {
                history.Clear();
                return TypeNew();
            }
            nSeq = Begin("move", {step.strName, strFolder, "undo"});
            break;
        case SUndoStep::EKind::Exchange: nSeq = Begin("swap", {step.after.Name, step.otherAfter.Name, "undo"}); break;
    }
    Leave();  // the program writes the typing first
    TRowId nShow = 0;
    const EWriteResult eResult = history.UndoLast(*m_pKnowHow, &nShow);
    const bool bSaved =
        End(nSeq, eResult,
            step.eKind == SUndoStep::EKind::Delete && eResult == EWriteResult::Saved ? strFolder : std::string());
    if (bSaved && step.eKind == SUndoStep::EKind::Delete) {
        const auto [bDir, strText] = itTrashed->second;
        m_own.Add(step.strName, nShow, strFolder, bDir, strText);
        if (bDir) m_mapSeen[step.strName] = nShow;
        m_mapTrashed.erase(itTrashed);
    } else if (bSaved && step.eKind == SUndoStep::EKind::Move) {
        m_own.Move(step.strName, strFolder);
    }
    Reload();  // the program shows the tree and the folder anew
}

void CDocWorker::MoveEntry() {
    std::string strName = m_own.PickEntry();
    std::string strTarget = strName.empty() ? std::string() : m_own.PickMoveTarget(strName);
    if (strTarget.empty()) return TypeNew();
    long nSeq = Begin("move", {strName, strTarget});
    if (End(nSeq, m_pKnowHow->MoveToFolder(m_own.IdOf(strName), m_own.FolderId(strTarget))))
        m_own.Move(strName, strTarget);
    Reload();  // a drop refreshes the folder shown
}

void CDocWorker::Import() {
    TRowId nFolder = m_own.FolderId(m_strFolder);
    if (nFolder == 0 || nFolder != m_rows.GetFolder()) return;
    std::vector<STemplateEntry> arrEntries;
    std::vector<std::string> arrLines = m_own.MakeTemplate(m_strFolder, arrEntries);
    {
        std::ofstream out(m_strTemplate, std::ios::binary | std::ios::trunc);
        for (const auto& strLine : arrLines) out << strLine << "\r\n";
    }
    long nSeq = Begin("imp", {m_strFolder, FormatTemplateEntries(arrEntries)});
    TRowId nFirst = m_pKnowHow->ImportStructure(m_strTemplate, nFolder);
    if (End(nSeq, nFirst > 0 ? EWriteResult::Saved : WriteFailureFromCode(GetDatabase().GetLastErrorCode()),
            std::to_string(nFirst))) {
        for (const auto& entry : arrEntries)
            m_own.Add(entry.strName, entry.strName == arrEntries[0].strName ? nFirst : 0, entry.strParent, entry.bDir);
    }
    Reload();
}

int CDocWorker::Run() {
    if (!m_log.Open(WorkerLogPath(m_cfg.strLogDir, m_cfg.nId))) return 2;
    struct SChoice {
        const char* pszOp;
        void (CDocWorker::*pfn)();
        int nWeight;
    };
    const SChoice arrChoices[] = {{"add", &CDocWorker::TypeNew, 25},
                                  {"set", &CDocWorker::TypeEdit, 35},
                                  {"swap", &CDocWorker::Swap, 8},
                                  {"del", &CDocWorker::DeleteRow, 12},
                                  {"deldir", &CDocWorker::DeleteFolder, 4},
                                  {"reuse", &CDocWorker::ReuseId, 8},
                                  {"move", &CDocWorker::MoveEntry, 6},
                                  {"imp", &CDocWorker::Import, 4},
                                  {"reload", &CDocWorker::Reload, 6},
                                  {"restore", &CDocWorker::Restore, 8},
                                  {"undo", &CDocWorker::Undo, 6}};
    int nTotal = 0;
    for (const auto& c : arrChoices)
        if (Allowed(c.pszOp)) nTotal += c.nWeight;
    // none of the operations asked for is one of this kind's: it only waits
    if (nTotal == 0) {
        while (SleepUnlessStopped(1000)) {
        }
        return 0;
    }
    SetPlatform(&m_platform);
    std::string strPassword = Ansi(m_cfg.strPassword.c_str());
    GetDbPasswort().SetPrompt([&](CDbPasswort& passwort) { return passwort.CheckPassword(strPassword); });
    const long nHoldMin = m_cfg.nHoldMaxMs / 4;

    while (!StopRequested()) {
        // now and then the user closes the file and opens it again
        if (!m_pKnowHow || (m_arrPending.empty() && m_own.Chance(0.03))) {
            if (m_pKnowHow) Close();
            if (!Open()) {
                SleepUnlessStopped(m_own.Random(100, 500));
                continue;
            }
        }
        // A user stays in a folder for a while, so the rows shown grow old
        // while others change them; one with typing that cannot be written
        // yet is seldom left.
        if (m_rows.GetFolder() < 0 || m_own.Chance(m_arrPending.empty() ? 0.4 : 0.1)) {
            auto [strFolder, nFolder] = PickFolder();
            if ((nFolder > 0 || strFolder == "ROOT") && !Show(strFolder, nFolder) && m_rows.GetFolder() < 0) {
                SleepUnlessStopped(m_own.Random(0, m_cfg.nThinkMaxMs));
                continue;
            }
        }
        // the rows stay on the screen while others change the file
        if (!SleepUnlessStopped(m_own.Random(nHoldMin, m_cfg.nHoldMaxMs))) break;
        long nActions = m_own.Random(1, 3);
        for (long a = 0; a < nActions && m_rows.GetFolder() >= 0 && !StopRequested(); ++a) {
            long nPick = m_own.Random(1, nTotal);
            for (const auto& c : arrChoices) {
                if (!Allowed(c.pszOp)) continue;
                nPick -= c.nWeight;
                if (nPick > 0) continue;
                (this->*c.pfn)();
                if (!m_arrPending.empty()) {
                    // typing takes a while; now and then the user refreshes
                    // (F5) before leaving the row, which keeps the typing
                    SleepUnlessStopped(m_own.Random(0, m_cfg.nHoldMaxMs / 2));
                    if (m_own.Chance(0.2)) Reload();
                    Leave();
                }
                break;
            }
        }
        SleepUnlessStopped(m_own.Random(0, m_cfg.nThinkMaxMs));
    }
    Close();
    GetDbPasswort().SetPrompt(nullptr);
    SetPlatform(nullptr);
    return 0;
}
}  // namespace

int RunDocWorker(const SWorkerConfig& cfg) {
    InstallStopHandler();
    return CDocWorker(cfg).Run();
}
