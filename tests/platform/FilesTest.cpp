#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/PosixPlatform.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

TEST(CWildcardTest, Patterns) {
    const struct {
        const char* pszPattern;
        const char* pszName;
        bool bMatch;
    } kCases[] = {
        {"*", "", true},
        {"*", "anything.tov", true},
        {"wissen.tov.*", "wissen.tov.20261207_0634.bak", true},
        {"wissen.tov.*", "wissen.tov.", true},
        {"wissen.tov.*", "wissen.tov", false},
        {"wissen.tov.20261207_*", "wissen.tov.20261207_0634", true},
        {"wissen.tov.20261207_*", "wissen.tov.20261208_0634", false},
        {"a*b*c", "abc", true},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"a*b*c", "aXbXcXc", true},  // the last '*' has to back-track
        {"*.tov", "x.tov.tov", true},
        {"*.tov", "x.TOV", false},  // byte comparison
        {"a?c", "abc", false},      // only '*' is a wildcard
        {"a?c", "a?c", true},
        {"[1].tov", "[1].tov", true},
        {"", "", true},
        {"", "x", false},
        {"x", "", false},
        {"**", "ab", true},
        {"Gr\xF6\xDF"
         "e*",
         "Gr\xF6\xDF"
         "e.tov",
         true},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(MatchWildcard(c.pszPattern, c.pszName), c.bMatch) << c.pszPattern << " / " << c.pszName;
}

TEST(CPlatformFilesTest, FindFilesListsMatchingRegularFilesWithSizes) {
    CTempDir dir;
    WriteFile(dir.File("a.tov.1"), "12345");
    WriteFile(dir.File("a.tov.2"), "");
    WriteFile(dir.File("b.tov.1"), "x");
    fs::create_directory(dir.File("a.tov.dir"));
    CScriptedPlatform platform;
    auto files = platform.FindFiles(dir.Path(), "a.tov.*");
    std::sort(files.begin(), files.end(), [](const SFileInfo& a, const SFileInfo& b) { return a.strName < b.strName; });
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].strName, "a.tov.1");
    EXPECT_EQ(files[0].nSize, 5);
    EXPECT_EQ(files[1].strName, "a.tov.2");
    EXPECT_EQ(files[1].nSize, 0);
    EXPECT_TRUE(platform.FindFiles(dir.File("missing"), "*").empty());
}

TEST(CPlatformFilesTest, CopyRefusesToOverwrite) {
    CTempDir dir;
    CScriptedPlatform platform;
    WriteFile(dir.File("from"), "new");
    WriteFile(dir.File("to"), "old");
    EXPECT_FALSE(platform.CopyFileNoOverwrite(dir.File("from"), dir.File("to")));
    EXPECT_EQ(ReadFile(dir.File("to")), "old");
    EXPECT_TRUE(platform.CopyFileNoOverwrite(dir.File("from"), dir.File("copy")));
    EXPECT_EQ(ReadFile(dir.File("copy")), "new");
    EXPECT_FALSE(platform.CopyFileNoOverwrite(dir.File("missing"), dir.File("copy2")));
    EXPECT_FALSE(platform.FileExists(dir.File("copy2")));
    EXPECT_FALSE(platform.CopyFileNoOverwrite(dir.File("from"), dir.File("no/folder")));

    EXPECT_TRUE(platform.DeleteFile(dir.File("copy")));
    EXPECT_FALSE(platform.FileExists(dir.File("copy")));
    EXPECT_FALSE(platform.DeleteFile(dir.File("copy")));
    EXPECT_FALSE(platform.FileExists(""));
}
