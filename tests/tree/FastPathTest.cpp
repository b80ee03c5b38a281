// The level-wise reads, the compiled writes and the paged rewrite against
// the row-by-row algorithms they replace, kept here as the reference, on a
// generated tree with a fixed seed and the damage other tools leave behind:
// cycles, equal positions, gaps, inactive folders, orphans, a text entry
// with children, odd flags and NULLs.
#include <filesystem>
#include <set>
#include <tuple>

#include "TreeFixture.h"
#include "protect/CCrypt.h"
#include "table/CFieldCodec.h"
#include "tree/CStdioFileEx.h"

namespace {

class CFastPathTest : public CTreeTest {
protected:
    void SetUp() override {
        CTreeTest::SetUp();
        BuildTree();
        for (const auto& row : Query("SELECT ID FROM KnowHow ORDER BY ID")) m_arrIds.push_back(std::stoi(row[0]));
        m_arrIds.insert(m_arrIds.end(), {0, -3, 99999});
    }

    // About 300 rows: folders nested at random, entries in random folders,
    // positions 1..n per folder; then the damage.
    void BuildTree() {
        std::uint64_t n = 20260107;
        auto next = [&](int nRange) {
            std::uint64_t z = (n += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return static_cast<int>((z ^ (z >> 31)) % static_cast<std::uint64_t>(nRange));
        };
        const char* const apszNames[] = {"Größe", "O'Neil", "Server", "a\r\nb", "  Rand ", "x+y-z", "Müller", "Ä"};
        std::map<int, int> mapCount;
        std::vector<int> arrFolders{0};
        Query("BEGIN;");
        for (int id = 1; id <= 300; ++id) {
            bool bFolder = id <= 60;
            int nParent = arrFolders[static_cast<size_t>(next(static_cast<int>(arrFolders.size())))];
            Insert(id, "'1'", nParent, ++mapCount[nParent], bFolder ? "'1'" : "'0'",
                   Ansi(apszNames[next(8)]) + " " + std::to_string(id));
            if (bFolder) arrFolders.push_back(id);
        }
        // a cycle, reachable from neither the root nor anything else
        Insert(401, "'1'", 402, 1, "'1'", "Kreis A");
        Insert(402, "'1'", 401, 1, "'1'", "Kreis B");
        Insert(403, "'1'", 401, 2, "'0'", "im Kreis");
        // two entries on one position, a gap, a NULL position, odd flags
        Insert(410, "'1'", 0, mapCount[0] + 1, "'1'", "Gleich");
        for (int id : {411, 412, 413}) Insert(id, "'1'", 410, id == 413 ? 2 : 1, "'0'", "gleich " + std::to_string(id));
        Insert(414, "'1'", 410, 5, "'2'", "Lücke");
        Insert(415, "'1'", 414, 1, "'0'", "unter der Lücke");
        Query(
            "INSERT INTO KnowHow ( ID, IsAktiv, MasterID, PosNr, IsDir, Name, Text ) VALUES ( 416, '1', 410, NULL, "
            "'0', 'ohne Platz', NULL );");
        // an inactive folder with active children, an orphan, a text entry with children
        Insert(420, "'0'", 0, mapCount[0] + 2, "'1'", "Alt");
        Insert(421, "'1'", 420, 1, "'1'", "unter Alt");
        Insert(422, "'1'", 421, 1, "'0'", "tief unter Alt");
        Insert(430, "'1'", 777, 1, "'0'", "Waise");
        Insert(440, "'1'", 1, mapCount[1] + 1, "'0'", "Text mit Kindern");
        Insert(441, "'1'", 440, 1, "'1'", "Kind");
        Insert(442, "'1'", 441, 1, "'0'", "Enkel");
        Query("UPDATE KnowHow SET LinkID=NULL, UpdateNr=NULL WHERE ID=17;");
        Query("COMMIT;");
    }
    static void Insert(int nId, const char* pszAktiv, int nMaster, int nPos, const char* pszDir,
                       const std::string& strName) {
        Query(
            "INSERT INTO KnowHow ( ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr ) "
            "VALUES ( " +
            std::to_string(nId) + ", " + pszAktiv + ", " + std::to_string(nMaster) + ", 0, 0, " + std::to_string(nPos) +
            ", " + pszDir + ", '" + EscapeQuotes(strName) + "', 'Text " + std::to_string(nId) + "', '', " +
            std::to_string(nId % 3) + " );");
    }

    // --- the row-by-row reference ---------------------------------------------------------
    std::string RefPath(std::int32_t nId) {
        std::string strPath;
        std::set<std::int32_t> setSeen;
        while (nId > 0 && setSeen.insert(nId).second) {
            CKnowHowItem item;
            if (m_pTree->GetItem(item, nId) != 1) break;
            strPath = strPath.empty() ? item.Name : item.Name + "\\" + strPath;
            nId = item.MasterID;
        }
        return strPath;
    }
    bool RefInside(std::int32_t nId, std::int32_t nRoot) {
        std::set<std::int32_t> setSeen;
        for (std::int32_t a = nId; a > 0 && setSeen.insert(a).second;) {
            if (a == nRoot) return true;
            CKnowHowItem item;
            a = m_pTree->GetItem(item, a) == 1 ? item.MasterID : 0;
        }
        return false;
    }
    std::int32_t RefNext(std::int32_t nId) {
        CKnowHowItem item, next;
        if (m_pTree->GetItem(item, nId) != 1) return -1;
        if (item.IsDir && m_pTree->GetItemAt(next, item.ID, 1) == 1) return next.ID;
        if (m_pTree->GetItemAt(next, item.MasterID, item.PosNr + 1) == 1) return next.ID;
        std::set<std::int32_t> setSeen;
        for (std::int32_t a = item.MasterID; a > 0 && setSeen.insert(a).second;) {
            CKnowHowItem folder;
            if (m_pTree->GetItem(folder, a) != 1) break;
            if (m_pTree->GetItemAt(next, folder.MasterID, folder.PosNr + 1) == 1) return next.ID;
            a = folder.MasterID;
        }
        return -1;
    }
    std::int32_t RefPrevious(std::int32_t nId) {
        CKnowHowItem item, reached;
        if (m_pTree->GetItem(item, nId) != 1) return -1;
        if (item.MasterID == 0 && item.PosNr == 1) return -1;
        if (item.PosNr == 1) return item.MasterID;
        if (m_pTree->GetItemAt(reached, item.MasterID, item.PosNr - 1) != 1) return 0;
        std::set<std::int32_t> setSeen;
        while (reached.IsDir && setSeen.insert(reached.ID).second) {
            int m = m_pTree->CountChildren(reached.ID);
            CKnowHowItem last;
            if (m <= 0 || m_pTree->GetItemAt(last, reached.ID, m) != 1) break;
            reached = last;
        }
        return reached.ID;
    }
    // Everything below a folder with its level, children by GetChildren.
    std::vector<std::pair<CKnowHowItem, int>> RefBelow(std::int32_t nFolder, int nLevel) {
        std::vector<std::pair<CKnowHowItem, int>> arrOut, arrStack;
        std::set<std::int32_t> setSeen{nFolder};
        auto push = [&](std::int32_t nId, int nChildLevel) {
            CKnowHowArray arr;
            m_pTree->GetChildren(arr, nId);
            for (auto it = arr.rbegin(); it != arr.rend(); ++it) arrStack.emplace_back(*it, nChildLevel);
        };
        push(nFolder, nLevel);
        while (!arrStack.empty()) {
            auto entry = arrStack.back();
            arrStack.pop_back();
            arrOut.push_back(entry);
            if (m_pTree->CountChildren(entry.first.ID) > 0 && setSeen.insert(entry.first.ID).second)
                push(entry.first.ID, entry.second + 1);
        }
        return arrOut;
    }
    std::string RefExport(std::int32_t nFolder) {
        std::string str;
        auto line = [&](const CKnowHowItem& item, int nLevel) {
            str += std::string(2 * nLevel, ' ') + (item.IsDir ? "+ " : "- ") + KeywordOnOneLine(item.Name) + "\r\n";
        };
        int nLevel = 0;
        if (nFolder != 0) {
            CKnowHowItem folder;
            if (m_pTree->GetItem(folder, nFolder) != 1) return "<nichts>";
            line(folder, 0);
            nLevel = 1;
        }
        for (const auto& [item, n] : RefBelow(nFolder, nLevel)) line(item, n);
        return str.empty() ? "<nichts>" : str;
    }

    // Every column with its type, by ID.
    static std::vector<std::vector<std::string>> Dump() {
        return Query(
            "SELECT quote(ID), quote(IsAktiv), quote(MasterID), quote(LinkID), quote(Typ), quote(PosNr), quote(IsDir), "
            "quote(Name), quote(Text), quote(Link), quote(UpdateNr) FROM KnowHow ORDER BY ID");
    }
    // A copy of the file as it is now, to run the reference on.
    std::string CopyFile(const std::string& strName) {
        std::string strCopy = m_dir.File(strName);
        std::filesystem::copy_file(m_strDb, strCopy);
        return strCopy;
    }
    void Reopen(const std::string& strPath) {
        m_pTree.reset();
        CloseDatabase();
        ASSERT_TRUE(OpenDatabase(strPath));
        m_pTree = std::make_unique<CKnowHow>();
    }

    std::vector<TRowId> m_arrIds;
};

// Texts stored as the cipher stores them, under a key the test switches.
class CSwitchingCodec : public IFieldCodec {
public:
    void SetKey(const std::string& str) {
        m_crypt.SetPassword(str);
        m_bOn = !str.empty();
    }
    std::string EncryptField(const std::string& str) override { return m_bOn ? m_crypt.Encrypt(str) : str; }
    std::string DecryptField(const std::string& str) override { return m_bOn ? m_crypt.Decrypt(str) : str; }

private:
    CCrypt m_crypt;
    bool m_bOn = false;
};

TEST_F(CFastPathTest, PathsAndStepsAreThoseOfTheRowByRowReads) {
    std::vector<std::string> arrPaths;
    ASSERT_TRUE(m_pTree->GetPaths(m_arrIds, arrPaths));
    ASSERT_EQ(arrPaths.size(), m_arrIds.size());
    for (size_t i = 0; i < m_arrIds.size(); ++i) {
        const std::int32_t nId = m_arrIds[i];
        EXPECT_EQ(arrPaths[i], RefPath(nId)) << nId;
        EXPECT_EQ(m_pTree->GetPath(nId), arrPaths[i]) << nId;
        EXPECT_EQ(m_pTree->NextItem(nId), RefNext(nId)) << nId;
        EXPECT_EQ(m_pTree->PreviousItem(nId), RefPrevious(nId)) << nId;
        EXPECT_EQ(m_pTree->IsInSubtree(nId, 410), RefInside(nId, 410)) << nId;
    }
    // the same ID twice, and the paths stay in the order asked
    ASSERT_TRUE(m_pTree->GetPaths({442, 7, 442}, arrPaths));
    EXPECT_EQ(arrPaths, (std::vector<std::string>{RefPath(442), RefPath(7), RefPath(442)}));
}

TEST_F(CFastPathTest, ExportsAndDeleteQuestionsAreThoseOfTheRowByRowWalk) {
    const std::string strFile = m_dir.File("vorlage.txt");
    for (std::int32_t nFolder : m_arrIds) {
        std::filesystem::remove(strFile);
        const bool bWritten = m_pTree->ExportStructure(strFile, nFolder);
        EXPECT_EQ(bWritten ? ReadFile(strFile) : "<nichts>", RefExport(nFolder)) << nFolder;
    }
    // the question counts what the walk finds; No keeps everything
    for (std::int32_t nId : {0, 1, 410, 401, 440, 421}) {
        m_platform.Clear();
        const size_t nBelow = RefBelow(nId, 0).size();
        CKnowHowItem item;
        const bool bFound = m_pTree->GetItem(item, nId) == 1;
        std::vector<std::string> arrExpected;
        if (bFound && nBelow > 0) m_platform.QueueAnswer(EMsgResult::No);
        EXPECT_NE(m_pTree->DeleteItem(nId), EWriteResult::Saved);
        if (bFound && nBelow > 0)
            arrExpected.push_back("Ordner löschen:\n\nIn dem Ordner befinden sich " + std::to_string(nBelow) +
                                  " Einträge !\n\nSind Sie wirklich alle Einträge zu löschen ?");
        EXPECT_EQ(m_platform.MessageTexts(), arrExpected) << nId;
    }
    // Yes removes exactly those rows
    std::set<std::string> setGone{"410"};
    for (const auto& [item, n] : RefBelow(410, 0)) setGone.insert(std::to_string(item.ID));
    auto rowsBefore = Query("SELECT ID FROM KnowHow ORDER BY ID");
    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_EQ(m_pTree->DeleteItem(410), EWriteResult::Saved);
    std::vector<std::vector<std::string>> rowsExpected;
    for (const auto& row : rowsBefore)
        if (!setGone.count(row[0])) rowsExpected.push_back(row);
    EXPECT_EQ(Query("SELECT ID FROM KnowHow ORDER BY ID"), rowsExpected);
}

TEST_F(CFastPathTest, DeletesCloseTheGapAsRenumberingPositionByPositionDid) {
    // a folder with two entries on one position, a gap and a NULL position;
    // the first entry of a folder with many; an entry of the top level
    CKnowHowArray arrTop;
    m_pTree->GetChildren(arrTop, 0);
    const std::vector<TRowId> arrDeletes = {411, 413, RefBelow(1, 0).front().first.ID, arrTop[1].ID};
    const std::string strCopy = CopyFile("kopie.tov");
    for (std::int32_t nId : arrDeletes) {
        m_platform.QueueAnswer(EMsgResult::Yes);
        ASSERT_EQ(m_pTree->DeleteItem(nId), EWriteResult::Saved) << nId;
    }
    const auto rowsFast = Dump();

    Reopen(strCopy);
    for (std::int32_t nId : arrDeletes) {
        CKnowHowItem item;
        ASSERT_EQ(m_pTree->GetItem(item, nId), 1);
        ASSERT_TRUE(m_pTree->BeginWork());
        const int n = m_pTree->CountChildren(item.MasterID);
        for (std::int32_t p = item.PosNr + 1; p <= n; ++p) {
            CKnowHowItem sibling;
            if (m_pTree->GetItemAt(sibling, item.MasterID, p) != 1) continue;
            sibling.SetPosNr(p - 1);
            ASSERT_EQ(m_pTree->GetTable().UpdateItem(sibling), EWriteResult::Saved);
        }
        ASSERT_TRUE(m_pTree->GetTable().DeleteById(nId));
        for (const auto& [below, nLevel] : RefBelow(nId, 0)) ASSERT_TRUE(m_pTree->GetTable().DeleteById(below.ID));
        ASSERT_TRUE(m_pTree->CommitWork());
    }
    EXPECT_EQ(Dump(), rowsFast);
}

TEST_F(CFastPathTest, ImportStoresWhatRowByRowInsertsStored) {
    // the exported tree and a hand-made template, under a folder with entries
    const std::string strTree = m_dir.File("baum.txt"), strHand = m_dir.File("hand.txt");
    ASSERT_TRUE(m_pTree->ExportStructure(strTree, 0));
    WriteFile(strHand, "+ Neu\n    - a\n      - tief\n    + b\n  - zurueck\n- oben\n   - eigen\n");
    const std::string strCopy = CopyFile("kopie.tov");

    ASSERT_GT(m_pTree->ImportStructure(strTree, 5), 0);
    ASSERT_GT(m_pTree->ImportStructure(strHand, 0), 0);
    const auto rowsFast = Dump();

    // the reference: one InsertItem per line on the copy, with the rules of the import
    Reopen(strCopy);
    for (const auto& [strFile, nTarget] : {std::pair{strTree, 5}, std::pair{strHand, 0}}) {
        std::vector<std::string> arrLines;
        ASSERT_TRUE(CStdioFileEx().ReadLines(strFile, arrLines));
        std::vector<std::tuple<int, bool, std::string>> arrEntries;
        for (const std::string& strLine : arrLines) {
            size_t m = strLine.find_first_not_of(' ');
            if (m == std::string::npos || (strLine[m] != '+' && strLine[m] != '-')) continue;
            std::string strName = KeywordOnOneLine(strLine.substr(m + 1));
            size_t a = strName.find_first_not_of(' ');
            strName = a == std::string::npos ? "" : strName.substr(a, strName.find_last_not_of(' ') + 1 - a);
            arrEntries.emplace_back(static_cast<int>(m), strLine[m] == '+', strName);
        }
        ASSERT_TRUE(m_pTree->BeginWork());
        std::map<int, std::int32_t> mapLevel;
        std::int32_t nParent = nTarget, nLast = nTarget, nPos = m_pTree->CountChildren(nTarget) + 1;
        int nPrevious = -1;
        for (size_t i = 0; i < arrEntries.size(); ++i) {
            const auto& [m, bPlus, strName] = arrEntries[i];
            if (i == 0) {
                mapLevel[m] = nTarget;
            } else if (m > nPrevious) {
                mapLevel[m] = nParent = nLast;
                nPos = 1;
            } else if (m < nPrevious) {
                nParent = mapLevel.count(m) ? mapLevel[m] : 0;
                nPos = m_pTree->CountChildren(nParent) + 1;
            } else {
                ++nPos;
            }
            CKnowHowItem item;
            item.MasterID = nParent;
            item.Name = strName;
            item.IsDir = bPlus || (i + 1 < arrEntries.size() && std::get<0>(arrEntries[i + 1]) > m);
            item.PosNr = nPos;
            ASSERT_TRUE(m_pTree->GetTable().InsertItem(item));
            nLast = item.ID;
            nPrevious = m;
        }
        ASSERT_TRUE(m_pTree->CommitWork());
    }
    EXPECT_EQ(Dump(), rowsFast);
}

TEST_F(CFastPathTest, PagedRewriteStoresWhatSavingEveryEntryStored) {
    CSwitchingCodec codec;
    SetFieldCodec(&codec);
    const std::string strCopy = CopyFile("kopie.tov");
    const std::vector<std::pair<std::string, std::string>> arrSteps = {{"", "alt"}, {"alt", "neu"}, {"neu", ""}};
    // pages of 7 rows, their ends between entries of one folder
    for (const auto& [strOld, strNew] : arrSteps)
        ASSERT_EQ(m_pTree->RewriteAll([&] { codec.SetKey(strOld); }, [&] { codec.SetKey(strNew); }, 7),
                  EWriteResult::Saved);
    const auto rowsFast = Dump();

    Reopen(strCopy);
    for (const auto& [strOld, strNew] : arrSteps) {
        codec.SetKey(strOld);
        CKnowHowArray arr;
        ASSERT_GT(m_pTree->GetAllItems(arr), 0);
        codec.SetKey(strNew);
        // what the file holds read under the new key is the origin: every
        // text differs from it, nothing else does
        CKnowHowTable table;
        for (auto& item : arr) {
            CKnowHowItem stored;
            bool bFound = false;
            ASSERT_TRUE(table.ReadStored(item.ID, stored, bFound));
            item.Origin = stored.Origin;
            item.Modified = true;
        }
        ASSERT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
        if (strNew == "neu") {
            // in between, the stored form is the cipher's
            CCrypt crypt;
            crypt.SetPassword("neu");
            EXPECT_EQ(Query("SELECT Name FROM KnowHow WHERE ID=403")[0][0], crypt.Encrypt("im Kreis"));
        }
    }
    const auto rowsSlow = Dump();
    ASSERT_EQ(rowsSlow.size(), rowsFast.size());
    for (size_t i = 0; i < rowsSlow.size(); ++i) EXPECT_EQ(rowsSlow[i], rowsFast[i]);
    SetFieldCodec(nullptr);
}

TEST_F(CFastPathTest, PagedRewriteRewritesRowsWithoutAPositiveIdInPlace) {
    // other tools may store ID 0 or a negative one: saving the entry as a
    // new one would leave the old row behind in the old form
    Query(
        "INSERT INTO KnowHow ( ID, IsAktiv, MasterID, PosNr, IsDir, Name, Text, UpdateNr ) VALUES ( 0, '1', 999, 1, "
        "'0', 'Null', 'Text', 4 );");
    Query(
        "INSERT INTO KnowHow ( ID, IsAktiv, MasterID, PosNr, IsDir, Name, Text, UpdateNr ) VALUES ( -2, '1', 999, 2, "
        "'0', 'Minus', '', 0 );");
    const int nRows = RowCount();
    CSwitchingCodec codec;
    SetFieldCodec(&codec);
    ASSERT_EQ(m_pTree->RewriteAll([&] { codec.SetKey(""); }, [&] { codec.SetKey("k"); }, 50), EWriteResult::Saved);
    SetFieldCodec(nullptr);
    CCrypt crypt;
    crypt.SetPassword("k");
    EXPECT_EQ(RowCount(), nRows);
    EXPECT_EQ(Query("SELECT ID, Name, Text, UpdateNr FROM KnowHow WHERE ID<=0 ORDER BY ID"),
              (std::vector<std::vector<std::string>>{{"-2", crypt.Encrypt("Minus"), "", "1"},
                                                     {"0", crypt.Encrypt("Null"), crypt.Encrypt("Text"), "5"}}));
}

}  // namespace
