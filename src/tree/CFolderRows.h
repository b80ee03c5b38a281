#pragma once
// The rows of the folder the detail view shows: its stored entries in
// position order, then one empty row for a new entry, and the protocol of
// writing them back. It holds no widget: the detail view presents what it
// answers, and the stress test drives it as the program does.
//
// Nothing typed is dropped here. A write that is not Saved leaves the rows
// as typed (still marked modified), so that the next write tries again; a
// conflict is resolved only by one of the calls below, which the user
// chooses.

#include <cstdint>
#include <functional>
#include <string>

#include "table/CKnowHowItem.h"
#include "table/CWriteResult.h"
#include "tree/CKnowHow.h"

class CFolderRows {
public:
    // fnService answers the open database's service (null while none is open).
    explicit CFolderRows(std::function<CKnowHow*()> fnService) : m_fnService(std::move(fnService)) {}

    // --- content ------------------------------------------------------------------
    // The folder shown; -1 none, 0 the top level.
    TRowId GetFolder() const { return m_nFolder; }
    CKnowHowArray& Rows() { return m_arrRows; }
    const CKnowHowArray& Rows() const { return m_arrRows; }
    int Count() const { return static_cast<int>(m_arrRows.size()); }
    bool IsRow(int r) const { return r >= 0 && r < Count(); }
    bool IsLastRow(int r) const { return r >= 0 && r == Count() - 1; }
    // The last row of the entry with that ID; -1 when none shows it.
    int IndexOf(TRowId nId) const;
    // A row for a new entry of the folder shown (a folder on the top level).
    CKnowHowItem MakeEmptyRow() const;
    // A row holds typing not yet stored.
    bool HasUnsaved() const;
    // A row that would be written is a folder (the tree shows it).
    bool HasModifiedFolder() const;
    // Another row has exactly this keyword (the duplicate warning).
    bool IsDuplicateKeyword(int r) const;

    // --- reading ------------------------------------------------------------------
    // Shows nFolder: its entries and the empty row. When they cannot be
    // read, the rows shown before stay (folder included).
    EWriteResult Load(TRowId nFolder);
    // Reads the folder shown again. Rows with typing not yet stored stay as
    // typed: in their new place when the entry is still in the folder, else
    // where they were, so that their next write says what became of them.
    EWriteResult Reload();
    // No folder, no rows.
    void Clear();

    // --- writing ------------------------------------------------------------------
    // Writes every changed and new row; afterwards a stored new entry in
    // the last row gets an empty row behind it.
    EWriteResult Save(SWriteReport* pReport = nullptr);
    // Conflict: the next Save writes the row's typing over the stored
    // version shown (through the same check: a newer change is a new
    // conflict). The fields the user did not change are taken as stored.
    void KeepMine(int r, const CKnowHowItem& stored);
    // Conflict: the row becomes the stored version; the typing is dropped.
    void TakeStored(int r, const CKnowHowItem& stored);
    // Conflict, Deleted, ParentGone: the row's keyword, text and link become
    // a new entry appended to nFolder; the row itself goes back to the
    // stored version (or away when there is none, or when it was new).
    EWriteResult SaveAsNew(int r, const CKnowHowItem& stored, TRowId nFolder, SWriteReport* pReport = nullptr,
                           TRowId* pNewId = nullptr);
    // The row's version for a conflict with stored: the fields the user
    // changed, the others as stored now.
    CKnowHowItem MineOver(int r, const CKnowHowItem& stored) const;
    // Deleted, ParentGone: the row's typing is dropped with the row.
    void Discard(int r, const CKnowHowItem& stored);
    // The nearest of the shown folder's parents (as it was loaded) that
    // still is a folder; 0 at last.
    TRowId NearestLiveFolder();

    // --- structure ------------------------------------------------------------------
    // Deletes the entry of row r (the caller asked); on Saved, and on
    // Deleted (another user was first), the row is gone and the folder is
    // read again.
    EWriteResult Delete(int r, SWriteReport* pReport = nullptr);
    // Exchanges the positions of rows r and r + nDelta (both stored and
    // without typing) and their places.
    EWriteResult Exchange(int r, int nDelta, SWriteReport* pReport = nullptr);

private:
    CKnowHow* Service() const { return m_fnService ? m_fnService() : nullptr; }
    // Drops row r's typing: the stored version in its place, or no row.
    void RevertRow(int r, const CKnowHowItem& stored);
    void EnsureEmptyRow();

    std::function<CKnowHow*()> m_fnService;
    TRowId m_nFolder = -1;
    std::vector<TRowId> m_arrAncestors;  // the shown folder's parents when it was loaded, nearest first
    CKnowHowArray m_arrRows;
};
