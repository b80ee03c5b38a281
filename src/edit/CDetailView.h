#pragma once
// The right-hand pane: the entries of one folder as rows of icon, keyword and
// text, edited in place by two editors laid over the current row. Every move
// between fields and rows writes the row being left back, so the user's
// typing is saved as they go.

#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <string>

#include "edit/CEditEx.h"
#include "edit/CRowLayout.h"
#include "edit/IEditDocument.h"
#include "table/CKnowHowItem.h"
#include "ui/CommandTarget.h"
#include "ui/PaneMessages.h"

class QLabel;

enum EDetailControl : int {
    IDC_KEYWORD_EDIT = 1000,
    IDC_TEXT_EDIT = 1001,
};

class CDetailView : public QAbstractScrollArea, public CCommandTarget, public IPaneTarget {
    Q_OBJECT
public:
    explicit CDetailView(IEditDocument& doc, QWidget* pParent = nullptr);
    ~CDetailView() override;

    // folder shown; -1 none, 0 the top level
    std::int32_t GetCurrentFolder() const { return m_nCurrentFolder; }

    // Fonts, editors, column width; after creation and after every opening
    // or creation of a database.
    void OnInitialUpdate();

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

    // --- state, for the panes around and for tests -------------------------------
    const CKnowHowArray& GetRows() const { return m_arrRows; }
    int GetCurrentRow() const { return m_nCurrentRow; }
    EEditor GetActiveEditor() const { return m_eActiveEditor; }
    int GetKeywordWidth() const { return m_nKeywordWidth; }
    int GetKeywordLineHeight() const { return m_layout.GetKeywordLineHeight(); }
    // Sum of the row heights; rows not measured yet count with their guess.
    int GetTotalHeight() const { return m_layout.GetTotalHeight(); }
    bool IsDragging() const { return m_bDragging; }
    std::int32_t GetDropTarget() const { return m_nDropTarget; }
    CEditEx* GetKeywordEditor() const { return m_pKeywordEdit; }
    CEditEx* GetTextEditor() const { return m_pTextEdit; }
    // Row under the client y, -1 for none. Measures the rows down to y first.
    int HitTest(int y);
    // Top of the row in the whole list (scroll position 0). Measures the
    // rows down to and including nRow first.
    int RowTop(int nRow);
    int GetScrollPos() const;
    // How many single-row and all-row height passes ran (for the timing checks).
    int GetSingleRowMeasures() const { return m_nSingleMeasures; }
    int GetAllRowMeasures() const { return m_nAllMeasures; }

    // Row heights are exact from the top down to GetMeasuredRows(); the rows
    // below hold estimates until the idle measuring (or anything that needs
    // their place) reaches them. The rows on screen are always exact.
    int GetMeasuredRows() const { return m_layout.GetMeasuredRows(); }
    bool IsLayoutSettled() const { return m_layout.IsSettled(); }
    bool IsMeasuringInIdle() const { return m_layout.IsMeasuringInIdle(); }
    // Rows measured exactly so far (cache hits included), idle steps run
    // and the longest of them, for tests and the benchmark.
    long long GetExactMeasures() const { return m_layout.GetExactMeasures(); }
    int GetIdleSteps() const { return m_layout.GetIdleSteps(); }
    double GetLongestIdleStepMs() const { return m_layout.GetLongestIdleStepMs(); }
    // At most this many rows per idle step; 0 = as many as fit into the step's time.
    void SetIdleStepRows(int nRows) { m_layout.SetIdleStepRows(nRows); }

protected:
    bool event(QEvent* pEvent) override;
    bool viewportEvent(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    // --- data -------------------------------------------------------------------------
    bool IsWriteProtected() const;
    bool IsRow(int nRow) const { return nRow >= 0 && nRow < static_cast<int>(m_arrRows.size()); }
    bool IsLastRow(int nRow) const { return nRow >= 0 && nRow == static_cast<int>(m_arrRows.size()) - 1; }
    CKnowHowItem MakeEmptyRow() const;
    void SaveRows();
    void ShowFolder(std::int32_t nFolder);
    void ReloadFolder();
    void LoadRows();
    // No folder, no rows, no editor: after closing or before another file.
    void EmptyPane();
    void HideEditors();

    // --- layout -----------------------------------------------------------------------
    void RecalcHeights(int nOnlyRow = -1);
    // The layout wraps keywords and texts into the boxes of the widths now
    // in force; after every change of the client or the keyword width.
    void SyncBoxWidths() { m_layout.SetBoxWidths(m_nKeywordWidth - 36, m_nClientWidth - m_nKeywordWidth - 10); }
    // Forgets every exact height: all rows get estimates, measured again on
    // demand and in idle steps.
    void InvalidateHeights();
    // Measures every row down to nRow, or until the measured rows reach
    // below the list position y; the scroll range follows.
    void MeasureThrough(int nRow);
    void MeasureToY(int y);
    void OnScrollAction(int nAction);
    void UpdateScrollRange();
    void PositionEditors();
    QRect KeywordRect(int nTop, int nHeight) const;
    QRect TextRect(int nTop, int nHeight) const;
    void ScrollTo(int nPos);
    bool IsAboveEndOfRows(int y);
    void ScrollRowIntoView();
    void KeepCaretVisible();
    void DrawRow(QPainter& painter, int nRow, int nTop, const QRect& rcClip);
    // bOverRows: pt lies above the end of the rows
    void UpdateCursor(const QPoint& pt, bool bOverRows);

    // --- editing ----------------------------------------------------------------------
    void SelectRow(int nRow, EEditor eEditor, const QPoint* pPoint = nullptr, bool bForceWriteBack = false);
    void WriteBack();
    void OnEditorChanged(CEditEx* pEdit);
    void OnEditorKey(int nCode);
    std::string EditorValue(const CEditEx* pEdit, const std::string& strSaved) const;

    // --- commands ---------------------------------------------------------------------
    void DeleteEntry();
    void MoveUp();
    void MoveDown();
    // Exchanges the current row with the one nDelta (-1 or 1) away.
    void ExchangeCurrentRow(int nDelta);
    void ConvertToFolder();
    void EditLink();
    void OpenRow(int nRow);
    void GoUpLevel();

    // --- drag ---------------------------------------------------------------------------
    void BeginDrag(const QPoint& pt);
    void MoveDrag(const QPoint& pt);
    void EndDrag();
    void Drop();
    std::int32_t TreeDropTarget();

    // --- neighbours -----------------------------------------------------------------
    SPaneRef Tree() const { return m_doc.GetTreePane(); }

    IEditDocument& m_doc;
    std::int32_t m_nCurrentFolder = -1;
    CKnowHowArray m_arrRows;
    CRowLayout m_layout{m_arrRows};
    CEditEx* m_pKeywordEdit = nullptr;
    CEditEx* m_pTextEdit = nullptr;
    std::string m_strSavedKeyword;
    std::string m_strSavedText;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    int m_nKeywordWidth = 150;
    bool m_bResizing = false;
    bool m_bDividerPressed = false;  // the left button went down on the divider
    int m_nCurrentRow = -1;
    EEditor m_eActiveEditor = EDITOR_NONE;
    QFont m_fontText;
    QFont m_fontKeyword;
    qreal m_dPaintTabStop = 0;

    // drag state
    bool m_bDragPending = false;
    QPoint m_ptPress;
    int m_nDragRow = -1;
    std::int32_t m_nDragId = 0;
    std::int32_t m_nDropTarget = -1;
    bool m_bDragging = false;
    QPointer<QLabel> m_pDragImage;

    int m_nSingleMeasures = 0;
    int m_nAllMeasures = 0;
};
