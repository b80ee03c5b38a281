#include "protect/ui/CRestoreDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/Platform.h"
#include "protect/ui/CPasswortDlg.h"
#include "tree/CKnowHow.h"
#include "ui/DialogIds.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

namespace {
constexpr int kIdRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;
}  // namespace

CRestoreDlg::CRestoreDlg(CKnowHow& service, TRowId nTarget, const std::string& strTargetPath, QWidget* pParent)
    : QDialog(pParent), m_service(service), m_nTarget(nTarget) {
    setWindowTitle(QStringLiteral("Aus Sicherung wiederherstellen"));

    m_pCopies = new QTreeWidget(this);
    m_pCopies->setObjectName(QStringLiteral("listCopies"));
    m_pCopies->setRootIsDecorated(false);
    m_pCopies->setHeaderLabels({QStringLiteral("Angelegt"), QStringLiteral("Größe"), QStringLiteral("Datei")});
    m_pTree = new QTreeWidget(this);
    m_pTree->setObjectName(QStringLiteral("treeCopy"));
    m_pTree->setHeaderHidden(true);
    m_pState = new QLabel(this);
    m_pState->setObjectName(QStringLiteral("labelState"));
    m_pState->setWordWrap(true);
    auto* pTarget = new QLabel(QStringLiteral("Wiederherstellen in: ") +
                                   (strTargetPath.empty() ? QStringLiteral("Hauptordner") : FromAnsi(strTargetPath)),
                               this);
    pTarget->setObjectName(QStringLiteral("labelTarget"));
    pTarget->setWordWrap(true);

    m_pRestore = new QPushButton(QStringLiteral("&Wiederherstellen"), this);
    m_pRestore->setObjectName(QStringLiteral("buttonRestore"));
    m_pRestore->setEnabled(false);
    m_pRestore->setDefault(true);
    m_pClose = new QPushButton(QStringLiteral("Schließen"), this);
    m_pClose->setObjectName(QString::number(IDCANCEL));

    auto* pLayout = new QVBoxLayout(this);
    auto* pCopiesLabel = new QLabel(QStringLiteral("&Sicherungskopien:"), this);
    pCopiesLabel->setBuddy(m_pCopies);
    pLayout->addWidget(pCopiesLabel);
    pLayout->addWidget(m_pCopies, 2);
    auto* pTreeLabel = new QLabel(QStringLiteral("&Inhalt der Sicherungskopie:"), this);
    pTreeLabel->setBuddy(m_pTree);
    pLayout->addWidget(pTreeLabel);
    pLayout->addWidget(m_pTree, 3);
    pLayout->addWidget(m_pState);
    pLayout->addWidget(pTarget);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pRestore);
    pButtons->addWidget(m_pClose);
    pLayout->addLayout(pButtons);
    resize(CDialogUnits(this).Size(260, 240));

    m_arrCopies = ListBackupCopies();
    for (const SBackupCopy& copy : m_arrCopies) {
        auto* pItem = new QTreeWidgetItem(m_pCopies);
        pItem->setText(0, QString::fromStdString(copy.strTime));
        pItem->setText(1, QString::fromStdString(BackupCopySizeText(copy.nSize)));
        pItem->setText(2, QString::fromStdString(copy.strName));
        pItem->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_pCopies->header()->resizeSections(QHeaderView::ResizeToContents);
    m_pState->setText(m_arrCopies.empty()
                          ? QStringLiteral("Im Backupverzeichnis liegt keine Sicherungskopie dieser Datenbank.")
                          : QStringLiteral("Wählen Sie eine Sicherungskopie."));

    connect(m_pCopies, &QTreeWidget::itemSelectionChanged, this, &CRestoreDlg::OnCopyChosen);
    connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, &CRestoreDlg::OnEntryChosen);
    connect(m_pTree, &QTreeWidget::itemExpanded, this, &CRestoreDlg::OnExpand);
    connect(m_pRestore, &QPushButton::clicked, this, &CRestoreDlg::OnRestore);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);
    m_pCopies->setFocus();
}

CRestoreDlg::~CRestoreDlg() = default;

void CRestoreDlg::OnCopyChosen() {
    const QList<QTreeWidgetItem*> arrSel = m_pCopies->selectedItems();
    OpenCopy(arrSel.isEmpty() ? -1 : m_pCopies->indexOfTopLevelItem(arrSel.front()));
}

void CRestoreDlg::OpenCopy(int nRow) {
    m_pTree->clear();
    m_copy.Close();
    m_pRestore->setEnabled(false);
    if (nRow < 0 || nRow >= static_cast<int>(m_arrCopies.size())) return;
    std::string strWhy;
    if (!m_copy.Open(m_arrCopies[nRow].strPath, &strWhy)) {
        m_pState->setText(FromAnsi(strWhy));
        GetPlatform().MessageBox(strWhy, "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return;
    }
    if (!Unlock()) {
        m_copy.Close();
        m_pState->setText(
            QStringLiteral("Die Sicherungskopie ist geschützt; ohne ihr Kennwort wird sie nicht gezeigt."));
        return;
    }
    FillChildren(nullptr, 0);
    m_pState->setText(QStringLiteral("Wählen Sie den Eintrag oder Ordner, der wiederhergestellt werden soll."));
}

bool CRestoreDlg::Unlock() {
    if (m_copy.UnlockWithOpenKey()) return true;
    CPasswortDlg dlg([this](const std::string& str) { return m_copy.TestPassword(str); },
                     QStringLiteral("Die Sicherungskopie ist geschützt"), this);
    return dlg.exec() == QDialog::Accepted && m_copy.IsReadable();
}

void CRestoreDlg::FillChildren(QTreeWidgetItem* pParent, TRowId nFolder) {
    CKnowHowArray arr;
    if (m_copy.GetChildren(nFolder, arr) < 0) {
        m_pState->setText(FromAnsi(CopyUnreadable(m_copy.GetPath())));
        return;
    }
    for (const CKnowHowItem& item : arr) {
        auto* pItem = pParent ? new QTreeWidgetItem(pParent) : new QTreeWidgetItem(m_pTree);
        // a keyword is one line in the tree
        pItem->setText(0, FromAnsi(KeywordOnOneLine(item.Name)));
        pItem->setData(0, kIdRole, static_cast<qlonglong>(item.ID));
        pItem->setData(0, kFilledRole, false);
        if (item.IsDir) pItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (pParent) {
        pParent->setData(0, kFilledRole, true);
        if (arr.empty()) pParent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
}

void CRestoreDlg::OnExpand(QTreeWidgetItem* pItem) {
    if (!pItem || pItem->data(0, kFilledRole).toBool()) return;
    FillChildren(pItem, static_cast<TRowId>(pItem->data(0, kIdRole).toLongLong()));
}

void CRestoreDlg::OnEntryChosen() {
    m_pRestore->setEnabled(m_copy.IsReadable() && !m_pTree->selectedItems().isEmpty());
}

void CRestoreDlg::OnRestore() {
    const QList<QTreeWidgetItem*> arrSel = m_pTree->selectedItems();
    if (arrSel.isEmpty() || !m_copy.IsReadable()) return;
    const TRowId nId = static_cast<TRowId>(arrSel.front()->data(0, kIdRole).toLongLong());
    SRestoreResult result;
    EWriteResult eResult = RestoreFromCopy(m_service, m_copy, nId, m_nTarget, result);
    // the transaction has ended before anything is said
    if (eResult != EWriteResult::Saved) {
        SayRestoreResult(eResult, result, nId);
        return;
    }
    m_nRestoredId = result.nNewId;
    GetPlatform().MessageBox(RestoredMessage(result), "", EMsgIcon::Information, EMsgButtons::Ok);
    accept();
}
