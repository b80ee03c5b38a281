#include "tree/CKnowHow.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "table/CRecordSet.h"
#include "tree/CKnowHowTrash.h"

namespace {
std::string Format(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* pszFormat, ...) {
    char buf[256];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(buf, sizeof buf, pszFormat, args);
    va_end(args);
    return buf;
}

}  // namespace

std::string SaveFailedMessage() {
    return Ansi("Die Eingaben konnten nicht gespeichert werden !");
}

void ShowSaveFailed() {
    GetPlatform().MessageBox(SaveFailedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}

// --- reading -----------------------------------------------------------------

int CKnowHow::SelectOne(CKnowHowItem& item, const std::string& strCondition) {
    CKnowHowArray arr;
    int n = m_table.SelectItems(arr, strCondition.c_str(), "PosNr");
    if (n == 1) item = std::move(arr.front());
    return n;
}

int CKnowHow::GetItem(CKnowHowItem& item, TRowId nId) {
    return SelectOne(item, Format("ID=%lld AND IsAktiv='1'", static_cast<long long>(nId)));
}

int CKnowHow::GetItemAt(CKnowHowItem& item, TRowId nMasterId, std::int32_t nPosNr) {
    return SelectOne(item,
                     Format("MasterID=%lld AND PosNr=%d AND IsAktiv='1'", static_cast<long long>(nMasterId), nPosNr));
}

int CKnowHow::GetChildren(CKnowHowArray& arr, TRowId nMasterId, bool bFoldersOnly) {
    std::string strCondition = Format("[MasterID]=%lld AND IsAktiv='1'", static_cast<long long>(nMasterId));
    if (bFoldersOnly) strCondition += " AND IsDir='1'";
    return m_table.SelectItems(arr, strCondition.c_str(), "[PosNr]");
}

int CKnowHow::GetAllItems(CKnowHowArray& arr) {
    return m_table.SelectItems(arr);
}

int CKnowHow::CountChildren(TRowId nMasterId, bool bFoldersOnly) {
    std::string strCondition = Format("MasterID=%lld AND IsAktiv='1'", static_cast<long long>(nMasterId));
    if (bFoldersOnly) strCondition += " AND IsDir='1'";
    return m_table.CountRows(strCondition.c_str());
}

// --- writing -----------------------------------------------------------------

std::string EntryDeletedMessage() {
    return Ansi("Der Eintrag wurde inzwischen von einem anderen Benutzer gelöscht.");
}

std::string FolderGoneMessage() {
    return Ansi("Der Ordner, in den der neue Eintrag gehört, wurde inzwischen von einem anderen Benutzer gelöscht.");
}

void SayWriteResult(EWriteResult eResult, const SWriteReport& report, bool bSaveFailed) {
    CPlatform& platform = GetPlatform();
    switch (eResult) {
        case EWriteResult::Saved:
        case EWriteResult::Declined: return;
        case EWriteResult::Conflict: ShowStaleRowMessage(); break;
        case EWriteResult::Deleted:
            platform.MessageBox(EntryDeletedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            break;
        case EWriteResult::ParentGone:
            platform.MessageBox(FolderGoneMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            break;
        case EWriteResult::Locked:
        case EWriteResult::Failed: ShowDbFailureReason(report.nEngineCode); break;
    }
    if (bSaveFailed) ShowSaveFailed();
}

bool CKnowHow::BeginWork() {
    // The write lock is taken at the start of a batch: two writers that had
    // both read the file would otherwise wait for each other until one gave
    // up and lost its batch. A second writer now simply waits.
    return GetDatabase().BeginExclusiveTransaction();
}

bool CKnowHow::CommitWork() {
    CDB& db = GetDatabase();
    const bool bOk = db.CommitTransaction();
    if (bOk && db.GetTransactionDepth() == 0) m_history.Committed();
    return bOk;
}

bool CKnowHow::RollbackWork() {
    m_history.RolledBack();
    return GetDatabase().RollbackTransaction();
}

EWriteResult CKnowHow::Failure() {
    return WriteFailureFromCode(GetDatabase().GetLastErrorCode());
}

EWriteResult CKnowHow::AbandonWork(EWriteResult eResult, SWriteReport& report) {
    CDB& db = GetDatabase();
    if (eResult == EWriteResult::Locked || eResult == EWriteResult::Failed) report.nEngineCode = db.GetLastErrorCode();
    // a rollback of nothing records an error of its own
    RollbackWork();
    return eResult;
}

bool CKnowHow::ReadIsLiveFolder(TRowId nFolder, bool& bLive) {
    bLive = false;
    std::unordered_set<TRowId> setSeen;
    for (TRowId a = nFolder; a != 0;) {
        // a circle of parents leads nowhere
        if (a < 0 || !setSeen.insert(a).second) return true;
        SNavRow nav;
        int n = ReadNavById(nav, a);
        if (n < 0) return false;
        // files written elsewhere may hang a folder below a text entry
        if (n != 1 || (a == nFolder && !nav.IsDir)) return true;
        a = nav.MasterID;
    }
    bLive = true;
    return true;
}

EWriteResult CKnowHow::SaveItems(CKnowHowArray& arr, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    // Only changed and new rows are written; leaving a row with nothing
    // typed takes no lock and waits for nobody.
    std::vector<size_t> arrWrite;
    bool bModified = false;
    for (size_t i = 0; i < arr.size(); ++i) {
        const CKnowHowItem& item = arr[i];
        if (item.ID > 0 ? item.Modified : !(item.Name.empty() && item.Text.empty())) arrWrite.push_back(i);
        bModified = bModified || item.Modified;
    }
    if (arrWrite.empty()) return EWriteResult::Saved;

    CDB& db = GetDatabase();
    db.ClearLastError();
    // a batch that is not written leaves the rows as they were given
    std::vector<CKnowHowItem> arrBefore;
    arrBefore.reserve(arrWrite.size());
    for (size_t i : arrWrite) arrBefore.push_back(arr[i]);
    auto abandon = [&](EWriteResult eResult, int nIndex) {
        report.nIndex = nIndex;
        AbandonWork(eResult, report);
        for (size_t k = 0; k < arrWrite.size(); ++k) arr[arrWrite[k]] = arrBefore[k];
        return eResult;
    };
    if (!BeginWork()) return abandon(Failure(), -1);
    if (bModified) (void)db.StampEdit();  // the stamp is a note, not the user's data
    // New rows are appended behind what the file holds now, not behind what
    // the caller was shown: another user may have appended meanwhile. Each
    // folder is counted once, and again after a row of it was rewritten.
    std::unordered_map<TRowId, std::int32_t> mapNextPos;
    std::unordered_set<TRowId> setLive;
    for (size_t i : arrWrite) {
        CKnowHowItem& item = arr[i];
        const int nIndex = static_cast<int>(i);
        if (item.ID > 0) {
            const TRowId nOldFolder = item.MasterID;
            EWriteResult eResult = m_table.UpdateItem(item, &report.stored);
            if (eResult != EWriteResult::Saved) return abandon(eResult, nIndex);
            m_history.NoteWrite(item.ID, item.UpdateNr);
            mapNextPos.erase(nOldFolder);
            mapNextPos.erase(item.MasterID);
        } else {
            // a folder that another user deleted takes no new entries: they
            // would belong to no tree
            if (!setLive.count(item.MasterID)) {
                bool bLive = false;
                if (!ReadIsLiveFolder(item.MasterID, bLive)) return abandon(Failure(), nIndex);
                if (!bLive) return abandon(EWriteResult::ParentGone, nIndex);
                setLive.insert(item.MasterID);
            }
            auto it = mapNextPos.find(item.MasterID);
            if (it == mapNextPos.end()) {
                int n = CountChildren(item.MasterID);
                if (n < 0) return abandon(Failure(), nIndex);
                it = mapNextPos.emplace(item.MasterID, n + 1).first;
            }
            item.PosNr = it->second++;
            // the folder and its parents were read live inside this
            // transaction: their IDs are taken, so the new row cannot get one
            if (!m_table.InsertItem(item)) return abandon(Failure(), nIndex);
        }
        item.Modified = false;
    }
    // a commit that fails (another user still reading after the wait) has
    // written nothing; say so rather than report success
    if (!CommitWork()) return abandon(Failure(), -1);
    return EWriteResult::Saved;
}

EWriteResult CKnowHow::RewriteAll(const std::function<void()>& fnBeforeRead, const std::function<void()>& fnBeforeWrite,
                                  size_t nBatch, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    CDB& db = GetDatabase();
    db.ClearLastError();
    if (!BeginWork()) return AbandonWork(Failure(), report);
    // The rows come in pages by ID, the page's last ID the start of the
    // next: nothing here changes an ID, so every row is met once. IDs are
    // taken as the file has them, also where they do not fit 32 bits.
    CKnowHowArray arrRows;
    std::vector<std::int64_t> arrIds;
    bool bFirst = true;
    std::int64_t nAfter = 0;
    bool bStamped = false;
    // the check and the write, each compiled once
    CKnowHowUpdater updater;
    for (;;) {
        arrRows.clear();
        arrIds.clear();
        fnBeforeRead();
        if (m_table.SelectPage(bFirst, nAfter, nBatch, arrRows, arrIds) < 0) return AbandonWork(Failure(), report);
        if (arrRows.empty()) break;
        if (!bStamped) (void)db.StampEdit();
        bStamped = true;
        fnBeforeWrite();
        for (size_t i = 0; i < arrRows.size(); ++i) {
            EWriteResult eResult = updater.UpdateTexts(arrRows[i], arrIds[i]);
            if (eResult != EWriteResult::Saved) return AbandonWork(eResult, report);
        }
        bFirst = false;
        nAfter = arrIds.back();
    }
    if (!CommitWork()) return AbandonWork(Failure(), report);
    return EWriteResult::Saved;
}

std::string CKnowHow::DeleteQuestion(const CKnowHowItem& item) {
    return Ansi(item.IsDir
                    ? "Eintrag löschen:\n\nAktuellen Eintrag (Ordner) und alle darin enhaltenen Einträge löschen ?"
                    : "Eintrag löschen:\n\nAktuellen eintrag wirklich löschen ?");
}

EWriteResult CKnowHow::DeleteItem(TRowId nId, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    CDB& db = GetDatabase();
    db.ClearLastError();
    (void)db.StampEdit();  // a note before the question, as ever
    CKnowHowItem item;
    // an unknown ID would otherwise renumber the top level as if its
    // first entry had gone
    int nFound = GetItem(item, nId);
    std::vector<TRowId> arrIds;
    if (nFound < 0 || (nFound == 1 && !CollectSubtree(item, arrIds))) {
        report.nEngineCode = db.GetLastErrorCode();
        return Failure();
    }
    if (nFound != 1) return EWriteResult::Deleted;
    if (arrIds.size() > 1) {
        std::string strQuestion = Format(
            Ansi("Ordner löschen:\n\nIn dem Ordner befinden sich %d Einträge !\n\nSind Sie wirklich alle Einträge "
                 "zu löschen ?")
                .c_str(),
            static_cast<int>(arrIds.size() - 1));
        if (GetPlatform().MessageBox(strQuestion, "", EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
            return EWriteResult::Declined;
    }

    if (!BeginWork()) return AbandonWork(Failure(), report);
    // While the question was open others may have moved, renumbered or
    // filled the entry: the gap is closed where it is now, and what is
    // deleted must be what the question counted.
    CKnowHowItem current;
    std::vector<TRowId> arrNow;
    nFound = GetItem(current, nId);
    if (nFound < 0 || (nFound == 1 && !CollectSubtree(current, arrNow))) return AbandonWork(Failure(), report);
    if (nFound != 1) return AbandonWork(EWriteResult::Deleted, report);
    // the same entries, in whatever order they stand now
    auto sorted = [](std::vector<TRowId> arr) {
        std::sort(arr.begin(), arr.end());
        return arr;
    };
    if (sorted(arrNow) != sorted(arrIds)) {
        report.stored = current;
        return AbandonWork(EWriteResult::Conflict, report);
    }
    int n = CountChildren(current.MasterID);
    if (n < 0) return AbandonWork(Failure(), report);
    // The siblings behind the entry in one read instead of one per
    // position (which read the whole folder each time): every position
    // from the entry's on to n that exactly one of them holds moves up by
    // one, in position order. The rows are those GetItemAt finds at such a
    // position (an integer there), and the moves cannot meet a position
    // still to come, so reading them first changes nothing. Only the
    // position is written: everything else of a sibling stays as stored.
    if (current.PosNr < n) {
        CKnowHowArray arrBehind;
        std::string strCondition = Format(
            "MasterID=%lld AND PosNr>%d AND PosNr<=%d AND typeof(PosNr)='integer' AND "
            "IsAktiv='1'",
            static_cast<long long>(current.MasterID), current.PosNr, n);
        if (m_table.SelectItems(arrBehind, strCondition.c_str(), "PosNr") < 0) return AbandonWork(Failure(), report);
        for (size_t i = 0; i < arrBehind.size();) {
            size_t j = i + 1;
            while (j < arrBehind.size() && arrBehind[j].PosNr == arrBehind[i].PosNr) ++j;
            if (j == i + 1) {
                CKnowHowItem& sibling = arrBehind[i];
                sibling.SetPosNr(sibling.PosNr - 1);
                EWriteResult eResult = m_table.UpdateItem(sibling, &report.stored);
                if (eResult != EWriteResult::Saved) return AbandonWork(eResult, report);
                m_history.NoteWrite(sibling.ID, sibling.UpdateNr);
            }
            i = j;
        }
    }
    // out of the tree into the trash, byte for byte
    std::int64_t nDeleteNr = 0;
    if (!CKnowHowTrash(*this).MoveToTrash(arrNow, current.MasterID, &nDeleteNr)) return AbandonWork(Failure(), report);
    if (!CommitWork()) return AbandonWork(Failure(), report);
    SUndoStep step = SUndoStep::Before(SUndoStep::EKind::Delete, current);
    step.nDeleteNr = nDeleteNr;
    m_history.Record(std::move(step));
    return EWriteResult::Saved;
}

EWriteResult CKnowHow::MoveToFolder(TRowId nId, TRowId nTargetFolder, SWriteReport* pReport) {
    return Move(nId, nTargetFolder, false, pReport);
}

EWriteResult CKnowHow::MoveToEnd(TRowId nId, SWriteReport* pReport) {
    return Move(nId, -1, true, pReport);
}

EWriteResult CKnowHow::Move(TRowId nId, TRowId nTargetFolder, bool bToEndOfOwnFolder, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    CDB& db = GetDatabase();
    db.ClearLastError();
    // A move that is refused or changes nothing is told from reads alone,
    // without the write lock; the same checks are made again under it.
    // eResult: Saved to go on, Deleted for an entry that is gone, Declined
    // for a target inside the entry, ParentGone for a target that is no folder.
    auto check = [&](CKnowHowItem& item, EWriteResult& eResult) {
        eResult = EWriteResult::Saved;
        int nFound = GetItem(item, nId);
        if (nFound < 0) return false;
        if (nFound != 1) {
            eResult = EWriteResult::Deleted;
            return true;
        }
        if (bToEndOfOwnFolder) nTargetFolder = item.MasterID;
        // already there: appending would leave a gap at its old position
        if (item.MasterID == nTargetFolder && !bToEndOfOwnFolder) return true;
        // into itself or below itself would cut the subtree off the tree
        bool bInside = false;
        if (!ReadIsInSubtree(nTargetFolder, nId, bInside)) return false;
        if (bInside) {
            eResult = EWriteResult::Declined;
            return true;
        }
        bool bLive = false;
        if (!ReadIsLiveFolder(nTargetFolder, bLive)) return false;
        if (!bLive) eResult = EWriteResult::ParentGone;
        return true;
    };
    CKnowHowItem item;
    EWriteResult eCheck = EWriteResult::Saved;
    if (!check(item, eCheck)) {
        report.nEngineCode = db.GetLastErrorCode();
        return Failure();
    }
    if (eCheck != EWriteResult::Saved) return eCheck;
    if (item.MasterID == nTargetFolder && !bToEndOfOwnFolder) return EWriteResult::Saved;

    // read and written in one transaction: the positions are those of the
    // file, whatever others appended or moved since it was last shown
    if (!BeginWork()) return AbandonWork(Failure(), report);
    if (!check(item, eCheck)) return AbandonWork(Failure(), report);
    if (eCheck != EWriteResult::Saved) return AbandonWork(eCheck, report);
    if (item.MasterID == nTargetFolder && !bToEndOfOwnFolder) {
        RollbackWork();
        return EWriteResult::Saved;
    }
    SUndoStep step = SUndoStep::Before(SUndoStep::EKind::Move, item);
    CKnowHowArray arr;
    if (GetChildren(arr, item.MasterID) < 0) return AbandonWork(Failure(), report);
    int n = CountChildren(nTargetFolder);
    if (n < 0) return AbandonWork(Failure(), report);
    // within its own folder it counts itself
    std::int32_t nNewPos = bToEndOfOwnFolder ? n : n + 1;
    bool bAfter = false;
    for (auto& child : arr) {
        if (child.ID == nId) {
            if (child.MasterID != nTargetFolder) {
                child.MasterID = nTargetFolder;
                child.Modified = true;
            }
            child.SetPosNr(nNewPos);
            bAfter = true;
        } else if (bAfter) {
            child.SetPosNr(child.PosNr - 1);
        }
    }
    // SaveItems rolls everything back when it fails
    EWriteResult eResult = SaveItems(arr, &report);
    if (eResult != EWriteResult::Saved) return eResult;
    if (!CommitWork()) return AbandonWork(Failure(), report);
    for (const CKnowHowItem& child : arr)
        if (child.ID == nId) step.after = child;
    m_history.Record(std::move(step));
    return EWriteResult::Saved;
}

EWriteResult CKnowHow::SwapPositions(CKnowHowItem& a, CKnowHowItem& b, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    GetDatabase().ClearLastError();
    if (!BeginWork()) return AbandonWork(Failure(), report);
    const CKnowHowItem shownA = a, shownB = b;
    const int nA = GetItem(a, shownA.ID);
    const int nB = nA == 1 ? GetItem(b, shownB.ID) : 0;
    if (nA < 0 || nB < 0) return AbandonWork(Failure(), report);
    if (nA != 1 || nB != 1 || shownA.IsOtherEntry(a) || shownB.IsOtherEntry(b))
        return AbandonWork(EWriteResult::Deleted, report);
    // one of them went to another folder meanwhile
    if (a.MasterID != b.MasterID) {
        report.stored = a;
        return AbandonWork(EWriteResult::Conflict, report);
    }
    (void)GetDatabase().StampEdit();  // a note, not the user's data
    const std::int32_t nPosA = a.PosNr;
    a.SetPosNr(b.PosNr);
    b.SetPosNr(nPosA);
    for (CKnowHowItem* p : {&a, &b}) {
        EWriteResult eResult = m_table.UpdateItem(*p, &report.stored);
        if (eResult != EWriteResult::Saved) return AbandonWork(eResult, report);
        m_history.NoteWrite(p->ID, p->UpdateNr);
        p->Modified = false;
    }
    if (!CommitWork()) return AbandonWork(Failure(), report);
    SUndoStep step = SUndoStep::Before(SUndoStep::EKind::Exchange, shownA);
    step.after = a;
    step.otherAfter = b;
    m_history.Record(std::move(step));
    return EWriteResult::Saved;
}
