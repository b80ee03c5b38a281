#include "protect/ui/COptionPasswortDlg.h"

#include <QPushButton>

#include "protect/CDbPasswort.h"
#include "protect/PasswordCommands.h"

COptionPasswortDlg::COptionPasswortDlg(QWidget* pParent)
    : CNewPasswordDlg(pParent, QStringLiteral("Datenbank verschlüsseln"), QStringLiteral("Endschützen"),
                      IDC_UNPROTECT) {
    if (GetDbPasswort().IsProtected())
        setWindowTitle(QStringLiteral("Datenbank Verschlüsselung ändern"));
    else
        m_pThird->hide();
    FitSize();
}

void COptionPasswortDlg::OnOK() {
    std::string strPassword;
    if (!ReadPasswords(strPassword)) return;
    if (!CheckDbPasswordInput(strPassword, strPassword, GetDbPasswort().IsProtected())) return;
    ApplyDatabasePassword(strPassword);
    accept();
}

void COptionPasswortDlg::OnThird() {
    if (!ConfirmRemoveDatabasePassword()) return;
    RemoveDatabasePassword();
    accept();
}
