// orvantis-cli export --format: the readable documents through the real
// program, beside the template it writes by default.
#include <fstream>

#include "support/TestSupport.h"

namespace {

class CCliExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDb = m_dir.File("wissen.tov");
        ASSERT_EQ(RunCli({"create", m_strDb}).nExit, 0);
        std::string K = Ok({"add", m_strDb, "--parent", "0", "--name", "Größen", "--folder", "--text", "a < b"});
        K.pop_back();
        std::string E = Ok({"add", m_strDb, "--parent", K, "--name", "klein", "--text", "Zeile 1\nZeile 2"});
        E.pop_back();
        Ok({"set", m_strDb, E, "--link", "/tmp/ä b.pdf"});
    }
    std::string Ok(const std::vector<std::string>& arr) {
        SProcessResult r = RunCli(arr);
        EXPECT_EQ(r.nExit, 0) << arr[0] << ": " << r.strErr;
        return r.strOut;
    }

    CTempDir m_dir;
    std::string m_strDb;
};

TEST_F(CCliExportTest, EachFormatToAFileAndToStandardOutput) {
    const struct {
        const char* pszFormat;
        std::vector<std::string> arrParts;  // in this order
    } cases[] = {
        {"html",
         {"<meta charset=\"utf-8\">", "<title>Hauptordner</title>", "<a href=\"#e1\">Größen</a>", "<h2>Größen</h2>",
          "a &lt; b", "Zeile 1\nZeile 2", "<a href=\"file:///tmp/%C3%A4%20b.pdf\">/tmp/ä b.pdf</a>"}},
        {"markdown", {"# Hauptordner\n", "## Größen\n\na \\< b\n", "### klein\n\nZeile 1\\\nZeile 2\n"}},
        {"text",
         {"Hauptordner\n===========\n\n+ Größen\n  a < b\n\n  - klein\n    Zeile 1\n    Zeile 2\n"
          "    Verknüpfung: /tmp/ä b.pdf\n"}},
    };
    for (const auto& c : cases) {
        std::string strFile = m_dir.File(std::string("out.") + c.pszFormat);
        SProcessResult r = RunCli({"export", m_strDb, strFile, "--format", c.pszFormat});
        EXPECT_EQ(r.nExit, 0) << c.pszFormat << ": " << r.strErr;
        EXPECT_EQ(r.strOut + r.strErr, "");
        std::string strDoc = ReadFile(strFile);
        size_t nAt = 0;
        for (const std::string& strPart : c.arrParts) {
            size_t nFound = strDoc.find(strPart, nAt);
            EXPECT_NE(nFound, std::string::npos) << c.pszFormat << ": " << strPart << "\n" << strDoc;
            if (nFound != std::string::npos) nAt = nFound + strPart.size();
        }
        EXPECT_EQ(strDoc.find('\r'), std::string::npos) << c.pszFormat;
        EXPECT_EQ(Ok({"export", m_strDb, "-", "--format", c.pszFormat}), strDoc) << c.pszFormat;
    }
    // the folder alone, titled by its path
    EXPECT_EQ(Ok({"export", m_strDb, "-", "--format", "text", "--folder", "2"}),
              "Größen\\klein\n============\n\n- klein\n  Zeile 1\n  Zeile 2\n  Verknüpfung: /tmp/ä b.pdf\n");
}

TEST_F(CCliExportTest, TheTemplateStaysTheDefaultAndMistakesAreReported) {
    const std::string strTemplate =
        "+ Gr\xF6\xDF"
        "en\r\n  - klein\r\n";
    EXPECT_EQ(Ok({"export", m_strDb, "-"}), strTemplate);
    EXPECT_EQ(Ok({"export", m_strDb, "-", "--format", "vorlage"}), strTemplate);

    SProcessResult r = RunCli({"export", m_strDb, "-", "--format", "pdf"});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_EQ(r.strOut, "");
    EXPECT_NE(r.strErr.find("--format"), std::string::npos) << r.strErr;
    EXPECT_EQ(RunCli({"export", m_strDb, "-", "--format"}).nExit, 2);

    r = RunCli({"export", m_strDb, "-", "--format", "html", "--folder", "99"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(r.strOut, "");
    r = RunCli({"export", m_strDb, m_dir.File("fehlt/x.html"), "--format", "html"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("nicht exportiert"), std::string::npos) << r.strErr;
    r = RunProcess({"/bin/bash", "-c", "'" + CliPath() + "' export '" + m_strDb + "' - --format markdown > /dev/full"});
    EXPECT_EQ(r.nExit, 1) << r.strErr;

    SProcessResult help = RunCli({"help", "export"});
    EXPECT_NE(help.strOut.find("--format"), std::string::npos) << help.strOut;
}

TEST_F(CCliExportTest, AProtectedBaseSaysItsTextsLeaveUnencrypted) {
    ASSERT_EQ(RunCli({"protect", m_strDb, "--new", "geheim"}).nExit, 0);
    SProcessResult r = RunCli({"export", m_strDb, "-", "--format", "text", "--password", "geheim"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strOut.find("  - klein\n    Zeile 1\n"), std::string::npos) << r.strOut;
    EXPECT_NE(r.strErr.find("unverschlüsselt"), std::string::npos) << r.strErr;

    // without the password nothing is written
    std::string strFile = m_dir.File("x.html");
    r = RunCli({"export", m_strDb, strFile, "--format", "html"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_FALSE(std::ifstream(strFile).good());
    // the template of a protected base says nothing more than before
    r = RunCli({"export", m_strDb, "-", "--password", "geheim"});
    EXPECT_EQ(r.nExit, 0);
    EXPECT_EQ(r.strErr, "");
}

}  // namespace
