#pragma once
// The operations the program needs of the operating system and the desktop.
// Every message box, busy cursor, setting, file dialog, shell call, clock
// reading and sleep goes through here, so tests can script and observe them.
//
// Text arguments (message texts, captions, dialog titles and filters) are
// Windows-1252 bytes like all text of the core. File paths are the file
// system's own bytes (UTF-8). Settings values are UTF-8 (they hold paths).

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

enum class EMsgIcon { None, Exclamation, Information, Question, Stop };
enum class EMsgButtons { Ok, YesNo, OkCancel, YesNoCancel };
enum class EMsgResult { Ok, Cancel, Yes, No };

struct SFileInfo {
    std::string strName;  // without folder
    std::int64_t nSize = 0;
};

// Shell open results as the link messages know them: above 32 is success.
enum EShellResult {
    SE_ERR_FNF = 2,
    SE_ERR_PNF = 3,
    SE_ERR_ACCESSDENIED = 5,
    SE_ERR_OOM = 8,
    SE_ERR_NOASSOC = 31,
    SE_OK = 33,
};

class CPlatform {
public:
    virtual ~CPlatform() = default;

    // --- user interface -------------------------------------------------
    // Modal; answers the button pressed. An empty caption means the
    // program's title.
    virtual EMsgResult MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                                  EMsgButtons eButtons) = 0;
    // Counted: every Begin is matched by one End.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Around the pauses of waiting for another user's lock (the busy wait
    // cursor here; the desktop says what it waits for and keeps painting).
    virtual void BeginWaitForOthers() { BeginWaitCursor(); }
    virtual void EndWaitForOthers() { EndWaitCursor(); }

    // --- per-user settings ----------------------------------------------
    virtual int GetProfileInt(const std::string& strSection, const std::string& strEntry, int nDefault) = 0;
    virtual bool WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) = 0;
    virtual std::string GetProfileString(const std::string& strSection, const std::string& strEntry,
                                         const std::string& strDefault) = 0;
    virtual bool WriteProfileString(const std::string& strSection, const std::string& strEntry,
                                    const std::string& strValue) = 0;

    // --- files ------------------------------------------------------------
    virtual bool FileExists(const std::string& strPath) = 0;
    // Fails when the target exists already.
    virtual bool CopyFileNoOverwrite(const std::string& strFrom, const std::string& strTo) = 0;
    // Why the last copy failed, in the user's words (Windows-1252); empty
    // after one that succeeded or for a cause without a wording.
    virtual std::string GetLastCopyFailure() const;
    virtual bool DeleteFile(const std::string& strPath) = 0;
    // Regular files of strFolder whose names match strPattern ('*' = any run).
    virtual std::vector<SFileInfo> FindFiles(const std::string& strFolder, const std::string& strPattern) = 0;
    // In-use test: true when no other process holds the file open.
    virtual bool IsFileFree(const std::string& strPath) = 0;
    // Marks the file as held open by this process until released; -1 on failure.
    virtual int HoldFileOpen(const std::string& strPath) = 0;
    virtual void ReleaseFileOpen(int nHandle) = 0;

    // --- identity, clock, sleep ---------------------------------------------
    virtual std::string GetLoginName() = 0;
    virtual std::time_t GetTime() = 0;
    virtual void Sleep(int nMilliseconds) = 0;

    // --- desktop (GUI only; the defaults answer cancel or failure) -------------
    // Filter as "Name (*.ext)|*.ext||". Answers the chosen path or false on cancel.
    virtual bool FileDialog(bool bOpen, const std::string& strTitle, const std::string& strFilter,
                            const std::string& strDefExt, const std::string& strPresetName,
                            const std::string& strInitialDir, std::string& strResult);
    virtual bool BrowseFolder(const std::string& strTitle, const std::string& strInitial, std::string& strResult);
    // Opens a file, folder, program, web or mail address with its associated
    // program; answers above 32 on success, else one of the shell codes.
    virtual int ShellOpen(const std::string& strTarget);
    virtual bool ShowHelp(const std::string& strHelpFile);

    // Local time of GetTime() formatted with strftime conventions.
    std::string FormatTime(const char* pszFormat);
};

CPlatform& GetPlatform();
// The platform in force; not owned. Front ends and tests install theirs first.
void SetPlatform(CPlatform* pPlatform);
