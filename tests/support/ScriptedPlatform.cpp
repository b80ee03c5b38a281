#include "support/ScriptedPlatform.h"

#include <cerrno>

#include "platform/Cp1252.h"

EMsgResult CScriptedPlatform::MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                                         EMsgButtons eButtons) {
    m_arrMessages.push_back({strText, strCaption, eIcon, eButtons});
    if (m_messageHook) m_messageHook(m_arrMessages.back());
    if (!m_queAnswers.empty()) {
        EMsgResult e = m_queAnswers.front();
        m_queAnswers.pop_front();
        return e;
    }
    switch (eButtons) {
        case EMsgButtons::YesNo: return EMsgResult::No;
        case EMsgButtons::OkCancel:
        case EMsgButtons::YesNoCancel: return EMsgResult::Cancel;
        default: return EMsgResult::Ok;
    }
}

void CScriptedPlatform::BeginWaitCursor() {
    ++m_nWaitBegins;
    if (++m_nWaitDepth > m_nWaitMax) m_nWaitMax = m_nWaitDepth;
}

void CScriptedPlatform::EndWaitCursor() {
    --m_nWaitDepth;
}

void CScriptedPlatform::Sleep(int nMilliseconds) {
    m_arrSleeps.push_back(nMilliseconds);
    if (m_sleepHook) m_sleepHook(nMilliseconds);
}

bool CScriptedPlatform::FileDialog(bool bOpen, const std::string& strTitle, const std::string& strFilter,
                                   const std::string& strDefExt, const std::string& strPresetName,
                                   const std::string& strInitialDir, std::string& strResult) {
    m_arrDialogs.push_back({bOpen, strTitle, strFilter, strDefExt, strPresetName, strInitialDir});
    if (m_queFiles.empty()) return false;
    strResult = m_queFiles.front();
    m_queFiles.pop_front();
    return !strResult.empty();
}

bool CScriptedPlatform::BrowseFolder(const std::string& strTitle, const std::string& strInitial,
                                     std::string& strResult) {
    return FileDialog(true, strTitle, "", "", "", strInitial, strResult);
}

int CScriptedPlatform::ShellOpen(const std::string& strTarget) {
    m_arrShellOpened.push_back(strTarget);
    if (m_queShell.empty()) return SE_OK;
    int n = m_queShell.front();
    m_queShell.pop_front();
    return n;
}

bool CScriptedPlatform::ShowHelp(const std::string& strHelpFile) {
    m_arrHelpShown.push_back(strHelpFile);
    return m_bHelpResult;
}

void CScriptedPlatform::SetLocalTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond) {
    std::tm tmLocal{};
    tmLocal.tm_year = nYear - 1900;
    tmLocal.tm_mon = nMonth - 1;
    tmLocal.tm_mday = nDay;
    tmLocal.tm_hour = nHour;
    tmLocal.tm_min = nMinute;
    tmLocal.tm_sec = nSecond;
    tmLocal.tm_isdst = -1;
    m_tNow = std::mktime(&tmLocal);
}

std::vector<std::string> CScriptedPlatform::MessageTexts() const {
    std::vector<std::string> arr;
    for (const auto& m : m_arrMessages) arr.push_back(Cp1252ToUtf8(m.strText));
    return arr;
}

std::string CScriptedPlatform::LastMessage() const {
    return m_arrMessages.empty() ? std::string() : Cp1252ToUtf8(m_arrMessages.back().strText);
}

void CScriptedPlatform::Clear() {
    m_arrMessages.clear();
    m_arrSleeps.clear();
    m_arrDialogs.clear();
    m_arrShellOpened.clear();
    m_arrHelpShown.clear();
}

bool CScriptedPlatform::CopyFileNoOverwrite(const std::string& strFrom, const std::string& strTo) {
    m_bCopyFailed = m_nCopyFailure != 0;
    if (!m_bCopyFailed) return CPosixPlatform::CopyFileNoOverwrite(strFrom, strTo);
    errno = m_nCopyFailure;
    return false;
}

std::string CScriptedPlatform::GetLastCopyFailure() const {
    return m_bCopyFailed ? DescribeFileError(m_nCopyFailure) : CPosixPlatform::GetLastCopyFailure();
}
