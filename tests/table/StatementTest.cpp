// The statements the table layer builds from rows and value maps.
#include <gtest/gtest.h>

#include "db/CDB.h"
#include "support/TestSupport.h"
#include "table/CKnowHowTable.h"

namespace {
class CStatementsTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strPath = CreateDatabase();
        m_pTable = std::make_unique<CKnowHowTable>();
        RecordSql(true);
    }
    void TearDown() override {
        m_pTable.reset();
        CCoreTest::TearDown();
    }
    std::string m_strPath;
    std::unique_ptr<CKnowHowTable> m_pTable;
};
}  // namespace

TEST(CLiteralsTest, Texts) {
    EXPECT_EQ(IntLiteral(0), "0");
    EXPECT_EQ(IntLiteral(-17), "-17");
    EXPECT_EQ(IntLiteral(2147483647), "2147483647");
    EXPECT_EQ(FlagLiteral(0), "'0'");
    EXPECT_EQ(FlagLiteral(1), "'1'");
    EXPECT_EQ(FlagLiteral(2), "'1'");
    EXPECT_EQ(FlagLiteral(-1), "'1'");
    EXPECT_EQ(TextLiteral("abc"), "'abc'");
    EXPECT_EQ(EscapeQuotes("O'Neil"), "O''Neil");
    EXPECT_EQ(EscapeQuotes("''"), "''''");
    EXPECT_EQ(EscapeQuotes("a\\b\n\"c\"%_"), "a\\b\n\"c\"%_");  // nothing else is touched
    EXPECT_EQ(ParseInt("42abc"), 42);
    EXPECT_EQ(ParseInt("-7"), -7);
    EXPECT_EQ(ParseInt(" 3"), 3);
    EXPECT_EQ(ParseInt("+5"), 5);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt(""), 0);
}

TEST(CLiteralsTest, BaseRowColumnsAndValues) {
    CTableItem item;
    EXPECT_EQ(item.GetColumnDefinitions(), "ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), ");
    EXPECT_EQ(item.ID, 0);
    EXPECT_EQ(item.IsAktiv, 1);
    item.ID = 9;
    item.IsAktiv = 5;
    CValueMap map{{"Andere", "x"}};
    item.WriteValues(map);
    EXPECT_EQ(map, (CValueMap{{"Andere", "x"}, {"ID", "9"}, {"IsAktiv", "'1'"}}));
    CTableItem back;
    back.ReadValues({{"ID", "12"}, {"IsAktiv", "0"}});
    EXPECT_EQ(back.ID, 12);
    EXPECT_EQ(back.IsAktiv, 0);
    back.ReadValues({});
    EXPECT_EQ(back.ID, 0);
    EXPECT_EQ(back.IsAktiv, 0);
}

TEST_F(CStatementsTest, InsertListsIdFirstAndLetsTheEngineNumber) {
    CValueMap map{{"ID", "99"}, {"MasterID", "5"}, {"PosNr", "3"}};
    EXPECT_EQ(m_pTable->Insert(map), 1);
    EXPECT_EQ(m_arrSql,
              std::vector<std::string>{"INSERT INTO KnowHow ( ID, [MasterID], [PosNr]) VALUES ( NULL, 5, 3 );"});
    EXPECT_EQ(m_pTable->Insert(map), 2);  // the ID of the map is ignored
    EXPECT_EQ(m_pTable->Insert(CValueMap{}), 3);
    EXPECT_EQ(m_arrSql.back(), "INSERT INTO KnowHow ( ID) VALUES ( NULL );");
}

TEST_F(CStatementsTest, WholeEntryInsert) {
    CKnowHowItem item;
    item.MasterID = 3;
    item.PosNr = 2;
    item.IsDir = 2;
    item.Typ = -1;
    item.LinkID = 7;
    item.Name = "O'Neil";
    item.Text = "C:\\Pfad\nzweite Zeile 100%";
    item.Link = "";
    ASSERT_TRUE(m_pTable->InsertItem(item));
    EXPECT_EQ(item.ID, 1);
    // the values are bound with their lengths, so a text holds any byte
    EXPECT_EQ(m_arrSql.back(),
              "INSERT INTO KnowHow ( ID, [IsAktiv], [IsDir], [Link], [LinkID], [MasterID], [Name], [PosNr], [Text], "
              "[Typ], [UpdateNr]) VALUES ( NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? );");
    EXPECT_EQ(RawQuery(GetDatabase().GetFilePath(),
                       "SELECT IsAktiv, typeof(IsDir), IsDir, Link, LinkID, MasterID, Name, PosNr, Text, Typ, UpdateNr "
                       "FROM KnowHow;"),
              (CRawRows{{"1", "text", "1", "", "7", "3", "O'Neil", "2", "C:\\Pfad\nzweite Zeile 100%", "-1", "0"}}));
}

TEST_F(CStatementsTest, UpdateNamesTheRowById) {
    EXPECT_TRUE(m_pTable->Update(CValueMap{{"ID", "17"}, {"PosNr", "3"}}));
    EXPECT_EQ(m_arrSql.back(), "UPDATE KnowHow SET [PosNr]=3 WHERE [ID]=17;");
    EXPECT_TRUE(m_pTable->Update(CValueMap{{"ID", "4"}, {"MasterID", "1"}, {"Name", "'x'"}, {"PosNr", "2"}}));
    EXPECT_EQ(m_arrSql.back(), "UPDATE KnowHow SET [MasterID]=1, [Name]='x', [PosNr]=2 WHERE [ID]=4;");
    // without an ID there is no row to name: the engine refuses the text
    EXPECT_FALSE(m_pTable->Update(CValueMap{{"PosNr", "3"}}));
    EXPECT_EQ(m_arrSql.back(), "UPDATE KnowHow SET [PosNr]=3 WHERE ;");
}

TEST_F(CStatementsTest, SelectTexts) {
    CValueMap map;
    EXPECT_EQ(m_pTable->Select(map), 0);
    EXPECT_EQ(m_pTable->Select(map, "MasterID=0"), 0);
    EXPECT_EQ(m_pTable->Select(map, nullptr, "PosNr"), 0);
    EXPECT_EQ(m_pTable->Select(map, "MasterID=0 AND IsAktiv='1'", "PosNr DESC"), 0);
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{
                            "SELECT * FROM KnowHow;",
                            "SELECT * FROM KnowHow WHERE MasterID=0;",
                            "SELECT * FROM KnowHow ORDER BY PosNr;",
                            "SELECT * FROM KnowHow WHERE MasterID=0 AND IsAktiv='1' ORDER BY PosNr DESC;",
                        }));
}

TEST_F(CStatementsTest, DeleteAndCountTexts) {
    CKnowHowItem item;
    item.ID = 8;
    EXPECT_TRUE(m_pTable->DeleteById(5));
    EXPECT_TRUE(m_pTable->Delete(item));
    EXPECT_TRUE(m_pTable->GetRecordSet().DeleteRows("MasterID=3"));
    EXPECT_TRUE(m_pTable->GetRecordSet().DeleteRows(nullptr));
    EXPECT_EQ(m_pTable->CountRows(), 0);
    EXPECT_EQ(m_pTable->CountRows("IsDir='1'"), 0);
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{
                            "DELETE FROM KnowHow WHERE [ID]=5;",
                            "DELETE FROM KnowHow WHERE [ID]=8;",
                            "DELETE FROM KnowHow WHERE MasterID=3;",
                            "DELETE FROM KnowHow;",
                            "SELECT count(*) FROM KnowHow",
                            "SELECT count(*) FROM KnowHow WHERE IsDir='1'",
                        }));
}

TEST_F(CStatementsTest, UpdateNrIsReadByValue) {
    ASSERT_EQ(m_pTable->Insert(CValueMap{{"UpdateNr", "41"}}), 1);
    m_arrSql.clear();
    EXPECT_EQ(m_pTable->GetUpdateNr(1), 41);
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{"SELECT count(*) FROM KnowHow WHERE ID=1",
                                                  "SELECT UpdateNr FROM KnowHow WHERE ID=1"}));
    EXPECT_EQ(m_pTable->GetUpdateNr(2), 0);  // no such row
    ASSERT_EQ(m_pTable->Insert(CValueMap{{"UpdateNr", "NULL"}}), 2);
    EXPECT_EQ(m_pTable->GetUpdateNr(2), 0);
}

TEST_F(CStatementsTest, FailedInsertAnswersZero) {
    ASSERT_TRUE(GetDatabase().Execute("DROP TABLE KnowHow;"));
    EXPECT_EQ(m_pTable->GetRecordSet().InsertRow(CValueMap{{"PosNr", "1"}}), -1);
    EXPECT_EQ(m_pTable->Insert(CValueMap{{"PosNr", "1"}}), 0);
    CKnowHowItem item;
    item.ID = 5;
    EXPECT_FALSE(m_pTable->InsertItem(item));
    EXPECT_EQ(item.ID, 0);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());  // this layer shows nothing
}

namespace {
// A table without its own Create, for the base behaviour.
class CPlainTable : public CTable {
public:
    explicit CPlainTable(const std::string& strName) { m_bInit = Init(strName); }
    bool m_bInit = false;
};
}  // namespace

TEST_F(CStatementsTest, BaseTableCreatesNothingAndOpensWithTheFixedQuery) {
    CPlainTable table("Fremd");
    EXPECT_TRUE(table.m_bInit);
    EXPECT_FALSE(table.Create());
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{
                            "SELECT count(*) FROM sqlite_master WHERE [type]='table' AND [tbl_name]='Fremd'",
                            "SELECT * FROM KnowHow LIMIT 1",
                        }));
    EXPECT_FALSE(GetDatabase().TableExists("Fremd"));
    EXPECT_EQ(table.GetRecordSet().GetQueryText(), "SELECT * FROM KnowHow LIMIT 1");
}
