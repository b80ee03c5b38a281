#pragma once
// The test double of the platform: records every message box and answers
// from a queue, records sleeps instead of sleeping, counts the wait cursor,
// and can fix the clock and the login name. Files are real.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/PosixPlatform.h"

struct SRecordedMessage {
    std::string strText;  // Windows-1252 as the core passed it
    std::string strCaption;
    EMsgIcon eIcon;
    EMsgButtons eButtons;
};

struct SRecordedDialog {
    bool bOpen;
    std::string strTitle, strFilter, strDefExt, strPresetName, strInitialDir;
};

class CScriptedPlatform : public CPosixPlatform {
public:
    EMsgResult MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                          EMsgButtons eButtons) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::string GetLoginName() override { return m_strLogin; }
    std::time_t GetTime() override { return m_tNow ? m_tNow : std::time(nullptr); }
    void Sleep(int nMilliseconds) override;
    bool FileDialog(bool bOpen, const std::string& strTitle, const std::string& strFilter, const std::string& strDefExt,
                    const std::string& strPresetName, const std::string& strInitialDir,
                    std::string& strResult) override;
    bool BrowseFolder(const std::string& strTitle, const std::string& strInitial, std::string& strResult) override;
    int ShellOpen(const std::string& strTarget) override;
    bool ShowHelp(const std::string& strHelpFile) override;
    // Copies fail with the injected errno while it is set (0: real copies).
    bool CopyFileNoOverwrite(const std::string& strFrom, const std::string& strTo) override;
    std::string GetLastCopyFailure() const override;
    void SetCopyFailure(int nErrno) { m_nCopyFailure = nErrno; }

    // Answers for the next message boxes, in order; when the queue is empty
    // a box is answered Ok (Ok box), No (Yes/No) or Cancel (OK/Cancel).
    void QueueAnswer(EMsgResult e) { m_queAnswers.push_back(e); }
    // Paths for the next file dialogs / folder browsers; "" means cancel.
    void QueueFileDialog(const std::string& strPath) { m_queFiles.push_back(strPath); }
    void QueueShellResult(int n) { m_queShell.push_back(n); }
    // What ShowHelp answers (a help viewer that is there, or not).
    void SetHelpResult(bool b) { m_bHelpResult = b; }
    // Fixes the clock at a local date and time.
    void SetLocalTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond = 0);
    void SetTime(std::time_t t) { m_tNow = t; }
    void SetLoginName(const std::string& str) { m_strLogin = str; }
    // Called from Sleep (for instance to let another process go on).
    void SetSleepHook(std::function<void(int)> fn) { m_sleepHook = std::move(fn); }
    // Called while a message box is open, before it is answered (for
    // instance to let another user act while a question waits).
    void SetMessageHook(std::function<void(const SRecordedMessage&)> fn) { m_messageHook = std::move(fn); }

    std::vector<SRecordedMessage> m_arrMessages;
    std::vector<int> m_arrSleeps;
    std::vector<SRecordedDialog> m_arrDialogs;
    std::vector<std::string> m_arrShellOpened;
    std::vector<std::string> m_arrHelpShown;
    int m_nWaitDepth = 0;
    int m_nWaitMax = 0;
    int m_nWaitBegins = 0;

    // Message texts as UTF-8, for readable assertions.
    std::vector<std::string> MessageTexts() const;
    std::string LastMessage() const;
    void Clear();

private:
    std::deque<EMsgResult> m_queAnswers;
    std::deque<std::string> m_queFiles;
    std::deque<int> m_queShell;
    std::string m_strLogin = "tester";
    std::time_t m_tNow = 0;
    std::function<void(int)> m_sleepHook;
    std::function<void(const SRecordedMessage&)> m_messageHook;
    bool m_bHelpResult = true;
    int m_nCopyFailure = 0;
    bool m_bCopyFailed = false;
};
