#pragma once
// A tree of folder items: the tree control, its two images (closed and open
// folder) and the insertion of items carrying a folder ID.

#include <QTreeWidget>
#include <cstdint>

class CTreeViewEx : public QTreeWidget {
    Q_OBJECT
public:
    explicit CTreeViewEx(QWidget* pParent = nullptr);

    enum { IMAGE_CLOSED = 0, IMAGE_OPEN = 1 };

    // Appends an item as last child of pParent (null: top level).
    QTreeWidgetItem* InsertFolderItem(const QString& strText, std::int32_t nId, int nImage, QTreeWidgetItem* pParent);
    static std::int32_t ItemId(const QTreeWidgetItem* pItem);
    void SetItemImage(QTreeWidgetItem* pItem, int nImage);
    static int ItemImage(const QTreeWidgetItem* pItem);

protected:
    // Loads the two folder images once.
    void CreateImageList();
    bool m_bImagesLoaded = false;
    QIcon m_arrImages[2];
};
