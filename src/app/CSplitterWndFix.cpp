#include "app/CSplitterWndFix.h"

#include <QMouseEvent>

namespace {
class CFixedHandle : public QSplitterHandle {
public:
    CFixedHandle(Qt::Orientation eOrientation, QSplitter* pParent) : QSplitterHandle(eOrientation, pParent) {
        setCursor(Qt::ArrowCursor);
    }

protected:
    // no hit: nothing under the bar reacts to the mouse
    void mousePressEvent(QMouseEvent* pEvent) override { pEvent->ignore(); }
    void mouseMoveEvent(QMouseEvent* pEvent) override { pEvent->ignore(); }
    void mouseReleaseEvent(QMouseEvent* pEvent) override { pEvent->ignore(); }
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override { pEvent->ignore(); }
};
}  // namespace

CSplitterWndFix::CSplitterWndFix(Qt::Orientation eOrientation, QWidget* pParent) : QSplitter(eOrientation, pParent) {
    setHandleWidth(1);
    setChildrenCollapsible(false);
}

QSplitterHandle* CSplitterWndFix::createHandle() {
    return new CFixedHandle(orientation(), this);
}
