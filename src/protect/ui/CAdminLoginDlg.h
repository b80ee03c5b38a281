#pragma once
// Logs the administrator in or out (command "Administrator Anmeldung...").

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class CAdminLoginDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 159, IDC_PASSWORD = 1018, IDC_LOGOUT = 1025, IDC_LOGIN = 1026 };

    explicit CAdminLoginDlg(QWidget* pParent = nullptr);

private slots:
    void OnLogin();
    void OnLogout();

private:
    QString m_strPassword;
    QLineEdit* m_pEdit = nullptr;
    QPushButton* m_pLogin = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pLogout = nullptr;
};
