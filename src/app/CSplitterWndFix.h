#pragma once
// A splitter whose bar is one pixel wide and cannot be dragged: the cursor
// never changes over it and a press on it starts nothing.

#include <QSplitter>

class CSplitterWndFix : public QSplitter {
    Q_OBJECT
public:
    explicit CSplitterWndFix(Qt::Orientation eOrientation, QWidget* pParent = nullptr);

protected:
    QSplitterHandle* createHandle() override;
};
