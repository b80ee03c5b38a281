#include "protect/ui/CAdminSetupDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "protect/CDbAdmin.h"
#include "protect/PasswordCommands.h"
#include "protect/ui/PasswordField.h"

CAdminSetupDlg::CAdminSetupDlg(QWidget* pParent) : QDialog(pParent) {
    // the caption is written this way in the program
    setWindowTitle(QStringLiteral("Administatorfunktionen schützen"));
    m_pPassword = CreatePasswordField(this, IDC_PASSWORD);
    m_pConfirm = CreatePasswordField(this, IDC_CONFIRM);
    m_pOk = CreateDialogButton(this, QStringLiteral("OK"), 1);
    m_pCancel = CreateDialogButton(this, QStringLiteral("Abbrechen"), 2);
    m_pDelete = CreateDialogButton(this, QStringLiteral("Löschen"), IDC_DELETE);
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
    pButtons->addWidget(m_pDelete);
    pButtons->addStretch(1);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pFields, 1);
    pLayout->addLayout(pButtons);
    ResizeInDialogUnits(this, 186, 63);

    if (GetDbAdmin().IsAdminPasswordSet())
        setWindowTitle(QStringLiteral("Administrator-Kennwort ändern"));
    else
        m_pDelete->setEnabled(false);

    connect(m_pOk, &QPushButton::clicked, this, &CAdminSetupDlg::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pDelete, &QPushButton::clicked, this, &CAdminSetupDlg::OnDelete);
    m_pPassword->setFocus();
}

void CAdminSetupDlg::OnOK() {
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
    if (!CheckAdminPasswordInput(strPassword, strPassword)) return;
    ApplyAdminPassword(strPassword);  // a refusal has shown its own message
    accept();
}

void CAdminSetupDlg::OnDelete() {
    if (!m_pDelete->isEnabled()) return;
    if (!ConfirmDeleteAdminPassword()) return;
    DeleteAdminPasswordReport();
    accept();
}
