#include "tree/ui/CTrashDlg.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

CTrashDlg::CTrashDlg(QWidget* pParent, CKnowHow& service, bool bWritable)
    : QDialog(pParent), m_service(service), m_bWritable(bWritable) {
    setWindowTitle(QStringLiteral("Papierkorb"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    CDialogUnits du(this);
    setFixedSize(du.Size(380, 200));

    m_pList = new QTableWidget(0, 5, this);
    m_pList->setObjectName("listTrash");
    m_pList->setGeometry(du.Rect(7, 7, 366, 164));
    m_pList->setHorizontalHeaderLabels({QStringLiteral("Stichwort"), QStringLiteral("Ordner"),
                                        QStringLiteral("Gelöscht am"), QStringLiteral("von"),
                                        QStringLiteral("Einträge")});
    m_pList->verticalHeader()->hide();
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setWordWrap(false);
    m_pList->horizontalHeader()->setStretchLastSection(true);

    m_pButtonRestore = new QPushButton(QStringLiteral("Wiederherstellen"), this);
    m_pButtonRestore->setObjectName("buttonRestore");
    m_pButtonRestore->setGeometry(du.Rect(7, 179, 70, 14));
    m_pButtonPurge = new QPushButton(QStringLiteral("Endgültig löschen"), this);
    m_pButtonPurge->setObjectName("buttonPurge");
    m_pButtonPurge->setGeometry(du.Rect(82, 179, 70, 14));
    m_pButtonEmpty = new QPushButton(QStringLiteral("Papierkorb leeren"), this);
    m_pButtonEmpty->setObjectName("buttonEmpty");
    m_pButtonEmpty->setGeometry(du.Rect(157, 179, 70, 14));
    m_pButtonClose = new QPushButton(QStringLiteral("Schließen"), this);
    m_pButtonClose->setObjectName("buttonClose");
    m_pButtonClose->setGeometry(du.Rect(323, 179, 50, 14));
    m_pButtonClose->setDefault(true);
    for (QPushButton* p : {m_pButtonRestore, m_pButtonPurge, m_pButtonEmpty}) p->setAutoDefault(false);

    connect(m_pButtonRestore, &QPushButton::clicked, this, &CTrashDlg::OnRestore);
    connect(m_pButtonPurge, &QPushButton::clicked, this, &CTrashDlg::OnPurge);
    connect(m_pButtonEmpty, &QPushButton::clicked, this, &CTrashDlg::OnEmpty);
    connect(m_pButtonClose, &QPushButton::clicked, this, &CTrashDlg::accept);
    connect(m_pList, &QTableWidget::itemSelectionChanged, this, &CTrashDlg::UpdateButtons);
    Reload();
}

bool CTrashDlg::Reload() {
    m_pList->setRowCount(0);
    m_arrItems.clear();
    bool bRead = CKnowHowTrash(m_service).List(m_arrItems) >= 0;
    if (!bRead) ShowDbFailureReason();
    // newest first: what was deleted a moment ago is what one looks for
    std::reverse(m_arrItems.begin(), m_arrItems.end());
    int nRow = 0;
    for (const STrashItem& item : m_arrItems) {
        m_pList->insertRow(nRow);
        QString strName = item.bReadable ? FromAnsi(KeywordOnOneLine(item.strName))
                                         : QStringLiteral("(unter einem anderen Kennwort gelöscht)");
        if (item.bDir) strName = QStringLiteral("+ ") + strName;
        QString strPath = item.nFromFolder == 0 ? QStringLiteral("Hauptordner")
                          : item.bReadable      ? FromAnsi(KeywordOnOneLine(item.strPath))
                                                : QString();
        const QString arrCells[] = {strName, strPath, FromAnsi(item.strWhen), FromAnsi(item.strBy),
                                    QString::number(item.nEntries)};
        for (int c = 0; c < 5; ++c) m_pList->setItem(nRow, c, new QTableWidgetItem(arrCells[c]));
        ++nRow;
    }
    m_pList->resizeColumnsToContents();
    if (nRow > 0) m_pList->selectRow(0);
    UpdateButtons();
    return bRead;
}

std::int64_t CTrashDlg::SelectedNr() const {
    int nRow = m_pList->currentRow();
    if (nRow < 0 || nRow >= static_cast<int>(m_arrItems.size()) || m_pList->selectedItems().isEmpty()) return 0;
    return m_arrItems[static_cast<size_t>(nRow)].nNr;
}

void CTrashDlg::UpdateButtons() {
    const bool bSelected = SelectedNr() != 0;
    m_pButtonRestore->setEnabled(m_bWritable && bSelected);
    m_pButtonPurge->setEnabled(m_bWritable && bSelected);
    m_pButtonEmpty->setEnabled(m_bWritable && !m_arrItems.empty());
}

void CTrashDlg::OnRestore() {
    const std::int64_t nNr = SelectedNr();
    if (!m_bWritable || nNr == 0) return;
    TRowId nId = 0;
    SWriteReport report;
    EWriteResult eResult = CKnowHowTrash(m_service).Restore(nNr, -1, &nId, nullptr, &report);
    if (eResult != EWriteResult::Saved) SayTrashResult(eResult, report);
    Reload();
    if (eResult == EWriteResult::Saved && m_fnRestored) m_fnRestored(nId);
}

void CTrashDlg::OnPurge() {
    const std::int64_t nNr = SelectedNr();
    if (!m_bWritable || nNr == 0) return;
    if (GetPlatform().MessageBox(Ansi("Papierkorb:\n\nDen gewählten Eintrag endgültig löschen ?"), "Papierkorb",
                                 EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
        return;
    SWriteReport report;
    EWriteResult eResult = CKnowHowTrash(m_service).Purge(nNr, &report);
    if (eResult != EWriteResult::Saved) SayTrashResult(eResult, report);
    Reload();
}

void CTrashDlg::OnEmpty() {
    if (!m_bWritable || m_arrItems.empty()) return;
    if (GetPlatform().MessageBox(Ansi("Papierkorb leeren:\n\nAlle Einträge im Papierkorb endgültig löschen ?"),
                                 "Papierkorb", EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
        return;
    SWriteReport report;
    EWriteResult eResult = CKnowHowTrash(m_service).Empty(nullptr, &report);
    if (eResult != EWriteResult::Saved) SayWriteResult(eResult, report, false);
    Reload();
}
