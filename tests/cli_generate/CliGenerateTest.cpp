// "orvantis-cli generate": the knowledge base the measurements run on must
// have the shape they assume, be sound for the program, and come out the
// same for the same seed, protected or not.
#include <sys/stat.h>

#include <filesystem>

#include "platform/Cp1252.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

int Number(const std::string& strPath, const std::string& strSql) {
    CRawRows rows = RawQuery(strPath, strSql);
    return rows.empty() || rows[0].empty() ? -1 : std::stoi(rows[0][0]);
}

class CCliGenerateTest : public ::testing::Test {
protected:
    std::string Generate(const std::string& strName, std::vector<std::string> arrExtra = {}) {
        std::string strPath = m_dir.File(strName);
        std::vector<std::string> arr{"generate", strPath};
        arr.insert(arr.end(), arrExtra.begin(), arrExtra.end());
        SProcessResult r = RunCli(arr);
        EXPECT_EQ(r.nExit, 0) << r.strErr;
        return strPath;
    }
    CTempDir m_dir;
};

TEST_F(CCliGenerateTest, ShapeTheMeasurementsRelyOn) {
    std::string strDb = Generate("gross.tov", {"--entries", "2000", "--seed", "7"});
    EXPECT_EQ(Number(strDb, "SELECT count(*) FROM KnowHow"), 2000);
    EXPECT_EQ(Number(strDb, "SELECT count(*) FROM KnowHow WHERE IsDir='1'"), 100);
    // folder 1 holds a tenth of the rows (at most 1,000), no sub-folders
    EXPECT_EQ(RawQuery(strDb, "SELECT Name, MasterID, IsDir FROM KnowHow WHERE ID=1"),
              (CRawRows{{Ansi("Großer Ordner"), "0", "1"}}));
    EXPECT_EQ(Number(strDb, "SELECT count(*) FROM KnowHow WHERE MasterID=1 AND IsDir='0'"), 200);
    EXPECT_EQ(Number(strDb, "SELECT count(*) FROM KnowHow WHERE MasterID=1 AND IsDir='1'"), 0);

    // sound for the program: every parent a folder, positions 1..n, active rows
    EXPECT_EQ(Number(strDb,
                     "SELECT count(*) FROM KnowHow k WHERE MasterID<>0 AND NOT EXISTS "
                     "(SELECT 1 FROM KnowHow f WHERE f.ID=k.MasterID AND f.IsDir='1')"),
              0);
    EXPECT_EQ(Number(strDb,
                     "SELECT count(*) FROM (SELECT MasterID, count(*) n, min(PosNr) lo, max(PosNr) hi, "
                     "count(DISTINCT PosNr) d FROM KnowHow GROUP BY MasterID) WHERE lo<>1 OR hi<>n OR d<>n"),
              0);
    EXPECT_EQ(Number(strDb, "SELECT count(*) FROM KnowHow WHERE IsAktiv<>'1' OR UpdateNr<>0"), 0);
    EXPECT_EQ(Number(strDb,
                     "WITH RECURSIVE d(id, depth) AS (SELECT ID, 1 FROM KnowHow WHERE MasterID=0 UNION ALL "
                     "SELECT k.ID, d.depth + 1 FROM KnowHow k JOIN d ON k.MasterID=d.id AND k.IsDir='1') "
                     "SELECT max(depth) BETWEEN 3 AND 6 FROM d"),
              1);

    // texts 50 to 4,000 bytes, keywords 5 to 40, with what German texts hold
    EXPECT_EQ(RawQuery(strDb,
                       "SELECT min(length(CAST(Text AS BLOB))) >= 50, max(length(CAST(Text AS BLOB))) <= 4000, "
                       "min(length(CAST(Name AS BLOB))) >= 5, max(length(CAST(Name AS BLOB))) <= 40 "
                       "FROM KnowHow WHERE IsDir='0'"),
              (CRawRows{{"1", "1", "1", "1"}}));
    for (const char* pszPart : {"X'FC'", "X'E4'", "X'DF'", "''''", "X'0D0A'", "'M' || X'FC' || 'ller'"})
        EXPECT_GT(Number(strDb, std::string("SELECT count(*) FROM KnowHow WHERE instr(Text, ") + pszPart + ") > 0"), 20)
            << pszPart;
}

TEST_F(CCliGenerateTest, SameSeedSameContentAlsoProtected) {
    std::string strA = Generate("a.tov", {"--entries", "1000", "--seed", "3"});
    std::string strB = Generate("b.tov", {"--entries", "1000", "--seed", "3"});
    std::string strOther = Generate("c.tov", {"--entries", "1000", "--seed", "4"});
    std::string strProtected = Generate("p.tov", {"--entries", "1000", "--seed", "3", "--password", "geheim"});
    const std::string strRows = "SELECT ID, MasterID, PosNr, IsDir, Name, Text, Link, Typ FROM KnowHow ORDER BY ID";
    EXPECT_EQ(RawQuery(strA, strRows), RawQuery(strB, strRows));
    EXPECT_NE(RawQuery(strA, strRows), RawQuery(strOther, strRows));
    // stored encrypted, the same when read with the password
    EXPECT_EQ(Number(strProtected, "SELECT count(*) FROM KnowHow WHERE Name=(SELECT Name FROM KnowHow WHERE ID=1)"), 1);
    EXPECT_NE(RawQuery(strProtected, "SELECT Name FROM KnowHow WHERE ID=1"), (CRawRows{{Ansi("Großer Ordner")}}));
    for (const char* pszWord : {"", "Müller", "Zwetschgenröster"}) {
        SProcessResult plain = RunCli({"search", strA, pszWord});
        SProcessResult prot = RunCli({"search", strProtected, pszWord, "--password", "geheim"});
        EXPECT_EQ(plain.nExit, 0);
        EXPECT_EQ(prot.nExit, 0) << prot.strErr;
        EXPECT_EQ(plain.strOut, prot.strOut) << pszWord;
    }
}

TEST_F(CCliGenerateTest, NeverWritesOverAnExistingFile) {
    std::string strPath = m_dir.File("wissen.tov");
    WriteFile(strPath, "meine Daten");
    SProcessResult r = RunCli({"generate", strPath, "--entries", "100"});
    EXPECT_NE(r.nExit, 0);
    EXPECT_EQ(ReadFile(strPath), "meine Daten");
    EXPECT_NE(RunCli({"generate", m_dir.File("x.tov"), "--entries", "5"}).nExit, 0);
}

TEST_F(CCliGenerateTest, RefusesNumbersThatAreNotWholeOrOutOfRange) {
    const std::pair<const char*, const char*> kCases[] = {
        {"--entries", "12abc"},
        {"--entries", "100abc"},
        {"--entries", ""},
        {"--entries", "19"},
        {"--entries", "10000001"},
        {"--entries", "-100"},
        {"--entries", " 100"},
        {"--seed", "7x"},
        {"--seed", "-1"},
        {"--seed", ""},
        {"--seed", "18446744073709551616"},
    };
    for (auto [pszOption, pszValue] : kCases) {
        const std::string strPath = m_dir.File("x.tov");
        SProcessResult r = RunCli({"generate", strPath, pszOption, pszValue});
        EXPECT_EQ(r.nExit, 2) << pszOption << " " << pszValue;
        EXPECT_NE(r.strErr.find(std::string("orvantis-cli: ") + pszOption + " erwartet eine ganze Zahl"),
                  std::string::npos)
            << r.strErr;
        EXPECT_FALSE(fs::exists(strPath)) << pszOption << " " << pszValue;
    }
}

}  // namespace
