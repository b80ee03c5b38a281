#include "app/COrvantisApp.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSetupDialog>
#include <filesystem>

#include "app/CAboutDlg.h"
#include "app/CCrashInfo.h"
#include "app/CMainFrame.h"
#include "app/COrvantisDoc.h"
#include "app/DemoDatabase.h"
#include "app/DialogFolder.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "ui/CommandIds.h"
#include "ui/Icons.h"
#include "ui/PaneMessages.h"

std::string CommandLineFile(const QStringList& arrArgs) {
    for (const QString& str : arrArgs)
        if (!str.startsWith('-')) return str.toStdString();
    return std::string();
}

std::string StartDatabaseCandidate(const std::string& strLastDb, const QStringList& arrArgs) {
    std::string strFile = CommandLineFile(arrArgs);
    if (strFile.size() >= 3 && AnsiUpper(strFile.substr(strFile.size() - 3)) == "TOV") {
        // kept as given, but absolute, since it becomes the remembered last database
        return QFileInfo(QString::fromStdString(strFile)).absoluteFilePath().toStdString();
    }
    return strLastDb;
}

std::string HelpFileForProgram(const std::string& strProgramPath) {
    std::string strBeside = ReplaceExtension(strProgramPath, ".html");
    std::error_code ec;
    if (std::filesystem::exists(strBeside, ec)) return strBeside;
    // installed: <prefix>/bin/orvantis finds <prefix>/share/orvantis/orvantis.html
    std::filesystem::path program(strProgramPath);
    std::filesystem::path installed =
        program.parent_path().parent_path() / "share" / "orvantis" / std::filesystem::path(strBeside).filename();
    if (std::filesystem::exists(installed, ec)) return installed.string();
    return strBeside;
}

std::string CrashFileForProgram(const std::string& strProgramPath) {
    return CrashReportFile(strProgramPath);
}

COrvantisApp::COrvantisApp(const std::string& strProgramPath, const QStringList& arrArgs) : m_arrArgs(arrArgs) {
    // every crash report names the version; the report goes to the user's state folder
    GetCrashInfo().AddInfo("Orvantis-Version", ORVANTIS_VERSION);
    GetCrashInfo().SetFileName(CrashFileForProgram(strProgramPath));
    m_strProgramPath = strProgramPath;
    m_strProgramDir = std::filesystem::path(strProgramPath).parent_path().string();
    m_strHelpFile = HelpFileForProgram(strProgramPath);
}

COrvantisApp::~COrvantisApp() {
    m_pFrame.reset();
    m_pDoc.reset();
}

bool COrvantisApp::InitInstance(bool bShow) {
    // every window of the program, and the window manager's icon of the main one
    QGuiApplication::setWindowIcon(GetProgramIcon());
    m_pDoc = std::make_unique<COrvantisDoc>();
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc);
    m_pFrame->SetAppTarget(this);
    // the first new-document call opens nothing
    if (!m_pDoc->OnNewDocument()) return false;

    if (bShow) {
        if (GetPlatform().GetProfileInt("Parameter", "WindowMaximize", 0) == 1)
            m_pFrame->showMaximized();
        else
            m_pFrame->showNormal();
        m_pFrame->repaint();
    }
    m_pFrame->setAcceptDrops(true);
    // runs once the event loop is going, so a password prompt or an upgrade
    // question shows over the visible window
    PostPaneCommand(m_pFrame.get(), m_pFrame.get(), ID_OPEN_LAST_DATABASE);
    return true;
}

void COrvantisApp::OpenLastDatabase() {
    std::string strCandidate = StartDatabaseCandidate(GetPlatform().GetProfileString("Files", "LastDB", ""), m_arrArgs);
    // a newcomer starting from the menu gets the example instead of an empty window
    if (strCandidate.empty() && IsFirstStart()) strCandidate = FirstStartExample();
    // a file that no longer exists is skipped silently
    if (!strCandidate.empty() && GetPlatform().FileExists(strCandidate)) m_pDoc->OpenDocumentFile(strCandidate);
}

std::string COrvantisApp::FirstStartExample() {
    std::string strSource = DemoSourceForProgram(m_strProgramPath);
    if (strSource.empty()) return std::string();
    std::string strError;
    std::string strPath = PrepareDemoDatabase(strSource, strError);
    if (strPath.empty()) GetPlatform().MessageBox(Utf8ToCp1252(strError), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    return strPath;
}

void COrvantisApp::OnFileOpen() {
    bool bNoLast = GetPlatform().GetProfileString("Files", "LastDB", "").empty();
    std::string strPath;
    if (!GetPlatform().FileDialog(true, Ansi("Datenbank öffnen"), DATABASE_FILE_FILTER, "tov", "",
                                  bNoLast ? m_strProgramDir : DatabaseDialogFolder(), strPath))
        return;
    RememberDatabaseDialogFolder(strPath);
    m_pDoc->OpenDocumentFile(strPath);
}

void COrvantisApp::OnHelp() {
    CPlatform& platform = GetPlatform();
    if (platform.ShowHelp(m_strHelpFile)) return;
    // a page that is missing or unreadable: the command must not just do nothing
    std::string strText = platform.FileExists(m_strHelpFile)
                              ? Ansi(
                                    "Die Hilfe kann nicht angezeigt werden: Die Hilfedatei kann nicht gelesen "
                                    "werden.\n\nHilfedatei: ")
                              : Ansi("Die Hilfedatei wurde nicht gefunden.\n\nHilfedatei: ");
    platform.MessageBox(strText + Utf8ToCp1252(m_strHelpFile), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}

void COrvantisApp::OnAbout() {
    CAboutDlg dlg(m_pFrame.get());
    dlg.exec();
}

void COrvantisApp::OnPrintSetup() {
    // the printer that the panes print and preview with
    QPageSetupDialog dlg(m_pDoc->GetPrinter(), m_pFrame.get());
    dlg.exec();
}

bool COrvantisApp::OnCommand(int nId) {
    switch (nId) {
        case ID_FILE_NEW: m_pDoc->OnNewDocument(); return true;
        case ID_FILE_OPEN: OnFileOpen(); return true;
        case ID_FILE_PRINT_SETUP: OnPrintSetup(); return true;
        case ID_APP_ABOUT: OnAbout(); return true;
        case ID_HELP_FINDER: OnHelp(); return true;
        case ID_FILE_MRU_FILE1:
        case ID_FILE_MRU_FILE2:
        case ID_FILE_MRU_FILE3: m_pDoc->OpenRecentFile(nId - ID_FILE_MRU_FILE1); return true;
        case ID_OPEN_LAST_DATABASE: OpenLastDatabase(); return true;
        default: return false;
    }
}

bool COrvantisApp::OnUpdateCommand(int nId, SCommandState& state) {
    switch (nId) {
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_FILE_PRINT_SETUP:
        case ID_APP_ABOUT:
        case ID_HELP_FINDER:
        case ID_OPEN_LAST_DATABASE: state.bEnabled = true; return true;
        case ID_FILE_MRU_FILE1:
        case ID_FILE_MRU_FILE2:
        case ID_FILE_MRU_FILE3:
            state.bEnabled = nId - ID_FILE_MRU_FILE1 < static_cast<int>(m_pDoc->GetRecentFileList().GetFiles().size());
            return true;
        default: return false;
    }
}
