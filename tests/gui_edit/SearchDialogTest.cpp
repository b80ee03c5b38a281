// The search dialog on a real knowledge base: messages, hit order, the
// highlighted preview, the default button and "Gehe zu".
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>

#include "ViewFixture.h"
#include "app/CLeftView.h"
#include "db/CDB.h"
#include "edit/CSuchenDlg.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "tree/CKnowHow.h"

namespace {
const std::vector<SEntry> kRecipes = {
    {"+Rezepte",
     {{"-Kuchen", {}, "Mehl, Zucker, Butter und Äpfel"},
      {"-Brot", {}, "Mehl, Wasser, Salz"},
      {"+Suppen", {{"-Tomatensuppe", {}, "Tomaten und Wasser,\r\näpfel nicht, ÄPFEL gar nicht"}}},
      {"-Schnee", {}, "aaa"}}},
    {"+Arbeit", {{"-Zucker im Kaffee", {}, "kein Süßstoff"}}},
};

using Ranges = std::vector<std::pair<int, int>>;

// Runs of the preview drawn in white on the highlight colour.
Ranges Highlighted(const QTextEdit* pPreview) {
    Ranges arr;
    const QColor highlight = pPreview->palette().color(QPalette::Highlight);
    for (QTextBlock block = pPreview->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const bool bMarked = format.foreground().color() == QColor(255, 255, 255) &&
                                 format.background().style() != Qt::NoBrush &&
                                 format.background().color().rgb() == highlight.rgb();
            if (!bMarked) continue;
            if (!arr.empty() && arr.back().first + arr.back().second == fragment.position())
                arr.back().second += fragment.length();
            else
                arr.emplace_back(fragment.position(), fragment.length());
        }
    }
    return arr;
}

class CSearchTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        m_strDb = MakeDatabase(kRecipes);
        ASSERT_TRUE(Open(m_strDb));
        OpenDialog();
    }
    void TearDown() override {
        m_pDlg.reset();
        CViewTest::TearDown();
    }
    void OpenDialog() {
        m_pDlg = std::make_unique<CSuchenDlg>(*m_pDoc, m_pFrame.get());
        m_pDlg->show();
        QApplication::setActiveWindow(m_pDlg.get());
        m_pDlg->SearchEdit()->setFocus();
        Pump();
    }
    void Search(const QString& str, bool bKeywords = true, bool bTexts = true) {
        m_pDlg->SearchEdit()->setText(str);
        m_pDlg->InKeywords()->setChecked(bKeywords);
        m_pDlg->InTexts()->setChecked(bTexts);
        QTest::mouseClick(m_pDlg->SearchButton(), Qt::LeftButton);
        Pump();
    }
    int ListedCount() const { return m_pDlg->HitList()->model()->rowCount(); }
    QString Listed(int nRow) const { return m_pDlg->HitList()->model()->index(nRow, 0).data().toString(); }
    std::vector<std::string> ListedPaths() const {
        std::vector<std::string> arr;
        for (int i = 0; i < ListedCount(); ++i) arr.push_back(Listed(i).toStdString());
        return arr;
    }
    void SelectListed(const char* pszPath) {
        for (int i = 0; i < ListedCount(); ++i)
            if (Listed(i) == QString::fromUtf8(pszPath)) m_pDlg->HitList()->selectRow(i);
        Pump();
    }

    std::string m_strDb;
    std::unique_ptr<CSuchenDlg> m_pDlg;
};

using Paths = std::vector<std::string>;
}  // namespace

TEST_F(CSearchTest, StartsWithBothFieldsAndRefusesWhatCannotBeSearched) {
    EXPECT_EQ(m_pDlg->windowTitle(), QStringLiteral("Suchen"));
    EXPECT_TRUE(m_pDlg->InKeywords()->isChecked());
    EXPECT_TRUE(m_pDlg->InTexts()->isChecked());
    EXPECT_EQ(m_pDlg->GetSelectedHit(), -1);
    EXPECT_EQ(m_pDlg->HitList()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Fundstellen"));
    EXPECT_EQ(m_pDlg->minimumSize(), QSize(581, 416));

    // the check boxes are tested before the text
    Search("", false, false);
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Eines der beiden Suchfelder 'In Namen' oder 'In Texten' muß aktiviert sein!"});
    EXPECT_EQ(m_platform.m_arrMessages[0].strCaption, "Suchen");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    m_platform.Clear();

    Search("Mehl");
    ASSERT_EQ(ListedCount(), 2);
    // a failed attempt empties list and preview
    Search("");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Der Suchtext darf nicht leer sein !"});
    EXPECT_EQ(ListedCount(), 0);
    EXPECT_TRUE(m_pDlg->Preview()->toPlainText().isEmpty());
    EXPECT_EQ(m_pDlg->GetSelectedHit(), -1);
    EXPECT_TRUE(m_pDlg->SearchEdit()->hasFocus());
    m_platform.Clear();

    Search("Nirgendwo");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Der Suchtext wurde nicht gefunden."});
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Information);
    m_platform.Clear();

    // a character no stored text can hold finds nothing (and is not sent as '?')
    Search(QString::fromUtf8("\u96EA"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Der Suchtext wurde nicht gefunden."});
    EXPECT_EQ(ListedCount(), 0);
    EXPECT_TRUE(m_pDlg->isVisible());
}

TEST_F(CSearchTest, HitsAreListedByPathAndTheFirstIsPreviewed) {
    Search("Wasser");
    EXPECT_EQ(ListedPaths(), (Paths{"Rezepte\\Brot", "Rezepte\\Suppen\\Tomatensuppe"}));
    // the search returns them by ID (Kuchen before Brot); the list sorts
    Search("Mehl");
    EXPECT_EQ(ListedPaths(), (Paths{"Rezepte\\Brot", "Rezepte\\Kuchen"}));
    EXPECT_EQ(m_pDlg->GetSelectedHit(), IdOf("Brot"));
    EXPECT_EQ(m_pDlg->Preview()->toPlainText(), QStringLiteral("Mehl, Wasser, Salz"));
    EXPECT_TRUE(m_pDlg->HitList()->hasFocus());
    EXPECT_TRUE(m_pDlg->GoToButton()->isDefault());
    EXPECT_TRUE(m_pDlg->Preview()->isReadOnly());

    SelectListed("Rezepte\\Kuchen");
    EXPECT_EQ(m_pDlg->GetSelectedHit(), IdOf("Kuchen"));
    EXPECT_EQ(m_pDlg->Preview()->toPlainText(), QString::fromUtf8("Mehl, Zucker, Butter und Äpfel"));

    // only keywords: the text hit "Zucker" in Kuchen is not listed
    Search("zucker", true, false);
    EXPECT_EQ(ListedPaths(), (Paths{"Arbeit\\Zucker im Kaffee"}));
    // both: an entry found in keyword and text is listed once
    Search("zucker");
    EXPECT_EQ(ListedPaths(), (Paths{"Arbeit\\Zucker im Kaffee", "Rezepte\\Kuchen"}));
    EXPECT_GE(m_pDlg->HitList()->columnWidth(0), 548);
}

TEST_F(CSearchTest, ThePreviewMarksEveryOccurrenceIgnoringCase) {
    Search(QString::fromUtf8("äpfel"));
    ASSERT_EQ(ListedPaths().back(), "Rezepte\\Suppen\\Tomatensuppe");
    SelectListed("Rezepte\\Suppen\\Tomatensuppe");
    // the preview marks every spelling; the CR LF is one position
    const QString strShown = m_pDlg->Preview()->toPlainText();
    ASSERT_EQ(strShown, QString::fromUtf8("Tomaten und Wasser,\näpfel nicht, ÄPFEL gar nicht"));
    EXPECT_EQ(Highlighted(m_pDlg->Preview()), (Ranges{{20, 5}, {33, 5}}));
    EXPECT_EQ(strShown.mid(20, 5), QString::fromUtf8("äpfel"));
    EXPECT_EQ(strShown.mid(33, 5), QString::fromUtf8("ÄPFEL"));
    // the caret at the start, nothing selected
    EXPECT_EQ(m_pDlg->Preview()->textCursor().position(), 0);
    EXPECT_FALSE(m_pDlg->Preview()->textCursor().hasSelection());

    // two equal letters in a run of three mark all three
    Search("aa");
    ASSERT_EQ(ListedPaths(), (Paths{"Rezepte\\Schnee"}));
    EXPECT_EQ(Highlighted(m_pDlg->Preview()), (Ranges{{0, 3}}));

    // a hit in the keyword alone is previewed without marks
    Search("Kaffee");
    ASSERT_EQ(ListedPaths(), (Paths{"Arbeit\\Zucker im Kaffee"}));
    EXPECT_EQ(m_pDlg->Preview()->toPlainText(), QString::fromUtf8("kein Süßstoff"));
    EXPECT_TRUE(Highlighted(m_pDlg->Preview()).empty());
    // marks of an earlier preview do not stay
    Search("Mehl");
    SelectListed("Rezepte\\Kuchen");
    EXPECT_EQ(Highlighted(m_pDlg->Preview()), (Ranges{{0, 4}}));
}

TEST_F(CSearchTest, EnterSearchesWhileTypingAndGoesToTheHitFromTheList) {
    m_pDlg->SearchEdit()->setFocus();
    Pump();
    EXPECT_TRUE(m_pDlg->SearchButton()->isDefault());
    QTest::keyClicks(m_pDlg->SearchEdit(), "Tomaten");
    QTest::keyClick(m_pDlg->SearchEdit(), Qt::Key_Return);
    Pump();
    ASSERT_EQ(ListedPaths(), (Paths{"Rezepte\\Suppen\\Tomatensuppe"}));
    EXPECT_TRUE(m_pDlg->GoToButton()->isDefault());
    EXPECT_TRUE(m_pDlg->isVisible());

    QTest::keyClick(m_pDlg->HitList(), Qt::Key_Return);
    Pump();
    EXPECT_FALSE(m_pDlg->isVisible());
    EXPECT_EQ(m_pDlg->result(), QDialog::Accepted);
    const std::int32_t nSuppen = IdOf("Suppen");
    EXPECT_EQ(View()->GetCurrentFolder(), nSuppen);
    EXPECT_EQ(View()->GetCurrentRow(), RowOf("Tomatensuppe"));
    EXPECT_EQ(CLeftView::ItemId(m_pFrame->GetTreeView()->SelectedItem()), nSuppen);
}

TEST_F(CSearchTest, GoToWithoutAHitDoesNothingAndCloseCloses) {
    QTest::mouseClick(m_pDlg->GoToButton(), Qt::LeftButton);
    EXPECT_TRUE(m_pDlg->isVisible());
    Search("Mehl");
    SelectListed("Rezepte\\Kuchen");
    QTest::mouseClick(m_pDlg->GoToButton(), Qt::LeftButton);
    Pump();
    EXPECT_FALSE(m_pDlg->isVisible());
    EXPECT_EQ(View()->GetCurrentFolder(), IdOf("Rezepte"));
    EXPECT_EQ(View()->GetCurrentRow(), RowOf("Kuchen"));

    OpenDialog();
    QTest::mouseClick(m_pDlg->CloseButton(), Qt::LeftButton);
    EXPECT_FALSE(m_pDlg->isVisible());
    EXPECT_EQ(m_pDlg->CloseButton()->text(), QString::fromUtf8("Sch&ließen"));
}

TEST_F(CSearchTest, ControlsFollowTheDialogsSize) {
    m_pDlg->resize(900, 640);
    Pump();
    const int W = m_pDlg->width();
    const int H = m_pDlg->height();
    EXPECT_EQ(m_pDlg->CloseButton()->pos(), QPoint(W - 85, H - 34));
    EXPECT_EQ(m_pDlg->GoToButton()->pos(), QPoint(11, H - 34));
    EXPECT_EQ(m_pDlg->SearchButton()->pos(), QPoint(W - 85, 11));
    // the check boxes at their places, or further left where the font needs
    // more room than the design gives, and the search text up to them
    const QRect rcTexts = m_pDlg->InTexts()->geometry();
    const QRect rcKeywords = m_pDlg->InKeywords()->geometry();
    EXPECT_EQ(rcTexts.top(), 11);
    EXPECT_EQ(rcTexts.left(), std::min(W - 219, W - 91 - rcTexts.width()));
    EXPECT_EQ(rcKeywords.top(), 11);
    EXPECT_EQ(rcKeywords.left(), std::min(W - 318, rcTexts.left() - 4 - rcKeywords.width()));
    const QRect rcEdit = m_pDlg->SearchEdit()->geometry();
    EXPECT_EQ(rcEdit.top(), 11);
    EXPECT_EQ(rcEdit.bottom(), 31);
    EXPECT_GE(rcEdit.left(), 86);
    EXPECT_EQ(rcEdit.right(), std::min(W - 330, rcKeywords.left() - 12));
    EXPECT_EQ(m_pDlg->HitList()->geometry(), QRect(QPoint(11, 44), QPoint(W - 11, H - 204)));
    EXPECT_EQ(m_pDlg->HitList()->columnWidth(0), W - 25);
    EXPECT_EQ(m_pDlg->Preview()->geometry(), QRect(QPoint(11, H - 197), QPoint(W - 12, H - 45)));
    // never smaller than the minimum
    m_pDlg->resize(300, 200);
    Pump();
    EXPECT_GE(m_pDlg->width(), 581);
    EXPECT_GE(m_pDlg->height(), 416);
}

TEST_F(CSearchTest, AProtectedDatabaseIsSearchedInItsDecryptedTexts) {
    m_pDlg.reset();
    m_pDoc->CloseDatabaseFile();
    Pump();
    ASSERT_TRUE(OpenDatabase(m_strDb));
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    CloseDatabase();
    GetDbPasswort().ClearPassword();
    GetDbPasswort().SetPrompt([](CDbPasswort& pw) { return pw.CheckPassword("geheim"); });
    ASSERT_TRUE(Open(m_strDb));
    ASSERT_TRUE(GetDbPasswort().IsPasswordSet());
    OpenDialog();

    Search("Mehl");
    EXPECT_EQ(ListedPaths(), (Paths{"Rezepte\\Brot", "Rezepte\\Kuchen"}));
    EXPECT_EQ(m_pDlg->Preview()->toPlainText(), QStringLiteral("Mehl, Wasser, Salz"));
    // the same rule as without a password: the letter case does not count ...
    m_platform.Clear();
    Search("mehl");
    EXPECT_EQ(ListedPaths(), (Paths{"Rezepte\\Brot", "Rezepte\\Kuchen"}));
    EXPECT_TRUE(Messages().empty());
    // ... for umlauts neither, the preview marking both spellings
    Search(QString::fromUtf8("ÄPFEL"));
    EXPECT_EQ(ListedPaths(), (Paths{"Rezepte\\Kuchen", "Rezepte\\Suppen\\Tomatensuppe"}));
    SelectListed("Rezepte\\Suppen\\Tomatensuppe");
    EXPECT_EQ(Highlighted(m_pDlg->Preview()), (Ranges{{20, 5}, {33, 5}}));
    QTest::mouseClick(m_pDlg->GoToButton(), Qt::LeftButton);
    Pump();
    EXPECT_EQ(View()->GetCurrentRow(), RowOf("Tomatensuppe"));
    EXPECT_EQ(View()->GetRows()[View()->GetCurrentRow()].Text,
              Ansi("Tomaten und Wasser,\r\näpfel nicht, ÄPFEL gar nicht"));
}

TEST_F(CSearchTest, TextsAreNotCutAndHitsTakeOneLineEach) {
    QLabel* pLabel = m_pDlg->findChild<QLabel*>();
    ASSERT_NE(pLabel, nullptr);
    for (const QSize& size : {QSize(581, 416), QSize(900, 640)}) {
        m_pDlg->resize(size);
        Pump();
        for (QWidget* pText : std::initializer_list<QWidget*>{pLabel, m_pDlg->InKeywords(), m_pDlg->InTexts()})
            EXPECT_GE(pText->width(), pText->sizeHint().width()) << size.width();
        // along the top line, left to right, nothing overlaps
        const QWidget* arrTop[] = {pLabel, m_pDlg->SearchEdit(), m_pDlg->InKeywords(), m_pDlg->InTexts(),
                                   m_pDlg->SearchButton()};
        for (size_t i = 0; i + 1 < std::size(arrTop); ++i)
            EXPECT_LT(arrTop[i]->geometry().right(), arrTop[i + 1]->geometry().left()) << i << " " << size.width();
        EXPECT_GT(m_pDlg->SearchEdit()->width(), 60) << size.width();
    }
    Search("Mehl");
    ASSERT_GE(ListedCount(), 2);
    EXPECT_LT(m_pDlg->HitList()->rowHeight(0), 2 * m_pDlg->HitList()->fontMetrics().height());
}

TEST_F(CSearchTest, TheHitListIsAListForTheKeys) {
    m_pDlg.reset();
    // more hits than the list shows, with paths wider than it
    const std::string strLong =
        " mit einem Stichwort, das weit über die Breite der Trefferliste hinausreicht und weiter";
    std::vector<SEntry> arrEntries;
    std::vector<std::string> arrNames;
    for (int i = 1; i <= 14; ++i) {
        char szName[8];
        std::snprintf(szName, sizeof szName, "%02d", i);
        arrNames.push_back(std::string("Eintrag ") + szName + strLong);
        arrEntries.push_back({"-" + arrNames.back()});
    }
    ASSERT_TRUE(Open(MakeDatabase({{"+Sammlung aller Einträge mit recht langen Namen", arrEntries}}, "lang.tov")));
    OpenDialog();
    Search("Eintrag", true, false);
    QTableView* pList = m_pDlg->HitList();
    ASSERT_EQ(ListedCount(), 14);
    ASSERT_TRUE(pList->hasFocus());

    struct SCase {
        int nKey;
        Qt::KeyboardModifiers mods;
        int nRow;
    };
    const SCase cases[] = {
        {Qt::Key_End, Qt::NoModifier, 13},      {Qt::Key_Up, Qt::NoModifier, 12},
        {Qt::Key_Home, Qt::NoModifier, 0},      {Qt::Key_Down, Qt::NoModifier, 1},
        {Qt::Key_End, Qt::NoModifier, 13},      {Qt::Key_Home, Qt::ControlModifier, 0},
        {Qt::Key_End, Qt::ControlModifier, 13},
    };
    for (const SCase& c : cases) {
        QTest::keyClick(pList, static_cast<Qt::Key>(c.nKey), c.mods);
        Pump();
        SCOPED_TRACE(QKeySequence(c.nKey | c.mods).toString().toStdString());
        ASSERT_EQ(pList->currentIndex().row(), c.nRow);
        EXPECT_EQ(pList->selectionModel()->selectedRows().size(), 1);
        EXPECT_EQ(m_pDlg->GetSelectedHit(), IdOf(arrNames[c.nRow]));
    }
    // Left and Right show the rest of a long path; the hit stays
    QScrollBar* pBar = pList->horizontalScrollBar();
    ASSERT_GT(pBar->maximum(), 0);
    EXPECT_EQ(pBar->value(), 0);
    QTest::keyClick(pList, Qt::Key_Right);
    EXPECT_GT(pBar->value(), 0);
    QTest::keyClick(pList, Qt::Key_Left);
    EXPECT_EQ(pBar->value(), 0);
    EXPECT_EQ(pList->currentIndex().row(), 13);
}

TEST_F(CSearchTest, TheBusyCursorShowsFromTheSearchUntilTheListIsFilled) {
    int nBusy = 0, nIdle = 0;
    GetDatabase().SetStatementHook([&](const std::string&) { ++(m_platform.m_nWaitDepth > 0 ? nBusy : nIdle); });
    Search("Mehl");
    GetDatabase().SetStatementHook(nullptr);
    ASSERT_EQ(ListedPaths(), (Paths{"Rezepte\\Brot", "Rezepte\\Kuchen"}));
    EXPECT_GT(nBusy, 0);
    EXPECT_EQ(nIdle, 0);
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    // a search that finds nothing gives the cursor back before its message
    m_platform.SetMessageHook([&](const SRecordedMessage&) { EXPECT_EQ(m_platform.m_nWaitDepth, 0); });
    Search("Nirgendwo");
    m_platform.SetMessageHook(nullptr);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Der Suchtext wurde nicht gefunden."});
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
}

TEST_F(CSearchTest, TheColumnTakesTheWidestOfManyPaths) {
    // more hits than the view measures on its own, the widest sorted last
    const std::string strWidest =
        "Eintrag zuletzt, mit einem Stichwort weit über jede Breite der Trefferliste hinaus und weiter";
    std::string strTemplate;
    for (int i = 1; i <= 1200; ++i) {
        char szLine[32];
        std::snprintf(szLine, sizeof szLine, "- Eintrag %04d\n", i);
        strTemplate += szLine;
    }
    strTemplate += "- " + strWidest + "\n";
    const std::string strFile = m_dir.File("viele.txt");
    WriteFile(strFile, strTemplate);
    ASSERT_GT(m_pDoc->GetService()->ImportStructure(strFile, IdOf("Arbeit")), 0);
    Search("Eintrag", true, false);
    QTableView* pList = m_pDlg->HitList();
    ASSERT_EQ(ListedCount(), 1201);
    EXPECT_EQ(Listed(1200).toStdString(), "Arbeit\\" + strWidest);
    EXPECT_GE(pList->columnWidth(0), pList->sizeHintForIndex(pList->model()->index(1200, 0)).width());
    EXPECT_GT(pList->columnWidth(0), 548);
}
