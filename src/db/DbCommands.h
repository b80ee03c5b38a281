#pragma once
// Database-level commands whose sequence of questions, notices and messages is
// the same in the program and in the command-line front end.

#include <string>

// The notice shown while a long operation runs (the wait dialog in the program).
class IWaitNotice {
public:
    virtual ~IWaitNotice() = default;
    virtual void Show(const std::string& strAnsiText) = 0;
    virtual void Hide() = 0;
};

// "Datenbank reorganisieren": the question (when bAsk), the wait notice, the
// reorganisation, the pause, the result message. False when declined, and
// when the reorganisation failed (a message says so instead of the saving).
bool RunReorganize(IWaitNotice* pWait, bool bAsk = true);
