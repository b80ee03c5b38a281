#pragma once
// The platform of the command-line front end: messages go to stderr after
// "orvantis-cli: " and their caption, when it is not just the program's; a question is
// answered Yes (or OK) by --yes, read from standard input when that is a
// terminal, and otherwise answered No.

#include <string>
#include <vector>

#include "platform/PosixPlatform.h"

class CConsolePlatform : public CPosixPlatform {
public:
    explicit CConsolePlatform(bool bYes) : m_bYes(bYes) {}

    EMsgResult MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                          EMsgButtons eButtons) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

    // Whether a message holding this text (Windows-1252) was printed.
    bool HasShown(const std::string& strText) const;

private:
    bool m_bYes;
    std::vector<std::string> m_arrShown;
};
