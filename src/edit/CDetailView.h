#pragma once
// The right-hand pane: the entries of one folder as rows of icon, keyword and
// text, edited in place by two editors laid over the current row. Every move
// between fields and rows writes the row being left back, so the user's
// typing is saved as they go. The rows and their writing belong to
// CFolderRows; this view presents them and what their writes answer.

#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <cstdint>
#include <string>

#include "edit/CDetailCommands.h"
#include "edit/CDetailDrag.h"
#include "edit/CEditEx.h"
#include "edit/CRowLayout.h"
#include "edit/CRowPainter.h"
#include "edit/CRowsWriter.h"
#include "edit/IEditDocument.h"
#include "tree/CFolderRows.h"
#include "ui/CommandTarget.h"
#include "ui/PaneMessages.h"

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
    TRowId GetCurrentFolder() const { return m_rows.GetFolder(); }

    // Fonts, editors, column width; after creation and after every opening
    // or creation of a database.
    void OnInitialUpdate();

    bool OnCommand(int nId) override { return m_commands.OnCommand(nId); }
    bool OnUpdateCommand(int nId, SCommandState& state) override { return m_commands.OnUpdateCommand(nId, state); }
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

    // Reads the folder shown again, keeping the current row (by its entry),
    // the editor with its caret and the scroll position; typing not yet
    // stored stays. bAuto: another user's change noticed while idle, said
    // nothing about when the file cannot be read now.
    void Refresh(bool bAuto) { m_commands.Refresh(bAuto); }
    // An editor is open on a row: another user's change waits until it is left.
    bool IsEditing() const { return m_eActiveEditor != EDITOR_NONE; }
    // Rows hold typing that could not be stored yet.
    bool HasUnsaved() const { return m_rows.HasUnsaved(); }

    // --- state, for the panes around and for tests -------------------------------
    const CKnowHowArray& GetRows() const { return m_rows.Rows(); }
    int GetCurrentRow() const { return m_nCurrentRow; }
    EEditor GetActiveEditor() const { return m_eActiveEditor; }
    int GetKeywordWidth() const { return m_nKeywordWidth; }
    int GetKeywordLineHeight() const { return m_layout.GetKeywordLineHeight(); }
    // Sum of the row heights; rows not measured yet count with their guess.
    int GetTotalHeight() const { return m_layout.GetTotalHeight(); }
    bool IsDragging() const { return m_drag.IsDragging(); }
    TRowId GetDropTarget() const { return m_drag.GetDropTarget(); }
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
    // The link of the row at viewport height y; empty for none.
    QString LinkAt(int y);
    void ShowHoverLink(const QString& strLink);
    friend class CDetailCommands;  // carries the entry commands out on the rows shown here

    CKnowHowArray& Rows() { return m_rows.Rows(); }
    const CKnowHowArray& Rows() const { return m_rows.Rows(); }
    bool IsWriteProtected() const { return m_doc.IsWriteProtected(); }
    bool IsRow(int nRow) const { return m_rows.IsRow(nRow); }
    bool IsLastRow(int nRow) const { return m_rows.IsLastRow(nRow); }

    // --- reading and writing ---------------------------------------------------------
    void ShowFolder(TRowId nFolder);
    // After the rows changed as a whole: heights, editors, paint.
    void RowsReplaced();
    // No folder, no rows, no editor: after closing or before another file.
    void EmptyPane();
    void HideEditors();
    // Closing the folder or the file: true when nothing typed stays unstored
    // (written, or dropped as the user chose).
    bool QueryClose();

    // --- layout -----------------------------------------------------------------------
    void RecalcHeights(int nOnlyRow = -1);
    // The layout wraps keywords and texts into the boxes of the widths now
    // in force; after every change of the client or the keyword width.
    void SyncBoxWidths();
    // Measures every row down to nRow, or until the measured rows reach
    // below the list position y; the scroll range follows.
    void MeasureThrough(int nRow);
    void MeasureToY(int y);
    void OnScrollAction(int nAction);
    void UpdateScrollRange();
    void PositionEditors();
    void ScrollTo(int nPos);
    bool IsAboveEndOfRows(int y);
    void ScrollRowIntoView();
    void KeepCaretVisible();
    // bOverRows: pt lies above the end of the rows
    void UpdateCursor(const QPoint& pt, bool bOverRows);

    // --- editing ----------------------------------------------------------------------
    void SelectRow(int nRow, EEditor eEditor, const QPoint* pPoint = nullptr, bool bForceWriteBack = false);
    // Copies the editors into the current row and saves (unless bSave is
    // false); false when the row could not be stored (it stays current).
    bool WriteBack(bool bSave = true);
    void OnEditorChanged(CEditEx* pEdit);
    void OnEditorKey(int nCode);
    std::string EditorValue(const CEditEx* pEdit, const std::string& strSaved) const;

    // --- neighbours -----------------------------------------------------------------
    SPaneRef Tree() const { return m_doc.GetTreePane(); }

    IEditDocument& m_doc;
    CFolderRows m_rows;
    CRowsWriter m_writer;
    CRowLayout m_layout{m_rows.Rows()};
    CRowPainter m_painter;
    CDetailCommands m_commands{*this, m_doc};
    CDetailDrag m_drag{viewport(), m_commands};
    CEditEx* m_pKeywordEdit = nullptr;
    CEditEx* m_pTextEdit = nullptr;
    std::string m_strSavedKeyword;
    std::string m_strSavedText;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    int m_nKeywordWidth = 150;
    bool m_bResizing = false;
    // The link of the row under the mouse, as the status bar shows it.
    QString m_strHoverLink;
    bool m_bDividerPressed = false;  // the left button went down on the divider
    int m_nCurrentRow = -1;
    EEditor m_eActiveEditor = EDITOR_NONE;
    bool m_bOthersChanged = false;  // another user's change waits for the row to be left

    int m_nSingleMeasures = 0;
    int m_nAllMeasures = 0;
};
