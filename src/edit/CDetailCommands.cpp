#include "edit/CDetailCommands.h"

#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "db/CDB.h"
#include "edit/CDetailView.h"
#include "edit/CEditEx.h"
#include "edit/CLinkDlg.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/CommandIds.h"

bool CDetailCommands::OnUpdateCommand(int nId, SCommandState& state) {
    const int r = m_view.m_nCurrentRow;
    const bool bRow = m_view.IsRow(r);
    const bool bWritable = !m_view.IsWriteProtected();
    const CKnowHowItem* pItem = bRow ? &m_view.Rows()[r] : nullptr;
    switch (nId) {
        case ID_ENTRY_DELETE: state.bEnabled = bRow && bWritable && pItem->ID != 0; return true;
        case ID_ENTRY_MOVE_UP: state.bEnabled = bRow && r > 0 && bWritable && pItem->ID != 0; return true;
        case ID_ENTRY_MOVE_DOWN:
            state.bEnabled = bRow && !m_view.IsLastRow(r) && bWritable && m_view.Rows()[r + 1].ID != 0;
            return true;
        case ID_FOLDER_CREATE: state.bEnabled = bRow && bWritable && pItem->Typ != 1 && pItem->IsDir != 1; return true;
        case ID_ENTRY_PREVIOUS:
        case ID_ENTRY_NEXT: state.bEnabled = bRow && !m_view.IsLastRow(r); return true;
        case ID_LINK_EDIT: state.bEnabled = bRow && bWritable && pItem->IsDir != 1; return true;
        case ID_LINK_OPEN: state.bEnabled = bRow && pItem->Typ == 1; return true;
        case ID_FOLDER_OPEN: state.bEnabled = bRow && pItem->IsDir != 0; return true;
        case ID_ENTRY_SAVE: state.bEnabled = m_view.GetCurrentFolder() >= 0 && bWritable; return true;
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW: state.bEnabled = true; return true;
        default: return false;
    }
}

bool CDetailCommands::OnCommand(int nId) {
    SCommandState state;
    if (!OnUpdateCommand(nId, state)) return false;
    if (!state.bEnabled) return true;  // a disabled command reached us by key: nothing
    const TRowId nId0 = m_view.IsRow(m_view.m_nCurrentRow) ? m_view.Rows()[m_view.m_nCurrentRow].ID : 0;
    switch (nId) {
        case ID_ENTRY_DELETE: DeleteEntry(); break;
        case ID_ENTRY_MOVE_UP: ExchangeCurrentRow(-1); break;
        case ID_ENTRY_MOVE_DOWN: ExchangeCurrentRow(1); break;
        case ID_FOLDER_CREATE: ConvertToFolder(); break;
        case ID_ENTRY_PREVIOUS: m_doc.GoToPreviousEntry(nId0); break;
        case ID_ENTRY_NEXT: m_doc.GoToNextEntry(nId0); break;
        case ID_LINK_EDIT: EditLink(); break;
        case ID_LINK_OPEN: CLinkDlg::OpenLink(m_view.Rows()[m_view.m_nCurrentRow].Link); break;
        case ID_FOLDER_OPEN: OpenRow(m_view.m_nCurrentRow); break;
        case ID_ENTRY_SAVE:
            // the row being edited stays open; what is typed is written now
            if (m_view.IsRow(m_view.m_nCurrentRow))
                m_view.WriteBack();
            else
                m_view.m_writer.Save();
            break;
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW:
            m_doc.PrintFolder(&m_view, m_view.GetCurrentFolder(), nId == ID_FILE_PRINT_PREVIEW);
            break;
        default: break;
    }
    return true;
}

void CDetailCommands::DeleteEntry() {
    const int nIndex = m_view.m_nCurrentRow;
    if (nIndex < 0) return;
    const TRowId nId = m_view.Rows()[nIndex].ID;
    if (!m_doc.ConfirmDeleteEntry(nId)) return;
    SWriteReport report;
    const EWriteResult eResult = m_view.m_rows.Delete(nIndex, &report);
    if (eResult == EWriteResult::Declined) return;
    if (eResult != EWriteResult::Saved && eResult != EWriteResult::Deleted) {
        SayWriteResult(eResult, report, false);
        return;
    }
    // gone either way, with whatever was typed into it
    m_view.m_nCurrentRow = -1;
    m_view.m_eActiveEditor = EDITOR_NONE;
    m_view.HideEditors();
    m_view.RowsReplaced();
    if (eResult == EWriteResult::Deleted)
        GetPlatform().MessageBox(EntryDeletedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    m_view.SelectRow(nIndex, EDITOR_NONE);
    SendPaneCommand(m_view.Tree(), ID_TREE_REFRESH);
}

void CDetailCommands::ExchangeCurrentRow(int nDelta) {
    const int i = m_view.m_nCurrentRow;
    const int j = i + nDelta;
    if (i < 0 || j < 0 || j >= m_view.m_rows.Count()) return;
    m_view.SelectRow(i, EDITOR_NONE);
    // the typing could not be stored, or the rows changed meanwhile
    if (m_view.m_nCurrentRow != i || m_view.m_rows.HasUnsaved()) return;
    // the later of the two must be stored: the empty row stays last
    const int nLater = std::max(i, j);
    if (m_view.Rows()[nLater].ID == 0) return;
    // both rows keep exact heights in their new places
    m_view.MeasureThrough(nLater);
    SWriteReport report;
    const EWriteResult eResult = m_view.m_rows.Exchange(i, nDelta, &report);
    if (eResult != EWriteResult::Saved) {
        SayWriteResult(eResult, report, false);
        m_view.Refresh(false);
        return;
    }
    m_view.m_nCurrentRow = -1;
    m_view.SelectRow(j, EDITOR_NONE);
    m_view.viewport()->update();
}

void CDetailCommands::ConvertToFolder() {
    const int r = m_view.m_nCurrentRow;
    if (r < 0) return;
    if (!m_view.IsLastRow(r)) {
        if (GetPlatform().MessageBox(Ansi("Texteintrag in ein Verzeichnis umwandeln ?"), "Verzeichnis erstellen",
                                     EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
            return;
    }
    if (m_view.m_nCurrentRow != r) return;
    m_view.Rows()[r].SetIsDir(1);
    m_view.RecalcHeights();
    m_view.m_writer.Save();
    m_view.viewport()->update();
    m_view.SelectRow(m_view.m_nCurrentRow, EDITOR_KEYWORD);
}

void CDetailCommands::EditLink() {
    const int r = m_view.m_nCurrentRow;
    if (r < 0) return;
    CLinkDlg dlg(m_view.window());
    dlg.m_item = m_view.Rows()[r];
    if (dlg.exec() != QDialog::Accepted) return;
    if (m_view.m_nCurrentRow != r) return;
    m_view.Rows()[r] = dlg.m_item;
    m_view.m_writer.Save();
    m_view.viewport()->update();
    m_view.SelectRow(m_view.m_nCurrentRow, EDITOR_KEYWORD);
}

void CDetailCommands::OpenRow(int nRow) {
    if (!m_view.IsRow(nRow)) return;
    const CKnowHowItem& item = m_view.Rows()[nRow];
    if (item.IsDir)
        PostPaneMessage(m_view.Tree(), WM_SHOW_FOLDER, item.ID);
    else if (item.Typ == 1)
        CLinkDlg::OpenLink(item.Link);
}

void CDetailCommands::GoUpLevel() {
    m_doc.GoToEntry(m_view.GetCurrentFolder());
}

void CDetailCommands::Drop(const CDetailDrag::SDrop& drop) {
    SWriteReport report;
    const EWriteResult eResult = m_doc.MoveToFolder(drop.nDragged, drop.nTarget, &report);
    SayWriteResult(eResult, report, false);
    const TRowId nFolder = m_view.GetCurrentFolder();
    if (drop.bFolder) {
        // the top level is rebuilt whole: here, or when the entry is gone to below
        SendPaneMessage(m_view.Tree(), WM_REFRESH_FOLDER, nFolder, 0);
        if (nFolder != 0 && drop.nTarget != 0) SendPaneMessage(m_view.Tree(), WM_REFRESH_FOLDER, drop.nTarget, 0);
    }
    m_view.Refresh(false);
    if (eResult == EWriteResult::Saved) m_doc.GoToEntry(drop.nDragged);
}

bool CDetailCommands::IsTyping() const {
    if (m_view.m_rows.HasUnsaved()) return true;
    const int r = m_view.m_nCurrentRow;
    if (!m_view.IsEditing() || !m_view.IsRow(r)) return false;
    return m_view.Rows()[r].Modified ||
           m_view.m_pKeywordEdit->toPlainText() != StoredToDisplay(m_view.m_strSavedKeyword) ||
           m_view.m_pTextEdit->toPlainText() != StoredToDisplay(m_view.m_strSavedText);
}

std::intptr_t CDetailCommands::OnPaneCommand(int nId) {
    switch (nId) {
        case ID_DETAIL_QUERY_CLOSE: return m_view.QueryClose() ? 1 : 0;
        case ID_DETAIL_CLOSE:
            m_view.m_writer.Save();
            m_view.SelectRow(-1, EDITOR_NONE);
            m_view.EmptyPane();
            GetPlatform().WriteProfileInt("Parameter", "Stichwortbreite", m_view.m_nKeywordWidth);
            return 0;
        case ID_DETAIL_RESET:
            // what the user typed is written before the pane is emptied
            if (m_view.GetCurrentFolder() >= 0 && m_doc.IsDatabaseOpen()) m_view.SelectRow(-1, EDITOR_NONE);
            m_view.EmptyPane();
            return 0;
        case ID_DETAIL_END_EDIT: m_view.SelectRow(m_view.m_nCurrentRow, EDITOR_NONE); return 0;
        case ID_DETAIL_RELOAD: Refresh(false); return 0;
        case ID_DETAIL_READONLY_CHANGED:
            // typing done before the protection was switched on is kept
            m_view.SelectRow(m_view.m_nCurrentRow, m_view.m_eActiveEditor, nullptr, true);
            return 0;
        default: OnCommand(nId); return 0;
    }
}

void CDetailCommands::TakeOthersChanges() {
    m_view.m_bOthersChanged = false;
    m_doc.MarkFolderChanged(false);
    if (m_view.m_rows.Reload() != EWriteResult::Saved) return;
    m_view.RowsReplaced();
}

void CDetailCommands::Refresh(bool bAuto) {
    if (m_view.m_rows.GetFolder() < 0 || m_view.m_writer.IsSaving()) return;
    if (bAuto && IsTyping()) {
        // another user's change waits until the row is left
        m_view.m_bOthersChanged = true;
        m_doc.MarkFolderChanged(true);
        return;
    }
    m_view.m_bOthersChanged = false;
    m_doc.MarkFolderChanged(false);
    const int nRow = m_view.m_nCurrentRow;
    const TRowId nId = m_view.IsRow(nRow) ? m_view.Rows()[nRow].ID : 0;
    const bool bOnNewRow = m_view.IsRow(nRow) && m_view.Rows()[nRow].ID == 0;
    const EEditor eEditor = m_view.m_eActiveEditor;
    CEditEx* pEdit = eEditor == EDITOR_KEYWORD ? m_view.m_pKeywordEdit
                     : eEditor == EDITOR_TEXT  ? m_view.m_pTextEdit
                                               : nullptr;
    const int nCaret = pEdit ? pEdit->textCursor().position() : 0;
    const int nScroll = m_view.GetScrollPos();
    // by hand, what is typed is written first; either way it stays
    if (!bAuto && m_view.IsRow(nRow) && !m_view.IsWriteProtected()) m_view.WriteBack();
    const EWriteResult eResult = m_view.m_rows.Reload();
    if (eResult != EWriteResult::Saved) {
        if (!bAuto)
            CRowsWriter::SayFileNotUsable(eResult, GetDatabase().GetLastErrorCode(), m_view.m_rows.HasUnsaved());
        return;
    }
    // a folder another user deleted: its nearest parent is shown instead
    CKnowHow* pService = m_doc.GetService();
    bool bLive = true;
    if (pService && !m_view.m_rows.HasUnsaved() && pService->ReadIsLiveFolder(m_view.m_rows.GetFolder(), bLive) &&
        !bLive) {
        const TRowId nParent = m_view.m_rows.NearestLiveFolder();
        if (nParent > 0)
            PostPaneMessage(m_view.Tree(), WM_SHOW_FOLDER, nParent);
        else
            QTimer::singleShot(0, &m_view, [this] { m_doc.GoToEntry(0); });
    }
    m_view.m_nCurrentRow = -1;
    m_view.HideEditors();
    m_view.RowsReplaced();
    m_doc.ShowFolderTitle(m_view.m_rows.GetFolder());
    int nSelect = nId > 0 ? m_view.m_rows.IndexOf(nId) : -1;
    if (nSelect < 0 && bOnNewRow) nSelect = m_view.m_rows.Count() - 1;
    if (nSelect < 0 && nRow >= 0) nSelect = std::min(nRow, m_view.m_rows.Count() - 1);
    m_view.ScrollTo(std::min(nScroll, m_view.verticalScrollBar()->maximum()));
    if (nSelect < 0) return;
    m_view.SelectRow(nSelect, eEditor);
    if (pEdit && m_view.m_eActiveEditor == eEditor) {
        QTextCursor cursor = pEdit->textCursor();
        cursor.setPosition(std::min(nCaret, static_cast<int>(pEdit->document()->characterCount()) - 1));
        pEdit->setTextCursor(cursor);
    }
}

// --- drag host ------------------------------------------------------------------------

int CDetailCommands::DragHitTest(int y) {
    return m_view.HitTest(y);
}

const CKnowHowItem* CDetailCommands::DragRow(int nRow) const {
    return m_view.IsRow(nRow) ? &m_view.Rows()[nRow] : nullptr;
}

TRowId CDetailCommands::DragTreeTarget() {
    const SPaneRef tree = m_view.Tree();
    if (!tree.pTarget) return -1;
    return static_cast<TRowId>(SendPaneMessage(tree, WM_DROP_TARGET, 1, 0));
}

void CDetailCommands::DragTreeClear() {
    SendPaneMessage(m_view.Tree(), WM_DROP_TARGET, 0, 0);
}

bool CDetailCommands::DragIsInside(TRowId nFolder, TRowId nAncestor) {
    return m_doc.IsInsideFolder(nFolder, nAncestor);
}

bool CDetailCommands::DragBeforeStart(int nRow, TRowId nId) {
    if (m_view.m_eActiveEditor != EDITOR_NONE) m_view.SelectRow(m_view.m_nCurrentRow, EDITOR_NONE);
    return m_view.IsRow(nRow) && m_view.Rows()[nRow].ID == nId && !m_view.m_rows.HasUnsaved();
}
