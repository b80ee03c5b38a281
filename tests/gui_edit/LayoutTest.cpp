// Measuring and drawing of wrapped text for the rows.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "edit/TextLayout.h"
#include "support/TestSupport.h"

namespace {
QFont Font() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    return font;
}

int LineHeight() {
    return MeasureTextHeight(Font(), QStringLiteral("X"), 1000, 0);
}

// Bounding box of the pixels that differ from white.
QRect Inked(const QImage& image) {
    QRect rc;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) rc |= QRect(x, y, 1, 1);
    return rc;
}
}  // namespace

TEST(CTextLayoutTest, HeightsFollowLinesAndBreaks) {
    const QFont font = Font();
    const int nLine = LineHeight();
    ASSERT_GT(nLine, 10);
    EXPECT_EQ(MeasureTextHeight(font, QString(), 200, 0), 0);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("abc"), 0, 0), 0);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("abc"), -40, 0), 0);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("abc"), 200, 0), nLine);
    // CR LF, a lone LF and a lone CR are one break each
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("a\r\nb"), 200, 0), 2 * nLine);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("a\nb"), 200, 0), 2 * nLine);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("a\rb"), 200, 0), 2 * nLine);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("a\r\n\r\nb"), 200, 0), 3 * nLine);
    EXPECT_EQ(MeasureTextHeight(font, QStringLiteral("a\r\n"), 200, 0), 2 * nLine);
    EXPECT_EQ(CountTextLines(font, QString(), 200, 0), 1);
    EXPECT_EQ(CountTextLines(font, QStringLiteral("x"), 0, 0), 0);
}

TEST(CTextLayoutTest, WordsWrapAndAnOverlongWordBreaksInside) {
    const QFont font = Font();
    const QFontMetrics fm(font);
    const QString strWords = QStringLiteral("alpha beta gamma delta epsilon zeta eta theta");
    const int nWidth = fm.horizontalAdvance(QStringLiteral("alpha beta ")) + 2;
    const int nLines = CountTextLines(font, strWords, nWidth, 0);
    EXPECT_GE(nLines, 4);
    EXPECT_EQ(MeasureTextHeight(font, strWords, nWidth, 0), nLines * LineHeight());

    const QString strLong(60, QChar('W'));
    const int nNarrow = fm.horizontalAdvance(QString(10, QChar('W'))) + 1;
    EXPECT_EQ(CountTextLines(font, strLong, nNarrow, 0), 6);
}

TEST(CTextLayoutTest, DrawingStaysInsideTheBoxAndTheClip) {
    const QFont font = Font();
    QImage image(300, 200, QImage::Format_RGB32);
    const QString strText = QString(400, QChar('M'));
    const QRect rcBox(20, 30, 120, 60);

    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        DrawWrappedText(painter, font, strText, rcBox, 0, image.rect());
    }
    const QRect rcInk = Inked(image);
    ASSERT_FALSE(rcInk.isEmpty());
    EXPECT_TRUE(rcBox.contains(rcInk)) << rcInk.x() << "," << rcInk.y() << " " << rcInk.width() << "x"
                                       << rcInk.height();

    // only the clipped band is drawn
    image.fill(Qt::white);
    const QRect rcClip(0, 50, 300, 20);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        DrawWrappedText(painter, font, strText, rcBox, 0, rcClip);
    }
    const QRect rcClipped = Inked(image);
    ASSERT_FALSE(rcClipped.isEmpty());
    EXPECT_TRUE(rcClip.contains(rcClipped));

    // no room: nothing is drawn
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawWrappedText(painter, font, strText, QRect(20, 30, 0, 60), 0, image.rect());
    }
    EXPECT_TRUE(Inked(image).isEmpty());
}

TEST(CTextLayoutTest, GuessedHeightsCountBreaksAsTheLayoutDoesAndStayNearIt) {
    const QFont font = Font();
    const int nLine = LineHeight();
    const int nChar = QFontMetrics(font).averageCharWidth();
    // no text, no room: nothing, as the measure says
    EXPECT_EQ(EstimateTextHeight("", 200, nChar, nLine), 0);
    EXPECT_EQ(EstimateTextHeight("abc", 0, nChar, nLine), 0);
    EXPECT_EQ(EstimateTextHeight("abc", -5, nChar, nLine), 0);
    // short paragraphs: one line each, the breaks counted like the layout
    for (const char* psz : {"abc", "a\r\nb", "a\nb\rc", "a\r\n\r\nb", "a\r\n", "\r\n\r\n", "x\r\r\ny"}) {
        EXPECT_EQ(EstimateTextHeight(psz, 300, nChar, nLine), MeasureTextHeight(font, QString::fromLatin1(psz), 300, 0))
            << psz;
    }
    // ordinary prose: near the real height
    std::string strProse;
    while (strProse.size() < 3000) strProse += "Die Sicherung des Servers wird jeden Abend geprueft. ";
    const int nExact = MeasureTextHeight(font, QString::fromUtf8(strProse.c_str()), 400, 0);
    const int nGuess = EstimateTextHeight(strProse, 400, nChar, nLine);
    EXPECT_GT(nGuess, nExact * 2 / 3);
    EXPECT_LT(nGuess, nExact * 3 / 2);
}
