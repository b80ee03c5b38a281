#include "protect/ui/CPasswortDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "protect/CDbPasswort.h"
#include "protect/PasswordCommands.h"
#include "protect/ui/PasswordField.h"
#include "ui/DialogIds.h"
#include "ui/QtText.h"

CPasswortDlg::CPasswortDlg(CDbPasswort& passwort, QWidget* pParent)
    : CPasswortDlg([&passwort](const std::string& str) { return passwort.TestPassword(str); },
                   QStringLiteral("Die Datenbank ist geschützt"), pParent) {}

CPasswortDlg::CPasswortDlg(PasswordCheck fnCheck, const QString& strTitle, QWidget* pParent)
    : QDialog(pParent), m_fnCheck(std::move(fnCheck)) {
    setWindowTitle(strTitle);
    m_pEdit = CreatePasswordField(this, IDC_PASSWORD);
    m_pOk = CreateDialogButton(this, QStringLiteral("OK"), IDOK);
    m_pCancel = CreateDialogButton(this, QStringLiteral("Abbrechen"), IDCANCEL);
    m_pOk->setDefault(true);

    LayOutPasswordDialog(this, {{QStringLiteral("Kennwort:"), m_pEdit}}, {m_pOk, m_pCancel});
    ResizeInDialogUnits(this, 167, 44);

    connect(m_pOk, &QPushButton::clicked, this, &CPasswortDlg::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_pEdit->setFocus();
}

void CPasswortDlg::OnOK() {
    m_strPassword = m_pEdit->text();
    std::string strAnsi;
    // a character it cannot hold makes the password wrong; as '?' it could match
    const EPasswordCheck eCheck = ReadPasswordField(m_pEdit, strAnsi) ? m_fnCheck(strAnsi) : EPasswordCheck::Wrong;
    switch (eCheck) {
        case EPasswordCheck::Right: accept(); return;
        case EPasswordCheck::Unreadable:
            // the reason is shown; the opening ends as if cancelled
            reject();
            return;
        case EPasswordCheck::Wrong: break;
    }
    ReportWrongDatabasePassword();
    m_strPassword.clear();
    m_pEdit->setText(m_strPassword);
    m_pEdit->setFocus();
}
