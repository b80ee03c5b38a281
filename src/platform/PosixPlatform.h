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

    std::string GetLastCopyFailure() const override;

private:
    static std::string ReadLoginName();

    std::map<std::string, std::string> m_mapSettings;
    int m_nLastCopyError = 0;  // errno of the last copy, 0 after one that succeeded
};

// '*' matches any run of bytes, every other byte itself.
bool MatchWildcard(const std::string& strPattern, const std::string& strName);

// Copies strFrom to strTo, never over an existing file, so that strTo either
// does not exist or holds the whole copy: the bytes go to a temporary file in
// the target folder, are flushed to disk, and only then get the final name.
// The temporary file has no name where the file system allows that
// (bNamedTemp false); else it is a hidden file that a killed copy leaves
// behind and a later copy into the folder removes. False with errno set.
bool CopyFileAtomic(const std::string& strFrom, const std::string& strTo, bool bNamedTemp = false);

// What an errno of a file operation means for the user (Windows-1252), for
// instance "Der Datenträger ist voll."; empty for codes without a wording.
std::string DescribeFileError(int nErrno);
