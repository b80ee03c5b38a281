#include "edit/CSuchenDlg.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <unordered_map>

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

// The platform's busy cursor for the life of the object, put on the screen
// before the work starts (the work itself gives the event loop no turn).
class CWaitCursor {
public:
    CWaitCursor() {
        GetPlatform().BeginWaitCursor();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ~CWaitCursor() { GetPlatform().EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// The hits are a list with one column: the keys move between hits (Home and
// End to the first and the last one), Left and Right scroll a path wider
// than the list, and the scroll bar moves by pixels, not by whole columns.
class CHitList : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction eAction, Qt::KeyboardModifiers mods) override {
        const int nRows = model() ? model()->rowCount() : 0;
        switch (eAction) {
            case MoveHome: return nRows > 0 ? model()->index(0, 0) : QModelIndex();
            case MoveEnd: return nRows > 0 ? model()->index(nRows - 1, 0) : QModelIndex();
            case MoveLeft:
            case MoveRight:
                horizontalScrollBar()->triggerAction(eAction == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                         : QAbstractSlider::SliderSingleStepAdd);
                return currentIndex();
            default: return QTableView::moveCursor(eAction, mods);
        }
    }
};

}  // namespace

// The hit list's rows: a path, the hit's ID and where the hit stands in the
// hits array. A model rather than an item per row, so that tens of
// thousands of hits are listed at once.
class CHitModel : public QAbstractTableModel {
public:
    struct SRow {
        QString strPath;
        TRowId nId;
        size_t nHit;
    };
    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<SRow> arrRows) {
        beginResetModel();
        m_arrRows = std::move(arrRows);
        endResetModel();
    }
    const SRow& Row(int nRow) const { return m_arrRows[static_cast<size_t>(nRow)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_arrRows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex& index, int nRole) const override {
        if (!index.isValid() || index.row() >= rowCount()) return QVariant();
        if (nRole == Qt::DisplayRole) return Row(index.row()).strPath;
        if (nRole == Qt::UserRole) return static_cast<qlonglong>(Row(index.row()).nId);  // the item data: the hit's ID
        return QVariant();
    }
    QVariant headerData(int nSection, Qt::Orientation eOrientation, int nRole) const override {
        if (eOrientation == Qt::Horizontal && nSection == 0 && nRole == Qt::DisplayRole)
            return QStringLiteral("Fundstellen");
        return QAbstractTableModel::headerData(nSection, eOrientation, nRole);
    }

private:
    std::vector<SRow> m_arrRows;
};

// Ascending by the path text, letter case aside, then with it; equal paths
// keep the order they were found in. The same order as comparing each pair
// of paths case-insensitively, from keys folded once per path instead of in
// every comparison.
void SortHits(std::vector<CHitModel::SRow>& arrRows) {
    std::vector<QString> arrKeys;
    arrKeys.reserve(arrRows.size());
    for (const auto& row : arrRows) {
        QString strKey = row.strPath;
        for (QChar& c : strKey) c = c.toCaseFolded();  // as the case-insensitive comparison folds
        arrKeys.push_back(std::move(strKey));
    }
    std::vector<size_t> arrOrder(arrRows.size());
    for (size_t i = 0; i < arrOrder.size(); ++i) arrOrder[i] = i;
    std::stable_sort(arrOrder.begin(), arrOrder.end(), [&](size_t a, size_t b) {
        int nCmp = QString::compare(arrKeys[a], arrKeys[b], Qt::CaseSensitive);
        if (nCmp == 0) nCmp = QString::compare(arrRows[a].strPath, arrRows[b].strPath, Qt::CaseSensitive);
        return nCmp < 0;
    });
    std::vector<CHitModel::SRow> arrSorted;
    arrSorted.reserve(arrRows.size());
    for (size_t i : arrOrder) arrSorted.push_back(std::move(arrRows[i]));
    arrRows = std::move(arrSorted);
}

// The row whose path the font draws widest; -1 for none. Laying out every
// path costs about 15 us each: the paths are first measured by the widths
// of their characters (kept per character), and only those that come near
// the widest so are laid out in full.
int WidestRow(const std::vector<CHitModel::SRow>& arrRows, const QFontMetrics& metrics) {
    std::unordered_map<char16_t, int> mapChar;
    std::vector<int> arrRough(arrRows.size());
    int nRoughMax = 0;
    for (size_t i = 0; i < arrRows.size(); ++i) {
        int nSum = 0;
        for (QChar c : arrRows[i].strPath) {
            auto it = mapChar.find(c.unicode());
            if (it == mapChar.end()) it = mapChar.emplace(c.unicode(), metrics.horizontalAdvance(c)).first;
            nSum += it->second;
        }
        arrRough[i] = nSum;
        nRoughMax = std::max(nRoughMax, nSum);
    }
    // kerning and shaping move a path's width by far less than a tenth
    const int nThreshold = nRoughMax - nRoughMax / 10 - metrics.maxWidth();
    int nWidest = -1, nWidestAdvance = -1;
    for (size_t i = 0; i < arrRows.size(); ++i) {
        if (arrRough[i] < nThreshold) continue;
        const int nAdvance = metrics.horizontalAdvance(arrRows[i].strPath);
        if (nAdvance > nWidestAdvance) {
            nWidestAdvance = nAdvance;
            nWidest = static_cast<int>(i);
        }
    }
    return nWidest;
}

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

    m_pHitList = new CHitList(this);
    m_pHitModel = new CHitModel(this);
    m_pHitList->setModel(m_pHitModel);
    m_pHitList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pHitList->setObjectName(QStringLiteral("hitList"));
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
    connect(m_pHitList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CSuchenDlg::ShowSelectedHit);

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

void CSuchenDlg::FillHitList(std::vector<std::string>& arrPaths) {
    std::vector<CHitModel::SRow> arrRows;
    arrRows.reserve(m_arrHits.size());
    for (size_t i = 0; i < m_arrHits.size(); ++i) arrRows.push_back({FromAnsi(arrPaths[i]), m_arrHits[i].ID, i});
    arrPaths = {};
    SortHits(arrRows);
    const int nWidest = WidestRow(arrRows, m_pHitList->fontMetrics());
    const QSignalBlocker block(m_pHitList->selectionModel());
    m_pHitModel->SetRows(std::move(arrRows));

    // With redrawing off: the column as wide as its widest item (or its
    // header, as the view's own sizing has it), at least the design's width.
    m_pHitList->setUpdatesEnabled(false);
    int nWidth = m_pHitList->horizontalHeader()->sectionSizeHint(0);
    if (nWidest >= 0)
        nWidth = std::max(nWidth, m_pHitList->sizeHintForIndex(m_pHitModel->index(nWidest, 0)).width() +
                                      (m_pHitList->showGrid() ? 1 : 0));
    m_pHitList->setColumnWidth(0, std::max(nWidth, kMinColumnWidth));
    m_pHitList->setUpdatesEnabled(true);
    m_pHitList->viewport()->update();
}

void CSuchenDlg::OnSearch() {
    const QString strQuery = m_pSearchEdit->text();
    const bool bInKeywords = m_pInKeywords->isChecked();
    const bool bInTexts = m_pInTexts->isChecked();
    m_nSelectedHit = -1;
    {
        const QSignalBlocker block(m_pHitList->selectionModel());
        m_pHitModel->SetRows({});
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

    int nHits = 0;
    {
        // the busy cursor from before the search until the list is filled
        CWaitCursor wait;
        // a service of its own for this one search
        CKnowHow service;
        nHits = service.Search(m_arrHits, m_strSearched, bInKeywords, bInTexts);
        std::vector<std::string> arrPaths;
        if (nHits > 0) {
            std::vector<TRowId> arrIds;
            arrIds.reserve(m_arrHits.size());
            for (const CKnowHowItem& hit : m_arrHits) arrIds.push_back(hit.ID);
            // every hit's path from a few reads; a path that cannot be read
            // fails the search
            if (!service.GetPaths(arrIds, arrPaths)) nHits = -1;
        }
        if (nHits > 0) FillHitList(arrPaths);
    }
    if (nHits == 0) {
        Message("Der Suchtext wurde nicht gefunden.", EMsgIcon::Information);
        return;
    }
    if (nHits < 0) {
        m_arrHits.clear();
        return;
    }

    m_pHitList->selectRow(0);
    m_pHitList->setCurrentIndex(m_pHitModel->index(0, 0));
    ShowSelectedHit();
    m_pHitList->setFocus();
}

void CSuchenDlg::ShowSelectedHit() {
    const QModelIndexList selected = m_pHitList->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const CKnowHowItem& hit = m_arrHits[m_pHitModel->Row(selected.first().row()).nHit];
    ShowPreview(hit.Text);
    m_nSelectedHit = hit.ID;
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
