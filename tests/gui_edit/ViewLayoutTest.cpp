// Layout, painting, scrolling and the keyword column of the detail view.
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "ViewFixture.h"
#include "edit/TextLayout.h"
#include "platform/Cp1252.h"
#include "ui/CommandIds.h"

namespace {
std::string ManyLines(int n) {
    std::string str;
    for (int i = 1; i <= n; ++i) str += (i > 1 ? "\r\n" : "") + ("Zeile " + std::to_string(i));
    return str;
}

class CLayoutTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        m_strMany = ManyLines(80);
        const std::vector<SEntry> entries = {
            {"+Ordner",
             {{"-Kurz", {}, "eine Zeile"},
              {"-Ein Stichwort, das so lang ist, dass es umbricht", {}, "x"},
              {"-Riesig", {}, m_strMany.c_str()},
              {"-Ende", {}, "zuletzt"}}},
        };
        ASSERT_TRUE(Open(MakeDatabase(entries)));
        ASSERT_EQ(View()->GetRows().size(), 5u);
    }
    void MouseMove(const QPoint& pt, Qt::MouseButtons buttons) {
        QMouseEvent move(QEvent::MouseMove, pt, View()->viewport()->mapToGlobal(pt), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(View()->viewport(), &move);
    }
    std::string m_strMany;
};
}  // namespace

TEST_F(CLayoutTest, RowHeightsFollowKeywordAndTextAndNeverFallBelowOneLine) {
    const CKnowHowArray& rows = View()->GetRows();
    const int nMin = View()->GetKeywordLineHeight() + 6;
    ASSERT_GT(View()->GetKeywordLineHeight(), 10);
    EXPECT_EQ(rows[0].DisplayHeight, nMin);
    EXPECT_EQ(rows[4].DisplayHeight, nMin);  // the empty row
    EXPECT_GT(rows[1].DisplayHeight, nMin);  // the wrapping keyword
    EXPECT_GT(rows[2].DisplayHeight, 70 * nMin / 2);
    int nSum = 0;
    for (const CKnowHowItem& row : rows) nSum += row.DisplayHeight;
    EXPECT_EQ(View()->GetTotalHeight(), nSum);
    EXPECT_EQ(View()->verticalScrollBar()->maximum(), nSum + 2 - View()->viewport()->height());

    // the top level's new row is a folder, elsewhere a text entry
    EXPECT_EQ(rows[4].IsDir, 0);
    EXPECT_EQ(rows[4].PosNr, 5);
    EXPECT_EQ(rows[4].MasterID, View()->GetCurrentFolder());
    m_pDoc->EditRootFolder();
    Pump();
    EXPECT_EQ(RowNames(), "Ordner,_");
    EXPECT_EQ(View()->GetRows()[1].IsDir, 1);
    EXPECT_EQ(View()->GetRows()[1].MasterID, 0);
}

TEST_F(CLayoutTest, ShowingTheFolderAlreadyShownChangesNothing) {
    ClickRow(3, 10);
    const std::int32_t nFolder = View()->GetCurrentFolder();
    // another program adds an entry meanwhile
    SProcessResult result = RunCli({"add", m_strPath, "--parent", std::to_string(nFolder), "--name", "Fremd"});
    ASSERT_EQ(result.nExit, 0) << result.strErr << result.strOut;
    SendPaneMessage(View(), WM_SHOW_FOLDER, nFolder);
    EXPECT_EQ(View()->GetCurrentRow(), 3);
    EXPECT_EQ(View()->GetRows().size(), 5u);
}

TEST_F(CLayoutTest, SelectingScrollsTheRowIntoViewATallRowToItsTop) {
    const int nHeight = View()->viewport()->height();
    ASSERT_GT(View()->GetRows()[2].DisplayHeight, nHeight);
    ClickRow(0, 10);
    EXPECT_EQ(View()->GetScrollPos(), 0);
    View()->setFocus();
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetCurrentRow(), 2);
    EXPECT_EQ(View()->GetScrollPos(), View()->RowTop(2));
    // the row below: its bottom at the window's bottom
    Press(Qt::Key_Down);
    EXPECT_EQ(View()->GetScrollPos(), View()->RowTop(3) + View()->GetRows()[3].DisplayHeight - nHeight + 1);
    // back up to a row above the window: its top at the top
    for (int i = 0; i < 3; ++i) Press(Qt::Key_Up);
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->GetScrollPos(), 0);
    // hit testing follows the scroll position
    View()->verticalScrollBar()->setValue(View()->RowTop(1) - 5);
    EXPECT_EQ(View()->HitTest(5), 0);
    EXPECT_EQ(View()->HitTest(6), 1);
    EXPECT_EQ(View()->HitTest(6 + View()->GetRows()[1].DisplayHeight), 2);
    EXPECT_EQ(View()->HitTest(View()->GetTotalHeight()), -1);
}

TEST_F(CLayoutTest, TheCaretIsKeptVisibleWhileTypingInATallText) {
    ClickRow(2, 900);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    TextEdit()->moveCursor(QTextCursor::End);
    Type("!");
    const int nCaretY =
        View()->RowTop(2) + TextEdit()->GetCaretLine() * MeasureTextHeight(TextEdit()->font(), "X", 1000, 0);
    EXPECT_LE(View()->GetScrollPos(), nCaretY);
    EXPECT_GE(View()->GetScrollPos() + View()->viewport()->height(), nCaretY);
    // the wheel over the editor scrolls the rows, not the editor
    const int nBefore = View()->GetScrollPos();
    QWheelEvent wheel(QPointF(5, 5), TextEdit()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(TextEdit()->viewport(), &wheel);
    EXPECT_LT(View()->GetScrollPos(), nBefore);
    EXPECT_EQ(TextEdit()->verticalScrollBar()->value(), 0);
}

TEST_F(CLayoutTest, TypingMeasuresOnlyTheEditedRowFromTheEditorsLineCounts) {
    ClickRow(0, 900);
    const int nAll = View()->GetAllRowMeasures();
    const int nSingle = View()->GetSingleRowMeasures();
    const int nHeight = View()->GetRows()[0].DisplayHeight;
    Type("abcdefghij");
    EXPECT_EQ(View()->GetAllRowMeasures(), nAll);
    EXPECT_EQ(View()->GetSingleRowMeasures(), nSingle + 10);
    EXPECT_EQ(View()->GetRows()[0].DisplayHeight, nHeight);
    // a line break makes the row grow at once, and the editor with it
    Type("\n\n");
    EXPECT_GT(View()->GetRows()[0].DisplayHeight, nHeight);
    EXPECT_EQ(TextEdit()->height(), View()->GetRows()[0].DisplayHeight - 6);
    EXPECT_EQ(View()->GetRows()[1].DisplayHeight > 0, true);
}

TEST_F(CLayoutTest, TheDividerMovesOnlyBeyond150AndIsStoredOnClosing) {
    ClickRow(0, 140);
    const int K = View()->GetKeywordWidth();
    ASSERT_EQ(K, 150);
    const int y = 1 + View()->RowTop(3) + 8;
    // a press on the divider selects nothing
    QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(K, y));
    EXPECT_EQ(View()->GetCurrentRow(), 0);
    EXPECT_EQ(View()->viewport()->cursor().shape(), Qt::SplitHCursor);
    MouseMove(QPoint(K, y), Qt::LeftButton);
    // dragging it closes the editors (saving) and selects no row
    EXPECT_EQ(View()->GetCurrentRow(), -1);
    MouseMove(QPoint(150, y), Qt::LeftButton);
    EXPECT_EQ(View()->GetKeywordWidth(), 150);
    MouseMove(QPoint(120, y), Qt::LeftButton);
    EXPECT_EQ(View()->GetKeywordWidth(), 150);
    MouseMove(QPoint(151, y), Qt::LeftButton);
    EXPECT_EQ(View()->GetKeywordWidth(), 151);
    const int nTall = View()->GetRows()[1].DisplayHeight;
    MouseMove(QPoint(400, y), Qt::LeftButton);
    EXPECT_EQ(View()->GetKeywordWidth(), 400);
    // the wrapped keyword fits in one line now
    EXPECT_LT(View()->GetRows()[1].DisplayHeight, nTall);
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(400, y));
    MouseMove(QPoint(600, y), Qt::NoButton);
    EXPECT_EQ(View()->GetKeywordWidth(), 400);

    // the editors follow the new column
    ClickRow(0, 300);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_KEYWORD);
    EXPECT_EQ(KeywordEdit()->geometry().right() + 1, 397);
    EXPECT_EQ(TextEdit()->geometry().left(), 405);

    // a quick drag whose first move already leaves the divider's zone
    QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(400, y));
    MouseMove(QPoint(480, y), Qt::LeftButton);
    EXPECT_EQ(View()->GetKeywordWidth(), 480);
    EXPECT_EQ(View()->GetCurrentRow(), -1);
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(480, y));
    // a press elsewhere and a drag across the divider moves nothing
    QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, y));
    MouseMove(QPoint(600, y), Qt::LeftButton);
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(600, y));
    EXPECT_EQ(View()->GetKeywordWidth(), 480);
    MouseMove(QPoint(400, y), Qt::NoButton);
    ClickRow(0, 300);
    EXPECT_EQ(View()->GetKeywordWidth(), 480);

    m_pFrame->close();
    Pump();
    EXPECT_EQ(m_platform.GetProfileInt("Parameter", "Stichwortbreite", -1), 480);
}

TEST_F(CLayoutTest, TheCurrentRowIsDrawnSunkenTheOthersRaised) {
    ClickRow(1, 10);
    const QImage image = View()->viewport()->grab().toImage();
    const QPalette& pal = View()->palette();
    const int nTop0 = 1 + View()->RowTop(0);
    const int nTop1 = 1 + View()->RowTop(1);
    // the icon cell's top-left corner: light when raised, the button shadow
    // (dark enough to tell the current row at a glance) when sunken
    EXPECT_EQ(image.pixel(1, nTop0 + 2), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(1, nTop1 + 2), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(28, nTop1 + 2), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(28, nTop0 + 2), pal.color(QPalette::Dark).rgb());
    EXPECT_LT(qGray(pal.color(QPalette::Dark).rgb()), qGray(pal.color(QPalette::Light).rgb()) - 80);
    // below the rows the background
    m_pDoc->EditRootFolder();
    Pump();
    const QImage root = View()->viewport()->grab().toImage();
    EXPECT_EQ(root.pixel(5, View()->viewport()->height() - 2), qRgb(243, 243, 243));
    EXPECT_EQ(root.pixel(View()->viewport()->width() - 2, View()->GetTotalHeight() + 3), qRgb(243, 243, 243));
}
