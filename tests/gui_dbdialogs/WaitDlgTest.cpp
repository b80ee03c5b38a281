// The wait notice and its use by the reorganise command.
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "db/CDB.h"
#include "db/DbCommands.h"
#include "edit/CWaitDlg.h"
#include "support/TestSupport.h"

namespace {
class CPaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint) ++m_nPaints;
        return false;
    }
    int m_nPaints = 0;
};

using CWaitDlgTest = CCoreTest;

TEST_F(CWaitDlgTest, CentredOwnerlessPaintedAndBalancesTheBusyCursor) {
    {
        CWaitDlg dlg;
        EXPECT_EQ(m_platform.m_nWaitBegins, 1);
        EXPECT_EQ(m_platform.m_nWaitDepth, 1);
        EXPECT_FALSE(dlg.isVisible());
        auto* pText = dlg.findChild<QLabel*>("textMessage");
        ASSERT_NE(pText, nullptr);
        EXPECT_EQ(pText->text(), "...");
        CPaintCounter counter;
        pText->installEventFilter(&counter);

        dlg.SetMessage("Die Datenbank wird reorganisiert.");
        EXPECT_EQ(dlg.Show(), 1);
        // painted before Show returned, without any event loop of the caller
        EXPECT_GT(counter.m_nPaints, 0);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.windowTitle(), "Bitte warten ...");
        EXPECT_EQ(pText->text(), "Die Datenbank wird reorganisiert.");
        EXPECT_EQ(dlg.parentWidget(), nullptr);
        EXPECT_TRUE(dlg.isWindow());
        QPoint ptScreen = QGuiApplication::primaryScreen()->availableGeometry().center();
        QPoint ptDlg = dlg.geometry().center();
        EXPECT_LE((ptScreen - ptDlg).manhattanLength(), 4);

        EXPECT_EQ(dlg.Hide(), 1);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(m_platform.m_nWaitDepth, 1);
    }
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    EXPECT_EQ(m_platform.m_nWaitBegins, 1);
}

TEST_F(CWaitDlgTest, ShownWhileTheDatabaseIsReorganised) {
    CreateDatabase();
    int nBegins = m_platform.m_nWaitBegins;
    bool bVisibleDuringWork = false;
    int nDepthDuringWork = 0;
    {
        CWaitNotice notice;
        m_platform.SetSleepHook([&](int) {
            if (notice.GetDialog()) bVisibleDuringWork = notice.GetDialog()->isVisible();
            nDepthDuringWork = m_platform.m_nWaitDepth;
        });
        m_platform.QueueAnswer(EMsgResult::Yes);
        EXPECT_TRUE(RunReorganize(&notice));
        m_platform.SetSleepHook(nullptr);
        ASSERT_NE(notice.GetDialog(), nullptr);
        EXPECT_FALSE(notice.GetDialog()->isVisible());  // hidden before the result message
        EXPECT_EQ(m_platform.m_nWaitDepth, 1);          // until the notice is gone
    }
    EXPECT_TRUE(bVisibleDuringWork);
    EXPECT_GE(nDepthDuringWork, 1);
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    EXPECT_GT(m_platform.m_nWaitBegins, nBegins);
    EXPECT_EQ(m_platform.LastMessage(), "Die Datenbankgröße wurde um 0 kb reduziert.");
}
}  // namespace
