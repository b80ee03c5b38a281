// The main frame: caption, placement, splitters, title strip, bars and the
// focus switch between the panes.

#include <QApplication>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "app/CSplitterWndFix.h"
#include "app/CTitleView.h"
#include "edit/CDetailView.h"
#include "ui/CommandIds.h"

namespace {
const char* const PLACEMENT[] = {"WindowX", "WindowY", "WindowCX", "WindowCY", "WindowMaximize", "OrdnerBreite"};
}

TEST_F(CShellTest, FirstCloseStoresTheWholePlacement) {
    for (const char* psz : PLACEMENT) ASSERT_FALSE(m_platform.HasSetting("Parameter", psz)) << psz;
    m_pFrame->close();
    for (const char* psz : PLACEMENT) EXPECT_TRUE(m_platform.HasSetting("Parameter", psz)) << psz;
    EXPECT_EQ(GetPlatform().GetProfileInt("Parameter", "WindowMaximize", -1), 0);
    EXPECT_EQ(GetPlatform().GetProfileInt("Parameter", "OrdnerBreite", -1), Tree()->width());
}

TEST_F(CShellTest, StoredPlacementAndFolderWidthAreRestored) {
    CPlatform& p = GetPlatform();
    p.WriteProfileInt("Parameter", "WindowMaximize", 0);
    p.WriteProfileInt("Parameter", "WindowX", 30);
    p.WriteProfileInt("Parameter", "WindowY", 40);
    p.WriteProfileInt("Parameter", "WindowCX", 700);
    p.WriteProfileInt("Parameter", "WindowCY", 500);
    p.WriteProfileInt("Parameter", "OrdnerBreite", 260);
    COrvantisDoc doc;
    CMainFrame frame(doc);
    frame.show();
    Pump();
    EXPECT_EQ(frame.geometry(), QRect(30, 40, 700, 500));
    EXPECT_EQ(frame.GetTreeView()->width(), 260);

    // the user drags the folder pane wider; the next start keeps it
    QSplitter* pSplitter = frame.GetSplitter();
    pSplitter->setSizes({310, pSplitter->width() - 310 - pSplitter->handleWidth()});
    frame.close();
    EXPECT_EQ(p.GetProfileInt("Parameter", "OrdnerBreite", -1), 310);
    EXPECT_EQ(p.GetProfileInt("Parameter", "WindowCX", -1), 700);
}

TEST_F(CShellTest, AWindowClosedMaximisedStartsMaximisedWithItsNormalRectangle) {
    CPlatform& p = GetPlatform();
    {
        COrvantisDoc doc;
        CMainFrame frame(doc);
        frame.setGeometry(50, 60, 640, 480);
        frame.show();
        frame.showMaximized();
        Pump();
        frame.close();
    }
    EXPECT_EQ(p.GetProfileInt("Parameter", "WindowMaximize", -1), 1);
    EXPECT_EQ(p.GetProfileInt("Parameter", "WindowCX", -1), 640);
    EXPECT_EQ(p.GetProfileInt("Parameter", "WindowCY", -1), 480);
    COrvantisDoc doc;
    CMainFrame frame(doc);
    EXPECT_TRUE(frame.windowState().testFlag(Qt::WindowMaximized));
    frame.show();
    frame.showNormal();
    Pump();
    EXPECT_EQ(frame.geometry().size(), QSize(640, 480));
}

TEST_F(CShellTest, WindowCannotShrinkBelow400By200) {
    m_pFrame->resize(100, 50);
    Pump();
    EXPECT_GE(m_pFrame->width(), 400);
    EXPECT_GE(m_pFrame->height(), 200);
    EXPECT_EQ(m_pFrame->minimumSize(), QSize(400, 200));
}

TEST_F(CShellTest, TitleStripIsFixedAndItsBarCannotBeDragged) {
    CSplitterWndFix* pRight = m_pFrame->GetRightSplitter();
    EXPECT_EQ(pRight->handleWidth(), 1);
    EXPECT_EQ(m_pFrame->GetTitleView()->height(), 35);
    QSplitterHandle* pHandle = pRight->handle(1);
    ASSERT_NE(pHandle, nullptr);
    EXPECT_EQ(pHandle->cursor().shape(), Qt::ArrowCursor);
    QList<int> arrBefore = pRight->sizes();
    QTest::mousePress(pHandle, Qt::LeftButton, {}, QPoint(5, 0));
    QTest::mouseMove(pHandle, QPoint(5, 80));
    QTest::mouseRelease(pHandle, Qt::LeftButton, {}, QPoint(5, 80));
    Pump();
    EXPECT_EQ(pRight->sizes(), arrBefore);
    m_pFrame->resize(m_pFrame->width(), m_pFrame->height() + 120);
    Pump();
    EXPECT_EQ(m_pFrame->GetTitleView()->height(), 35);
}

TEST_F(CShellTest, TitleStripShowsAmpersandsAndBackslashesAsText) {
    m_pFrame->GetTitleView()->SetTitle("A&B\\C", "Zeile\tmit Tab");
    EXPECT_EQ(m_pFrame->GetTitleView()->GetTitleText().toStdString(), "A&B \\ C");
    EXPECT_EQ(m_pFrame->GetTitleView()->GetSubTitleText().toStdString(), "Zeile\tmit Tab");
    // painting must not fail on either
    QImage image(m_pFrame->GetTitleView()->size(), QImage::Format_ARGB32);
    m_pFrame->GetTitleView()->render(&image);
}

TEST_F(CShellTest, StatusBarHasTheIdleTextAndThreeIndicators) {
    QStatusBar* pBar = m_pFrame->GetStatusBarWidget();
    for (const char* psz : {"UF", "NUM", "RF"}) {
        auto* pLabel = pBar->findChild<QLabel*>(psz);
        ASSERT_NE(pLabel, nullptr) << psz;
        EXPECT_EQ(pLabel->text().toStdString(), psz);
    }
    // a status text shows over the idle text while an item is highlighted
    pBar->showMessage("Erstellt ein neues Dokument.");
    EXPECT_FALSE(m_pFrame->GetIdleLabel()->isVisible());
    pBar->clearMessage();
    EXPECT_TRUE(m_pFrame->GetIdleLabel()->isVisible());
}

TEST_F(CShellTest, ToolbarAndStatusBarCanBeHiddenAndShownAgain) {
    // the "Ansicht" menu belongs to the set of an open database
    ASSERT_TRUE(Open(MakeDatabase("bars.tov", {{"+Alpha", {}}})));
    EXPECT_TRUE(m_pFrame->QueryCommandState(ID_VIEW_TOOLBAR).bChecked);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(m_pFrame->GetToolBar()->isHidden());
    EXPECT_FALSE(m_pFrame->QueryCommandState(ID_VIEW_TOOLBAR).bChecked);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(m_pFrame->GetStatusBarWidget()->isHidden());
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_VIEW_STATUS_BAR));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_VIEW_TOOLBAR));
    EXPECT_FALSE(m_pFrame->GetToolBar()->isHidden());
    EXPECT_FALSE(m_pFrame->GetStatusBarWidget()->isHidden());
}

TEST_F(CShellTest, AltEnterAlternatesTheFocusBetweenTreeAndDetailView) {
    ASSERT_TRUE(Open(MakeDatabase("focus.tov", {{"+Alpha", {}}})));
    QApplication::setActiveWindow(m_pFrame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    m_pFrame->ActivatePane(PANE_TREE);
    ASSERT_EQ(m_pFrame->GetActivePaneKind(), PANE_TREE);
    QTest::keyClick(Tree(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_DETAIL);
    EXPECT_TRUE(m_pFrame->GetDetailView()->hasFocus());
    QTest::keyClick(m_pFrame->GetDetailView(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_TREE);
    EXPECT_TRUE(Tree()->hasFocus());
    // a click into the title strip makes it the active pane (kind 0) too
    QTest::mouseClick(m_pFrame->GetTitleView(), Qt::LeftButton);
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_DETAIL);
    QTest::keyClick(m_pFrame->GetTitleView(), Qt::Key_Enter, Qt::AltModifier);
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_TREE);
}
