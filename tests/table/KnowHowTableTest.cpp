// The KnowHow table: its stored form, entries to rows and back, the update
// counter that keeps two users from overwriting each other.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"
#include "table/CFieldCodec.h"
#include "table/CKnowHowTable.h"

namespace {
const char* const kCreate =
    "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, Typ "
    "INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), Link VARCHAR(1), UpdateNr INTEGER "
    "DEFAULT '0' NULL );";
const char* const kIndexId = "CREATE UNIQUE INDEX [KnowHow_ID] ON [KnowHow] ( [ID] ASC );";
const char* const kIndexMaster = "CREATE INDEX [KnowHow_MasterID] ON [KnowHow] ( [MasterID] ASC );";

std::string WithoutSemicolon(const char* psz) {
    std::string str = psz;
    return str.substr(0, str.size() - 1);
}

CKnowHowItem Entry(std::int32_t nMaster, std::int32_t nPos, const std::string& strName,
                   const std::string& strText = "") {
    CKnowHowItem item;
    item.MasterID = nMaster;
    item.PosNr = nPos;
    item.Name = strName;
    item.Text = strText;
    return item;
}

class CKnowHowTableTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strPath = m_dir.File("wissen.tov");
        OpenDatabase(m_strPath);
        GetDatabase().InitNewDatabase();
    }
    CKnowHowItem ReadBack(CKnowHowTable& table, std::int32_t nId) {
        CKnowHowArray arr;
        std::string strCondition = "ID=" + std::to_string(nId);
        EXPECT_EQ(table.SelectItems(arr, strCondition.c_str()), 1);
        return arr.empty() ? CKnowHowItem() : arr[0];
    }
    std::string RawValue(const std::string& strSql) {
        auto rows = RawQuery(m_strPath, strSql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "<none>";
    }
    std::string m_strPath;
};
}  // namespace

TEST_F(CKnowHowTableTest, MissingTableIsCreatedExactlyBeforeAnythingElse) {
    RecordSql(true);
    CKnowHowTable table;
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{
                            "SELECT count(*) FROM sqlite_master WHERE [type]='table' AND [tbl_name]='KnowHow'",
                            kCreate,
                            kIndexId,
                            kIndexMaster,
                            "SELECT * FROM KnowHow LIMIT 1",
                        }));
    EXPECT_EQ(CKnowHowItem().GetColumnDefinitions(),
              "ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, Typ INTEGER, PosNr "
              "INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), Link VARCHAR(1), UpdateNr INTEGER "
              "DEFAULT '0' NULL ");
    // what the file keeps
    auto schema =
        RawQuery(m_strPath, "SELECT type, name, sql FROM sqlite_master WHERE tbl_name='KnowHow' ORDER BY rowid");
    EXPECT_EQ(schema, (CRawRows{
                          {"table", "KnowHow", WithoutSemicolon(kCreate)},
                          {"index", "KnowHow_ID", WithoutSemicolon(kIndexId)},
                          {"index", "KnowHow_MasterID", WithoutSemicolon(kIndexMaster)},
                      }));
    EXPECT_EQ(table.GetRecordSet().GetRowCount(), 0);  // the opening query's result
}

TEST_F(CKnowHowTableTest, ExistingTableIsOnlyRead) {
    { CKnowHowTable first; }
    RecordSql(true);
    CKnowHowTable table;
    EXPECT_FALSE(table.Create());  // all three statements run and fail
    EXPECT_EQ(m_arrSql, (std::vector<std::string>{
                            "SELECT count(*) FROM sqlite_master WHERE [type]='table' AND [tbl_name]='KnowHow'",
                            "SELECT * FROM KnowHow LIMIT 1",
                            kCreate,
                            kIndexId,
                            kIndexMaster,
                        }));
}

TEST_F(CKnowHowTableTest, CreateFailsWhenAnIndexCannotBeMade) {
    ASSERT_TRUE(GetDatabase().Execute("CREATE TABLE Dummy ( x ); CREATE INDEX [KnowHow_MasterID] ON Dummy ( x );"));
    CKnowHowTable table;  // the construction goes on regardless
    EXPECT_TRUE(GetDatabase().TableExists("KnowHow"));
    ASSERT_TRUE(GetDatabase().Execute("DROP TABLE KnowHow;"));
    EXPECT_FALSE(table.Create());
    EXPECT_TRUE(GetDatabase().TableExists("KnowHow"));
}

TEST_F(CKnowHowTableTest, TextsRoundTripUnchanged) {
    CKnowHowTable table;
    const std::string kTexts[] = {
        "O'Neil",
        "''",
        "C:\\Programme\\Orvantis\\",
        "100% _sicher_ %%",
        "Zeile 1\nZeile 2\r\nZeile 3\n",
        Ansi("Grüße aus Köln – „Maß“ kostet 5 € • ok"),
        "\"doppelt\" \t Tab",
        "'); DROP TABLE KnowHow; --",
        "",
    };
    for (const auto& str : kTexts) {
        CKnowHowItem item = Entry(0, 1, str, str + "|text");
        item.Link = str + "|link";
        ASSERT_TRUE(table.InsertItem(item)) << str;
        CKnowHowItem back = ReadBack(table, item.ID);
        EXPECT_EQ(back.Name, str);
        EXPECT_EQ(back.Text, str + "|text");
        EXPECT_EQ(back.Link, str + "|link");
        // the file holds the very bytes, Windows-1252 included
        EXPECT_EQ(RawValue("SELECT Name FROM KnowHow WHERE ID=" + std::to_string(item.ID)), str);
    }
    EXPECT_TRUE(GetDatabase().TableExists("KnowHow"));
    EXPECT_EQ(table.CountRows(), static_cast<int>(std::size(kTexts)));
}

TEST_F(CKnowHowTableTest, FlagsAndNumbers) {
    CKnowHowTable table;
    CKnowHowItem item = Entry(4, 2, "Ordner");
    item.IsDir = 2;
    item.Typ = 3;
    item.LinkID = -9;
    ASSERT_TRUE(table.InsertItem(item));
    EXPECT_EQ(RawValue("SELECT IsDir || '|' || typeof(IsDir) || '|' || IsAktiv FROM KnowHow"), "1|text|1");
    CKnowHowItem back = ReadBack(table, item.ID);
    EXPECT_EQ(back.IsDir, 1);
    EXPECT_EQ(back.IsAktiv, 1);
    EXPECT_EQ(back.MasterID, 4);
    EXPECT_EQ(back.PosNr, 2);
    EXPECT_EQ(back.Typ, 3);
    EXPECT_EQ(back.LinkID, -9);
    EXPECT_EQ(back.UpdateNr, 0);
    EXPECT_FALSE(back.Modified);

    ASSERT_EQ(RawExec(m_strPath, "UPDATE KnowHow SET IsAktiv='0', PosNr='7x', Typ=NULL, MasterID='abc'"), 0);
    back = ReadBack(table, item.ID);
    EXPECT_EQ(back.IsAktiv, 0);
    EXPECT_EQ(back.PosNr, 7);
    EXPECT_EQ(back.Typ, 0);
    EXPECT_EQ(back.MasterID, 0);
}

TEST_F(CKnowHowTableTest, ReadingLeavesTransientFieldsAlone) {
    CKnowHowTable table;
    CKnowHowItem item = Entry(0, 1, "a");
    ASSERT_TRUE(table.InsertItem(item));
    CValueMap map;
    ASSERT_EQ(table.Select(map), 1);
    CKnowHowItem target;
    target.DisplayHeight = 33;
    target.Modified = true;
    target.ReadValues(map);
    EXPECT_EQ(target.DisplayHeight, 33);
    EXPECT_TRUE(target.Modified);
    EXPECT_EQ(target.Name, "a");
}

TEST_F(CKnowHowTableTest, SelectItemsAppends) {
    CKnowHowTable table;
    for (int i = 1; i <= 4; ++i) {
        CKnowHowItem item = Entry(i <= 3 ? 7 : 8, i, "E" + std::to_string(i));
        ASSERT_TRUE(table.InsertItem(item));
    }
    CKnowHowArray arr{Entry(0, 0, "vorher 1"), Entry(0, 0, "vorher 2")};
    EXPECT_EQ(table.SelectItems(arr, "MasterID=7", "PosNr DESC"), 3);
    ASSERT_EQ(arr.size(), 5u);
    EXPECT_EQ(arr[0].Name, "vorher 1");
    EXPECT_EQ(arr[1].Name, "vorher 2");
    EXPECT_EQ(arr[2].Name, "E3");
    EXPECT_EQ(arr[4].Name, "E1");
    EXPECT_EQ(table.SelectItems(arr, "MasterID=99"), 0);
    EXPECT_EQ(table.SelectItems(arr, "Fehlt=1"), -1);
    EXPECT_EQ(arr.size(), 5u);
}

TEST_F(CKnowHowTableTest, OldLayoutWithLinkLastIsReadByName) {
    // a file of the first schema, later given the Link column at the end
    ASSERT_TRUE(GetDatabase().Execute(
        "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, Typ "
        "INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), UpdateNr INTEGER DEFAULT '0' "
        "NULL );"));
    ASSERT_TRUE(
        GetDatabase().Execute("INSERT INTO KnowHow VALUES ( 1, '1', 0, 0, 0, 1, '0', 'alt', 'Text', 4 );"
                              "ALTER TABLE KnowHow ADD COLUMN Link VARCHAR(1);"
                              "UPDATE KnowHow SET Link='/home/anna/plan.pdf';"));
    CKnowHowTable table;
    EXPECT_EQ(table.GetRecordSet().GetColumnNames().back(), "Link");
    CKnowHowItem item = ReadBack(table, 1);
    EXPECT_EQ(item.Name, "alt");
    EXPECT_EQ(item.Text, "Text");
    EXPECT_EQ(item.Link, "/home/anna/plan.pdf");
    EXPECT_EQ(item.UpdateNr, 4);
    EXPECT_EQ(item.PosNr, 1);
    item.Text = "neu";
    EXPECT_EQ(table.UpdateItem(item), EWriteResult::Saved);
    EXPECT_EQ(ReadBack(table, 1).Text, "neu");
    EXPECT_EQ(ReadBack(table, 1).UpdateNr, 5);
}

TEST_F(CKnowHowTableTest, FileWithoutLinkColumnReadsItEmpty) {
    ASSERT_TRUE(GetDatabase().Execute(
        "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, Typ "
        "INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), UpdateNr INTEGER DEFAULT '0' "
        "NULL ); INSERT INTO KnowHow VALUES ( 1, '1', 0, 0, 0, 1, '0', 'alt', 'Text', 0 );"));
    CKnowHowTable table;
    CKnowHowItem item = ReadBack(table, 1);
    EXPECT_EQ(item.Name, "alt");
    EXPECT_EQ(item.Link, "");
}

TEST_F(CKnowHowTableTest, StaleEntryIsRefusedAsAConflictAndShowsNothing) {
    CKnowHowTable table;
    CKnowHowItem item = Entry(0, 1, "Stichwort", "Text");
    ASSERT_TRUE(table.InsertItem(item));
    CKnowHowItem mine = ReadBack(table, item.ID);
    CKnowHowItem theirs = mine;

    theirs.Text = "ihre Fassung";
    ASSERT_EQ(table.UpdateItem(theirs), EWriteResult::Saved);
    EXPECT_EQ(theirs.UpdateNr, 1);
    EXPECT_EQ(RawValue("SELECT UpdateNr FROM KnowHow"), "1");

    RecordSql(true);
    mine.Text = "meine Fassung";
    CKnowHowItem stored;
    EXPECT_EQ(table.UpdateItem(mine, &stored), EWriteResult::Conflict);
    // the caller talks, after its transaction has ended
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(stored.Text, "ihre Fassung");
    EXPECT_EQ(mine.Text, "meine Fassung");
    EXPECT_EQ(mine.UpdateNr, 0);
    for (const auto& s : m_arrSql) EXPECT_EQ(s.rfind("UPDATE", 0), std::string::npos) << s;
    EXPECT_EQ(ReadBack(table, item.ID).Text, "ihre Fassung");
    EXPECT_EQ(StaleRowMessage(),
              "Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer ge\xE4ndert "
              "wurden!");
}

TEST_F(CKnowHowTableTest, SecondProgramChangingTheRowMakesTheLaterWriteFail) {
    const char* const kSqlite = "/usr/bin/sqlite3";
    if (!std::filesystem::exists(kSqlite)) GTEST_SKIP() << "the sqlite3 program is not installed";
    CKnowHowTable table;
    CKnowHowItem item = Entry(0, 1, "Stichwort");
    ASSERT_TRUE(table.InsertItem(item));
    CKnowHowItem mine = ReadBack(table, item.ID);
    // another user's program writes the row the same way: counter raised by one
    auto result =
        RunProcess({kSqlite, m_strPath,
                    "UPDATE KnowHow SET Name='anders', UpdateNr=UpdateNr+1 WHERE ID=" + std::to_string(item.ID) + ";"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    mine.Name = "meins";
    EXPECT_EQ(table.UpdateItem(mine), EWriteResult::Conflict);
    EXPECT_EQ(ReadBack(table, item.ID).Name, "anders");
    // read again, the entry can be written
    mine = ReadBack(table, item.ID);
    mine.Name = "meins";
    EXPECT_EQ(table.UpdateItem(mine), EWriteResult::Saved);
    EXPECT_EQ(ReadBack(table, item.ID).Name, "meins");
    EXPECT_EQ(ReadBack(table, item.ID).UpdateNr, 2);
}

TEST_F(CKnowHowTableTest, AFailedOrBlockedWriteLeavesTheObjectAsItWasSoThatTheNextTryGoesThrough) {
    CKnowHowTable table;
    CKnowHowItem item = Entry(0, 1, "Stichwort");
    ASSERT_TRUE(table.InsertItem(item));
    CKnowHowItem mine = ReadBack(table, item.ID);
    ASSERT_TRUE(GetDatabase().Execute(
        "CREATE TRIGGER Sperre BEFORE UPDATE ON KnowHow BEGIN SELECT RAISE(ABORT, 'gesperrt'); END;"));
    mine.Name = "neu";
    EXPECT_EQ(table.UpdateItem(mine), EWriteResult::Failed);
    EXPECT_EQ(mine.UpdateNr, 0);
    EXPECT_EQ(mine.Name, "neu");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(GetDatabase().GetLastStatementError(), "gesperrt");
    ASSERT_TRUE(GetDatabase().Execute("DROP TRIGGER Sperre;"));

    // another program holds its write lock: the check reads, the write waits and gives up
    CChildProcess child({CliPath(), "hold", m_strPath, "--seconds", "60", "--transaction", "write"});
    ASSERT_TRUE(child.WaitForOutput("bereit"));
    m_platform.SetSleepHook([](int) {});
    EXPECT_EQ(table.UpdateItem(mine), EWriteResult::Locked);
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    EXPECT_EQ(mine.UpdateNr, 0);
    child.Kill();

    EXPECT_EQ(table.UpdateItem(mine), EWriteResult::Saved);
    EXPECT_EQ(mine.UpdateNr, 1);
    EXPECT_EQ(ReadBack(table, item.ID).Name, "neu");
    EXPECT_EQ(ReadBack(table, item.ID).UpdateNr, 1);
}

TEST_F(CKnowHowTableTest, NewObjectSkipsTheCheck) {
    CKnowHowTable table;
    RecordSql(true);
    CKnowHowItem item = Entry(0, 1, "ohne ID");
    EXPECT_EQ(table.UpdateItem(item), EWriteResult::Saved);  // names row 0, which does not exist
    EXPECT_EQ(item.UpdateNr, 0);
    ASSERT_EQ(m_arrSql.size(), 1u);
    EXPECT_EQ(m_arrSql[0].rfind("UPDATE KnowHow SET ", 0), 0u);
    EXPECT_NE(m_arrSql[0].find(" WHERE [ID]=0;"), std::string::npos);
    EXPECT_EQ(table.CountRows(), 0);
}

TEST_F(CKnowHowTableTest, UpdateWritesEveryField) {
    CKnowHowTable table;
    CKnowHowItem item = Entry(1, 1, "a", "b");
    ASSERT_TRUE(table.InsertItem(item));
    item.MasterID = 2;
    item.PosNr = 5;
    item.IsDir = 1;
    item.Typ = 4;
    item.LinkID = 6;
    item.Name = "x'y";
    item.Text = "\\";
    item.Link = "mailto:a@b.de";
    ASSERT_EQ(table.UpdateItem(item), EWriteResult::Saved);
    CKnowHowItem back = ReadBack(table, item.ID);
    EXPECT_EQ(back.MasterID, 2);
    EXPECT_EQ(back.PosNr, 5);
    EXPECT_EQ(back.IsDir, 1);
    EXPECT_EQ(back.Typ, 4);
    EXPECT_EQ(back.LinkID, 6);
    EXPECT_EQ(back.Name, "x'y");
    EXPECT_EQ(back.Text, "\\");
    EXPECT_EQ(back.Link, "mailto:a@b.de");
    EXPECT_EQ(back.UpdateNr, 1);
}

TEST_F(CKnowHowTableTest, DeletedLastIdIsGivenAgain) {
    CKnowHowTable table;
    CKnowHowItem a = Entry(0, 1, "a"), b = Entry(0, 2, "b");
    ASSERT_TRUE(table.InsertItem(a));
    ASSERT_TRUE(table.InsertItem(b));
    ASSERT_TRUE(table.DeleteById(b.ID));
    CKnowHowItem c = Entry(0, 2, "c");
    ASSERT_TRUE(table.InsertItem(c));
    EXPECT_EQ(c.ID, b.ID);
}

namespace {
// Marks the stored form so that it can be told from the text; the mark
// holds a quote, which the statement must double after encoding.
class CMarkingCodec : public IFieldCodec {
public:
    std::string EncryptField(const std::string& str) override { return "enc'" + str; }
    std::string DecryptField(const std::string& str) override {
        return str.rfind("enc'", 0) == 0 ? str.substr(4) : "<" + str + ">";
    }
};
}  // namespace

TEST_F(CKnowHowTableTest, TextsPassTheFieldCodec) {
    CMarkingCodec codec;
    SetFieldCodec(&codec);
    CKnowHowTable table;
    CKnowHowItem item = Entry(0, 1, "O'Neil", "Text");
    item.Link = "Link";
    ASSERT_TRUE(table.InsertItem(item));
    EXPECT_EQ(RawValue("SELECT Name || '|' || Text || '|' || Link FROM KnowHow"), "enc'O'Neil|enc'Text|enc'Link");
    CKnowHowItem back = ReadBack(table, item.ID);
    EXPECT_EQ(back.Name, "O'Neil");
    EXPECT_EQ(back.Text, "Text");
    EXPECT_EQ(back.Link, "Link");
    SetFieldCodec(nullptr);
    EXPECT_EQ(ReadBack(table, item.ID).Name, "enc'O'Neil");
}
