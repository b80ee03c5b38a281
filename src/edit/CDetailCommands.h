#pragma once
// The entry commands of the detail view (delete, move up and down, make a
// folder, links, open, go up a level, save, refresh, print), their enabling,
// and the move of a dragged row: each carried out on the view's rows and
// presented in the view.

#include <cstdint>

#include "edit/CDetailDrag.h"
#include "edit/IEditDocument.h"
#include "ui/CommandTarget.h"

class CDetailView;

class CDetailCommands : public CDetailDrag::IHost {
public:
    CDetailCommands(CDetailView& view, IEditDocument& doc) : m_view(view), m_doc(doc) {}

    bool OnUpdateCommand(int nId, SCommandState& state);
    bool OnCommand(int nId);
    // A folder is shown in the tree (and so here), a link is opened.
    void OpenRow(int nRow);
    // The folder that holds the one shown, with it selected.
    void GoUpLevel();
    void Drop(const CDetailDrag::SDrop& drop);
    // CDetailView::Refresh.
    void Refresh(bool bAuto);
    // Reads the folder again for the change another user made while a row
    // was being edited.
    void TakeOthersChanges();
    // The view's own commands (ID_DETAIL_*) sent as pane messages.
    std::intptr_t OnPaneCommand(int nId);

private:
    // --- drag host ---
    int DragHitTest(int y) override;
    const CKnowHowItem* DragRow(int nRow) const override;
    TRowId DragTreeTarget() override;
    void DragTreeClear() override;
    bool DragIsInside(TRowId nFolder, TRowId nAncestor) override;
    bool DragBeforeStart(int nRow, TRowId nId) override;

    // The user has typed something that is not stored yet.
    bool IsTyping() const;
    void DeleteEntry();
    // Exchanges the current row with the one nDelta (-1 or 1) away.
    void ExchangeCurrentRow(int nDelta);
    void ConvertToFolder();
    void EditLink();

    CDetailView& m_view;
    IEditDocument& m_doc;
};
