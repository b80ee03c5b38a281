#pragma once
// The application object: the start-up sequence, the program-level commands
// (new, open dialog, recent files, help, about box, printer setup) and the
// deferred opening of the last or the command-line database.

#include <QObject>
#include <QStringList>
#include <memory>
#include <string>

#include "ui/CommandTarget.h"

class COrvantisDoc;
class CMainFrame;

class COrvantisApp : public QObject, public CCommandTarget {
    Q_OBJECT
public:
    // arrArgs: the program's arguments without the program itself.
    COrvantisApp(const std::string& strProgramPath, const QStringList& arrArgs);
    ~COrvantisApp() override;

    // Steps up to showing the window and posting ID_OPEN_LAST_DATABASE;
    // false when the frame or the first document cannot be made.
    bool InitInstance(bool bShow = true);

    // The open-last-database step: the command-line file (ending in "tov"
    // in any letter case) or else "Files"/"LastDB", when it exists; on the
    // very first start the example knowledge base.
    void OpenLastDatabase();
    // The "Datenbank öffnen" dialog.
    void OnFileOpen();
    void OnHelp();
    void OnAbout();
    void OnPrintSetup();

    COrvantisDoc* GetDocument() const { return m_pDoc.get(); }
    CMainFrame* GetFrame() const { return m_pFrame.get(); }
    const std::string& GetHelpFile() const { return m_strHelpFile; }
    const std::string& GetProgramDir() const { return m_strProgramDir; }

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;

private:
    // The example, made in the user's data folder when missing; "" when the
    // program has none beside it or in its share folder.
    std::string FirstStartExample();

    std::string m_strProgramPath;
    std::string m_strHelpFile;
    std::string m_strProgramDir;
    QStringList m_arrArgs;
    std::unique_ptr<COrvantisDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
};

// The file the command line names: the first argument that is no option
// ("-..."); empty when there is none. (Absolute paths begin with "/", so
// only "-" marks an option here.)
std::string CommandLineFile(const QStringList& arrArgs);
// The database the start-up opens: the command-line file when it ends in
// "tov" (any letter case), else the last database; "" when none.
std::string StartDatabaseCandidate(const std::string& strLastDb, const QStringList& arrArgs);
// The help page: beside the program (a build tree), its path with the
// extension replaced by ".html"; else, installed, in <prefix>/share/orvantis/
// for a program in <prefix>/bin. The page beside the program when neither exists.
std::string HelpFileForProgram(const std::string& strProgramPath);
// The crash report file: the program's name with ".err" in the user's state folder.
std::string CrashFileForProgram(const std::string& strProgramPath);
