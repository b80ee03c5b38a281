// The link dialog and the opening of links through the shell.
#include <sys/stat.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "edit/CLinkDlg.h"
#include "edit/LinkTarget.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"
#include "ui/DialogIds.h"

namespace {
class CLinkTest : public ::testing::Test {
protected:
    void SetUp() override { SetPlatform(&m_platform); }
    void TearDown() override { SetPlatform(nullptr); }

    // Shows the dialog (not modally) for an entry with the link and type.
    void Open(const std::string& strLink, int nTyp) {
        m_pDlg = std::make_unique<CLinkDlg>();
        CKnowHowItem item;
        item.ID = 7;
        item.Name = "Handbuch";
        item.Link = strLink;
        item.Typ = nTyp;
        m_pDlg->m_item = item;
        m_pDlg->show();
    }
    QPushButton* Button(int nId) { return m_pDlg->findChild<QPushButton*>(QStringLiteral("button%1").arg(nId)); }
    void Click(int nId) {
        QPushButton* pButton = Button(nId);
        ASSERT_NE(pButton, nullptr) << nId;
        QTest::mouseClick(pButton, Qt::LeftButton);
    }

    CScriptedPlatform m_platform;
    std::unique_ptr<CLinkDlg> m_pDlg;
};
}  // namespace

TEST_F(CLinkTest, ButtonsCarryTheirTextsAndTheEditStartsWithTheLink) {
    Open("C:\\Daten\\Liste.xls", 1);
    EXPECT_EQ(m_pDlg->windowTitle(), QString::fromUtf8("Verknüpfung erstellen bzw. ändern"));
    const std::pair<int, const char*> buttons[] = {{IDC_LINK_FILE, "&Datei"},
                                                   {IDC_LINK_TEST, "&Test"},
                                                   {IDOK, "&OK"},
                                                   {IDC_LINK_DELETE, "&Löschen"},
                                                   {IDCANCEL, "&Abbrechen"}};
    for (auto [nId, pszText] : buttons) {
        ASSERT_NE(Button(nId), nullptr);
        EXPECT_EQ(Button(nId)->text(), QString::fromUtf8(pszText));
    }
    EXPECT_TRUE(Button(IDOK)->isDefault());
    EXPECT_EQ(m_pDlg->LinkEdit()->text(), QStringLiteral("C:\\Daten\\Liste.xls"));
}

TEST_F(CLinkTest, OkSetsOrClearsTheLinkAndMarksOnlyRealChanges) {
    // an empty edit makes a plain text entry
    Open("/home/a/b.txt", 1);
    m_pDlg->LinkEdit()->clear();
    Click(IDOK);
    EXPECT_EQ(m_pDlg->result(), QDialog::Accepted);
    EXPECT_EQ(m_pDlg->m_item.Link, "");
    EXPECT_EQ(m_pDlg->m_item.Typ, 0);
    EXPECT_TRUE(m_pDlg->m_item.Modified);

    // an unchanged link on a link entry changes nothing
    Open("/home/a/b.txt", 1);
    Click(IDOK);
    EXPECT_EQ(m_pDlg->result(), QDialog::Accepted);
    EXPECT_FALSE(m_pDlg->m_item.Modified);

    // the same link on an entry without the type becomes a link entry
    Open("/home/a/b.txt", 0);
    Click(IDOK);
    EXPECT_EQ(m_pDlg->m_item.Typ, 1);
    EXPECT_TRUE(m_pDlg->m_item.Modified);

    // taken as typed: blanks stay, umlauts are stored as Windows-1252
    Open("", 0);
    m_pDlg->LinkEdit()->setText(QString::fromUtf8(" /tmp/Übersicht.pdf "));
    Click(IDOK);
    EXPECT_EQ(m_pDlg->m_item.Link,
              " /tmp/\xDC"
              "bersicht.pdf ");
    EXPECT_EQ(m_pDlg->m_item.Typ, 1);
}

TEST_F(CLinkTest, DeleteEndsLikeOkWithoutLinkAndCancelKeepsTheEntry) {
    Open("mailto:info@example.org", 1);
    Click(IDC_LINK_DELETE);
    EXPECT_EQ(m_pDlg->result(), QDialog::Accepted);
    EXPECT_FALSE(m_pDlg->isVisible());
    EXPECT_EQ(m_pDlg->m_item.Link, "");
    EXPECT_EQ(m_pDlg->m_item.Typ, 0);

    Open("mailto:info@example.org", 1);
    m_pDlg->LinkEdit()->setText(QStringLiteral("anders"));
    Click(IDCANCEL);
    EXPECT_EQ(m_pDlg->result(), QDialog::Rejected);
    EXPECT_EQ(m_pDlg->m_item.Link, "mailto:info@example.org");
    EXPECT_FALSE(m_pDlg->m_item.Modified);

    Open("x", 1);
    QTest::keyClick(m_pDlg.get(), Qt::Key_Escape);
    EXPECT_EQ(m_pDlg->result(), QDialog::Rejected);
    EXPECT_EQ(m_pDlg->m_item.Link, "x");
}

TEST_F(CLinkTest, FileButtonPutsThePickedPathIntoTheEdit) {
    Open("alt", 1);
    m_platform.QueueFileDialog("/home/benutzer/Dokumente/Ölpreise.ods");
    Click(IDC_LINK_FILE);
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 1u);
    const SRecordedDialog& dlg = m_platform.m_arrDialogs[0];
    EXPECT_TRUE(dlg.bOpen);
    EXPECT_EQ(dlg.strTitle, Ansi("Verknüpfte Datei auswählen"));
    EXPECT_EQ(dlg.strFilter, "Alle Dateien (*.*)|*.*||");
    EXPECT_EQ(dlg.strDefExt, "");
    EXPECT_EQ(dlg.strPresetName, "");
    EXPECT_EQ(m_pDlg->LinkEdit()->text(), QString::fromUtf8("/home/benutzer/Dokumente/Ölpreise.ods"));
    EXPECT_TRUE(m_pDlg->isVisible());
    Click(IDOK);
    EXPECT_EQ(m_pDlg->m_item.Link, "/home/benutzer/Dokumente/\xD6lpreise.ods");

    // cancelled: nothing changes
    Open("alt", 1);
    m_platform.QueueFileDialog("");
    Click(IDC_LINK_FILE);
    EXPECT_EQ(m_pDlg->LinkEdit()->text(), QStringLiteral("alt"));
}

TEST_F(CLinkTest, ALinkWindows1252CannotHoldIsRefusedNotStoredGarbled) {
    Open("", 0);
    m_pDlg->LinkEdit()->setText(QString::fromUtf8("/home/\u6587\u4EF6/plan.txt"));
    Click(IDOK);
    EXPECT_NE(m_pDlg->result(), QDialog::Accepted);
    EXPECT_TRUE(m_pDlg->isVisible());
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_pDlg->m_item.Link, "");
    EXPECT_FALSE(m_pDlg->m_item.Modified);
    // nor is it handed to the shell garbled
    Click(IDC_LINK_TEST);
    EXPECT_TRUE(m_platform.m_arrShellOpened.empty());
}

TEST_F(CLinkTest, TestOpensTheEditedTextAndExplainsAFailure) {
    Open("/nicht/da.txt", 1);
    m_pDlg->LinkEdit()->setText(QStringLiteral("/auch/nicht/da.txt"));
    m_platform.QueueShellResult(SE_ERR_FNF);
    Click(IDC_LINK_TEST);
    ASSERT_EQ(m_platform.m_arrShellOpened, std::vector<std::string>{"/auch/nicht/da.txt"});
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].strText,
              Ansi("Fehler beim Öffnen der Datei !\n\nDatei nicht gefunden.\n\nDatei: /auch/nicht/da.txt"));
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::Ok);
    EXPECT_TRUE(m_pDlg->isVisible());
    // the entry is not touched by a test
    EXPECT_EQ(m_pDlg->m_item.Link, "/nicht/da.txt");

    // an empty link goes to the shell like any other
    m_pDlg->LinkEdit()->clear();
    Click(IDC_LINK_TEST);
    EXPECT_EQ(m_platform.m_arrShellOpened.back(), "");
}

TEST_F(CLinkTest, EveryShellCodeShowsItsTextOrNothing) {
    const std::map<int, const char*> texts = {
        {2, "Datei nicht gefunden."},
        {3, "Das Verzeichnis wurde nicht gefunden."},
        {5, "Zugriff verweigert."},
        {8, "Nicht genug Speicher vorhanden."},
        {11, "Fehlerhafte Datei."},
        {26, "Die Datei wird zur Zeit von einen anderen Benutzer verwendet"},
        {27, "Zuordnung des Standardprogramms zum öffnen der Datei ist fehlerhaft."},
        {28, "SE_ERR_DDETIMEOUT"},
        {29, "SE_ERR_DDEFAIL"},
        {30, "SE_ERR_DDEBUSY"},
        {31, "Kein Standardprogramm zum öffnen der Datei gefunden."},
        {32, "Datei nicht gefunden."},
    };
    for (int nCode = 0; nCode <= 40; ++nCode) {
        m_platform.Clear();
        m_platform.QueueShellResult(nCode);
        EXPECT_EQ(CLinkDlg::OpenLink("C:\\x ä.doc"), 1);
        auto it = texts.find(nCode);
        if (it == texts.end()) {
            EXPECT_TRUE(m_platform.m_arrMessages.empty()) << nCode;
        } else {
            ASSERT_EQ(m_platform.m_arrMessages.size(), 1u) << nCode;
            EXPECT_EQ(m_platform.m_arrMessages[0].strText, Ansi("Fehler beim Öffnen der Datei !\n\n") +
                                                               Ansi(it->second) + Ansi("\n\nDatei: ") + "C:\\x ä.doc")
                << nCode;
        }
    }
}

// A link that may run something, or whose scheme the program does not know,
// is opened only after the user has seen where it goes.
TEST_F(CLinkTest, ProgramsAndOtherSchemesAskFirstNamingTheTarget) {
    CTempDir dir;
    const std::string strFile = dir.File("bericht.txt"), strScript = dir.File("start.sh");
    const std::string strLauncher = dir.File("Werkzeug.desktop");
    WriteFile(strFile, "x");
    WriteFile(strScript, "#!/bin/sh\n");
    ::chmod(strScript.c_str(), 0700);
    WriteFile(strLauncher, "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/true\n");
    const std::string quiet[] = {"http://example.org/",
                                 "HTTPS://example.org/a?b",
                                 "ftp://example.org/pub",
                                 "mailto:info@example.org",
                                 "www.example.org",
                                 "info@example.org",
                                 strFile,
                                 "file://" + strFile,
                                 dir.Path(),
                                 "/nicht/da.txt",
                                 "C:\\Daten\\x.doc",
                                 ""};
    for (const std::string& strLink : quiet) {
        m_platform.Clear();
        CLinkDlg::OpenLink(strLink);
        EXPECT_TRUE(m_platform.m_arrMessages.empty()) << strLink;
        EXPECT_EQ(m_platform.m_arrShellOpened, std::vector<std::string>{strLink});
    }
    const std::string asked[] = {
        "javascript:alert(1)", "ssh://root@host", "smb://server/freigabe",  "file://server/freigabe/x.txt", strScript,
        "file://" + strScript, strLauncher,       dir.File("fehlt.desktop")};
    for (const std::string& strLink : asked) {
        m_platform.Clear();
        CLinkDlg::OpenLink(strLink);  // unanswered: No
        ASSERT_EQ(m_platform.m_arrMessages.size(), 1u) << strLink;
        EXPECT_EQ(m_platform.m_arrMessages[0].strText, "Soll " + strLink + Ansi(" geöffnet werden?"));
        EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Question);
        EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNo);
        EXPECT_TRUE(m_platform.m_arrShellOpened.empty()) << strLink;

        m_platform.Clear();
        m_platform.QueueAnswer(EMsgResult::Yes);
        CLinkDlg::OpenLink(strLink);
        EXPECT_EQ(m_platform.m_arrShellOpened, std::vector<std::string>{strLink});
    }
    std::string strPath;
    EXPECT_EQ(ClassifyLink(strLauncher, &strPath), ELinkKind::Program);
    EXPECT_EQ(strPath, strLauncher);
    EXPECT_EQ(ClassifyLink("javascript:x"), ELinkKind::Other);
    // the dialog's test asks as well
    m_platform.Clear();
    Open("ssh://root@host", 1);
    Click(IDC_LINK_TEST);
    EXPECT_EQ(m_platform.m_arrMessages.size(), 1u);
}
