#pragma once
// A tree of folder items: the tree control, its two images (closed and open
// folder) and the insertion of items carrying a folder ID.

#include <QTreeWidget>
#include <cstdint>

#include "table/CTableItem.h"

class CTreeViewEx : public QTreeWidget {
    Q_OBJECT
public:
    explicit CTreeViewEx(QWidget* pParent = nullptr);

    enum { IMAGE_CLOSED = 0, IMAGE_OPEN = 1 };

    // Appends an item as last child of pParent (null: top level).
    QTreeWidgetItem* InsertFolderItem(const QString& strText, TRowId nId, int nImage, QTreeWidgetItem* pParent);
    static TRowId ItemId(const QTreeWidgetItem* pItem);
    void SetItemImage(QTreeWidgetItem* pItem, int nImage);
    static int ItemImage(const QTreeWidgetItem* pItem);

protected:
    // Keeps the one column as wide as the widest name shown, so a long name
    // is scrolled to rather than cut, but never narrower than the pane, so
    // a click right of a short name still lands on its row.
    void updateGeometries() override;
    // Loads the two folder images once.
    void CreateImageList();
    bool m_bImagesLoaded = false;
    QIcon m_arrImages[2];

private:
    bool m_bFittingColumn = false;
};
