#pragma once
// Dialog layouts are given in dialog units (a quarter of the average
// character width, an eighth of the character height); this maps them to
// pixels for the font in force, within sensible bounds.

#include <QRect>
#include <QSize>

class QWidget;

class CDialogUnits {
public:
    // Units of the widget's font (the application font when null).
    explicit CDialogUnits(const QWidget* pWidget = nullptr);
    int X(int nUnits) const;
    int Y(int nUnits) const;
    QRect Rect(int x, int y, int cx, int cy) const { return QRect(X(x), Y(y), X(cx), Y(cy)); }
    QSize Size(int cx, int cy) const { return QSize(X(cx), Y(cy)); }

private:
    double m_dX = 1.75;
    double m_dY = 1.75;
};
