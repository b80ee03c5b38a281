// Start-up, the last and the command-line database, the open dialog, help,
// recent files, shortcuts and files dropped onto the window.

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>

#include "ShellFixture.h"
#include "app/CAboutDlg.h"
#include "app/CCrashInfo.h"
#include "app/COrvantisApp.h"
#include "db/CDB.h"
#include "edit/CLinkDlg.h"
#include "ui/CommandIds.h"

namespace {
const std::vector<SNode> ONE_FOLDER = {{"+Alpha", {}}};

class CAppTest : public CShellTest {
protected:
    std::string ProgramPath() const { return m_dir.File("bin/orvantis"); }
    // A fresh program start with these arguments, the deferred open run.
    std::unique_ptr<COrvantisApp> Start(const QStringList& arrArgs = {}, bool bShow = false) {
        auto pApp = std::make_unique<COrvantisApp>(ProgramPath(), arrArgs);
        EXPECT_TRUE(pApp->InitInstance(bShow));
        // nothing is opened before the event loop runs
        EXPECT_FALSE(pApp->GetDocument()->IsDatabaseOpen());
        Pump();
        return pApp;
    }
};
}  // namespace

TEST(CStartDatabaseCandidateTest, CommandLineFileEndingInTovInAnyCaseWins) {
    const std::string strLast = "/daten/letzte.tov";
    struct SCase {
        QStringList arrArgs;
        std::string strExpected;
    };
    const SCase cases[] = {
        {{}, strLast},
        {{"/x/a.tov"}, "/x/a.tov"},
        {{"/x/a.TOV"}, "/x/a.TOV"},
        {{"/x/a.ToV"}, "/x/a.ToV"},
        {{"/x/atov"}, "/x/atov"},
        {{"/x/a.txt"}, strLast},
        {{"/x/a.tov.bak"}, strLast},
        {{"-psn", "/x/b.tov"}, "/x/b.tov"},
        {{"/x/a.txt", "/x/b.tov"}, strLast},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(StartDatabaseCandidate(strLast, c.arrArgs), c.strExpected) << c.arrArgs.join(' ').toStdString();
    EXPECT_EQ(StartDatabaseCandidate("", {}), "");
    // a relative name is made absolute, since it becomes the last database
    std::string strRelative = StartDatabaseCandidate("", {"rel.tov"});
    EXPECT_TRUE(std::filesystem::path(strRelative).is_absolute());
    EXPECT_EQ(std::filesystem::path(strRelative).filename(), "rel.tov");
}

TEST(CProgramFilesTest, HelpLiesBesideTheProgramTheCrashFileInTheStateFolder) {
    EXPECT_EQ(HelpFileForProgram("/opt/orvantis/bin/orvantis"), "/opt/orvantis/bin/orvantis.html");
    EXPECT_EQ(HelpFileForProgram("/opt/o.v/Orvantis.exe"), "/opt/o.v/Orvantis.html");
    const char* pszState = std::getenv("XDG_STATE_HOME");
    const std::string strSaved = pszState ? pszState : "";
    setenv("XDG_STATE_HOME", "/home/anna/.zustand", 1);
    EXPECT_EQ(CrashFileForProgram("/opt/orvantis/bin/orvantis"), "/home/anna/.zustand/Orvantis/orvantis.err");
    setenv("XDG_STATE_HOME", "relativ", 1);  // not a place of its own
    const char* pszHome = std::getenv("HOME");
    if (pszHome && pszHome[0] == '/') {
        EXPECT_EQ(CrashFileForProgram("/opt/o.v/Orvantis.exe"),
                  std::string(pszHome) + "/.local/state/Orvantis/Orvantis.err");
    }
    if (pszState)
        setenv("XDG_STATE_HOME", strSaved.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

TEST(CProgramFilesTest, InstalledProgramFindsItsHelpPageInShare) {
    CTempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.File("usr/bin"));
    fs::create_directories(dir.File("usr/share/orvantis"));
    WriteFile(dir.File("usr/share/orvantis/orvantis.html"), "<html></html>");
    std::string strProgram = dir.File("usr/bin/orvantis");
    EXPECT_EQ(HelpFileForProgram(strProgram), dir.File("usr/share/orvantis/orvantis.html"));
    // a page beside the program (a build tree) comes first
    WriteFile(dir.File("usr/bin/orvantis.html"), "<html></html>");
    EXPECT_EQ(HelpFileForProgram(strProgram), dir.File("usr/bin/orvantis.html"));
}

TEST_F(CAppTest, StartUpOpensTheLastDatabaseProtected) {
    std::string strPath = MakeDatabase("letzte.tov", ONE_FOLDER);
    GetPlatform().WriteProfileString("Files", "LastDB", strPath);
    auto pApp = Start();
    COrvantisDoc* pDoc = pApp->GetDocument();
    ASSERT_TRUE(pDoc->IsDatabaseOpen());
    EXPECT_EQ(pDoc->GetPathName(), strPath);
    EXPECT_TRUE(pDoc->IsWriteProtected());
    EXPECT_EQ(pApp->GetFrame()->GetMenuSet(), IDR_MENU_OPEN);
    EXPECT_EQ(pApp->GetFrame()->windowTitle().toStdString(), "letzte - Orvantis - 1.200");
}

TEST_F(CAppTest, CommandLineDatabaseIsOpenedInsteadOfTheLastOne) {
    std::string strLast = MakeDatabase("letzte.tov", ONE_FOLDER);
    std::string strArg = MakeDatabase("Argument.TOV", ONE_FOLDER);
    GetPlatform().WriteProfileString("Files", "LastDB", strLast);
    {
        auto pApp = Start({QString::fromStdString(strArg)});
        EXPECT_EQ(pApp->GetDocument()->GetPathName(), strArg);
    }
    // the command-line file became the last database
    EXPECT_EQ(GetPlatform().GetProfileString("Files", "LastDB", ""), strArg);
    {
        GetPlatform().WriteProfileString("Files", "LastDB", strLast);
        auto pApp = Start({QString::fromStdString(m_dir.File("notiz.txt"))});
        EXPECT_EQ(pApp->GetDocument()->GetPathName(), strLast);
    }
}

TEST_F(CAppTest, AMissingCommandLineDatabaseOpensNothing) {
    std::string strLast = MakeDatabase("letzte.tov", ONE_FOLDER);
    GetPlatform().WriteProfileString("Files", "LastDB", strLast);
    auto pApp = Start({QString::fromStdString(m_dir.File("fehlt.tov"))});
    EXPECT_FALSE(pApp->GetDocument()->IsDatabaseOpen());
    EXPECT_EQ(pApp->GetFrame()->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CAppTest, AfterSchliessenTheNextStartOpensNothingAfterQuittingItReopens) {
    std::string strPath = MakeDatabase("letzte.tov", ONE_FOLDER);
    GetPlatform().WriteProfileString("Files", "LastDB", strPath);
    {
        auto pApp = Start();
        ASSERT_TRUE(pApp->GetDocument()->IsDatabaseOpen());
        pApp->GetFrame()->close();
    }
    {
        auto pApp = Start();
        ASSERT_TRUE(pApp->GetDocument()->IsDatabaseOpen());
        ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_DATABASE_CLOSE));
        pApp->GetFrame()->close();
    }
    auto pApp = Start();
    EXPECT_FALSE(pApp->GetDocument()->IsDatabaseOpen());
}

TEST_F(CAppTest, OpenDialogStartsInTheProgramFolderOnlyWithoutALastDatabase) {
    std::string strPath = MakeDatabase("wahl.tov", ONE_FOLDER);
    auto pApp = Start();
    m_platform.QueueFileDialog(strPath);
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_FILE_OPEN));
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 1u);
    const SRecordedDialog& dlg = m_platform.m_arrDialogs[0];
    EXPECT_TRUE(dlg.bOpen);
    EXPECT_EQ(dlg.strTitle,
              "Datenbank \xF6"
              "ffnen");
    EXPECT_EQ(dlg.strFilter, "Datenbank (*.tov)|*.tov||");
    EXPECT_EQ(dlg.strDefExt, "tov");
    EXPECT_EQ(dlg.strInitialDir, m_dir.File("bin"));
    Pump();
    EXPECT_EQ(pApp->GetDocument()->GetPathName(), strPath);

    m_platform.QueueFileDialog("");
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_FILE_OPEN));
    EXPECT_EQ(m_platform.m_arrDialogs[1].strInitialDir, m_dir.Path());
    // cancelled: the database stays open
    EXPECT_TRUE(pApp->GetDocument()->IsDatabaseOpen());
}

TEST_F(CAppTest, FileDialogsStartInTheFolderUsedLast) {
    for (const char* psz : {"A", "B", "C"}) std::filesystem::create_directories(m_dir.File(psz));
    std::string strA = MakeDatabase("A/a.tov", ONE_FOLDER);
    std::string strB = MakeDatabase("B/b.tov", ONE_FOLDER);
    GetPlatform().WriteProfileString("Files", "LastDB", strA);
    auto pApp = Start({}, true);
    CMainFrame* pFrame = pApp->GetFrame();
    QApplication::setActiveWindow(pFrame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(pFrame));
    auto key = [pFrame](Qt::Key nKey) {
        QApplication::setActiveWindow(pFrame);
        QTest::keyClick(pFrame, nKey, Qt::ControlModifier);
    };
    auto linkFile = [] {
        CLinkDlg dlg;
        dlg.show();
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("button%1").arg(IDC_LINK_FILE)), Qt::LeftButton);
    };
    struct SStep {
        std::function<void()> fnAction;
        std::string strExpectedDir;
        std::string strChosen;  // "" cancels
    };
    const SStep steps[] = {
        // nothing chosen yet: where the last database lies
        {[&] { key(Qt::Key_O); }, m_dir.File("A"), strB},
        {[&] { key(Qt::Key_N); }, m_dir.File("B"), m_dir.File("C/neu.tov")},
        {[&] { key(Qt::Key_O); }, m_dir.File("C"), ""},
        // the link dialog starts beside the database open now
        {[&] { ASSERT_TRUE(pApp->GetDocument()->OpenDocumentFile(strA)); }, "", ""},
        {linkFile, m_dir.File("A"), ""},
        {[&] { key(Qt::Key_N); }, m_dir.File("C"), ""},
        // a folder that has gone: the last database's
        {[&] { std::filesystem::remove_all(m_dir.File("C")); }, "", ""},
        {[&] { key(Qt::Key_O); }, m_dir.File("A"), ""},
    };
    size_t nDialogs = 0;
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const SStep& step = steps[i];
        if (!step.strExpectedDir.empty()) m_platform.QueueFileDialog(step.strChosen);
        step.fnAction();
        Pump();
        if (step.strExpectedDir.empty()) continue;
        ASSERT_EQ(m_platform.m_arrDialogs.size(), ++nDialogs);
        EXPECT_EQ(m_platform.m_arrDialogs.back().strInitialDir, step.strExpectedDir);
        if (!step.strChosen.empty()) {
            EXPECT_EQ(pApp->GetDocument()->GetPathName(), step.strChosen);
        }
    }
}

TEST_F(CAppTest, HelpShowsThePageBesideTheProgramAndCrashReportsNameTheVersion) {
    auto pApp = Start();
    EXPECT_EQ(GetCrashInfo().GetInfo().at("Orvantis-Version"), "1.200");
    EXPECT_EQ(std::string(GetCrashInfo().GetFileName()), CrashReportFile(ProgramPath()));
    EXPECT_NE(std::string(GetCrashInfo().GetFileName()), ProgramPath() + ".err");
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_HELP_FINDER));
    EXPECT_EQ(m_platform.m_arrHelpShown, (std::vector<std::string>{ProgramPath() + ".html"}));
}

TEST_F(CAppTest, HelpThatCannotBeShownIsReported) {
    auto pApp = Start();
    m_platform.SetHelpResult(false);
    // the page is missing
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_HELP_FINDER));
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.MessageTexts()[0],
              "Die Hilfedatei wurde nicht gefunden.\n\nHilfedatei: " + ProgramPath() + ".html");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    // the page is there, but nothing shows it
    std::filesystem::create_directories(m_dir.File("bin"));
    WriteFile(ProgramPath() + ".html", "<html></html>");
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_HELP_FINDER));
    ASSERT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(m_platform.MessageTexts()[1].rfind("Die Hilfe kann nicht angezeigt werden", 0), 0u);
    EXPECT_NE(m_platform.MessageTexts()[1].find(ProgramPath() + ".html"), std::string::npos);
    // a viewer that shows it: nothing to say
    m_platform.SetHelpResult(true);
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_HELP_FINDER));
    EXPECT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(m_platform.m_arrHelpShown.size(), 3u);
}

TEST_F(CAppTest, ShortcutsRunTheirCommands) {
    auto pApp = Start({}, true);
    CMainFrame* pFrame = pApp->GetFrame();
    QApplication::setActiveWindow(pFrame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(pFrame));
    QTest::keyClick(pFrame, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(pFrame, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(pFrame, Qt::Key_F1);
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 2u);
    EXPECT_EQ(m_platform.m_arrDialogs[0].strTitle,
              "Datenbank \xF6"
              "ffnen");
    EXPECT_EQ(m_platform.m_arrDialogs[1].strTitle, "Datenbank anlegen");
    EXPECT_EQ(m_platform.m_arrHelpShown.size(), 1u);
    // Ctrl+P prints only where printing is a command of the set
    QTest::keyClick(pFrame, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    // Ctrl+Q quits as "Beenden" does
    QTest::keyClick(pFrame, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(pFrame->isVisible());
}

TEST_F(CAppTest, RecentFilesOpenAndAFailingOneIsDropped) {
    std::string strA = MakeDatabase("a.tov", ONE_FOLDER);
    std::string strB = MakeDatabase("b.tov", ONE_FOLDER);
    auto pApp = Start();
    COrvantisDoc* pDoc = pApp->GetDocument();
    ASSERT_TRUE(pDoc->OpenDocumentFile(strA));
    ASSERT_TRUE(pDoc->OpenDocumentFile(strB));
    Pump();
    EXPECT_EQ(pDoc->GetRecentFileList().GetFiles(), (std::vector<std::string>{strB, strA}));
    EXPECT_EQ(pApp->GetFrame()->QueryCommandState(ID_FILE_MRU_FILE2).bEnabled, true);
    EXPECT_EQ(pApp->GetFrame()->QueryCommandState(ID_FILE_MRU_FILE3).bEnabled, false);
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_FILE_MRU_FILE2));
    Pump();
    EXPECT_EQ(pDoc->GetPathName(), strA);
    EXPECT_EQ(pDoc->GetRecentFileList().GetFiles(), (std::vector<std::string>{strA, strB}));

    // a file that is there but cannot be opened leaves the list
    WriteFile(strB, "keine Datenbank");
    ASSERT_TRUE(pApp->GetFrame()->RouteCommand(ID_FILE_MRU_FILE2));
    Pump();
    EXPECT_FALSE(pDoc->IsDatabaseOpen());
    EXPECT_EQ(pDoc->GetRecentFileList().GetFiles(), (std::vector<std::string>{strA}));
    EXPECT_EQ(GetPlatform().GetProfileString("Recent File List", "File2", "?"), "");
}

TEST_F(CAppTest, AFileThatHasGoneIsReportedAndNeverCreated) {
    // the recent-file item as the File menu offers it, and a dropped file name
    auto chooseRecent = [](CMainFrame* pFrame, const std::string& strPath) {
        for (QAction* pMenu : pFrame->menuBar()->actions())
            for (QAction* pItem : pMenu->menu()->actions())
                if (pItem->text() == QString::fromStdString("&2 " + strPath)) return pItem->trigger();
        ADD_FAILURE() << "no menu item for " << strPath;
    };
    auto drop = [](CMainFrame* pFrame, const std::string& strPath) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(strPath))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pFrame, &enter);
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pFrame, &event);
    };
    struct SCase {
        const char* pszWay;
        std::function<void(CMainFrame*, const std::string&)> fnChoose;
        bool bLeavesList;
    };
    const SCase cases[] = {{"recent", chooseRecent, true}, {"drop", drop, false}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszWay);
        std::string strGone = MakeDatabase(std::string("weg_") + c.pszWay + ".tov", ONE_FOLDER);
        std::string strOpen = MakeDatabase(std::string("offen_") + c.pszWay + ".tov", ONE_FOLDER);
        auto pApp = Start();
        COrvantisDoc* pDoc = pApp->GetDocument();
        ASSERT_TRUE(pDoc->OpenDocumentFile(strGone));
        ASSERT_TRUE(pDoc->OpenDocumentFile(strOpen));
        Pump();
        std::filesystem::remove(strGone);
        std::vector<std::string> arrListed = pDoc->GetRecentFileList().GetFiles();
        // a recent file that fails leaves the list; a dropped one was never chosen from it
        if (c.bLeavesList) arrListed.erase(std::find(arrListed.begin(), arrListed.end(), strGone));
        m_platform.Clear();
        // whatever would be asked about the file (an upgrade) is answered yes
        m_platform.QueueAnswer(EMsgResult::Yes);
        m_platform.QueueAnswer(EMsgResult::Yes);
        c.fnChoose(pApp->GetFrame(), strGone);
        Pump();
        EXPECT_FALSE(std::filesystem::exists(strGone));
        EXPECT_EQ(m_platform.MessageTexts(),
                  (std::vector<std::string>{"Die Datenbank wurde nicht gefunden:\n\n" + strGone}));
        // the database that was open stays open
        EXPECT_EQ(pDoc->GetPathName(), strOpen);
        EXPECT_EQ(GetDatabase().GetFilePath(), strOpen);
        EXPECT_EQ(GetPlatform().GetProfileString("Files", "LastDB", ""), strOpen);
        EXPECT_EQ(pDoc->GetRecentFileList().GetFiles(), arrListed);
        pApp->GetFrame()->close();
    }
}

TEST_F(CAppTest, AFileDroppedOnTheWindowTakesTheOpenPath) {
    std::string strPath = MakeDatabase("drop.tov", ONE_FOLDER);
    auto pApp = Start();
    CMainFrame* pFrame = pApp->GetFrame();
    EXPECT_TRUE(pFrame->acceptDrops());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(strPath))});
    // the drop reaches the window that accepted the drag's entry
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pFrame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pFrame, &drop);
    Pump();
    EXPECT_EQ(pApp->GetDocument()->GetPathName(), strPath);
    EXPECT_EQ(GetPlatform().GetProfileString("Files", "LastDB", ""), strPath);
}

TEST_F(CAppTest, PrinterSetUpChangesThePrinterThePanesPrintWith) {
    std::string strPath = MakeDatabase("druck.tov", ONE_FOLDER);
    auto pApp = Start({QString::fromStdString(strPath)});
    COrvantisDoc* pDoc = pApp->GetDocument();
    ASSERT_TRUE(pDoc->IsDatabaseOpen());
    // notes the printer of each modal print dialog and closes it
    std::vector<QPrinter*> arrPrinters;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (auto* pSetup = qobject_cast<QPageSetupDialog*>(pModal)) {
            arrPrinters.push_back(pSetup->printer());
            pSetup->reject();
        } else if (auto* pPreview = qobject_cast<QPrintPreviewDialog*>(pModal)) {
            arrPrinters.push_back(pPreview->printer());
            pPreview->reject();
        }
    });
    timer.start(20);
    CMainFrame* pFrame = pApp->GetFrame();
    ASSERT_TRUE(pFrame->RouteCommand(ID_FILE_PRINT_SETUP));
    pFrame->ActivatePane(PANE_TREE);
    ASSERT_TRUE(pFrame->RouteCommand(ID_FILE_PRINT_PREVIEW));
    pFrame->ActivatePane(PANE_DETAIL);
    ASSERT_TRUE(pFrame->RouteCommand(ID_FILE_PRINT_PREVIEW));
    timer.stop();
    ASSERT_EQ(arrPrinters.size(), 3u);
    EXPECT_EQ(arrPrinters[0], pDoc->GetPrinter());
    EXPECT_EQ(arrPrinters[1], pDoc->GetPrinter());
    EXPECT_EQ(arrPrinters[2], pDoc->GetPrinter());
}

TEST(CAboutBoxTest, ShowsTheVersionAndTheLicence) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Info über Orvantis");
    EXPECT_EQ(dlg.GetVersionText().toStdString().rfind("Orvantis Version 1.200", 0), 0u);
    EXPECT_NE(dlg.GetVersionText().indexOf("GPL-3.0-or-later"), -1);
    auto arrButtons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(arrButtons.size(), 1);
    EXPECT_EQ(arrButtons[0]->text().toStdString(), "Schließen");
}

TEST(CProgramOptionsTest, HelpAndVersionPrintAndEndWithoutADisplay) {
    // no display: a program that built its window here would abort instead
    auto run = [](const std::string& strOption) {
        return RunProcess({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb",
                           ORVANTIS_GUI_PATH, strOption});
    };
    SProcessResult r = run("--version");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "orvantis 1.200\n");
    EXPECT_EQ(r.strErr, "");
    for (const char* pszOption : {"--help", "-h"}) {
        r = run(pszOption);
        EXPECT_EQ(r.nExit, 0) << pszOption << ": " << r.strErr;
        EXPECT_EQ(r.strOut.rfind("Aufruf: orvantis [DATEI.tov]\n", 0), 0u) << r.strOut;
        // UTF-8, not Latin-1
        EXPECT_NE(r.strOut.find("Einträgen"), std::string::npos) << r.strOut;
        for (const char* pszListed : {"--demo-path", "--prepare-demo", "--help", "--version"})
            EXPECT_NE(r.strOut.find(pszListed), std::string::npos) << pszListed;
        EXPECT_EQ(r.strErr, "");
    }
}

TEST_F(CAppTest, TheWindowCarriesTheProgramIcon) {
    auto pApp = Start({}, true);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    QIcon icon = pApp->GetFrame()->windowIcon();
    ASSERT_FALSE(icon.isNull());
    // drawn, not blank: the blue tile beside the folder, the white page in the middle
    QImage image = icon.pixmap(48, 48).toImage();
    ASSERT_EQ(image.width(), 48);
    QColor tile = image.pixelColor(4, 40);
    EXPECT_GT(tile.blue(), tile.red() + 60) << tile.name().toStdString();
    EXPECT_EQ(tile.alpha(), 255);
    QColor page = image.pixelColor(27, 12);
    EXPECT_GT(page.red(), 230) << page.name().toStdString();
    EXPECT_GT(page.blue(), 230);
}
