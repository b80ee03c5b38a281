// The Papierkorb on a real file: a delete keeps every stored byte and leaves
// KnowHow as a physical delete would; restoring gives the rows back where
// they belong; re-encryption takes the trash along; purging by age; a second
// process restoring or purging the same delete first.
#include <algorithm>

#include "TreeFixture.h"
#include "db/CTrashStore.h"
#include "protect/CDbPasswort.h"
#include "tree/CKnowHowTrash.h"

namespace {

using CRows = std::vector<std::vector<std::string>>;

class CTrashTest : public CTreeTest {
protected:
    void TearDown() override {
        GetDbPasswort().ClearPassword();
        CTreeTest::TearDown();
    }
    // Every stored column of the rows, values as hex: what a byte-for-byte
    // comparison needs.
    static CRows Stored(const std::string& strWhere = "1") {
        return Query(
            "SELECT ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, hex(Name), hex(Text), hex(Link), UpdateNr, "
            "typeof(Name), typeof(PosNr) FROM KnowHow WHERE " +
            strWhere + " ORDER BY ID");
    }
    // A folder "A" with entries, a subfolder and a link, between two siblings.
    void BuildTree() {
        m_nBefore = Add(0, "Vorher", false, "v");
        m_nA = Add(0, "Äpfel", true, "Ordnertext");
        m_nA1 = Add(m_nA, "Boskop", false, "süß\nund 'sauer'");
        m_nSub = Add(m_nA, "Sorten", true);
        m_nSub1 = Add(m_nSub, "Elstar", false, std::string(3000, 'x').c_str());
        CKnowHowItem item;
        ASSERT_EQ(m_pTree->GetItem(item, m_nA1), 1);
        CKnowHowArray arr{item};
        arr[0].SetLink(Ansi("/home/x/äpfel.pdf"));
        arr[0].SetTyp(1);
        ASSERT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
        m_nAfter = Add(0, "Nachher", false, "n");
    }
    std::string SubtreeWhere() const {
        return "ID IN (" + std::to_string(m_nA) + "," + std::to_string(m_nA1) + "," + std::to_string(m_nSub) + "," +
               std::to_string(m_nSub1) + ")";
    }
    // Shape() read through the service: plain keywords of a protected file too.
    std::string Tree(std::int32_t nFolder) {
        CKnowHowArray arr;
        m_pTree->GetChildren(arr, nFolder);
        std::string str;
        for (const auto& item : arr) {
            str += (str.empty() ? "" : " ") + Cp1252ToUtf8(item.Name);
            if (item.IsDir) str += "{" + Tree(item.ID) + "}";
        }
        return str;
    }
    std::int64_t OnlyNr() {
        std::vector<STrashItem> arr;
        EXPECT_EQ(CKnowHowTrash(*m_pTree).List(arr), 1);
        return arr.empty() ? 0 : arr[0].nNr;
    }

    std::int32_t m_nBefore = 0, m_nA = 0, m_nA1 = 0, m_nSub = 0, m_nSub1 = 0, m_nAfter = 0;
};

// The tree of a physical delete, from the rows before it: the subtree gone,
// the siblings behind it one up with their counters raised.
CRows PhysicalDelete(const CRows& before, const std::vector<std::string>& arrGone, const std::string& strFolder,
                     int nPos) {
    CRows rows;
    for (auto row : before) {
        if (std::find(arrGone.begin(), arrGone.end(), row[0]) != arrGone.end()) continue;
        if (row[2] == strFolder && std::stoi(row[5]) > nPos) {
            row[5] = std::to_string(std::stoi(row[5]) - 1);
            row[10] = std::to_string(std::stoi(row[10]) + 1);
        }
        rows.push_back(row);
    }
    return rows;
}

TEST_F(CTrashTest, DeleteKeepsEveryByteAndRestoreGivesItBack) {
    for (const char* pszPassword : {"", "geheim"}) {
        SCOPED_TRACE(pszPassword);
        if (*pszPassword) {
            m_pTree.reset();
            CloseDatabase();
            m_strDb = CreateDatabase("geschuetzt.tov");
            m_pTree = std::make_unique<CKnowHow>();
        }
        BuildTree();
        if (*pszPassword) {
            ASSERT_TRUE(GetDbPasswort().SetDatabasePassword(pszPassword));
        }
        const CRows before = Stored();
        const CRows subtree = Stored(SubtreeWhere());
        ASSERT_EQ(subtree.size(), 4u);

        m_platform.m_arrMessages.clear();
        m_platform.QueueAnswer(EMsgResult::Yes);  // the folder question
        ASSERT_EQ(m_pTree->DeleteItem(m_nA), EWriteResult::Saved);
        ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
        // what a reader of KnowHow alone sees: exactly the physical delete
        CRows expected = PhysicalDelete(
            before, {std::to_string(m_nA), std::to_string(m_nA1), std::to_string(m_nSub), std::to_string(m_nSub1)}, "0",
            2);
        EXPECT_EQ(Stored(), expected);
        EXPECT_EQ(RawQuery(m_strDb, "SELECT count(*) FROM KnowHow WHERE " + SubtreeWhere()), CRawRows{{"0"}});
        EXPECT_EQ(PositionFaults(), "");

        std::vector<STrashItem> arr;
        ASSERT_EQ(CKnowHowTrash(*m_pTree).List(arr), 1);
        EXPECT_EQ(arr[0].nId, m_nA);
        EXPECT_EQ(arr[0].strName, Ansi("Äpfel"));
        EXPECT_TRUE(arr[0].bDir);
        EXPECT_TRUE(arr[0].bReadable);
        EXPECT_EQ(arr[0].nEntries, 4);
        EXPECT_EQ(arr[0].nFromFolder, 0);
        EXPECT_EQ(arr[0].strBy, m_platform.GetLoginName());
        if (*pszPassword) {
            // nothing of it plain in the file: the keyword path neither
            EXPECT_EQ(RawQuery(m_strDb,
                               "SELECT count(*) FROM Papierkorb WHERE Name LIKE '%Boskop%' OR Text LIKE "
                               "'%sauer%' OR Link LIKE '%pdf%'"),
                      CRawRows{{"0"}});
        }

        TRowId nNew = 0, nFolder = -1;
        ASSERT_EQ(CKnowHowTrash(*m_pTree).Restore(arr[0].nNr, -1, &nNew, &nFolder), EWriteResult::Saved);
        EXPECT_EQ(nNew, m_nA);
        EXPECT_EQ(nFolder, 0);
        // back with every stored value; appended at the end of its folder
        CRows restored = Stored(SubtreeWhere());
        ASSERT_EQ(restored.size(), subtree.size());
        for (size_t i = 0; i < subtree.size(); ++i) {
            CRows::value_type want = subtree[i];
            if (want[0] == std::to_string(m_nA)) want[5] = "3";
            EXPECT_EQ(restored[i], want);
        }
        EXPECT_EQ(Tree(0), "Vorher Nachher Äpfel{Boskop Sorten{Elstar}}");
        EXPECT_EQ(PositionFaults(), "");
        EXPECT_EQ(CKnowHowTrash(*m_pTree).List(arr), 0);
        CKnowHowItem item;
        ASSERT_EQ(m_pTree->GetItem(item, m_nA1), 1);
        EXPECT_EQ(item.Text, Ansi("süß\nund 'sauer'"));
        EXPECT_EQ(item.Link, Ansi("/home/x/äpfel.pdf"));
        EXPECT_EQ(m_platform.m_arrMessages.size(), 1u) << m_platform.LastMessage();
    }
}

TEST_F(CTrashTest, RestoreFindsItsPlaceAndFreeIds) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X", false, "x");
    std::int32_t Y = Add(F, "Y", false, "y");
    ASSERT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_EQ(m_pTree->DeleteItem(F), EWriteResult::Saved);
    std::vector<STrashItem> arr;
    CKnowHowTrash trash(*m_pTree);
    ASSERT_EQ(trash.List(arr), 2);
    EXPECT_EQ(arr[0].nId, X);
    EXPECT_EQ(arr[0].strPath, "F");

    // its folder is in the trash itself: the entry goes to Hauptordner
    std::int32_t Z = Add(0, "Z");
    TRowId nNew = 0, nFolder = -1;
    ASSERT_EQ(trash.Restore(arr[0].nNr, -1, &nNew, &nFolder), EWriteResult::Saved);
    EXPECT_EQ(nFolder, 0);
    EXPECT_EQ(nNew, X);
    EXPECT_EQ(Shape(0), "Z X");

    // F's ID was given to Z meanwhile: F comes back under a new one, which
    // is Y's old one, so Y takes a new one too and still hangs below F
    ASSERT_EQ(Z, F);
    ASSERT_EQ(trash.Restore(arr[1].nNr, -1, &nNew), EWriteResult::Saved);
    EXPECT_EQ(nNew, Y);
    EXPECT_EQ(Shape(0), "Z X F{Y}");
    EXPECT_EQ(PositionFaults(), "");

    // into a folder of choice; a target that is no folder is refused
    ASSERT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    std::int64_t nNr = OnlyNr();
    EXPECT_EQ(trash.Restore(nNr, Z), EWriteResult::ParentGone);
    ASSERT_EQ(trash.Restore(nNr, nNew), EWriteResult::Saved);
    EXPECT_EQ(Shape(0), "Z F{Y X}");
    // gone from the trash: a second restore changes nothing
    EXPECT_EQ(trash.Restore(nNr, -1), EWriteResult::Deleted);
    EXPECT_EQ(Shape(0), "Z F{Y X}");
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
}

TEST_F(CTrashTest, NumbersOfDeletesAreNeverGivenTwice) {
    std::int32_t X = Add(0, "X");
    std::int32_t Y = Add(0, "Y");
    ASSERT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    std::int64_t nFirst = OnlyNr();
    ASSERT_EQ(CKnowHowTrash(*m_pTree).Purge(nFirst), EWriteResult::Saved);
    EXPECT_EQ(CKnowHowTrash(*m_pTree).Purge(nFirst), EWriteResult::Deleted);
    ASSERT_EQ(m_pTree->DeleteItem(Y), EWriteResult::Saved);
    // a list still showing the purged one must not restore Y under its number
    EXPECT_GT(OnlyNr(), nFirst);
    EXPECT_EQ(CKnowHowTrash(*m_pTree).Restore(nFirst, -1), EWriteResult::Deleted);
    EXPECT_EQ(Shape(0), "");
}

TEST_F(CTrashTest, ReencryptionTakesTheTrashAlong) {
    BuildTree();
    CDbPasswort& pw = GetDbPasswort();
    ASSERT_EQ(m_pTree->DeleteItem(m_nA1), EWriteResult::Saved);  // deleted while plain
    ASSERT_TRUE(pw.SetDatabasePassword("erstes"));
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_EQ(m_pTree->DeleteItem(m_nSub), EWriteResult::Saved);  // deleted under "erstes"
    ASSERT_TRUE(pw.SetDatabasePassword("zweites"));
    EXPECT_EQ(Query("SELECT count(*) FROM Papierkorb WHERE DeleteNr>0 AND KeyCheck<>'" +
                    CDbPasswort::MakeVerifier("zweites") + "'"),
              CRows{{"0"}});
    ASSERT_TRUE(pw.SetDatabasePassword(""));
    EXPECT_EQ(Query("SELECT count(*) FROM Papierkorb WHERE DeleteNr>0 AND KeyCheck<>''"), CRows{{"0"}});
    ASSERT_TRUE(pw.SetDatabasePassword("drittes"));

    std::vector<STrashItem> arr;
    CKnowHowTrash trash(*m_pTree);
    ASSERT_EQ(trash.List(arr), 2);
    EXPECT_EQ(arr[0].strName, "Boskop");
    EXPECT_EQ(arr[1].strName, "Sorten");
    EXPECT_EQ(arr[1].strPath, Ansi("Äpfel"));
    ASSERT_EQ(trash.Restore(arr[0].nNr, -1), EWriteResult::Saved);
    ASSERT_EQ(trash.Restore(arr[1].nNr, -1), EWriteResult::Saved);
    EXPECT_EQ(Tree(m_nA), "Boskop Sorten{Elstar}");
    CKnowHowItem item;
    ASSERT_EQ(m_pTree->GetItem(item, m_nA1), 1);
    EXPECT_EQ(item.Text, Ansi("süß\nund 'sauer'"));
    EXPECT_EQ(item.Link, Ansi("/home/x/äpfel.pdf"));
    ASSERT_EQ(m_pTree->GetItem(item, m_nSub1), 1);
    EXPECT_EQ(item.Text, std::string(3000, 'x'));
    // the folder's question, nothing else
    EXPECT_EQ(m_platform.m_arrMessages.size(), 1u) << m_platform.LastMessage();
}

TEST_F(CTrashTest, ADeleteUnderAnotherKeyIsNotRestored) {
    BuildTree();
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    ASSERT_EQ(m_pTree->DeleteItem(m_nA1), EWriteResult::Saved);
    // another program changed the password: it knows nothing of the trash
    ASSERT_TRUE(GetDatabase().SetOption("DbKey", CDbPasswort::MakeVerifier("fremd")));
    const CRows before = Stored();
    std::vector<STrashItem> arr;
    ASSERT_EQ(CKnowHowTrash(*m_pTree).List(arr), 1);
    EXPECT_FALSE(arr[0].bReadable);
    EXPECT_EQ(arr[0].strName, "");
    EXPECT_EQ(CKnowHowTrash(*m_pTree).Restore(arr[0].nNr, -1), EWriteResult::Declined);
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(CKnowHowTrash(*m_pTree).List(arr), 1);
}

TEST_F(CTrashTest, ReorganisationPurgesByAge) {
    std::int32_t X = Add(0, "alt"), Y = Add(0, "mittel"), Z = Add(0, "neu");
    const std::time_t tNow = 1796000000;
    m_platform.SetTime(tNow - 40 * 86400);
    ASSERT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    m_platform.SetTime(tNow - 20 * 86400);
    ASSERT_EQ(m_pTree->DeleteItem(Y), EWriteResult::Saved);
    m_platform.SetTime(tNow);
    ASSERT_EQ(m_pTree->DeleteItem(Z), EWriteResult::Saved);
    auto names = [&] {
        std::vector<STrashItem> arr;
        CKnowHowTrash(*m_pTree).List(arr);
        std::string str;
        for (const auto& item : arr) str += item.strName + " ";
        return str;
    };
    int nDays = -1;
    ASSERT_TRUE(ReadTrashKeepDays(nDays));
    EXPECT_EQ(nDays, 30);
    std::int32_t nSaved = 0;
    EXPECT_TRUE(GetDatabase().Reorganize(nSaved));
    EXPECT_EQ(names(), "mittel neu ");
    int nEntries = -1;
    ASSERT_TRUE(ReadTrashEntryCount(nEntries));
    EXPECT_EQ(nEntries, 2);

    // unlimited keeps everything; a shorter time purges more
    ASSERT_TRUE(WriteTrashKeepDays(0));
    m_platform.SetTime(tNow + 400 * 86400);
    EXPECT_TRUE(GetDatabase().Reorganize(nSaved));
    EXPECT_EQ(names(), "mittel neu ");
    ASSERT_TRUE(WriteTrashKeepDays(7));
    ASSERT_TRUE(ReadTrashKeepDays(nDays));
    EXPECT_EQ(nDays, 7);
    m_platform.SetTime(tNow + 8 * 86400);
    EXPECT_TRUE(GetDatabase().Reorganize(nSaved));
    EXPECT_EQ(names(), "");
    // the setting survives the purge
    ASSERT_TRUE(ReadTrashKeepDays(nDays));
    EXPECT_EQ(nDays, 7);
}

TEST_F(CTrashTest, AnotherProcessRestoresOrPurgesFirst) {
    std::int32_t F = Add(0, "F", true);
    std::int32_t X = Add(F, "X", false, "x");
    std::int32_t Y = Add(F, "Y", false, "y");
    ASSERT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    ASSERT_EQ(m_pTree->DeleteItem(Y), EWriteResult::Saved);
    std::vector<STrashItem> arr;
    CKnowHowTrash trash(*m_pTree);
    ASSERT_EQ(trash.List(arr), 2);

    SProcessResult other = RunCli({"trash", m_strDb, "restore", std::to_string(arr[0].nNr)});
    ASSERT_EQ(other.nExit, 0) << other.strErr;
    EXPECT_EQ(other.strOut, std::to_string(X) + "\n");
    other = RunCli({"trash", m_strDb, "purge", std::to_string(arr[1].nNr)});
    ASSERT_EQ(other.nExit, 0) << other.strErr;

    const CRows before = Stored();
    EXPECT_EQ(trash.Restore(arr[0].nNr, -1), EWriteResult::Deleted);
    EXPECT_EQ(trash.Restore(arr[1].nNr, -1), EWriteResult::Deleted);
    EXPECT_EQ(trash.Purge(arr[1].nNr), EWriteResult::Deleted);
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(Shape(0), "F{X}");
    SayTrashResult(EWriteResult::Deleted, SWriteReport());
    EXPECT_EQ(m_platform.LastMessage(), Cp1252ToUtf8(TrashGoneMessage()));

    // the other way round: this process restores, the other one is told
    ASSERT_EQ(m_pTree->DeleteItem(X), EWriteResult::Saved);
    ASSERT_EQ(trash.List(arr), 1);
    ASSERT_EQ(trash.Restore(arr[0].nNr, -1), EWriteResult::Saved);
    other = RunCli({"trash", m_strDb, "restore", std::to_string(arr[0].nNr)});
    EXPECT_EQ(other.nExit, 1);
    EXPECT_NE(other.strErr.find("nicht mehr im Papierkorb"), std::string::npos) << other.strErr;
    EXPECT_EQ(Shape(0), "F{X}");
}

}  // namespace
