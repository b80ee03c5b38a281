#pragma once
// What the fuzz targets share: a platform without a user, a scratch folder
// in memory where the machine has one, and a check that stops the run with
// a message, so that a broken invariant counts as a finding.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/PosixPlatform.h"

class CFuzzPlatform : public CPosixPlatform {
public:
    EMsgResult MessageBox(const std::string&, const std::string&, EMsgIcon, EMsgButtons eButtons) override {
        return eButtons == EMsgButtons::Ok ? EMsgResult::Ok : EMsgResult::No;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void Sleep(int) override {}
};

// A fresh folder, in /dev/shm when there is one: the targets write files on every run.
inline std::string FuzzScratchFolder() {
    const char* pszBase = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string str = std::string(pszBase) + "/orvantis-fuzz-XXXXXX";
    if (!::mkdtemp(str.data())) std::abort();
    static std::string s_strFolder = str;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(s_strFolder, ec);
    });
    return str;
}

#define FUZZ_CHECK(cond, what)                                                                \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", what, __FILE__, __LINE__); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)
