// The parts of a crash report, in-process: file names, the system name, the
// frame lines with their ELF lookups, the report writer with its appending,
// and the message.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <ctime>
#include <regex>
#include <string>

#include "app/CCrashInfo.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"

namespace {

// a function of this program that only .symtab names (not exported)
[[gnu::noinline]] int LocalCrashTestFunction(int n) {
    volatile int k = n;
    return k * 3 + 1;
}

int g_nSomeData = 5;

// Runs the body with the local time zone set to UTC.
class CUtcZone {
public:
    CUtcZone() {
        const char* psz = std::getenv("TZ");
        m_bHad = psz != nullptr;
        if (psz) m_strOld = psz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~CUtcZone() {
        if (m_bHad)
            setenv("TZ", m_strOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_bHad = false;
    std::string m_strOld;
};

const std::string kEquals(88, '=');
const std::string kDashes(88, '-');

std::uintptr_t Address(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

}  // namespace

TEST(CCrashReportPartsTest, ReportFileNameReplacesOnlyTheFileNamesExtension) {
    struct {
        const char* pszPath;
        const char* pszExpected;
    } cases[] = {
        {"/opt/orvantis/orvantis", "/opt/orvantis/orvantis.err"},
        {"/opt/my.apps/orvantis", "/opt/my.apps/orvantis.err"},  // a dot in a folder name is no extension
        {"/opt/my.apps/orvantis.exe", "/opt/my.apps/orvantis.err"},
        {"/opt/orvantis/orvantis.tar.gz", "/opt/orvantis/orvantis.tar.err"},
        {"/home/anna/.orvantis", "/home/anna/.orvantis.err"},  // hidden file, no extension
        {"orvantis", "orvantis.err"},
        {"bin.d/orvantis", "bin.d/orvantis.err"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceExtension(c.pszPath, ".err"), c.pszExpected) << c.pszPath;
    EXPECT_EQ(ReplaceExtension("/opt/orvantis/orvantis", ".html"), "/opt/orvantis/orvantis.html");
}

TEST(CCrashReportPartsTest, DefaultReportFileLiesInTheUsersStateFolder) {
    const std::string strProgram = GetProgramPath();
    ASSERT_FALSE(strProgram.empty());
    EXPECT_EQ(strProgram.substr(strProgram.rfind('/')), "/test_gui_crash");
    const char* pszState = std::getenv("XDG_STATE_HOME");
    const char* pszHome = std::getenv("HOME");
    std::string strFolder = pszState && pszState[0] == '/'
                                ? std::string(pszState) + "/Orvantis"
                                : std::string(pszHome ? pszHome : "") + "/.local/state/Orvantis";
    EXPECT_EQ(std::string(GetCrashInfo().GetFileName()), strFolder + "/test_gui_crash.err");
}

TEST(CCrashReportPartsTest, AddInfoReplacesTheValueOfAKey) {
    CCrashInfo& info = GetCrashInfo();
    info.AddInfo("Testschluessel", "eins");
    info.AddInfo("Testschluessel", "zwei");
    ASSERT_EQ(info.GetInfo().count("Testschluessel"), 1u);
    EXPECT_EQ(info.GetInfo().at("Testschluessel"), "zwei");
}

TEST(CCrashReportPartsTest, WindowVersionNamesDistributionAndKernel) {
    const std::string strDebian =
        "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
        "VERSION=\"12 (bookworm)\"\nID=debian\n";
    EXPECT_EQ(FormatWindowVersion(strDebian, "Linux", "6.1.0-18-amd64", "x86_64"),
              "Debian GNU/Linux 12 (bookworm) - Linux 6.1.0-18-amd64 (x86_64)");
    // no PRETTY_NAME: NAME and VERSION; single quotes and escapes
    EXPECT_EQ(FormatWindowVersion("NAME='Alpine'\nVERSION=3.19\n", "Linux", "6.6", "aarch64"),
              "Alpine 3.19 - Linux 6.6 (aarch64)");
    EXPECT_EQ(FormatWindowVersion("PRETTY_NAME=\"Mein \\\"OS\\\"\"\r\n", "", "", ""), "Mein \"OS\"");
    // a key that merely ends like the one looked for does not count
    EXPECT_EQ(FormatWindowVersion("XPRETTY_NAME=falsch\nNAME=Richtig\n", "Linux", "", ""), "Richtig - Linux");
    EXPECT_EQ(FormatWindowVersion("", "Linux", "6.1", "x86_64"), "Linux 6.1 (x86_64)");
    EXPECT_EQ(FormatWindowVersion("", "", "", ""), "");
    EXPECT_FALSE(GetWindowsVersion().empty());
}

TEST(CCrashReportPartsTest, ParameterListsAreCutFromDemangledNames) {
    struct {
        const char* pszName;
        const char* pszExpected;
    } cases[] = {
        {"f(int)", "f"},
        {"ns::CFoo::Bar(int, char const*) const", "ns::CFoo::Bar"},
        {"(anonymous namespace)::Helper()", "(anonymous namespace)::Helper"},
        {"Run()::{lambda(int)#1}::operator()(int) const", "Run()::{lambda(int)#1}::operator()"},
        {"Call(std::function<void (int)>)", "Call"},
        {"main", "main"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(StripParameterList(c.pszName), c.pszExpected) << c.pszName;
}

TEST(CCrashReportPartsTest, FrameLinesNameSectionModuleAndSymbol) {
    // outside any module
    EXPECT_EQ(GetSectionAddress(0x10), "00000010 ?");
    EXPECT_EQ(GetSectionAddress(0xABCDEF), "00ABCDEF ?");
    EXPECT_EQ(GetModuleNameOf(0x10), "");
    EXPECT_EQ(GetSymbolOf(0x10), "");
    EXPECT_EQ(FormatStackLine(GetSectionAddress(0x10), 0x10, "", ""), "00000010 ? / 0x00000010 :  : ");

    // code of this program: section index and offset, both in hexadecimal
    const std::uintptr_t nFunc = Address(reinterpret_cast<const void*>(&LocalCrashTestFunction));
    const std::string strAt = GetSectionAddress(nFunc);
    const std::string strAtPlus = GetSectionAddress(nFunc + 0x1C);
    const std::regex section("([0-9A-F]{2}):([0-9A-F]{8})");
    std::smatch m1, m2;
    ASSERT_TRUE(std::regex_match(strAt, m1, section)) << strAt;
    ASSERT_TRUE(std::regex_match(strAtPlus, m2, section)) << strAtPlus;
    EXPECT_EQ(m1[1], m2[1]);
    EXPECT_EQ(std::stoul(m2[2], nullptr, 16) - std::stoul(m1[2], nullptr, 16), 0x1Cu);
    // data lies in another section than code
    const std::string strData = GetSectionAddress(Address(&g_nSomeData));
    std::smatch m3;
    ASSERT_TRUE(std::regex_match(strData, m3, section)) << strData;
    EXPECT_NE(m3[1], m1[1]);

    EXPECT_EQ(GetModuleNameOf(nFunc), "test_gui_crash");
    // a static function: only the file's own symbol table names it
    EXPECT_EQ(GetSymbolOf(nFunc + 1), "(anonymous namespace)::LocalCrashTestFunction()");

    // shared libraries: exported names, demangled, without parameters
    const std::uintptr_t nAbort = Address(reinterpret_cast<const void*>(&std::abort));
    EXPECT_EQ(GetModuleNameOf(nAbort), "libc");
    EXPECT_EQ(GetSymbolOf(nAbort), "abort()");
    void (*pfnTerminate)() = &std::terminate;
    const std::uintptr_t nTerminate = Address(reinterpret_cast<const void*>(pfnTerminate));
    EXPECT_EQ(GetModuleNameOf(nTerminate), "libstdc++");
    EXPECT_EQ(GetSymbolOf(nTerminate), "std::terminate()");
    EXPECT_TRUE(std::regex_match(GetSectionAddress(nAbort), section)) << GetSectionAddress(nAbort);

    EXPECT_EQ(FormatStackLine("0F:00001234", 0x7f0012345678, "libc", "abort()"),
              "0F:00001234 / 0x7f0012345678 : libc : abort()");
    EXPECT_EQ(FormatStackLine("0F:00001234", 0x1234, "orvantis", ""), "0F:00001234 / 0x00001234 : orvantis : ");
}

TEST(CCrashReportPartsTest, TimesAreLocalDayMonthYear) {
    CUtcZone utc;
    EXPECT_EQ(FormatCrashTime(0), "01.01.1970 00:00:00");
    EXPECT_EQ(FormatCrashTime(1700000000), "14.11.2023 22:13:20");
    EXPECT_EQ(FormatCrashTime(951782400 + 3599), "29.02.2000 00:59:59");
}

TEST(CCrashReportPartsTest, ReportIsWrittenAndLaterReportsAppended) {
    CUtcZone utc;
    CTempDir dir;
    const std::string strFile = dir.File("orvantis.err");
    void* frames[] = {reinterpret_cast<void*>(&LocalCrashTestFunction), reinterpret_cast<void*>(0x10)};
    SCrashReport report;
    report.pszFileName = strFile.c_str();
    report.nCode = 0xC0000005u;
    report.timeStart = 1700000000;
    report.timeCrash = 1700000065;
    report.pszInfoText = "Orvantis-Version:  1.200\n";
    report.pszWindowVersion = "Testsystem 1 - Linux 6.1 (x86_64)";
    report.ppFrames = frames;
    report.nFrames = 2;
    ASSERT_TRUE(WriteCrashReport(report));

    const std::string strFirstLine =
        FormatStackLine(GetSectionAddress(Address(frames[0])), Address(frames[0]), "test_gui_crash",
                        "(anonymous namespace)::LocalCrashTestFunction()");
    const std::string strExpected =
        kEquals + "\n" + "Orvantis-CrashInfo:   Code=0xC0000005    14.11.2023 22:13:20 -> 14.11.2023 22:14:25\n" +
        kEquals + "\n" + "Orvantis-Version:  1.200\n" + kDashes + "\n" +
        "Window-Version: Testsystem 1 - Linux 6.1 (x86_64)\n" + kEquals + "\n" + strFirstLine + "\n" +
        "00000010 ? / 0x00000010 :  : \n";
    EXPECT_EQ(ReadFile(strFile), strExpected);

    // a second report: five line ends, then the complete report; short codes
    // are not padded
    report.nCode = 0x1Du;
    report.nFrames = 0;
    report.pszInfoText = "";
    ASSERT_TRUE(WriteCrashReport(report));
    const std::string strSecond =
        kEquals + "\n" + "Orvantis-CrashInfo:   Code=0x1D    14.11.2023 22:13:20 -> 14.11.2023 22:14:25\n" + kEquals +
        "\n" + kDashes + "\n" + "Window-Version: Testsystem 1 - Linux 6.1 (x86_64)\n" + kEquals + "\n";
    EXPECT_EQ(ReadFile(strFile), strExpected + "\n\n\n\n\n" + strSecond);

    // an existing but empty file counts as existing
    const std::string strEmpty = dir.File("leer.err");
    WriteFile(strEmpty, "");
    report.pszFileName = strEmpty.c_str();
    ASSERT_TRUE(WriteCrashReport(report));
    EXPECT_EQ(ReadFile(strEmpty), "\n\n\n\n\n" + strSecond);

    // neither creatable nor openable: no report, no failure beyond false
    const std::string strMissing = dir.File("fehlt/orvantis.err");
    report.pszFileName = strMissing.c_str();
    EXPECT_FALSE(WriteCrashReport(report));
    report.pszFileName = dir.Path().c_str();  // a folder
    EXPECT_FALSE(WriteCrashReport(report));
}

TEST(CCrashReportPartsTest, ReportIsForTheUserAloneAndFollowsNoLink) {
    CTempDir dir;
    SCrashReport report;
    report.pszInfoText = "geheim: /home/anna/wissen.tov\n";
    const std::string strFile = dir.File("orvantis.err");
    report.pszFileName = strFile.c_str();
    ASSERT_TRUE(WriteCrashReport(report));
    struct stat st {};
    ASSERT_EQ(stat(strFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // an older report readable by others is closed to them by the next one
    chmod(strFile.c_str(), 0644);
    ASSERT_TRUE(WriteCrashReport(report));
    ASSERT_EQ(stat(strFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // a link planted in the report's place, to a file or to nowhere yet
    const std::string strVictim = dir.File("opfer"), strLink = dir.File("link.err");
    WriteFile(strVictim, "fremd");
    ASSERT_EQ(symlink(strVictim.c_str(), strLink.c_str()), 0);
    report.pszFileName = strLink.c_str();
    EXPECT_FALSE(WriteCrashReport(report));
    EXPECT_EQ(ReadFile(strVictim), "fremd");
    const std::string strDangling = dir.File("dangling.err"), strNew = dir.File("neu");
    ASSERT_EQ(symlink(strNew.c_str(), strDangling.c_str()), 0);
    report.pszFileName = strDangling.c_str();
    EXPECT_FALSE(WriteCrashReport(report));
    EXPECT_FALSE(std::filesystem::exists(strNew));
}

TEST(CCrashMessageTest, TextNamesProgramReportAndSupport) {
    const std::string strText = CrashMessageText("orvantis", "/opt/orvantis/orvantis.err");
    EXPECT_EQ(strText,
              "orvantis hat ein Problem festgestellt und muss beendet werden.\r\r\r\r"
              "Bitte senden Sie die Datei: \r\r    /opt/orvantis/orvantis.err\r\r"
              "die die Fehlerbeschreibung enthält an:\r\r    support@orvantis.example\r\r\r\r"
              "Sie helfen uns damit diese Programm zu verbessen, \r\rVielen Dank.\r\r");
}

TEST(CCrashMessageTest, ShownWithStopIconAndOkButton) {
    CScriptedPlatform platform;
    SetPlatform(&platform);
    ShowCrashMessage("orvantis", "/tmp/orvantis.err");
    SetPlatform(nullptr);
    ASSERT_EQ(platform.m_arrMessages.size(), 1u);
    const SRecordedMessage& msg = platform.m_arrMessages[0];
    EXPECT_EQ(msg.eIcon, EMsgIcon::Stop);
    EXPECT_EQ(msg.eButtons, EMsgButtons::Ok);
    // Windows-1252 text with the line breaks Qt understands
    EXPECT_EQ(msg.strText.find('\r'), std::string::npos);
    EXPECT_EQ(
        msg.strText.rfind("orvantis hat ein Problem festgestellt und muss beendet werden.\n\n\n\nBitte senden", 0), 0u);
    EXPECT_NE(msg.strText.find(Ansi("die die Fehlerbeschreibung enthält an:\n\n    support@orvantis.example")),
              std::string::npos);
    EXPECT_NE(msg.strText.find("\n\n    /tmp/orvantis.err\n\n"), std::string::npos);
}

TEST(CCrashMessageTest, OnlyTheCrashMessageOptionIsTakenUp) {
    char szProgram[] = "orvantis";
    char szOption[] = "--crash-message";
    char szOther[] = "--crash";
    char szFile[] = "wissen.tov";
    char* argvPlain[] = {szProgram, nullptr};
    char* argvFile[] = {szProgram, szFile, nullptr};
    char* argvNoPath[] = {szProgram, szOption, nullptr};
    char* argvOther[] = {szProgram, szOther, szFile, nullptr};
    EXPECT_EQ(RunCrashMessageIfAsked(1, argvPlain), -1);
    EXPECT_EQ(RunCrashMessageIfAsked(2, argvFile), -1);
    EXPECT_EQ(RunCrashMessageIfAsked(2, argvNoPath), -1);
    EXPECT_EQ(RunCrashMessageIfAsked(3, argvOther), -1);
}
