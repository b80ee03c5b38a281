#pragma once
// Sets, changes or deletes the administrator password (command
// "Administrator Funktionen schützen...").

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class CAdminSetupDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 158, IDC_PASSWORD = 1017, IDC_CONFIRM = 1018, IDC_DELETE = 5 };

    explicit CAdminSetupDlg(QWidget* pParent = nullptr);

private slots:
    void OnOK();
    void OnDelete();

private:
    QString m_strPassword;
    QString m_strConfirm;
    QLineEdit* m_pPassword = nullptr;
    QLineEdit* m_pConfirm = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pDelete = nullptr;
};
