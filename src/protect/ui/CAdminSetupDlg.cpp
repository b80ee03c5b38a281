#include "protect/ui/CAdminSetupDlg.h"

#include <QPushButton>

#include "protect/CDbAdmin.h"
#include "protect/PasswordCommands.h"

// the first caption is written this way in the program
CAdminSetupDlg::CAdminSetupDlg(QWidget* pParent)
    : CNewPasswordDlg(pParent, QStringLiteral("Administatorfunktionen schützen"), QStringLiteral("Löschen"),
                      IDC_DELETE) {
    if (GetDbAdmin().IsAdminPasswordSet())
        setWindowTitle(QStringLiteral("Administrator-Kennwort ändern"));
    else
        m_pThird->setEnabled(false);
    FitSize();
}

void CAdminSetupDlg::OnOK() {
    std::string strPassword;
    if (!ReadPasswords(strPassword)) return;
    if (!CheckAdminPasswordInput(strPassword, strPassword)) return;
    ApplyAdminPassword(strPassword);  // a refusal has shown its own message
    accept();
}

void CAdminSetupDlg::OnThird() {
    if (!m_pThird->isEnabled()) return;
    if (!ConfirmDeleteAdminPassword()) return;
    DeleteAdminPasswordReport();
    accept();
}
