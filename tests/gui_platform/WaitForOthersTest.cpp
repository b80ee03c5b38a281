// Waiting for another user's lock on the program's own platform: the window
// keeps painting, the user's input is held back until the wait is over, and
// the status notice comes and goes with the wait.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include "app/QtPlatform.h"
#include "db/CDB.h"
#include "support/TestSupport.h"
#include "ui/WaitPump.h"

namespace {
class CCountingWidget : public QWidget {
public:
    int m_nPaints = 0;
    int m_nKeys = 0;
    int m_nKeysDuringWait = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++m_nPaints; }
    void keyPressEvent(QKeyEvent*) override {
        ++m_nKeys;
        if (IsWaitingForOthers()) ++m_nKeysDuringWait;
    }
};
}  // namespace

TEST(CWaitForOthersTest, TheWindowPaintsWhileAWriteWaitsAndTheKeysComeAfterwards) {
    CTempDir dir;
    const std::string strPath = dir.File("warten.tov");
    ASSERT_EQ(RawExec(strPath, "CREATE TABLE T ( x INTEGER );"), 0);
    CQtPlatform platform;
    SetPlatform(&platform);
    std::vector<bool> arrNotices;
    SetWaitNotice([&](bool b) { arrNotices.push_back(b); });

    CCountingWidget widget;
    widget.resize(200, 100);
    widget.show();
    QApplication::setActiveWindow(&widget);
    widget.setFocus();
    QApplication::processEvents();
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &widget, [&] { widget.update(); });
    repaint.start(20);

    {
        CDB db;
        ASSERT_TRUE(db.Open(strPath));
        auto pHolder = HoldExclusive(strPath, 1);
        int nPaintsBefore = widget.m_nPaints;
        // typed while the write waits
        QCoreApplication::postEvent(&widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        EXPECT_TRUE(db.Execute("INSERT INTO T ( x ) VALUES ( 1 );"));
        EXPECT_GT(widget.m_nPaints - nPaintsBefore, 10);  // a second of waiting, a paint every 20 ms
        EXPECT_EQ(widget.m_nKeys, 0);
        QApplication::processEvents();
        EXPECT_EQ(widget.m_nKeys, 1);
        EXPECT_EQ(widget.m_nKeysDuringWait, 0);
        EXPECT_FALSE(IsWaitingForOthers());
        EXPECT_EQ(arrNotices, (std::vector<bool>{true, false}));
        db.Close();
    }
    EXPECT_EQ(RawQuery(strPath, "SELECT x FROM T;"), (CRawRows{{"1"}}));
    SetWaitNotice(nullptr);
    SetPlatform(nullptr);
}
