// The row heights of the detail view without a view: what is exact, what is
// guessed, and how the idle steps and the demands of painting move the line
// between the two.
#include <QCoreApplication>
#include <algorithm>

#include "edit/CRowLayout.h"
#include "edit/TextLayout.h"
#include "support/TestSupport.h"
#include "ui/QtText.h"

namespace {
QFont Font(bool bBold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(bBold);
    return font;
}

class CRowLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_layout.SetFonts(Font(true), Font(false));
        m_layout.SetBoxWidths(150 - 36, 400);
        // long texts that wrap into many lines alternate with one-liners
        for (int i = 0; i < 12; ++i) {
            CKnowHowItem item;
            item.SetName("Stichwort " + std::to_string(i));
            item.SetText(i % 2 ? std::string(600 + 40 * i, 'w') : "kurz");
            m_arrRows.push_back(item);
        }
    }
    int Exact(int nRow) {
        const QFont font = Font(false), bold = Font(true);
        const CKnowHowItem& item = m_arrRows[nRow];
        const int nKeyword = MeasureTextHeight(bold, FromAnsi(item.Name), 150 - 36, TabStopDistance(bold, 8));
        const int nText = MeasureTextHeight(font, FromAnsi(item.Text), 400, TabStopDistance(font, 8));
        return std::max({m_layout.GetKeywordLineHeight(), nKeyword, nText}) + 6;
    }
    int Sum() const {
        int n = 0;
        for (const auto& item : m_arrRows) n += item.DisplayHeight;
        return n;
    }

    CKnowHowArray m_arrRows;
    CRowLayout m_layout{m_arrRows};
};
}  // namespace

TEST_F(CRowLayoutTest, MeasuresOnDemandTopDownAndKeepsTheTotal) {
    m_layout.Invalidate();
    EXPECT_EQ(m_layout.GetMeasuredRows(), 0);
    EXPECT_TRUE(m_layout.IsMeasuringInIdle());
    EXPECT_TRUE(m_layout.IsLaidOutForBoxes());
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m_arrRows[i].DisplayHeight, m_layout.EstimateRow(m_arrRows[i])) << i;
    EXPECT_EQ(m_layout.GetTotalHeight(), Sum());

    EXPECT_TRUE(m_layout.MeasureThrough(3));
    EXPECT_EQ(m_layout.GetMeasuredRows(), 4);
    EXPECT_FALSE(m_layout.MeasureThrough(2));  // measured already
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m_arrRows[i].DisplayHeight, Exact(i)) << i;
    EXPECT_EQ(m_arrRows[4].DisplayHeight, m_layout.EstimateRow(m_arrRows[4]));
    EXPECT_EQ(m_layout.GetTotalHeight(), Sum());

    // down to a position: every row whose top lies at or above it
    const int y = m_layout.RowTop(4) + Exact(4) + 1;
    EXPECT_TRUE(m_layout.MeasureToY(y));
    EXPECT_EQ(m_layout.GetMeasuredRows(), 6);
    EXPECT_EQ(m_layout.RowTop(6), Exact(0) + Exact(1) + Exact(2) + Exact(3) + Exact(4) + Exact(5));
    EXPECT_FALSE(m_layout.MeasureToY(y));

    // a narrower text box: the layout is no longer for the widths in force
    m_layout.SetBoxWidths(150 - 36, 200);
    EXPECT_FALSE(m_layout.IsLaidOutForBoxes());
    m_layout.Invalidate();
    m_layout.MeasureAll();
    EXPECT_TRUE(m_layout.IsSettled());
    EXPECT_FALSE(m_layout.IsMeasuringInIdle());
    EXPECT_GT(m_arrRows[11].DisplayHeight, Exact(11));
    EXPECT_EQ(m_layout.GetTotalHeight(), Sum());
}

TEST_F(CRowLayoutTest, IdleStepsMeasureTheRestAndStop) {
    m_layout.Invalidate();
    m_layout.SetIdleStepRows(5);
    int nDone = 0;
    m_layout.SetIdleStepDone([&] { ++nDone; });
    m_layout.RunIdleStep();
    EXPECT_EQ(m_layout.GetMeasuredRows(), 5);
    EXPECT_EQ(nDone, 1);
    // the timer runs the rest when the event loop is idle
    for (int i = 0; i < 100 && m_layout.IsMeasuringInIdle(); ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(m_layout.IsSettled());
    EXPECT_FALSE(m_layout.IsMeasuringInIdle());
    EXPECT_EQ(m_layout.GetIdleSteps(), 3);
    EXPECT_EQ(nDone, 3);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m_arrRows[i].DisplayHeight, Exact(i)) << i;
    EXPECT_EQ(m_layout.GetTotalHeight(), Sum());

    // a row added to a settled layout is measured and keeps it settled
    CKnowHowItem item;
    item.SetText(std::string(900, 'w'));
    m_layout.AppendRow(item);
    EXPECT_TRUE(m_layout.IsSettled());
    EXPECT_EQ(m_arrRows.back().DisplayHeight, Exact(12));
    m_arrRows[0].SetText(std::string(900, 'w'));
    m_layout.RemeasureRow(0);
    EXPECT_EQ(m_arrRows[0].DisplayHeight, Exact(12));
    EXPECT_EQ(m_layout.GetTotalHeight(), Sum());

    // starting afresh: nothing measured, nothing running
    m_layout.Reset();
    EXPECT_EQ(m_layout.GetMeasuredRows(), 0);
    EXPECT_FALSE(m_layout.IsMeasuringInIdle());
    EXPECT_FALSE(m_layout.IsLaidOutForBoxes());
}
