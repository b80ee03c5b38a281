// A query result held in memory and its row cursor.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/CDB.h"
#include "support/TestSupport.h"
#include "table/CKnowHowTable.h"

namespace {
class CRecordSetTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        CreateDatabase();
        ASSERT_TRUE(GetDatabase().Execute(
            "CREATE TABLE T ( a, b, c ); INSERT INTO T VALUES ( 1, 'x', NULL ), ( 2, 'y', 'z' ), ( 3, '', 'w' );"));
    }
};
}  // namespace

TEST_F(CRecordSetTest, NothingHeld) {
    CRecordSet rs(GetDatabase());
    EXPECT_EQ(rs.GetRowCount(), -1);
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_FALSE(rs.FreeResult());
    EXPECT_EQ(rs.GetFieldValue("a"), "");
    CValueMap map{{"alt", "1"}};
    rs.GetRow(map);
    EXPECT_TRUE(map.empty());
}

TEST_F(CRecordSetTest, CursorWalksAndStopsBehindTheLastRow) {
    CRecordSet rs(GetDatabase());
    ASSERT_TRUE(rs.Query("SELECT a, b, c FROM T ORDER BY a"));
    EXPECT_EQ(rs.GetRowCount(), 3);
    EXPECT_EQ(rs.GetColumnNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_EQ(rs.GetFieldValue("a"), "1");
    EXPECT_EQ(rs.GetFieldValue("c"), "");  // NULL
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.GetFieldValue("b"), "y");
    EXPECT_EQ(rs.GetFieldValue("c"), "z");
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.GetFieldValue("a"), "3");
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_TRUE(rs.IsEOF());
    // behind the last row there is no value to read
    EXPECT_EQ(rs.GetFieldValue("a"), "");
    EXPECT_TRUE(rs.FreeResult());
    EXPECT_FALSE(rs.FreeResult());
    EXPECT_EQ(rs.GetRowCount(), -1);
    EXPECT_FALSE(rs.IsEOF());
}

TEST_F(CRecordSetTest, FieldLookupByName) {
    CRecordSet rs(GetDatabase());
    ASSERT_TRUE(rs.Query("SELECT c, a, b, a AS c FROM T WHERE a=2"));
    EXPECT_EQ(rs.GetFieldValue("a"), "2");
    EXPECT_EQ(rs.GetFieldValue("c"), "z");  // the first column of that name
    EXPECT_EQ(rs.GetFieldValue("A"), "");   // exact comparison
    EXPECT_EQ(rs.GetFieldValue("fehlt"), "");
    CValueMap map{{"alt", "1"}};
    rs.GetRow(map);
    EXPECT_EQ(map.count("alt"), 0u);
    EXPECT_EQ(map.at("a"), "2");
    EXPECT_EQ(map.at("b"), "y");
}

TEST_F(CRecordSetTest, EmptyResultIsAtItsEnd) {
    CRecordSet rs(GetDatabase());
    ASSERT_TRUE(rs.Query("SELECT * FROM T WHERE a > 10"));
    EXPECT_EQ(rs.GetRowCount(), 0);
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_EQ(rs.GetFieldValue("a"), "");
}

TEST_F(CRecordSetTest, FailedQueryHoldsNothingAndRecordsTheError) {
    CRecordSet rs(GetDatabase());
    ASSERT_TRUE(rs.Query("SELECT * FROM T"));
    GetDatabase().SetError(SQLITE_OK, "vorher");
    EXPECT_FALSE(rs.Query("SELECT * FROM Fehlt"));
    EXPECT_EQ(rs.GetRowCount(), -1);
    EXPECT_EQ(rs.GetLastErrorCode(), SQLITE_ERROR);
    EXPECT_EQ(rs.GetLastErrorText(), "no such table: Fehlt");
    EXPECT_EQ(rs.GetLastStatementError(), "no such table: Fehlt");
    EXPECT_EQ(rs.GetQueryText(), "SELECT * FROM T");  // the last successful one
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_EQ(rs.GetFieldValue("a"), "");
    // the session's own record stays as it was
    EXPECT_EQ(GetDatabase().GetLastErrorCode(), 0);
    EXPECT_EQ(GetDatabase().GetLastStatementError(), "vorher");
}

TEST_F(CRecordSetTest, SelectAndNextFillTheMap) {
    CKnowHowTable table;
    ASSERT_TRUE(GetDatabase().Execute("INSERT INTO KnowHow ( ID, PosNr ) VALUES ( 1, 1 ), ( 2, 2 ), ( 3, 3 );"));
    CValueMap map{{"alt", "bleibt"}};
    EXPECT_EQ(table.Select(map, "PosNr > 5"), 0);
    EXPECT_EQ(map, (CValueMap{{"alt", "bleibt"}}));  // no row: untouched
    EXPECT_FALSE(table.Next(map));
    EXPECT_EQ(map, (CValueMap{{"alt", "bleibt"}}));

    EXPECT_EQ(table.Select(map, nullptr, "PosNr DESC"), 3);
    EXPECT_EQ(map.at("ID"), "3");
    EXPECT_EQ(map.count("alt"), 0u);
    EXPECT_EQ(map.at("Name"), "");  // NULL reads as empty
    ASSERT_TRUE(table.Next(map));
    EXPECT_EQ(map.at("ID"), "2");
    ASSERT_TRUE(table.Next(map));
    EXPECT_EQ(map.at("ID"), "1");
    EXPECT_FALSE(table.Next(map));
    EXPECT_EQ(map.at("ID"), "1");  // left as it was

    EXPECT_EQ(table.Select(map, "Fehlt=1"), -1);
    EXPECT_FALSE(table.Next(map));
    EXPECT_EQ(map.at("ID"), "1");
}

TEST_F(CRecordSetTest, QueryWhileAnotherProcessLocksWaitsThenFails) {
    std::string strPath = GetDatabase().GetFilePath();
    CKnowHowTable table;
    CChildProcess child({CliPath(), "hold", strPath, "--seconds", "60", "--transaction", "exclusive"});
    ASSERT_TRUE(child.WaitForOutput("bereit"));
    m_platform.SetSleepHook([](int) {});
    CKnowHowArray arr;
    EXPECT_EQ(table.SelectItems(arr), -1);
    EXPECT_TRUE(arr.empty());
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    // the session knows too, so that the caller can say why
    EXPECT_EQ(GetDatabase().GetLastErrorCode(), SQLITE_BUSY);
    child.Kill();
    EXPECT_EQ(table.SelectItems(arr), 0);
}
