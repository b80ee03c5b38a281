// orvantis-cli for scripts: version and help, JSON output, "-" for stdout,
// failed output, and the man page and bash completion kept in step with the
// commands the program knows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
const fs::path kDocDir = fs::path(__FILE__).parent_path().parent_path().parent_path() / "doc";

std::string Quote(const std::string& str) {
    std::string out = "'";
    for (char c : str) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The commands of "--help" with the options their usage names.
std::map<std::string, std::vector<std::string>> CommandsFromHelp() {
    std::map<std::string, std::vector<std::string>> map;
    auto r = RunCli({"--help"});
    bool bIn = false;
    for (const auto& strLine : Lines(r.strOut)) {
        if (strLine == "Befehle:") {
            bIn = true;
            continue;
        }
        if (!bIn) continue;
        if (strLine.empty()) break;
        std::smatch m;
        if (!std::regex_match(strLine, m, std::regex(R"(  (\S+) (.*))"))) continue;
        auto& arr = map[m[1].str()];
        std::string strUsage = m[2].str();
        static const std::regex reOption(R"(--[a-z-]+)");
        for (std::sregex_iterator it(strUsage.begin(), strUsage.end(), reOption), end; it != end; ++it)
            arr.push_back(it->str());
    }
    return map;
}

class CCliScriptingTest : public ::testing::Test {
protected:
    std::string Create(const std::string& strName = "x.tov") {
        std::string strPath = m_dir.File(strName);
        auto r = RunCli({"create", strPath});
        EXPECT_EQ(r.nExit, 0) << r.strErr;
        return strPath;
    }
    std::string Add(const std::string& strDb, const std::string& strParent, const std::string& strName, bool bFolder,
                    const std::string& strText = "") {
        std::vector<std::string> args = {"add", strDb, "--parent", strParent, "--name", strName, "--text", strText};
        if (bFolder) args.push_back("--folder");
        auto r = RunCli(args);
        EXPECT_EQ(r.nExit, 0) << r.strErr;
        return Lines(r.strOut).empty() ? "" : Lines(r.strOut)[0];
    }
    CTempDir m_dir;
};
}  // namespace

TEST_F(CCliScriptingTest, VersionAndHelpGoToStdout) {
    auto r = RunCli({"--version"});
    EXPECT_EQ(r.nExit, 0);
    EXPECT_EQ(r.strOut, "orvantis-cli 1.200\n");
    EXPECT_EQ(r.strErr, "");

    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"help"}}) {
        r = RunCli(args);
        EXPECT_EQ(r.nExit, 0) << args[0];
        EXPECT_EQ(r.strErr, "") << args[0];
        EXPECT_EQ(r.strOut.rfind("Aufruf: orvantis-cli BEFEHL DATEI", 0), 0u) << r.strOut;
        EXPECT_NE(r.strOut.find("  3  die Datenbank wird gerade von einem anderen Benutzer verwendet"),
                  std::string::npos)
            << r.strOut;
    }

    // one command's help, three ways to ask for it
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"help", "add"}, {"add", "--help"}, {"add", "x.tov", "--name", "n", "--help"}}) {
        r = RunCli(args);
        EXPECT_EQ(r.nExit, 0);
        EXPECT_EQ(r.strErr, "");
        EXPECT_EQ(r.strOut.rfind("Aufruf: orvantis-cli add DATEI --parent ID --name TEXT", 0), 0u) << r.strOut;
        EXPECT_NE(r.strOut.find("  --folder       einen Ordner anlegen"), std::string::npos) << r.strOut;
    }
    // a value that looks like an option is still the value
    EXPECT_EQ(RunCli({"add", m_dir.File("fehlt.tov"), "--parent", "0", "--name", "--help"}).nExit, 1);

    for (const auto& args : std::vector<std::vector<std::string>>{{"help", "gibtsnicht"}, {"help", "add", "info"}}) {
        r = RunCli(args);
        EXPECT_EQ(r.nExit, 2);
        EXPECT_EQ(r.strOut, "");
        EXPECT_NE(r.strErr.find("Aufruf: orvantis-cli BEFEHL DATEI"), std::string::npos);
    }

    // every command has its own description, not only its arguments
    auto commands = CommandsFromHelp();
    ASSERT_GE(commands.size(), 20u);
    for (const auto& [strName, arrOptions] : commands) {
        r = RunCli({"help", strName});
        EXPECT_EQ(r.nExit, 0) << strName;
        auto lines = Lines(r.strOut);
        ASSERT_GE(lines.size(), 3u) << strName;
        EXPECT_EQ(lines[1], "") << strName;
        EXPECT_TRUE(lines[2].size() > 10 && lines[2].back() == '.') << strName << ": " << lines[2];
    }
}

TEST_F(CCliScriptingTest, ManPageAndCompletionNameEveryCommandAndOption) {
    std::string strMan = ReadFile((kDocDir / "orvantis-cli.1").string());
    strMan = std::regex_replace(strMan, std::regex(R"(\\-)"), "-");
    std::string strCompletion = ReadFile((kDocDir / "orvantis-cli.bash").string());
    ASSERT_FALSE(strMan.empty());
    ASSERT_FALSE(strCompletion.empty());
    auto commands = CommandsFromHelp();
    for (const auto& [strName, arrOptions] : commands) {
        EXPECT_NE(strMan.find(".BI \"" + strName + " "), std::string::npos) << "man page lacks " << strName;
        EXPECT_TRUE(std::regex_search(strCompletion, std::regex("[ \n\"]" + strName + "[ \n\"]")))
            << "completion lacks " << strName;
        for (const auto& strOption : arrOptions) {
            EXPECT_NE(strMan.find(strOption), std::string::npos) << strName << " " << strOption;
            EXPECT_NE(strCompletion.find(strOption), std::string::npos) << strName << " " << strOption;
        }
    }
    for (const char* pszGlobal : {"--yes", "--password", "--admin", "--json", "--help", "--version"})
        EXPECT_TRUE(std::regex_search(strMan, std::regex(std::string("\n\\.BI? ") + pszGlobal + "[ \n]"))) << pszGlobal;
}

TEST_F(CCliScriptingTest, ManPagesRenderWithoutWarnings) {
    if (ShellOutput("command -v man").empty()) GTEST_SKIP() << "man is not installed";
    for (const char* pszPage : {"orvantis-cli.1", "orvantis.1"}) {
        auto r = RunProcess(
            {"/bin/sh", "-c", "MANWIDTH=80 man --warnings -l " + Quote((kDocDir / pszPage).string()) + " >/dev/null"});
        EXPECT_EQ(r.nExit, 0) << pszPage;
        // man-db complains about a missing locale on minimal systems; that is not the page
        std::string strErr = std::regex_replace(r.strErr, std::regex("man: can't set the locale[^\n]*\n"), "");
        EXPECT_EQ(strErr, "") << pszPage;
    }
}

TEST_F(CCliScriptingTest, CompletionOffersCommandsOptionsValuesAndKnowledgeBases) {
    fs::create_directory(m_dir.File("sub"));
    for (const char* pszFile : {"a.tov", "B.TOV", "notiz.txt", "mit leer.tov"}) WriteFile(m_dir.File(pszFile), "");
    std::string strDir = m_dir.Path() + "/";
    const struct {
        std::vector<std::string> arrWords;  // the last one is being completed
        std::set<std::string> setExpected;
    } kCases[] = {
        {{"ba"}, {"backup", "backup-settings"}},
        {{"help", "ex"}, {"export"}},
        {{"tree", "x.tov", "--"},
         {"--folder", "--json", "--yes", "--password", "--password-file", "--admin", "--admin-file", "--help"}},
        {{"search", "x.tov", "--j"}, {"--json"}},
        {{"backup-settings", "x.tov", "--count", ""}, {"5", "10", "20", "30", "50", "100", "unbegrenzt"}},
        {{"backup-settings", "x.tov", "--auto", ""}, {"on", "off"}},
        {{"hold", "x.tov", "--transaction", "e"}, {"exclusive"}},
        {{"export", "x.tov", "-", "--format", ""}, {"vorlage", "html", "markdown", "text"}},
        {{"export", "x.tov", "--f"}, {"--folder", "--format"}},
        {{"add", "x.tov", "--name", ""}, {}},
        {{"info", strDir}, {strDir + "a.tov", strDir + "B.TOV", strDir + "mit leer.tov", strDir + "sub"}},
        {{"tree", "--folder", "3", strDir + "a"}, {strDir + "a.tov"}},
        {{"export", strDir + "a.tov", strDir + "n"}, {strDir + "notiz.txt"}},
        {{"info", strDir + "a.tov", strDir}, {}},
    };
    std::string strScript = (kDocDir / "orvantis-cli.bash").string();
    for (const auto& c : kCases) {
        std::string strWords = "orvantis-cli";
        for (const auto& s : c.arrWords) strWords += " " + Quote(s);
        std::string strCmd = "source " + Quote(strScript) + "; COMP_WORDS=(" + strWords +
                             "); COMP_CWORD=" + std::to_string(c.arrWords.size()) +
                             "; _orvantis_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
        auto r = RunProcess({"/bin/bash", "--norc", "--noprofile", "-c", strCmd});
        EXPECT_EQ(r.nExit, 0) << strWords << r.strErr;
        std::set<std::string> setGot;
        for (const auto& s : Lines(r.strOut))
            if (!s.empty()) setGot.insert(s);
        EXPECT_EQ(setGot, c.setExpected) << strWords;
    }
}

TEST_F(CCliScriptingTest, JsonOutputOfTreeSearchAndInfo) {
    std::string strDb = Create();
    ASSERT_EQ(Add(strDb, "0", "Rezepte", true), "1");
    ASSERT_EQ(Add(strDb, "1", "Apfel \"süß\"", false, "Zeile 1\nZeile 2"), "2");
    ASSERT_EQ(Add(strDb, "1", "Äpfel\\Birnen", true), "3");
    ASSERT_EQ(Add(strDb, "3", "zwei\nZeilen", false, "Apfel"), "4");
    ASSERT_EQ(Add(strDb, "0", "Notizen", true), "5");

    const struct {
        std::vector<std::string> arrArgs;
        std::vector<std::string> arrLines;
    } kCases[] = {
        {{"tree", strDb, "--json"},
         {R"({"ID":1,"MasterID":0,"PosNr":1,"IsDir":1,"Level":0,"Name":"Rezepte"})",
          R"({"ID":2,"MasterID":1,"PosNr":1,"IsDir":0,"Level":1,"Name":"Apfel \"süß\""})",
          R"({"ID":3,"MasterID":1,"PosNr":2,"IsDir":1,"Level":1,"Name":"Äpfel\\Birnen"})",
          R"({"ID":4,"MasterID":3,"PosNr":1,"IsDir":0,"Level":2,"Name":"zwei\nZeilen"})",
          R"({"ID":5,"MasterID":0,"PosNr":2,"IsDir":1,"Level":0,"Name":"Notizen"})"}},
        {{"tree", strDb, "--folder", "3", "--json"},
         {R"({"ID":4,"MasterID":3,"PosNr":1,"IsDir":0,"Level":0,"Name":"zwei\nZeilen"})"}},
        {{"search", strDb, "apfel", "--keywords", "--json"},
         {R"({"ID":2,"IsDir":0,"Name":"Apfel \"süß\"","Path":"Rezepte\\Apfel \"süß\""})"}},
        {{"search", strDb, "Apfel", "--texts", "--json"},
         {R"({"ID":4,"IsDir":0,"Name":"zwei\nZeilen","Path":"Rezepte\\Äpfel\\Birnen\\zwei\nZeilen"})"}},
        {{"search", strDb, "Kirsche", "--json"}, {}},
    };
    for (const auto& c : kCases) {
        auto r = RunCli(c.arrArgs);
        EXPECT_EQ(r.nExit, 0) << c.arrArgs[0] << r.strErr;
        EXPECT_EQ(r.strErr, "") << c.arrArgs[0];
        EXPECT_EQ(Lines(r.strOut), c.arrLines) << c.arrArgs[0] << " " << c.arrArgs.back();
    }

    // info: the stored stamps under their option names; a folder name that is
    // no UTF-8 still gives valid JSON
    std::string strOdd = m_dir.File("alt\xFF");
    fs::create_directory(strOdd);
    std::string strOddDb = strOdd + "/wissen.tov";
    ASSERT_EQ(RunCli({"create", strOddDb}).nExit, 0);
    ASSERT_EQ(RawExec(strOddDb,
                      "UPDATE Option SET Value='J\xFCrgen \"JM\"' WHERE Key='CreateUser';"
                      "INSERT INTO Option VALUES ( 'LastReorg', '2026.12.07-06:34' );"),
              0);
    auto stamps =
        RawQuery(strOddDb, "SELECT Value FROM Option WHERE Key IN ('LastEditUser', 'CreateTime') ORDER BY Key");
    ASSERT_EQ(stamps.size(), 2u);
    auto r = RunCli({"info", strOddDb, "--json"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "{\"File\":\"wissen.tov\",\"Folder\":\"" + m_dir.Path() + "/alt\xEF\xBF\xBD\"," +
                            "\"CreateTime\":\"" + stamps[0][0] + "\",\"CreateUser\":\"Jürgen \\\"JM\\\"\"," +
                            "\"LastEditTime\":\"" + stamps[0][0] + "\",\"LastEditUser\":\"" + stamps[1][0] +
                            "\",\"LastBackup\":\"\",\"LastReorg\":\"2026.12.07-06:34\"}\n");
}

TEST_F(CCliScriptingTest, PrintWritesThePdfToStdoutForADash) {
    std::string strDb = Create();
    ASSERT_EQ(Add(strDb, "0", "Rezepte", true), "1");
    ASSERT_EQ(Add(strDb, "1", "Zwetschgenkuchen", false, "500 g Zwetschgen"), "2");
    fs::path dash = fs::current_path() / "-";
    fs::remove(dash);

    auto r = RunCli({"print", strDb, "--folder", "1", "--pdf", "-"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut.rfind("%PDF-", 0), 0u);
    EXPECT_NE(r.strOut.find("%%EOF"), std::string::npos);
    // stdout holds the PDF alone; the count is a message (Qt may add its own)
    EXPECT_TRUE(r.strErr.size() >= 10 && r.strErr.compare(r.strErr.size() - 10, 10, "Seiten: 1\n") == 0) << r.strErr;
    EXPECT_FALSE(fs::exists(dash)) << "wrote a file named -";
    std::string strPdf = m_dir.File("aus-der-pipe.pdf");
    WriteFile(strPdf, r.strOut);
    EXPECT_NE(ShellOutput("pdfinfo " + Quote(strPdf)).find("Pages:           1"), std::string::npos);
    EXPECT_NE(ShellOutput("pdftotext " + Quote(strPdf) + " -").find("Zwetschgenkuchen"), std::string::npos);

    // to a file the count stays on stdout
    r = RunCli({"print", strDb, "--folder", "1", "--pdf", m_dir.File("datei.pdf")});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut, "Seiten: 1\n");
}

TEST_F(CCliScriptingTest, OutputThatCannotBeWrittenFails) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    std::string strDb = Create();
    ASSERT_EQ(Add(strDb, "0", "Rezepte", true), "1");
    for (const char* pszArgs : {"dump X", "tree X --json", "info X", "search X Rezepte", "--version", "help tree"}) {
        std::string strArgs = std::regex_replace(pszArgs, std::regex("X"), Quote(strDb));
        auto r = RunProcess({"/bin/sh", "-c", Quote(CliPath()) + " " + strArgs + " >/dev/full"});
        EXPECT_EQ(r.nExit, 1) << pszArgs;
        // dump says it as an export does
        const bool bSaid = r.strErr.find("die Ausgabe konnte nicht geschrieben werden") != std::string::npos ||
                           r.strErr.find("Die Datei konnte nicht geschrieben werden") != std::string::npos;
        EXPECT_TRUE(bSaid) << pszArgs << ": " << r.strErr;
    }
}
