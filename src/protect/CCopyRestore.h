#pragma once
// Getting entries back from a backup copy: the copies of the open database,
// a copy opened read-only beside it (with its own password, which may be an
// older one), and an entry or folder of it written with all its texts into
// the open database.

#include <cstdint>
#include <string>
#include <vector>

#include "protect/CCrypt.h"
#include "protect/CDbPasswort.h"
#include "table/CFieldCodec.h"
#include "table/CKnowHowItem.h"
#include "table/CWriteResult.h"
#include "tree/CKnowHow.h"

struct sqlite3;

// One backup copy in the backup folder of the open database.
struct SBackupCopy {
    std::string strPath;  // file system path
    std::string strName;  // file name
    std::string strTime;  // from the name: "07.12.2026 06:34"
    std::int64_t nSize = 0;
};

// The copies of the open database, newest first (those made by the daily
// backup, "backup" and before protect, upgrade and the like).
std::vector<SBackupCopy> ListBackupCopies();
// "Größe" as the list shows it: "12 KB", "3,4 MB".
std::string BackupCopySizeText(std::int64_t nBytes);

// A backup copy opened read-only: nothing is written to it, no journal is
// rolled back and no side file is made, so it stays as it is byte for
// byte. Its texts are read under its own key, never under the open
// database's.
class CBackupCopyReader : private IFieldCodec {
public:
    CBackupCopyReader() = default;
    CBackupCopyReader(const CBackupCopyReader&) = delete;
    CBackupCopyReader& operator=(const CBackupCopyReader&) = delete;
    ~CBackupCopyReader() override;

    // False when it is no readable knowledge base; *pstrWhy gets the
    // reason (Windows-1252).
    bool Open(const std::string& strPath, std::string* pstrWhy = nullptr);
    void Close();
    bool IsOpen() const { return m_pDb != nullptr; }
    const std::string& GetPath() const { return m_strPath; }
    // A protected copy reads nothing until TestPassword was Right.
    bool IsProtected() const { return !m_strVerifier.empty(); }
    bool IsReadable() const { return IsOpen() && (!IsProtected() || m_bKeySet); }
    // The typed password against the copy's own verifier; Unreadable when
    // the copy's texts could not be read.
    EPasswordCheck TestPassword(const std::string& strTyped);
    // A copy made since the last password change has the open database's
    // key: true when that key (or no key at all) reads it.
    bool UnlockWithOpenKey();

    // The active children of a folder in position order, texts plain; -1
    // when they could not be read.
    int GetChildren(TRowId nMasterId, CKnowHowArray& arr);
    // 1 when the active entry was found, 0 when not, -1 on failure.
    int GetItem(TRowId nId, CKnowHowItem& item);
    // The keywords from the top down to the entry, joined by "\".
    std::string GetPath(TRowId nId);
    // The entry and everything below it: each folder before its children,
    // children in position order. False when it is not in the copy or
    // could not be read.
    bool ReadSubtree(TRowId nId, CKnowHowArray& arr);

private:
    std::string EncryptField(const std::string& strValue) override;
    std::string DecryptField(const std::string& strStored) override;
    void DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut) override;
    int Select(const std::string& strCondition, std::int64_t nArg1, std::int64_t nArg2, CKnowHowArray& arr);

    sqlite3* m_pDb = nullptr;
    std::string m_strPath;
    std::string m_strVerifier;  // the copy's "DbKey"
    bool m_bKeySet = false;
    CCrypt m_crypt;
};

// What a restore wrote.
struct SRestoreResult {
    SWriteReport report;           // where a write that was not Saved stopped
    TRowId nNewId = 0;             // the ID the restored entry got
    int nRows = 0;                 // rows written: the entry and everything below it
    std::string strName;           // its keyword
    bool bCopyUnreadable = false;  // Failed: reading the copy failed
    std::string strCopyPath;
};

// Copies the entry nId of the copy and everything below it to the end of
// folder nTarget of the open database, with new IDs, the links inside the
// subtree kept and the texts stored under the open database's key; one
// exclusive transaction. Deleted when the entry is not in the copy (or the
// copy cannot be read: then Failed), ParentGone when the target folder is
// gone, Locked/Failed as every write.
EWriteResult RestoreFromCopy(CKnowHow& service, CBackupCopyReader& copy, TRowId nId, TRowId nTarget,
                             SRestoreResult& result);

// Messages (Windows-1252).
// "Der Eintrag wurde aus der Sicherungskopie wiederhergestellt." and the count.
std::string RestoredMessage(const SRestoreResult& result);
// "Die Sicherungskopie kann nicht gelesen werden: " and the path.
std::string CopyUnreadable(const std::string& strPath);
// "Der Eintrag %d ist in der Sicherungskopie nicht vorhanden."
std::string NotInCopyMessage(TRowId nId);
// Says why a restore was not done (after its transaction ended).
void SayRestoreResult(EWriteResult eResult, const SRestoreResult& result, TRowId nId);
