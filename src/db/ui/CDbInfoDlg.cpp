#include "db/ui/CDbInfoDlg.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include "db/CDbInfo.h"
#include "platform/Cp1252.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

CDbInfoDlg::CDbInfoDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Datenbank Info"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    CDialogUnits du(this);
    setFixedSize(du.Size(240, 150));

    m_pButtonOk = new QPushButton(QStringLiteral("OK"), this);
    m_pButtonOk->setObjectName("buttonOk");
    m_pButtonOk->setGeometry(du.Rect(183, 129, 50, 14));
    m_pButtonOk->setDefault(true);
    connect(m_pButtonOk, &QPushButton::clicked, this, &CDbInfoDlg::accept);

    m_pList = new QTableWidget(0, 2, this);
    m_pList->setObjectName("listDbInfo");
    m_pList->setGeometry(du.Rect(7, 7, 226, 119));
    m_pList->horizontalHeader()->hide();
    m_pList->verticalHeader()->hide();
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setWordWrap(false);
    m_pList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pList->verticalHeader()->setDefaultSectionSize(m_pList->fontMetrics().height() + 6);
    m_pList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_pList->setColumnWidth(0, 10);
    m_pList->setColumnWidth(1, 10);
    setTabOrder(m_pButtonOk, m_pList);

    std::vector<SDbInfoRow> arrRows;
    m_bRead = ReadDbInfoRows(arrRows);
    // half the facts would pass for stamps that are not set
    if (!m_bRead) arrRows.clear();
    for (const auto& row : arrRows)
        AddRow(FromAnsi(row.strLabel), row.bPath ? QString::fromStdString(row.strValue) : FromAnsi(row.strValue));
    FitColumns();
    m_pButtonOk->setFocus();
}

void CDbInfoDlg::AddRow(const QString& strLabel, const QString& strValue) {
    m_pList->insertRow(m_nRows);
    m_pList->setItem(m_nRows, 0, new QTableWidgetItem(strLabel));
    m_pList->setItem(m_nRows, 1, new QTableWidgetItem(strValue));
    ++m_nRows;
}

void CDbInfoDlg::FitColumns() {
    m_pList->resizeColumnToContents(0);
    m_pList->resizeColumnToContents(1);
    // the second column fills the rest of the row when both fit
    int nAvailable = m_pList->width() - 2 * m_pList->frameWidth();
    int nWidth0 = m_pList->columnWidth(0);
    if (nWidth0 + m_pList->columnWidth(1) < nAvailable) m_pList->setColumnWidth(1, nAvailable - nWidth0);
}
