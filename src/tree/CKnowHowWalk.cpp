// Paths, the neighbours in reading order and the walk below a folder.
//
// These read only the columns they need (never the texts) and, where a job
// touches many rows, read them level by level with one statement per level
// instead of one per row: a statement costs more to run than the rows it
// reads. The answers are those of the row-by-row reads they replace, down to
// the order of rows and the guards against cycles in a damaged file.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "db/CDB.h"
#include "table/CFieldCodec.h"
#include "tree/CKnowHow.h"
#include "tree/ColumnReads.h"

using namespace tree_reads;

namespace {
const char* const kNavColumns = "ID, MasterID, PosNr, IsDir";
}  // namespace

// --- one step ----------------------------------------------------------------------

int CKnowHow::ReadNav(SNavRow& nav, const std::string& strCondition) {
    // the entry the condition selects when it is the only one, as GetItem
    // and GetItemAt answer, from the four columns a step needs
    SNavRow found;
    auto onRow = [&](const char* const* ppCells) {
        found = {IdCell(ppCells[0]), IdCell(ppCells[1]), IntCell(ppCells[2]), IntCell(ppCells[3])};
    };
    int n = ReadColumns(m_table, kNavColumns, strCondition, nullptr, onRow);
    if (n == 1) nav = found;
    return n;
}

int CKnowHow::ReadNavById(SNavRow& nav, TRowId nId) {
    return ReadNav(nav, "ID=" + std::to_string(nId) + " AND IsAktiv='1'");
}

int CKnowHow::ReadNavAt(SNavRow& nav, TRowId nMasterId, std::int32_t nPosNr) {
    return ReadNav(
        nav, "MasterID=" + std::to_string(nMasterId) + " AND PosNr=" + std::to_string(nPosNr) + " AND IsAktiv='1'");
}

TRowId CKnowHow::GetParentId(TRowId nId) {
    SNavRow nav;
    ReadNavById(nav, nId);
    return nav.MasterID;
}

TRowId CKnowHow::NextItem(TRowId nId) {
    SNavRow item;
    if (ReadNavById(item, nId) != 1) return -1;
    SNavRow next;
    if (item.IsDir && ReadNavAt(next, item.ID, 1) == 1) return next.ID;
    if (ReadNavAt(next, item.MasterID, item.PosNr + 1) == 1) return next.ID;
    std::unordered_set<TRowId> setSeen;
    for (TRowId a = item.MasterID; a > 0 && setSeen.insert(a).second;) {
        SNavRow folder;
        if (ReadNavById(folder, a) != 1) break;
        if (ReadNavAt(next, folder.MasterID, folder.PosNr + 1) == 1) return next.ID;
        a = folder.MasterID;
    }
    return -1;
}

TRowId CKnowHow::PreviousItem(TRowId nId) {
    SNavRow item;
    if (ReadNavById(item, nId) != 1) return -1;
    if (item.MasterID == 0 && item.PosNr == 1) return -1;
    if (item.PosNr == 1) return item.MasterID;
    SNavRow reached;
    if (ReadNavAt(reached, item.MasterID, item.PosNr - 1) != 1) return 0;
    std::unordered_set<TRowId> setSeen;
    while (reached.IsDir && setSeen.insert(reached.ID).second) {
        int m = CountChildren(reached.ID);
        if (m <= 0) break;
        SNavRow last;
        if (ReadNavAt(last, reached.ID, m) != 1) break;
        reached = last;
    }
    return reached.ID;
}

bool CKnowHow::IsInSubtree(TRowId nId, TRowId nRoot) {
    bool bInside = false;
    return ReadIsInSubtree(nId, nRoot, bInside) && bInside;
}

bool CKnowHow::ReadIsInSubtree(TRowId nId, TRowId nRoot, bool& bInside) {
    bInside = false;
    std::unordered_set<TRowId> setSeen;
    for (TRowId a = nId; a > 0 && setSeen.insert(a).second;) {
        if (a == nRoot) {
            bInside = true;
            return true;
        }
        SNavRow nav;
        int n = ReadNavById(nav, a);
        if (n < 0) return false;
        a = n == 1 ? nav.MasterID : 0;
    }
    return true;
}

// --- paths ----------------------------------------------------------------------------

std::string CKnowHow::GetPath(TRowId nId) {
    std::vector<std::string> arrPaths;
    // a read that fails ends the path where it is, as a missing row does
    if (!GetPaths({nId}, arrPaths, true)) return std::string();
    return arrPaths.front();
}

bool CKnowHow::GetPaths(const std::vector<TRowId>& arrIds, std::vector<std::string>& arrPaths) {
    return GetPaths(arrIds, arrPaths, false);
}

bool CKnowHow::GetPaths(const std::vector<TRowId>& arrIds, std::vector<std::string>& arrPaths, bool bPartialOnFailure) {
    arrPaths.assign(arrIds.size(), std::string());
    // The keywords of every entry on the way up, read level by level: the
    // entries themselves, then the folders that hold them, then theirs. A
    // level is a handful of statements whatever the number of entries, and
    // every row is read once however many paths pass through it.
    struct SNode {
        TRowId nMaster;
        std::string strName;
    };
    std::unordered_map<TRowId, SNode> mapFound;
    std::unordered_set<TRowId> setAsked;
    std::vector<TRowId> arrLevel;
    for (TRowId nId : arrIds)
        if (nId > 0 && setAsked.insert(nId).second) arrLevel.push_back(nId);
    bool bOk = true;
    std::string strName;
    while (!arrLevel.empty() && bOk) {
        std::sort(arrLevel.begin(), arrLevel.end());
        std::vector<TRowId> arrNext;
        auto onRow = [&](const char* const* ppCells) {
            TRowId nId = IdCell(ppCells[0]);
            TRowId nMaster = IdCell(ppCells[1]);
            DecryptFieldInto(ppCells[2] ? ppCells[2] : "", strName);
            mapFound[nId] = {nMaster, strName};
            if (nMaster > 0 && setAsked.insert(nMaster).second) arrNext.push_back(nMaster);
        };
        for (size_t i = 0; i < arrLevel.size() && bOk; i += kIdsPerStatement)
            bOk = ReadColumns(m_table, "ID, MasterID, Name", "IsAktiv='1' AND " + InList("ID", arrLevel, i), nullptr,
                              onRow) >= 0;
        arrLevel = std::move(arrNext);
    }
    if (!bOk && !bPartialOnFailure) return false;

    for (size_t i = 0; i < arrIds.size(); ++i) {
        std::string& strPath = arrPaths[i];
        std::unordered_set<TRowId> setSeen;  // a damaged file may hold a cycle
        for (TRowId nId = arrIds[i]; nId > 0 && setSeen.insert(nId).second;) {
            auto it = mapFound.find(nId);
            if (it == mapFound.end()) break;
            strPath = strPath.empty() ? it->second.strName : it->second.strName + "\\" + strPath;
            nId = it->second.nMaster;
        }
    }
    return bOk;
}

// --- below a folder -------------------------------------------------------------------

bool CKnowHow::ForEachBelow(TRowId nFolder, int nLevel, const std::function<void(const STreeNode&, int)>& fn) {
    // Every folder's children, read a level at a time (children of all the
    // folders reached so far in one statement), then walked in memory as
    // the row-by-row walk went: children in position order, each entry
    // entered once, so that a cycle in a damaged file ends.
    std::unordered_map<TRowId, std::vector<STreeNode>> mapChildren;
    std::unordered_set<TRowId> setRead{nFolder};
    std::vector<TRowId> arrLevel{nFolder};
    while (!arrLevel.empty()) {
        std::sort(arrLevel.begin(), arrLevel.end());
        std::vector<TRowId> arrNext;
        auto onRow = [&](const char* const* ppCells) {
            STreeNode node{IdCell(ppCells[0]), IdCell(ppCells[1]), IntCell(ppCells[2]), IntCell(ppCells[3]), {}};
            DecryptFieldInto(ppCells[4] ? ppCells[4] : "", node.Name);
            if (setRead.insert(node.ID).second) arrNext.push_back(node.ID);
            mapChildren[node.MasterID].push_back(std::move(node));
        };
        // The engine sorts the rows of one statement by position; the rows of
        // one folder keep among themselves the order a read of that folder
        // alone gives.
        for (size_t i = 0; i < arrLevel.size(); i += kIdsPerStatement)
            if (ReadColumns(m_table, "ID, MasterID, PosNr, IsDir, Name",
                            InList("MasterID", arrLevel, i) + " AND IsAktiv='1'", "PosNr", onRow) < 0)
                return false;
        arrLevel = std::move(arrNext);
    }

    std::unordered_set<TRowId> setSeen{nFolder};
    std::vector<std::pair<const STreeNode*, int>> arrStack;
    auto pushChildren = [&](TRowId nId, int nChildLevel) {
        auto it = mapChildren.find(nId);
        if (it == mapChildren.end()) return;
        for (auto child = it->second.rbegin(); child != it->second.rend(); ++child)
            arrStack.emplace_back(&*child, nChildLevel);
    };
    pushChildren(nFolder, nLevel);
    while (!arrStack.empty()) {
        auto [pNode, nItemLevel] = arrStack.back();
        arrStack.pop_back();
        fn(*pNode, nItemLevel);
        if (mapChildren.count(pNode->ID) && setSeen.insert(pNode->ID).second) pushChildren(pNode->ID, nItemLevel + 1);
    }
    return true;
}

bool CKnowHow::CollectSubtree(const CKnowHowItem& item, std::vector<TRowId>& arrIds) {
    arrIds.assign(1, item.ID);
    // not only folders: a text entry with children (a template may make
    // one) takes them along instead of cutting them off the tree
    return ForEachBelow(item.ID, 0, [&](const STreeNode& below, int) { arrIds.push_back(below.ID); });
}
