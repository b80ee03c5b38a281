#pragma once
// "Aus Sicherung wiederherstellen": the backup copies of the open database
// with date and size; the chosen one is opened read-only (its password asked
// when it has its own) and its tree shown; the chosen entry or folder is
// copied with all its texts to the end of the folder selected in the window.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protect/CCopyRestore.h"

class CKnowHow;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CRestoreDlg : public QDialog {
    Q_OBJECT
public:
    // nTarget: the folder the entry goes to; strTargetPath its keyword path
    // (Windows-1252, empty for Hauptordner).
    CRestoreDlg(CKnowHow& service, TRowId nTarget, const std::string& strTargetPath, QWidget* pParent = nullptr);
    ~CRestoreDlg() override;

    // The ID the restored entry got; 0 while nothing was restored.
    TRowId GetRestoredId() const { return m_nRestoredId; }

private slots:
    void OnCopyChosen();
    void OnEntryChosen();
    void OnExpand(QTreeWidgetItem* pItem);
    void OnRestore();

private:
    // Opens the copy of that row of the list and shows its tree.
    void OpenCopy(int nRow);
    bool Unlock();
    // The children of nFolder in the copy below pParent (top level when null).
    void FillChildren(QTreeWidgetItem* pParent, TRowId nFolder);

    CKnowHow& m_service;
    TRowId m_nTarget;
    TRowId m_nRestoredId = 0;
    std::vector<SBackupCopy> m_arrCopies;
    CBackupCopyReader m_copy;
    QTreeWidget* m_pCopies = nullptr;
    QTreeWidget* m_pTree = nullptr;
    QLabel* m_pState = nullptr;
    QPushButton* m_pRestore = nullptr;
    QPushButton* m_pClose = nullptr;
};
