#pragma once
// The platform of the document driver: no screen, every question answered
// Yes (as the user who confirms a folder's deletion), every message kept for
// the setup's report. Refusals are told by the write results, not by these.

#include <string>
#include <vector>

#include "platform/PosixPlatform.h"

class CStressPlatform : public CPosixPlatform {
public:
    EMsgResult MessageBox(const std::string& strText, const std::string&, EMsgIcon, EMsgButtons eButtons) override {
        m_arrMessages.push_back(strText);
        return eButtons == EMsgButtons::Ok || eButtons == EMsgButtons::OkCancel ? EMsgResult::Ok : EMsgResult::Yes;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

    std::vector<std::string> m_arrMessages;  // Windows-1252
};
