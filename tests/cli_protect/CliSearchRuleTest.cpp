// "orvantis-cli search" on a plain file and on a protected copy of it: one
// rule for both, so protecting a knowledge base never changes what is found.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/TestSupport.h"

namespace {

class CCliSearchRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strPlain = m_dir.File("klar.tov");
        m_strProtected = m_dir.File("geschuetzt.tov");
        ASSERT_EQ(RunCli({"create", m_strPlain}).nExit, 0);
        const char* rows[][2] = {
            {"Müller", "Herr Müller"},
            {"MÜLLER GmbH", "100% sicher"},
            {"müller", "a_b"},
            {"Möller", "C:\\Daten\\x"},
            {"Äpfel", "ÄPFEL und äpfel"},
            {"École", "œuvre Œuvre"},
            {"Škoda", "žlut Ž"},
            {"Ÿ-Form", "ÿ"},
            {"Straße", "STRASSE"},
            {"Café–Bar", "„Zitat“ 5 €"},
            {"axb", "100 Prozent"},
            {"Apfel", "mit APFEL"},
        };
        for (const auto& row : rows) {
            SProcessResult r = RunCli({"add", m_strPlain, "--parent", "0", "--name", row[0], "--text", row[1]});
            ASSERT_EQ(r.nExit, 0) << r.strErr;
            m_arrIds.push_back(std::stoi(r.strOut));
        }
        std::filesystem::copy_file(m_strPlain, m_strProtected);
        SProcessResult r = RunCli({"protect", m_strProtected, "--new", "geheim"});
        ASSERT_EQ(r.nExit, 0) << r.strErr;
    }

    // The IDs in the first column of the hit list (sorted by path), in ID order.
    static std::vector<int> Ids(const SProcessResult& r) {
        std::vector<int> arr;
        std::istringstream in(r.strOut);
        for (std::string strLine; std::getline(in, strLine);) arr.push_back(std::stoi(strLine));
        std::sort(arr.begin(), arr.end());
        return arr;
    }

    CTempDir m_dir;
    std::string m_strPlain, m_strProtected;
    std::vector<int> m_arrIds;
};

TEST_F(CCliSearchRuleTest, PlainAndProtectedFindTheSameEntries) {
    struct SCase {
        const char* pszText;
        const char* pszWhere;      // "--keywords", "--texts" or both
        std::vector<int> arrRows;  // 1-based, in the order the rows were added
    };
    const SCase cases[] = {
        {"müller", "--keywords", {1, 2, 3}},
        {"MÜLLER", "", {1, 2, 3}},
        {"Müller", "--texts", {1}},
        {"möller", "", {4}},
        {"%", "", {2}},  // the percent sign is itself, not every entry
        {"100%", "--texts", {2}},
        {"_", "", {3}},
        {"a_b", "", {3}},
        {"x_b", "", {}},
        {"\\", "--texts", {4}},
        {"\\daten\\", "", {4}},
        {"äpfel", "", {5}},
        {"apfel", "", {12}},
        {"APFEL", "--texts", {12}},
        {"école", "", {6}},
        {"ŒUVRE", "--texts", {6}},
        {"šKODA", "--keywords", {7}},
        {"ž", "--texts", {7}},
        {"ÿ-form", "", {8}},
        {"Ÿ", "--texts", {8}},
        {"STRASSE", "", {9}},  // ß has no capital of its own
        {"straße", "", {9}},
        {"café–bar", "", {10}},
        {"„zitat“", "", {10}},
        {"€", "", {10}},
        {"'", "", {}},
    };
    for (const auto& c : cases) {
        std::vector<int> arrExpected;
        for (int n : c.arrRows) arrExpected.push_back(m_arrIds[n - 1]);
        for (const std::string& strFile : {m_strPlain, m_strProtected}) {
            std::vector<std::string> arrArgs{"search", strFile, c.pszText};
            if (*c.pszWhere) arrArgs.push_back(c.pszWhere);
            if (strFile == m_strProtected) arrArgs.insert(arrArgs.end(), {"--password", "geheim"});
            SProcessResult r = RunCli(arrArgs);
            EXPECT_EQ(r.nExit, 0) << r.strErr;
            EXPECT_EQ(Ids(r), arrExpected) << c.pszText << " " << c.pszWhere << " in " << strFile;
        }
    }
}

}  // namespace
