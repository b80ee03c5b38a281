#pragma once
// How one row of the detail view is drawn: the icon cell, the keyword cell
// and the text cell with its bump edge, the current row sunken. The cells'
// boxes are also where the editors are laid over the current row.

#include <QFont>
#include <QRect>

#include "table/CKnowHowItem.h"

class QPainter;
class QPalette;

class CRowPainter {
public:
    // Right edge of the icon cell.
    static constexpr int ICON_CELL_RIGHT = 29;

    void SetFonts(const QFont& fontKeyword, const QFont& fontText, qreal dKeywordTabStop, qreal dTextTabStop);
    // The column widths: the keyword column's right edge and the client width.
    void SetWidths(int nKeywordWidth, int nClientWidth) {
        m_nKeywordWidth = nKeywordWidth;
        m_nClientWidth = nClientWidth;
    }

    // Boxes of the keyword and the text of a row at nTop, nHeight high.
    QRect KeywordRect(int nTop, int nHeight) const;
    QRect TextRect(int nTop, int nHeight) const;

    // bCurrent: drawn sunken; the texts under a shown editor are left out.
    void Draw(QPainter& painter, const QPalette& pal, const CKnowHowItem& item, int nTop, bool bCurrent,
              bool bKeywordEditorShown, bool bTextEditorShown, const QRect& rcClip) const;

    // IDB_ENTRY_FOLDER, IDB_ENTRY_LINK or IDB_ENTRY_TEXT.
    static int IconFor(const CKnowHowItem& item);
    // The list position y lies on the icon of a folder or a link (which a
    // double-click opens), the rows laid out from the top.
    static bool IsOnOpenableIcon(const CKnowHowArray& arrRows, int y);

private:
    QFont m_fontKeyword;
    QFont m_fontText;
    qreal m_dKeywordTabStop = 0;
    qreal m_dTextTabStop = 0;
    int m_nKeywordWidth = 150;
    int m_nClientWidth = 0;
};
