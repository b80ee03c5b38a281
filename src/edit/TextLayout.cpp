#include "edit/TextLayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace {
QTextOption WrapOption(qreal dTabStop) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (dTabStop > 0) option.setTabStopDistance(dTabStop);
    return option;
}

// Calls fn(layout, y) for every paragraph laid out at the width, with y the
// paragraph's top; stops early when fn answers false. Answers the total
// height and line count.
template <typename Fn>
void ForEachParagraph(const QFont& font, const QString& strText, int nWidth, qreal dTabStop, Fn fn, qreal* pdHeight,
                      int* pnLines) {
    const QTextOption option = WrapOption(dTabStop);
    qreal dY = 0;
    int nLines = 0;
    qsizetype nStart = 0;
    const qsizetype nSize = strText.size();
    bool bGoOn = true;
    while (bGoOn) {
        qsizetype nEnd = nStart;
        while (nEnd < nSize && strText[nEnd] != QChar('\n') && strText[nEnd] != QChar('\r')) ++nEnd;
        QTextLayout layout(strText.mid(nStart, nEnd - nStart), font);
        layout.setTextOption(option);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        qreal dTop = dY;
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) break;
            line.setLeadingIncluded(true);
            line.setLineWidth(nWidth);
            line.setPosition(QPointF(0, dY - dTop));
            dY += line.height();
            ++nLines;
        }
        layout.endLayout();
        bGoOn = fn(layout, dTop);
        if (nEnd >= nSize) break;
        // CR LF is one break, as are a lone CR and a lone LF
        nStart =
            nEnd + ((strText[nEnd] == QChar('\r') && nEnd + 1 < nSize && strText[nEnd + 1] == QChar('\n')) ? 2 : 1);
    }
    if (pdHeight) *pdHeight = dY;
    if (pnLines) *pnLines = nLines;
}
}  // namespace

qreal TabStopDistance(const QFont& font, int nAverageChars) {
    return qMax(1, nAverageChars * QFontMetrics(font).averageCharWidth());
}

int MeasureTextHeight(const QFont& font, const QString& strText, int nWidth, qreal dTabStop) {
    if (strText.isEmpty() || nWidth <= 0) return 0;
    qreal dHeight = 0;
    ForEachParagraph(
        font, strText, nWidth, dTabStop, [](const QTextLayout&, qreal) { return true; }, &dHeight, nullptr);
    return static_cast<int>(std::ceil(dHeight));
}

int EstimateTextHeight(std::string_view strText, int nWidth, int nCharWidth, int nLineHeight) {
    if (strText.empty() || nWidth <= 0) return 0;
    const std::size_t nPerLine = static_cast<std::size_t>(std::max(1, nWidth / std::max(1, nCharWidth)));
    auto lines = [nPerLine](std::size_t nChars) {
        return std::max<std::size_t>(1, (nChars + nPerLine - 1) / nPerLine);
    };
    std::size_t nLines = 0;
    std::size_t nStart = 0;
    const std::size_t nSize = strText.size();
    for (std::size_t i = 0; i < nSize; ++i) {
        const char ch = strText[i];
        if (ch != '\r' && ch != '\n') continue;
        nLines += lines(i - nStart);
        if (ch == '\r' && i + 1 < nSize && strText[i + 1] == '\n') ++i;
        nStart = i + 1;
    }
    nLines += lines(nSize - nStart);
    const std::size_t nHeight = nLines * static_cast<std::size_t>(std::max(0, nLineHeight));
    return static_cast<int>(std::min<std::size_t>(nHeight, 1u << 30));
}

int CountTextLines(const QFont& font, const QString& strText, int nWidth, qreal dTabStop) {
    if (nWidth <= 0) return 0;
    int nLines = 0;
    ForEachParagraph(
        font, strText, nWidth, dTabStop, [](const QTextLayout&, qreal) { return true; }, nullptr, &nLines);
    return nLines;
}

void DrawWrappedText(QPainter& painter, const QFont& font, const QString& strText, const QRect& rcBox, qreal dTabStop,
                     const QRect& rcClip) {
    const QRect rcVisible = rcBox.intersected(rcClip);
    if (strText.isEmpty() || rcBox.width() <= 0 || rcVisible.isEmpty()) return;
    painter.save();
    painter.setClipRect(rcVisible, Qt::IntersectClip);
    painter.setFont(font);
    const QPointF ptOrigin(rcBox.left(), rcBox.top());
    ForEachParagraph(
        font, strText, rcBox.width(), dTabStop,
        [&](const QTextLayout& layout, qreal dTop) {
            const qreal dParagraphTop = rcBox.top() + dTop;
            if (dParagraphTop > rcVisible.bottom() + 1) return false;  // below the visible band
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine line = layout.lineAt(i);
                const qreal dLineTop = dParagraphTop + line.y();
                if (dLineTop + line.height() < rcVisible.top() || dLineTop > rcVisible.bottom() + 1) continue;
                line.draw(&painter, QPointF(ptOrigin.x(), dParagraphTop));
            }
            return true;
        },
        nullptr, nullptr);
    painter.restore();
}
