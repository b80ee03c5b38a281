#include "edit/CLinkDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "db/CDB.h"
#include "edit/LinkTarget.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/DialogIds.h"
#include "ui/QtText.h"

namespace {
const char* const kCaption = "Verknüpfung erstellen bzw. ändern";

QPushButton* AddButton(QBoxLayout* pLayout, const char* pszText, int nId) {
    auto* pButton = new QPushButton(QString::fromUtf8(pszText));
    pButton->setObjectName(QStringLiteral("button%1").arg(nId));
    pButton->setAutoDefault(false);
    pLayout->addWidget(pButton);
    return pButton;
}
}  // namespace

CLinkDlg::CLinkDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("Verknüpfung (Datei, Programm, Internet- oder Mailadresse )")));
    m_pEdit = new QLineEdit;
    m_pEdit->setObjectName(QStringLiteral("edit%1").arg(IDC_LINK_EDIT));
    m_pEdit->setMinimumWidth(560);
    pLayout->addWidget(m_pEdit);
    auto* pButtons = new QHBoxLayout;
    QPushButton* pFile = AddButton(pButtons, "&Datei", IDC_LINK_FILE);
    QPushButton* pTest = AddButton(pButtons, "&Test", IDC_LINK_TEST);
    pButtons->addStretch(1);
    QPushButton* pOk = AddButton(pButtons, "&OK", IDOK);
    pOk->setDefault(true);
    QPushButton* pDelete = AddButton(pButtons, "&Löschen", IDC_LINK_DELETE);
    QPushButton* pCancel = AddButton(pButtons, "&Abbrechen", IDCANCEL);
    pLayout->addLayout(pButtons);
    connect(pFile, &QPushButton::clicked, this, &CLinkDlg::OnFile);
    connect(pTest, &QPushButton::clicked, this, &CLinkDlg::OnTest);
    connect(pOk, &QPushButton::clicked, this, &CLinkDlg::accept);
    connect(pDelete, &QPushButton::clicked, this, &CLinkDlg::OnDelete);
    connect(pCancel, &QPushButton::clicked, this, &CLinkDlg::reject);
}

void CLinkDlg::showEvent(QShowEvent* pEvent) {
    if (!m_bStarted) {
        m_bStarted = true;
        m_strLink = m_item.Link;
        m_pEdit->setText(FromAnsi(m_strLink));
    }
    QDialog::showEvent(pEvent);
}

bool CLinkDlg::TakeLinkText(std::string& strLink) {
    const QString strText = m_pEdit->text();
    if (!IsAnsiRepresentable(strText)) {
        GetPlatform().MessageBox(Ansi("Die Verknüpfung enthält Zeichen, die nicht gespeichert werden können.\n\n"
                                      "Bitte wählen Sie einen anderen Namen oder Pfad."),
                                 Ansi(kCaption), EMsgIcon::Exclamation, EMsgButtons::Ok);
        m_pEdit->setFocus();
        return false;
    }
    strLink = ToAnsi(strText);
    return true;
}

void CLinkDlg::OnFile() {
    std::string strPath;
    // linked files usually lie beside the database (on the same share)
    const std::string strFolder = std::filesystem::path(GetDatabase().GetFilePath()).parent_path().string();
    if (!GetPlatform().FileDialog(true, Ansi("Verknüpfte Datei auswählen"), Ansi("Alle Dateien (*.*)|*.*||"), "", "",
                                  strFolder, strPath))
        return;
    // file paths are the file system's bytes (UTF-8)
    m_pEdit->setText(QString::fromUtf8(strPath.c_str(), static_cast<qsizetype>(strPath.size())));
    m_strLink = ToAnsi(m_pEdit->text());
}

void CLinkDlg::OnTest() {
    std::string strLink;
    if (TakeLinkText(strLink)) OpenLink(strLink);
}

void CLinkDlg::OnDelete() {
    m_strLink.clear();
    m_pEdit->clear();
    accept();
}

void CLinkDlg::accept() {
    std::string strLink;
    if (!TakeLinkText(strLink)) return;
    m_strLink = strLink;
    // taken as typed, without trimming
    if (!m_strLink.empty()) {
        m_item.SetLink(m_strLink);
        m_item.SetTyp(1);
    } else {
        m_item.SetLink(std::string());
        m_item.SetTyp(0);
    }
    QDialog::accept();
}

const char* CLinkDlg::ShellErrorText(int nCode) {
    switch (nCode) {
        case 2: return "Datei nicht gefunden.";
        case 3: return "Das Verzeichnis wurde nicht gefunden.";
        case 5: return "Zugriff verweigert.";
        case 8: return "Nicht genug Speicher vorhanden.";
        case 11: return "Fehlerhafte Datei.";
        case 26: return "Die Datei wird zur Zeit von einen anderen Benutzer verwendet";
        case 27: return "Zuordnung des Standardprogramms zum öffnen der Datei ist fehlerhaft.";
        case 28: return "SE_ERR_DDETIMEOUT";
        case 29: return "SE_ERR_DDEFAIL";
        case 30: return "SE_ERR_DDEBUSY";
        case 31: return "Kein Standardprogramm zum öffnen der Datei gefunden.";
        case 32: return "Datei nicht gefunden.";
        default: return nullptr;
    }
}

int CLinkDlg::OpenLink(const std::string& strLink) {
    // a program, or a scheme that may do anything, runs only when the user
    // has seen where it goes
    if (ClassifyLink(strLink) != ELinkKind::Plain &&
        GetPlatform().MessageBox(Ansi("Soll ") + strLink + Ansi(" geöffnet werden?"), std::string(), EMsgIcon::Question,
                                 EMsgButtons::YesNo) != EMsgResult::Yes)
        return 1;
    const int nResult = GetPlatform().ShellOpen(strLink);
    if (const char* pszError = ShellErrorText(nResult)) {
        GetPlatform().MessageBox(
            Ansi("Fehler beim Öffnen der Datei !\n\n") + Ansi(pszError) + Ansi("\n\nDatei: ") + strLink, std::string(),
            EMsgIcon::Exclamation, EMsgButtons::Ok);
    }
    return 1;
}

#include "moc_CLinkDlg.cpp"
