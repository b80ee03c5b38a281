#include "app/CLeftView.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <functional>

#include "app/CMainFrame.h"
#include "app/COrvantisDoc.h"
#include "edit/CDetailView.h"
#include "tree/CKnowHow.h"
#include "ui/CommandIds.h"
#include "ui/QtText.h"

namespace {
const QString PLACEHOLDER = QStringLiteral(".");

QTreeWidgetItem* NextSibling(QTreeWidgetItem* pItem) {
    if (!pItem) return nullptr;
    QTreeWidgetItem* pParent = pItem->parent();
    QTreeWidget* pTree = pItem->treeWidget();
    if (pParent) {
        int n = pParent->indexOfChild(pItem);
        return n + 1 < pParent->childCount() ? pParent->child(n + 1) : nullptr;
    }
    int n = pTree->indexOfTopLevelItem(pItem);
    return n + 1 < pTree->topLevelItemCount() ? pTree->topLevelItem(n + 1) : nullptr;
}

QTreeWidgetItem* FindBelow(QTreeWidgetItem* pItem, TRowId nId) {
    if (!CLeftView::IsPlaceholder(pItem) && CTreeViewEx::ItemId(pItem) == nId) return pItem;
    for (int i = 0; i < pItem->childCount(); ++i)
        if (QTreeWidgetItem* p = FindBelow(pItem->child(i), nId)) return p;
    return nullptr;
}

bool IsWithin(const QTreeWidgetItem* pItem, const QTreeWidgetItem* pAncestor) {
    for (const QTreeWidgetItem* p = pItem; p; p = p->parent())
        if (p == pAncestor) return true;
    return false;
}
}  // namespace

CLeftView::CLeftView(COrvantisDoc& doc, QWidget* pParent) : CTreeViewEx(pParent), m_doc(doc) {
    setFocusPolicy(Qt::StrongFocus);
    // the tree loads lazily and moves folders itself; Qt's own drag stays off
    setDragEnabled(false);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelectionChanged);
    connect(this, &QTreeWidget::itemExpanded, this, &CLeftView::OnItemExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &CLeftView::OnItemCollapsed);
}

CLeftView::~CLeftView() {
    delete m_pDragImage;
}

CDetailView* CLeftView::Detail() const {
    CMainFrame* pFrame = m_doc.GetFrame();
    return pFrame ? pFrame->GetDetailView() : nullptr;
}

bool CLeftView::IsPlaceholder(const QTreeWidgetItem* pItem) {
    return pItem && ItemId(pItem) == -1 && pItem->text(0) == PLACEHOLDER;
}

QTreeWidgetItem* CLeftView::SelectedItem() const {
    QList<QTreeWidgetItem*> arr = selectedItems();
    return arr.isEmpty() ? nullptr : arr.first();
}

QTreeWidgetItem* CLeftView::DropHiliteItem() const {
    return m_hDropHilite.isValid() ? itemFromIndex(m_hDropHilite) : nullptr;
}

// --- loading -----------------------------------------------------------------------------------

void CLeftView::OnInitialUpdate() {
    RemoveAllItems();
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(10);
    setFont(font);
    CreateImageList();
    RebuildTree();
}

void CLeftView::RemoveAllItems() {
    if (m_bDragging) CancelDrag();
    m_bRemovingAll = true;
    clear();
    m_bRemovingAll = false;
}

void CLeftView::RebuildTree() {
    setUpdatesEnabled(false);
    m_bSuppressSelect = true;
    RemoveAllItems();
    m_bSuppressSelect = false;
    FillChildren(nullptr);
    setUpdatesEnabled(true);
}

void CLeftView::FillChildren(QTreeWidgetItem* pItem) {
    TRowId nFolder = 0;
    if (pItem) {
        // loaded already, or no sub-folders at all
        if (pItem->childCount() == 0 || !IsPlaceholder(pItem->child(0))) return;
        nFolder = ItemId(pItem);
        // the placeholder goes also when the sub-folders have vanished meanwhile
        delete pItem->takeChild(0);
    }
    CKnowHowArray arr;
    m_doc.GetChildren(arr, nFolder, true);
    for (const CKnowHowItem& folder : arr)
        AddPlaceholderIfParent(InsertFolderItem(FromAnsi(folder.Name), folder.ID, IMAGE_CLOSED, pItem));
    if (pItem && !arr.empty()) SetItemImage(pItem, IMAGE_OPEN);
}

void CLeftView::AddPlaceholderIfParent(QTreeWidgetItem* pItem) {
    // the folder shows it can be opened; its sub-folders are read when it is
    if (m_doc.CountChildren(ItemId(pItem), true) < 1) return;
    QTreeWidgetItem* pPlaceholder = InsertFolderItem(PLACEHOLDER, -1, IMAGE_CLOSED, pItem);
    pPlaceholder->setFlags(pPlaceholder->flags() & ~Qt::ItemIsSelectable);
}

void CLeftView::ResetChildren(QTreeWidgetItem* pItem) {
    if (!pItem) return;
    SetItemImage(pItem, IMAGE_CLOSED);
    while (pItem->childCount() > 0) delete pItem->takeChild(0);
    AddPlaceholderIfParent(pItem);
}

void CLeftView::OnItemExpanded(QTreeWidgetItem* pItem) {
    FillChildren(pItem);
}

void CLeftView::OnItemCollapsed(QTreeWidgetItem* pItem) {
    // a selection inside the closed folder moves to the folder itself
    // before its sub-items are dropped
    QTreeWidgetItem* pSelected = SelectedItem();
    if (pSelected && pSelected != pItem && IsWithin(pSelected, pItem)) SelectItem(pItem);
    // the next opening reads the database again
    ResetChildren(pItem);
}

QTreeWidgetItem* CLeftView::FindItem(TRowId nId) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (QTreeWidgetItem* p = FindBelow(topLevelItem(i), nId)) return p;
    return nullptr;
}

void CLeftView::ReloadKeepingPlace() {
    if (m_bDragging) return;
    // the open folders, parents before their children, and the selection
    std::vector<TRowId> arrOpen;
    std::function<void(QTreeWidgetItem*)> collect = [&](QTreeWidgetItem* pItem) {
        if (IsPlaceholder(pItem) || !pItem->isExpanded()) return;
        arrOpen.push_back(ItemId(pItem));
        for (int i = 0; i < pItem->childCount(); ++i) collect(pItem->child(i));
    };
    for (int i = 0; i < topLevelItemCount(); ++i) collect(topLevelItem(i));
    QTreeWidgetItem* pSelected = SelectedItem();
    const TRowId nSelected = pSelected ? ItemId(pSelected) : -1;
    const int nScroll = verticalScrollBar()->value();
    setUpdatesEnabled(false);
    m_bSuppressSelect = true;
    RemoveAllItems();
    FillChildren(nullptr);
    for (TRowId nId : arrOpen)
        if (QTreeWidgetItem* pItem = FindItem(nId)) {
            FillChildren(pItem);
            pItem->setExpanded(true);
        }
    // a folder that is gone leaves no selection: the detail view shows its parent
    if (QTreeWidgetItem* pItem = FindItem(nSelected)) SelectItem(pItem);
    m_bSuppressSelect = false;
    verticalScrollBar()->setValue(nScroll);
    setUpdatesEnabled(true);
}

void CLeftView::RefreshFolder(TRowId nId) {
    if (nId == 0) {
        RebuildTree();
        return;
    }
    if (QTreeWidgetItem* pItem = FindItem(nId)) {
        ResetChildren(pItem);
        FillChildren(pItem);
    }
}

// --- selection -------------------------------------------------------------------------------

void CLeftView::SelectItem(QTreeWidgetItem* pItem) {
    if (!pItem) {
        clearSelection();
        return;
    }
    setCurrentItem(pItem);
    pItem->setSelected(true);
    scrollToItem(pItem);
}

void CLeftView::OnSelectionChanged() {
    if (m_bRemovingAll) return;
    if (QTreeWidgetItem* pItem = SelectedItem()) {
        TRowId nId = ItemId(pItem);
        if (!m_bSuppressSelect) SendPaneMessage(Detail(), WM_SHOW_FOLDER, nId);
        m_nCurrentFolder = nId;
    } else if (topLevelItemCount() > 0) {
        // an empty selection ends on the first top-level folder
        PostPaneMessage(this, this, WM_SHOW_FOLDER, -1);
    }
}

void CLeftView::SelectFolder(TRowId nId) {
    if (nId == 0) {
        RebuildTree();
        return;
    }
    QTreeWidgetItem* pFirst = topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
    if (nId == -1) {
        if (pFirst) SelectItem(pFirst);
        return;
    }
    if (QTreeWidgetItem* pSelected = SelectedItem(); pSelected && ItemId(pSelected) == nId) return;
    if (pFirst) {
        m_bSuppressSelect = true;
        SelectItem(pFirst);
        m_bSuppressSelect = false;
    }
    // the folder, its parent, ..., its top-level ancestor
    std::vector<TRowId> arrChain{nId};
    for (TRowId a = nId; a > 0;) {
        a = m_doc.GetParentId(a);
        // a damaged file may hold a cycle
        if (a <= 0 || std::find(arrChain.begin(), arrChain.end(), a) != arrChain.end()) break;
        arrChain.push_back(a);
    }
    QTreeWidgetItem* pCur = pFirst;
    for (int i = static_cast<int>(arrChain.size()) - 1; i >= 0 && pCur; --i) {
        QTreeWidgetItem* pMatch = nullptr;
        for (QTreeWidgetItem* p = pCur; p; p = NextSibling(p))
            if (!IsPlaceholder(p) && ItemId(p) == arrChain[i]) {
                pMatch = p;
                break;
            }
        pCur = pMatch;
        if (!pMatch) break;
        FillChildren(pMatch);
        pMatch->setExpanded(true);
        if (i > 0) pCur = pMatch->childCount() > 0 ? pMatch->child(0) : nullptr;
    }
    if (pCur && pCur == pFirst) clearSelection();
    SelectItem(pCur);
}

void CLeftView::DeleteSelectedFolder() {
    QTreeWidgetItem* pItem = SelectedItem();
    if (!pItem) return;
    if (!m_doc.DeleteEntryAsk(ItemId(pItem))) return;
    QTreeWidgetItem* pParent = pItem->parent();
    delete pItem;
    SelectItem(pParent);
    if (!pParent) SendPaneMessage(Detail(), WM_SHOW_FOLDER, 0);
}

// --- drop target for the detail view --------------------------------------------------------

void CLeftView::SetDropHilite(QTreeWidgetItem* pItem) {
    if (QTreeWidgetItem* pOld = DropHiliteItem(); pOld && pOld != pItem) {
        pOld->setData(0, Qt::BackgroundRole, QVariant());
        pOld->setData(0, Qt::ForegroundRole, QVariant());
    }
    m_hDropHilite = pItem ? QPersistentModelIndex(indexFromItem(pItem)) : QPersistentModelIndex();
    if (pItem) {
        pItem->setData(0, Qt::BackgroundRole, palette().brush(QPalette::Highlight));
        pItem->setData(0, Qt::ForegroundRole, palette().brush(QPalette::HighlightedText));
    }
}

std::intptr_t CLeftView::DropTargetAt(const QPoint& ptViewport) {
    if (!viewport()->rect().contains(ptViewport)) return -1;
    QTreeWidgetItem* pItem = itemAt(ptViewport);
    if (IsPlaceholder(pItem)) pItem = nullptr;
    SetDropHilite(pItem);
    return pItem ? ItemId(pItem) : 0;
}

std::intptr_t CLeftView::DropTargetTest(bool bTest) {
    if (!bTest) {
        SetDropHilite(nullptr);
        return 0;
    }
    return DropTargetAt(viewport()->mapFromGlobal(QCursor::pos()));
}

// --- folder drag and drop -----------------------------------------------------------------------

bool CLeftView::BeginDrag(const QPoint& pt) {
    if (m_bDragging || m_doc.IsWriteProtected()) return false;
    QTreeWidgetItem* pItem = itemAt(pt);
    if (!pItem || IsPlaceholder(pItem)) return false;
    m_hDragItem = QPersistentModelIndex(indexFromItem(pItem));
    SelectItem(pItem);

    // the drag image: the item's picture and text, following the cursor
    delete m_pDragImage;
    m_pDragImage = new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_pDragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pDragImage->setWindowOpacity(0.7);
    auto* pLayout = new QHBoxLayout(m_pDragImage);
    pLayout->setContentsMargins(2, 1, 2, 1);
    auto* pIcon = new QLabel(m_pDragImage);
    pIcon->setPixmap(pItem->icon(0).pixmap(16, 16));
    auto* pText = new QLabel(pItem->text(0), m_pDragImage);
    pText->setTextFormat(Qt::PlainText);
    pText->setFont(font());
    pLayout->addWidget(pIcon);
    pLayout->addWidget(pText);
    m_pDragImage->adjustSize();
    m_pDragImage->move(viewport()->mapToGlobal(pt));
    m_pDragImage->show();
    // the viewport gets the mouse: the scroll area itself passes mouse
    // events on to its parents, so a grab there would lose the release
    if (isVisible()) viewport()->grabMouse();
    SelectItem(pItem);
    m_bDragging = true;
    return true;
}

void CLeftView::DragMove(const QPoint& pt) {
    if (!m_bDragging) return;
    if (m_pDragImage) m_pDragImage->move(viewport()->mapToGlobal(pt + QPoint(0, 20)));
    QTreeWidgetItem* pItem = viewport()->rect().contains(pt) ? itemAt(pt) : nullptr;
    if (IsPlaceholder(pItem)) pItem = nullptr;
    SetDropHilite(pItem);
}

void CLeftView::EndDragImage() {
    delete m_pDragImage;
    m_pDragImage = nullptr;
    if (QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
    m_bDragging = false;
}

void CLeftView::CancelDrag() {
    if (!m_bDragging) return;
    EndDragImage();
    SetDropHilite(nullptr);
    m_hDragItem = QPersistentModelIndex();
}

void CLeftView::DropAt(const QPoint& pt) {
    if (!m_bDragging) return;
    DragMove(pt);
    EndDragImage();
    QTreeWidgetItem* pDragged = m_hDragItem.isValid() ? itemFromIndex(m_hDragItem) : nullptr;
    QTreeWidgetItem* pTarget = DropHiliteItem();
    SetDropHilite(nullptr);
    m_hDragItem = QPersistentModelIndex();
    // released outside the tree: nothing moves (the folder must not land on
    // the top level by accident)
    if (!pDragged || pTarget == pDragged || !viewport()->rect().contains(pt)) return;

    TRowId nDragged = ItemId(pDragged);
    TRowId nOld = m_doc.GetParentId(nDragged);
    TRowId nTarget = pTarget ? ItemId(pTarget) : 0;
    // a folder cannot go into its own subtree
    if (nTarget > 0 && m_doc.IsInsideFolder(nTarget, nDragged)) return;

    SWriteReport report;
    SayWriteResult(m_doc.MoveToFolder(nDragged, nTarget, &report), report, false);
    SendPaneMessage(this, WM_REFRESH_FOLDER, nOld);
    SendPaneMessage(this, WM_REFRESH_FOLDER, nTarget);
    PostPaneMessage(this, this, WM_SHOW_FOLDER, nDragged);
    // the folder shown (the dragged one, selected when the drag began) stays
    // shown, but its path in the title strip has changed
    if (CDetailView* pDetail = Detail()) m_doc.ShowFolderTitle(pDetail->GetCurrentFolder());
}

// --- mouse and keys --------------------------------------------------------------------------------

void CLeftView::mousePressEvent(QMouseEvent* pEvent) {
    if (m_bDragging) {
        pEvent->accept();
        return;
    }
    if (pEvent->button() == Qt::LeftButton) {
        QTreeWidgetItem* pItem = itemAt(pEvent->position().toPoint());
        if (IsPlaceholder(pItem)) pItem = nullptr;
        SelectItem(pItem);
        m_ptPress = pEvent->position().toPoint();
        m_bPressOnItem = pItem != nullptr;
    }
    CTreeViewEx::mousePressEvent(pEvent);
}

void CLeftView::mouseMoveEvent(QMouseEvent* pEvent) {
    QPoint pt = pEvent->position().toPoint();
    if (m_bDragging) {
        DragMove(pt);
        return;
    }
    if (pEvent->buttons() & Qt::LeftButton) {
        // a press on a folder becomes a drag once the mouse has moved far enough;
        // moving with the button down never drags the selection along
        if (m_bPressOnItem && (pt - m_ptPress).manhattanLength() >= QApplication::startDragDistance()) {
            m_bPressOnItem = false;
            if (BeginDrag(m_ptPress)) DragMove(pt);
        }
        return;
    }
    CTreeViewEx::mouseMoveEvent(pEvent);
}

void CLeftView::mouseReleaseEvent(QMouseEvent* pEvent) {
    m_bPressOnItem = false;
    if (m_bDragging && pEvent->button() == Qt::LeftButton) {
        DropAt(pEvent->position().toPoint());
        return;
    }
    CTreeViewEx::mouseReleaseEvent(pEvent);
}

void CLeftView::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    QTreeWidgetItem* pItem = itemAt(pEvent->position().toPoint());
    if (!pItem || IsPlaceholder(pItem)) return;
    SelectItem(pItem);
    FillChildren(pItem);
    CTreeViewEx::mouseDoubleClickEvent(pEvent);
}

void CLeftView::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Escape && m_bDragging) {
        CancelDrag();
        pEvent->accept();
        return;
    }
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        // Alt+Enter belongs to the frame (focus to the detail view)
        if (pEvent->modifiers() & Qt::AltModifier) {
            pEvent->ignore();
            return;
        }
        if (QTreeWidgetItem* pItem = SelectedItem()) {
            FillChildren(pItem);
            pItem->setExpanded(!pItem->isExpanded());
        }
        pEvent->accept();
        return;
    }
    CTreeViewEx::keyPressEvent(pEvent);
}

void CLeftView::focusInEvent(QFocusEvent* pEvent) {
    CTreeViewEx::focusInEvent(pEvent);
    PostPaneCommand(Detail(), Detail(), ID_DETAIL_END_EDIT);
}

// --- commands and messages -------------------------------------------------------------------------

bool CLeftView::OnCommand(int nId) {
    QTreeWidgetItem* pSelected = SelectedItem();
    TRowId nSelected = pSelected ? ItemId(pSelected) : 0;
    switch (nId) {
        case ID_ENTRY_DELETE: DeleteSelectedFolder(); return true;
        case ID_FOLDER_CREATE:
            // the detail view creates the folder
            m_doc.ActivatePane(PANE_DETAIL);
            if (CDetailView* pDetail = Detail()) pDetail->OnCommand(ID_FOLDER_CREATE);
            return true;
        case ID_STRUCTURE_IMPORT: m_doc.ImportStructureAsk(nSelected); return true;
        case ID_STRUCTURE_EXPORT: m_doc.ExportStructureAsk(nSelected); return true;
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW:
            m_doc.PrintFolder(window(), m_nCurrentFolder, nId == ID_FILE_PRINT_PREVIEW);
            return true;
        default: return false;
    }
}

bool CLeftView::OnUpdateCommand(int nId, SCommandState& state) {
    bool bUnprotected = !m_doc.IsWriteProtected();
    switch (nId) {
        case ID_ENTRY_DELETE: state.bEnabled = SelectedItem() != nullptr && bUnprotected; return true;
        case ID_FOLDER_CREATE:
        case ID_STRUCTURE_IMPORT: state.bEnabled = bUnprotected; return true;
        case ID_STRUCTURE_EXPORT:
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW: state.bEnabled = true; return true;
        default: return false;
    }
}

std::intptr_t CLeftView::OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t) {
    switch (nMsg) {
        case WM_SHOW_FOLDER: SelectFolder(static_cast<TRowId>(wParam)); return 0;
        case WM_DROP_TARGET: return DropTargetTest(wParam != 0);
        case WM_REFRESH_FOLDER: RefreshFolder(static_cast<TRowId>(wParam)); return 0;
        case WM_COMMAND:
            switch (wParam) {
                case ID_TREE_REFRESH:
                    if (QTreeWidgetItem* pItem = SelectedItem()) {
                        ResetChildren(pItem);
                        FillChildren(pItem);
                    } else {
                        RebuildTree();
                    }
                    return 1;
                case ID_DETAIL_RESET: RemoveAllItems(); return 1;
                default: return OnCommand(static_cast<int>(wParam)) ? 1 : 0;
            }
        default: return 0;
    }
}
