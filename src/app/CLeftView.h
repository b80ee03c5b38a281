#pragma once
// The folder tree on the left: only folders, loaded lazily when opened; a
// selection shows the folder in the detail view; folders are moved by
// dragging them onto another folder (or onto empty space: the top level).

#include <QPersistentModelIndex>
#include <QPoint>
#include <cstdint>

#include "app/CTreeViewEx.h"
#include "ui/CommandTarget.h"
#include "ui/PaneMessages.h"

class CDetailView;
class COrvantisDoc;
class QWidget;

class CLeftView : public CTreeViewEx, public CCommandTarget, public IPaneTarget {
    Q_OBJECT
public:
    explicit CLeftView(COrvantisDoc& doc, QWidget* pParent = nullptr);
    ~CLeftView() override;

    // After creation and after every opening or creation of a database.
    void OnInitialUpdate();

    // null = the invisible root (the top level)
    void FillChildren(QTreeWidgetItem* pItem);
    void ResetChildren(QTreeWidgetItem* pItem);
    void RebuildTree();
    void SelectFolder(TRowId nId);
    QTreeWidgetItem* FindItem(TRowId nId) const;
    void RefreshFolder(TRowId nId);
    // Reads every folder shown again (another user's change), keeping the
    // open folders, the selection and the scroll position; shows nothing anew.
    void ReloadKeepingPlace();
    void DeleteSelectedFolder();

    // WM_DROP_TARGET: bTest marks the folder under the cursor and answers its
    // ID, 0 inside the tree over no folder, -1 outside; !bTest clears the mark.
    std::intptr_t DropTargetTest(bool bTest);
    std::intptr_t DropTargetAt(const QPoint& ptViewport);

    // Folder drag (positions in viewport coordinates).
    bool BeginDrag(const QPoint& pt);
    void DragMove(const QPoint& pt);
    void CancelDrag();
    void DropAt(const QPoint& pt);
    bool IsDragging() const { return m_bDragging; }

    QTreeWidgetItem* SelectedItem() const;
    QTreeWidgetItem* DropHiliteItem() const;
    static bool IsPlaceholder(const QTreeWidgetItem* pItem);
    TRowId GetCurrentFolder() const { return m_nCurrentFolder; }

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;

private:
    void OnSelectionChanged();
    void OnItemExpanded(QTreeWidgetItem* pItem);
    void OnItemCollapsed(QTreeWidgetItem* pItem);
    void RemoveAllItems();
    void AddPlaceholderIfParent(QTreeWidgetItem* pItem);
    void SelectItem(QTreeWidgetItem* pItem);
    void SetDropHilite(QTreeWidgetItem* pItem);
    void EndDragImage();
    CDetailView* Detail() const;

    COrvantisDoc& m_doc;
    bool m_bDragging = false;
    QPersistentModelIndex m_hDragItem;
    QWidget* m_pDragImage = nullptr;
    TRowId m_nCurrentFolder = -1;
    bool m_bSuppressSelect = false;
    bool m_bRemovingAll = false;
    QPersistentModelIndex m_hDropHilite;
    QPoint m_ptPress;
    bool m_bPressOnItem = false;
};
