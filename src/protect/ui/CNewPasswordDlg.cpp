#include "protect/ui/CNewPasswordDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "protect/PasswordCommands.h"
#include "protect/ui/PasswordField.h"
#include "ui/DialogIds.h"

CNewPasswordDlg::CNewPasswordDlg(QWidget* pParent, const QString& strCaption, const QString& strThird, int nThirdId)
    : QDialog(pParent) {
    setWindowTitle(strCaption);
    m_pPassword = CreatePasswordField(this, IDC_PASSWORD);
    m_pConfirm = CreatePasswordField(this, IDC_CONFIRM);
    m_pOk = CreateDialogButton(this, QStringLiteral("OK"), IDOK);
    m_pCancel = CreateDialogButton(this, QStringLiteral("Abbrechen"), IDCANCEL);
    m_pThird = CreateDialogButton(this, strThird, nThirdId);
    m_pOk->setDefault(true);
    LayOutPasswordDialog(this,
                         {{QStringLiteral("Kennwort:"), m_pPassword}, {QStringLiteral("Kontrolleingabe:"), m_pConfirm}},
                         {m_pOk, m_pCancel, m_pThird});

    connect(m_pOk, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pThird, &QPushButton::clicked, this, [this] { OnThird(); });
    m_pPassword->setFocus();
}

void CNewPasswordDlg::FitSize() {
    ResizeInDialogUnits(this, 186, 63);
}

bool CNewPasswordDlg::ReadPasswords(std::string& strAnsi) {
    m_strPassword = m_pPassword->text();
    m_strConfirm = m_pConfirm->text();
    // compared as typed: two texts may differ only in what Windows-1252 cannot hold
    if (m_strPassword != m_strConfirm) {
        ReportPasswordMismatch();
        return false;
    }
    if (!ReadPasswordField(m_pPassword, strAnsi)) {
        ReportUnusablePasswordCharacters();
        return false;
    }
    return true;
}
