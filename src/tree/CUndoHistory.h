#pragma once
// The structural changes made through one service (one window): deletes,
// moves up or down and moves to another folder, newest last, so that the
// newest can be taken back. Taking one back checks that nobody changed the
// rows concerned since; otherwise it changes nothing.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "table/CKnowHowItem.h"
#include "table/CWriteResult.h"

class CKnowHow;
struct SWriteReport;

struct SUndoStep {
    enum class EKind { Delete, Exchange, Move };
    EKind eKind = EKind::Delete;
    std::string strName;         // the entry's keyword (plain), for the menu
    TRowId nId = 0;              // the entry deleted or moved
    TRowId nFolder = 0;          // the folder it stood in before
    std::int32_t nPos = 0;       // and its position there
    std::int64_t nDeleteNr = 0;  // Delete: its number in the trash
    CKnowHowItem after;          // Exchange, Move: the entry as stored after the change
    CKnowHowItem otherAfter;     // Exchange: the other entry, likewise

    // A step of the entry as it stood before the change.
    static SUndoStep Before(EKind eKind, const CKnowHowItem& item) {
        SUndoStep step;
        step.eKind = eKind;
        step.strName = item.Name;
        step.nId = item.ID;
        step.nFolder = item.MasterID;
        step.nPos = item.PosNr;
        return step;
    }
};

class CUndoHistory {
public:
    static constexpr size_t kMaxSteps = 20;

    // Called by the service after a change was committed; nothing while a
    // step is being taken back.
    void Record(SUndoStep step);
    bool IsEmpty() const { return m_arrSteps.empty(); }
    const SUndoStep* Last() const { return m_arrSteps.empty() ? nullptr : &m_arrSteps.back(); }
    void Clear();

    // The service's own writes: a row whose counter this window raised
    // last is not another user's change. Noted as written, kept once the
    // outermost transaction committed, dropped when it was rolled back.
    void NoteWrite(TRowId nId, std::int32_t nUpdateNr) { m_mapPending[nId] = nUpdateNr; }
    void Committed();
    void RolledBack() { m_mapPending.clear(); }

    // Takes the newest step back in one exclusive transaction. *pnShow gets
    // the entry to show afterwards. Conflict when another user changed,
    // moved or deleted a row concerned, ParentGone when the folder it came
    // from is gone, Deleted when a delete is no longer in the trash,
    // Declined when it was stored under another key (all of these drop the
    // step: it can never succeed); Locked and Failed keep it for another try.
    [[nodiscard]] EWriteResult UndoLast(CKnowHow& service, TRowId* pnShow = nullptr, SWriteReport* pReport = nullptr);

private:
    // The row stands where the step left it, and nobody but this window
    // wrote it since.
    bool IsUnchanged(const CKnowHowItem& recorded, const CKnowHowItem& now) const;
    EWriteResult UndoExchange(CKnowHow& service, const SUndoStep& step, SWriteReport& report);
    EWriteResult UndoMove(CKnowHow& service, const SUndoStep& step, SWriteReport& report);

    std::vector<SUndoStep> m_arrSteps;
    std::unordered_map<TRowId, std::int32_t> m_mapOwn, m_mapPending;
    bool m_bReplaying = false;
};

// The menu item's text for the newest step (Windows-1252): "Rückgängig"
// alone when there is none.
std::string UndoMenuText(const SUndoStep* pStep);
// Says why a step could not be taken back (after its transaction ended).
void SayUndoResult(EWriteResult eResult, const SWriteReport& report);
