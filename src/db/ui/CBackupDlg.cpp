#include "db/ui/CBackupDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "db/CBackupSettings.h"
#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

bool CDirDialog::Browse() {
    std::string strTitle = m_strTitle.empty() ? std::string("Open") : m_strTitle;
    std::string strStart = m_strInitial.empty() ? m_strRoot : m_strInitial;
    std::string strChosen;
    if (!GetPlatform().BrowseFolder(strTitle, strStart, strChosen) || strChosen.empty()) return false;
    m_strPath = strChosen;
    return true;
}

CBackupDlg::CBackupDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Backup Einstellungen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    CDialogUnits du(this);
    setFixedSize(du.Size(189, 117));

    // created in tab order
    m_pEditDir = new QLineEdit(this);
    m_pEditDir->setObjectName("editBackupDir");
    m_pEditDir->setGeometry(du.Rect(7, 17, 156, 12));
    m_pComboCount = new QComboBox(this);
    m_pComboCount->setObjectName("comboBackupCount");
    m_pComboCount->setGeometry(du.Rect(112, 36, 70, 12));
    m_pComboTrash = new QComboBox(this);
    m_pComboTrash->setObjectName("comboTrashDays");
    m_pComboTrash->setGeometry(du.Rect(112, 55, 70, 12));
    m_pCheckAuto = new QCheckBox(QStringLiteral("Automatisches tägliches Backup"), this);
    m_pCheckAuto->setObjectName("checkBackupAuto");
    m_pCheckAuto->setGeometry(du.Rect(7, 74, 121, 11));
    m_pButtonOk = new QPushButton(QStringLiteral("OK"), this);
    m_pButtonOk->setObjectName("buttonOk");
    m_pButtonOk->setGeometry(du.Rect(77, 96, 50, 14));
    m_pButtonOk->setDefault(true);
    m_pButtonCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_pButtonCancel->setObjectName("buttonCancel");
    m_pButtonCancel->setGeometry(du.Rect(132, 96, 50, 14));
    auto* pLabelCount = new QLabel(QStringLiteral("Maximale Anzahl der Backup's "), this);
    pLabelCount->setGeometry(du.Rect(7, 38, 103, 9));
    pLabelCount->setBuddy(m_pComboCount);
    auto* pLabelTrash = new QLabel(QStringLiteral("Papierkorb aufheben (Tage)"), this);
    pLabelTrash->setGeometry(du.Rect(7, 57, 103, 9));
    pLabelTrash->setBuddy(m_pComboTrash);
    auto* pLabelDir = new QLabel(QStringLiteral("Abweichendes Backupverzeichnis"), this);
    pLabelDir->setGeometry(du.Rect(7, 7, 121, 9));
    pLabelDir->setBuddy(m_pEditDir);
    m_pButtonBrowse = new QPushButton(QStringLiteral("..."), this);
    m_pButtonBrowse->setObjectName("buttonBrowse");
    m_pButtonBrowse->setGeometry(du.Rect(168, 17, 14, 12));
    m_pButtonBrowse->setAutoDefault(false);
    m_pButtonCancel->setAutoDefault(false);
    setTabOrder(m_pEditDir, m_pComboCount);
    setTabOrder(m_pComboCount, m_pComboTrash);
    setTabOrder(m_pComboTrash, m_pCheckAuto);
    setTabOrder(m_pCheckAuto, m_pButtonOk);
    setTabOrder(m_pButtonOk, m_pButtonCancel);
    setTabOrder(m_pButtonCancel, m_pButtonBrowse);

    connect(m_pButtonOk, &QPushButton::clicked, this, &CBackupDlg::accept);
    connect(m_pButtonCancel, &QPushButton::clicked, this, &CBackupDlg::reject);
    connect(m_pButtonBrowse, &QPushButton::clicked, this, &CBackupDlg::OnChooseDir);

    // initialisation
    for (const auto& str : BackupCountChoices()) m_pComboCount->addItem(FromAnsi(str));
    SBackupSettings settings = ReadBackupSettings();
    m_strDir = QString::fromStdString(settings.strDir);
    m_bAuto = settings.bAuto;
    m_strStoredCount = settings.strCount;
    int nSelect = -1;
    if (settings.strCount.empty()) {
        nSelect = 0;
    } else {
        // the first item that begins with the stored text, "unbegrenzt" last;
        // "10" thus selects "10", not "100"
        QString strCount = FromAnsi(settings.strCount);
        int nItems = m_pComboCount->count();
        for (int i = 1; i <= nItems && nSelect < 0; ++i)
            if (m_pComboCount->itemText(i % nItems).startsWith(strCount, Qt::CaseInsensitive)) nSelect = i % nItems;
    }
    m_pComboCount->setCurrentIndex(nSelect);
    for (const auto& str : TrashKeepDaysChoices()) m_pComboTrash->addItem(FromAnsi(str));
    int nDays = TRASH_KEEP_DAYS_DEFAULT;
    ReadTrashKeepDays(nDays);  // an unreadable setting shows the default
    m_nStoredTrashDays = nDays;
    int nTrashIndex = m_pComboTrash->findText(nDays == 0 ? QStringLiteral("unbegrenzt") : QString::number(nDays));
    // a number stored elsewhere that is no choice stands as its own item
    if (nTrashIndex < 0) {
        m_pComboTrash->addItem(QString::number(nDays));
        nTrashIndex = m_pComboTrash->count() - 1;
    }
    m_pComboTrash->setCurrentIndex(nTrashIndex);
    UpdateData(false);
    m_pEditDir->setFocus();
}

void CBackupDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strDir = m_pEditDir->text();
        m_bAuto = m_pCheckAuto->isChecked();
    } else {
        m_pEditDir->setText(m_strDir);
        m_pCheckAuto->setChecked(m_bAuto);
    }
}

void CBackupDlg::OnChooseDir() {
    UpdateData(true);
    std::string strOwnFolder = GetFolderPart(GetDatabase().GetFilePath());
    if (m_strDir.isEmpty()) m_strDir = QString::fromStdString(strOwnFolder);
    CDirDialog dlg;
    dlg.m_strTitle = Ansi("Backup-Verzeichnis auswählen");
    dlg.m_strInitial = m_strDir.toStdString();
    if (dlg.Browse()) m_strDir = QString::fromStdString(dlg.m_strPath);
    // the database's own folder is stored as the empty text: no other folder
    if (m_strDir.toStdString() == strOwnFolder) m_strDir.clear();
    UpdateData(false);
}

void CBackupDlg::accept() {
    UpdateData(true);
    SBackupSettings settings;
    settings.strDir = m_strDir.toStdString();
    if (!CheckBackupDir(settings.strDir)) return;  // the message is shown; stay
    int nIndex = m_pComboCount->currentIndex();
    // a stored count that matches no item stays as it is
    settings.strCount = nIndex < 0 ? m_strStoredCount : BackupCountValue(ToAnsi(m_pComboCount->itemText(nIndex)));
    settings.bAuto = m_bAuto;
    WriteBackupSettings(settings);
    const int nDays = TrashKeepDaysValue(ToAnsi(m_pComboTrash->currentText()));
    // an unchanged setting creates no trash table in a file that has none
    if (nDays != m_nStoredTrashDays) (void)WriteTrashKeepDays(nDays);
    QDialog::accept();
}
