// Reading, walking, saving, deleting and moving entries; the position
// invariant is checked against the table itself after every change.
#include "TreeFixture.h"

namespace {

class CEntriesTest : public CTreeTest {
protected:
    // K{ A{ B G{} } D H{ I{ J } } }  L  M{ N }
    void BuildSample() {
        K = Add(0, "K", true);
        A = Add(K, "A", true);
        B = Add(A, "B");
        G = Add(A, "G", true);
        D = Add(K, "D");
        H = Add(K, "H", true);
        I = Add(H, "I", true);
        J = Add(I, "J");
        L = Add(0, "L");
        M = Add(0, "M", true);
        N = Add(M, "N");
    }
    std::int32_t K, A, B, G, D, H, I, J, L, M, N;
};

TEST_F(CEntriesTest, ReadsSendTheirStatementsAndHandleUnknownIds) {
    BuildSample();
    CKnowHowItem item;
    RecordSql(true);
    EXPECT_EQ(m_pTree->GetItem(item, A), 1);
    EXPECT_EQ(item.Name, "A");
    EXPECT_EQ(item.MasterID, K);
    EXPECT_EQ(m_pTree->GetItemAt(item, K, 2), 1);
    EXPECT_EQ(item.ID, D);
    CKnowHowArray arr;
    EXPECT_EQ(m_pTree->GetChildren(arr, K, true), 2);
    EXPECT_EQ(m_pTree->CountChildren(K), 3);
    EXPECT_EQ(m_pTree->CountChildren(K, true), 2);
    RecordSql(false);
    auto id = [](std::int32_t n) { return std::to_string(n); };
    EXPECT_EQ(
        m_arrSql,
        (std::vector<std::string>{
            "SELECT * FROM KnowHow WHERE ID=" + id(A) + " AND IsAktiv='1' ORDER BY PosNr;",
            "SELECT * FROM KnowHow WHERE MasterID=" + id(K) + " AND PosNr=2 AND IsAktiv='1' ORDER BY PosNr;",
            "SELECT * FROM KnowHow WHERE [MasterID]=" + id(K) + " AND IsAktiv='1' AND IsDir='1' ORDER BY [PosNr];",
            "SELECT count(*) FROM KnowHow WHERE MasterID=" + id(K) + " AND IsAktiv='1'",
            "SELECT count(*) FROM KnowHow WHERE MasterID=" + id(K) + " AND IsAktiv='1' AND IsDir='1'",
        }));
    ASSERT_EQ(arr.size(), 2u);
    EXPECT_EQ(arr[0].ID, A);
    EXPECT_EQ(arr[1].ID, H);

    // an unknown ID leaves the entry as it was
    CKnowHowItem fresh;
    EXPECT_EQ(m_pTree->GetItem(fresh, 9999), 0);
    EXPECT_EQ(fresh.ID, 0);
    EXPECT_EQ(fresh.MasterID, 0);
    EXPECT_EQ(fresh.IsDir, 0);
    EXPECT_EQ(m_pTree->GetItem(item, 9999), 0);
    EXPECT_EQ(item.ID, D);
    EXPECT_EQ(m_pTree->GetItemAt(item, K, 4), 0);
    EXPECT_EQ(m_pTree->GetParentId(9999), 0);
    EXPECT_EQ(m_pTree->GetParentId(J), I);
    EXPECT_EQ(m_pTree->GetParentId(K), 0);

    // inactive rows are invisible to every read but the full scan
    Query("UPDATE KnowHow SET IsAktiv='0' WHERE ID=" + id(L));
    EXPECT_EQ(m_pTree->GetItem(item, L), 0);
    EXPECT_EQ(m_pTree->CountChildren(0), 2);
    arr.clear();
    EXPECT_EQ(m_pTree->GetAllItems(arr), 11);
}

TEST_F(CEntriesTest, PathJoinsKeywordsFromTheTop) {
    BuildSample();
    EXPECT_EQ(m_pTree->GetPath(J), "K\\H\\I\\J");
    EXPECT_EQ(m_pTree->GetPath(K), "K");
    EXPECT_EQ(m_pTree->GetPath(0), "");
    EXPECT_EQ(m_pTree->GetPath(9999), "");
    // a damaged file whose folder holds itself must not hang the path
    Query("UPDATE KnowHow SET MasterID=" + std::to_string(I) + " WHERE ID=" + std::to_string(H));
    Query("UPDATE KnowHow SET MasterID=" + std::to_string(H) + " WHERE ID=" + std::to_string(I));
    EXPECT_EQ(m_pTree->GetPath(J), "H\\I\\J");
}

TEST_F(CEntriesTest, NextAndPreviousWalkTheTreeInReadingOrder) {
    BuildSample();
    const std::vector<std::int32_t> arrOrder{K, A, B, G, D, H, I, J, L, M, N};
    std::vector<std::int32_t> arrForward{K};
    for (std::int32_t n = m_pTree->NextItem(K); n != -1 && arrForward.size() < 20; n = m_pTree->NextItem(n))
        arrForward.push_back(n);
    EXPECT_EQ(arrForward, arrOrder);

    std::vector<std::int32_t> arrBackward{N};
    for (std::int32_t n = m_pTree->PreviousItem(N); n != -1 && arrBackward.size() < 20; n = m_pTree->PreviousItem(n))
        arrBackward.push_back(n);
    EXPECT_EQ(arrBackward, std::vector<std::int32_t>(arrOrder.rbegin(), arrOrder.rend()));

    EXPECT_EQ(m_pTree->PreviousItem(L), J);  // deepest last descendant
    EXPECT_EQ(m_pTree->PreviousItem(D), G);  // an empty folder is itself
    EXPECT_EQ(m_pTree->NextItem(G), D);      // an empty folder has no first child
    EXPECT_EQ(m_pTree->NextItem(9999), -1);
    EXPECT_EQ(m_pTree->PreviousItem(9999), -1);
}

TEST_F(CEntriesTest, SaveItemsWritesOnlyNewAndChangedEntries) {
    BuildSample();
    CKnowHowArray arr;
    m_pTree->GetChildren(arr, K);
    arr.push_back(CKnowHowItem());  // empty new row: not stored
    arr.back().MasterID = K;
    arr.back().PosNr = 4;
    m_platform.SetLoginName("anna");
    RecordSql(true);
    EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);  // nothing has a keyword or a change
    RecordSql(false);
    EXPECT_EQ(arr.back().ID, 0);
    for (const auto& s : m_arrSql) EXPECT_EQ(s.find("KnowHow"), std::string::npos) << s;
    EXPECT_NE(GetDatabase().GetOption("LastEditUser"), "anna");

    arr[1].SetText("neu");
    arr.back().SetName("E");
    m_arrSql.clear();
    RecordSql(true);
    EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    RecordSql(false);
    int nUpdates = 0, nInserts = 0;
    for (const auto& s : m_arrSql) {
        nUpdates += s.rfind("UPDATE KnowHow", 0) == 0;
        nInserts += s.rfind("INSERT INTO KnowHow", 0) == 0;
    }
    EXPECT_EQ(nUpdates, 1);
    EXPECT_EQ(nInserts, 1);
    // the write lock from the start: a second writer waits instead of both giving up
    EXPECT_EQ(m_arrSql.front(), "BEGIN EXCLUSIVE TRANSACTION;");
    EXPECT_EQ(m_arrSql.back(), "COMMIT TRANSACTION;");
    EXPECT_EQ(GetDatabase().GetOption("LastEditUser"), "anna");
    EXPECT_FALSE(arr[1].Modified);
    EXPECT_FALSE(arr.back().Modified);
    EXPECT_EQ(arr[1].UpdateNr, 1);
    EXPECT_GT(arr.back().ID, 0);
    EXPECT_EQ(Query("SELECT Text, UpdateNr FROM KnowHow WHERE ID=" + std::to_string(D)),
              (std::vector<std::vector<std::string>>{{"neu", "1"}}));
    EXPECT_EQ(PositionFaults(), "");
}

TEST_F(CEntriesTest, PositionsStayDenseThroughAppendDeleteAndMoves) {
    std::int32_t F = Add(0, "F", true);
    std::vector<std::int32_t> arrIds;
    for (const char* psz : {"a", "b", "c", "d", "e"}) arrIds.push_back(Add(F, psz));
    EXPECT_EQ(Shape(F), "a b c d e");
    EXPECT_EQ(PositionFaults(), "");

    EXPECT_EQ(m_pTree->DeleteItem(arrIds[2]), EWriteResult::Saved);  // the middle one
    EXPECT_EQ(Shape(F), "a b d e");
    EXPECT_EQ(PositionFaults(), "");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());

    // move down: swap with the neighbour below, as the detail view does
    CKnowHowArray arr;
    m_pTree->GetChildren(arr, F);
    std::int32_t nPos = arr[1].PosNr;
    arr[1].SetPosNr(arr[2].PosNr);
    arr[2].SetPosNr(nPos);
    std::swap(arr[1], arr[2]);
    EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
    EXPECT_EQ(Shape(F), "a d b e");
    EXPECT_EQ(PositionFaults(), "");

    // move between folders: appended to the target, gap closed at the source
    std::int32_t T = Add(0, "T", true);
    for (const char* psz : {"x", "y", "z"}) Add(T, psz);
    EXPECT_EQ(m_pTree->MoveToFolder(arrIds[1], T), EWriteResult::Saved);
    EXPECT_EQ(Shape(F), "a d e");
    EXPECT_EQ(Shape(T), "x y z b");
    CKnowHowItem item;
    m_pTree->GetItem(item, arrIds[1]);
    EXPECT_EQ(item.PosNr, 4);
    EXPECT_EQ(PositionFaults(), "");

    // a folder moves with its subtree
    std::int32_t S = Add(F, "S", true);
    Add(S, "s1");
    EXPECT_EQ(m_pTree->MoveToFolder(F, T), EWriteResult::Saved);
    EXPECT_EQ(Shape(0), "T{x y z b F{a d e S{s1}}}");
    EXPECT_EQ(PositionFaults(), "");
}

TEST_F(CEntriesTest, MovesThatWouldBreakTheTreeChangeNothing) {
    BuildSample();
    const std::string strBefore = Shape(0);
    auto rowsBefore = Query("SELECT * FROM KnowHow ORDER BY ID");

    RecordSql(true);
    EXPECT_EQ(m_pTree->MoveToFolder(D, K), EWriteResult::Saved);  // already there
    RecordSql(false);
    for (const auto& s : m_arrSql) EXPECT_EQ(s.rfind("SELECT", 0), 0u) << s;

    EXPECT_NE(m_pTree->MoveToFolder(H, H), EWriteResult::Saved);  // into itself
    EXPECT_NE(m_pTree->MoveToFolder(K, I), EWriteResult::Saved);  // below itself
    EXPECT_NE(m_pTree->MoveToFolder(9999, 0), EWriteResult::Saved);
    EXPECT_EQ(Query("SELECT * FROM KnowHow ORDER BY ID"), rowsBefore);
    EXPECT_EQ(Shape(0), strBefore);
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CEntriesTest, DeletingAFolderAsksWithTheCountOfEverythingInIt) {
    std::int32_t P = Add(0, "P");
    std::int32_t F = Add(0, "F", true);
    std::int32_t Q = Add(0, "Q");
    // seven entries at several depths
    std::int32_t F1 = Add(F, "f1", true);
    Add(F1, "f11");
    std::int32_t F12 = Add(F1, "f12", true);
    Add(F12, "f121");
    Add(F, "f2");
    std::int32_t F3 = Add(F, "f3", true);
    Add(F3, "f31");
    ASSERT_EQ(RowCount(), 10);
    const std::string strQuestion = Ansi(
        "Ordner löschen:\n\nIn dem Ordner befinden sich 7 Einträge !\n\nSind Sie wirklich alle Einträge zu löschen ?");

    m_platform.QueueAnswer(EMsgResult::No);
    EXPECT_NE(m_pTree->DeleteItem(F), EWriteResult::Saved);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].strText, strQuestion);
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNo);
    EXPECT_EQ(RowCount(), 10);
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);

    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_EQ(m_pTree->DeleteItem(F), EWriteResult::Saved);
    EXPECT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(Shape(0), "P Q");
    EXPECT_EQ(PositionFaults(), "");

    // an empty folder goes without a question
    std::int32_t E = Add(0, "E", true);
    EXPECT_EQ(m_pTree->DeleteItem(E), EWriteResult::Saved);
    EXPECT_EQ(m_platform.m_arrMessages.size(), 2u);

    // unknown IDs and the root delete nothing and renumber nothing
    EXPECT_NE(m_pTree->DeleteItem(9999), EWriteResult::Saved);
    EXPECT_NE(m_pTree->DeleteItem(0), EWriteResult::Saved);
    EXPECT_EQ(Shape(0), "P Q");
    EXPECT_EQ(PositionFaults(), "");
    (void)P;
    (void)Q;
}

TEST_F(CEntriesTest, ATextEntryWithChildrenTakesThemAlong) {
    // files written elsewhere may hang entries below a text entry
    std::int32_t F = Add(0, "F", true);
    std::int32_t T = Add(F, "T");
    // the program itself files nothing below a text entry
    ASSERT_TRUE(GetDatabase().Execute(
        "INSERT INTO KnowHow ( IsAktiv, MasterID, PosNr, IsDir, Name, Text, Link, Typ, LinkID, UpdateNr ) VALUES ( "
        "'1', " +
        std::to_string(T) + ", 1, '1', 'c', '', '', 0, 0, 0 );"));
    const auto C = static_cast<std::int32_t>(sqlite3_last_insert_rowid(GetDatabase().GetHandle()));
    Add(C, "c1");
    Add(F, "U");
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_EQ(m_pTree->DeleteItem(T), EWriteResult::Saved);
    EXPECT_EQ(m_platform.MessageTexts(),
              std::vector<std::string>{"Ordner löschen:\n\nIn dem Ordner befinden sich 2 Einträge !\n\nSind Sie "
                                       "wirklich alle Einträge zu löschen ?"});
    EXPECT_EQ(Shape(F), "U");
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(PositionFaults(), "");
}

TEST_F(CEntriesTest, BehindTheLargestIdANewEntryTakesAFreeOne) {
    // another tool stored the largest ID a 32-bit row can have
    ASSERT_TRUE(GetDatabase().Execute(
        "INSERT INTO KnowHow ( ID, IsAktiv, MasterID, PosNr, IsDir, Name, UpdateNr ) VALUES ( 2147483647, '1', 0, 1, "
        "'1', 'Fremd', 0 );"));
    std::int32_t A = Add(0, "A", true);
    std::int32_t B = Add(A, "B");
    EXPECT_GT(A, 0);
    EXPECT_GT(B, 0);
    EXPECT_NE(A, B);
    EXPECT_EQ(Shape(0), "Fremd{} A{B}");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    EXPECT_EQ(Query("SELECT count(*) FROM KnowHow WHERE ID>2147483647"),
              (std::vector<std::vector<std::string>>{{"0"}}));
}

}  // namespace
