#pragma once
// The platform of the desktop program: Qt message boxes, the override
// cursor, QSettings (INI in the user's config folder), Qt file dialogs and
// the desktop's handlers for links and help.

#include <memory>

#include "platform/PosixPlatform.h"

class QSettings;

class CQtPlatform : public CPosixPlatform {
public:
    CQtPlatform();
    ~CQtPlatform() override;

    EMsgResult MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                          EMsgButtons eButtons) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

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
