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

#include "app/CommandTarget.h"
#include "app/PaneMessages.h"
#include "table/CKnowHowItem.h"

class COrvantisDoc;
class CEditEx;
class QLabel;

enum EDetailControl : int {
    IDC_KEYWORD_EDIT = 1000,
    IDC_TEXT_EDIT = 1001,
};

class CDetailView : public QAbstractScrollArea, public CCommandTarget, public IPaneTarget {
    Q_OBJECT
public:
    CDetailView(COrvantisDoc* pDoc, QWidget* pParent = nullptr);
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
    // -1 none, 1 keyword editor, 2 text editor
    int GetActiveEditor() const { return m_nActiveEditor; }
    int GetKeywordWidth() const { return m_nKeywordWidth; }
    int GetKeywordLineHeight() const { return m_nKeywordLineHeight; }
    int GetTotalHeight() const { return m_nTotalHeight; }
    bool IsDragging() const { return m_bDragging; }
    std::int32_t GetDropTarget() const { return m_nDropTarget; }
    CEditEx* GetKeywordEditor() const { return m_pKeywordEdit; }
    CEditEx* GetTextEditor() const { return m_pTextEdit; }
    // Row under the client y, -1 for none.
    int HitTest(int y) const;
    // Top of the row in the whole list (scroll position 0).
    int RowTop(int nRow) const;
    int GetScrollPos() const;
    // How many single-row and all-row height passes ran (for the timing checks).
    int GetSingleRowMeasures() const { return m_nSingleMeasures; }
    int GetAllRowMeasures() const { return m_nAllMeasures; }

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
    bool IsLastRow(int nRow) const { return nRow >= 0 && nRow == static_cast<int>(m_arrRows.size()) - 1; }
    CKnowHowItem MakeEmptyRow() const;
    void SaveRows();
    void ShowFolder(std::int32_t nFolder);
    void ReloadFolder();
    void LoadRows();

    // --- layout -----------------------------------------------------------------------
    void RecalcHeights(int nOnlyRow = -1);
    int MeasureRow(const CKnowHowItem& item) const;
    void UpdateScrollRange();
    void PositionEditors();
    QRect KeywordRect(int nTop, int nHeight) const;
    QRect TextRect(int nTop, int nHeight) const;
    void ScrollTo(int nPos);
    void ScrollRowIntoView();
    void KeepCaretVisible();
    void DrawRow(QPainter& painter, int nRow, int nTop, const QRect& rcClip);
    void UpdateCursor(const QPoint& pt);

    // --- editing ----------------------------------------------------------------------
    void SelectRow(int nRow, int nEditor, const QPoint* pPoint = nullptr, bool bForceWriteBack = false);
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
    bool IsInsideFolder(std::int32_t nFolder, std::int32_t nAncestor);

    // --- neighbours -----------------------------------------------------------------
    IPaneTarget* TreeTarget() const;
    QObject* TreeObject() const;

    COrvantisDoc* m_pDoc;
    std::int32_t m_nCurrentFolder = -1;
    CKnowHowArray m_arrRows;
    CEditEx* m_pKeywordEdit = nullptr;
    CEditEx* m_pTextEdit = nullptr;
    std::string m_strSavedKeyword;
    std::string m_strSavedText;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    int m_nKeywordWidth = 150;
    int m_nKeywordLineHeight = 0;
    int m_nTextLineHeight = 0;
    int m_nTotalHeight = 0;
    bool m_bResizing = false;
    bool m_bDividerPressed = false;  // the left button went down on the divider
    int m_nCurrentRow = -1;
    int m_nActiveEditor = -1;
    QFont m_fontText;
    QFont m_fontKeyword;
    qreal m_dPaintTabStop = 0;
    qreal m_dMeasureTabStop = 0;

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
