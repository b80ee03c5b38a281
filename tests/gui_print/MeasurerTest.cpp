// The measurer on a real device: the lines a page counts are the lines it
// draws, also when a text is continued from any of its lines.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include "print/CTovPrint.h"
#include "support/TestSupport.h"

namespace {
QString Words(int nCount, const char* pszPrefix) {
    QString str;
    for (int i = 1; i <= nCount; ++i) str += QStringLiteral("%1%2 ").arg(pszPrefix).arg(i, 4, 10, QChar('0'));
    return str;
}

TEST(CDevicePrintMeasurerTest, LinesOfATextContinuedFromAnyLineAddUp) {
    CTempDir dir;
    QPdfWriter writer(QString::fromStdString(dir.File("unused.pdf")));
    SetUpPdfPage(writer);
    CDevicePrintMeasurer measurer(&writer);
    // 12 points at 1200 dpi are 200 pixels; "Xg" is somewhat higher
    EXPECT_GT(measurer.LineHeight(), 200);
    EXPECT_LT(measurer.LineHeight(), 320);

    const std::vector<QString> arrTexts = {
        Words(300, "w"),
        CTovPrint::PrintText("Erste Zeile\r\n\r\n\tEingerückt\tmit\tTabs\r\n" + std::string(400, 'x') +
                             " Ende & mehr\r\n"),
        CTovPrint::PrintText(std::string("a\nb\rc\r\n") + std::string(60, '\t') + "z"),
    };
    for (int nWidth : {400, 3000, 8538}) {
        for (const QString& str : arrTexts) {
            SCOPED_TRACE(str.left(30).toStdString() + " at " + std::to_string(nWidth));
            const int n = measurer.CountLines(str, nWidth);
            ASSERT_GT(n, 1);
            EXPECT_EQ(measurer.CharsInLines(str, nWidth, n), str.size());
            EXPECT_EQ(measurer.CharsInLines(str, nWidth, n + 5), str.size());
            int nPrev = 0;
            for (int k = 0; k <= n; ++k) {
                int nChars = measurer.CharsInLines(str, nWidth, k);
                EXPECT_GE(nChars, nPrev);
                nPrev = nChars;
                EXPECT_EQ(measurer.CountLines(str.mid(nChars), nWidth), n - k) << "from line " << k + 1;
            }
        }
    }
    // line ends, words wider than the line, nothing at all
    EXPECT_EQ(measurer.CountLines(CTovPrint::PrintText("a\r\nb"), 8000), 2);
    EXPECT_EQ(measurer.CountLines(CTovPrint::PrintText("a\r\n\r\nb"), 8000), 3);
    EXPECT_GE(measurer.CountLines(QString(500, 'x'), 2000), 3);
    EXPECT_EQ(measurer.CountLines(QString(), 8000), 0);
    EXPECT_EQ(measurer.CharsInLines(QStringLiteral("abc"), 8000, 0), 0);
}

// Rows of the image with any dark pixel.
std::vector<int> InkedRows(const QImage& image) {
    std::vector<int> arr;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                arr.push_back(y);
                break;
            }
    return arr;
}

TEST(CDevicePrintMeasurerTest, DrawsOnlyTheRequestedLinesInsideTheBox) {
    QImage image(600, 800, QImage::Format_RGB32);
    image.fill(Qt::white);
    CDevicePrintMeasurer measurer(&image);
    const int lh = measurer.LineHeight();
    const QString str = Words(200, "w");
    ASSERT_GT(measurer.CountLines(str, 300), 10);
    {
        QPainter painter(&image);
        measurer.DrawLines(painter, 100, 50, 300, str, 3, false, false);
    }
    auto rows = InkedRows(image);
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front(), 50);
    EXPECT_LT(rows.back(), 50 + 3 * lh);
    EXPECT_GT(rows.back(), 50 + 2 * lh);  // the third line is there
    for (int y : rows) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                EXPECT_TRUE(x >= 100 && x < 400) << x << "," << y;
            }
        }
    }
}
}  // namespace
