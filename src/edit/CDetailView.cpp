#include "edit/CDetailView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "edit/CEditEx.h"
#include "edit/CLinkDlg.h"
#include "edit/TextLayout.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/CommandIds.h"
#include "ui/Icons.h"
#include "ui/QtText.h"

namespace {
const QColor kBackground(243, 243, 243);
constexpr int kIconCellRight = 29;
constexpr int kMinKeywordWidth = 150;

std::string TrimRight(const std::string& str, const char* pszChars) {
    const size_t nEnd = str.find_last_not_of(pszChars);
    return nEnd == std::string::npos ? std::string() : str.substr(0, nEnd + 1);
}

// A 3-D frame as the button cells have it; the interior inset by one.
void Draw3dRect(QPainter& painter, const QRect& rc, const QColor& topLeft, const QColor& bottomRight) {
    if (rc.width() <= 0 || rc.height() <= 0) return;
    painter.fillRect(QRect(rc.left(), rc.top(), rc.width() - 1, 1), topLeft);
    painter.fillRect(QRect(rc.left(), rc.top(), 1, rc.height() - 1), topLeft);
    painter.fillRect(QRect(rc.right(), rc.top(), 1, rc.height()), bottomRight);
    painter.fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), bottomRight);
}

int IconFor(const CKnowHowItem& item) {
    if (item.IsDir) return IDB_ENTRY_FOLDER;
    if (item.Typ == 1) return IDB_ENTRY_LINK;
    return IDB_ENTRY_TEXT;
}

QRect MakeRect(int nLeft, int nTop, int nRight, int nBottom) {
    return QRect(QPoint(nLeft, nTop), QPoint(nRight - 1, nBottom - 1));
}
}  // namespace

CDetailView::CDetailView(IEditDocument& doc, QWidget* pParent) : QAbstractScrollArea(pParent), m_doc(doc) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);

    m_pKeywordEdit = new CEditEx(viewport());
    m_pKeywordEdit->setObjectName(QStringLiteral("keywordEdit"));
    m_pKeywordEdit->SetMode(EDITOR_KEYWORD);
    m_pKeywordEdit->SetEnterAdvances(1);
    m_pTextEdit = new CEditEx(viewport());
    m_pTextEdit->setObjectName(QStringLiteral("textEdit"));
    m_pTextEdit->SetMode(EDITOR_TEXT);
    m_pTextEdit->SetEnterAdvances(0);
    for (CEditEx* pEdit : {m_pKeywordEdit, m_pTextEdit}) {
        pEdit->hide();
        pEdit->SetKeyTarget(this, this);
        pEdit->SetWheelTarget(viewport());
        connect(pEdit, &CEditEx::UserTextChanged, this, [this, pEdit] { OnEditorChanged(pEdit); });
    }
    m_layout.SetIdleStepDone([this] { UpdateScrollRange(); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &CDetailView::OnScrollAction);
    OnInitialUpdate();
}

CDetailView::~CDetailView() = default;

void CDetailView::OnInitialUpdate() {
    m_arrRows.clear();
    m_layout.Reset();
    m_layout.ClearCaches();
    m_nKeywordWidth = GetPlatform().GetProfileInt("Parameter", "Stichwortbreite", kMinKeywordWidth);
    SyncBoxWidths();
    m_nCurrentRow = -1;
    m_eActiveEditor = EDITOR_NONE;
    HideEditors();

    m_fontText = m_doc.GetFont(DOC_FONT_NORMAL);
    m_fontKeyword = m_doc.GetFont(DOC_FONT_BOLD);

    m_pKeywordEdit->setFont(m_fontKeyword);
    m_pKeywordEdit->SetLimitText(80);
    m_pTextEdit->setFont(m_fontText);
    m_pTextEdit->SetTabStopChars(2);

    m_dPaintTabStop = TabStopDistance(m_fontText, 2);
    m_layout.SetFonts(m_fontKeyword, m_fontText);
    m_layout.UpdateTotal();  // no rows: 0
    UpdateScrollRange();
    viewport()->update();
}

// --- data ------------------------------------------------------------------------------------

bool CDetailView::IsWriteProtected() const {
    return m_doc.IsWriteProtected();
}

CKnowHowItem CDetailView::MakeEmptyRow() const {
    CKnowHowItem item;
    item.ID = 0;
    item.MasterID = m_nCurrentFolder;
    item.PosNr = static_cast<std::int32_t>(m_arrRows.size()) + 1;
    item.IsDir = m_nCurrentFolder == 0 ? 1 : 0;
    return item;
}

void CDetailView::SaveRows() {
    if (m_nCurrentFolder < 0 || m_arrRows.empty()) return;
    const bool bFolderChanged =
        std::any_of(m_arrRows.begin(), m_arrRows.end(), [](const CKnowHowItem& r) { return r.Modified && r.IsDir; });
    const bool bOk = m_doc.SaveItems(m_arrRows);
    if (bFolderChanged) SendPaneCommand(Tree(), ID_TREE_REFRESH);
    // what was not written is discarded: show the stored state again
    if (!bOk) ReloadFolder();
}

void CDetailView::LoadRows() {
    m_arrRows.clear();
    m_doc.GetChildren(m_arrRows, m_nCurrentFolder, false);
    m_arrRows.push_back(MakeEmptyRow());
}

void CDetailView::ShowFolder(std::int32_t nFolder) {
    if (nFolder == m_nCurrentFolder) return;
    // the open editor's text is in its row already (copied on every change)
    SaveRows();
    // The new folder is shown from its top (its first row is selected
    // below); starting there spares measuring down to the old position.
    ScrollTo(0);
    m_layout.ClearCaches();
    m_nCurrentFolder = nFolder;
    ReloadFolder();
    m_doc.ShowFolderTitle(nFolder);
    SelectRow(0, EDITOR_NONE);
}

void CDetailView::ReloadFolder() {
    m_arrRows.clear();
    m_nCurrentRow = -1;
    m_eActiveEditor = EDITOR_NONE;
    HideEditors();
    LoadRows();
    RecalcHeights();
    viewport()->update();
}

// --- layout ----------------------------------------------------------------------------------

void CDetailView::RecalcHeights(int nOnlyRow) {
    if (IsRow(nOnlyRow)) {
        CKnowHowItem& item = m_arrRows[nOnlyRow];
        if (nOnlyRow == m_nCurrentRow) {
            // while typing: the editors' own line counts, nothing re-laid out
            ++m_nSingleMeasures;
            const int nLine = m_layout.GetTextLineHeight();
            const int nKeyword = m_pKeywordEdit->GetLineCount() * nLine;
            const int nText = m_pTextEdit->GetLineCount() * nLine;
            item.DisplayHeight = std::max({m_layout.GetKeywordLineHeight(), nKeyword, nText}) + 6;
        } else if (nOnlyRow < m_layout.GetMeasuredRows()) {
            item.DisplayHeight = m_layout.MeasureRow(item);
        }
        m_layout.UpdateTotal();
        UpdateScrollRange();
        PositionEditors();
    } else {
        ++m_nAllMeasures;
        InvalidateHeights();
    }
}

void CDetailView::HideEditors() {
    // hiding the focused editor must not send the focus out of the view
    if (m_pKeywordEdit->hasFocus() || m_pTextEdit->hasFocus()) setFocus();
    m_pKeywordEdit->hide();
    m_pTextEdit->hide();
}

void CDetailView::EmptyPane() {
    m_nCurrentFolder = -1;
    m_arrRows.clear();
    m_nCurrentRow = -1;
    m_eActiveEditor = EDITOR_NONE;
    HideEditors();
    m_layout.Reset();
    m_layout.ClearCaches();
    UpdateScrollRange();
    viewport()->update();
}

void CDetailView::InvalidateHeights() {
    // Only the rows someone needs are laid out now (the ones on screen and
    // every row above them, when painting); the rest start from a guess and
    // are measured in idle steps, top down, so no row on screen moves.
    m_layout.Invalidate();
    // the current row carries the editors: measured down to it at once
    if (m_nCurrentRow >= 0) MeasureThrough(m_nCurrentRow);
    UpdateScrollRange();
    PositionEditors();
}

void CDetailView::MeasureThrough(int nRow) {
    if (m_layout.MeasureThrough(nRow)) UpdateScrollRange();
}

void CDetailView::MeasureToY(int y) {
    if (m_layout.MeasureToY(y)) UpdateScrollRange();
}

void CDetailView::OnScrollAction(int nAction) {
    // Scrolled to the very end (End, the thumb at the bottom, the last page):
    // the end meant is the real one, not the one the guessed heights give.
    if (nAction == QAbstractSlider::SliderNoAction || IsLayoutSettled()) return;
    QScrollBar* pBar = verticalScrollBar();
    if (pBar->sliderPosition() < pBar->maximum()) return;
    MeasureThrough(static_cast<int>(m_arrRows.size()) - 1);
    pBar->setSliderPosition(pBar->maximum());
}

void CDetailView::UpdateScrollRange() {
    QScrollBar* pBar = verticalScrollBar();
    const int nPage = viewport()->height();
    pBar->setPageStep(std::max(1, nPage));
    pBar->setSingleStep(std::max(1, m_layout.GetKeywordLineHeight()));
    // The position is never pulled back by guessed heights: when it lies
    // beyond the guessed end, the real end is measured first.
    if (GetScrollPos() > m_layout.GetTotalHeight() + 2 - nPage && !IsLayoutSettled()) m_layout.MeasureAll();
    pBar->setRange(0, std::max(0, m_layout.GetTotalHeight() + 2 - nPage));
}

int CDetailView::GetScrollPos() const {
    return verticalScrollBar()->value();
}

int CDetailView::RowTop(int nRow) {
    MeasureThrough(nRow);
    return m_layout.RowTop(nRow);
}

int CDetailView::HitTest(int y) {
    // rows are painted from y = 1; a row owns the pixels from its top up to
    // its bottom frame line
    MeasureToY(GetScrollPos() + y);
    int nTop = 1 - GetScrollPos();
    for (int i = 0; i < static_cast<int>(m_arrRows.size()); ++i) {
        const int nHeight = m_arrRows[i].DisplayHeight;
        if (nTop <= y && y < nTop + nHeight) return i;
        nTop += nHeight;
    }
    return -1;
}

bool CDetailView::IsAboveEndOfRows(int y) {
    MeasureToY(GetScrollPos() + y);
    return y < m_layout.GetTotalHeight() - GetScrollPos();
}

QRect CDetailView::KeywordRect(int nTop, int nHeight) const {
    return MakeRect(33, nTop + 3, m_nKeywordWidth - 3, nTop + nHeight);
}

QRect CDetailView::TextRect(int nTop, int nHeight) const {
    return MakeRect(m_nKeywordWidth + 5, nTop + 3, m_nClientWidth - 5, nTop + nHeight - 3);
}

void CDetailView::PositionEditors() {
    if (!IsRow(m_nCurrentRow)) return;
    const int nRowTop = RowTop(m_nCurrentRow);  // measures first
    const int nTop = 1 - GetScrollPos() + nRowTop;
    const int nHeight = m_arrRows[m_nCurrentRow].DisplayHeight;
    auto place = [](CEditEx* pEdit, const QRect& rc) {
        const QRect rcSafe(rc.topLeft(), QSize(std::max(0, rc.width()), std::max(0, rc.height())));
        if (pEdit->geometry() != rcSafe) pEdit->setGeometry(rcSafe);
        // the editor is as tall as its text: it never scrolls by itself
        pEdit->verticalScrollBar()->setValue(0);
    };
    place(m_pKeywordEdit, KeywordRect(nTop, nHeight));
    place(m_pTextEdit, TextRect(nTop, nHeight));
}

void CDetailView::ScrollTo(int nPos) {
    // a place beyond the guessed end is held against the real one
    if (nPos > verticalScrollBar()->maximum()) MeasureThrough(static_cast<int>(m_arrRows.size()) - 1);
    if (nPos != GetScrollPos()) verticalScrollBar()->setValue(nPos);
}

void CDetailView::ScrollRowIntoView() {
    if (!IsRow(m_nCurrentRow)) return;
    const int nRowTop = RowTop(m_nCurrentRow);  // measures first
    const int nVisibleTop = GetScrollPos();
    const int nVisibleBottom = nVisibleTop + m_nClientHeight;
    const int nRowHeight = m_arrRows[m_nCurrentRow].DisplayHeight;
    const int nRowBottom = nRowTop + nRowHeight;
    if (nRowTop < nVisibleTop)
        ScrollTo(nRowTop);
    else if (nRowBottom <= nVisibleBottom)
        return;
    else if (nRowHeight > m_nClientHeight)
        ScrollTo(nRowTop);
    else
        ScrollTo(nRowBottom - m_nClientHeight + 1);
}

void CDetailView::KeepCaretVisible() {
    if (!IsRow(m_nCurrentRow)) return;
    CEditEx* pEdit = m_eActiveEditor == EDITOR_KEYWORD ? m_pKeywordEdit
                     : m_eActiveEditor == EDITOR_TEXT  ? m_pTextEdit
                                                       : nullptr;
    if (!pEdit) return;
    const int nLine = std::max(1, m_layout.GetTextLineHeight());
    const int nCaretY = RowTop(m_nCurrentRow) + pEdit->GetCaretLine() * nLine;
    const int nPos = GetScrollPos();
    if (nCaretY - nLine < nPos)
        ScrollTo(nCaretY - nLine);
    else if (nCaretY + 2 * nLine > nPos + m_nClientHeight)
        ScrollTo(nCaretY + 2 * nLine - m_nClientHeight);
    else
        return;
    viewport()->update();
}

void CDetailView::resizeEvent(QResizeEvent* pEvent) {
    QAbstractScrollArea::resizeEvent(pEvent);
    m_nClientWidth = viewport()->width();
    m_nClientHeight = viewport()->height();
    SyncBoxWidths();
    // the heights depend on the widths of the two boxes only
    if (!m_layout.IsLaidOutForBoxes())
        RecalcHeights();
    else
        UpdateScrollRange();
}

void CDetailView::scrollContentsBy(int, int) {
    PositionEditors();
    viewport()->update();
}

bool CDetailView::viewportEvent(QEvent* pEvent) {
    // the whole client area is painted; nothing to erase first
    if (pEvent->type() == QEvent::Resize) {
        m_nClientWidth = viewport()->width();
        m_nClientHeight = viewport()->height();
        SyncBoxWidths();
    }
    return QAbstractScrollArea::viewportEvent(pEvent);
}

void CDetailView::paintEvent(QPaintEvent* pEvent) {
    // Qt paints into the window's back buffer and shows it in one piece
    // the rows on screen, and every row above them, are laid out exactly
    MeasureToY(GetScrollPos() + viewport()->height());
    QPainter painter(viewport());
    const QRect rcClip = pEvent->rect();
    painter.fillRect(rcClip, kBackground);
    painter.setPen(palette().color(QPalette::WindowText));
    int nTop = 1 - GetScrollPos();
    for (int i = 0; i < static_cast<int>(m_arrRows.size()); ++i) {
        const int nBottom = nTop + m_arrRows[i].DisplayHeight;
        if (nTop > rcClip.bottom()) break;
        if (nBottom > rcClip.top()) DrawRow(painter, i, nTop, rcClip);
        nTop = nBottom;
    }
}

void CDetailView::DrawRow(QPainter& painter, int nRow, int nTop, const QRect& rcClip) {
    const CKnowHowItem& item = m_arrRows[nRow];
    const int nBottom = nTop + item.DisplayHeight;
    const int K = m_nKeywordWidth;
    const int W = m_nClientWidth;
    const QPalette& pal = palette();
    const bool bSunken = nRow == m_nCurrentRow;
    const QColor light = pal.color(QPalette::Light);
    // the button shadow: dark enough that the current (sunken) row stands out
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor face = pal.color(QPalette::Button);
    auto drawCell = [&](const QRect& rc) {
        Draw3dRect(painter, rc, bSunken ? shadow : light, bSunken ? light : shadow);
        painter.fillRect(rc.adjusted(1, 1, -1, -1), face);
    };

    drawCell(MakeRect(1, nTop, kIconCellRight, nBottom));
    const QPixmap icon = GetBitmap(IconFor(item));
    painter.fillRect(QRect(6, nTop + 2, 16, 16), Qt::white);
    painter.drawPixmap(6, nTop + 2, icon);

    drawCell(MakeRect(30, nTop, K, nBottom));
    const bool bKeywordEditorShown = bSunken && m_pKeywordEdit->isVisible();
    if (!bKeywordEditorShown) {
        DrawWrappedText(painter, m_fontKeyword, FromAnsi(item.Name), KeywordRect(nTop, item.DisplayHeight),
                        m_layout.GetKeywordTabStop(), rcClip);
    }

    // bump edge: raised outside, sunken inside; the interior keeps the background
    const QRect rcText = MakeRect(K + 1, nTop, W, nBottom);
    Draw3dRect(painter, rcText, pal.color(QPalette::Midlight), pal.color(QPalette::Shadow));
    Draw3dRect(painter, rcText.adjusted(1, 1, -1, -1), pal.color(QPalette::Mid), pal.color(QPalette::Light));
    const bool bTextEditorShown = bSunken && m_pTextEdit->isVisible();
    if (!bTextEditorShown) {
        DrawWrappedText(painter, m_fontText, FromAnsi(item.Text), TextRect(nTop, item.DisplayHeight), m_dPaintTabStop,
                        rcClip);
    }
}

// --- selection and editing --------------------------------------------------------------

std::string CDetailView::EditorValue(const CEditEx* pEdit, const std::string& strSaved) const {
    const QString strShown = pEdit->toPlainText();
    // an untouched text keeps its stored bytes (line breaks included)
    if (strShown == StoredToDisplay(strSaved)) return strSaved;
    return DisplayToStored(strShown);
}

void CDetailView::WriteBack() {
    const int nRow = m_nCurrentRow;
    CKnowHowItem item = m_arrRows[nRow];
    item.SetName(TrimRight(EditorValue(m_pKeywordEdit, m_strSavedKeyword), " "));
    item.SetText(TrimRight(EditorValue(m_pTextEdit, m_strSavedText), " \r\n"));
    m_arrRows[nRow] = item;
    if (item.Modified && item.Name != "-" && !item.Name.empty()) {
        for (int i = 0; i < static_cast<int>(m_arrRows.size()); ++i) {
            if (i != nRow && m_arrRows[i].Name == item.Name) {
                GetPlatform().MessageBox(Ansi("Das Stichwort existiert bereits !"), "Warnung", EMsgIcon::Exclamation,
                                         EMsgButtons::Ok);
                break;
            }
        }
    }
    SaveRows();
    if (m_nCurrentRow != nRow) return;  // the save failed and the folder was reloaded
    // a new entry that was just stored gets a new empty row behind it
    if (IsLastRow(nRow) && m_arrRows[nRow].ID > 0) {
        m_layout.AppendRow(MakeEmptyRow());
    }
    // only the row left can have changed its height
    m_layout.RemeasureRow(nRow);
    UpdateScrollRange();
}

void CDetailView::SelectRow(int nRow, EEditor eEditor, const QPoint* pPoint, bool bForceWriteBack) {
    if (IsRow(m_nCurrentRow) && (bForceWriteBack || !IsWriteProtected())) WriteBack();

    const int nRows = static_cast<int>(m_arrRows.size());
    if (nRow >= nRows) nRow = nRows - 1;
    if (eEditor != EDITOR_KEYWORD && eEditor != EDITOR_TEXT) eEditor = EDITOR_NONE;

    HideEditors();
    const bool bReadOnly = IsWriteProtected();
    m_pKeywordEdit->setReadOnly(bReadOnly);
    m_pTextEdit->setReadOnly(bReadOnly);

    if (nRow < 0) {
        m_nCurrentRow = -1;
        m_eActiveEditor = EDITOR_NONE;
        viewport()->update();
        return;
    }

    m_nCurrentRow = nRow;
    m_strSavedKeyword = m_arrRows[nRow].Name;
    m_strSavedText = m_arrRows[nRow].Text;
    m_pKeywordEdit->SetAnsiText(m_strSavedKeyword);
    m_pTextEdit->SetAnsiText(m_strSavedText);
    PositionEditors();
    viewport()->update();

    // an empty row always starts in the keyword
    if (eEditor == EDITOR_TEXT && m_strSavedKeyword.empty() && m_strSavedText.empty()) eEditor = EDITOR_KEYWORD;
    if (eEditor != EDITOR_NONE) {
        CEditEx* pEdit = eEditor == EDITOR_KEYWORD ? m_pKeywordEdit : m_pTextEdit;
        pEdit->show();
        if (pPoint) pEdit->SetCaretFromPoint(*pPoint - pEdit->pos());
        pEdit->setFocus();
    }
    m_eActiveEditor = eEditor;
    ScrollRowIntoView();
}

void CDetailView::OnEditorChanged(CEditEx* pEdit) {
    if (!IsRow(m_nCurrentRow)) return;
    CKnowHowItem& item = m_arrRows[m_nCurrentRow];
    // untrimmed: trimming happens when the row is left
    if (pEdit == m_pKeywordEdit)
        item.SetName(EditorValue(m_pKeywordEdit, m_strSavedKeyword));
    else
        item.SetText(EditorValue(m_pTextEdit, m_strSavedText));
    const int nOld = item.DisplayHeight;
    RecalcHeights(m_nCurrentRow);
    if (m_arrRows[m_nCurrentRow].DisplayHeight != nOld) {
        KeepCaretVisible();
        viewport()->update();
    }
}

void CDetailView::OnEditorKey(int nCode) {
    const int r = m_nCurrentRow;
    const EEditor e = m_eActiveEditor;
    switch (nCode) {
        case EK_PREV_ROW: SelectRow(r > 0 ? r - 1 : r, e); break;
        case EK_NEXT_ROW: SelectRow(r + 1, e); break;
        case EK_BACK:
            if (e == EDITOR_TEXT)
                SelectRow(r, EDITOR_KEYWORD);
            else if (r > 0)
                SelectRow(r - 1, EDITOR_TEXT);
            else
                SelectRow(r, e);
            break;
        case EK_FORWARD:
            if (e == EDITOR_KEYWORD)
                SelectRow(r, EDITOR_TEXT);
            else
                SelectRow(r + 1, EDITOR_KEYWORD);
            break;
        case EK_CANCEL:
            if (e == EDITOR_KEYWORD) m_pKeywordEdit->SetAnsiText(m_strSavedKeyword);
            if (e == EDITOR_TEXT) m_pTextEdit->SetAnsiText(m_strSavedText);
            // a row not stored yet drops a folder conversion; the empty row of
            // the top level stays a folder, as every new entry there is one
            if (IsRow(r) && m_arrRows[r].ID == 0) m_arrRows[r].SetIsDir(m_nCurrentFolder == 0 ? 1 : 0);
            SelectRow(r, e);
            break;
        case EK_CARET: KeepCaretVisible(); break;
        case EK_OPEN:
            OpenRow(r);
            SelectRow(r, e);
            break;
        case EK_UP_LEVEL: GoUpLevel(); break;
        default: SelectRow(r, e); break;
    }
}

// --- messages and commands -----------------------------------------------------------------

std::intptr_t CDetailView::OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) {
    switch (nMsg) {
        case WM_SHOW_FOLDER: ShowFolder(static_cast<std::int32_t>(wParam)); return 0;
        case WM_SELECT_ENTRY: {
            int nFound = -1;
            for (int i = 0; i < static_cast<int>(m_arrRows.size()); ++i)
                if (m_arrRows[i].ID == static_cast<std::int32_t>(wParam)) nFound = i;
            // lParam: editor + 1
            if (nFound >= 0) SelectRow(nFound, static_cast<EEditor>(lParam - 1));
            return 0;
        }
        case WM_EDITOR_KEY: OnEditorKey(static_cast<int>(wParam)); return 0;
        case WM_COMMAND: break;
        default: return 0;
    }
    switch (static_cast<int>(wParam)) {
        case ID_DETAIL_CLOSE:
            SaveRows();
            SelectRow(-1, EDITOR_NONE);
            EmptyPane();
            GetPlatform().WriteProfileInt("Parameter", "Stichwortbreite", m_nKeywordWidth);
            return 0;
        case ID_DETAIL_RESET:
            // what the user typed is written before the pane is emptied
            if (m_nCurrentFolder >= 0 && m_doc.IsDatabaseOpen()) SelectRow(-1, EDITOR_NONE);
            EmptyPane();
            return 0;
        case ID_DETAIL_END_EDIT: SelectRow(m_nCurrentRow, EDITOR_NONE); return 0;
        case ID_DETAIL_RELOAD: {
            if (m_nCurrentFolder < 0) return 0;
            const int nRow = m_nCurrentRow;
            ReloadFolder();
            if (nRow >= 0) SelectRow(nRow, EDITOR_NONE);
            return 0;
        }
        case ID_DETAIL_READONLY_CHANGED:
            // typing done before the protection was switched on is kept
            SelectRow(m_nCurrentRow, m_eActiveEditor, nullptr, true);
            return 0;
        default: OnCommand(static_cast<int>(wParam)); return 0;
    }
}

bool CDetailView::OnUpdateCommand(int nId, SCommandState& state) {
    const int r = m_nCurrentRow;
    const bool bRow = IsRow(r);
    const bool bWritable = !IsWriteProtected();
    const CKnowHowItem* pItem = bRow ? &m_arrRows[r] : nullptr;
    switch (nId) {
        case ID_ENTRY_DELETE: state.bEnabled = bRow && bWritable && pItem->ID != 0; return true;
        case ID_ENTRY_MOVE_UP: state.bEnabled = bRow && r > 0 && bWritable && pItem->ID != 0; return true;
        case ID_ENTRY_MOVE_DOWN:
            state.bEnabled = bRow && !IsLastRow(r) && bWritable && m_arrRows[r + 1].ID != 0;
            return true;
        case ID_FOLDER_CREATE: state.bEnabled = bRow && bWritable && pItem->Typ != 1 && pItem->IsDir != 1; return true;
        case ID_ENTRY_PREVIOUS:
        case ID_ENTRY_NEXT: state.bEnabled = bRow && !IsLastRow(r); return true;
        case ID_LINK_EDIT: state.bEnabled = bRow && bWritable && pItem->IsDir != 1; return true;
        case ID_LINK_OPEN: state.bEnabled = bRow && pItem->Typ == 1; return true;
        case ID_FOLDER_OPEN: state.bEnabled = bRow && pItem->IsDir != 0; return true;
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW: state.bEnabled = true; return true;
        default: return false;
    }
}

bool CDetailView::OnCommand(int nId) {
    SCommandState state;
    if (!OnUpdateCommand(nId, state)) return false;
    if (!state.bEnabled) return true;  // a disabled command reached us by key: nothing
    const std::int32_t nId0 = IsRow(m_nCurrentRow) ? m_arrRows[m_nCurrentRow].ID : 0;
    switch (nId) {
        case ID_ENTRY_DELETE: DeleteEntry(); break;
        case ID_ENTRY_MOVE_UP: MoveUp(); break;
        case ID_ENTRY_MOVE_DOWN: MoveDown(); break;
        case ID_FOLDER_CREATE: ConvertToFolder(); break;
        case ID_ENTRY_PREVIOUS: m_doc.GoToPreviousEntry(nId0); break;
        case ID_ENTRY_NEXT: m_doc.GoToNextEntry(nId0); break;
        case ID_LINK_EDIT: EditLink(); break;
        case ID_LINK_OPEN: CLinkDlg::OpenLink(m_arrRows[m_nCurrentRow].Link); break;
        case ID_FOLDER_OPEN: OpenRow(m_nCurrentRow); break;
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW: m_doc.PrintFolder(this, m_nCurrentFolder, nId == ID_FILE_PRINT_PREVIEW); break;
        default: break;
    }
    return true;
}

void CDetailView::DeleteEntry() {
    const int nIndex = m_nCurrentRow;
    if (nIndex < 0) return;
    if (!m_doc.DeleteEntryAsk(m_arrRows[nIndex].ID)) return;
    // The entry is gone, and with it whatever was typed into it. The stored
    // entries behind it were renumbered (and their update counters raised)
    // by the delete, so the list is read again rather than patched: the row
    // removed is the deleted entry, and later edits are not refused as
    // someone else's change.
    ReloadFolder();
    SelectRow(nIndex, EDITOR_NONE);
    SaveRows();
    SendPaneCommand(Tree(), ID_TREE_REFRESH);
}

void CDetailView::MoveUp() {
    ExchangeCurrentRow(-1);
}

void CDetailView::MoveDown() {
    ExchangeCurrentRow(1);
}

void CDetailView::ExchangeCurrentRow(int nDelta) {
    const int i = m_nCurrentRow;
    const int j = i + nDelta;
    if (i < 0 || j < 0 || j >= static_cast<int>(m_arrRows.size())) return;
    if (m_eActiveEditor != EDITOR_NONE) {
        SelectRow(i, EDITOR_NONE);
        if (m_nCurrentRow != i) return;  // the save failed and the folder was reloaded
    }
    // the later of the two must be stored: the empty row stays last
    const int nLater = std::max(i, j);
    if (m_arrRows[nLater].ID == 0) return;
    // both rows keep exact heights in their new places
    MeasureThrough(nLater);
    SelectRow(-1, EDITOR_NONE);
    if (static_cast<int>(m_arrRows.size()) <= nLater) return;
    const std::int32_t nPos = m_arrRows[i].PosNr;
    m_arrRows[i].SetPosNr(m_arrRows[j].PosNr);
    m_arrRows[j].SetPosNr(nPos);
    std::swap(m_arrRows[i], m_arrRows[j]);
    SelectRow(j, EDITOR_NONE);
    viewport()->update();
    SaveRows();
}

void CDetailView::ConvertToFolder() {
    const int r = m_nCurrentRow;
    if (r < 0) return;
    if (!IsLastRow(r)) {
        if (GetPlatform().MessageBox(Ansi("Texteintrag in ein Verzeichnis umwandeln ?"), "Verzeichnis erstellen",
                                     EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
            return;
    }
    if (m_nCurrentRow != r) return;
    m_arrRows[r].SetIsDir(1);
    RecalcHeights();
    SaveRows();
    viewport()->update();
    SelectRow(m_nCurrentRow, EDITOR_KEYWORD);
}

void CDetailView::EditLink() {
    const int r = m_nCurrentRow;
    if (r < 0) return;
    CLinkDlg dlg(window());
    dlg.m_item = m_arrRows[r];
    if (dlg.exec() != QDialog::Accepted) return;
    if (m_nCurrentRow != r) return;
    m_arrRows[r] = dlg.m_item;
    SaveRows();
    viewport()->update();
    SelectRow(m_nCurrentRow, EDITOR_KEYWORD);
}

void CDetailView::OpenRow(int nRow) {
    if (!IsRow(nRow)) return;
    const CKnowHowItem& item = m_arrRows[nRow];
    if (item.IsDir)
        PostPaneMessage(Tree(), WM_SHOW_FOLDER, item.ID);
    else if (item.Typ == 1)
        CLinkDlg::OpenLink(item.Link);
}

void CDetailView::GoUpLevel() {
    m_doc.GoToEntry(m_nCurrentFolder);
}

// --- keyboard --------------------------------------------------------------------------------

bool CDetailView::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::KeyPress) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        // Tab opens the keyword editor here; it does not leave the view
        if (pKey->key() == Qt::Key_Tab || pKey->key() == Qt::Key_Backtab) {
            keyPressEvent(pKey);
            return true;
        }
    }
    return QAbstractScrollArea::event(pEvent);
}

void CDetailView::keyPressEvent(QKeyEvent* pEvent) {
    const Qt::KeyboardModifiers mods = pEvent->modifiers();
    switch (pEvent->key()) {
        case Qt::Key_Up:
            if (m_nCurrentRow > 0) SelectRow(m_nCurrentRow - 1, EDITOR_NONE);
            return;
        case Qt::Key_Down: SelectRow(m_nCurrentRow + 1, EDITOR_NONE); return;
        case Qt::Key_Escape:
            if (m_bDragging) {
                EndDrag();
                m_nDragRow = -1;
                m_nDropTarget = -1;
            }
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods & Qt::AltModifier) break;  // the frame's pane switch
            if (mods & Qt::ControlModifier)
                OpenRow(m_nCurrentRow);
            else if (mods & Qt::ShiftModifier)
                GoUpLevel();
            else if (m_eActiveEditor == EDITOR_NONE)
                SelectRow(m_nCurrentRow, EDITOR_KEYWORD);
            return;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (m_eActiveEditor == EDITOR_NONE) SelectRow(m_nCurrentRow, EDITOR_KEYWORD);
            return;
        default: break;
    }
    QAbstractScrollArea::keyPressEvent(pEvent);
}

// --- mouse -----------------------------------------------------------------------------------

void CDetailView::mousePressEvent(QMouseEvent* pEvent) {
    const QPoint pt = pEvent->position().toPoint();
    const int K = m_nKeywordWidth;
    if (pEvent->button() == Qt::RightButton) {
        SelectRow(HitTest(pt.y()), EDITOR_NONE);
        return;
    }
    if (pEvent->button() != Qt::LeftButton) return;
    if (K - 3 < pt.x() && pt.x() < K + 3) {
        viewport()->setCursor(Qt::SplitHCursor);
        // the divider is held from the press on, so a quick first move that
        // already leaves the narrow zone still drags it
        m_bDividerPressed = true;
        return;
    }
    if (!m_bResizing && pEvent->buttons() == Qt::LeftButton) {
        const int nRow = HitTest(pt.y());
        const EEditor eEditor = pt.x() > K ? EDITOR_TEXT : pt.x() > 30 ? EDITOR_KEYWORD : EDITOR_NONE;
        SelectRow(nRow, eEditor, &pt);
    }
    if (pt.x() < kIconCellRight) {
        const int nRow = HitTest(pt.y());
        if (nRow >= 0 && m_arrRows[nRow].ID > 0) {
            m_bDragPending = true;
            m_ptPress = pt;
            m_nDragRow = nRow;
            m_nDragId = m_arrRows[nRow].ID;
            m_nDropTarget = -1;
        }
    }
}

void CDetailView::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint pt = pEvent->position().toPoint();
    if (m_bDragging) {
        MoveDrag(pt);
        return;
    }
    if (pEvent->buttons() == Qt::NoButton) m_bDragPending = false;
    if (m_bDragPending && !IsWriteProtected()) {
        const int dx = m_ptPress.x() - pt.x();
        const int dy = m_ptPress.y() - pt.y();
        const int d2 = dx * dx + dy * dy;
        if (4 < d2 && d2 < 30) {
            BeginDrag(pt);
            return;
        }
    }
    const bool bOverRows = IsAboveEndOfRows(pt.y());
    UpdateCursor(pt, bOverRows);
    if (!bOverRows) return;
    const int K = m_nKeywordWidth;
    if ((K - 3 < pt.x() && pt.x() < K + 4) || m_bResizing || m_bDividerPressed) {
        if (pEvent->buttons() == Qt::LeftButton) {
            if (!m_bResizing) SelectRow(-1, EDITOR_NONE);
            m_bResizing = true;
            if (pt.x() > kMinKeywordWidth) {
                m_nKeywordWidth = pt.x();
                SyncBoxWidths();
                RecalcHeights();
                viewport()->update();
            }
        } else {
            m_bResizing = false;
            m_bDividerPressed = false;
        }
    }
}

void CDetailView::UpdateCursor(const QPoint& pt, bool bOverRows) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (bOverRows) {
        const int K = m_nKeywordWidth;
        if ((K - 3 < pt.x() && pt.x() < K + 4) || m_bResizing) {
            shape = Qt::SplitHCursor;
        } else if (5 < pt.x() && pt.x() < 25) {
            const int y = GetScrollPos() + pt.y();
            int nTop = 0;
            for (const CKnowHowItem& item : m_arrRows) {
                if (nTop >= y) break;  // every later row starts lower still
                if (y < nTop + 20 && (item.IsDir || item.Typ == 1)) {
                    shape = Qt::PointingHandCursor;
                    break;
                }
                nTop += item.DisplayHeight;
            }
        }
    }
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void CDetailView::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton) return;
    m_bDragPending = false;
    m_bResizing = false;
    m_bDividerPressed = false;
    if (m_bDragging) Drop();
}

void CDetailView::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton && pEvent->position().x() < 30) OpenRow(m_nCurrentRow);
}

void CDetailView::contextMenuEvent(QContextMenuEvent* pEvent) {
    m_doc.ShowContextMenu(this, pEvent->globalPos());
}

// --- drag and drop ------------------------------------------------------------------------

void CDetailView::BeginDrag(const QPoint& pt) {
    if (m_eActiveEditor != EDITOR_NONE) SelectRow(m_nCurrentRow, EDITOR_NONE);
    // the save on leaving the editor may have read the folder again
    if (!IsRow(m_nDragRow) || m_arrRows[m_nDragRow].ID != m_nDragId) {
        m_bDragPending = false;
        return;
    }
    QWidget* pHost = window();
    m_pDragImage = new QLabel(pHost);
    m_pDragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pDragImage->setPixmap(GetBitmap(IconFor(m_arrRows[m_nDragRow])));
    m_pDragImage->resize(16, 16);
    m_pDragImage->show();
    m_pDragImage->raise();
    viewport()->grabMouse();
    m_bDragging = true;
    m_bDragPending = false;
    MoveDrag(pt);
}

void CDetailView::MoveDrag(const QPoint& pt) {
    if (m_pDragImage) {
        QWidget* pHost = m_pDragImage->parentWidget();
        m_pDragImage->move(viewport()->mapTo(pHost, pt) + QPoint(12, 12));
        m_pDragImage->hide();
    }
    m_nDropTarget = -1;
    const int nRow = HitTest(pt.y());
    if (0 < pt.x() && pt.x() < kIconCellRight && nRow >= 0 && m_arrRows[nRow].ID > 0 && m_arrRows[nRow].IsDir)
        m_nDropTarget = m_arrRows[nRow].ID;
    else
        m_nDropTarget = TreeDropTarget();
    if (m_nDropTarget == m_nDragId) m_nDropTarget = -1;
    // a folder cannot go into its own subtree
    const bool bFolder = IsRow(m_nDragRow) && m_arrRows[m_nDragRow].IsDir;
    if (m_nDropTarget > 0 && bFolder && m_doc.IsInsideFolder(m_nDropTarget, m_nDragId)) m_nDropTarget = -1;
    if (m_pDragImage) {
        const QPixmap icon = GetBitmap(IconFor(m_arrRows[m_nDragRow]));
        if (m_nDropTarget == -1) {
            QPixmap combined = icon;
            QPainter painter(&combined);
            painter.drawPixmap(0, 0, GetBitmap(IDB_NO_DROP));
            painter.end();
            m_pDragImage->setPixmap(combined);
        } else {
            m_pDragImage->setPixmap(icon);
        }
        m_pDragImage->show();
        m_pDragImage->raise();
    }
}

std::int32_t CDetailView::TreeDropTarget() {
    const SPaneRef tree = Tree();
    if (!tree.pTarget) return -1;
    return static_cast<std::int32_t>(SendPaneMessage(tree, WM_DROP_TARGET, 1, 0));
}

void CDetailView::EndDrag() {
    if (m_pDragImage) {
        m_pDragImage->hide();
        m_pDragImage->deleteLater();
    }
    m_pDragImage = nullptr;
    viewport()->releaseMouse();
    m_bDragging = false;
    SendPaneMessage(Tree(), WM_DROP_TARGET, 0, 0);
}

void CDetailView::Drop() {
    EndDrag();
    const std::int32_t nTarget = m_nDropTarget;
    const std::int32_t nDragged = m_nDragId;
    const bool bFolder = IsRow(m_nDragRow) && m_arrRows[m_nDragRow].ID == nDragged && m_arrRows[m_nDragRow].IsDir;
    m_nDragRow = -1;
    m_nDropTarget = -1;
    if (nTarget < 0) return;
    m_doc.MoveToFolder(nDragged, nTarget);
    if (bFolder) {
        // the top level is rebuilt whole: here, or when the entry is gone to below
        SendPaneMessage(Tree(), WM_REFRESH_FOLDER, m_nCurrentFolder, 0);
        if (m_nCurrentFolder != 0 && nTarget != 0) SendPaneMessage(Tree(), WM_REFRESH_FOLDER, nTarget, 0);
    } else {
        ReloadFolder();
    }
    m_doc.GoToEntry(nDragged);
}

#include "moc_CDetailView.cpp"
