#include "platform/Platform.h"

#include <cassert>

namespace {
CPlatform* g_pPlatform = nullptr;
}

CPlatform& GetPlatform() {
    assert(g_pPlatform && "no platform installed");
    return *g_pPlatform;
}

void SetPlatform(CPlatform* pPlatform) {
    g_pPlatform = pPlatform;
}

bool CPlatform::FileDialog(bool, const std::string&, const std::string&, const std::string&, const std::string&,
                           const std::string&, std::string&) {
    return false;
}

bool CPlatform::BrowseFolder(const std::string&, const std::string&, std::string&) {
    return false;
}

int CPlatform::ShellOpen(const std::string&) {
    return SE_ERR_NOASSOC;
}

std::string CPlatform::GetLastCopyFailure() const {
    return std::string();
}

bool CPlatform::ShowHelp(const std::string&) {
    return false;
}

std::string CPlatform::FormatTime(const char* pszFormat) {
    std::time_t t = GetTime();
    std::tm tmLocal{};
    localtime_r(&t, &tmLocal);
    char buf[256];
    size_t n = std::strftime(buf, sizeof buf, pszFormat, &tmLocal);
    return std::string(buf, n);
}
