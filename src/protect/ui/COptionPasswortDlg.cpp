#include "protect/ui/COptionPasswortDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "protect/CDbPasswort.h"
#include "protect/PasswordCommands.h"
#include "protect/ui/PasswordField.h"

COptionPasswortDlg::COptionPasswortDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Datenbank verschlüsseln"));
    m_pPassword = CreatePasswordField(this, IDC_PASSWORD);
    m_pConfirm = CreatePasswordField(this, IDC_CONFIRM);
    m_pOk = CreateDialogButton(this, QStringLiteral("OK"), 1);
    m_pCancel = CreateDialogButton(this, QStringLiteral("Abbrechen"), 2);
    m_pUnprotect = CreateDialogButton(this, QStringLiteral("Endschützen"), IDC_UNPROTECT);
    m_pOk->setDefault(true);

    auto* pFields = new QGridLayout;
    pFields->addWidget(new QLabel(QStringLiteral("Kennwort:"), this), 0, 0);
    pFields->addWidget(m_pPassword, 0, 1);
    pFields->addWidget(new QLabel(QStringLiteral("Kontrolleingabe:"), this), 1, 0);
    pFields->addWidget(m_pConfirm, 1, 1);
    pFields->setRowStretch(2, 1);
    auto* pButtons = new QVBoxLayout;
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(m_pCancel);
    pButtons->addWidget(m_pUnprotect);
    pButtons->addStretch(1);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pFields, 1);
    pLayout->addLayout(pButtons);

    if (GetDbPasswort().IsProtected())
        setWindowTitle(QStringLiteral("Datenbank Verschlüsselung ändern"));
    else
        m_pUnprotect->hide();
    ResizeInDialogUnits(this, 186, 63);

    connect(m_pOk, &QPushButton::clicked, this, &COptionPasswortDlg::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pUnprotect, &QPushButton::clicked, this, &COptionPasswortDlg::OnUnprotect);
    m_pPassword->setFocus();
}

void COptionPasswortDlg::OnOK() {
    m_strPassword = m_pPassword->text();
    m_strConfirm = m_pConfirm->text();
    // compared as typed: two texts may differ only in what Windows-1252 cannot hold
    if (m_strPassword != m_strConfirm) {
        ReportPasswordMismatch();
        return;
    }
    std::string strPassword;
    if (!ReadPasswordField(m_pPassword, strPassword)) {
        ReportUnusablePasswordCharacters();
        return;
    }
    if (!CheckDbPasswordInput(strPassword, strPassword, GetDbPasswort().IsProtected())) return;
    ApplyDatabasePassword(strPassword);
    accept();
}

void COptionPasswortDlg::OnUnprotect() {
    if (!ConfirmRemoveDatabasePassword()) return;
    RemoveDatabasePassword();
    accept();
}
