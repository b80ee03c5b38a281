#pragma once
// The knowledge-tree service: reading, saving, deleting, walking and moving
// the folders and entries of the open database, search, and the export and
// import of the folder structure. Instances hold their table and the
// structural changes made through them (a window's undo), so several may
// exist side by side over the one session.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "table/CKnowHowTable.h"
#include "table/CWriteResult.h"
#include "tree/CUndoHistory.h"

// Where a write that was not Saved stopped.
struct SWriteReport {
    int nIndex = -1;      // the array index of the row it stopped at; -1 none
    CKnowHowItem stored;  // Conflict, Deleted: that row as stored now (ID 0 when gone)
    int nEngineCode = 0;  // Locked, Failed: the engine's code
};

class CKnowHow {
public:
    CKnowHow() = default;  // creates the KnowHow table when the database has none
    CKnowHow(const CKnowHow&) = delete;
    CKnowHow& operator=(const CKnowHow&) = delete;
    virtual ~CKnowHow() = default;

    // --- reading (row count, -1 when the statement fails) -----------------
    int GetItem(CKnowHowItem& item, TRowId nId);
    int GetItemAt(CKnowHowItem& item, TRowId nMasterId, std::int32_t nPosNr);
    int GetChildren(CKnowHowArray& arr, TRowId nMasterId, bool bFoldersOnly = false);
    int GetAllItems(CKnowHowArray& arr);
    int CountChildren(TRowId nMasterId, bool bFoldersOnly = false);
    TRowId GetParentId(TRowId nId);
    std::string GetPath(TRowId nId);
    // GetPath of many entries at once, in the order of arrIds; false when
    // the file could not be read.
    bool GetPaths(const std::vector<TRowId>& arrIds, std::vector<std::string>& arrPaths);
    TRowId NextItem(TRowId nId);
    TRowId PreviousItem(TRowId nId);
    // What a walk below a folder needs of an entry: no texts.
    struct STreeNode {
        TRowId ID, MasterID;
        std::int32_t PosNr, IsDir;
        std::string Name;
    };
    // Hands everything below nFolder to fn, depth first with children in
    // position order (GetChildren's), each entry entered once, with its level
    // (nLevel for nFolder's children); false (and nothing handed over) when
    // a read failed.
    bool ForEachBelow(TRowId nFolder, int nLevel, const std::function<void(const STreeNode&, int)>& fn);
    // True when nId is nRoot or lies anywhere below it.
    bool IsInSubtree(TRowId nId, TRowId nRoot);
    // The same, false when the file could not be read.
    bool ReadIsInSubtree(TRowId nId, TRowId nRoot, bool& bInside);

    // --- writing ------------------------------------------------------------------
    // Every write runs in one exclusive transaction and shows nothing: it has
    // ended (committed or rolled back) before anyone talks to the user, so a
    // question or a message never keeps others out of the file. A write that
    // is not Saved leaves the array as it was given (flags, IDs, counters),
    // and says in *pReport where it stopped.
    //
    // Writes every new or changed entry of the array (UpdateItem's check for
    // stored ones). Nothing to write takes no lock. A new entry is written
    // only into a folder that still is one and reaches the top level
    // (ParentGone otherwise).
    [[nodiscard]] EWriteResult SaveItems(CKnowHowArray& arr, SWriteReport* pReport = nullptr);
    // Writes Name, Text and Link of every row of the table back, active or
    // not, with the counter check and raise and the edit stamp, in one
    // transaction but a batch of nBatch rows at a time, so that no file is
    // ever held in memory whole. fnBeforeRead runs before a batch is read,
    // fnBeforeWrite before it is written (the password service changes the
    // key in between). Every other stored value stays as it is.
    [[nodiscard]] EWriteResult RewriteAll(const std::function<void()>& fnBeforeRead,
                                          const std::function<void()>& fnBeforeWrite, size_t nBatch = 500,
                                          SWriteReport* pReport = nullptr);
    // Deletes the entry and everything below it from the tree into the
    // Papierkorb (CKnowHowTrash), asking first when that is more than the
    // entry; Declined when the answer was No, Deleted when
    // another user deleted it first, Conflict when its subtree changed while
    // the question was open.
    [[nodiscard]] EWriteResult DeleteItem(TRowId nId, SWriteReport* pReport = nullptr);
    // The question asked before a delete, for an entry or a folder
    // (Windows-1252); DeleteItem asks once more for a folder's entries.
    static std::string DeleteQuestion(const CKnowHowItem& item);
    // Appends the entry to the target folder and closes the gap it leaves.
    // Its own folder as target changes nothing; a target inside the moved
    // subtree is Declined.
    [[nodiscard]] EWriteResult MoveToFolder(TRowId nId, TRowId nTargetFolder, SWriteReport* pReport = nullptr);
    // Moves the entry to the end of its own folder; the entries behind it
    // close the gap.
    [[nodiscard]] EWriteResult MoveToEnd(TRowId nId, SWriteReport* pReport = nullptr);
    // Exchanges the positions of two entries of one folder as the file
    // holds them now (moving a row up or down); only the positions are
    // written. a and b name the rows as the caller loaded them and get the
    // entries as stored afterwards; an ID that now holds another entry is
    // Deleted.
    [[nodiscard]] EWriteResult SwapPositions(CKnowHowItem& a, CKnowHowItem& b, SWriteReport* pReport = nullptr);
    [[nodiscard]] bool BeginWork();
    [[nodiscard]] bool CommitWork();
    bool RollbackWork();
    // bLive: nFolder is the top level (0) or an active folder whose active
    // parents lead up to it without a circle. False when the file could not
    // be read.
    bool ReadIsLiveFolder(TRowId nFolder, bool& bLive);

    // --- search -------------------------------------------------------------------
    // Without bWithTexts the hits carry no Text and Link: a listing of many
    // hits need not hold every hit's text.
    int Search(CKnowHowArray& arr, const std::string& strText, bool bInKeywords, bool bInTexts, bool bWithTexts = true);

    // --- structure templates --------------------------------------------------------
    // True when there was at least one line to write; *pbWriteFailed turns
    // true when the file could not be written.
    bool ExportStructure(const std::string& strPath, TRowId nFolder, bool* pbWriteFailed = nullptr);
    // The same onto an open stream (standard output), which stays open.
    bool ExportStructure(std::FILE* pFile, TRowId nFolder, bool* pbWriteFailed = nullptr);
    // The ID of the entry made from the first line (0 when that is no entry
    // line). A template is Windows-1252 unless it starts with a UTF-8
    // byte-order mark or all its bytes above 0x7F form valid UTF-8. When
    // nothing could be imported, because the file could not be read or a
    // keyword holds a character Windows-1252 cannot store, *pstrFailure gets
    // the message (Windows-1252) and nothing is written; otherwise it is
    // emptied.
    TRowId ImportStructure(const std::string& strPath, TRowId nTargetFolder, std::string* pstrFailure = nullptr);
    // The same from an open stream (standard input), read to its end; strName
    // stands for it in the message.
    TRowId ImportStructure(std::FILE* pFile, const std::string& strName, TRowId nTargetFolder,
                           std::string* pstrFailure = nullptr);

    CKnowHowTable& GetTable() { return m_table; }
    // Deletes, moves up or down and moves to a folder made through this
    // service, to be taken back.
    CUndoHistory& History() { return m_history; }

private:
    // What a step through the tree needs of an entry.
    struct SNavRow {
        TRowId ID = 0, MasterID = 0;
        std::int32_t PosNr = 0, IsDir = 0;
    };

    // The entry the condition selects, when it is the only one; the row count.
    int SelectOne(CKnowHowItem& item, const std::string& strCondition);
    // The same as GetItem and GetItemAt, for the columns of SNavRow.
    int ReadNav(SNavRow& nav, const std::string& strCondition);
    int ReadNavById(SNavRow& nav, TRowId nId);
    int ReadNavAt(SNavRow& nav, TRowId nMasterId, std::int32_t nPosNr);
    // With bPartialOnFailure the paths end where a failed read stopped them.
    bool GetPaths(const std::vector<TRowId>& arrIds, std::vector<std::string>& arrPaths, bool bPartialOnFailure);
    // The entry's ID and those of everything below it, in delete order.
    bool CollectSubtree(const CKnowHowItem& item, std::vector<TRowId>& arrIds);
    EWriteResult Move(TRowId nId, TRowId nTargetFolder, bool bToEndOfOwnFolder, SWriteReport* pReport);
    // Rolls back a write that failed or was refused; the engine's code goes
    // into the report first (a rollback records an error of its own).
    EWriteResult AbandonWork(EWriteResult eResult, SWriteReport& report);
    // The outcome of the statement that just failed.
    static EWriteResult Failure();
    // The template lines of nFolder and everything below it; false when an
    // unknown folder, nothing to write or (bReadFailed) a failed read.
    bool StructureLines(TRowId nFolder, std::vector<std::string>& arrLines, bool& bReadFailed);
    // ExportStructure to a path or an open stream.
    template <typename Target>
    bool WriteStructure(Target target, TRowId nFolder, bool* pbWriteFailed);
    // Creates the entries of a template's lines (as read, in its encoding).
    TRowId ImportLines(std::vector<std::string>& arrFile, TRowId nTargetFolder, std::string* pstrFailure);

    CKnowHowTable m_table;
    CUndoHistory m_history;
};

// "Die Eingaben konnten nicht gespeichert werden !"
std::string SaveFailedMessage();
void ShowSaveFailed();
// Says, after its transaction has ended, why a write was not Saved: another
// user's change, the engine's reason, the folder that is gone; then, with
// bSaveFailed, that nothing was stored. Nothing for Saved and Declined.
void SayWriteResult(EWriteResult eResult, const SWriteReport& report, bool bSaveFailed = true);
// "Der Eintrag wurde inzwischen von einem anderen Benutzer gelöscht."
std::string EntryDeletedMessage();
// The folder of a new entry is gone.
std::string FolderGoneMessage();

// The message shown after an export (Windows-1252): the usual confirmation,
// or the failure when the file could not be written.
std::string ExportStructureMessage(bool bWriteFailed);

// A keyword (or a path of keywords) for a line of a template or a listing:
// the editor cannot type a line break, but other tools can store one, and it
// must not start a line of its own there. Each CR LF, CR or LF becomes one
// space.
std::string KeywordOnOneLine(const std::string& strKeyword);
