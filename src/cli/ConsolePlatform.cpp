#include "cli/ConsolePlatform.h"

#include <algorithm>
#include <cstdio>

#include "cli/CliCommand.h"

EMsgResult CConsolePlatform::MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon,
                                        EMsgButtons eButtons) {
    std::string strOut = CliTerminalText(strCaption.empty() ? std::string("Orvantis") : strCaption) + ": " +
                         CliTerminalText(strText, true);
    EMsgResult eAnswer = EMsgResult::Ok;
    if (eButtons == EMsgButtons::YesNo) {
        eAnswer = m_bYes ? EMsgResult::Yes : EMsgResult::No;
        strOut += m_bYes ? " [Ja]" : " [Nein]";
    } else if (eButtons == EMsgButtons::OkCancel) {
        eAnswer = m_bYes ? EMsgResult::Ok : EMsgResult::Cancel;
        strOut += m_bYes ? " [OK]" : " [Abbrechen]";
    }
    std::fprintf(stderr, "%s\n", strOut.c_str());
    std::fflush(stderr);
    m_arrShown.push_back(strText);
    return eAnswer;
}

bool CConsolePlatform::HasShown(const std::string& strText) const {
    return std::any_of(m_arrShown.begin(), m_arrShown.end(),
                       [&](const std::string& strShown) { return strShown.find(strText) != std::string::npos; });
}
