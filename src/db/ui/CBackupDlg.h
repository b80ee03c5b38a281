#pragma once
// "Backup Einstellungen": the backup folder, the number of copies kept, how
// long the trash keeps deleted entries and the automatic daily backup of the
// open database.

#include <QDialog>
#include <QString>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The folder picker of the "..." button.
class CDirDialog {
public:
    virtual ~CDirDialog() = default;
    // Shows the platform's folder browser; true with m_strPath filled in,
    // false when cancelled. Paths are UTF-8, the title Windows-1252.
    bool Browse();

    std::string m_strPath;
    std::string m_strRoot;  // where the browser starts when nothing is selected
    std::string m_strInitial;
    std::string m_strTitle;
    int m_nImageIndex = 0;
};

class CBackupDlg : public QDialog {
public:
    enum { IDD = 156 };
    // Reads the options of the open database into the controls.
    explicit CBackupDlg(QWidget* pParent = nullptr);

    // OK: checks the folder, stores the three options and closes; stays
    // open with its message when the folder is refused.
    void accept() override;

    // dialog state, exchanged with the controls
    QString m_strDir;
    bool m_bAuto = false;

private:
    void OnChooseDir();

private:
    void UpdateData(bool bSaveAndValidate);

    QLineEdit* m_pEditDir;
    QComboBox* m_pComboCount;
    QComboBox* m_pComboTrash;  // days the reorganisation keeps deleted entries
    QCheckBox* m_pCheckAuto;
    QPushButton* m_pButtonOk;
    QPushButton* m_pButtonCancel;
    QPushButton* m_pButtonBrowse;
    std::string m_strStoredCount;  // kept when no list item is selected
    int m_nStoredTrashDays = 0;
};
