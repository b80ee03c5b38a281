// IDs above 2^31, as other tools may give them: read, shown and written back
// as they are by every path of orvantis-cli.
#include "support/CliFileFixture.h"

namespace {

class CCliWideIdTest : public CCliFileTest {
protected:
    void SetUp() override {
        CCliFileTest::SetUp();
        ASSERT_EQ(RawExec(m_strDb,
                          "INSERT INTO KnowHow (ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, "
                          "UpdateNr) VALUES "
                          "(3000000001, '1', 0, 0, 0, 1, '1', 'Gross', '', '', 1),"
                          "(3000000000, '1', 3000000001, 0, 0, 1, '0', 'Kind', 'erstes', '', 1),"
                          "(3000000002, '1', 3000000001, 3000000000, 1, 2, '0', 'Zweites', 'zweites', 'x', 1),"
                          "(5, '1', 0, 0, 0, 2, '1', 'Klein', '', '', 1);"),
                  0);
    }
    CRawRows Rows() { return RawQuery(m_strDb, "SELECT ID, MasterID, LinkID, PosNr, Name FROM KnowHow ORDER BY ID"); }
};

bool Has(const std::string& str, const std::string& strPart) {
    return str.find(strPart) != std::string::npos;
}

}  // namespace

TEST_F(CCliWideIdTest, WideIdsAreShownAndKeptByEveryWrite) {
    // shown as stored
    std::string strTree = Ok({"tree", "--json"});
    EXPECT_TRUE(Has(strTree, "\"ID\":3000000000,\"MasterID\":3000000001,")) << strTree;
    EXPECT_TRUE(Has(Ok({"tree"}), "3000000002\t")) << Ok({"tree"});
    EXPECT_EQ(Ok({"tree", "--folder", "3000000001"}).substr(0, 11), "3000000000\t");
    std::string strDump = Ok({"dump"});
    EXPECT_TRUE(Has(strDump, "{\"ID\":3000000002,\"IsAktiv\":1,\"MasterID\":3000000001,\"LinkID\":3000000000,"))
        << strDump;
    EXPECT_TRUE(Has(Ok({"search", "zweites"}), "3000000002\tGross\\Zweites")) << Ok({"search", "zweites"});
    EXPECT_EQ(Cli({"export", "-"}, {"--folder", "3000000001"}).nExit, 0);

    // a delete renumbers the siblings: only their positions change
    Ok({"delete", "3000000000", "--yes"});
    EXPECT_EQ(Rows(), (CRawRows{{"5", "0", "0", "2", "Klein"},
                                {"3000000001", "0", "0", "1", "Gross"},
                                {"3000000002", "3000000001", "3000000000", "1", "Zweites"}}));

    // moved away and back, and a new entry in the wide folder
    Ok({"move", "3000000002", "5"});
    EXPECT_EQ(Rows()[2][1], "5");
    Ok({"move", "3000000002", "3000000001"});
    EXPECT_EQ(Rows()[2][1], "3000000001");
    std::string strNew = Ok({"add", "--parent", "3000000001", "--name", "Neu"});
    ASSERT_FALSE(strNew.empty());
    EXPECT_LT(std::stoll(strNew), 2147483648LL);  // new rows keep to 32 bits
    EXPECT_EQ(RawQuery(m_strDb, "SELECT MasterID, PosNr FROM KnowHow WHERE Name='Neu'"),
              (CRawRows{{"3000000001", "2"}}));

    // re-encryption writes the texts, nothing else
    const std::string strNumbers = "SELECT ID, MasterID, LinkID, PosNr FROM KnowHow ORDER BY ID";
    const CRawRows before = RawQuery(m_strDb, strNumbers);
    ASSERT_EQ(Cli({"protect", "--new", "geheim"}).nExit, 0);
    EXPECT_EQ(RawQuery(m_strDb, strNumbers), before);
    EXPECT_EQ(RawQuery(m_strDb, "SELECT count(*) FROM KnowHow WHERE MasterID=3000000001")[0][0], "2");
    strTree = Ok({"tree", "--json"}, {"--password", "geheim"});
    EXPECT_TRUE(Has(strTree, "\"ID\":3000000002,\"MasterID\":3000000001,")) << strTree;
    EXPECT_TRUE(Has(strTree, "Zweites")) << strTree;
}

TEST_F(CCliWideIdTest, IdArgumentsTakeSixtyFourBits) {
    EXPECT_EQ(Cli({"set", "3000000002", "--name", "Umbenannt"}).nExit, 0);
    EXPECT_EQ(RawQuery(m_strDb, "SELECT Name FROM KnowHow WHERE ID=3000000002"), (CRawRows{{"Umbenannt"}}));
    // beyond what an ID can hold: a wrong call, not another entry
    EXPECT_EQ(Cli({"set", "9223372036854775808", "--name", "x"}).nExit, 2);
    EXPECT_EQ(Cli({"delete", "4294967298", "--yes"}).nExit, 1);  // 2 in 32 bits
    EXPECT_EQ(Rows().size(), 4u);
}
