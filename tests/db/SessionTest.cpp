// The session's statements, counts, values and states.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>

#include "db/CDB.h"
#include "support/TestSupport.h"

namespace {
class CSessionTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strPath = CreateDatabase();
    }
    std::string m_strPath;
};
}  // namespace

TEST_F(CSessionTest, ExecuteWhileClosedFailsAndKeepsTheRecordedError) {
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.Execute("SELECT * FROM Nope;"));
    ASSERT_EQ(db.GetLastErrorCode(), SQLITE_ERROR);
    std::string strText = db.GetLastErrorText();
    std::string strStatement = db.GetLastStatementError();
    EXPECT_EQ(strText, "no such table: Nope");
    EXPECT_EQ(strStatement, "no such table: Nope");
    ASSERT_TRUE(db.Close());

    RecordSql(true);
    int nWaitBegins = m_platform.m_nWaitBegins;
    EXPECT_FALSE(db.Execute("CREATE TABLE T ( a );"));
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_ERROR);
    EXPECT_EQ(db.GetLastErrorText(), strText);
    EXPECT_EQ(db.GetLastStatementError(), strStatement);
    EXPECT_TRUE(m_arrSql.empty());                     // nothing reached the engine
    EXPECT_EQ(m_platform.m_nWaitBegins, nWaitBegins);  // and no busy cursor
}

TEST_F(CSessionTest, FilePathIsHiddenWhileClosedButKeptForReopening) {
    CDB& db = GetDatabase();
    EXPECT_EQ(db.GetFilePath(), m_strPath);
    ASSERT_TRUE(db.Close());
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.GetFilePath(), "");
    EXPECT_FALSE(db.Close());
    // the in-use test still knows the file
    EXPECT_TRUE(db.IsFileFree());
    ASSERT_TRUE(db.Open(m_strPath));
    EXPECT_EQ(db.GetFilePath(), m_strPath);
}

TEST_F(CSessionTest, OpenWhileOpenIsRefusedAndChangesNothing) {
    CDB& db = GetDatabase();
    std::string strOther = m_dir.File("other.tov");
    EXPECT_FALSE(db.Open(strOther));
    EXPECT_EQ(db.GetFilePath(), m_strPath);
    EXPECT_TRUE(db.TableExists("KnowHow"));
    EXPECT_FALSE(m_platform.FileExists(strOther));
}

TEST_F(CSessionTest, OpenDatabaseSwitchesFilesAndAnswersTrueEvenOnFailure) {
    CDB& db = GetDatabase();
    std::string strOther = m_dir.File("other.tov");
    ASSERT_TRUE(OpenDatabase(strOther));
    EXPECT_EQ(db.GetFilePath(), strOther);
    EXPECT_FALSE(db.TableExists("KnowHow"));  // a missing file is created empty
    EXPECT_TRUE(m_platform.FileExists(strOther));

    std::string strBad = m_dir.File("no such folder/x.tov");
    EXPECT_TRUE(OpenDatabase(strBad));
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_CANTOPEN);
    // the handle the engine gave back is kept; the first statement fails
    EXPECT_FALSE(db.Execute("CREATE TABLE T ( a );"));
    EXPECT_FALSE(m_platform.FileExists(strBad));
    EXPECT_TRUE(CloseDatabase());
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(CloseDatabase());  // closing twice is harmless
}

TEST_F(CSessionTest, CountTexts) {
    CDB& db = GetDatabase();
    RecordSql(true);
    EXPECT_EQ(db.Count("Option"), 7);
    EXPECT_EQ(db.Count("Option", "Key='BackupCount'"), 1);
    EXPECT_EQ(db.Count("Option", "Key='Nope'"), 0);
    EXPECT_EQ(db.Count("KnowHow"), 0);
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{
                            "SELECT count(*) FROM Option",
                            "SELECT count(*) FROM Option WHERE Key='BackupCount'",
                            "SELECT count(*) FROM Option WHERE Key='Nope'",
                            "SELECT count(*) FROM KnowHow",
                        }));
}

TEST_F(CSessionTest, CountFailureAnswersMinusOneAndRecordsTheError) {
    CDB& db = GetDatabase();
    EXPECT_EQ(db.Count("Nope"), -1);
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_ERROR);
    EXPECT_EQ(db.GetLastErrorText(), "no such table: Nope");
    EXPECT_EQ(db.GetLastStatementError(), "no such table: Nope");
    EXPECT_EQ(db.Count("Option", "Nope=1"), -1);
    EXPECT_EQ(db.GetLastErrorText(), "no such column: Nope");
    // a condition is SQL text, placed as it is
    EXPECT_EQ(db.Count("Option", "Key LIKE 'Backup%'"), 2);
}

TEST_F(CSessionTest, GetValueCases) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.Execute("CREATE TABLE T ( k, v );"));
    ASSERT_TRUE(db.Execute("INSERT INTO T VALUES ( 1, 'eins' ), ( 2, NULL ), ( 3, 'drei' ), ( 3, 'drei-b' );"));
    RecordSql(true);

    EXPECT_EQ(db.GetValue("T", "v", "k=1"), "eins");
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{"SELECT count(*) FROM T WHERE k=1", "SELECT v FROM T WHERE k=1"}));

    m_arrSql.clear();
    EXPECT_EQ(db.GetValue("T", "v", "k=9"), "");
    EXPECT_EQ(m_arrSql, std::vector<std::string>{"SELECT count(*) FROM T WHERE k=9"});  // the count alone

    EXPECT_EQ(db.GetValue("T", "v", "k=2"), "");      // NULL
    EXPECT_EQ(db.GetValue("T", "v", "k=3"), "drei");  // the first row wins
    EXPECT_EQ(db.GetValue("T", "count(*)"), "4");     // no condition
    EXPECT_EQ(db.GetValue("T", "k || '-' || v", "k=1"), "1-eins");

    // a missing table: the count fails, the read is tried and fails as well
    m_arrSql.clear();
    EXPECT_EQ(db.GetValue("Nope", "v", "k=1"), "");
    EXPECT_EQ(m_arrSql,
              (std::vector<std::string>{"SELECT count(*) FROM Nope WHERE k=1", "SELECT v FROM Nope WHERE k=1"}));
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_ERROR);
    EXPECT_EQ(db.GetLastErrorText(), "no such table: Nope");
}

TEST_F(CSessionTest, TableExistsAsksTheSchema) {
    CDB& db = GetDatabase();
    RecordSql(true);
    EXPECT_TRUE(db.TableExists("KnowHow"));
    EXPECT_TRUE(db.TableExists("Option"));
    EXPECT_FALSE(db.TableExists("Nope"));
    EXPECT_FALSE(db.TableExists("KnowHow_ID"));  // an index is no table
    EXPECT_EQ(m_arrSql[0], "SELECT count(*) FROM sqlite_master WHERE [type]='table' AND [tbl_name]='KnowHow'");
    EXPECT_EQ(m_arrSql.size(), 4u);
}

TEST_F(CSessionTest, TableExistsAnswersFalseWhenTheCountFails) {
    CDB& db = GetDatabase();
    ASSERT_TRUE(db.Close());
    std::string strJunk = m_dir.File("junk.tov");
    WriteFile(strJunk, std::string(4096, 'x'));
    ASSERT_TRUE(db.Open(strJunk));
    EXPECT_EQ(db.Count("sqlite_master"), -1);
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_NOTADB);
    EXPECT_FALSE(db.TableExists("KnowHow"));
}

TEST_F(CSessionTest, BusyCursorSpansEachStatement) {
    CDB& db = GetDatabase();
    int nBegins = m_platform.m_nWaitBegins;
    EXPECT_TRUE(db.Execute("CREATE TABLE T ( a );"));
    EXPECT_FALSE(db.Execute("CREATE TABLE T ( a );"));
    EXPECT_EQ(m_platform.m_nWaitBegins, nBegins + 2);
    EXPECT_EQ(m_platform.m_nWaitDepth, 0);
    EXPECT_EQ(db.GetLastErrorText(), "table T already exists");
}

TEST_F(CSessionTest, ErrorWithoutStatementMessageKeepsTheOldOne) {
    CDB& db = GetDatabase();
    EXPECT_FALSE(db.Execute("SELEC 1;"));
    std::string strStatement = db.GetLastStatementError();
    EXPECT_NE(strStatement, "");
    db.SetError(SQLITE_READONLY, nullptr);
    EXPECT_EQ(db.GetLastErrorCode(), SQLITE_READONLY);
    EXPECT_EQ(db.GetLastStatementError(), strStatement);
    db.SetError(SQLITE_ERROR, "eigene Meldung");
    EXPECT_EQ(db.GetLastStatementError(), "eigene Meldung");
}

TEST_F(CSessionTest, WholeTextRunsInOneExecute) {
    CDB& db = GetDatabase();
    EXPECT_TRUE(db.Execute("CREATE TABLE T ( a ); INSERT INTO T VALUES ( 1 ); INSERT INTO T VALUES ( 2 );"));
    EXPECT_EQ(db.Count("T"), 2);
}
