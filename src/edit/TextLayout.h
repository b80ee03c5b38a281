#pragma once
// Word-wrapped text as the detail view measures and paints it: paragraphs at
// every line break, lines broken at word boundaries and inside a word that
// does not fit (as an edit control breaks them), line heights as the entry
// editors lay them out, so that a row measured here and the editor laid over
// it agree line for line.

#include <QFont>
#include <QRect>
#include <QString>
#include <string_view>

class QPainter;

// Tab stop distance in pixels for the font: every nAverageChars average
// character widths.
qreal TabStopDistance(const QFont& font, int nAverageChars);

// Height of the text wrapped into nWidth pixels; 0 for an empty text and for
// a width of 0 or less (no room, nothing is shown).
int MeasureTextHeight(const QFont& font, const QString& strText, int nWidth, qreal dTabStop);

// A cheap guess at MeasureTextHeight for a row not laid out yet: every
// paragraph of the (Windows-1252) text takes its length in average character
// widths, wrapped into nWidth, at least one line. 0 where MeasureTextHeight
// answers 0.
int EstimateTextHeight(std::string_view strText, int nWidth, int nCharWidth, int nLineHeight);

// Number of lines of the text wrapped into nWidth pixels (an empty text has
// one); 0 when the width leaves no room.
int CountTextLines(const QFont& font, const QString& strText, int nWidth, qreal dTabStop);

// Draws the text wrapped into the box, top-left aligned, clipped to the box
// and to rcClip; lines outside rcClip are not drawn.
void DrawWrappedText(QPainter& painter, const QFont& font, const QString& strText, const QRect& rcBox, qreal dTabStop,
                     const QRect& rcClip);
