// The in-place editor: which keys become requests to the view, what is
// typed or pasted, wheel forwarding, and agreement of its line counts with
// the row layout.
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include "edit/CEditEx.h"
#include "edit/TextLayout.h"
#include "support/GuiFixture.h"
#include "ui/PaneMessages.h"

namespace {
// Records the requests: sent ones at once, posted ones when delivered.
class CKeyRecorder : public QObject, public IPaneTarget {
public:
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t) override {
        if (nMsg == WM_EDITOR_KEY) arrCodes.push_back(static_cast<int>(wParam));
        return 0;
    }
    std::vector<int> arrCodes;
};

class CWheelRecorder : public QWidget {
public:
    void wheelEvent(QWheelEvent* pEvent) override {
        arrDeltas.push_back(pEvent->angleDelta().y());
        pEvent->accept();
    }
    std::vector<int> arrDeltas;
};

// Types any text, also characters no keyboard layout of the test knows.
void TypeText(QWidget* pWidget, const QString& strText) {
    for (qsizetype i = 0; i < strText.size(); ++i) {
        QString strOne = strText.mid(i, 1);
        if (strText[i].isHighSurrogate() && i + 1 < strText.size()) strOne = strText.mid(i++, 2);
        SendKey(pWidget, Qt::Key_unknown, Qt::NoModifier, strOne);
    }
}

QFont TextFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    return font;
}

class CEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPlatform(&m_platform);
        m_host.resize(600, 400);
        m_pEdit = new CEditEx(&m_host);
        m_pEdit->setFont(TextFont());
        m_pEdit->SetKeyTarget(&m_recorder, &m_recorder);
        m_pEdit->setGeometry(10, 10, 300, 200);
        m_host.show();
        m_pEdit->setFocus();
    }
    void TearDown() override { SetPlatform(nullptr); }

    void Use(EEditor eMode, const std::string& strText) {
        m_pEdit->SetMode(eMode);
        m_pEdit->SetEnterAdvances(eMode == EDITOR_KEYWORD ? 1 : 0);
        m_pEdit->SetLimitText(eMode == EDITOR_KEYWORD ? 80 : 0);
        m_pEdit->SetAnsiText(strText);
    }
    // Codes sent while the key was handled, then those posted.
    std::pair<std::vector<int>, std::vector<int>> Press(int nKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        m_recorder.arrCodes.clear();
        SendKey(m_pEdit, nKey, mods);
        std::vector<int> arrSent = m_recorder.arrCodes;
        QCoreApplication::sendPostedEvents();
        std::vector<int> arrPosted(m_recorder.arrCodes.begin() + static_cast<long>(arrSent.size()),
                                   m_recorder.arrCodes.end());
        return {arrSent, arrPosted};
    }
    void CaretTo(int nPos) {
        QTextCursor cursor = m_pEdit->textCursor();
        cursor.setPosition(nPos);
        m_pEdit->setTextCursor(cursor);
    }

    CScriptedPlatform m_platform;
    QWidget m_host;
    CKeyRecorder m_recorder;
    CEditEx* m_pEdit = nullptr;
};

using Codes = std::vector<int>;
}  // namespace

TEST_F(CEditorTest, KeysThatMoveBetweenFieldsBecomeRequests) {
    struct SCase {
        EEditor eMode;
        int nKey;
        Qt::KeyboardModifiers mods;
        Codes sent;
        Codes posted;
        const char* pszTextAfter;
    };
    const SCase cases[] = {
        {EDITOR_KEYWORD, Qt::Key_Tab, Qt::NoModifier, {EK_FORWARD}, {}, "abc"},
        {EDITOR_TEXT, Qt::Key_Tab, Qt::NoModifier, {EK_FORWARD}, {}, "abc"},
        {EDITOR_KEYWORD, Qt::Key_Backtab, Qt::ShiftModifier, {EK_BACK}, {}, "abc"},
        {EDITOR_TEXT, Qt::Key_Backtab, Qt::ShiftModifier, {EK_BACK}, {}, "abc"},
        {EDITOR_KEYWORD, Qt::Key_Return, Qt::NoModifier, {EK_FORWARD}, {}, "abc"},
        {EDITOR_KEYWORD, Qt::Key_Enter, Qt::KeypadModifier, {EK_FORWARD}, {}, "abc"},
        {EDITOR_KEYWORD, Qt::Key_Return, Qt::ShiftModifier, {EK_UP_LEVEL}, {}, "abc"},
        {EDITOR_TEXT, Qt::Key_Return, Qt::ShiftModifier, {EK_UP_LEVEL}, {}, "abc"},
        {EDITOR_KEYWORD, Qt::Key_Return, Qt::ControlModifier, {EK_OPEN}, {EK_CARET}, "abc"},
        {EDITOR_TEXT, Qt::Key_Return, Qt::ControlModifier, {EK_OPEN}, {EK_CARET}, "abc"},
        {EDITOR_KEYWORD, Qt::Key_Escape, Qt::NoModifier, {EK_CANCEL}, {}, "abc"},
        {EDITOR_TEXT, Qt::Key_Escape, Qt::NoModifier, {EK_CANCEL}, {}, "abc"},
        // Enter in the text editor is a new line
        {EDITOR_TEXT, Qt::Key_Return, Qt::NoModifier, {}, {EK_CARET}, "a\r\nbc"},
        {EDITOR_TEXT, Qt::Key_X, Qt::NoModifier, {}, {EK_CARET}, "axbc"},
        {EDITOR_KEYWORD, Qt::Key_Left, Qt::NoModifier, {}, {EK_CARET}, "abc"},
    };
    for (const SCase& c : cases) {
        Use(c.eMode, "abc");
        CaretTo(1);
        auto [sent, posted] = Press(c.nKey, c.mods);
        const std::string strWhat = "mode " + std::to_string(c.eMode) + " key " + std::to_string(c.nKey) + " mods " +
                                    std::to_string(int(c.mods));
        EXPECT_EQ(sent, c.sent) << strWhat;
        EXPECT_EQ(posted, c.posted) << strWhat;
        EXPECT_EQ(m_pEdit->GetAnsiText(), c.pszTextAfter) << strWhat;
    }
}

TEST_F(CEditorTest, UpAndDownLeaveOnlyFromTheFirstAndLastLine) {
    Use(EDITOR_TEXT, "one\r\ntwo\r\nthree");
    CaretTo(5);  // line 2
    auto [sent, posted] = Press(Qt::Key_Up);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(posted, Codes{EK_CARET});
    EXPECT_EQ(m_pEdit->GetCaretLine(), 0);
    std::tie(sent, posted) = Press(Qt::Key_Up);
    EXPECT_EQ(sent, Codes{EK_PREV_ROW});
    EXPECT_TRUE(posted.empty());

    CaretTo(5);
    std::tie(sent, posted) = Press(Qt::Key_Down);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(m_pEdit->GetCaretLine(), 2);
    std::tie(sent, posted) = Press(Qt::Key_Down);
    EXPECT_EQ(sent, Codes{EK_NEXT_ROW});

    // a one-line text leaves downwards at once
    Use(EDITOR_TEXT, "single");
    CaretTo(2);
    std::tie(sent, posted) = Press(Qt::Key_Down);
    EXPECT_EQ(sent, Codes{EK_NEXT_ROW});
}

TEST_F(CEditorTest, UpInAWrappedKeywordMovesWithinTheEditorFirst) {
    m_pEdit->setFont([] {
        QFont f = TextFont();
        f.setBold(true);
        return f;
    }());
    m_pEdit->setGeometry(10, 10, 80, 200);
    Use(EDITOR_KEYWORD, "Stichwort mit mehreren Woertern");
    ASSERT_GT(m_pEdit->GetLineCount(), 1);
    m_pEdit->moveCursor(QTextCursor::End);
    ASSERT_GT(m_pEdit->GetCaretLine(), 0);
    auto [sent, posted] = Press(Qt::Key_Up);
    EXPECT_TRUE(sent.empty());
    while (m_pEdit->GetCaretLine() > 0) Press(Qt::Key_Up);
    std::tie(sent, posted) = Press(Qt::Key_Up);
    EXPECT_EQ(sent, Codes{EK_PREV_ROW});
}

TEST_F(CEditorTest, ProgramTextRaisesNoChangeButTypingAndUndoDo) {
    Use(EDITOR_TEXT, "Text");
    int nChanges = 0;
    QObject::connect(m_pEdit, &CEditEx::UserTextChanged, [&] { ++nChanges; });
    m_pEdit->SetAnsiText("Neuer Text");
    EXPECT_EQ(nChanges, 0);
    m_pEdit->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_pEdit, "!");
    EXPECT_EQ(nChanges, 1);
    QTest::keyClick(m_pEdit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(nChanges, 2);
    EXPECT_EQ(m_pEdit->GetAnsiText(), "Neuer Text");
}

TEST_F(CEditorTest, CharactersOutsideWindows1252AreRefusedWithANotice) {
    Use(EDITOR_TEXT, "");
    QString strRefused;
    QObject::connect(m_pEdit, &CEditEx::InputRefused, [&](const QString& s) { strRefused = s; });
    TypeText(m_pEdit, QString::fromUtf8("a\u4E2D\u20ACb\U0001F600c"));
    // the euro sign is a Windows-1252 character, the others are not
    EXPECT_EQ(m_pEdit->GetAnsiText(),
              "a\x80"
              "bc");
    EXPECT_FALSE(strRefused.isEmpty());
    EXPECT_EQ(m_pEdit->LastNotice(), strRefused);

    // pasted text keeps what can be stored
    strRefused.clear();
    m_pEdit->SetAnsiText("");
    QApplication::clipboard()->setText(QString::fromUtf8("Gr\u00FC\u00DFe \u0416 aus K\u00F6ln"));
    m_pEdit->paste();
    EXPECT_EQ(m_pEdit->GetAnsiText(),
              "Gr\xFC\xDF"
              "e  aus K\xF6ln");
    EXPECT_FALSE(strRefused.isEmpty());
}

TEST_F(CEditorTest, KeywordIsLimitedTo80TypedOrPastedCharactersInOneLine) {
    Use(EDITOR_KEYWORD, "");
    QTest::keyClicks(m_pEdit, QString(85, QChar('k')));
    EXPECT_EQ(m_pEdit->GetAnsiText(), std::string(80, 'k'));
    EXPECT_FALSE(m_pEdit->LastNotice().isEmpty());

    // a selection makes room
    m_pEdit->selectAll();
    QTest::keyClicks(m_pEdit, "x");
    EXPECT_EQ(m_pEdit->GetAnsiText(), "x");

    m_pEdit->SetAnsiText("");
    QApplication::clipboard()->setText(QString(100, QChar('p')));
    m_pEdit->paste();
    EXPECT_EQ(m_pEdit->GetAnsiText(), std::string(80, 'p'));

    // line breaks and tabs of pasted text become blanks in a keyword
    m_pEdit->SetAnsiText("");
    QApplication::clipboard()->setText(QStringLiteral("eins\r\nzwei\tdrei\nvier"));
    m_pEdit->paste();
    EXPECT_EQ(m_pEdit->GetAnsiText(), "eins zwei drei vier");

    // a stored keyword longer than the limit is shown whole
    m_pEdit->SetAnsiText(std::string(90, 'L'));
    EXPECT_EQ(m_pEdit->GetAnsiText(), std::string(90, 'L'));

    // the text editor has no limit
    Use(EDITOR_TEXT, "");
    QApplication::clipboard()->setText(QString(500, QChar('t')));
    m_pEdit->paste();
    EXPECT_EQ(m_pEdit->GetAnsiText().size(), 500u);
}

TEST_F(CEditorTest, ReadOnlyEditorStillSendsRequestsButTakesNoInput) {
    Use(EDITOR_TEXT, "fest");
    m_pEdit->setReadOnly(true);
    m_pEdit->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_pEdit, "xyz");
    auto [sent, posted] = Press(Qt::Key_Return);
    EXPECT_EQ(m_pEdit->GetAnsiText(), "fest");
    std::tie(sent, posted) = Press(Qt::Key_Tab);
    EXPECT_EQ(sent, Codes{EK_FORWARD});
}

TEST_F(CEditorTest, WheelTurnsScrollTheViewNotTheEditor) {
    CWheelRecorder target;
    target.resize(100, 100);
    m_pEdit->SetWheelTarget(&target);
    Use(EDITOR_TEXT, std::string(2000, 'w'));
    m_pEdit->resize(100, 40);
    const int nBefore = m_pEdit->verticalScrollBar()->value();
    QWheelEvent wheel(QPointF(5, 5), m_pEdit->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_pEdit->viewport(), &wheel);
    EXPECT_EQ(target.arrDeltas, std::vector<int>{-120});
    EXPECT_EQ(m_pEdit->verticalScrollBar()->value(), nBefore);
    EXPECT_TRUE(wheel.isAccepted());
}

TEST_F(CEditorTest, LineCountsAgreeWithTheRowLayoutAlsoWhileHidden) {
    const char* texts[] = {
        "",
        "kurz",
        "Ein etwas laengerer Text, der ganz sicher in mehrere Zeilen umbrochen wird, wenn die Breite klein ist.",
        "Zeile eins\r\nZeile zwei\r\n\r\nnach einer Leerzeile",
        "Tabelle\tmit\tTabulatoren\tund\tnoch\tmehr\tSpalten\tdarin",
        "EinWortDasVielZuLangIstUmInEineZeileZuPassenUndDeshalbMittendrinUmbrochenWird",
    };
    Use(EDITOR_TEXT, "");
    m_pEdit->SetTabStopChars(2);
    const qreal dTab = TabStopDistance(m_pEdit->font(), 2);
    for (int nWidth : {60, 137, 300, 641}) {
        m_pEdit->setGeometry(10, 10, nWidth, 100);
        for (const char* psz : texts) {
            m_pEdit->SetAnsiText(psz);
            const int nExpected = std::max(1, CountTextLines(m_pEdit->font(), StoredToDisplay(psz), nWidth, dTab));
            EXPECT_EQ(m_pEdit->GetLineCount(), nExpected) << psz << " at " << nWidth;
        }
    }
    // resized while hidden: the count follows the new width at once
    m_pEdit->hide();
    m_pEdit->SetAnsiText(texts[2]);
    m_pEdit->setGeometry(10, 10, 90, 100);
    EXPECT_EQ(m_pEdit->GetLineCount(), CountTextLines(m_pEdit->font(), StoredToDisplay(texts[2]), 90, dTab));
    m_pEdit->setGeometry(10, 10, 500, 100);
    EXPECT_EQ(m_pEdit->GetLineCount(), CountTextLines(m_pEdit->font(), StoredToDisplay(texts[2]), 500, dTab));
}

TEST(CStoredTextTest, LineBreaksRoundTripAndAreWrittenAsCrLf) {
    EXPECT_EQ(StoredToDisplay("a\r\nb\nc\rd"), QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(DisplayToStored(QStringLiteral("a\nb")), "a\r\nb");
    EXPECT_EQ(DisplayToStored(QString::fromUtf8("\u00C4\u00D6\u00DC\u20AC")), "\xC4\xD6\xDC\x80");
    EXPECT_EQ(StoredToDisplay("\xC4\x80\x9F"), QString::fromUtf8("\u00C4\u20AC\u0178"));
}
