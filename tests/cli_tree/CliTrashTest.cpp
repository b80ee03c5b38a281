// orvantis-cli trash: the listing in text and JSON, restore, purge and
// their refusals, run as real processes on one file; a protected file's
// trash holds nothing in plain text.
#include "support/CliFileFixture.h"

namespace {

class CCliTrashTest : public CCliFileTest {
protected:
    // The output without its last line end.
    std::string Ok(const std::vector<std::string>& arr) {
        std::string str = CCliFileTest::Ok(arr);
        return str.empty() ? "" : str.substr(0, str.size() - 1);
    }
    std::string Add(const std::string& strParent, const std::string& strName, bool bFolder = false) {
        std::vector<std::string> arr{"add", "--parent", strParent, "--name", strName, "--text", "Text " + strName};
        if (bFolder) arr.push_back("--folder");
        return Ok(arr);
    }
};

TEST_F(CCliTrashTest, ListRestorePurge) {
    std::string K = Add("0", "Küche", true);
    std::string T = Add(K, "Töpfe", true);
    Add(T, "Pfanne");
    std::string L = Add(K, "Löffel");
    EXPECT_EQ(Ok({"trash", "list"}), "");
    Ok({"delete", T, "--yes"});
    Ok({"delete", L, "--yes"});
    SProcessResult r = Cli({"trash", "list"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    // number, kind, keyword, folder, when, by whom, entries
    std::vector<std::string> arrLines;
    for (size_t n = 0, m; (m = r.strOut.find('\n', n)) != std::string::npos; n = m + 1)
        arrLines.push_back(r.strOut.substr(n, m - n));
    ASSERT_EQ(arrLines.size(), 2u) << r.strOut;
    EXPECT_EQ(arrLines[0].substr(0, arrLines[0].find('\t', 12)), "1\t+\tTöpfe\tKüche");
    EXPECT_EQ(arrLines[0].substr(arrLines[0].rfind('\t')), "\t2");
    EXPECT_EQ(arrLines[1].substr(0, 15), "2\t-\tLöffel\tKü");
    r = Cli({"trash", "list", "--json"});
    EXPECT_NE(r.strOut.find("{\"Nr\":2,\"ID\":" + L +
                            ",\"IsDir\":0,\"Name\":\"Löffel\",\"Path\":\"Küche\","
                            "\"FromFolder\":" +
                            K),
              std::string::npos)
        << r.strOut;
    EXPECT_NE(r.strOut.find("\"Entries\":2,\"Readable\":true}"), std::string::npos) << r.strOut;
    // info counts what the trash holds, as the program's info dialog does
    EXPECT_NE(Ok({"info"}).find("\nEinträge im Papierkorb: 3"), std::string::npos);

    // the folder it goes to must be one
    r = Cli({"trash", "restore", "1", "--to", L});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(Ok({"trash", "restore", "1", "--to", "0"}), T);
    EXPECT_EQ(Ok({"tree"}), K + "\t+ Küche\n" + T + "\t+ Töpfe\n" + std::to_string(std::stoi(T) + 1) + "\t  - Pfanne");
    // gone already: refused, nothing changed
    r = Cli({"trash", "restore", "1"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_NE(r.strErr.find("nicht mehr im Papierkorb"), std::string::npos) << r.strErr;

    EXPECT_EQ(Ok({"trash", "purge", "2"}), "");
    EXPECT_EQ(Cli({"trash", "purge", "2"}).nExit, 1);
    Ok({"delete", K, "--yes"});
    EXPECT_EQ(Ok({"trash", "purge", "--older-than", "1"}), "0");
    EXPECT_EQ(Ok({"trash", "purge"}), "1");
    EXPECT_EQ(Ok({"trash", "list"}), "");
    EXPECT_EQ(RawQuery(m_strDb, "SELECT count(*) FROM Papierkorb WHERE DeleteNr>0"), CRawRows{{"0"}});
}

TEST_F(CCliTrashTest, WrongUsageIsStatusTwo) {
    for (const auto& arr : std::vector<std::vector<std::string>>{{"trash"},
                                                                 {"trash", "leeren"},
                                                                 {"trash", "restore"},
                                                                 {"trash", "restore", "x"},
                                                                 {"trash", "restore", "0"},
                                                                 {"trash", "list", "1"},
                                                                 {"trash", "purge", "1", "--older-than", "3"},
                                                                 {"trash", "purge", "--older-than", "-1"},
                                                                 {"trash", "restore", "1", "--json"}}) {
        SProcessResult r = Cli(arr);
        EXPECT_EQ(r.nExit, 2) << arr.back() << ": " << r.strErr;
    }
}

TEST_F(CCliTrashTest, AProtectedFilesTrashIsUnderTheKeyAndFollowsIt) {
    std::string K = Add("0", "Geheimordner", true);
    std::string E = Add(K, "Geheimwort");
    Ok({"protect", "--new", "erstes"});
    ASSERT_EQ(Cli({"delete", E, "--password", "erstes", "--yes"}).nExit, 0);
    for (const char* pszColumn : {"Name", "Text", "FromPath"})
        EXPECT_EQ(
            RawQuery(m_strDb, std::string("SELECT count(*) FROM Papierkorb WHERE ") + pszColumn + " LIKE '%Geheim%'"),
            CRawRows{{"0"}})
            << pszColumn;
    ASSERT_EQ(Cli({"protect", "--new", "zweites", "--password", "erstes"}).nExit, 0);
    SProcessResult r = Cli({"trash", "list", "--json", "--password", "zweites"});
    EXPECT_NE(r.strOut.find("\"Name\":\"Geheimwort\",\"Path\":\"Geheimordner\""), std::string::npos) << r.strOut;
    ASSERT_EQ(Cli({"unprotect", "--password", "zweites"}).nExit, 0);
    EXPECT_EQ(Ok({"trash", "restore", "1"}), E);
    EXPECT_EQ(Ok({"search", "Text Geheimwort", "--texts"}).substr(0, E.size()), E);
}

}  // namespace
