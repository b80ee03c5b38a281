#include "cli/ConsolePlatform.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/CliCommand.h"
#include "db/CDB.h"

namespace {
// One line typed on the terminal, without its line break; false at its end.
bool ReadAnswerLine(std::string& strLine) {
    strLine.clear();
    std::clearerr(stdin);  // a terminal may go on after an earlier end of input
    int ch;
    while ((ch = std::fgetc(stdin)) != EOF && ch != '\n') strLine += static_cast<char>(ch);
    return ch != EOF || !strLine.empty();
}

// Ja or Nein from the terminal: j, ja, y, yes, n, nein, no in any case; asks
// again for anything else. The end of input is Nein.
bool AskOnTerminal(const std::string& strQuestion) {
    // nobody waits for a lock while the user thinks
    GetDatabase().EndReadGroup();
    std::fprintf(stderr, "orvantis-cli: %s [j/n] ", strQuestion.c_str());
    for (;;) {
        std::fflush(stderr);
        std::string strLine;
        if (!ReadAnswerLine(strLine)) {
            std::fputs("\n", stderr);
            return false;
        }
        std::string strAnswer;
        for (char c : strLine)
            if (!std::isspace(static_cast<unsigned char>(c)))
                strAnswer += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (strAnswer == "j" || strAnswer == "ja" || strAnswer == "y" || strAnswer == "yes") return true;
        if (strAnswer == "n" || strAnswer == "nein" || strAnswer == "no") return false;
        std::fputs("Bitte j (Ja) oder n (Nein) eingeben: ", stderr);
    }
}
}  // namespace

EMsgResult CConsolePlatform::MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon,
                                        EMsgButtons eButtons) {
    m_arrShown.push_back(strText);
    // a caption of its own ("Passworteingabe") says what the text is about
    const bool bOwnCaption = !strCaption.empty() && strCaption != "Orvantis";
    const std::string strOut =
        (bOwnCaption ? CliTerminalText(strCaption) + ": " : std::string()) + CliTerminalText(strText, true);
    const bool bQuestion = eButtons == EMsgButtons::YesNo || eButtons == EMsgButtons::OkCancel;
    if (!bQuestion) {
        CliMessage(strOut);
        return EMsgResult::Ok;
    }
    const EMsgResult eYes = eButtons == EMsgButtons::YesNo ? EMsgResult::Yes : EMsgResult::Ok;
    const EMsgResult eNo = eButtons == EMsgButtons::YesNo ? EMsgResult::No : EMsgResult::Cancel;
    if (m_bYes) {
        CliMessage(strOut + (eButtons == EMsgButtons::YesNo ? " [Ja]" : " [OK]"));
        return eYes;
    }
    // someone at the terminal answers; a script is refused without --yes
    if (::isatty(STDIN_FILENO)) return AskOnTerminal(strOut) ? eYes : eNo;
    CliMessage(strOut + (eButtons == EMsgButtons::YesNo ? " [Nein]" : " [Abbrechen]"));
    return eNo;
}

bool CConsolePlatform::HasShown(const std::string& strText) const {
    return std::any_of(m_arrShown.begin(), m_arrShown.end(),
                       [&](const std::string& strShown) { return strShown.find(strText) != std::string::npos; });
}
