// The tree commands of orvantis-cli, run as real processes.
#include <sstream>

#include "support/CliFileFixture.h"

namespace {

class CCliTreeTest : public CCliFileTest {
protected:
    std::string Add(const std::string& strParent, const std::string& strName, bool bFolder = false) {
        std::vector<std::string> arr{"add", "--parent", strParent, "--name", strName};
        if (bFolder) arr.push_back("--folder");
        std::string str = Ok(arr);
        return str.empty() ? "" : str.substr(0, str.size() - 1);
    }
    // "ID\tINDENT MARKER NAME" lines as "INDENT MARKER NAME" for the shape.
    std::string Tree(const std::vector<std::string>& arrExtra = {}) {
        std::vector<std::string> arr{"tree"};
        arr.insert(arr.end(), arrExtra.begin(), arrExtra.end());
        std::istringstream in(Ok(arr));
        std::string strLine, strOut;
        while (std::getline(in, strLine)) strOut += strLine.substr(strLine.find('\t') + 1) + "\n";
        return strOut;
    }
};

TEST_F(CCliTreeTest, AddSetAndTreeShowTheEntries) {
    std::string K = Add("0", "Küche", true);
    std::string A = Add(K, "Töpfe", true);
    std::string B = Add(A, "Pfanne");
    Add(K, "Löffel");
    EXPECT_EQ(Cli({"tree"}).strOut, K + "\t+ Küche\n" + A + "\t  + Töpfe\n" + B + "\t    - Pfanne\n" +
                                        std::to_string(std::stoi(B) + 1) + "\t  - Löffel\n");
    EXPECT_EQ(Tree({"--folder", A}), "- Pfanne\n");

    Ok({"set", B, "--name", "Bratpfanne", "--text", "gusseisern", "--link", "/tmp/p.pdf"});
    std::string strDump = Ok({"dump"});
    EXPECT_NE(strDump.find("\"Typ\":1,\"PosNr\":1,\"IsDir\":0,\"Name\":\"Bratpfanne\",\"Text\":\"gusseisern\","
                           "\"Link\":\"/tmp/p.pdf\",\"UpdateNr\":1"),
              std::string::npos)
        << strDump;
    Ok({"set", B, "--link", ""});
    EXPECT_NE(Ok({"dump"}).find("\"Typ\":0,\"PosNr\":1,\"IsDir\":0,\"Name\":\"Bratpfanne\""), std::string::npos);

    // refusals: unknown parent, a text entry as parent, unstorable text, unknown entry
    EXPECT_EQ(Cli({"add", "--parent", "99", "--name", "x"}).nExit, 1);
    EXPECT_EQ(Cli({"add", "--parent", B, "--name", "x"}).nExit, 1);
    SProcessResult r = Cli({"add", "--parent", K, "--name", "日本"});
    EXPECT_EQ(r.nExit, 2);
    EXPECT_NE(r.strErr.find("nicht gespeichert"), std::string::npos) << r.strErr;
    EXPECT_EQ(Cli({"add", "--parent", K}).nExit, 2);
    EXPECT_EQ(Cli({"set", "99", "--name", "x"}).nExit, 1);
    EXPECT_EQ(Tree(), "+ Küche\n  + Töpfe\n    - Bratpfanne\n  - Löffel\n");
}

TEST_F(CCliTreeTest, DeleteAndMoveKeepTheTreeWhole) {
    std::string K = Add("0", "K", true);
    std::string A = Add(K, "A", true);
    Add(A, "a1");
    Add(A, "a2");
    Add(K, "B");
    std::string T = Add("0", "T", true);
    Add(T, "t1");

    SProcessResult r = Cli({"delete", A});  // a folder: asked, answered No
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("und alle darin enhaltenen Einträge löschen ? [Nein]"), std::string::npos) << r.strErr;
    EXPECT_EQ(Tree(), "+ K\n  + A\n    - a1\n    - a2\n  - B\n+ T\n  - t1\n");

    EXPECT_EQ(Cli({"move", K, A}).nExit, 1);    // below itself
    EXPECT_EQ(Cli({"move", A, "4"}).nExit, 1);  // onto a text entry
    Ok({"move", A, T});
    EXPECT_EQ(Tree(), "+ K\n  - B\n+ T\n  - t1\n  + A\n    - a1\n    - a2\n");
    std::string strDump = Ok({"dump"});
    EXPECT_NE(strDump.find("\"PosNr\":1,\"IsDir\":0,\"Name\":\"B\""), std::string::npos) << strDump;
    EXPECT_NE(strDump.find("\"PosNr\":2,\"IsDir\":1,\"Name\":\"A\""), std::string::npos) << strDump;

    r = Cli({"delete", K, "--yes"});  // asked twice, as the program asks
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_NE(r.strErr.find("In dem Ordner befinden sich 1 Einträge !"), std::string::npos) << r.strErr;
    EXPECT_EQ(Tree(), "+ T\n  - t1\n  + A\n    - a1\n    - a2\n");
    EXPECT_NE(Ok({"dump"}).find("\"MasterID\":0,\"LinkID\":0,\"Typ\":0,\"PosNr\":1,\"IsDir\":1,\"Name\":\"T\""),
              std::string::npos);
    EXPECT_EQ(Cli({"delete", K}).nExit, 1);  // gone
}

TEST_F(CCliTreeTest, SearchListsHitsByPath) {
    std::string Z = Add("0", "Zubehör", true);
    std::string Zz = Add(Z, "Apfelschäler");
    std::string A = Add("0", "Apfel", true);
    std::string a = Add(A, "apfelmus");
    Ok({"set", a, "--text", "kein Kuchen"});
    std::string K = Add("0", "Kuchen");
    EXPECT_EQ(Ok({"search", "apfel"}), A + "\tApfel\n" + a + "\tApfel\\apfelmus\n" + Zz + "\tZubehör\\Apfelschäler\n");
    EXPECT_EQ(Ok({"search", "Kuchen", "--keywords"}), K + "\tKuchen\n");
    EXPECT_EQ(Ok({"search", "Kuchen", "--texts"}), a + "\tApfel\\apfelmus\n");
    EXPECT_EQ(Ok({"search", "Kuchen", "--keywords", "--texts"}), a + "\tApfel\\apfelmus\n" + K + "\tKuchen\n");
}

// A keyword with line breaks or tabs (stored by another tool) cannot forge
// lines or columns of "ID<tab>path" in the listings.
TEST_F(CCliTreeTest, LineBreaksInKeywordsStayOnTheirLine) {
    std::string K = Add("0", "Küche\r\n4711\t+ gefälscht", true);
    std::string A = Add(K, "Topf\n4712\t  - auch\rgefälscht");
    EXPECT_EQ(Ok({"tree"}), K + "\t+ Küche 4711\\x09+ gefälscht\n" + A + "\t  - Topf 4712\\x09  - auch gefälscht\n");
    EXPECT_EQ(
        Ok({"search", "gefälscht", "--keywords"}),
        K + "\tKüche 4711\\x09+ gefälscht\n" + A + "\tKüche 4711\\x09+ gefälscht\\Topf 4712\\x09  - auch gefälscht\n");
    // the stored keyword itself is left as it is
    EXPECT_NE(Ok({"dump"}).find("\"Name\":\"Topf\\n4712\\t  - auch\\rgefälscht\""), std::string::npos);
}

TEST_F(CCliTreeTest, ExportAndImportTemplates) {
    std::string K = Add("0", "Größen", true);
    Add(K, "klein");
    std::string T = Add("0", "Ziel", true);
    std::string strFile = m_dir.File("vorlage.txt");
    SProcessResult r = Cli({"export", strFile, "--folder", K});
    EXPECT_EQ(r.nExit, 0);
    EXPECT_EQ(r.strOut + r.strErr, "");
    EXPECT_EQ(ReadFile(strFile),
              "+ Gr\xF6\xDF"
              "en\r\n  - klein\r\n");

    EXPECT_EQ(Ok({"import", strFile, "--folder", T}), "2\n");  // the entries made
    EXPECT_EQ(Tree({"--folder", T}), "+ Größen\n  - klein\n");

    r = Cli({"export", m_dir.File("fehlt/x.txt")});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("nicht exportiert"), std::string::npos) << r.strErr;
    EXPECT_EQ(Cli({"import", m_dir.File("fehlt.txt")}).nExit, 1);
    EXPECT_EQ(Cli({"import", strFile, "--folder", "99"}).nExit, 1);
    EXPECT_EQ(Cli({"export", strFile, "--folder", "99"}).nExit, 1);
}

// A shell pipeline around orvantis-cli; $CLI and $DB stand for the program
// and the database.
SProcessResult Shell(const std::string& strDb, const std::string& strCommand) {
    return RunProcess({"/bin/bash", "-c", "CLI='" + CliPath() + "' DB='" + strDb + "'; " + strCommand});
}

// The template is read once, by the import, so pipes and here-strings work;
// "-" stands for standard input and output.
TEST_F(CCliTreeTest, TemplatesFromPipesAndToStandardOutput) {
    std::string T = Add("0", "Ziel", true);
    const struct {
        const char* pszCommand;
        const char* pszTree;  // below "Ziel", after the import
    } cases[] = {
        {"printf '+ K\\n  - A\\n' | \"$CLI\" import \"$DB\" - --folder 1", "+ K\n  - A\n"},
        {"printf '+ L\\r\\n' | \"$CLI\" import \"$DB\" /dev/stdin --folder 1", "+ L\n"},
        {"\"$CLI\" import \"$DB\" - --folder 1 <<< '+ Küche'", "+ Küche\n"},
        {"printf '+ Gr\\xf6\\xdfe\\n' | \"$CLI\" import \"$DB\" - --folder 1", "+ Größe\n"},
    };
    ASSERT_EQ(T, "1");
    std::string strTree;
    for (const auto& c : cases) {
        SProcessResult r = Shell(m_strDb, c.pszCommand);
        EXPECT_EQ(r.nExit, 0) << c.pszCommand << ": " << r.strErr;
        strTree += c.pszTree;
        EXPECT_EQ(Tree({"--folder", T}), strTree) << c.pszCommand;
    }

    // export to standard output: the template's own bytes
    SProcessResult r = Cli({"export", "-", "--folder", T});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strOut,
              "+ Ziel\r\n  + K\r\n    - A\r\n  + L\r\n  + K\xFC"
              "che\r\n  + Gr\xF6\xDF"
              "e\r\n");
    // and back in through a pipe
    r = Shell(m_strDb, "\"$CLI\" export \"$DB\" - --folder 2 | \"$CLI\" import \"$DB\" - --folder 1");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(Tree({"--folder", T}), strTree + "+ K\n  - A\n");

    // dump to standard output, to "-" and to a file say the same
    std::string strDump = Ok({"dump"});
    EXPECT_EQ(Ok({"dump", "-"}), strDump);
    EXPECT_EQ(Ok({"dump", m_dir.File("dump.json")}), "");
    EXPECT_EQ(ReadFile(m_dir.File("dump.json")), strDump);
    EXPECT_EQ(Cli({"dump", "a", "b"}).nExit, 2);
}

// Nothing read or nothing written is a failure with its reason, never exit 0.
TEST_F(CCliTreeTest, TemplateAndDumpFailuresAreReported) {
    Add("0", "K", true);
    const struct {
        const char* pszCommand;
        const char* pszMessage;
    } cases[] = {
        {"\"$CLI\" import \"$DB\" \"$(dirname \"$DB\")\"", "Die Vorlage kann nicht gelesen werden: /"},
        {"\"$CLI\" import \"$DB\" - < \"$(dirname \"$DB\")\"", "Die Vorlage kann nicht gelesen werden: -"},
        {"printf '+ A\\n+ 日本\\n' | \"$CLI\" import \"$DB\" -", "in Zeile 2 Zeichen, die nicht gespeichert"},
        {"\"$CLI\" export \"$DB\" - > /dev/full", "die Daten wurden nicht exportiert !"},
        {"\"$CLI\" dump \"$DB\" > /dev/full", "nicht geschrieben"},
        {"\"$CLI\" dump \"$DB\" \"$(dirname \"$DB\")/fehlt/d.json\"", "nicht geschrieben"},
    };
    for (const auto& c : cases) {
        SProcessResult r = Shell(m_strDb, c.pszCommand);
        EXPECT_EQ(r.nExit, 1) << c.pszCommand;
        EXPECT_NE(r.strErr.find(c.pszMessage), std::string::npos) << c.pszCommand << ": " << r.strErr;
    }
    EXPECT_EQ(Tree(), "+ K\n");
}

}  // namespace
