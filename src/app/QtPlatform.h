#pragma once
// The platform of the desktop program: Qt message boxes, the override
// cursor, QSettings (INI in the user's config folder), Qt file dialogs and
// the desktop's handlers for links and help.

#include <QStringList>
#include <memory>
#include <string>

#include "platform/PosixPlatform.h"

// The names the per-user settings are filed under. The organisation is the
// package's vendor as well; the build defines it for both.
inline constexpr const char* SETTINGS_ORGANIZATION = ORVANTIS_ORGANIZATION;
inline constexpr const char* SETTINGS_APPLICATION = "Orvantis";

class QCoreApplication;
class QSettings;
class QString;
class QTranslator;
class QUrl;

class CQtPlatform : public CPosixPlatform {
public:
    CQtPlatform();
    ~CQtPlatform() override;

    EMsgResult MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                          EMsgButtons eButtons) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    // The window keeps painting while another user's lock is waited for.
    void BeginWaitForOthers() override;
    void EndWaitForOthers() override;
    void Sleep(int nMilliseconds) override;

    int GetProfileInt(const std::string& strSection, const std::string& strEntry, int nDefault) override;
    bool WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) override;
    std::string GetProfileString(const std::string& strSection, const std::string& strEntry,
                                 const std::string& strDefault) override;
    bool WriteProfileString(const std::string& strSection, const std::string& strEntry,
                            const std::string& strValue) override;

    bool FileDialog(bool bOpen, const std::string& strTitle, const std::string& strFilter, const std::string& strDefExt,
                    const std::string& strPresetName, const std::string& strInitialDir,
                    std::string& strResult) override;
    bool BrowseFolder(const std::string& strTitle, const std::string& strInitial, std::string& strResult) override;
    int ShellOpen(const std::string& strTarget) override;
    bool ShowHelp(const std::string& strHelpFile) override;

    QSettings& Settings() { return *m_pSettings; }

private:
    std::unique_ptr<QSettings> m_pSettings;
};

// Loads the German texts of the toolkit's own dialogs when they are
// installed (Debian: qt6-translations-l10n); null when they are not. The
// translator belongs to pApp.
QTranslator* InstallToolkitTranslation(QCoreApplication* pApp);

// A filter of the form "Name (*.ext)|*.ext||" as the Qt file dialog takes
// it: "Name (*.ext)", several joined by ";;", with "*.*" meaning every file.
QString QtFileFilter(const std::string& strFilter);

// A message text as the message box shows it: the blank that sets off a
// closing "?" or "!" ("... löschen ?") does not break, so the mark never
// wraps onto a line of its own. Nothing else changes.
QString MessageBoxText(const std::string& strAnsi);

// What a link names: a web address ("www." counts as one), a bare mail
// address, another URL, or a local file or folder. Answers 0 with the URL to
// open, or the shell code of a missing file (2), a missing folder (3) or a
// file that may not be read (5).
int ResolveLinkTarget(const QString& strTarget, QUrl& url);
// How a program link is started: the program itself, a launcher through gio.
struct SLinkProgram {
    QString strProgram;
    QStringList arrArgs;
};
SLinkProgram LinkProgram(const std::string& strPath);
