#include "edit/CDetailDrag.h"

#include <QLabel>
#include <QPainter>
#include <QWidget>

#include "edit/CRowPainter.h"
#include "ui/Icons.h"

void CDetailDrag::Press(const QPoint& pt) {
    if (pt.x() >= CRowPainter::ICON_CELL_RIGHT) return;
    const int nRow = m_host.DragHitTest(pt.y());
    const CKnowHowItem* pItem = m_host.DragRow(nRow);
    if (!pItem || pItem->ID <= 0) return;
    m_bPending = true;
    m_ptPress = pt;
    m_nRow = nRow;
    m_nId = pItem->ID;
    m_nDropTarget = -1;
}

bool CDetailDrag::MouseMove(const QPoint& pt, Qt::MouseButtons buttons, bool bWriteProtected) {
    if (m_bDragging) {
        Move(pt);
        return true;
    }
    if (buttons == Qt::NoButton) m_bPending = false;
    if (!m_bPending || bWriteProtected) return false;
    const int dx = m_ptPress.x() - pt.x();
    const int dy = m_ptPress.y() - pt.y();
    const int d2 = dx * dx + dy * dy;
    if (d2 <= 4 || d2 >= 30) return false;
    Begin(pt);
    return true;
}

void CDetailDrag::Begin(const QPoint& pt) {
    m_bPending = false;
    // the save on leaving the editor may have read the folder again
    if (!m_host.DragBeforeStart(m_nRow, m_nId)) return;
    const CKnowHowItem* pItem = m_host.DragRow(m_nRow);
    if (!pItem) return;
    m_pImage = new QLabel(m_pViewport->window());
    m_pImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pImage->setPixmap(GetBitmap(CRowPainter::IconFor(*pItem)));
    m_pImage->resize(16, 16);
    m_pImage->show();
    m_pImage->raise();
    m_pViewport->grabMouse();
    m_bDragging = true;
    Move(pt);
}

void CDetailDrag::Move(const QPoint& pt) {
    const CKnowHowItem* pDragged = m_host.DragRow(m_nRow);
    if (m_pImage) {
        m_pImage->move(m_pViewport->mapTo(m_pImage->parentWidget(), pt) + QPoint(12, 12));
        m_pImage->hide();
    }
    m_nDropTarget = -1;
    const CKnowHowItem* pUnder = m_host.DragRow(m_host.DragHitTest(pt.y()));
    if (0 < pt.x() && pt.x() < CRowPainter::ICON_CELL_RIGHT && pUnder && pUnder->ID > 0 && pUnder->IsDir)
        m_nDropTarget = pUnder->ID;
    else
        m_nDropTarget = m_host.DragTreeTarget();
    if (m_nDropTarget == m_nId) m_nDropTarget = -1;
    // a folder cannot go into its own subtree
    const bool bFolder = pDragged && pDragged->IsDir;
    if (m_nDropTarget > 0 && bFolder && m_host.DragIsInside(m_nDropTarget, m_nId)) m_nDropTarget = -1;
    if (m_pImage && pDragged) {
        QPixmap icon = GetBitmap(CRowPainter::IconFor(*pDragged));
        if (m_nDropTarget == -1) {
            QPainter painter(&icon);
            painter.drawPixmap(0, 0, GetBitmap(IDB_NO_DROP));
        }
        m_pImage->setPixmap(icon);
        m_pImage->show();
        m_pImage->raise();
    }
}

void CDetailDrag::End() {
    if (m_pImage) {
        m_pImage->hide();
        m_pImage->deleteLater();
    }
    m_pImage = nullptr;
    m_pViewport->releaseMouse();
    m_bDragging = false;
    m_host.DragTreeClear();
}

std::optional<CDetailDrag::SDrop> CDetailDrag::Release() {
    m_bPending = false;
    if (!m_bDragging) return std::nullopt;
    End();
    SDrop drop;
    drop.nDragged = m_nId;
    drop.nTarget = m_nDropTarget;
    const CKnowHowItem* pItem = m_host.DragRow(m_nRow);
    drop.bFolder = pItem && pItem->ID == m_nId && pItem->IsDir;
    m_nRow = -1;
    m_nDropTarget = -1;
    if (drop.nTarget < 0) return std::nullopt;
    return drop;
}

void CDetailDrag::Cancel() {
    if (!m_bDragging) return;
    End();
    m_nRow = -1;
    m_nDropTarget = -1;
}
