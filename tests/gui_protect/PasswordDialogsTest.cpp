// The four password dialogs, offscreen, driven with key and mouse events.
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <filesystem>

#include "protect/KnowledgeBase.h"
#include "protect/ProtectFixture.h"
#include "protect/ui/CAdminLoginDlg.h"
#include "protect/ui/CAdminSetupDlg.h"
#include "protect/ui/COptionPasswortDlg.h"
#include "protect/ui/CPasswortDlg.h"
#include "protect/ui/PasswordField.h"
#include "protect/ui/PasswordPrompt.h"
#include "support/GuiFixture.h"
#include "ui/DialogIds.h"

namespace fs = std::filesystem;

namespace {
QLineEdit* Field(QWidget& dlg, int nId) {
    return dlg.findChild<QLineEdit*>(QString::number(nId));
}

QPushButton* Button(QWidget& dlg, int nId) {
    return dlg.findChild<QPushButton*>(QString::number(nId));
}

QStringList Labels(QWidget& dlg) {
    QStringList list;
    for (auto* p : dlg.findChildren<QLabel*>()) list << p->text();
    return list;
}

// A tooltip fades out after a moment; the next one must be a new one.
void HideToolTip() {
    QToolTip::hideText();
    for (int i = 0; i < 200 && QToolTip::isVisible(); ++i) QTest::qWait(10);
    ASSERT_FALSE(QToolTip::isVisible());
}

void Click(QPushButton* p) {
    QTest::mouseClick(p, Qt::LeftButton);
}

void ExpectPasswordField(QLineEdit* pEdit) {
    ASSERT_NE(pEdit, nullptr);
    EXPECT_EQ(pEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(pEdit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pEdit), int('*'));
    // 33 typed, 32 kept
    TypeKeys(pEdit, QString(33, QChar('a')));
    EXPECT_EQ(pEdit->text().size(), 32);
    pEdit->clear();
}

void ExpectButton(QWidget& dlg, int nId, const char* pszText) {
    QPushButton* p = Button(dlg, nId);
    ASSERT_NE(p, nullptr) << nId;
    EXPECT_EQ(p->text(), QString::fromUtf8(pszText));
}
}  // namespace

class CPasswordDialogsTest : public CProtectTest {
protected:
    // Protects the database through the dialog, as a user does.
    void ProtectThroughDialog(const char* pszPassword) {
        COptionPasswortDlg dlg;
        dlg.show();
        TypeKeys(Field(dlg, COptionPasswortDlg::IDC_PASSWORD), pszPassword);
        TypeKeys(Field(dlg, COptionPasswortDlg::IDC_CONFIRM), pszPassword);
        Click(Button(dlg, IDOK));
        ASSERT_EQ(dlg.result(), QDialog::Accepted);
        ASSERT_TRUE(GetDbPasswort().IsProtected());
    }
};

TEST_F(CPasswordDialogsTest, PasswortDlgStaysOpenUntilThePasswordIsRight) {
    CreateWithEntries();
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword(Ansi("Grüße")));
    GetDbPasswort().ClearPassword();
    m_platform.Clear();

    CPasswortDlg dlg(GetDbPasswort());
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Die Datenbank ist geschützt"));
    EXPECT_EQ(Labels(dlg), QStringList{"Kennwort:"});
    ExpectButton(dlg, IDOK, "OK");
    ExpectButton(dlg, IDCANCEL, "Abbrechen");
    EXPECT_TRUE(Button(dlg, IDOK)->isDefault());
    QLineEdit* pEdit = Field(dlg, CPasswortDlg::IDC_PASSWORD);
    ExpectPasswordField(pEdit);

    TypeKeys(pEdit, "Gruesse");
    Click(Button(dlg, IDOK));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(m_platform.LastMessage(), "Das eingegebene Passwort ist falsch !");
    EXPECT_EQ(m_platform.m_arrMessages.back().strCaption, "Passworteingabe");
    EXPECT_EQ(m_platform.m_arrMessages.back().eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_platform.m_arrSleeps, std::vector<int>{3000});
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    EXPECT_EQ(pEdit->text(), "");
    EXPECT_EQ(dlg.focusWidget(), pEdit);
    EXPECT_FALSE(GetDbPasswort().IsPasswordSet());

    // typed in Unicode, checked as Windows-1252; Enter presses OK
    TypeKeys(pEdit, QString::fromUtf8("Grüße"));
    QTest::keyClick(pEdit, Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(GetDbPasswort().GetPassword(), Ansi("Grüße"));

    CPasswortDlg cancelled(GetDbPasswort());
    cancelled.show();
    Click(Button(cancelled, IDCANCEL));
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

TEST_F(CPasswordDialogsTest, OptionPasswortDlgRefusesWhatCannotBeAPasswordAndProtects) {
    std::string strPath = CreateWithEntries();
    {
        COptionPasswortDlg dlg;
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Datenbank verschlüsseln"));
        EXPECT_EQ(Labels(dlg), (QStringList{"Kennwort:", "Kontrolleingabe:"}));
        ExpectButton(dlg, IDOK, "OK");
        ExpectButton(dlg, IDCANCEL, "Abbrechen");
        ExpectButton(dlg, COptionPasswortDlg::IDC_UNPROTECT, "Endschützen");
        EXPECT_FALSE(Button(dlg, COptionPasswortDlg::IDC_UNPROTECT)->isVisible());
        QLineEdit* pPassword = Field(dlg, COptionPasswortDlg::IDC_PASSWORD);
        QLineEdit* pConfirm = Field(dlg, COptionPasswortDlg::IDC_CONFIRM);
        ExpectPasswordField(pPassword);
        ExpectPasswordField(pConfirm);

        Click(Button(dlg, IDOK));
        EXPECT_EQ(
            m_platform.LastMessage(),
            "Sie haben kein Kennwort eingegeben,\n\nohne Kennwort kann die Datenbak nicht verschlüsselt werden !");
        // different entries never reach the service
        TypeKeys(pPassword, "geheim");
        TypeKeys(pConfirm, "geheIm");
        Click(Button(dlg, IDOK));
        EXPECT_EQ(m_platform.LastMessage(), "Kennwort und Kontrolleingabe unterscheiden sich !");
        // typing cannot bring such characters in; a text put there otherwise is still refused
        pPassword->setText(QString::fromUtf8("Привет"));
        pConfirm->setText(QString::fromUtf8("Привет"));
        Click(Button(dlg, IDOK));
        EXPECT_EQ(m_platform.LastMessage(), "Das Kennwort enthält Zeichen, die nicht verwendet werden können !");
        TypeKeys(pPassword, "geheim~");
        TypeKeys(pConfirm, "geheim~");
        Click(Button(dlg, IDOK));
        EXPECT_EQ(m_platform.LastMessage(), "Das Kennwort darf nicht mit dem Zeichen '~' enden !");
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(fs::exists(BackupCopy(strPath, "20261207_0634")));
        EXPECT_FALSE(GetDbPasswort().IsProtected());

        TypeKeys(pPassword, "geheim");
        TypeKeys(pConfirm, "geheim");
        Click(Button(dlg, IDOK));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        // the success, then the copy made before encrypting, which still holds the plain texts
        auto arrTexts = m_platform.MessageTexts();
        ASSERT_GE(arrTexts.size(), 2u);
        EXPECT_EQ(arrTexts[arrTexts.size() - 2], "Alle Einträge in der Datenbank wurden verschlüsselt.");
        EXPECT_EQ(m_platform.m_arrMessages[arrTexts.size() - 2].eIcon, EMsgIcon::Information);
        EXPECT_EQ(m_platform.LastMessage(),
                  "Die folgenden Sicherungskopien enthalten die Daten weiterhin unverschlüsselt:\n\n" +
                      BackupCopy(strPath, "20261207_0634") +
                      "\n\nLöschen Sie diese Dateien oder verschieben Sie sie an einen sicheren Ort !");
        EXPECT_EQ(m_platform.m_arrMessages.back().eIcon, EMsgIcon::Exclamation);
        EXPECT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0634")));
        EXPECT_TRUE(GetDbPasswort().IsProtected());
        ExpectStoredUnder("geheim");
    }
}

TEST_F(CPasswordDialogsTest, OptionPasswortDlgChangesThePassword) {
    std::string strPath = CreateWithEntries();
    ProtectThroughDialog("geheim");
    m_platform.SetLocalTime(2026, 12, 7, 6, 40);
    {
        COptionPasswortDlg dlg;
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Datenbank Verschlüsselung ändern"));
        EXPECT_TRUE(Button(dlg, COptionPasswortDlg::IDC_UNPROTECT)->isVisible());
        // empty: asks first; Cancel keeps everything
        Click(Button(dlg, IDOK));
        EXPECT_EQ(m_platform.m_arrMessages.back().strCaption, "Datenbank Sch\xFCtzen");
        EXPECT_EQ(m_platform.m_arrMessages.back().eButtons, EMsgButtons::OkCancel);
        EXPECT_TRUE(dlg.isVisible());
        TypeKeys(Field(dlg, COptionPasswortDlg::IDC_PASSWORD), "anders");
        TypeKeys(Field(dlg, COptionPasswortDlg::IDC_CONFIRM), "anders");
        QTest::keyClick(Field(dlg, COptionPasswortDlg::IDC_CONFIRM), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        // the copy made under the first password is encrypted and not named
        auto arrTexts = m_platform.MessageTexts();
        EXPECT_EQ(arrTexts[arrTexts.size() - 2], "Das Kennwort der Datenbank wurde geändert.");
        EXPECT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0640")));
        EXPECT_NE(m_platform.LastMessage().find(BackupCopy(strPath, "20261207_0634") + "\n\n"), std::string::npos);
        EXPECT_EQ(m_platform.LastMessage().find("0640"), std::string::npos);
        ExpectStoredUnder("anders");
    }
}

TEST_F(CPasswordDialogsTest, OptionPasswortDlgRemovesTheProtection) {
    CreateWithEntries();
    ProtectThroughDialog("geheim");
    m_platform.SetLocalTime(2026, 12, 7, 6, 45);
    {
        COptionPasswortDlg dlg;
        dlg.show();
        Click(Button(dlg, COptionPasswortDlg::IDC_UNPROTECT));
        EXPECT_EQ(m_platform.LastMessage(), "Wenn Sie fortfahren wird die Datenbank entschlüsselt !");
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(GetDbPasswort().IsProtected());
        m_platform.QueueAnswer(EMsgResult::Ok);
        Click(Button(dlg, COptionPasswortDlg::IDC_UNPROTECT));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(m_platform.LastMessage(),
                  "Alle Einträge in der Datenbank wurden entschlüsselt.\n\nDie Datenbank ist jetzt ungeschützt !");
        EXPECT_EQ(m_platform.m_arrMessages.back().strCaption, "Datenbank Sch\xFCtzen");
        EXPECT_FALSE(GetDbPasswort().IsProtected());
        ExpectStoredUnder("");
    }
}

TEST_F(CPasswordDialogsTest, AdminLoginDlgLogsInAndOut) {
    CreateWithEntries();
    CDbAdmin& admin = GetDbAdmin();
    ASSERT_TRUE(admin.SetAdminPassword("chef"));
    admin.ResetAdminState();
    m_platform.Clear();
    {
        CAdminLoginDlg dlg;
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), "Administrator Anmeldung");
        EXPECT_EQ(Labels(dlg), QStringList{"Kennwort:"});
        ExpectButton(dlg, CAdminLoginDlg::IDC_LOGIN, "Login");
        ExpectButton(dlg, IDCANCEL, "Abbrechen");
        ExpectButton(dlg, CAdminLoginDlg::IDC_LOGOUT, "Logout");
        EXPECT_TRUE(Button(dlg, CAdminLoginDlg::IDC_LOGIN)->isDefault());
        EXPECT_FALSE(Button(dlg, CAdminLoginDlg::IDC_LOGOUT)->isEnabled());
        QLineEdit* pEdit = Field(dlg, CAdminLoginDlg::IDC_PASSWORD);
        ExpectPasswordField(pEdit);

        TypeKeys(pEdit, "Chef");
        Click(Button(dlg, CAdminLoginDlg::IDC_LOGIN));
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(m_platform.LastMessage(), "Das eingegebene Kennwort ist falsch !");
        EXPECT_EQ(m_platform.m_arrMessages.back().strCaption, "Kennworteingabe");
        EXPECT_EQ(m_platform.m_arrSleeps, std::vector<int>{3000});
        EXPECT_EQ(pEdit->text(), "");
        EXPECT_EQ(dlg.focusWidget(), pEdit);
        EXPECT_FALSE(admin.IsUnlocked());

        TypeKeys(pEdit, "chef");
        QTest::keyClick(pEdit, Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(m_platform.LastMessage(), "Die Administrator-Funktionen wurden freigegeben !");
        EXPECT_EQ(m_platform.m_arrMessages.back().strCaption, "Administrator-Anmeldung");
        EXPECT_TRUE(admin.IsUnlocked());
    }
    {
        // unlocked: only Logout and Abbrechen
        CAdminLoginDlg dlg;
        dlg.show();
        EXPECT_FALSE(Button(dlg, CAdminLoginDlg::IDC_LOGIN)->isEnabled());
        EXPECT_FALSE(Field(dlg, CAdminLoginDlg::IDC_PASSWORD)->isEnabled());
        EXPECT_TRUE(Button(dlg, CAdminLoginDlg::IDC_LOGOUT)->isEnabled());
        Click(Button(dlg, CAdminLoginDlg::IDC_LOGOUT));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(m_platform.LastMessage(), "Die Administrator-Funktionen wurden gesperrt !");
        EXPECT_EQ(m_platform.m_arrMessages.back().strCaption, "Administrator-Abmeldung");
        EXPECT_FALSE(admin.IsUnlocked());
    }
}

TEST_F(CPasswordDialogsTest, AdminSetupDlgSetsAndDeletes) {
    std::string strPath = CreateWithEntries();
    CDbAdmin& admin = GetDbAdmin();
    admin.ResetAdminState();
    {
        CAdminSetupDlg dlg;
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Administatorfunktionen schützen"));
        EXPECT_EQ(Labels(dlg), (QStringList{"Kennwort:", "Kontrolleingabe:"}));
        ExpectButton(dlg, IDOK, "OK");
        ExpectButton(dlg, IDCANCEL, "Abbrechen");
        ExpectButton(dlg, CAdminSetupDlg::IDC_DELETE, "Löschen");
        EXPECT_FALSE(Button(dlg, CAdminSetupDlg::IDC_DELETE)->isEnabled());
        ExpectPasswordField(Field(dlg, CAdminSetupDlg::IDC_PASSWORD));
        ExpectPasswordField(Field(dlg, CAdminSetupDlg::IDC_CONFIRM));

        Click(Button(dlg, IDOK));
        EXPECT_EQ(m_platform.LastMessage(), "Sie haben kein Kennwort eingegeben !");
        TypeKeys(Field(dlg, CAdminSetupDlg::IDC_PASSWORD), "chef");
        TypeKeys(Field(dlg, CAdminSetupDlg::IDC_CONFIRM), "chef2");
        Click(Button(dlg, IDOK));
        EXPECT_EQ(m_platform.LastMessage(), "Kennwort und Kontrolleingabe unterscheiden sich !");
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(admin.IsAdminPasswordSet());
        EXPECT_FALSE(fs::exists(BackupCopy(strPath, "20261207_0634")));

        TypeKeys(Field(dlg, CAdminSetupDlg::IDC_CONFIRM), "chef");
        Click(Button(dlg, IDOK));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(m_platform.LastMessage(), "Das Kennwort wurde eingetragen.");
        EXPECT_TRUE(admin.IsAdminPasswordSet());
        EXPECT_TRUE(fs::exists(BackupCopy(strPath, "20261207_0634")));
    }
    {
        CAdminSetupDlg dlg;
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Administrator-Kennwort ändern"));
        ASSERT_TRUE(Button(dlg, CAdminSetupDlg::IDC_DELETE)->isEnabled());
        Click(Button(dlg, CAdminSetupDlg::IDC_DELETE));
        EXPECT_EQ(m_platform.LastMessage(),
                  "Wenn Sie fortfahren wird die Administrator-Funktionen für alle Anwender freigegeben !");
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(admin.IsAdminPasswordSet());
        m_platform.QueueAnswer(EMsgResult::Ok);
        Click(Button(dlg, CAdminSetupDlg::IDC_DELETE));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(m_platform.LastMessage(), "Das Administrator-Kennwort wurde gelöscht.");
        EXPECT_FALSE(admin.IsAdminPasswordSet());
    }
}

TEST_F(CPasswordDialogsTest, FieldsAndCaptionsAreNotCut) {
    CreateWithEntries();
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    ASSERT_TRUE(GetDbAdmin().SetAdminPassword("chef"));
    CPasswortDlg prompt(GetDbPasswort());
    COptionPasswortDlg change;
    CAdminLoginDlg login;
    CAdminSetupDlg setup;
    for (QDialog* pDlg : std::initializer_list<QDialog*>{&prompt, &change, &login, &setup}) {
        pDlg->show();
        const QString strTitle = pDlg->windowTitle();
        QFont fontCaption = pDlg->font();
        fontCaption.setBold(true);
        EXPECT_GT(pDlg->width(), QFontMetrics(fontCaption).horizontalAdvance(strTitle)) << strTitle.toStdString();
        for (QLineEdit* pEdit : pDlg->findChildren<QLineEdit*>()) {
            // a password of usual length is seen whole
            EXPECT_GE(pEdit->width(), pEdit->fontMetrics().horizontalAdvance(QString(16, QChar('*'))))
                << strTitle.toStdString();
        }
        for (QLabel* pLabel : pDlg->findChildren<QLabel*>())
            EXPECT_GE(pLabel->width(), pLabel->sizeHint().width()) << pLabel->text().toStdString();
        pDlg->hide();
    }
}

TEST_F(CPasswordDialogsTest, InstalledPromptAsksWhileOpening) {
    std::string strPath = CreateWithEntries();
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    GetDatabase().Close();
    GetDbPasswort().ClearPassword();
    InstallPasswordPrompt();

    AnswerPasswordDialog(QStringLiteral("geheim"), IDOK);
    auto pKnowHow = OpenKnowledgeBase(strPath);
    ASSERT_NE(pKnowHow, nullptr);
    CKnowHowItem item;
    ASSERT_EQ(pKnowHow->GetItem(item, 3), 1);
    EXPECT_EQ(item.Name, "O'Neil");
    pKnowHow.reset();

    AnswerPasswordDialog(QString(), IDCANCEL);
    EXPECT_EQ(OpenKnowledgeBase(strPath), nullptr);
    EXPECT_FALSE(GetDatabase().IsOpen());
}

TEST_F(CPasswordDialogsTest, CharactersWindows1252CannotHoldAreRefusedAsTyped) {
    CreateWithEntries();
    // the password a substitute character would have matched
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("a?b"));
    ASSERT_TRUE(GetDbAdmin().SetAdminPassword("a?b"));
    GetDbPasswort().ClearPassword();
    GetDbAdmin().ResetAdminState();
    m_platform.Clear();

    CPasswortDlg prompt(GetDbPasswort());
    COptionPasswortDlg change;
    CAdminLoginDlg login;
    CAdminSetupDlg setup;
    struct SField {
        QDialog* pDlg;
        int nId;
    };
    const SField fields[] = {{&prompt, CPasswortDlg::IDC_PASSWORD},      {&change, COptionPasswortDlg::IDC_PASSWORD},
                             {&change, COptionPasswortDlg::IDC_CONFIRM}, {&login, CAdminLoginDlg::IDC_PASSWORD},
                             {&setup, CAdminSetupDlg::IDC_PASSWORD},     {&setup, CAdminSetupDlg::IDC_CONFIRM}};
    for (const SField& f : fields) {
        SCOPED_TRACE(f.pDlg->windowTitle().toStdString() + " " + std::to_string(f.nId));
        f.pDlg->show();
        QLineEdit* pEdit = Field(*f.pDlg, f.nId);
        ASSERT_NE(pEdit, nullptr);
        HideToolTip();
        TypeKeys(pEdit, QString::fromUtf8("aЖb€"));
        EXPECT_EQ(pEdit->text(), QString::fromUtf8("ab€"));
        EXPECT_EQ(QToolTip::text(), PASSWORD_CHARACTER_REFUSED);
        // pasted: taken whole or not at all
        QApplication::clipboard()->setText(QString::fromUtf8("xЖy"));
        pEdit->paste();
        EXPECT_EQ(pEdit->text(), QString::fromUtf8("ab€"));
        QApplication::clipboard()->setText(QString::fromUtf8("xÄy"));
        pEdit->paste();
        EXPECT_EQ(pEdit->text(), QString::fromUtf8("ab€xÄy"));
        f.pDlg->hide();
    }
    // a character beyond the length is no such refusal
    prompt.show();
    HideToolTip();
    TypeKeys(Field(prompt, CPasswortDlg::IDC_PASSWORD), QString(33, QChar('a')));
    EXPECT_FALSE(QToolTip::isVisible());
    prompt.hide();
    EXPECT_TRUE(m_platform.m_arrMessages.empty());

    // what reaches the check is what was typed, never "a?b"
    prompt.show();
    TypeKeys(Field(prompt, CPasswortDlg::IDC_PASSWORD), QString::fromUtf8("aЖb"));
    Click(Button(prompt, IDOK));
    EXPECT_TRUE(prompt.isVisible());
    EXPECT_EQ(m_platform.LastMessage(), "Das eingegebene Passwort ist falsch !");
    EXPECT_FALSE(GetDbPasswort().IsPasswordSet());
    login.show();
    TypeKeys(Field(login, CAdminLoginDlg::IDC_PASSWORD), QString::fromUtf8("aЖb"));
    Click(Button(login, CAdminLoginDlg::IDC_LOGIN));
    EXPECT_TRUE(login.isVisible());
    EXPECT_EQ(m_platform.LastMessage(), "Das eingegebene Kennwort ist falsch !");
    EXPECT_FALSE(GetDbAdmin().IsUnlocked());
}
