#include "tree/CUndoHistory.h"

#include <algorithm>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "tree/CKnowHow.h"
#include "tree/CKnowHowTrash.h"

namespace {
// A step that failed for good: it can never succeed, so it is dropped.
bool IsFinal(EWriteResult eResult) {
    return eResult != EWriteResult::Locked && eResult != EWriteResult::Failed;
}

// Ends the transaction of a step that did not get through.
struct SUndoJob {
    CKnowHow& service;
    SWriteReport& report;
    EWriteResult Abandon(EWriteResult eResult) {
        if (!IsFinal(eResult)) report.nEngineCode = GetDatabase().GetLastErrorCode();
        service.RollbackWork();
        return eResult;
    }
    EWriteResult Failure() { return Abandon(WriteFailureFromCode(GetDatabase().GetLastErrorCode())); }
};
}  // namespace

bool CUndoHistory::IsUnchanged(const CKnowHowItem& recorded, const CKnowHowItem& now) const {
    if (recorded.IsOtherEntry(now) || now.MasterID != recorded.MasterID || now.PosNr != recorded.PosNr) return false;
    if (now.UpdateNr == recorded.UpdateNr) return true;
    auto it = m_mapOwn.find(now.ID);
    return it != m_mapOwn.end() && it->second == now.UpdateNr;
}

void CUndoHistory::Clear() {
    m_arrSteps.clear();
    m_mapOwn.clear();
    m_mapPending.clear();
}

void CUndoHistory::Committed() {
    for (const auto& [nId, nUpdateNr] : m_mapPending) m_mapOwn[nId] = nUpdateNr;
    m_mapPending.clear();
}

void CUndoHistory::Record(SUndoStep step) {
    if (m_bReplaying) return;
    if (m_arrSteps.size() >= kMaxSteps) m_arrSteps.erase(m_arrSteps.begin());
    m_arrSteps.push_back(std::move(step));
}

EWriteResult CUndoHistory::UndoLast(CKnowHow& service, TRowId* pnShow, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    if (m_arrSteps.empty()) return EWriteResult::Declined;
    const SUndoStep step = m_arrSteps.back();
    m_bReplaying = true;
    EWriteResult eResult = EWriteResult::Failed;
    TRowId nShow = step.nId;
    switch (step.eKind) {
        case SUndoStep::EKind::Delete: {
            TRowId nNewId = 0;
            eResult =
                CKnowHowTrash(service).Restore(step.nDeleteNr, step.nFolder, &nNewId, nullptr, &report, step.nPos);
            nShow = nNewId;
            break;
        }
        case SUndoStep::EKind::Exchange: eResult = UndoExchange(service, step, report); break;
        case SUndoStep::EKind::Move: eResult = UndoMove(service, step, report); break;
    }
    m_bReplaying = false;
    if (eResult == EWriteResult::Saved || IsFinal(eResult)) m_arrSteps.pop_back();
    if (eResult == EWriteResult::Saved && pnShow) *pnShow = nShow;
    return eResult;
}

EWriteResult CUndoHistory::UndoExchange(CKnowHow& service, const SUndoStep& step, SWriteReport& report) {
    GetDatabase().ClearLastError();
    SUndoJob job{service, report};
    if (!service.BeginWork()) return job.Failure();
    CKnowHowItem a, b;
    const int nA = service.GetItem(a, step.after.ID);
    const int nB = service.GetItem(b, step.otherAfter.ID);
    if (nA < 0 || nB < 0) return job.Failure();
    if (nA != 1 || nB != 1 || !IsUnchanged(step.after, a) || !IsUnchanged(step.otherAfter, b))
        return job.Abandon(EWriteResult::Conflict);
    // inside this transaction: the swap's own one only nests
    EWriteResult eResult = service.SwapPositions(a, b, &report);
    if (eResult != EWriteResult::Saved) return eResult;
    if (!service.CommitWork()) return job.Failure();
    return EWriteResult::Saved;
}

EWriteResult CUndoHistory::UndoMove(CKnowHow& service, const SUndoStep& step, SWriteReport& report) {
    GetDatabase().ClearLastError();
    SUndoJob job{service, report};
    if (!service.BeginWork()) return job.Failure();
    CKnowHowItem now;
    const int nFound = service.GetItem(now, step.nId);
    if (nFound < 0) return job.Failure();
    if (nFound != 1 || !IsUnchanged(step.after, now)) return job.Abandon(EWriteResult::Conflict);
    // back into a folder that is gone, or that now lies below the entry, would cut it off the tree
    bool bLive = false, bInside = false;
    if (!service.ReadIsLiveFolder(step.nFolder, bLive) || !service.ReadIsInSubtree(step.nFolder, step.nId, bInside))
        return job.Failure();
    if (!bLive) return job.Abandon(EWriteResult::ParentGone);
    if (bInside) return job.Abandon(EWriteResult::Conflict);

    CKnowHowArray arr;
    if (service.GetChildren(arr, now.MasterID) < 0) return job.Failure();
    if (step.nFolder != now.MasterID) {
        CKnowHowArray arrTo;
        if (service.GetChildren(arrTo, step.nFolder) < 0) return job.Failure();
        arr.insert(arr.end(), std::make_move_iterator(arrTo.begin()), std::make_move_iterator(arrTo.end()));
    }
    auto it = std::find_if(arr.begin(), arr.end(), [&](const CKnowHowItem& r) { return r.ID == step.nId; });
    if (it == arr.end()) return job.Abandon(EWriteResult::Conflict);
    CKnowHowItem& moved = *it;
    // the gap it leaves closes, then the old place opens again (positions stay 1..n)
    int nOthers = 0;
    for (CKnowHowItem& r : arr) {
        if (&r == &moved) continue;
        if (r.MasterID == now.MasterID && r.PosNr > now.PosNr) r.SetPosNr(r.PosNr - 1);
        if (r.MasterID == step.nFolder) ++nOthers;
    }
    const std::int32_t nPos = std::clamp<std::int32_t>(step.nPos, 1, nOthers + 1);
    for (CKnowHowItem& r : arr)
        if (&r != &moved && r.MasterID == step.nFolder && r.PosNr >= nPos) r.SetPosNr(r.PosNr + 1);
    if (moved.MasterID != step.nFolder) {
        moved.MasterID = step.nFolder;
        moved.Modified = true;
    }
    moved.SetPosNr(nPos);
    // SaveItems rolls everything back when it fails
    EWriteResult eResult = service.SaveItems(arr, &report);
    if (eResult != EWriteResult::Saved) return eResult;
    if (!service.CommitWork()) return job.Failure();
    return EWriteResult::Saved;
}

std::string UndoMenuText(const SUndoStep* pStep) {
    std::string str = Ansi("Rückgängig");
    if (!pStep) return str;
    // a long keyword would widen the menu past the screen
    std::string strName = KeywordOnOneLine(pStep->strName);
    if (strName.size() > 40) strName = strName.substr(0, 39) + "\x85";
    str += Ansi(pStep->eKind == SUndoStep::EKind::Delete ? ": Löschen von " : ": Verschieben von ");
    return str + "\x84" + strName + "\x93";
}

void SayUndoResult(EWriteResult eResult, const SWriteReport& report) {
    CPlatform& platform = GetPlatform();
    switch (eResult) {
        case EWriteResult::Saved: return;
        case EWriteResult::Deleted:
            platform.MessageBox(TrashGoneMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        case EWriteResult::Declined:
            platform.MessageBox(TrashKeyMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        case EWriteResult::Conflict:
        case EWriteResult::ParentGone:
            platform.MessageBox(Ansi("Der Schritt kann nicht rückgängig gemacht werden: ein anderer Benutzer hat die "
                                     "betroffenen Einträge oder ihren Ordner inzwischen geändert, verschoben oder "
                                     "gelöscht. Es wurde nichts geändert."),
                                "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        default: SayWriteResult(eResult, report, false);
    }
}
