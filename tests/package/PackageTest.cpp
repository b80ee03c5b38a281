// The Debian package that scripts/package makes, unpacked into a temporary
// root with dpkg -x: its files, the installed programs, the control fields
// and what Debian's checkers say about it. The package is named by
// ORVANTIS_DEB; without it (the normal test run) every case is skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

std::string Quote(const std::string& str) {
    std::string out = "'";
    for (char c : str) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool HasTool(const std::string& strTool) {
    return !ShellOutput("command -v " + strTool).empty();
}

// Width and height from a PNG's IHDR chunk; 0 when the file is no PNG.
std::pair<int, int> PngSize(const std::string& strPath) {
    std::string str = ReadFile(strPath);
    if (str.size() < 24 || str.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || str.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be32 = [&](size_t n) {
        return (static_cast<unsigned char>(str[n]) << 24) | (static_cast<unsigned char>(str[n + 1]) << 16) |
               (static_cast<unsigned char>(str[n + 2]) << 8) | static_cast<unsigned char>(str[n + 3]);
    };
    return {be32(16), be32(20)};
}

class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* pszDeb = std::getenv("ORVANTIS_DEB");
        if (!pszDeb || !*pszDeb || !fs::exists(pszDeb)) return;
        s_strDeb = fs::absolute(pszDeb).string();
        s_pRoot = new CTempDir;
        s_nUnpack = RunProcess({"/usr/bin/dpkg", "-x", s_strDeb, s_pRoot->Path()}).nExit;
    }
    static void TearDownTestSuite() {
        delete s_pRoot;
        s_pRoot = nullptr;
    }
    void SetUp() override {
        if (!s_pRoot) GTEST_SKIP() << "no package: run scripts/package, or set ORVANTIS_DEB";
        ASSERT_EQ(s_nUnpack, 0) << "dpkg -x " << s_strDeb;
    }
    static std::string Root() { return s_pRoot->Path(); }

    static inline std::string s_strDeb;
    static inline CTempDir* s_pRoot = nullptr;
    static inline int s_nUnpack = -1;
};
}  // namespace

TEST_F(Package, HoldsExactlyTheProgramsAndTheirFiles) {
    std::set<std::string> setExpected = {
        "usr/bin/orvantis",
        "usr/bin/orvantis-cli",
        "usr/libexec/orvantis/orvantis-cli-print",
        "usr/share/applications/orvantis.desktop",
        "usr/share/bash-completion/completions/orvantis-cli",
        "usr/share/doc/orvantis/changelog.gz",
        "usr/share/doc/orvantis/copyright",
        "usr/share/icons/hicolor/scalable/apps/orvantis.svg",
        "usr/share/icons/hicolor/scalable/mimetypes/application-x-orvantis-tov.svg",
        "usr/share/man/man1/orvantis-cli.1.gz",
        "usr/share/man/man1/orvantis.1.gz",
        "usr/share/metainfo/de.quorvex.orvantis.metainfo.xml",
        "usr/share/mime/packages/orvantis.xml",
        "usr/share/orvantis/Beispiel.txt",
        "usr/share/orvantis/orvantis.html",
    };
    for (int n : kIconSizes)
        setExpected.insert("usr/share/icons/hicolor/" + std::to_string(n) + "x" + std::to_string(n) +
                           "/apps/orvantis.png");

    std::set<std::string> setFound;
    for (const auto& entry : fs::recursive_directory_iterator(Root())) {
        struct stat st {};
        ASSERT_EQ(::lstat(entry.path().c_str(), &st), 0);
        std::string strRel = fs::relative(entry.path(), Root()).string();
        if (S_ISDIR(st.st_mode)) {
            EXPECT_EQ(st.st_mode & 07777, 0755u) << strRel;
            continue;
        }
        setFound.insert(strRel);
        bool bProgram = strRel.rfind("usr/bin/", 0) == 0 || strRel.rfind("usr/libexec/", 0) == 0;
        EXPECT_EQ(st.st_mode & 07777, bProgram ? 0755u : 0644u) << strRel;
    }
    EXPECT_EQ(setFound, setExpected);

    for (int n : kIconSizes) {
        std::string strIcon =
            Root() + "/usr/share/icons/hicolor/" + std::to_string(n) + "x" + std::to_string(n) + "/apps/orvantis.png";
        EXPECT_EQ(PngSize(strIcon), std::make_pair(n, n)) << strIcon;
    }
    // the page the program shows, not an empty copy
    EXPECT_NE(ReadFile(Root() + "/usr/share/orvantis/orvantis.html").find("<h1>Orvantis"), std::string::npos);
    EXPECT_NE(ReadFile(Root() + "/usr/share/doc/orvantis/copyright").find("Upstream-Name: Orvantis"),
              std::string::npos);
}

TEST_F(Package, InstalledProgramsRun) {
    auto r = RunProcess({Root() + "/usr/bin/orvantis-cli", "--version"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "orvantis-cli 1.200\n");

    // a whole round through the installed program: its libraries resolve
    CTempDir dir;
    std::string strCli = Root() + "/usr/bin/orvantis-cli";
    std::string strDb = dir.File("wissen.tov");
    EXPECT_EQ(RunProcess({strCli, "create", strDb}).nExit, 0);
    r = RunProcess({strCli, "add", strDb, "--parent", "0", "--name", "Rezepte", "--folder"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    r = RunProcess({strCli, "tree", strDb, "--json"});
    EXPECT_EQ(r.strOut, "{\"ID\":1,\"MasterID\":0,\"PosNr\":1,\"IsDir\":1,\"Level\":0,\"Name\":\"Rezepte\"}\n")
        << r.strErr;
    r = RunProcess({strCli, "print", strDb, "--folder", "1", "--pdf", "-"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut.rfind("%PDF-", 0), 0u);

    // the desktop program starts far enough to answer a script option
    r = RunProcess({"/usr/bin/env", "HOME=" + dir.Path(), "XDG_DATA_HOME=" + dir.File("data"),
                    Root() + "/usr/bin/orvantis", "--demo-path"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, dir.File("data") + "/Orvantis/Beispiel.tov\n");
}

// Started as from the menu in a home nobody has used: the installed program
// makes the shipped example in the user's data folder and opens it.
TEST_F(Package, TheFirstStartOpensTheShippedExample) {
    CTempDir dir;
    const std::string strHome = dir.File("home");
    fs::create_directories(strHome);
    const std::string strSettings = strHome + "/.config/Quorvex Zozirezareduzevizuv/Orvantis.ini";
    const std::string strExample = strHome + "/.local/share/Orvantis/Beispiel.tov";
    CChildProcess program({"/usr/bin/env", "-i", "HOME=" + strHome, "PATH=/usr/bin:/bin", "QT_QPA_PLATFORM=offscreen",
                           Root() + "/usr/bin/orvantis"});
    bool bRecorded = false;
    for (int i = 0; i < 300 && !bRecorded; ++i) {
        bRecorded = fs::exists(strSettings) && ReadFile(strSettings).find("LastDB=" + strExample) != std::string::npos;
        if (!bRecorded) ::usleep(100000);
    }
    program.Kill();
    EXPECT_TRUE(bRecorded) << (fs::exists(strSettings) ? ReadFile(strSettings) : "no settings file");
    CRawRows rows = RawQuery(strExample, "SELECT COUNT(*) FROM KnowHow WHERE MasterID=0");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_GE(std::stoi(rows[0][0]), 3);
}

TEST_F(Package, ControlFieldsAndDerivedDependencies) {
    auto Field = [](const std::string& strName) {
        auto r = RunProcess({"/usr/bin/dpkg-deb", "-f", s_strDeb, strName});
        return r.strOut.empty() ? std::string() : r.strOut.substr(0, r.strOut.size() - 1);
    };
    EXPECT_EQ(Field("Package"), "orvantis");
    EXPECT_EQ(Field("Version"), "1.200");
    EXPECT_TRUE(std::regex_match(Field("Maintainer"), std::regex(R"([^<>]+ <[^<>@ ]+@[^<>@ ]+\.[a-z]+>)")))
        << Field("Maintainer");
    // read off the programs by dpkg-shlibdeps, with versions, not listed by hand
    std::string strDepends = Field("Depends");
    for (const char* pszLib : {"libc6 (>= ", "libqt6widgets6 (>= ", "libqt6gui6 (>= ", "libsqlite3-0 (>= ",
                               "libssl3 (>= ", "libstdc++6 (>= "})
        EXPECT_NE(strDepends.find(pszLib), std::string::npos) << pszLib << " in " << strDepends;
    // Qt's own dialogs in German on a clean install
    EXPECT_TRUE(std::regex_search(strDepends, std::regex(R"((^|, )qt6-translations-l10n(,|$| \())"))) << strDepends;
}

TEST_F(Package, LicenceIsStatedInCopyrightAndMetadata) {
    std::string strCopyright = ReadFile(Root() + "/usr/share/doc/orvantis/copyright");
    EXPECT_EQ(strCopyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0),
              0u);
    // the files paragraph names it, a stand-alone paragraph explains it
    EXPECT_TRUE(
        std::regex_search(strCopyright, std::regex("\nFiles: \\*\nCopyright: [^\n]+\nLicense: GPL-3.0-or-later\n")))
        << strCopyright;
    EXPECT_NE(strCopyright.find("\n\nLicense: GPL-3.0-or-later\n"), std::string::npos);
    EXPECT_NE(strCopyright.find("\"/usr/share/common-licenses/GPL-3\""), std::string::npos);
    EXPECT_EQ(strCopyright.find("LicenseRef"), std::string::npos);
    std::string strMeta = ReadFile(Root() + "/usr/share/metainfo/de.quorvex.orvantis.metainfo.xml");
    EXPECT_NE(strMeta.find("<project_license>GPL-3.0-or-later</project_license>"), std::string::npos);
}

TEST_F(Package, DesktopIconIsInstalledAndTheProgramAnswersItsOptions) {
    // the desktop file's icon name resolves in the hicolor theme
    std::smatch m;
    std::string strDesktop = ReadFile(Root() + "/usr/share/applications/orvantis.desktop");
    ASSERT_TRUE(std::regex_search(strDesktop, m, std::regex("\nIcon=([^\n]+)\n")));
    std::string strIcon = m[1];
    EXPECT_NE(ReadFile(Root() + "/usr/share/icons/hicolor/scalable/apps/" + strIcon + ".svg").find("<svg"),
              std::string::npos);
    EXPECT_EQ(PngSize(Root() + "/usr/share/icons/hicolor/48x48/apps/" + strIcon + ".png"), std::make_pair(48, 48));
    // no display needed for these
    auto r = RunProcess({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb",
                         Root() + "/usr/bin/orvantis", "--version"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "orvantis 1.200\n");
    r = RunProcess({"/usr/bin/env", "-u", "DISPLAY", "QT_QPA_PLATFORM=xcb", Root() + "/usr/bin/orvantis", "--help"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strOut.find("Einträgen"), std::string::npos) << r.strOut;
}

TEST_F(Package, ManPagesRenderWithoutWarnings) {
    if (!HasTool("man")) GTEST_SKIP() << "man is not installed";
    for (const char* pszPage : {"orvantis.1.gz", "orvantis-cli.1.gz"}) {
        std::string strPage = Root() + "/usr/share/man/man1/" + pszPage;
        auto r = RunProcess({"/bin/sh", "-c", "MANWIDTH=80 man --warnings -l " + Quote(strPage) + " 2>&1 >/dev/null"});
        EXPECT_EQ(r.nExit, 0) << pszPage;
        std::string strWarnings = std::regex_replace(r.strOut, std::regex("man: can't set the locale[^\n]*\n"), "");
        EXPECT_EQ(strWarnings, "") << pszPage;
        r = RunProcess({"/bin/sh", "-c", "MANWIDTH=80 man -l " + Quote(strPage) + " 2>/dev/null"});
        EXPECT_NE(r.strOut.find("BEZEICHNUNG"), std::string::npos) << pszPage;
        // through a pipe in a UTF-8 locale the umlauts stay: the page declares its encoding
        r = RunProcess({"/bin/sh", "-c", "LC_ALL=C.UTF-8 MANWIDTH=80 man -l " + Quote(strPage) + " 2>/dev/null | cat"});
        EXPECT_NE(r.strOut.find("\xC3\x9c"
                                "BERSICHT"),
                  std::string::npos)
            << pszPage << "\n"
            << r.strOut.substr(0, 400);
        EXPECT_EQ(r.strOut.find("\nUBERSICHT"), std::string::npos) << pszPage;
    }
}

TEST_F(Package, DesktopFileMimeTypeAndMetadataValidate) {
    const struct {
        const char* pszTool;
        std::vector<std::string> arrArgs;
    } kChecks[] = {
        {"desktop-file-validate", {Root() + "/usr/share/applications/orvantis.desktop"}},
        {"appstreamcli", {"validate", "--no-net", Root() + "/usr/share/metainfo/de.quorvex.orvantis.metainfo.xml"}},
    };
    int nRun = 0;
    for (const auto& c : kChecks) {
        if (!HasTool(c.pszTool)) continue;
        std::vector<std::string> argv = {"/usr/bin/env", c.pszTool};
        argv.insert(argv.end(), c.arrArgs.begin(), c.arrArgs.end());
        auto r = RunProcess(argv);
        EXPECT_EQ(r.nExit, 0) << c.pszTool << "\n" << r.strOut << r.strErr;
        ++nRun;
    }
    // the MIME type compiles into the database and names the extension
    if (HasTool("update-mime-database")) {
        CTempDir mime;
        fs::create_directories(mime.File("packages"));
        fs::copy_file(Root() + "/usr/share/mime/packages/orvantis.xml", mime.File("packages/orvantis.xml"));
        auto r = RunProcess({"/usr/bin/env", "update-mime-database", mime.Path()});
        EXPECT_EQ(r.nExit, 0) << r.strErr;
        EXPECT_NE(ReadFile(mime.File("globs2")).find(":application/x-orvantis-tov:*.tov"), std::string::npos);
        ++nRun;
    }
    if (nRun == 0) GTEST_SKIP() << "none of the checkers is installed";
}

TEST_F(Package, LintianFindsNoErrorsOrWarnings) {
    if (!HasTool("lintian")) GTEST_SKIP() << "lintian is not installed";
    auto r = RunProcess({"/usr/bin/env", "lintian", "--tag-display-limit", "0", s_strDeb});
    ASSERT_NE(r.nExit, -1);
    std::string strFindings, strLine;
    std::istringstream in(r.strOut);
    while (std::getline(in, strLine))
        if (strLine.rfind("E: ", 0) == 0 || strLine.rfind("W: ", 0) == 0) strFindings += strLine + "\n";
    EXPECT_EQ(strFindings, "") << r.strErr;
}
