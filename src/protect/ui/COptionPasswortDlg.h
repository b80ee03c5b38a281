#pragma once
// Sets, changes or removes the database password (command "Datenbank
// verschlüsseln...").

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class COptionPasswortDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 153, IDC_PASSWORD = 1017, IDC_CONFIRM = 1018, IDC_UNPROTECT = 3 };

    explicit COptionPasswortDlg(QWidget* pParent = nullptr);

private slots:
    void OnOK();
    void OnUnprotect();

private:
    QString m_strPassword;
    QString m_strConfirm;
    QLineEdit* m_pPassword = nullptr;
    QLineEdit* m_pConfirm = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pUnprotect = nullptr;
};
