#include "tree/CKnowHow.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "table/CRecordSet.h"

namespace {
std::string Format(const char* pszFormat, ...) {
    char buf[256];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(buf, sizeof buf, pszFormat, args);
    va_end(args);
    return buf;
}

}  // namespace

std::string SaveFailedMessage() {
    return Ansi("Die Eingaben konnten nicht gespeichert werden !");
}

void ShowSaveFailed() {
    GetPlatform().MessageBox(SaveFailedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}

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

// --- writing -----------------------------------------------------------------

bool CKnowHow::BeginWork() {
    // The write lock is taken at the start of a batch: two writers that had
    // both read the file would otherwise wait for each other until one gave
    // up and lost its batch. A second writer now simply waits.
    return GetDatabase().BeginExclusiveTransaction();
}

bool CKnowHow::CommitWork() {
    return GetDatabase().CommitTransaction();
}

bool CKnowHow::RollbackWork() {
    return GetDatabase().RollbackTransaction();
}

bool CKnowHow::AbandonWork(bool bShowSaveFailed) {
    // the reason first: a rollback of nothing records an error of its own
    ShowDbFailureReason();
    RollbackWork();
    if (bShowSaveFailed) ShowSaveFailed();
    return false;
}

bool CKnowHow::SaveItems(CKnowHowArray& arr) {
    CDB& db = GetDatabase();
    db.ClearLastError();
    if (!BeginWork()) return AbandonWork(true);
    if (std::any_of(arr.begin(), arr.end(), [](const CKnowHowItem& item) { return item.Modified; })) db.StampEdit();
    // New rows are appended behind what the file holds now, not behind what
    // the caller was shown: another user may have appended meanwhile. Each
    // folder is counted once, and again after a row of it was rewritten.
    std::unordered_map<std::int32_t, std::int32_t> mapNextPos;
    for (auto& item : arr) {
        bool bOk;
        if (item.ID > 0) {
            if (!item.Modified) continue;
            bOk = m_table.UpdateItem(item);
            mapNextPos.erase(item.MasterID);
        } else {
            if (item.Name.empty() && item.Text.empty()) continue;
            auto it = mapNextPos.find(item.MasterID);
            if (it == mapNextPos.end()) {
                int n = CountChildren(item.MasterID);
                if (n < 0) return AbandonWork(true);
                it = mapNextPos.emplace(item.MasterID, n + 1).first;
            }
            item.PosNr = it->second++;
            bOk = m_table.InsertItem(item);
        }
        if (!bOk) return AbandonWork(true);
        item.Modified = false;
    }
    // a commit that fails (another user still reading after the retries)
    // has written nothing; say so rather than report success
    if (!CommitWork()) return AbandonWork(true);
    return true;
}

bool CKnowHow::RewriteAll(const std::function<void()>& fnBeforeRead, const std::function<void()>& fnBeforeWrite,
                          size_t nBatch) {
    CDB& db = GetDatabase();
    db.ClearLastError();
    if (!BeginWork()) return AbandonWork(true);
    // The rows come in pages by ID, the page's last ID the start of the
    // next: nothing here changes an ID, so every row is met once. IDs are
    // taken as the file has them, also where they do not fit 32 bits.
    struct SRow {
        CKnowHowItem item;
        std::string strId;
    };
    struct SContext {
        std::vector<SRow>& arr;
        const CRecordSet& rs;
        std::optional<SKnowHowColumns> cols;
    };
    std::vector<SRow> arrRows;
    arrRows.reserve(nBatch);
    SContext context{arrRows, m_table.GetRecordSet(), std::nullopt};
    auto onRow = [](void* p, const char* const* ppCells) {
        auto& c = *static_cast<SContext*>(p);
        if (!c.cols) c.cols.emplace(c.rs.GetColumnNames());
        SRow& row = c.arr.emplace_back();
        row.item.ReadCells(ppCells, *c.cols);
        const char* pszId = c.cols->nId >= 0 ? ppCells[c.cols->nId] : nullptr;
        row.strId = pszId ? pszId : "";
        return true;
    };
    const std::string strOrder = "ID LIMIT " + std::to_string(nBatch);
    std::string strAfter;  // empty: from the first row on
    bool bStamped = false;
    // the check and the write of UpdateItem, each compiled once
    CKnowHowUpdater updater;
    for (;;) {
        arrRows.clear();
        context.cols.reset();
        fnBeforeRead();
        std::string strCondition = "ID>" + strAfter;
        if (m_table.SelectEach(strAfter.empty() ? nullptr : strCondition.c_str(), strOrder.c_str(), onRow, &context) <
            0)
            return AbandonWork(true);
        if (arrRows.empty()) break;
        if (!bStamped) db.StampEdit();
        bStamped = true;
        fnBeforeWrite();
        for (SRow& row : arrRows)
            if (!updater.Update(row.item, std::strtoll(row.strId.c_str(), nullptr, 10))) return AbandonWork(true);
        strAfter = arrRows.back().strId;
    }
    if (!CommitWork()) return AbandonWork(true);
    return true;
}

bool CKnowHow::DeleteItem(std::int32_t nId) {
    CDB& db = GetDatabase();
    db.ClearLastError();
    db.StampEdit();
    CKnowHowItem item;
    // an unknown ID would otherwise renumber the top level as if its
    // first entry had gone
    int nFound = GetItem(item, nId);
    std::vector<std::int32_t> arrIds;
    if (nFound < 0 || (nFound == 1 && !CollectSubtree(item, arrIds))) {
        ShowDbFailureReason();
        return false;
    }
    if (nFound != 1) return false;
    if (arrIds.size() > 1) {
        std::string strQuestion = Format(
            Ansi("Ordner löschen:\n\nIn dem Ordner befinden sich %d Einträge !\n\nSind Sie wirklich alle Einträge "
                 "zu löschen ?")
                .c_str(),
            static_cast<int>(arrIds.size() - 1));
        if (GetPlatform().MessageBox(strQuestion, "", EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes)
            return false;
    }

    if (!BeginWork()) return AbandonWork(false);
    // While the question was open others may have moved, renumbered or
    // filled the entry: the gap is closed where it is now, and what is
    // deleted must be what the question counted.
    CKnowHowItem current;
    std::vector<std::int32_t> arrNow;
    nFound = GetItem(current, nId);
    if (nFound < 0 || (nFound == 1 && !CollectSubtree(current, arrNow))) return AbandonWork(false);
    // the same entries, in whatever order they stand now
    auto sorted = [](std::vector<std::int32_t> arr) {
        std::sort(arr.begin(), arr.end());
        return arr;
    };
    if (nFound != 1 || sorted(arrNow) != sorted(arrIds)) {
        ShowStaleRowMessage();
        return AbandonWork(false);
    }
    int n = CountChildren(current.MasterID);
    if (n < 0) return AbandonWork(false);
    // The siblings behind the entry in one read instead of one per
    // position (which read the whole folder each time): every position
    // from the entry's on to n that exactly one of them holds moves up by
    // one, in position order. The rows are those GetItemAt finds at such a
    // position (an integer there), and the moves cannot meet a position
    // still to come, so reading them first changes nothing.
    if (current.PosNr < n) {
        CKnowHowArray arrBehind;
        std::string strCondition = Format(
            "MasterID=%d AND PosNr>%d AND PosNr<=%d AND typeof(PosNr)='integer' AND "
            "IsAktiv='1'",
            current.MasterID, current.PosNr, n);
        if (m_table.SelectItems(arrBehind, strCondition.c_str(), "PosNr") < 0) return AbandonWork(false);
        for (size_t i = 0; i < arrBehind.size();) {
            size_t j = i + 1;
            while (j < arrBehind.size() && arrBehind[j].PosNr == arrBehind[i].PosNr) ++j;
            if (j == i + 1) {
                CKnowHowItem& sibling = arrBehind[i];
                sibling.SetPosNr(sibling.PosNr - 1);
                if (!m_table.UpdateItem(sibling)) return AbandonWork(false);
            }
            i = j;
        }
    }
    for (std::int32_t nDelete : arrNow)
        if (!m_table.DeleteById(nDelete)) return AbandonWork(false);
    if (!CommitWork()) return AbandonWork(false);
    return true;
}

bool CKnowHow::MoveToFolder(std::int32_t nId, std::int32_t nTargetFolder) {
    return Move(nId, nTargetFolder, false);
}

bool CKnowHow::MoveToEnd(std::int32_t nId) {
    return Move(nId, -1, true);
}

bool CKnowHow::Move(std::int32_t nId, std::int32_t nTargetFolder, bool bToEndOfOwnFolder) {
    CDB& db = GetDatabase();
    db.ClearLastError();
    // A move that is refused or changes nothing is told from reads alone,
    // without the write lock; the same checks are made again under it.
    auto check = [&](CKnowHowItem& item, bool& bMove) {
        bMove = false;
        int nFound = GetItem(item, nId);
        if (nFound < 0) return false;
        if (nFound != 1) return true;
        if (bToEndOfOwnFolder) nTargetFolder = item.MasterID;
        // already there: appending would leave a gap at its old position
        if (item.MasterID == nTargetFolder && !bToEndOfOwnFolder) {
            bMove = true;
            return true;
        }
        // into itself or below itself would cut the subtree off the tree
        bool bInside = false;
        if (!ReadIsInSubtree(nTargetFolder, nId, bInside)) return false;
        bMove = !bInside;
        return true;
    };
    CKnowHowItem item;
    bool bMove = false;
    if (!check(item, bMove)) return AbandonWork(true);
    if (!bMove) return false;
    if (item.MasterID == nTargetFolder && !bToEndOfOwnFolder) return true;

    // read and written in one transaction: the positions are those of the
    // file, whatever others appended or moved since it was last shown
    if (!BeginWork()) return AbandonWork(true);
    if (!check(item, bMove)) return AbandonWork(true);
    if (!bMove || (item.MasterID == nTargetFolder && !bToEndOfOwnFolder)) {
        RollbackWork();
        return bMove;
    }
    CKnowHowArray arr;
    if (GetChildren(arr, item.MasterID) < 0) return AbandonWork(true);
    int n = CountChildren(nTargetFolder);
    if (n < 0) return AbandonWork(true);
    // within its own folder it counts itself
    std::int32_t nNewPos = bToEndOfOwnFolder ? n : n + 1;
    bool bAfter = false;
    for (auto& child : arr) {
        if (child.ID == nId) {
            if (child.MasterID != nTargetFolder) {
                child.MasterID = nTargetFolder;
                child.Modified = true;
            }
            child.SetPosNr(nNewPos);
            bAfter = true;
        } else if (bAfter) {
            child.SetPosNr(child.PosNr - 1);
        }
    }
    // SaveItems rolls everything back and says so when it fails
    if (!SaveItems(arr)) return false;
    if (!CommitWork()) return AbandonWork(true);
    return true;
}
