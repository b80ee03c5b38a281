// A row's link is shown before it is opened: in a tooltip and in the status
// bar while the mouse is over the row.
#include <QHelpEvent>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>

#include "ViewFixture.h"
#include "app/CMainFrame.h"

namespace {
class CLinkHoverTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase(
            {{"+Ordner",
              {{"-Handbuch", {}, "Text", "ssh://root@host/Übersicht"}, {"-Ohne", {}, "Text"}, {"+Unterordner"}}}})));
        ASSERT_EQ(RowNames(), "Handbuch,Ohne,Unterordner,_");
    }
    QPoint RowPoint(int nRow) const { return {60, 1 - View()->GetScrollPos() + View()->RowTop(nRow) + 8}; }
    void Hover(int nRow) {
        QTest::mouseMove(View()->viewport(), RowPoint(nRow));
        Pump();
    }
    QString ToolTipAt(int nRow) {
        QToolTip::hideText();  // it goes after a short delay
        for (int i = 0; i < 100 && QToolTip::isVisible(); ++i) QTest::qWait(20);
        const QPoint pt = RowPoint(nRow);
        QHelpEvent help(QEvent::ToolTip, pt, View()->viewport()->mapToGlobal(pt));
        QCoreApplication::sendEvent(View()->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
    QString StatusText() const { return m_pFrame->statusBar()->currentMessage(); }
};
}  // namespace

TEST_F(CLinkHoverTest, TheLinkOfTheRowUnderTheMouseIsShown) {
    const QString strLink = QString::fromUtf8("ssh://root@host/Übersicht");
    EXPECT_EQ(ToolTipAt(0), strLink);
    EXPECT_EQ(ToolTipAt(1), QString());  // no link, no tooltip
    EXPECT_EQ(ToolTipAt(2), QString());  // nor for a folder

    Hover(0);
    EXPECT_EQ(StatusText(), strLink);
    Hover(1);
    EXPECT_EQ(StatusText(), QString());
    Hover(0);
    EXPECT_EQ(StatusText(), strLink);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(View()->viewport(), &leave);
    EXPECT_EQ(StatusText(), QString());

    // a double click on the icon asks before such a link goes anywhere
    m_platform.Clear();
    const QPoint ptIcon(10, RowPoint(0).y());
    QTest::mouseDClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, ptIcon);
    Pump();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Soll ssh://root@host/Übersicht geöffnet werden?");
    EXPECT_TRUE(m_platform.m_arrShellOpened.empty());
}
