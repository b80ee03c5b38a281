#include "tree/CFolderRows.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "db/CDB.h"

namespace {
bool IsUnsaved(const CKnowHowItem& item) {
    return item.ID > 0 ? item.Modified : !(item.Name.empty() && item.Text.empty());
}

EWriteResult ReadFailure() {
    return WriteFailureFromCode(GetDatabase().GetLastErrorCode());
}
}  // namespace

int CFolderRows::IndexOf(TRowId nId) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (m_arrRows[i].ID == nId) return i;
    return -1;
}

CKnowHowItem CFolderRows::MakeEmptyRow() const {
    CKnowHowItem item;
    item.MasterID = m_nFolder;
    item.PosNr = Count() + 1;
    item.IsDir = m_nFolder == 0 ? 1 : 0;
    return item;
}

bool CFolderRows::HasUnsaved() const {
    return std::any_of(m_arrRows.begin(), m_arrRows.end(), IsUnsaved);
}

bool CFolderRows::HasModifiedFolder() const {
    return std::any_of(m_arrRows.begin(), m_arrRows.end(),
                       [](const CKnowHowItem& r) { return r.Modified && r.IsDir && IsUnsaved(r); });
}

bool CFolderRows::IsDuplicateKeyword(int r) const {
    if (!IsRow(r)) return false;
    const std::string& strName = m_arrRows[r].Name;
    for (int i = 0; i < Count(); ++i)
        if (i != r && m_arrRows[i].Name == strName) return true;
    return false;
}

void CFolderRows::Clear() {
    m_nFolder = -1;
    m_arrAncestors.clear();
    m_arrRows.clear();
}

void CFolderRows::EnsureEmptyRow() {
    if (m_nFolder >= 0 && (m_arrRows.empty() || IsUnsaved(m_arrRows.back()) || m_arrRows.back().ID != 0))
        m_arrRows.push_back(MakeEmptyRow());
}

EWriteResult CFolderRows::Load(TRowId nFolder) {
    CKnowHow* pService = Service();
    if (!pService) return EWriteResult::Failed;
    CKnowHowArray arr;
    if (pService->GetChildren(arr, nFolder) < 0) return ReadFailure();
    // the way up, for a new entry whose folder another user deletes
    std::vector<TRowId> arrAncestors;
    std::unordered_set<TRowId> setSeen{nFolder};
    for (TRowId a = nFolder; a > 0;) {
        CKnowHowItem item;
        if (pService->GetItem(item, a) != 1) break;
        a = item.MasterID;
        if (a <= 0 || !setSeen.insert(a).second) break;
        arrAncestors.push_back(a);
    }
    m_nFolder = nFolder;
    m_arrAncestors = std::move(arrAncestors);
    m_arrRows = std::move(arr);
    EnsureEmptyRow();
    return EWriteResult::Saved;
}

EWriteResult CFolderRows::Reload() {
    if (m_nFolder < 0) return EWriteResult::Saved;
    CKnowHow* pService = Service();
    if (!pService) return EWriteResult::Failed;
    CKnowHowArray arr;
    if (pService->GetChildren(arr, m_nFolder) < 0) return ReadFailure();
    // the typing of the rows shown goes into the rows read
    std::unordered_map<TRowId, const CKnowHowItem*> mapTyped;
    for (const CKnowHowItem& row : m_arrRows)
        if (row.ID > 0 && IsUnsaved(row)) mapTyped.emplace(row.ID, &row);
    std::unordered_map<TRowId, std::int32_t> mapHeights;
    for (const CKnowHowItem& row : m_arrRows)
        if (row.ID > 0) mapHeights.emplace(row.ID, row.DisplayHeight);
    for (CKnowHowItem& row : arr) {
        auto it = mapTyped.find(row.ID);
        if (it != mapTyped.end()) {
            row = *it->second;
            mapTyped.erase(it);
        } else if (auto itHeight = mapHeights.find(row.ID); itHeight != mapHeights.end()) {
            row.DisplayHeight = itHeight->second;  // a guess until measured again
        }
    }
    // typed rows whose entry left the folder, then new rows, keep their text
    for (const CKnowHowItem& row : m_arrRows)
        if ((row.ID > 0 && mapTyped.count(row.ID)) || (row.ID == 0 && IsUnsaved(row))) arr.push_back(row);
    m_arrRows = std::move(arr);
    EnsureEmptyRow();
    return EWriteResult::Saved;
}

EWriteResult CFolderRows::Save(SWriteReport* pReport) {
    CKnowHow* pService = Service();
    if (!pService) return EWriteResult::Failed;
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    EWriteResult eResult = pService->SaveItems(m_arrRows, &report);
    // A conflict with an entry that now stands in another folder is taken
    // for another entry that got the ID of a deleted one: keeping mine
    // would write into that one. Offered as deleted, the typing can still
    // be saved as a new entry here.
    const int r = report.nIndex;
    if (eResult == EWriteResult::Conflict && IsRow(r) && report.stored.ID > 0 &&
        report.stored.MasterID != m_arrRows[r].MasterID)
        eResult = EWriteResult::Deleted;
    return eResult;
}

CKnowHowItem CFolderRows::MineOver(int r, const CKnowHowItem& stored) const {
    CKnowHowItem mine = m_arrRows[r];
    mine.TakeColumns(stored, KH_ALL_COLUMNS & ~mine.ChangedColumns());
    return mine;
}

void CFolderRows::KeepMine(int r, const CKnowHowItem& stored) {
    if (!IsRow(r)) return;
    CKnowHowItem mine = MineOver(r, stored);
    // checked against the version the user was shown
    CKnowHowItem shown = stored;
    shown.MarkStored();
    mine.Origin = shown.Origin;
    mine.UpdateNr = stored.UpdateNr;
    mine.Modified = true;
    m_arrRows[r] = std::move(mine);
}

void CFolderRows::RevertRow(int r, const CKnowHowItem& stored) {
    if (!IsRow(r)) return;
    const std::int32_t nHeight = m_arrRows[r].DisplayHeight;
    if (m_arrRows[r].ID > 0 && stored.ID == m_arrRows[r].ID && stored.IsAktiv == 1 && stored.MasterID == m_nFolder) {
        m_arrRows[r] = stored;
        m_arrRows[r].DisplayHeight = nHeight;
    } else {
        m_arrRows.erase(m_arrRows.begin() + r);
    }
}

void CFolderRows::TakeStored(int r, const CKnowHowItem& stored) {
    RevertRow(r, stored);
    EnsureEmptyRow();
}

void CFolderRows::Discard(int r, const CKnowHowItem& stored) {
    RevertRow(r, stored);
    EnsureEmptyRow();
}

EWriteResult CFolderRows::SaveAsNew(int r, const CKnowHowItem& stored, TRowId nFolder, SWriteReport* pReport,
                                    TRowId* pNewId) {
    CKnowHow* pService = Service();
    if (!pService || !IsRow(r)) return EWriteResult::Failed;
    const CKnowHowItem& mine = m_arrRows[r];
    CKnowHowArray arr(1);
    CKnowHowItem& item = arr.front();
    item.MasterID = nFolder;
    // every new entry of the top level is a folder
    item.IsDir = nFolder == 0 ? 1 : mine.IsDir;
    item.SetName(mine.Name);
    item.SetText(mine.Text);
    item.SetLink(mine.Link);
    item.SetTyp(mine.Typ);
    EWriteResult eResult = pService->SaveItems(arr, pReport);
    if (eResult != EWriteResult::Saved) return eResult;
    if (pNewId) *pNewId = item.ID;
    RevertRow(r, stored);
    if (nFolder == m_nFolder) {
        // appended behind the stored rows, before a new row still typed
        auto it = std::find_if(m_arrRows.begin(), m_arrRows.end(), [](const CKnowHowItem& row) { return row.ID == 0; });
        item.DisplayHeight = mine.DisplayHeight;
        m_arrRows.insert(it, item);
    }
    EnsureEmptyRow();
    return EWriteResult::Saved;
}

TRowId CFolderRows::NearestLiveFolder() {
    CKnowHow* pService = Service();
    if (!pService) return 0;
    for (TRowId a : m_arrAncestors) {
        bool bLive = false;
        if (pService->ReadIsLiveFolder(a, bLive) && bLive) return a;
    }
    return 0;
}

EWriteResult CFolderRows::Delete(int r, SWriteReport* pReport) {
    CKnowHow* pService = Service();
    if (!pService || !IsRow(r) || m_arrRows[r].ID <= 0) return EWriteResult::Failed;
    EWriteResult eResult = pService->DeleteItem(m_arrRows[r].ID, pReport);
    if (eResult != EWriteResult::Saved && eResult != EWriteResult::Deleted) return eResult;
    // The entry is gone, and with it whatever was typed into it; the rows
    // behind it moved up. A failed read keeps the others as they stand.
    m_arrRows.erase(m_arrRows.begin() + r);
    if (Reload() != EWriteResult::Saved) EnsureEmptyRow();
    return eResult;
}

EWriteResult CFolderRows::Exchange(int r, int nDelta, SWriteReport* pReport) {
    CKnowHow* pService = Service();
    const int j = r + nDelta;
    // only stored rows without typing change places here
    if (!pService || !IsRow(r) || !IsRow(j) || m_arrRows[r].ID <= 0 || m_arrRows[j].ID <= 0 ||
        IsUnsaved(m_arrRows[r]) || IsUnsaved(m_arrRows[j]))
        return EWriteResult::Declined;
    CKnowHowItem a = m_arrRows[r], b = m_arrRows[j];
    EWriteResult eResult = pService->SwapPositions(a, b, pReport);
    if (eResult != EWriteResult::Saved) return eResult;
    // each keeps its height in its new place
    a.DisplayHeight = m_arrRows[r].DisplayHeight;
    b.DisplayHeight = m_arrRows[j].DisplayHeight;
    m_arrRows[r] = std::move(b);
    m_arrRows[j] = std::move(a);
    return EWriteResult::Saved;
}
