#include "ui/DialogUnits.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>
#include <algorithm>
#include <cmath>

CDialogUnits::CDialogUnits(const QWidget* pWidget) {
    QFontMetricsF fm(pWidget ? pWidget->font() : QApplication::font());
    // the average width as Windows measures it: the alphabet in both cases
    double dAverage =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    m_dX = std::clamp(dAverage / 4.0, 1.5, 2.25);
    m_dY = std::clamp(fm.height() / 8.0, 1.5, 2.5);
}

int CDialogUnits::X(int nUnits) const {
    return static_cast<int>(std::lround(nUnits * m_dX));
}

int CDialogUnits::Y(int nUnits) const {
    return static_cast<int>(std::lround(nUnits * m_dY));
}
