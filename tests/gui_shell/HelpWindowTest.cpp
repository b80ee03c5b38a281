// The help page in the program's own window: shown without a web browser,
// with back and forward, the search in the page, and links out of it going
// to the desktop.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QtTest/QTest>

#include "ShellFixture.h"
#include "app/CHelpWindow.h"

namespace {
const std::string kHelpPage = std::string(ORVANTIS_SOURCE_DIR) + "/resources/help/orvantis.html";

class CHelpWindowTest : public CShellTest {
protected:
    void TearDown() override {
        if (CHelpWindow* p = GetHelpWindow()) delete p;
        CShellTest::TearDown();
    }
};

TEST_F(CHelpWindowTest, ShowsThePageAndWalksItsLinksBackAndForth) {
    EXPECT_FALSE(ShowHelpWindow(m_dir.File("fehlt.html")));
    ASSERT_TRUE(ShowHelpWindow(kHelpPage));
    CHelpWindow* pWindow = GetHelpWindow();
    ASSERT_NE(pWindow, nullptr);
    EXPECT_TRUE(pWindow->isVisible());
    EXPECT_EQ(pWindow->windowTitle(), QString::fromUtf8("Orvantis – Hilfe"));
    EXPECT_TRUE(pWindow->Browser()->toPlainText().contains(QString::fromUtf8("Datensicherung")));
    EXPECT_FALSE(pWindow->BackAction()->isEnabled());

    // a place on the page: in the window, in its history
    pWindow->FollowLink(QUrl("#backup"));
    EXPECT_EQ(pWindow->Browser()->source().fragment(), "backup");
    ASSERT_TRUE(pWindow->BackAction()->isEnabled());
    pWindow->BackAction()->trigger();
    EXPECT_EQ(pWindow->Browser()->source().fragment(), "");
    ASSERT_TRUE(pWindow->ForwardAction()->isEnabled());
    pWindow->ForwardAction()->trigger();
    EXPECT_EQ(pWindow->Browser()->source().fragment(), "backup");

    // out of the help: the desktop opens it, the window stays where it is
    pWindow->FollowLink(QUrl("mailto:support@orvantis.example"));
    pWindow->FollowLink(QUrl("https://example.org/faq"));
    EXPECT_EQ(m_platform.m_arrShellOpened,
              (std::vector<std::string>{"mailto:support@orvantis.example", "https://example.org/faq"}));
    EXPECT_EQ(pWindow->Browser()->source().fragment(), "backup");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());

    // F1 again shows the same window
    EXPECT_TRUE(ShowHelpWindow(kHelpPage));
    EXPECT_EQ(GetHelpWindow(), pWindow);
}

TEST_F(CHelpWindowTest, FindsInThePageRoundTheEndAndSaysWhatIsNotThere) {
    ASSERT_TRUE(ShowHelpWindow(kHelpPage));
    CHelpWindow* pWindow = GetHelpWindow();
    QTextBrowser* pBrowser = pWindow->Browser();

    QTest::keyClicks(pWindow->FindField(), "schreibschutz");
    EXPECT_EQ(pBrowser->textCursor().selectedText(), "Schreibschutz");
    int nFirst = pBrowser->textCursor().selectionStart();
    // every further hit, then round to the first again
    int nHits = 1;
    for (; nHits < 20; ++nHits) {
        QTest::keyClick(pWindow->FindField(), Qt::Key_Return);
        if (pBrowser->textCursor().selectionStart() == nFirst) break;
        EXPECT_GT(pBrowser->textCursor().selectionStart(), nFirst);
    }
    EXPECT_GT(nHits, 1);
    EXPECT_LT(nHits, 20);
    EXPECT_TRUE(pWindow->FindNote()->text().isEmpty());
    // backwards from the first hit goes round to the last
    EXPECT_TRUE(pWindow->FindInPage("Schreibschutz", true));
    EXPECT_GT(pBrowser->textCursor().selectionStart(), nFirst);

    EXPECT_FALSE(pWindow->FindInPage("Quarkstrudel"));
    EXPECT_EQ(pWindow->FindNote()->text(), "Nicht gefunden");
}
}  // namespace
