#pragma once
// The knowledge-tree service: reading, saving, deleting, walking and moving
// the folders and entries of the open database, search, and the export and
// import of the folder structure. Instances hold nothing but their table, so
// several may exist side by side over the one session.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "table/CKnowHowTable.h"

class CKnowHow {
public:
    CKnowHow() = default;  // creates the KnowHow table when the database has none
    CKnowHow(const CKnowHow&) = delete;
    CKnowHow& operator=(const CKnowHow&) = delete;
    virtual ~CKnowHow() = default;

    // --- reading (row count, -1 when the statement fails) -----------------
    int GetItem(CKnowHowItem& item, std::int32_t nId);
    int GetItemAt(CKnowHowItem& item, std::int32_t nMasterId, std::int32_t nPosNr);
    int GetChildren(CKnowHowArray& arr, std::int32_t nMasterId, bool bFoldersOnly = false);
    int GetAllItems(CKnowHowArray& arr);
    int CountChildren(std::int32_t nMasterId, bool bFoldersOnly = false);
    std::int32_t GetParentId(std::int32_t nId);
    std::string GetPath(std::int32_t nId);
    // GetPath of many entries at once, in the order of arrIds; false when
    // the file could not be read.
    bool GetPaths(const std::vector<std::int32_t>& arrIds, std::vector<std::string>& arrPaths);
    std::int32_t NextItem(std::int32_t nId);
    std::int32_t PreviousItem(std::int32_t nId);
    // What a walk below a folder needs of an entry: no texts.
    struct STreeNode {
        std::int32_t ID, MasterID, PosNr, IsDir;
        std::string Name;
    };
    // Hands everything below nFolder to fn, depth first with children in
    // position order (GetChildren's), each entry entered once, with its level
    // (nLevel for nFolder's children); false (and nothing handed over) when
    // a read failed.
    bool ForEachBelow(std::int32_t nFolder, int nLevel, const std::function<void(const STreeNode&, int)>& fn);
    // True when nId is nRoot or lies anywhere below it.
    bool IsInSubtree(std::int32_t nId, std::int32_t nRoot);
    // The same, false when the file could not be read.
    bool ReadIsInSubtree(std::int32_t nId, std::int32_t nRoot, bool& bInside);

    // --- writing ------------------------------------------------------------------
    [[nodiscard]] bool SaveItems(CKnowHowArray& arr);
    // Writes every row of the table back, active or not, as SaveItems
    // writes a changed entry (the UpdateNr check and raise, the edit
    // stamp), in one transaction but a batch of nBatch rows at a time, so
    // that no file is ever held in memory whole. fnBeforeRead runs before a
    // batch is read, fnBeforeWrite before it is written (the password
    // service changes the key in between). False, rolled back and said as
    // SaveItems says it, when a read or a write failed or a row was
    // changed by someone else.
    [[nodiscard]] bool RewriteAll(const std::function<void()>& fnBeforeRead,
                                  const std::function<void()>& fnBeforeWrite, size_t nBatch = 500);
    [[nodiscard]] bool DeleteItem(std::int32_t nId);
    // Appends the entry to the target folder and closes the gap it leaves.
    // Its own folder as target changes nothing; a target inside the moved
    // subtree is refused.
    [[nodiscard]] bool MoveToFolder(std::int32_t nId, std::int32_t nTargetFolder);
    // Moves the entry to the end of its own folder; the entries behind it
    // close the gap.
    [[nodiscard]] bool MoveToEnd(std::int32_t nId);
    [[nodiscard]] bool BeginWork();
    [[nodiscard]] bool CommitWork();
    bool RollbackWork();

    // --- search -------------------------------------------------------------------
    // Without bWithTexts the hits carry no Text and Link: a listing of many
    // hits need not hold every hit's text.
    int Search(CKnowHowArray& arr, const std::string& strText, bool bInKeywords, bool bInTexts, bool bWithTexts = true);

    // --- structure templates --------------------------------------------------------
    // True when there was at least one line to write; *pbWriteFailed turns
    // true when the file could not be written.
    bool ExportStructure(const std::string& strPath, std::int32_t nFolder, bool* pbWriteFailed = nullptr);
    // The same onto an open stream (standard output), which stays open.
    bool ExportStructure(std::FILE* pFile, std::int32_t nFolder, bool* pbWriteFailed = nullptr);
    // The ID of the entry made from the first line (0 when that is no entry
    // line). A template is Windows-1252 unless it starts with a UTF-8
    // byte-order mark or all its bytes above 0x7F form valid UTF-8. When
    // nothing could be imported, because the file could not be read or a
    // keyword holds a character Windows-1252 cannot store, *pstrFailure gets
    // the message (Windows-1252) and nothing is written; otherwise it is
    // emptied.
    std::int32_t ImportStructure(const std::string& strPath, std::int32_t nTargetFolder,
                                 std::string* pstrFailure = nullptr);
    // The same from an open stream (standard input), read to its end; strName
    // stands for it in the message.
    std::int32_t ImportStructure(std::FILE* pFile, const std::string& strName, std::int32_t nTargetFolder,
                                 std::string* pstrFailure = nullptr);

    CKnowHowTable& GetTable() { return m_table; }

private:
    // What a step through the tree needs of an entry.
    struct SNavRow {
        std::int32_t ID = 0, MasterID = 0, PosNr = 0, IsDir = 0;
    };

    // The entry the condition selects, when it is the only one; the row count.
    int SelectOne(CKnowHowItem& item, const std::string& strCondition);
    // The same as GetItem and GetItemAt, for the columns of SNavRow.
    int ReadNav(SNavRow& nav, const std::string& strCondition);
    int ReadNavById(SNavRow& nav, std::int32_t nId);
    int ReadNavAt(SNavRow& nav, std::int32_t nMasterId, std::int32_t nPosNr);
    // With bPartialOnFailure the paths end where a failed read stopped them.
    bool GetPaths(const std::vector<std::int32_t>& arrIds, std::vector<std::string>& arrPaths, bool bPartialOnFailure);
    // The entry's ID and those of everything below it, in delete order.
    bool CollectSubtree(const CKnowHowItem& item, std::vector<std::int32_t>& arrIds);
    bool Move(std::int32_t nId, std::int32_t nTargetFolder, bool bToEndOfOwnFolder);
    // Rolls back a write that failed or was refused, after showing why the
    // engine refused (another user's lock, ...) and, with bShowSaveFailed,
    // that nothing was stored. Answers false.
    bool AbandonWork(bool bShowSaveFailed);
    // The template lines of nFolder and everything below it; false when an
    // unknown folder, nothing to write or (bReadFailed) a failed read.
    bool StructureLines(std::int32_t nFolder, std::vector<std::string>& arrLines, bool& bReadFailed);
    // ExportStructure to a path or an open stream.
    template <typename Target>
    bool WriteStructure(Target target, std::int32_t nFolder, bool* pbWriteFailed);
    // Creates the entries of a template's lines (as read, in its encoding).
    std::int32_t ImportLines(std::vector<std::string>& arrFile, std::int32_t nTargetFolder, std::string* pstrFailure);

    CKnowHowTable m_table;
};

// "Die Eingaben konnten nicht gespeichert werden !"
std::string SaveFailedMessage();
void ShowSaveFailed();

// The message shown after an export (Windows-1252): the usual confirmation,
// or the failure when the file could not be written.
std::string ExportStructureMessage(bool bWriteFailed);

// A keyword (or a path of keywords) for a line of a template or a listing:
// the editor cannot type a line break, but other tools can store one, and it
// must not start a line of its own there. Each CR LF, CR or LF becomes one
// space.
std::string KeywordOnOneLine(const std::string& strKeyword);
