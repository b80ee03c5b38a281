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
// Answers the password dialog once it is up: types the text and presses the button.
void AnswerPasswordDialog(const QString& strPassword, int nButton) {
    auto* pTimer = new QTimer;
    QObject::connect(pTimer, &QTimer::timeout, [=] {
        auto* pDlg = qobject_cast<CPasswortDlg*>(QApplication::activeModalWidget());
        if (!pDlg) return;
        pTimer->stop();
        pTimer->deleteLater();
        auto* pEdit = pDlg->findChild<QLineEdit*>(QString::number(CPasswortDlg::IDC_PASSWORD));
        for (QChar ch : strPassword) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(pEdit, &press);
        }
        QTest::mouseClick(pDlg->findChild<QPushButton*>(QString::number(nButton)), Qt::LeftButton);
    });
    pTimer->start(20);
}

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
