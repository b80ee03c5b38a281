#pragma once
// The file, identity, clock and sleep operations of a Linux system, shared by
// the Qt, console and test platforms. The user-interface operations are left
// to them; settings are kept in memory here.

#include <map>

#include "platform/Platform.h"

class CPosixPlatform : public CPlatform {
public:
    int GetProfileInt(const std::string& strSection, const std::string& strEntry, int nDefault) override;
    bool WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) override;
    std::string GetProfileString(const std::string& strSection, const std::string& strEntry,
                                 const std::string& strDefault) override;
    bool WriteProfileString(const std::string& strSection, const std::string& strEntry,
                            const std::string& strValue) override;

    bool FileExists(const std::string& strPath) override;
    bool CopyFileNoOverwrite(const std::string& strFrom, const std::string& strTo) override;
    bool DeleteFile(const std::string& strPath) override;
    std::vector<SFileInfo> FindFiles(const std::string& strFolder, const std::string& strPattern) override;
    bool IsFileFree(const std::string& strPath) override;
    int HoldFileOpen(const std::string& strPath) override;
    void ReleaseFileOpen(int nHandle) override;

    std::string GetLoginName() override;
    std::time_t GetTime() override;
    void Sleep(int nMilliseconds) override;

private:
    std::map<std::string, std::string> m_mapSettings;
};

// '*' matches any run of bytes, every other byte itself.
bool MatchWildcard(const std::string& strPattern, const std::string& strName);
