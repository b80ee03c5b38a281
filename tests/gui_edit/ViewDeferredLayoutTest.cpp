// A large folder is shown at once: the rows on screen (and all above them)
// are laid out before the first paint, the others start from a guess and are
// measured in idle steps. What is on screen must always be exact, and once
// everything is measured the rows must be what a full measure gives.
#include <QCoreApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

#include "ViewFixture.h"
#include "edit/TextLayout.h"
#include "platform/Cp1252.h"
#include "ui/CommandIds.h"
#include "ui/QtText.h"

namespace {
constexpr int kBigRows = 120;

// Texts of 100 to 900 characters in paragraphs of a few words, and now and
// then a keyword long enough to wrap; the same every run.
std::vector<std::string> MakeTexts(std::uint32_t nSeed) {
    static const char* const words[] = {
        "Übersicht", "Änderung", "der",     "Netzwerk", "prüfen", "und",
        "Sicherung", "Drucker",  "für",     "Server",   "mit",    "Größe",
        "geht's",    "Kunde",    "Eintrag", "Tabelle",  "Datei",  "Kundendatenbankeinstellungen"};
    std::vector<std::string> arr;
    std::uint32_t n = nSeed;
    auto next = [&n] { return (n = n * 1664525u + 1013904223u) >> 8; };
    for (int i = 0; i < kBigRows; ++i) {
        const std::size_t nLength = 100 + next() % 800;
        std::string str;
        int nOnLine = 0;
        while (str.size() < nLength) {
            str += words[next() % (sizeof words / sizeof *words)];
            if (++nOnLine >= 6 && next() % 3 == 0) {
                str += "\r\n";
                nOnLine = 0;
            } else {
                str += " ";
            }
        }
        arr.push_back(str + "Ende");
    }
    return arr;
}

class CDeferredLayoutTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        m_arrTexts = MakeTexts(7);
        SEntry big{"+Gross"};
        for (int i = 0; i < kBigRows; ++i) {
            std::string strName = "Eintrag " + std::to_string(i);
            if (i % 9 == 4) strName += " mit einem Stichwort, das in der Spalte umbrechen muss";
            big.arrChildren.push_back({"-" + strName, {}, m_arrTexts[i].c_str()});
        }
        // wide letters: more lines than the average character width lets one guess
        SEntry wide{"+Breit"};
        for (int i = 0; i < 60; ++i) {
            m_arrWide.push_back(std::string(200 + 7 * i, 'W'));
            for (std::size_t n = 9; n < m_arrWide.back().size(); n += 10) m_arrWide.back()[n] = i % 2 ? ' ' : 'M';
        }
        for (int i = 0; i < 60; ++i)
            wide.arrChildren.push_back({"-Breit " + std::to_string(i), {}, m_arrWide[i].c_str()});
        const std::vector<SEntry> entries = {{"+Klein", {{"-Eins"}, {"-Zwei"}}}, big, wide};
        ASSERT_TRUE(Open(MakeDatabase(entries)));
        m_nKlein = IdOf("Klein");
        m_nBig = IdOf("Gross");
        m_nWide = IdOf("Breit");
        ASSERT_EQ(View()->GetCurrentFolder(), m_nKlein);
        SettleLayout();
    }

    // The height a full measure gives the row at the view's present widths.
    int ExactHeight(const CKnowHowItem& item) const {
        const QFont fontKeyword = KeywordEdit()->font();
        const QFont fontText = TextEdit()->font();
        const int K = View()->GetKeywordWidth();
        const int nKeyword =
            MeasureTextHeight(fontKeyword, FromAnsi(item.Name), K - 36, TabStopDistance(fontKeyword, 8));
        const int nText = MeasureTextHeight(fontText, FromAnsi(item.Text), View()->viewport()->width() - K - 10,
                                            TabStopDistance(fontText, 8));
        return std::max({View()->GetKeywordLineHeight(), nKeyword, nText}) + 6;
    }
    // Tops of all rows from exact heights, plus the total at the end.
    std::vector<int> ExactTops() const {
        std::vector<int> arr{0};
        for (const CKnowHowItem& item : View()->GetRows()) arr.push_back(arr.back() + ExactHeight(item));
        return arr;
    }

    // Shows the folder straight in the view and lets through what is queued
    // besides the idle measuring (the scroll bar appearing), so the paint that
    // follows is the first picture of the folder.
    void ShowDirectly(std::int32_t nFolder) {
        SendPaneMessage(View(), WM_SHOW_FOLDER, nFolder);
        QCoreApplication::sendPostedEvents();
    }
    QImage Paint() { return View()->viewport()->grab().toImage(); }
    void IdleSteps(int n) {
        for (int i = 0; i < n; ++i) QCoreApplication::processEvents();
    }
    void SettleLayout() {
        for (int i = 0; i < 100000 && !View()->IsLayoutSettled(); ++i) QCoreApplication::processEvents();
        ASSERT_TRUE(View()->IsLayoutSettled());
    }

    // Every row on screen is measured exactly, sits where exact heights put
    // it, is drawn there and is found there by the hit test.
    void ExpectScreenExact(const QImage& image) {
        const std::vector<int> tops = ExactTops();
        const CKnowHowArray& rows = View()->GetRows();
        const int nPos = View()->GetScrollPos();
        const int nClient = View()->viewport()->height();
        const QRgb light = View()->palette().color(QPalette::Light).rgb();
        int nOnScreen = 0;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const int y = 1 + tops[i] - nPos;  // client y of the row's top
            if (1 + tops[i + 1] - nPos <= 0 || y >= nClient) continue;
            ++nOnScreen;
            EXPECT_LT(i, View()->GetMeasuredRows()) << "row " << i << " on screen but not measured";
            EXPECT_EQ(rows[i].DisplayHeight, ExactHeight(rows[i])) << "row " << i;
            if (y < 0) continue;
            EXPECT_EQ(View()->HitTest(y), i) << "row " << i;
            if (y > 0) {
                EXPECT_EQ(View()->HitTest(y - 1), i - 1) << "row " << i;
            }
            // the raised frame's top line
            if (i != View()->GetCurrentRow()) {
                EXPECT_EQ(image.pixel(10, y), light) << "row " << i << " at " << y;
            }
        }
        EXPECT_GT(nOnScreen, 0);
    }
    void ExpectAllExact() {
        const CKnowHowArray& rows = View()->GetRows();
        int nSum = 0;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            EXPECT_EQ(rows[i].DisplayHeight, ExactHeight(rows[i])) << "row " << i;
            nSum += rows[i].DisplayHeight;
        }
        EXPECT_EQ(View()->GetTotalHeight(), nSum);
        EXPECT_EQ(View()->verticalScrollBar()->maximum(), std::max(0, nSum + 2 - View()->viewport()->height()));
    }

    std::vector<std::string> m_arrTexts;
    std::vector<std::string> m_arrWide;
    std::int32_t m_nWide = 0;
    std::int32_t m_nKlein = 0;
    std::int32_t m_nBig = 0;
};
}  // namespace

TEST_F(CDeferredLayoutTest, TheFirstPictureIsExactAndTheRestSettlesWithoutMovingIt) {
    ShowDirectly(m_nBig);
    ASSERT_EQ(View()->GetRows().size(), static_cast<size_t>(kBigRows + 1));
    const QImage first = Paint();
    // only what the screen needs was laid out; the rest holds guesses that
    // are never below one keyword line
    const int nMeasured = View()->GetMeasuredRows();
    EXPECT_LT(nMeasured, kBigRows / 4);
    EXPECT_TRUE(View()->IsMeasuringInIdle());
    ExpectScreenExact(first);
    for (int i = nMeasured; i < kBigRows + 1; ++i)
        EXPECT_GE(View()->GetRows()[i].DisplayHeight, View()->GetKeywordLineHeight() + 6);

    const int nPos = View()->GetScrollPos();
    SettleLayout();
    EXPECT_FALSE(View()->IsMeasuringInIdle());
    ExpectAllExact();
    // nothing on screen moved while the rows below were measured
    EXPECT_EQ(View()->GetScrollPos(), nPos);
    EXPECT_TRUE(Paint() == first);
}

TEST_F(CDeferredLayoutTest, FarRowsAreMeasuredBeforeTheyAreSelectedOrScrolledTo) {
    ShowDirectly(m_nBig);
    Paint();
    ASSERT_FALSE(View()->IsLayoutSettled());
    const int nClient = View()->viewport()->height();

    // going to an entry far below, as a search hit does
    const int nFar = 100;
    SendPaneMessage(View(), WM_SELECT_ENTRY, View()->GetRows()[nFar].ID, 0);
    ASSERT_EQ(View()->GetCurrentRow(), nFar);
    std::vector<int> tops = ExactTops();
    const int nBottom = tops[nFar + 1];
    const int nExpected = nBottom - tops[nFar] > nClient ? tops[nFar] : nBottom - nClient + 1;
    EXPECT_EQ(View()->GetScrollPos(), nExpected);
    EXPECT_EQ(View()->HitTest(nClient - 1), nFar);
    ExpectScreenExact(Paint());

    // the thumb dragged into rows not measured yet
    ShowDirectly(m_nKlein);
    ShowDirectly(m_nBig);
    Paint();
    View()->verticalScrollBar()->setValue(View()->verticalScrollBar()->maximum() / 2);
    ExpectScreenExact(Paint());
    // Page Down in the view
    View()->setFocus();
    SendKey(View(), Qt::Key_PageDown, Qt::NoModifier);
    ExpectScreenExact(Paint());

    // to the end: the real end, not the guessed one
    ShowDirectly(m_nKlein);
    ShowDirectly(m_nBig);
    Paint();
    ASSERT_FALSE(View()->IsLayoutSettled());
    View()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_TRUE(View()->IsLayoutSettled());
    tops = ExactTops();
    EXPECT_EQ(View()->GetScrollPos(), tops.back() + 2 - nClient);
    EXPECT_EQ(View()->HitTest(nClient - 2), kBigRows);  // the empty row at the bottom
    EXPECT_EQ(View()->HitTest(nClient - 1), -1);
    ExpectScreenExact(Paint());
    ExpectAllExact();
}

TEST_F(CDeferredLayoutTest, RowsSwappedAcrossTheMeasuredOnesKeepExactHeights) {
    View()->SetIdleStepRows(1);
    ShowDirectly(m_nBig);
    Paint();
    // the last measured row moves down into the rows still guessed
    const int nLast = View()->GetMeasuredRows() - 1;
    ASSERT_GT(nLast, 0);
    ASSERT_LT(nLast + 1, kBigRows);
    const std::string strMoved = View()->GetRows()[nLast].Name;
    SendPaneMessage(View(), WM_SELECT_ENTRY, View()->GetRows()[nLast].ID, 0);
    ASSERT_TRUE(View()->OnCommand(ID_ENTRY_MOVE_DOWN));
    ASSERT_EQ(View()->GetRows()[nLast + 1].Name, strMoved);
    EXPECT_EQ(View()->GetCurrentRow(), nLast + 1);
    ASSERT_GE(View()->GetMeasuredRows(), nLast + 2);
    for (int i = 0; i <= nLast + 1; ++i)
        EXPECT_EQ(View()->GetRows()[i].DisplayHeight, ExactHeight(View()->GetRows()[i])) << "row " << i;
    SettleLayout();
    ExpectAllExact();
}

TEST_F(CDeferredLayoutTest, AResizeMeasuresAgainAlsoHalfWay) {
    View()->SetIdleStepRows(1);
    ShowDirectly(m_nBig);
    Paint();
    IdleSteps(3);
    ASSERT_FALSE(View()->IsLayoutSettled());
    const int nOldWidth = View()->viewport()->width();

    // narrower while the rows below are still being measured: nothing keeps
    // a height of the old width
    m_pFrame->resize(820, 700);
    Pump();
    ASSERT_NE(View()->viewport()->width(), nOldWidth);
    ExpectScreenExact(Paint());
    SettleLayout();
    ExpectAllExact();

    // wider again, settled first
    m_pFrame->resize(1100, 700);
    Pump();
    ExpectScreenExact(Paint());
    SettleLayout();
    ExpectAllExact();

    // only taller: the widths are the same, so nothing is laid out anew
    const int nPasses = View()->GetAllRowMeasures();
    const long long nMeasures = View()->GetExactMeasures();
    m_pFrame->resize(1100, 600);
    Pump();
    EXPECT_EQ(View()->GetAllRowMeasures(), nPasses);
    EXPECT_EQ(View()->GetExactMeasures(), nMeasures);
    ExpectAllExact();
}

TEST_F(CDeferredLayoutTest, TypingWhileTheRowsBelowAreMeasuredLosesNothing) {
    View()->SetIdleStepRows(1);
    ShowDirectly(m_nBig);
    Paint();
    ClickRow(0, 900);
    ASSERT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    TextEdit()->moveCursor(QTextCursor::End);
    const std::int32_t nId = View()->GetRows()[0].ID;
    const std::string strBefore = View()->GetRows()[0].Text;

    Type("Hallo");
    ASSERT_TRUE(View()->IsMeasuringInIdle()) << "the typing is to run between idle steps";
    Type(" Welt\nund ");
    Type("noch mehr");
    const std::string strTyped = strBefore + Ansi("Hallo Welt\r\nund noch mehr");
    EXPECT_EQ(View()->GetRows()[0].Text, strTyped);
    EXPECT_EQ(TextEdit()->GetAnsiText(), strTyped);
    EXPECT_EQ(View()->GetActiveEditor(), EDITOR_TEXT);
    EXPECT_TRUE(TextEdit()->hasFocus());
    // the editor still lies over its row
    EXPECT_EQ(TextEdit()->geometry().top(), 1 - View()->GetScrollPos() + View()->RowTop(0) + 3);
    EXPECT_EQ(TextEdit()->height(), View()->GetRows()[0].DisplayHeight - 6);

    SettleLayout();
    EXPECT_EQ(TextEdit()->GetAnsiText(), strTyped);
    Press(Qt::Key_Tab);  // leaves the row: written back
    EXPECT_EQ(View()->GetCurrentRow(), 1);
    EXPECT_EQ(Stored(nId).Text, strTyped);
    ExpectAllExact();
}

TEST_F(CDeferredLayoutTest, MeasuringStopsWhenTheFolderChangesOrTheDatabaseCloses) {
    View()->SetIdleStepRows(1);
    ShowDirectly(m_nBig);
    Paint();
    IdleSteps(3);
    ASSERT_TRUE(View()->IsMeasuringInIdle());

    // another folder half-way: its own rows are measured, nothing else
    ShowDirectly(m_nKlein);
    ASSERT_EQ(RowNames(), "Eins,Zwei,_");
    SettleLayout();
    EXPECT_EQ(View()->GetMeasuredRows(), 3);
    EXPECT_FALSE(View()->IsMeasuringInIdle());
    ExpectAllExact();

    // the database closed half-way
    ShowDirectly(m_nBig);
    Paint();
    IdleSteps(3);
    ASSERT_TRUE(View()->IsMeasuringInIdle());
    m_pDoc->CloseDatabaseFile();
    Pump();
    EXPECT_TRUE(View()->GetRows().empty());
    EXPECT_FALSE(View()->IsMeasuringInIdle());
    EXPECT_EQ(View()->GetMeasuredRows(), 0);
    EXPECT_EQ(View()->GetTotalHeight(), 0);
    EXPECT_EQ(View()->verticalScrollBar()->maximum(), 0);
    const int nSteps = View()->GetIdleSteps();
    IdleSteps(5);
    EXPECT_EQ(View()->GetIdleSteps(), nSteps);
    Paint();  // an empty view paints without touching rows that are gone
}

TEST_F(CDeferredLayoutTest, ReadingTheFolderAgainMeasuresChangedTextsAnew) {
    ShowDirectly(m_nBig);
    SettleLayout();
    const int nRow = 5;
    const std::int32_t nId = View()->GetRows()[nRow].ID;
    const int nOld = View()->GetRows()[nRow].DisplayHeight;
    // another user makes the text much longer; the folder is read again
    std::string strLong;
    for (int i = 0; i < 40; ++i) strLong += "Zeile " + std::to_string(i) + "\n";
    SProcessResult result = RunCli({"set", m_strPath, std::to_string(nId), "--text", strLong});
    ASSERT_EQ(result.nExit, 0) << result.strErr << result.strOut;
    SendPaneCommand(View(), ID_DETAIL_RELOAD);
    Paint();
    SettleLayout();
    EXPECT_GT(View()->GetRows()[nRow].DisplayHeight, nOld + 20 * View()->GetKeywordLineHeight());
    ExpectAllExact();
}

TEST_F(CDeferredLayoutTest, AResizeAtTheEndKeepsThePlaceAFullMeasureGives) {
    ShowDirectly(m_nWide);
    SettleLayout();
    for (int nWidth : {760, 1150}) {
        // at the end with no row selected, so no selection pulls the view around
        View()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        const int nClient = View()->viewport()->height();
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, nClient - 1));
        Pump();
        ASSERT_EQ(View()->GetCurrentRow(), -1);
        const int nPos = View()->GetScrollPos();
        ASSERT_GT(nPos, 0);

        // the place is held against the real heights, never the guessed ones
        m_pFrame->resize(nWidth, 700);
        Pump();
        const int nExpected = std::min(nPos, ExactTops().back() + 2 - View()->viewport()->height());
        EXPECT_EQ(View()->GetScrollPos(), nExpected) << "at width " << nWidth;
        ExpectScreenExact(Paint());
        SettleLayout();
        EXPECT_EQ(View()->GetScrollPos(), nExpected) << "at width " << nWidth;
        ExpectAllExact();
    }
}
