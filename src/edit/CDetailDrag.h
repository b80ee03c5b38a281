#pragma once
// Dragging a row of the detail view onto a folder: a press in the icon cell
// of a stored row may start it, a short move does, the icon follows the
// cursor (crossed out where nothing may be dropped), and the release names
// the entry and its target folder. The view moves it.

#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <optional>

#include "table/CKnowHowItem.h"

class QLabel;
class QWidget;

class CDetailDrag {
public:
    // What the drag needs of the view around it.
    class IHost {
    public:
        virtual ~IHost() = default;
        // Row under the client y, -1 for none; the row itself, null for none.
        virtual int DragHitTest(int y) = 0;
        virtual const CKnowHowItem* DragRow(int nRow) const = 0;
        // The folder tree's target under the cursor (0 the top level, -1
        // outside the tree), and the end of its mark.
        virtual TRowId DragTreeTarget() = 0;
        virtual void DragTreeClear() = 0;
        // nFolder lies inside nAncestor (a folder cannot go into itself).
        virtual bool DragIsInside(TRowId nFolder, TRowId nAncestor) = 0;
        // Before the drag starts: the editor is left (its row written);
        // false when the row to drag is no longer where it was pressed.
        virtual bool DragBeforeStart(int nRow, TRowId nId) = 0;
    };
    struct SDrop {
        TRowId nDragged = 0;
        TRowId nTarget = -1;
        bool bFolder = false;
    };

    CDetailDrag(QWidget* pViewport, IHost& host) : m_pViewport(pViewport), m_host(host) {}

    // A left press at pt (client coordinates).
    void Press(const QPoint& pt);
    // A mouse move; true when the drag took it (started or moved on).
    bool MouseMove(const QPoint& pt, Qt::MouseButtons buttons, bool bWriteProtected);
    // The left button released: the drop when one is due.
    std::optional<SDrop> Release();
    // Escape while dragging: nothing moves.
    void Cancel();

    bool IsDragging() const { return m_bDragging; }
    TRowId GetDropTarget() const { return m_nDropTarget; }

private:
    void Begin(const QPoint& pt);
    void Move(const QPoint& pt);
    void End();

    QWidget* m_pViewport;
    IHost& m_host;
    bool m_bPending = false;
    QPoint m_ptPress;
    int m_nRow = -1;
    TRowId m_nId = 0;
    TRowId m_nDropTarget = -1;
    bool m_bDragging = false;
    QPointer<QLabel> m_pImage;
};
