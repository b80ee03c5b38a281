#pragma once
// The Papierkorb of the open database: a delete moves the entry and
// everything below it there (values as stored), and from there it goes back
// into the tree or is purged for good. Every write runs in one exclusive
// transaction and shows nothing, like the writes of CKnowHow.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tree/CKnowHow.h"

// One delete as the trash holds it.
struct STrashItem {
    std::int64_t nNr = 0;  // the number of the delete
    TRowId nId = 0;        // the entry's ID when it was deleted
    bool bDir = false;
    bool bReadable = true;  // stored under the key in force now
    std::string strName;    // plain; empty when not readable
    std::string strPath;    // keyword path of the folder it was in
    std::string strWhen;    // time text
    std::string strBy;      // login name
    TRowId nFromFolder = 0;
    int nEntries = 0;  // the entry and everything below it
};

class CKnowHowTrash {
public:
    explicit CKnowHowTrash(CKnowHow& service) : m_service(service) {}

    // Within the caller's write transaction: moves the rows arrIds (the
    // deleted entry first) out of KnowHow into the trash, as one delete
    // from nFromFolder; *pnNr gets its number.
    bool MoveToTrash(const std::vector<TRowId>& arrIds, TRowId nFromFolder, std::int64_t* pnNr = nullptr);
    // Every delete, oldest first; -1 when the file could not be read.
    int List(std::vector<STrashItem>& arr);
    // Puts delete nNr back, appended to nTarget, or with nTarget -1 to the
    // folder it came from when that is still a live folder, else to the top
    // level. IDs taken meanwhile are replaced by new ones. *pnNewId gets the
    // ID of the restored entry, *pnFolder the folder it went to. Deleted when
    // it is no longer in the trash (restored or purged by another user),
    // Declined when it was stored under another key than the one in force,
    // ParentGone when nTarget is no live folder. With nAtPos above 0 it
    // goes to that position instead (the end when the folder holds fewer),
    // and the entries from there on move down by one.
    [[nodiscard]] EWriteResult Restore(std::int64_t nNr, TRowId nTarget, TRowId* pnNewId = nullptr,
                                       TRowId* pnFolder = nullptr, SWriteReport* pReport = nullptr,
                                       std::int32_t nAtPos = 0);
    // Removes delete nNr for good; Deleted when it is not there any more.
    [[nodiscard]] EWriteResult Purge(std::int64_t nNr, SWriteReport* pReport = nullptr);
    // Removes every delete; *pnEntries gets the number of entries removed.
    [[nodiscard]] EWriteResult Empty(int* pnEntries = nullptr, SWriteReport* pReport = nullptr);
    // For a re-encryption, inside its transaction: the texts of every delete
    // stored under strOldCheck are read after fnBeforeRead and written after
    // fnBeforeWrite, and take strNewCheck. Deletes stored under another key
    // stay as they are.
    [[nodiscard]] EWriteResult RewriteTexts(const std::function<void()>& fnBeforeRead,
                                            const std::function<void()>& fnBeforeWrite, const std::string& strOldCheck,
                                            const std::string& strNewCheck, SWriteReport* pReport = nullptr);

private:
    // Opens a write job of its own; bTable says whether the file has a
    // trash yet. False when either failed.
    bool BeginJob(bool& bTable);
    EWriteResult Abandon(EWriteResult eResult, SWriteReport& report);

    CKnowHow& m_service;
};

// "Der Eintrag ist nicht mehr im Papierkorb ..."
std::string TrashGoneMessage();
// The delete was stored under another database password.
std::string TrashKeyMessage();
// Says why a trash write was not Saved (after its transaction ended).
void SayTrashResult(EWriteResult eResult, const SWriteReport& report);
