#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include "app/QtPlatform.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"

namespace {
struct SCase {
    const char* pszTarget;
    const char* pszUrl;  // expected URL when it resolves
};

TEST(CLinkTargetTest, AddressesBecomeTheirUrls) {
    const SCase cases[] = {
        {"www.example.org", "http://www.example.org"},
        {"WWW.Example.org/a b", "http://www.example.org/a%20b"},
        {"https://example.org/x?y=1", "https://example.org/x?y=1"},
        {"mailto:anna@example.org", "mailto:anna@example.org"},
        {"anna.berg@example.org", "mailto:anna.berg@example.org"},
    };
    for (const auto& c : cases) {
        QUrl url;
        EXPECT_EQ(ResolveLinkTarget(QString::fromUtf8(c.pszTarget), url), 0) << c.pszTarget;
        EXPECT_EQ(url.toString(QUrl::FullyEncoded).toStdString(), c.pszUrl) << c.pszTarget;
    }
}

TEST(CLinkTargetTest, LocalFilesAreCheckedBeforeTheDesktopIsAsked) {
    CTempDir dir;
    WriteFile(dir.File("bericht.txt"), "x");
    QUrl url;
    EXPECT_EQ(ResolveLinkTarget(QString::fromStdString(dir.File("bericht.txt")), url), 0);
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(ResolveLinkTarget(QString::fromStdString("file://" + dir.File("bericht.txt")), url), 0);
    // missing file in an existing folder, and a missing folder
    EXPECT_EQ(ResolveLinkTarget(QString::fromStdString(dir.File("fehlt.txt")), url), SE_ERR_FNF);
    EXPECT_EQ(ResolveLinkTarget(QString::fromStdString(dir.File("nirgends/fehlt.txt")), url), SE_ERR_PNF);
    EXPECT_EQ(ResolveLinkTarget(QString::fromStdString("file://" + dir.File("fehlt.txt")), url), SE_ERR_FNF);
    // a Windows drive path is a path here, not a URL scheme
    EXPECT_EQ(ResolveLinkTarget(QStringLiteral("C:\\Daten\\x.doc"), url), SE_ERR_FNF);
    if (::geteuid() != 0) {
        WriteFile(dir.File("geheim.txt"), "x");
        ::chmod(dir.File("geheim.txt").c_str(), 0);
        EXPECT_EQ(ResolveLinkTarget(QString::fromStdString(dir.File("geheim.txt")), url), SE_ERR_ACCESSDENIED);
    }
}
}  // namespace

// A program link runs the program; a launcher is started as one, not handed
// to the desktop's handler for its file type.
TEST(CLinkTargetTest, ProgramsAndLaunchersAreStartedAsPrograms) {
    CTempDir dir;
    const std::string strScript = dir.File("start.sh"), strLauncher = dir.File("Werkzeug.desktop");
    WriteFile(strScript, "#!/bin/sh\ntouch '" + dir.File("programm") + "'\n");
    ::chmod(strScript.c_str(), 0700);
    WriteFile(strLauncher,
              "[Desktop Entry]\nType=Application\nName=Werkzeug\nExec=touch " + dir.File("starter") + "\n");
    EXPECT_EQ(LinkProgram(strLauncher).strProgram, QStringLiteral("gio"));
    EXPECT_EQ(LinkProgram(strScript).strProgram, QString::fromStdString(strScript));
    EXPECT_TRUE(LinkProgram(strScript).arrArgs.isEmpty());

    CQtPlatform platform;
    EXPECT_EQ(platform.ShellOpen(strScript), SE_OK);
    EXPECT_EQ(platform.ShellOpen(dir.File("fehlt.desktop")), SE_ERR_FNF);
    const bool bGio = !QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty();
    if (bGio) {
        EXPECT_EQ(platform.ShellOpen(strLauncher), SE_OK);
    }
    for (int i = 0; i < 250 && !(QFileInfo::exists(QString::fromStdString(dir.File("programm"))) &&
                                 QFileInfo::exists(QString::fromStdString(dir.File("starter"))));
         ++i)
        QTest::qWait(20);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(dir.File("programm"))));
    if (bGio) {
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(dir.File("starter"))));
    }
}

TEST(CFileDialogFilterTest, PatternsAsTheQtDialogFiltersThem) {
    // "*.*" names every file; on this system a name without a dot must not drop out
    EXPECT_EQ(QtFileFilter("Alle Dateien (*.*)|*.*||").toStdString(), "Alle Dateien (*)");
    EXPECT_EQ(QtFileFilter("Datenbank (*.tov)|*.tov||").toStdString(), "Datenbank (*.tov)");
    EXPECT_EQ(QtFileFilter("Vorlage (*.txt)|*.txt||").toStdString(), "Vorlage (*.txt)");
    // the pattern decides, whatever the name shows; several filters, several patterns
    EXPECT_EQ(QtFileFilter("Texte|*.txt;*.md|Alles (*.*)|*.*||").toStdString(), "Texte (*.txt *.md);;Alles (*)");
    EXPECT_EQ(QtFileFilter("").toStdString(), "");
}

TEST(CToolkitTranslationTest, TheToolkitsDialogsSpeakGerman) {
    const QString strFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(strFolder + "/qtbase_de.qm")) GTEST_SKIP() << "qt6-translations-l10n is not installed";
    QTranslator* pTranslator = InstallToolkitTranslation(QCoreApplication::instance());
    ASSERT_NE(pTranslator, nullptr);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), "Suchen in:");
    QCoreApplication::removeTranslator(pTranslator);
    delete pTranslator;
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), "Look in:");
}

TEST(CMessageBoxLayoutTest, AClosingMarkStaysWithItsSentenceAtEveryWidth) {
    // questions and refusals as the program words them
    const char* const texts[] = {
        "Eintrag löschen:\n\nAktuellen Eintrag (Ordner) und alle darin enhaltenen Einträge löschen ?",
        "Eintrag löschen:\n\nAktuellen eintrag wirklich löschen ?",
        "Dieser Vorgang kann einige Minuten dauern.\n\nJetzt reorganisieren ?",
        "Alle Einträge in der Datenbank wurden entschlüsselt.\n\nDie Datenbank ist jetzt ungeschützt !",
        "Kennwort und Kontrolleingabe unterscheiden sich !",
    };
    CQtPlatform platform;
    for (const char* pszText : texts) {
        SCOPED_TRACE(pszText);
        // the text of the real box, read while it is up, then answered
        QString strShown;
        QFont font;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!pBox) return;
            timer.stop();
            if (auto* pLabel = pBox->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                strShown = pLabel->text();
                font = pLabel->font();
            }
            pBox->button(QMessageBox::No)->click();
        });
        timer.start(10);
        const std::string strAnsi = Utf8ToCp1252(pszText);
        EXPECT_EQ(platform.MessageBox(strAnsi, "", EMsgIcon::Exclamation, EMsgButtons::YesNo), EMsgResult::No);
        ASSERT_FALSE(strShown.isEmpty());
        // the words are the message's own
        EXPECT_EQ(QString(strShown).replace(QChar(0xA0), QChar(' ')), QString::fromUtf8(pszText));
        // wherever the box wraps a line, the mark is not left alone
        for (int nWidth = 30; nWidth <= 700; ++nWidth) {
            for (const QString& strParagraph : strShown.split('\n')) {
                QTextLayout layout(strParagraph, font);
                QTextOption option;
                option.setWrapMode(QTextOption::WordWrap);
                layout.setTextOption(option);
                layout.beginLayout();
                for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                    line.setLineWidth(nWidth);
                    const QString strLine = strParagraph.mid(line.textStart(), line.textLength()).trimmed();
                    ASSERT_TRUE(strLine != "?" && strLine != "!") << nWidth;
                }
                layout.endLayout();
            }
        }
    }
}
