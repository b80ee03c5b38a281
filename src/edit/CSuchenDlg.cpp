#include "edit/CSuchenDlg.h"

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>

#include "edit/CEditEx.h"
#include "edit/SearchMatch.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "tree/CKnowHow.h"
#include "ui/QtText.h"

namespace {
constexpr int kMinColumnWidth = 548;
constexpr int kMinWidth = 581;
constexpr int kMinHeight = 416;

void Message(const char* pszText, EMsgIcon eIcon) {
    GetPlatform().MessageBox(Ansi(pszText), "Suchen", eIcon, EMsgButtons::Ok);
}

// The hits are a list with one column: the keys move between hits (Home and
// End to the first and the last one), Left and Right scroll a path wider
// than the list, and the scroll bar moves by pixels, not by whole columns.
class CHitList : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

protected:
    QModelIndex moveCursor(CursorAction eAction, Qt::KeyboardModifiers mods) override {
        const int nRows = rowCount();
        switch (eAction) {
            case MoveHome: return nRows > 0 ? model()->index(0, 0) : QModelIndex();
            case MoveEnd: return nRows > 0 ? model()->index(nRows - 1, 0) : QModelIndex();
            case MoveLeft:
            case MoveRight:
                horizontalScrollBar()->triggerAction(eAction == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                         : QAbstractSlider::SliderSingleStepAdd);
                return currentIndex();
            default: return QTableWidget::moveCursor(eAction, mods);
        }
    }
};

}  // namespace

CSuchenDlg::CSuchenDlg(IEditDocument& doc, QWidget* pParent) : QDialog(pParent), m_doc(doc) {
    setWindowTitle(QStringLiteral("Suchen"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
    setSizeGripEnabled(true);
    setMinimumSize(kMinWidth, kMinHeight);

    // the design's sizes, widened where the font in force needs more room
    auto fit = [](QWidget* pWidget, int nWidth, int nHeight) {
        pWidget->resize(std::max(nWidth, pWidget->sizeHint().width()), nHeight);
    };
    m_pLabel = new QLabel(QStringLiteral("Suchen nach:"), this);
    m_pLabel->move(10, 15);
    fit(m_pLabel, 75, 18);
    m_pSearchEdit = new QLineEdit(this);
    m_pSearchEdit->setObjectName(QStringLiteral("searchText"));
    m_pInKeywords = new QCheckBox(QStringLiteral("In Stich&worten"), this);
    fit(m_pInKeywords, 95, 20);
    m_pInTexts = new QCheckBox(QStringLiteral("In &Texten"), this);
    fit(m_pInTexts, 80, 20);
    m_pSearch = new QPushButton(QStringLiteral("&Suchen"), this);
    m_pSearch->resize(75, 23);
    m_pGoTo = new QPushButton(QStringLiteral("&Gehe zu"), this);
    m_pGoTo->resize(75, 23);
    m_pClose = new QPushButton(QString::fromUtf8("Sch&ließen"), this);
    m_pClose->resize(75, 23);

    m_pHitList = new CHitList(0, 1, this);
    m_pHitList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pHitList->setObjectName(QStringLiteral("hitList"));
    m_pHitList->setHorizontalHeaderLabels({QStringLiteral("Fundstellen")});
    m_pHitList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pHitList->horizontalHeader()->setSectionsClickable(false);
    m_pHitList->horizontalHeader()->setStretchLastSection(false);
    m_pHitList->verticalHeader()->hide();
    // one line per hit, as a list control has it
    m_pHitList->verticalHeader()->setMinimumSectionSize(1);
    m_pHitList->verticalHeader()->setDefaultSectionSize(m_pHitList->fontMetrics().height() + 4);
    m_pHitList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pHitList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pHitList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pHitList->setShowGrid(true);
    m_pHitList->setWordWrap(false);
    m_pHitList->setColumnWidth(0, kMinColumnWidth);

    m_pPreview = new QTextEdit(this);
    m_pPreview->setObjectName(QStringLiteral("preview"));
    m_pPreview->setReadOnly(true);
    m_pPreview->setAcceptRichText(false);
    m_pPreview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pPreview->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette pal = m_pPreview->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Button));
    m_pPreview->setPalette(pal);

    // tab order as the controls are listed
    setTabOrder(m_pSearchEdit, m_pInKeywords);
    setTabOrder(m_pInKeywords, m_pInTexts);
    setTabOrder(m_pInTexts, m_pSearch);
    setTabOrder(m_pSearch, m_pGoTo);
    setTabOrder(m_pGoTo, m_pClose);
    setTabOrder(m_pClose, m_pHitList);
    setTabOrder(m_pHitList, m_pPreview);

    // dialog start
    m_pInKeywords->setChecked(true);
    m_pInTexts->setChecked(true);
    m_nSelectedHit = -1;
    m_pSearch->setDefault(true);

    m_pSearchEdit->installEventFilter(this);
    m_pHitList->installEventFilter(this);
    connect(m_pSearch, &QPushButton::clicked, this, &CSuchenDlg::OnSearch);
    connect(m_pGoTo, &QPushButton::clicked, this, &CSuchenDlg::OnGoTo);
    connect(m_pClose, &QPushButton::clicked, this, &CSuchenDlg::accept);
    connect(m_pHitList, &QTableWidget::itemSelectionChanged, this, &CSuchenDlg::ShowSelectedHit);

    resize(kMinWidth, kMinHeight);
    Layout(kMinWidth, kMinHeight);
    m_pSearchEdit->setFocus();
}

CSuchenDlg::~CSuchenDlg() = default;

bool CSuchenDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // Enter searches while typing and jumps while browsing the hits
    if (pEvent->type() == QEvent::FocusIn) {
        if (pWatched == m_pSearchEdit) m_pSearch->setDefault(true);
        if (pWatched == m_pHitList) m_pGoTo->setDefault(true);
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CSuchenDlg::resizeEvent(QResizeEvent* pEvent) {
    QDialog::resizeEvent(pEvent);
    Layout(pEvent->size().width(), pEvent->size().height());
}

void CSuchenDlg::Layout(int W, int H) {
    m_pClose->move(W - 85, H - 34);
    m_pGoTo->move(11, H - 34);
    m_pSearch->move(W - 85, 11);
    // a text wider than the design's place moves left rather than being cut
    const int nTextsLeft = std::min(W - 219, W - 85 - 6 - m_pInTexts->width());
    m_pInTexts->move(nTextsLeft, 11);
    const int nKeywordsLeft = std::min(W - 318, nTextsLeft - 4 - m_pInKeywords->width());
    m_pInKeywords->move(nKeywordsLeft, 11);
    const int nEditLeft = std::max(86, m_pLabel->x() + m_pLabel->width() + 1);
    const int nEditRight = std::min(W - 329, nKeywordsLeft - 11);
    m_pSearchEdit->setGeometry(QRect(QPoint(nEditLeft, 11), QPoint(nEditRight - 1, 32 - 1)));
    m_pHitList->setGeometry(QRect(QPoint(11, 44), QPoint(W - 10 - 1, H - 203 - 1)));
    m_pHitList->setColumnWidth(0, W - 25);
    m_pPreview->setGeometry(QRect(QPoint(11, H - 197), QPoint(W - 11 - 1, H - 44 - 1)));
}

void CSuchenDlg::FillHitList(std::vector<std::pair<QString, std::int32_t>>& arrRows) {
    // ascending by the path text; equal paths keep the order they were found in
    std::stable_sort(arrRows.begin(), arrRows.end(), [](const auto& a, const auto& b) {
        int nCmp = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        if (nCmp == 0) nCmp = QString::compare(a.first, b.first, Qt::CaseSensitive);
        return nCmp < 0;
    });
    const QSignalBlocker block(m_pHitList);
    m_pHitList->setRowCount(static_cast<int>(arrRows.size()));
    for (int i = 0; i < static_cast<int>(arrRows.size()); ++i) {
        auto* pItem = new QTableWidgetItem(arrRows[i].first);
        pItem->setData(Qt::UserRole, arrRows[i].second);
        m_pHitList->setItem(i, 0, pItem);
    }
}

void CSuchenDlg::OnSearch() {
    const QString strQuery = m_pSearchEdit->text();
    const bool bInKeywords = m_pInKeywords->isChecked();
    const bool bInTexts = m_pInTexts->isChecked();
    m_nSelectedHit = -1;
    {
        const QSignalBlocker block(m_pHitList);
        m_pHitList->setRowCount(0);
    }
    m_pPreview->clear();
    m_arrHits.clear();

    if (!bInKeywords && !bInTexts) {
        Message("Eines der beiden Suchfelder 'In Namen' oder 'In Texten' muß aktiviert sein!", EMsgIcon::Exclamation);
        return;
    }
    if (strQuery.isEmpty()) {
        Message("Der Suchtext darf nicht leer sein !", EMsgIcon::Exclamation);
        m_pSearchEdit->setFocus();
        return;
    }
    // no stored text holds a character Windows-1252 cannot: nothing to find
    // (it must not reach the database as a substitute character)
    if (!IsAnsiRepresentable(strQuery)) {
        Message("Der Suchtext wurde nicht gefunden.", EMsgIcon::Information);
        return;
    }
    m_strSearched = ToAnsi(strQuery);

    // a service of its own for this one search
    CKnowHow service;
    const int nHits = service.Search(m_arrHits, m_strSearched, bInKeywords, bInTexts);
    if (nHits == 0) {
        Message("Der Suchtext wurde nicht gefunden.", EMsgIcon::Information);
        return;
    }
    if (nHits < 0) {
        m_arrHits.clear();
        return;
    }
    std::vector<std::pair<QString, std::int32_t>> arrRows;
    arrRows.reserve(m_arrHits.size());
    for (const CKnowHowItem& hit : m_arrHits) arrRows.emplace_back(FromAnsi(service.GetPath(hit.ID)), hit.ID);
    FillHitList(arrRows);

    m_pHitList->setUpdatesEnabled(false);
    m_pHitList->resizeColumnToContents(0);
    if (m_pHitList->columnWidth(0) < kMinColumnWidth) m_pHitList->setColumnWidth(0, kMinColumnWidth);
    m_pHitList->setUpdatesEnabled(true);
    m_pHitList->viewport()->update();

    m_pHitList->selectRow(0);
    m_pHitList->setCurrentCell(0, 0);
    ShowSelectedHit();
    m_pHitList->setFocus();
}

void CSuchenDlg::ShowSelectedHit() {
    const QList<QTableWidgetItem*> selected = m_pHitList->selectedItems();
    if (selected.isEmpty()) return;
    const std::int32_t nId = selected.first()->data(Qt::UserRole).toInt();
    for (const CKnowHowItem& hit : m_arrHits) {
        if (hit.ID == nId) {
            ShowPreview(hit.Text);
            m_nSelectedHit = nId;
            return;
        }
    }
}

void CSuchenDlg::ShowPreview(const std::string& strText) {
    m_pPreview->clear();
    QTextCharFormat normal;
    normal.setForeground(palette().color(QPalette::WindowText));
    m_pPreview->setCurrentCharFormat(normal);
    m_pPreview->setPlainText(StoredToDisplay(strText));

    const std::vector<int> arrPos = PreviewPositions(strText);
    QTextCharFormat marked;
    marked.setForeground(QColor(255, 255, 255));
    marked.setBackground(palette().color(QPalette::Highlight));
    for (auto [nStart, nLength] : FindOccurrences(strText, m_strSearched)) {
        QTextCursor cursor(m_pPreview->document());
        cursor.setPosition(arrPos[nStart]);
        cursor.setPosition(arrPos[nStart + nLength], QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(marked);
    }
    QTextCursor start(m_pPreview->document());
    start.setPosition(0);
    m_pPreview->setTextCursor(start);
}

void CSuchenDlg::OnGoTo() {
    if (m_nSelectedHit == -1) return;
    m_doc.GoToEntry(m_nSelectedHit);
    accept();
}

void RunSearchDialog(QWidget* pParent, IEditDocument& doc) {
    // each opening starts afresh
    CSuchenDlg dlg(doc, pParent);
    dlg.exec();
}

#include "moc_CSuchenDlg.cpp"
