#include "app/CTreeViewEx.h"

#include <QHeaderView>

#include "ui/Icons.h"

namespace {
constexpr int ROLE_ID = Qt::UserRole;
constexpr int ROLE_IMAGE = Qt::UserRole + 1;
}  // namespace

CTreeViewEx::CTreeViewEx(QWidget* pParent) : QTreeWidget(pParent) {
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setFrameShape(QFrame::StyledPanel);
    // the column follows the names (updateGeometries), not the pane
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void CTreeViewEx::updateGeometries() {
    QTreeWidget::updateGeometries();
    if (m_bFittingColumn) return;
    const int nWidth = qMax(sizeHintForColumn(0), viewport()->width());
    if (header()->sectionSize(0) == nWidth) return;
    m_bFittingColumn = true;
    header()->resizeSection(0, nWidth);
    QTreeWidget::updateGeometries();
    m_bFittingColumn = false;
}

void CTreeViewEx::CreateImageList() {
    if (m_bImagesLoaded) return;
    m_arrImages[IMAGE_CLOSED] = QIcon(GetBitmap(IDB_ENTRY_FOLDER));
    m_arrImages[IMAGE_OPEN] = QIcon(GetBitmap(IDB_FOLDER_OPEN));
    m_bImagesLoaded = true;
}

QTreeWidgetItem* CTreeViewEx::InsertFolderItem(const QString& strText, TRowId nId, int nImage,
                                               QTreeWidgetItem* pParent) {
    auto* pItem = new QTreeWidgetItem(QStringList(strText));
    pItem->setData(0, ROLE_ID, static_cast<qlonglong>(nId));
    if (pParent)
        pParent->addChild(pItem);
    else
        addTopLevelItem(pItem);
    SetItemImage(pItem, nImage);
    return pItem;
}

TRowId CTreeViewEx::ItemId(const QTreeWidgetItem* pItem) {
    return pItem ? pItem->data(0, ROLE_ID).toLongLong() : 0;
}

void CTreeViewEx::SetItemImage(QTreeWidgetItem* pItem, int nImage) {
    if (!pItem) return;
    pItem->setData(0, ROLE_IMAGE, nImage);
    if (m_bImagesLoaded && nImage >= 0 && nImage <= 1) pItem->setIcon(0, m_arrImages[nImage]);
}

int CTreeViewEx::ItemImage(const QTreeWidgetItem* pItem) {
    return pItem ? pItem->data(0, ROLE_IMAGE).toInt() : -1;
}
