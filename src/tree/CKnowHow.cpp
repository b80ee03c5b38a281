#include "tree/CKnowHow.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <unordered_set>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

namespace {
std::string Format(const char* pszFormat, ...) {
    char buf[256];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(buf, sizeof buf, pszFormat, args);
    va_end(args);
    return buf;
}

void ShowSaveFailed() {
    GetPlatform().MessageBox(Ansi("Die Eingaben konnten nicht gespeichert werden !"), "", EMsgIcon::Exclamation,
                             EMsgButtons::Ok);
}
}  // namespace

// --- reading -----------------------------------------------------------------

int CKnowHow::SelectOne(CKnowHowItem& item, const std::string& strCondition) {
    CKnowHowArray arr;
    int n = m_table.SelectItems(arr, strCondition.c_str(), "PosNr");
    if (n == 1) item = std::move(arr.front());
    return n;
}

int CKnowHow::GetItem(CKnowHowItem& item, std::int32_t nId) {
    return SelectOne(item, Format("ID=%d AND IsAktiv='1'", nId));
}

int CKnowHow::GetItemAt(CKnowHowItem& item, std::int32_t nMasterId, std::int32_t nPosNr) {
    return SelectOne(item, Format("MasterID=%d AND PosNr=%d AND IsAktiv='1'", nMasterId, nPosNr));
}

int CKnowHow::GetChildren(CKnowHowArray& arr, std::int32_t nMasterId, bool bFoldersOnly) {
    std::string strCondition = Format("[MasterID]=%d AND IsAktiv='1'", nMasterId);
    if (bFoldersOnly) strCondition += " AND IsDir='1'";
    return m_table.SelectItems(arr, strCondition.c_str(), "[PosNr]");
}

int CKnowHow::GetAllItems(CKnowHowArray& arr) {
    return m_table.SelectItems(arr);
}

int CKnowHow::CountChildren(std::int32_t nMasterId, bool bFoldersOnly) {
    std::string strCondition = Format("MasterID=%d AND IsAktiv='1'", nMasterId);
    if (bFoldersOnly) strCondition += " AND IsDir='1'";
    return m_table.CountRows(strCondition.c_str());
}

std::int32_t CKnowHow::GetParentId(std::int32_t nId) {
    CKnowHowItem item;
    GetItem(item, nId);
    return item.MasterID;
}

std::string CKnowHow::GetPath(std::int32_t nId) {
    std::string strPath;
    std::unordered_set<std::int32_t> setSeen;  // a damaged file may hold a cycle
    while (nId > 0 && setSeen.insert(nId).second) {
        CKnowHowItem item;
        if (GetItem(item, nId) != 1) break;
        strPath = strPath.empty() ? item.Name : item.Name + "\\" + strPath;
        nId = item.MasterID;
    }
    return strPath;
}

std::int32_t CKnowHow::NextItem(std::int32_t nId) {
    CKnowHowItem item;
    if (GetItem(item, nId) != 1) return -1;
    CKnowHowItem next;
    if (item.IsDir && GetItemAt(next, item.ID, 1) == 1) return next.ID;
    if (GetItemAt(next, item.MasterID, item.PosNr + 1) == 1) return next.ID;
    std::unordered_set<std::int32_t> setSeen;
    for (std::int32_t a = item.MasterID; a > 0 && setSeen.insert(a).second;) {
        CKnowHowItem folder;
        if (GetItem(folder, a) != 1) break;
        if (GetItemAt(next, folder.MasterID, folder.PosNr + 1) == 1) return next.ID;
        a = folder.MasterID;
    }
    return -1;
}

std::int32_t CKnowHow::PreviousItem(std::int32_t nId) {
    CKnowHowItem item;
    if (GetItem(item, nId) != 1) return -1;
    if (item.MasterID == 0 && item.PosNr == 1) return -1;
    if (item.PosNr == 1) return item.MasterID;
    CKnowHowItem reached;
    if (GetItemAt(reached, item.MasterID, item.PosNr - 1) != 1) return 0;
    std::unordered_set<std::int32_t> setSeen;
    while (reached.IsDir && setSeen.insert(reached.ID).second) {
        int m = CountChildren(reached.ID);
        if (m <= 0) break;
        CKnowHowItem last;
        if (GetItemAt(last, reached.ID, m) != 1) break;
        reached = last;
    }
    return reached.ID;
}

bool CKnowHow::IsInSubtree(std::int32_t nId, std::int32_t nRoot) {
    std::unordered_set<std::int32_t> setSeen;
    for (std::int32_t a = nId; a > 0 && setSeen.insert(a).second; a = GetParentId(a))
        if (a == nRoot) return true;
    return false;
}

// --- writing -----------------------------------------------------------------

bool CKnowHow::BeginWork() {
    return GetDatabase().BeginTransaction();
}

bool CKnowHow::CommitWork() {
    return GetDatabase().CommitTransaction();
}

bool CKnowHow::RollbackWork() {
    return GetDatabase().RollbackTransaction();
}

bool CKnowHow::SaveItems(CKnowHowArray& arr) {
    auto fail = [this] {
        RollbackWork();
        ShowSaveFailed();
        return false;
    };
    if (!BeginWork()) return fail();
    if (std::any_of(arr.begin(), arr.end(), [](const CKnowHowItem& item) { return item.Modified; }))
        GetDatabase().StampEdit();
    for (auto& item : arr) {
        bool bOk;
        if (item.ID > 0) {
            if (!item.Modified) continue;
            bOk = m_table.UpdateItem(item);
        } else {
            if (item.Name.empty() && item.Text.empty()) continue;
            bOk = m_table.InsertItem(item);
        }
        if (!bOk) return fail();
        item.Modified = false;
    }
    // a commit that fails (another user still reading after the retries)
    // has written nothing; say so rather than report success
    if (!CommitWork()) return fail();
    return true;
}

void CKnowHow::ForEachBelow(std::int32_t nFolder, int nLevel, const std::function<void(const CKnowHowItem&, int)>& fn) {
    // a stack instead of recursion so that very deep trees cannot exhaust
    // the call stack
    std::unordered_set<std::int32_t> setSeen{nFolder};  // a damaged file may hold a cycle
    std::vector<std::pair<CKnowHowItem, int>> arrStack;
    auto pushChildren = [&](std::int32_t nId, int nChildLevel) {
        CKnowHowArray arrChildren;
        GetChildren(arrChildren, nId);
        for (auto it = arrChildren.rbegin(); it != arrChildren.rend(); ++it)
            arrStack.emplace_back(std::move(*it), nChildLevel);
    };
    pushChildren(nFolder, nLevel);
    while (!arrStack.empty()) {
        auto [item, nItemLevel] = std::move(arrStack.back());
        arrStack.pop_back();
        fn(item, nItemLevel);
        if (CountChildren(item.ID) > 0 && setSeen.insert(item.ID).second) pushChildren(item.ID, nItemLevel + 1);
    }
}

bool CKnowHow::DeleteItem(std::int32_t nId) {
    GetDatabase().StampEdit();
    CKnowHowItem item;
    // an unknown ID would otherwise renumber the top level as if its
    // first entry had gone
    if (GetItem(item, nId) != 1) return false;

    std::vector<std::int32_t> arrIds{item.ID};
    if (item.IsDir) ForEachBelow(item.ID, 0, [&](const CKnowHowItem& below, int) { arrIds.push_back(below.ID); });
    if (arrIds.size() > 1) {
        std::string strQuestion = Format(
            Ansi("Ordner löschen:\n\nIn dem Ordner befinden sich %d Einträge !\n\nSind Sie wirklich alle Einträge "
                 "zu löschen ?")
                .c_str(),
            static_cast<int>(arrIds.size() - 1));
        if (GetPlatform().MessageBox(strQuestion, "", EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
            return false;
    }

    auto fail = [this] {
        RollbackWork();
        return false;
    };
    if (!BeginWork()) return fail();
    int n = CountChildren(item.MasterID);
    for (std::int32_t p = item.PosNr + 1; p <= n; ++p) {
        CKnowHowItem sibling;
        if (GetItemAt(sibling, item.MasterID, p) != 1) continue;
        sibling.SetPosNr(p - 1);
        if (!m_table.UpdateItem(sibling)) return fail();
    }
    for (std::int32_t nDelete : arrIds)
        if (!m_table.DeleteById(nDelete)) return fail();
    if (!CommitWork()) return fail();
    return true;
}

bool CKnowHow::MoveToFolder(std::int32_t nId, std::int32_t nTargetFolder) {
    CKnowHowItem item;
    if (GetItem(item, nId) != 1) return false;
    // already there: appending would leave a gap at its old position
    if (item.MasterID == nTargetFolder) return true;
    // into itself or below itself would cut the subtree off the tree
    if (IsInSubtree(nTargetFolder, nId)) return false;

    std::int32_t nOldFolder = item.MasterID;
    CKnowHowArray arr;
    GetChildren(arr, nOldFolder);
    int n = CountChildren(nTargetFolder);
    bool bAfter = false;
    for (auto& child : arr) {
        if (child.ID == nId) {
            child.MasterID = nTargetFolder;
            child.PosNr = n + 1;
            child.Modified = true;
            bAfter = true;
        } else if (bAfter) {
            child.SetPosNr(child.PosNr - 1);
        }
    }
    return SaveItems(arr);
}
