// The KnowHow table: its opening query, and reading rows straight from the
// result cells the same way as through a value map per row.
#include <sqlite3.h>

#include <memory>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"
#include "table/CFieldCodec.h"
#include "table/CKnowHowTable.h"

namespace {

class CTableTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        OpenDatabase(m_dir.File("wissen.tov"));
    }
    static bool Exec(const std::string& strSql) { return GetDatabase().Execute(strSql); }

    // What SelectItems answered before it read the cells directly: Select,
    // then ReadValues of each row's map.
    static CKnowHowArray ReadThroughMaps(CKnowHowTable& table, const char* pszCondition, const char* pszOrder) {
        CKnowHowArray arr;
        CValueMap map;
        if (table.Select(map, pszCondition, pszOrder) <= 0) return arr;
        do {
            CKnowHowItem item;
            item.ReadValues(map);
            arr.push_back(item);
        } while (table.Next(map));
        return arr;
    }
    static void ExpectSame(const CKnowHowArray& a, const CKnowHowArray& b) {
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i));
            EXPECT_EQ(a[i].ID, b[i].ID);
            EXPECT_EQ(a[i].IsAktiv, b[i].IsAktiv);
            EXPECT_EQ(a[i].MasterID, b[i].MasterID);
            EXPECT_EQ(a[i].Typ, b[i].Typ);
            EXPECT_EQ(a[i].LinkID, b[i].LinkID);
            EXPECT_EQ(a[i].PosNr, b[i].PosNr);
            EXPECT_EQ(a[i].IsDir, b[i].IsDir);
            EXPECT_EQ(a[i].UpdateNr, b[i].UpdateNr);
            EXPECT_EQ(a[i].Name, b[i].Name);
            EXPECT_EQ(a[i].Text, b[i].Text);
            EXPECT_EQ(a[i].Link, b[i].Link);
            EXPECT_FALSE(a[i].Modified);
        }
    }
};

TEST_F(CTableTest, OpeningReadsAtMostOneRowAndKeepsAResult) {
    { CKnowHowTable created; }
    for (int i = 0; i < 50; ++i)
        Exec("INSERT INTO KnowHow (IsAktiv, MasterID, PosNr, Name) VALUES ('1', 0, " + std::to_string(i + 1) + ", 'n" +
             std::to_string(i) + "');");
    m_arrSql.clear();
    RecordSql(true);
    CKnowHowTable table;
    RecordSql(false);
    ASSERT_EQ(m_arrSql.size(), 2u);  // the existence test, the opening query
    CRecordSet& rs = table.GetRecordSet();
    EXPECT_EQ(rs.GetRowCount(), 1);
    EXPECT_EQ(rs.GetColumnCount(), 11);
    EXPECT_EQ(rs.GetColumnNames().front(), "ID");
    EXPECT_EQ(rs.GetFieldValue("Name"), "n0");
}

TEST_F(CTableTest, SelectItemsReadsWhatTheRowMapsHold) {
    CKnowHowTable table;
    Exec(
        "INSERT INTO KnowHow (IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr) VALUES "
        "('1', 7, 3, 1, 2, '1', 'O''Neil', 'zwei\r\nZeilen \\ ', '/pfad/" +
        Ansi("Größe") + ".pdf', 5);");
    // NULLs, an inactive row, a flag of 2, numbers with junk after them, negatives
    Exec(
        "INSERT INTO KnowHow (IsAktiv, MasterID, PosNr, IsDir, Name, Text, Link, UpdateNr) VALUES "
        "('0', -4, '12abc', '2', NULL, '', NULL, NULL);");
    Exec("INSERT INTO KnowHow (IsAktiv, MasterID, PosNr, IsDir, Name, Text) VALUES ('x', 7, ' 3', 'y', 'a', 'b');");
    for (const char* pszCondition : {static_cast<const char*>(nullptr), "MasterID=7", "ID=99"}) {
        SCOPED_TRACE(pszCondition ? pszCondition : "all");
        CKnowHowArray arr;
        CKnowHowItem first;
        first.Name = "schon da";
        arr.push_back(first);
        int n = table.SelectItems(arr, pszCondition, "[PosNr]");
        CKnowHowArray arrExpected{first};
        for (auto& item : ReadThroughMaps(table, pszCondition, "[PosNr]")) arrExpected.push_back(item);
        EXPECT_EQ(n, static_cast<int>(arrExpected.size()) - 1);
        ExpectSame(arr, arrExpected);
    }
    CKnowHowArray arr;
    EXPECT_EQ(table.SelectItems(arr, "nicht da=1"), -1);
    EXPECT_TRUE(arr.empty());
}

TEST_F(CTableTest, SelectItemsFindsColumnsByNameInAnOldFile) {
    // schema 1.000 had no Link; the upgrade appends it after UpdateNr
    Exec(
        "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, "
        "Typ INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), UpdateNr INTEGER "
        "DEFAULT '0' NULL );");
    Exec(
        "INSERT INTO KnowHow (IsAktiv, MasterID, PosNr, IsDir, Name, Text, UpdateNr) VALUES ('1', 0, 1, '0', 'alt', "
        "'t', 4);");
    CKnowHowTable table;
    CKnowHowArray arr;
    ASSERT_EQ(table.SelectItems(arr), 1);
    EXPECT_EQ(arr[0].Name, "alt");
    EXPECT_EQ(arr[0].Link, "");
    EXPECT_EQ(arr[0].UpdateNr, 4);
    Exec("ALTER TABLE KnowHow ADD COLUMN Link VARCHAR(1);");
    Exec("UPDATE KnowHow SET Link='l';");
    arr.clear();
    ASSERT_EQ(table.SelectItems(arr), 1);
    EXPECT_EQ(arr[0].Link, "l");
    EXPECT_EQ(arr[0].Text, "t");
    ExpectSame(arr, ReadThroughMaps(table, nullptr, nullptr));
}

// Marks what went through it, so the test sees that every text column is decoded.
class CMarkCodec : public IFieldCodec {
public:
    std::string EncryptField(const std::string& str) override { return "<" + str + ">"; }
    std::string DecryptField(const std::string& str) override { return "[" + str + "]"; }
};

TEST_F(CTableTest, SelectItemsDecodesTheThreeTexts) {
    CKnowHowTable table;
    Exec(
        "INSERT INTO KnowHow (IsAktiv, MasterID, PosNr, IsDir, Name, Text, Link) VALUES ('1', 0, 1, '0', 'n', '', "
        "NULL);");
    CMarkCodec codec;
    SetFieldCodec(&codec);
    CKnowHowArray arr;
    table.SelectItems(arr);
    CKnowHowArray arrMaps = ReadThroughMaps(table, nullptr, nullptr);
    SetFieldCodec(nullptr);
    ASSERT_EQ(arr.size(), 1u);
    EXPECT_EQ(arr[0].Name, "[n]");
    EXPECT_EQ(arr[0].Text, "[]");
    EXPECT_EQ(arr[0].Link, "[]");
    ExpectSame(arr, arrMaps);
}

}  // namespace
