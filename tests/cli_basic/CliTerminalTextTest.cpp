// What orvantis-cli writes for people reaches the terminal without control
// sequences: a keyword that retitles the window or recolours the text is
// shown escaped, and the Windows-1252 bytes without a character are U+FFFD
// instead of C1 controls. JSON keeps the text, in its own escapes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TestSupport.h"

namespace {
// ESC]2;...BEL sets the window title, ESC[31m turns the text red; U+0081 and
// U+009D are what the CLI reads for the undefined bytes 0x81 and 0x9D.
const std::string kKeyword = "Titel\x1b]2;gekapert\x07 \x1b[31mrot\tB\xc2\x81X\xc2\x9dY";
const std::string kShown = "Titel\\x1b]2;gekapert\\x07 \\x1b[31mrot\\x09B\xEF\xBF\xBDX\xEF\xBF\xBDY";

// Any byte that a terminal would act on: C0 controls but the line structure
// (tab between columns, line feed), DEL, and the UTF-8 forms of C1.
std::string FirstControl(const std::string& str) {
    for (size_t i = 0; i < str.size(); ++i) {
        auto c = static_cast<unsigned char>(str[i]);
        bool bC1 = c == 0xC2 && i + 1 < str.size() && static_cast<unsigned char>(str[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(str[i + 1]) < 0xA0;
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F || bC1) return str.substr(i, 12);
    }
    return "";
}

class CCliTerminalTextTest : public ::testing::Test {
protected:
    CTempDir m_dir;
    std::string m_strPath;

    void SetUp() override {
        m_strPath = m_dir.File("x.tov");
        ASSERT_EQ(RunCli({"create", m_strPath}).nExit, 0);
        auto r = RunCli({"add", m_strPath, "--parent", "0", "--name", kKeyword, "--folder"});
        ASSERT_EQ(r.nExit, 0) << r.strErr;
        r = RunCli({"add", m_strPath, "--parent", "1", "--name", "Kind", "--text", "rot"});
        ASSERT_EQ(r.nExit, 0) << r.strErr;
    }
};
}  // namespace

TEST_F(CCliTerminalTextTest, TreeAndSearchShowKeywordsEscaped) {
    auto r = RunCli({"tree", m_strPath});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "1\t+ " + kShown + "\n2\t  - Kind\n");
    EXPECT_EQ(FirstControl(r.strOut), "");

    // the path of a hit holds the keyword of its folder
    r = RunCli({"search", m_strPath, "rot"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(FirstControl(r.strOut), "") << r.strOut;
    EXPECT_NE(r.strOut.find("1\t" + kShown + "\n"), std::string::npos) << r.strOut;
    EXPECT_NE(r.strOut.find("2\t" + kShown), std::string::npos) << r.strOut;

    // JSON is for programs: the text itself, in JSON's escapes
    r = RunCli({"tree", m_strPath, "--json"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strOut.find("\"Name\":\"Titel\\u001b]2;gekapert\\u0007 \\u001b[31mrot\\tB\xc2\x81X\xc2\x9dY\""),
              std::string::npos)
        << r.strOut;
}

TEST_F(CCliTerminalTextTest, MessagesAndPathsShowControlsEscaped) {
    // a file name with a control sequence, in info and in a message
    std::string strDir = m_dir.File("ordner\x1b[2J");
    ASSERT_EQ(::mkdir(strDir.c_str(), 0700), 0);
    std::string strOdd = strDir + "/b\x9b.tov";  // not UTF-8 either
    ASSERT_EQ(RunCli({"create", strOdd}).nExit, 0);
    auto r = RunCli({"info", strOdd});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(FirstControl(r.strOut), "") << r.strOut;
    EXPECT_NE(r.strOut.find("ordner\\x1b[2J"), std::string::npos) << r.strOut;
    EXPECT_NE(r.strOut.find("b\xEF\xBF\xBD.tov"), std::string::npos) << r.strOut;
    r = RunCli({"tree", strDir + "/fehlt\x1b]0;x\x07.tov"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(FirstControl(r.strErr), "") << r.strErr;
    EXPECT_NE(r.strErr.find("fehlt\\x1b]0;x\\x07.tov"), std::string::npos) << r.strErr;
}
