#pragma once
// "Papierkorb": what was deleted, with its keyword, folder, time, user and
// number of entries; restores a delete, purges one or all of them.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "tree/CKnowHowTrash.h"

class QPushButton;
class QTableWidget;

class CTrashDlg : public QDialog {
public:
    // bWritable false (write protection): the list only.
    CTrashDlg(QWidget* pParent, CKnowHow& service, bool bWritable);

    // Called after a restore with the restored entry's ID, so that the tree
    // and the view show it.
    void SetRestoredHook(std::function<void(TRowId)> fn) { m_fnRestored = std::move(fn); }

    QTableWidget* GetList() const { return m_pList; }
    // false when the trash could not be read (shown already)
    bool Reload();
    void OnRestore();
    void OnPurge();
    void OnEmpty();

private:
    // The delete of the selected line; 0 when none is selected.
    std::int64_t SelectedNr() const;
    void UpdateButtons();

    CKnowHow& m_service;
    bool m_bWritable;
    std::vector<STrashItem> m_arrItems;
    std::function<void(TRowId)> m_fnRestored;
    QTableWidget* m_pList;
    QPushButton* m_pButtonRestore;
    QPushButton* m_pButtonPurge;
    QPushButton* m_pButtonEmpty;
    QPushButton* m_pButtonClose;
};
