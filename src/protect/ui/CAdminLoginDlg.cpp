#include "protect/ui/CAdminLoginDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "protect/CDbAdmin.h"
#include "protect/PasswordCommands.h"
#include "protect/ui/PasswordField.h"
#include "ui/DialogIds.h"

CAdminLoginDlg::CAdminLoginDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Administrator Anmeldung"));
    m_pEdit = CreatePasswordField(this, IDC_PASSWORD);
    m_pLogin = CreateDialogButton(this, QStringLiteral("Login"), IDC_LOGIN);
    m_pCancel = CreateDialogButton(this, QStringLiteral("Abbrechen"), IDCANCEL);
    m_pLogout = CreateDialogButton(this, QStringLiteral("Logout"), IDC_LOGOUT);
    m_pLogin->setDefault(true);

    LayOutPasswordDialog(this, {{QStringLiteral("Kennwort:"), m_pEdit}}, {m_pLogin, m_pCancel, m_pLogout});
    ResizeInDialogUnits(this, 169, 44);

    if (GetDbAdmin().IsUnlocked()) {
        m_pLogin->setEnabled(false);
        m_pEdit->setEnabled(false);
    } else {
        m_pLogout->setEnabled(false);
    }

    connect(m_pLogin, &QPushButton::clicked, this, &CAdminLoginDlg::OnLogin);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pLogout, &QPushButton::clicked, this, &CAdminLoginDlg::OnLogout);
    m_pEdit->setFocus();
}

void CAdminLoginDlg::OnLogin() {
    if (!m_pLogin->isEnabled()) return;
    m_strPassword = m_pEdit->text();
    std::string strAnsi;
    // a character it cannot hold makes the password wrong; as '?' it could match
    if (!ReadPasswordField(m_pEdit, strAnsi)) {
        ReportWrongAdminPassword();
    } else if (AdminLoginReport(strAnsi)) {
        accept();
        return;
    }
    m_strPassword.clear();
    m_pEdit->setText(m_strPassword);
    m_pEdit->setFocus();
}

void CAdminLoginDlg::OnLogout() {
    if (!m_pLogout->isEnabled()) return;
    AdminLogoutReport();
    accept();
}
