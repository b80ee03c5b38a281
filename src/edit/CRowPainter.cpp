#include "edit/CRowPainter.h"

#include <QPainter>
#include <QPalette>

#include "edit/TextLayout.h"
#include "ui/Icons.h"
#include "ui/QtText.h"

namespace {
// A 3-D frame as the button cells have it; the interior inset by one.
void Draw3dRect(QPainter& painter, const QRect& rc, const QColor& topLeft, const QColor& bottomRight) {
    if (rc.width() <= 0 || rc.height() <= 0) return;
    painter.fillRect(QRect(rc.left(), rc.top(), rc.width() - 1, 1), topLeft);
    painter.fillRect(QRect(rc.left(), rc.top(), 1, rc.height() - 1), topLeft);
    painter.fillRect(QRect(rc.right(), rc.top(), 1, rc.height()), bottomRight);
    painter.fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), bottomRight);
}

QRect MakeRect(int nLeft, int nTop, int nRight, int nBottom) {
    return QRect(QPoint(nLeft, nTop), QPoint(nRight - 1, nBottom - 1));
}
}  // namespace

void CRowPainter::SetFonts(const QFont& fontKeyword, const QFont& fontText, qreal dKeywordTabStop, qreal dTextTabStop) {
    m_fontKeyword = fontKeyword;
    m_fontText = fontText;
    m_dKeywordTabStop = dKeywordTabStop;
    m_dTextTabStop = dTextTabStop;
}

int CRowPainter::IconFor(const CKnowHowItem& item) {
    if (item.IsDir) return IDB_ENTRY_FOLDER;
    if (item.Typ == 1) return IDB_ENTRY_LINK;
    return IDB_ENTRY_TEXT;
}

QRect CRowPainter::KeywordRect(int nTop, int nHeight) const {
    return MakeRect(33, nTop + 3, m_nKeywordWidth - 3, nTop + nHeight);
}

QRect CRowPainter::TextRect(int nTop, int nHeight) const {
    return MakeRect(m_nKeywordWidth + 5, nTop + 3, m_nClientWidth - 5, nTop + nHeight - 3);
}

void CRowPainter::Draw(QPainter& painter, const QPalette& pal, const CKnowHowItem& item, int nTop, bool bCurrent,
                       bool bKeywordEditorShown, bool bTextEditorShown, const QRect& rcClip) const {
    const int nBottom = nTop + item.DisplayHeight;
    const int K = m_nKeywordWidth;
    const int W = m_nClientWidth;
    const QColor light = pal.color(QPalette::Light);
    // the button shadow: dark enough that the current (sunken) row stands out
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor face = pal.color(QPalette::Button);
    auto drawCell = [&](const QRect& rc) {
        Draw3dRect(painter, rc, bCurrent ? shadow : light, bCurrent ? light : shadow);
        painter.fillRect(rc.adjusted(1, 1, -1, -1), face);
    };

    drawCell(MakeRect(1, nTop, ICON_CELL_RIGHT, nBottom));
    painter.fillRect(QRect(6, nTop + 2, 16, 16), Qt::white);
    painter.drawPixmap(6, nTop + 2, GetBitmap(IconFor(item)));

    drawCell(MakeRect(30, nTop, K, nBottom));
    if (!bKeywordEditorShown)
        DrawWrappedText(painter, m_fontKeyword, FromAnsi(item.Name), KeywordRect(nTop, item.DisplayHeight),
                        m_dKeywordTabStop, rcClip);

    // bump edge: raised outside, sunken inside; the interior keeps the background
    const QRect rcText = MakeRect(K + 1, nTop, W, nBottom);
    Draw3dRect(painter, rcText, pal.color(QPalette::Midlight), pal.color(QPalette::Shadow));
    Draw3dRect(painter, rcText.adjusted(1, 1, -1, -1), pal.color(QPalette::Mid), pal.color(QPalette::Light));
    if (!bTextEditorShown)
        DrawWrappedText(painter, m_fontText, FromAnsi(item.Text), TextRect(nTop, item.DisplayHeight), m_dTextTabStop,
                        rcClip);
}

bool CRowPainter::IsOnOpenableIcon(const CKnowHowArray& arrRows, int y) {
    int nTop = 0;
    for (const CKnowHowItem& item : arrRows) {
        if (nTop >= y) break;  // every later row starts lower still
        if (y < nTop + 20) return item.IsDir || item.Typ == 1;
        nTop += item.DisplayHeight;
    }
    return false;
}
