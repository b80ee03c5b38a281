// A knowledge base protected with the command-line program opens in the
// desktop program with its password, typed into the real dialog, and not
// without it.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "app/CMainFrame.h"
#include "db/CDB.h"
#include "protect/CDbPasswort.h"
#include "protect/ui/CPasswortDlg.h"
#include "protect/ui/PasswordPrompt.h"
#include "ui/DialogIds.h"

namespace {
class CCliProtectedFileTest : public CShellTest {
protected:
    void TearDown() override {
        GetDbPasswort().SetPrompt(nullptr);
        CShellTest::TearDown();
    }
};

TEST_F(CCliProtectedFileTest, OpensWithThePasswordAndNotWithout) {
    std::string strPath = m_dir.File("geschützt.tov");
    ASSERT_EQ(RunCli({"create", strPath}).nExit, 0);
    ASSERT_EQ(RunCli({"add", strPath, "--parent", "0", "--name", "Geheime Rezepte", "--folder"}).nExit, 0);
    auto r = RunCli({"protect", strPath, "--new", "Kälte€"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    InstallPasswordPrompt();

    AnswerPasswordDialog(QStringLiteral("Kälte€"), IDOK);
    ASSERT_TRUE(Open(strPath));
    EXPECT_NE(ItemOf("Geheime Rezepte"), nullptr);
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_OPEN);
    m_pDoc->CloseDatabaseFile();
    Pump();

    // a wrong password keeps the dialog open; cancelling ends the opening
    AnswerPasswordDialog(QStringLiteral("Kalte€"), IDOK);
    QTimer::singleShot(200, [] { AnswerPasswordDialog(QString(), IDCANCEL); });
    EXPECT_FALSE(Open(strPath));
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_NE(Platform().LastMessage().find("Das eingegebene Passwort ist falsch !"), std::string::npos);
}
}  // namespace
