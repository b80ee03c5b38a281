#include "edit/CRowsWriter.h"

#include <QTimer>
#include <QWidget>

#include "db/CDB.h"
#include "edit/CRefusedRowDlg.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/PaneMessages.h"

bool CRowsWriter::Save(bool bSay) {
    if (m_rows.GetFolder() < 0 || !m_doc.IsDatabaseOpen()) return true;
    ++m_nSaving;
    m_eUnusable = EWriteResult::Saved;
    // each round resolves one refused row; the user may leave the rest for later
    bool bStored = false;
    for (int nRound = 0; nRound <= m_rows.Count(); ++nRound) {
        const bool bFolderChanged = m_rows.HasModifiedFolder();
        SWriteReport report;
        const EWriteResult eResult = m_rows.Save(&report);
        if (eResult == EWriteResult::Saved) {
            if (bFolderChanged) SendPaneCommand(m_doc.GetTreePane(), ID_TREE_REFRESH);
            bStored = true;
            break;
        }
        const bool bResolved = Resolve(eResult, report, bSay);
        if (m_fnRowsChanged) m_fnRowsChanged();
        if (!bResolved) break;
    }
    --m_nSaving;
    SetMark(!bStored && m_rows.HasUnsaved());
    return bStored || !m_rows.HasUnsaved();
}

bool CRowsWriter::Resolve(EWriteResult eResult, const SWriteReport& report, bool bSay) {
    const int r = report.nIndex;
    if (eResult == EWriteResult::Locked || eResult == EWriteResult::Failed || !m_rows.IsRow(r)) {
        m_eUnusable = eResult;
        m_nUnusableCode = report.nEngineCode;
        if (bSay) SayFileNotUsable(eResult, report.nEngineCode, true);
        return false;
    }
    TRowId nTarget = m_rows.GetFolder();
    std::string strTarget;
    if (eResult == EWriteResult::ParentGone) {
        nTarget = m_rows.NearestLiveFolder();
        if (CKnowHow* pService = m_doc.GetService(); pService && nTarget > 0) strTarget = pService->GetPath(nTarget);
    }
    const CKnowHowItem mine = eResult == EWriteResult::Conflict ? m_rows.MineOver(r, report.stored) : m_rows.Rows()[r];
    QWidget* pParent = m_pView ? m_pView->window() : nullptr;
    switch (CRefusedRowDlg::Ask(pParent, eResult, mine, report.stored, strTarget)) {
        case ERefusedRowChoice::KeepMine: m_rows.KeepMine(r, report.stored); return true;
        case ERefusedRowChoice::TakeStored: m_rows.TakeStored(r, report.stored); return true;
        case ERefusedRowChoice::Discard: m_rows.Discard(r, report.stored); return true;
        case ERefusedRowChoice::Later: return false;
        case ERefusedRowChoice::SaveAsNew: break;
    }
    SWriteReport reportNew;
    TRowId nNewId = 0;
    const EWriteResult eNew = m_rows.SaveAsNew(r, report.stored, nTarget, &reportNew, &nNewId);
    if (eNew != EWriteResult::Saved) {
        if (eNew == EWriteResult::Locked || eNew == EWriteResult::Failed)
            SayFileNotUsable(eNew, reportNew.nEngineCode, true);
        else
            SayWriteResult(eNew, reportNew, false);
        return false;
    }
    SendPaneCommand(m_doc.GetTreePane(), ID_TREE_REFRESH);
    // saved into another folder: that one is shown, with the entry selected
    if (nTarget != m_rows.GetFolder() && m_pView)
        QTimer::singleShot(0, m_pView, [pDoc = &m_doc, nNewId] { pDoc->GoToEntry(nNewId); });
    return true;
}

bool CRowsWriter::QueryClose(bool& bDropped) {
    bDropped = false;
    while (!Save(false)) {
        // one question, with the reason when the file stopped the write
        std::string strWhy = m_eUnusable == EWriteResult::Saved ? SaveFailedMessage()
                                                                : FileNotUsableReason(m_eUnusable, m_nUnusableCode);
        const EMsgResult eAnswer = GetPlatform().MessageBox(
            strWhy + Ansi("\n\nNoch einmal versuchen (Ja), die Eingaben verwerfen (Nein) oder zur Bearbeitung zurück "
                          "(Abbrechen)?"),
            "", EMsgIcon::Exclamation, EMsgButtons::YesNoCancel);
        if (eAnswer == EMsgResult::No) {
            bDropped = true;
            SetMark(false);
            return true;
        }
        if (eAnswer != EMsgResult::Yes) {
            SetMark(m_rows.HasUnsaved());
            return false;
        }
    }
    return true;
}

std::string CRowsWriter::FileNotUsableReason(EWriteResult eResult, int nEngineCode) {
    std::string strReason = GetDbFailureReason(nEngineCode);
    if (strReason.empty() && eResult == EWriteResult::Locked) strReason = Ansi(DB_LOCKED_MESSAGE);
    if (strReason.empty()) strReason = SaveFailedMessage();
    return strReason;
}

void CRowsWriter::SayFileNotUsable(EWriteResult eResult, int nEngineCode, bool bTypingKept) {
    std::string strReason = FileNotUsableReason(eResult, nEngineCode);
    if (bTypingKept)
        strReason += Ansi(
            "\n\nIhre Eingaben sind nicht verloren: Sie bleiben stehen und werden beim Verlassen der Zeile oder mit "
            "Strg+S erneut gespeichert.");
    GetPlatform().MessageBox(strReason, "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}

void CRowsWriter::SetMark(bool bOn) {
    if (m_bMark == bOn) return;
    m_bMark = bOn;
    m_doc.SetEditNote(bOn ? "Eingaben noch nicht gespeichert" : "");
    if (m_fnMarkChanged) m_fnMarkChanged();
}
