#include "edit/CDetailView.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include "db/CDB.h"
#include "edit/CDetailAccessible.h"
#include "edit/TextLayout.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/CommandIds.h"
#include "ui/QtText.h"

namespace {
const QColor kBackground(243, 243, 243);
constexpr int kMinKeywordWidth = 150;

std::string TrimRight(const std::string& str, const char* pszChars) {
    const size_t nEnd = str.find_last_not_of(pszChars);
    return nEnd == std::string::npos ? std::string() : str.substr(0, nEnd + 1);
}

}  // namespace

CDetailView::CDetailView(IEditDocument& doc, QWidget* pParent)
    : QAbstractScrollArea(pParent),
      m_doc(doc),
      m_rows([&doc] { return doc.GetService(); }),
      m_writer(
          m_rows, doc, this, [this] { RowsReplaced(); }, [this] { viewport()->update(); }) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);

    static const bool bAccessible = (QAccessible::installFactory(DetailViewAccessibleFactory), true);
    (void)bAccessible;
    m_pKeywordEdit = new CEditEx(viewport());
    m_pKeywordEdit->setObjectName(QStringLiteral("keywordEdit"));
    m_pKeywordEdit->setAccessibleName(QStringLiteral("Stichwort"));
    m_pKeywordEdit->SetMode(EDITOR_KEYWORD);
    m_pKeywordEdit->SetEnterAdvances(1);
    m_pTextEdit = new CEditEx(viewport());
    m_pTextEdit->setObjectName(QStringLiteral("textEdit"));
    m_pTextEdit->setAccessibleName(QStringLiteral("Text"));
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
    m_rows.Clear();
    m_layout.Reset();
    m_layout.ClearCaches();
    m_nKeywordWidth = GetPlatform().GetProfileInt("Parameter", "Stichwortbreite", kMinKeywordWidth);
    SyncBoxWidths();
    m_nCurrentRow = -1;
    m_eActiveEditor = EDITOR_NONE;
    HideEditors();
    m_writer.ClearMark();

    const QFont& fontText = m_doc.GetFont(DOC_FONT_NORMAL);
    const QFont& fontKeyword = m_doc.GetFont(DOC_FONT_BOLD);
    m_pKeywordEdit->setFont(fontKeyword);
    m_pKeywordEdit->SetLimitText(80);
    m_pTextEdit->setFont(fontText);
    m_pTextEdit->SetTabStopChars(2);

    m_layout.SetFonts(fontKeyword, fontText);
    m_painter.SetFonts(fontKeyword, fontText, m_layout.GetKeywordTabStop(), TabStopDistance(fontText, 2));
    m_layout.UpdateTotal();  // no rows: 0
    UpdateScrollRange();
    viewport()->update();
}

// --- reading and writing ------------------------------------------------------------------------

void CDetailView::RowsReplaced() {
    if (m_nCurrentRow >= m_rows.Count()) m_nCurrentRow = m_rows.Count() - 1;
    RecalcHeights();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleEvent ev(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&ev);
    }
}

void CDetailView::ShowFolder(TRowId nFolder) {
    if (nFolder == m_rows.GetFolder()) return;
    // the open editor's text is in its row already (copied on every change);
    // typing that cannot be stored keeps the folder shown
    const TRowId nShown = m_rows.GetFolder();
    auto stay = [&] {
        if (nShown >= 0) PostPaneMessage(Tree(), WM_SHOW_FOLDER, nShown);
    };
    if (!m_writer.Save()) return stay();
    const EWriteResult eResult = m_rows.Load(nFolder);
    if (eResult != EWriteResult::Saved) {
        // the view keeps what it showed, and says why
        CRowsWriter::SayFileNotUsable(eResult, GetDatabase().GetLastErrorCode(), false);
        return stay();
    }
    m_nCurrentRow = -1;
    m_eActiveEditor = EDITOR_NONE;
    m_bOthersChanged = false;
    HideEditors();
    // The new folder is shown from its top (its first row is selected
    // below); starting there spares measuring down to the old position.
    ScrollTo(0);
    m_layout.ClearCaches();
    RowsReplaced();
    m_doc.ShowFolderTitle(nFolder);
    SelectRow(0, EDITOR_NONE);
}

void CDetailView::HideEditors() {
    // hiding the focused editor must not send the focus out of the view
    if (m_pKeywordEdit->hasFocus() || m_pTextEdit->hasFocus()) setFocus();
    m_pKeywordEdit->hide();
    m_pTextEdit->hide();
}

void CDetailView::EmptyPane() {
    m_rows.Clear();
    m_nCurrentRow = -1;
    m_eActiveEditor = EDITOR_NONE;
    HideEditors();
    m_writer.ClearMark();
    m_layout.Reset();
    m_layout.ClearCaches();
    UpdateScrollRange();
    viewport()->update();
}

bool CDetailView::QueryClose() {
    if (GetCurrentFolder() < 0 || !m_doc.IsDatabaseOpen()) return true;
    // written once, by the question's loop
    if (IsRow(m_nCurrentRow) && !IsWriteProtected()) WriteBack(false);
    bool bDropped = false;
    if (!m_writer.QueryClose(bDropped)) return false;
    if (bDropped) EmptyPane();  // as the user chose
    return true;
}

// --- layout ----------------------------------------------------------------------------------

void CDetailView::SyncBoxWidths() {
    m_layout.SetBoxWidths(m_nKeywordWidth - 36, m_nClientWidth - m_nKeywordWidth - 10);
    m_painter.SetWidths(m_nKeywordWidth, m_nClientWidth);
}

void CDetailView::RecalcHeights(int nOnlyRow) {
    if (IsRow(nOnlyRow)) {
        CKnowHowItem& item = Rows()[nOnlyRow];
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
        return;
    }
    ++m_nAllMeasures;
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
    MeasureThrough(m_rows.Count() - 1);
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
    for (int i = 0; i < m_rows.Count(); ++i) {
        const int nHeight = Rows()[i].DisplayHeight;
        if (nTop <= y && y < nTop + nHeight) return i;
        nTop += nHeight;
    }
    return -1;
}

bool CDetailView::IsAboveEndOfRows(int y) {
    MeasureToY(GetScrollPos() + y);
    return y < m_layout.GetTotalHeight() - GetScrollPos();
}

void CDetailView::PositionEditors() {
    if (!IsRow(m_nCurrentRow)) return;
    const int nRowTop = RowTop(m_nCurrentRow);  // measures first
    const int nTop = 1 - GetScrollPos() + nRowTop;
    const int nHeight = Rows()[m_nCurrentRow].DisplayHeight;
    auto place = [](CEditEx* pEdit, const QRect& rc) {
        const QRect rcSafe(rc.topLeft(), QSize(std::max(0, rc.width()), std::max(0, rc.height())));
        if (pEdit->geometry() != rcSafe) pEdit->setGeometry(rcSafe);
        // the editor is as tall as its text: it never scrolls by itself
        pEdit->verticalScrollBar()->setValue(0);
    };
    place(m_pKeywordEdit, m_painter.KeywordRect(nTop, nHeight));
    place(m_pTextEdit, m_painter.TextRect(nTop, nHeight));
}

void CDetailView::ScrollTo(int nPos) {
    // a place beyond the guessed end is held against the real one
    if (nPos > verticalScrollBar()->maximum()) MeasureThrough(m_rows.Count() - 1);
    if (nPos != GetScrollPos()) verticalScrollBar()->setValue(nPos);
}

void CDetailView::ScrollRowIntoView() {
    if (!IsRow(m_nCurrentRow)) return;
    const int nRowTop = RowTop(m_nCurrentRow);  // measures first
    const int nVisibleTop = GetScrollPos();
    const int nVisibleBottom = nVisibleTop + m_nClientHeight;
    const int nRowHeight = Rows()[m_nCurrentRow].DisplayHeight;
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

QString CDetailView::LinkAt(int y) {
    if (!IsAboveEndOfRows(y)) return QString();
    const int nRow = HitTest(y);
    if (!IsRow(nRow)) return QString();
    const CKnowHowItem& item = Rows()[nRow];
    return item.Typ == 1 && !item.IsDir ? FromAnsi(item.Link) : QString();
}

void CDetailView::ShowHoverLink(const QString& strLink) {
    if (strLink == m_strHoverLink) return;
    m_strHoverLink = strLink;
    // the frame shows status tips in its status bar, as for the menus
    QStatusTipEvent tip(strLink);
    QCoreApplication::sendEvent(this, &tip);
}

bool CDetailView::viewportEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip) {
        auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        const QString strLink = LinkAt(pHelp->pos().y());
        if (strLink.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(pHelp->globalPos(), strLink, viewport());
        return true;
    }
    if (pEvent->type() == QEvent::Leave) ShowHoverLink(QString());
    // the whole client area is painted; nothing to erase first
    if (pEvent->type() == QEvent::Resize) {
        m_nClientWidth = viewport()->width();
        m_nClientHeight = viewport()->height();
        SyncBoxWidths();
    }
    return QAbstractScrollArea::viewportEvent(pEvent);
}

void CDetailView::paintEvent(QPaintEvent* pEvent) {
    // Qt paints into the window's back buffer and shows it in one piece;
    // the rows on screen, and every row above them, are laid out exactly
    MeasureToY(GetScrollPos() + viewport()->height());
    QPainter painter(viewport());
    const QRect rcClip = pEvent->rect();
    painter.fillRect(rcClip, kBackground);
    painter.setPen(palette().color(QPalette::WindowText));
    int nTop = 1 - GetScrollPos();
    for (int i = 0; i < m_rows.Count(); ++i) {
        const CKnowHowItem& item = Rows()[i];
        const int nBottom = nTop + item.DisplayHeight;
        if (nTop > rcClip.bottom()) break;
        if (nBottom > rcClip.top()) {
            const bool bCurrent = i == m_nCurrentRow;
            m_painter.Draw(painter, palette(), item, nTop, bCurrent, bCurrent && m_pKeywordEdit->isVisible(),
                           bCurrent && m_pTextEdit->isVisible(), rcClip);
            // a row whose typing could not be stored yet
            if (m_writer.IsMarking() && (item.ID > 0 ? item.Modified : !(item.Name.empty() && item.Text.empty())))
                painter.fillRect(QRect(22, nTop + 3, 5, 5), QColor(200, 0, 0));
        }
        nTop = nBottom;
    }
}

// --- selection and editing --------------------------------------------------------------

std::string CDetailView::EditorValue(const CEditEx* pEdit, const std::string& strSaved) const {
    const QString strShown = pEdit->toPlainText();
    // an untouched text keeps its stored bytes (line breaks included)
    if (strShown == StoredToDisplay(strSaved)) return strSaved;
    return DisplayToStored(strShown);
}

bool CDetailView::WriteBack(bool bSave) {
    const int nRow = m_nCurrentRow;
    CKnowHowItem& item = Rows()[nRow];
    item.SetName(TrimRight(EditorValue(m_pKeywordEdit, m_strSavedKeyword), " "));
    item.SetText(TrimRight(EditorValue(m_pTextEdit, m_strSavedText), " \r\n"));
    if (!bSave) return true;
    if (item.Modified && item.Name != "-" && !item.Name.empty() && m_rows.IsDuplicateKeyword(nRow))
        GetPlatform().MessageBox(Ansi("Das Stichwort existiert bereits !"), "Warnung", EMsgIcon::Exclamation,
                                 EMsgButtons::Ok);
    const bool bNewRow = item.ID == 0 && IsLastRow(nRow);
    const bool bSaved = m_writer.Save();
    // a refusal the user resolved may have taken the row away
    if (!IsRow(nRow)) {
        m_nCurrentRow = m_rows.Count() - 1;
        return bSaved;
    }
    // a new entry that was just stored gets a new empty row behind it
    if (bNewRow && IsLastRow(nRow) && Rows()[nRow].ID > 0) m_layout.AppendRow(m_rows.MakeEmptyRow());
    // only the row left can have changed its height
    m_layout.RemeasureRow(nRow);
    UpdateScrollRange();
    return bSaved;
}

void CDetailView::SelectRow(int nRow, EEditor eEditor, const QPoint* pPoint, bool bForceWriteBack) {
    if (IsRow(m_nCurrentRow) && (bForceWriteBack || !IsWriteProtected())) {
        const int nLeft = m_nCurrentRow;
        const bool bSameRow = nRow == nLeft;
        const TRowId nTargetId = IsRow(nRow) ? Rows()[nRow].ID : -1;
        const bool bTargetLast = IsLastRow(nRow);
        const TRowId nLeftId = Rows()[nLeft].ID;
        if (!WriteBack() && m_rows.HasUnsaved()) {
            // the typing could not be stored: the editor and its caret stay
            CEditEx* pEdit = m_eActiveEditor == EDITOR_KEYWORD ? m_pKeywordEdit
                             : m_eActiveEditor == EDITOR_TEXT  ? m_pTextEdit
                                                               : nullptr;
            if (pEdit && pEdit->isVisible()) pEdit->setFocus();
            viewport()->update();
            return;
        }
        // another user's change waited for the row to be left
        if (m_bOthersChanged) m_commands.TakeOthersChanges();
        // the row meant may stand elsewhere now: it is found by its entry
        auto at = [&](int n) { return IsRow(n) ? Rows()[n].ID : -2; };
        int nMeant = nRow;
        if (bSameRow)
            nMeant = nLeftId > 0 ? m_rows.IndexOf(nLeftId) : std::min(m_nCurrentRow, m_rows.Count() - 1);
        else if (nTargetId > 0)
            nMeant = m_rows.IndexOf(nTargetId);
        else if (nTargetId == 0 && bTargetLast)
            nMeant = m_rows.Count() - 1;
        if (nMeant < 0) nMeant = std::min(nRow, m_rows.Count() - 1);
        if (nMeant != nRow || at(nRow) != nTargetId) pPoint = nullptr;
        if (nRow >= 0) nRow = nMeant;
    }

    const int nRows = m_rows.Count();
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
    m_strSavedKeyword = Rows()[nRow].Name;
    m_strSavedText = Rows()[nRow].Text;
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
    CKnowHowItem& item = Rows()[m_nCurrentRow];
    // untrimmed: trimming happens when the row is left
    if (pEdit == m_pKeywordEdit)
        item.SetName(EditorValue(m_pKeywordEdit, m_strSavedKeyword));
    else
        item.SetText(EditorValue(m_pTextEdit, m_strSavedText));
    const int nOld = item.DisplayHeight;
    RecalcHeights(m_nCurrentRow);
    if (Rows()[m_nCurrentRow].DisplayHeight != nOld) {
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
            if (IsRow(r) && Rows()[r].ID == 0) Rows()[r].SetIsDir(GetCurrentFolder() == 0 ? 1 : 0);
            SelectRow(r, e);
            break;
        case EK_CARET: KeepCaretVisible(); break;
        case EK_OPEN:
            m_commands.OpenRow(r);
            SelectRow(r, e);
            break;
        case EK_UP_LEVEL: m_commands.GoUpLevel(); break;
        default: SelectRow(r, e); break;
    }
}

// --- messages and commands -----------------------------------------------------------------

std::intptr_t CDetailView::OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) {
    // while a save asks the user, what arrives comes back afterwards
    if (m_writer.IsSaving() && nMsg != WM_EDITOR_KEY) {
        QTimer::singleShot(50, this, [this, nMsg, wParam, lParam] { OnPaneMessage(nMsg, wParam, lParam); });
        return 0;
    }
    switch (nMsg) {
        case WM_SHOW_FOLDER: ShowFolder(static_cast<TRowId>(wParam)); return 0;
        case WM_SELECT_ENTRY: {
            const int nFound = m_rows.IndexOf(static_cast<TRowId>(wParam));
            // lParam: editor + 1
            if (nFound >= 0) SelectRow(nFound, static_cast<EEditor>(lParam - 1));
            return 0;
        }
        case WM_EDITOR_KEY: OnEditorKey(static_cast<int>(wParam)); return 0;
        case WM_COMMAND: break;
        default: return 0;
    }
    return m_commands.OnPaneCommand(static_cast<int>(wParam));
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
        case Qt::Key_Escape: m_drag.Cancel(); return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods & Qt::AltModifier) break;  // the frame's pane switch
            if (mods & Qt::ControlModifier)
                m_commands.OpenRow(m_nCurrentRow);
            else if (mods & Qt::ShiftModifier)
                m_commands.GoUpLevel();
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
    m_drag.Press(pt);
}

void CDetailView::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint pt = pEvent->position().toPoint();
    if (m_drag.MouseMove(pt, pEvent->buttons(), IsWriteProtected())) return;
    const bool bOverRows = IsAboveEndOfRows(pt.y());
    UpdateCursor(pt, bOverRows);
    ShowHoverLink(pEvent->buttons() == Qt::NoButton ? LinkAt(pt.y()) : QString());
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
        } else if (5 < pt.x() && pt.x() < 25 && CRowPainter::IsOnOpenableIcon(Rows(), GetScrollPos() + pt.y())) {
            shape = Qt::PointingHandCursor;
        }
    }
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void CDetailView::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton) return;
    m_bResizing = false;
    m_bDividerPressed = false;
    if (std::optional<CDetailDrag::SDrop> drop = m_drag.Release()) m_commands.Drop(*drop);
}

void CDetailView::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton && pEvent->position().x() < 30) m_commands.OpenRow(m_nCurrentRow);
}

void CDetailView::contextMenuEvent(QContextMenuEvent* pEvent) {
    m_doc.ShowContextMenu(this, pEvent->globalPos());
}

#include "moc_CDetailView.cpp"
