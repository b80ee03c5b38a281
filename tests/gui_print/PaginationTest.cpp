// Page layout of a folder on a measurer with fixed metrics: every line holds
// ten characters and is ten pixels high, so line counts are known exactly.
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <random>

#include "print/CTovPrint.h"
#include "support/TestSupport.h"

// readable failures
void PrintTo(const QString& str, std::ostream* pOut) {
    *pOut << '"' << str.toStdString() << '"';
}

namespace {
constexpr int kChars = 10;  // characters per line
constexpr int kLh = 10;     // line height

struct SDrawn {
    int nX, nY, nWidth;
    QString strText;  // what is visible: the first lines of the text
    int nLines;
    bool bBold, bRight;
};

class CFakeMeasurer : public CPrintMeasurer {
public:
    explicit CFakeMeasurer(std::vector<SDrawn>* pLog) : m_pLog(pLog) {}
    int LineHeight() override { return kLh; }
    int CountLines(const QString& str, int) override { return (static_cast<int>(str.size()) + kChars - 1) / kChars; }
    int CharsInLines(const QString& str, int, int nLines) override {
        return std::min(static_cast<int>(str.size()), std::max(nLines, 0) * kChars);
    }
    void DrawLines(QPainter&, int nX, int nY, int nWidth, const QString& str, int nLines, bool bBold,
                   bool bRight) override {
        QString strVisible = str.left(std::max(nLines, 0) * kChars);
        if (!strVisible.isEmpty()) m_pLog->push_back(SDrawn{nX, nY, nWidth, strVisible, nLines, bBold, bRight});
    }

private:
    std::vector<SDrawn>* m_pLog;
};

// A text of n lines whose every line says which item and line it is.
std::string Lines(int nItem, int nLines) {
    std::string str;
    for (int k = 1; k <= nLines; ++k) {
        char sz[16];
        std::snprintf(sz, sizeof sz, "%03d-%05d.", nItem, k);
        str += sz;
    }
    return str;
}

CKnowHowItem Entry(const std::string& strName, const std::string& strText, bool bFolder = false) {
    CKnowHowItem item;
    item.Name = strName;
    item.Text = strText;
    item.IsDir = bFolder ? 1 : 0;
    return item;
}

CKnowHowArray Entries(const std::vector<int>& arrLines) {
    CKnowHowArray arr;
    for (size_t i = 0; i < arrLines.size(); ++i)
        arr.push_back(Entry("K" + std::to_string(i), Lines(static_cast<int>(i), arrLines[i])));
    return arr;
}

class CPaginationTest : public CCoreTest {
protected:
    // A page whose body holds nBody lines; margin 200 at 254 dpi.
    int Begin(int nBody, const CKnowHowArray& arr, const std::string& strPath = "Ordner",
              const std::string& strText = "Ordnertext") {
        m_arrItems = arr;
        return m_print.BeginPrinting(std::make_unique<CFakeMeasurer>(&m_arrDrawn), 1000, (nBody + 4) * kLh + 5, 254,
                                     arr, strPath, strText);
    }
    std::vector<SDrawn> Draw(int nPage) {
        m_arrDrawn.clear();
        QImage image(1000, 1000, QImage::Format_RGB32);
        QPainter painter(&image);
        m_print.PrintPage(painter, nPage);
        return m_arrDrawn;
    }
    std::vector<std::pair<int, int>> Pages() const {
        std::vector<std::pair<int, int>> arr;
        for (const auto& r : m_print.GetPages()) arr.emplace_back(r.m_nItem, r.m_nFirstLine);
        return arr;
    }
    using VP = std::vector<std::pair<int, int>>;

    CTovPrint m_print;
    CKnowHowArray m_arrItems;
    std::vector<SDrawn> m_arrDrawn;
};

TEST_F(CPaginationTest, EmptyFolderPrintsOnePageWithHeaderAndFooterOnly) {
    m_platform.SetLocalTime(2024, 3, 5, 14, 30);
    ASSERT_EQ(Begin(20, {}, "Projekte\\Alt", "Erste Zeile\r\nzweite Zeile"), 1);
    EXPECT_TRUE(m_print.LayoutPage(1).empty());
    auto drawn = Draw(1);
    ASSERT_EQ(drawn.size(), 4u);
    const int nBottom = 24 * kLh + 5 - kLh;
    // path bold at the top, the folder text's first line below it
    EXPECT_EQ(drawn[0].strText, "Projekte\\A");  // one line of ten characters
    EXPECT_TRUE(drawn[0].bBold);
    EXPECT_EQ(drawn[0].nX, 200);
    EXPECT_EQ(drawn[0].nY, 0);
    EXPECT_EQ(drawn[1].strText, "Erste Zeil");
    EXPECT_FALSE(drawn[1].bBold);
    EXPECT_EQ(drawn[1].nY, kLh);
    EXPECT_EQ(drawn[2].strText, "05.03.2024");
    EXPECT_EQ(drawn[2].nY, nBottom);
    EXPECT_FALSE(drawn[2].bRight);
    EXPECT_EQ(drawn[3].strText, "Seite 1");
    EXPECT_TRUE(drawn[3].bRight);
    EXPECT_EQ(drawn[3].nX + drawn[3].nWidth, 1000);  // ends at the page width
    m_print.EndPrinting();
    EXPECT_EQ(m_print.GetPageCount(), 0);
}

TEST_F(CPaginationTest, EmptyTextPrintsOnlyItsHeadingAndFoldersAreMarked) {
    Begin(20, {Entry("A&B", ""), Entry("Sub", Lines(1, 2), true)});
    auto blocks = m_print.LayoutPage(1);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_TRUE(blocks[0].m_bHeading);
    EXPECT_EQ(blocks[0].m_nLine, 3);  // path, folder text, blank line below the rule
    EXPECT_EQ(blocks[1].m_nLines, 0);
    EXPECT_EQ(blocks[2].m_nLine, 5);  // a blank line between the entries
    auto drawn = Draw(1);
    ASSERT_EQ(drawn.size(), 4u + 3u);
    EXPECT_EQ(drawn[4].strText, "A&B:");
    EXPECT_EQ(drawn[5].strText, "\\Sub:");
    EXPECT_TRUE(drawn[5].bBold);
    EXPECT_EQ(drawn[6].nX, 200 + CTovPrint::kTextIndent);
}

TEST_F(CPaginationTest, PageBreaksOnABodyOfTwentyLines) {
    const struct {
        std::vector<int> arrLines;
        VP pages;
        const char* pszWhy;
    } cases[] = {
        {{15, 5}, {{0, 0}, {1, 0}}, "two lines left: the next entry starts on page 2"},
        {{14, 5}, {{0, 0}, {1, 2}}, "three left: its heading and first line end page 1"},
        {{17}, {{0, 0}}, "1 + 17 + 2 fill the first page"},
        {{18}, {{0, 0}, {0, 18}}, "the first page holds one line less"},
        {{17, 18, 1}, {{0, 0}, {1, 0}, {2, 0}}, "18 lines with heading fit a later page"},
        {{17, 19, 1}, {{0, 0}, {1, 0}, {1, 19}}, "19 do not"},
        {{60, 2}, {{0, 0}, {0, 18}, {0, 38}, {0, 58}}, "longer than two pages"},
        {{37}, {{0, 0}, {0, 18}}, "a rest filling page 2 exactly leaves no empty page"},
        {{37, 1}, {{0, 0}, {0, 18}, {1, 0}}, "the next entry then starts a page"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhy);
        Begin(20, Entries(c.arrLines));
        EXPECT_EQ(Pages(), c.pages);
    }

    // a continued page: text lines 38..57 below the blank line, no heading
    Begin(20, Entries({60, 2}));
    auto page3 = m_print.LayoutPage(3);
    ASSERT_EQ(page3.size(), 1u);
    EXPECT_FALSE(page3[0].m_bHeading);
    EXPECT_EQ(page3[0].m_nLine, 3);
    EXPECT_EQ(page3[0].m_nFirstLine, 38);
    EXPECT_EQ(page3[0].m_nLines, 20);
    auto drawn = Draw(3);
    EXPECT_EQ(drawn.back().strText, QString::fromStdString(Lines(0, 57).substr(37 * kChars)));
    EXPECT_EQ(drawn.back().nY, 3 * kLh);
    // page 4: the last three lines, then the next entry with its heading
    auto page4 = m_print.LayoutPage(4);
    ASSERT_EQ(page4.size(), 3u);
    EXPECT_EQ(page4[0].m_nLines, 3);
    EXPECT_TRUE(page4[1].m_bHeading);
    EXPECT_EQ(page4[1].m_nLine, 7);
}

TEST_F(CPaginationTest, PageTooSmallForHeaderAndFooterStillPaginates) {
    m_arrItems = Entries({7, 0, 3});
    m_print.BeginPrinting(std::make_unique<CFakeMeasurer>(&m_arrDrawn), 1000, 2 * kLh, 254, m_arrItems, "", "");
    EXPECT_EQ(m_print.BodyLines(), 4);
    int nLines = 0;
    for (int n = 1; n <= m_print.GetPageCount(); ++n)
        for (const auto& b : m_print.LayoutPage(n))
            if (!b.m_bHeading) nLines += b.m_nLines;
    EXPECT_EQ(nLines, 10);
}

// Over many folders and page sizes: every text line is drawn exactly once,
// in order, every heading once before its text, nothing reaches the footer,
// and no page stays empty.
TEST_F(CPaginationTest, EveryLinePrintedOnceWithinTheBodyForRandomFolders) {
    std::mt19937 rng(4711);
    for (int nCase = 0; nCase < 600; ++nCase) {
        const int L = std::uniform_int_distribution<>(4, 30)(rng);
        std::vector<int> arrLines(std::uniform_int_distribution<>(0, 8)(rng));
        for (int& n : arrLines) {
            int nKind = std::uniform_int_distribution<>(0, 3)(rng);
            n = nKind == 0 ? 0 : std::uniform_int_distribution<>(1, nKind == 3 ? 3 * L : L)(rng);
        }
        SCOPED_TRACE("case " + std::to_string(nCase) + " L=" + std::to_string(L));
        Begin(L, Entries(arrLines));
        ASSERT_EQ(m_print.BodyLines(), L);
        std::string strDesc;
        for (int n : arrLines) strDesc += std::to_string(n) + " ";
        strDesc += "/ pages";
        for (const auto& r : m_print.GetPages())
            strDesc += " " + std::to_string(r.m_nItem) + ":" + std::to_string(r.m_nFirstLine);
        SCOPED_TRACE(strDesc);

        std::vector<QString> arrPrinted(arrLines.size());
        std::vector<int> arrHeadings(arrLines.size(), 0);
        int nPrevItem = -1;
        for (int n = 1; n <= m_print.GetPageCount(); ++n) {
            SCOPED_TRACE("page " + std::to_string(n));
            auto blocks = m_print.LayoutPage(n);
            if (!arrLines.empty()) {
                int nFilled = 0;
                for (const auto& b : blocks) nFilled += b.m_bHeading ? 1 : b.m_nLines;
                EXPECT_GT(nFilled, 0) << "empty page";
            }
            int nNextLine = 3;
            const int nLastLine = n == 1 ? L : L + 2;  // the footer's line is L + 3
            for (const auto& b : blocks) {
                EXPECT_GE(b.m_nLine, nNextLine);
                if (b.m_bHeading) {
                    EXPECT_EQ(arrPrinted[b.m_nItem], "") << "heading after its text";
                    ++arrHeadings[b.m_nItem];
                    nNextLine = b.m_nLine + 1;
                } else {
                    nNextLine = b.m_nLine + b.m_nLines;
                }
                EXPECT_LE(nNextLine - 1, nLastLine);
                EXPECT_GE(b.m_nItem, nPrevItem);
                nPrevItem = b.m_nItem;
            }
            // what reaches the paper, taken apart by the line contents
            for (const auto& d : Draw(n)) {
                if (d.nY < 3 * kLh || d.nY >= (L + 4) * kLh + 5 - kLh) continue;  // header, footer
                if (d.bBold) continue;
                int nItem = QStringView(d.strText).left(3).toInt();
                ASSERT_LT(nItem, static_cast<int>(arrLines.size()));
                arrPrinted[nItem] += d.strText;
            }
        }
        for (size_t i = 0; i < arrLines.size(); ++i) {
            EXPECT_EQ(arrPrinted[i], QString::fromStdString(Lines(static_cast<int>(i), arrLines[i]))) << "item " << i;
            EXPECT_EQ(arrHeadings[i], 1) << "item " << i;
        }
    }
}
}  // namespace
