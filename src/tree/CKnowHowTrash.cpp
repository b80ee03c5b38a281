#include "tree/CKnowHowTrash.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "table/CFieldCodec.h"
#include "table/CPrepared.h"

namespace {
const auto kNoValues = [](sqlite3_stmt*) {};

// A cell as its bytes; nullopt for NULL.
std::optional<std::string> Cell(sqlite3_stmt* p, int i) {
    if (sqlite3_column_type(p, i) == SQLITE_NULL) return std::nullopt;
    const char* psz = static_cast<const char*>(sqlite3_column_blob(p, i));
    return std::string(psz ? psz : "", static_cast<size_t>(sqlite3_column_bytes(p, i)));
}

void BindCell(sqlite3_stmt* p, int i, const std::optional<std::string>& str) {
    if (str)
        BindText(p, i, *str);
    else
        sqlite3_bind_null(p, i);
}

EWriteResult Failure() {
    return WriteFailureFromCode(GetDatabase().GetLastErrorCode());
}

bool ReadKeyCheck(std::string& strKey) {
    return GetDatabase().ReadOption("DbKey", strKey);
}

// The next number of a delete: above every one given so far (the reserved
// row keeps the last), also when the newest was purged.
bool TakeDeleteNr(std::int64_t& nNr) {
    std::int64_t nLast = 0, nMax = 0;
    bool bReserved = false;
    CPrepared last("SELECT ID FROM Papierkorb WHERE DeleteNr=0;");
    CPrepared max("SELECT max(DeleteNr) FROM Papierkorb;");
    if (!last.Run(kNoValues,
                  [&](sqlite3_stmt* p) {
                      bReserved = true;
                      nLast = std::max<std::int64_t>(nLast, sqlite3_column_int64(p, 0));
                  }) ||
        !max.Run(kNoValues, [&](sqlite3_stmt* p) { nMax = sqlite3_column_int64(p, 0); }))
        return false;
    nNr = std::max(nLast, nMax) + 1;
    CPrepared write(bReserved ? "UPDATE Papierkorb SET ID=? WHERE DeleteNr=0;"
                              : "INSERT INTO Papierkorb (DeleteNr, ID) VALUES (0, ?);");
    return write.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nNr); });
}
}  // namespace

std::string TrashGoneMessage() {
    return Ansi(
        "Der Eintrag ist nicht mehr im Papierkorb: ein anderer Benutzer hat ihn inzwischen wiederhergestellt oder "
        "endgültig gelöscht.");
}

std::string TrashKeyMessage() {
    return Ansi(
        "Der Eintrag wurde unter einem anderen Datenbankkennwort gelöscht und kann nicht wiederhergestellt werden: "
        "das Kennwort wurde seitdem mit einem anderen Programm geändert.");
}

void SayTrashResult(EWriteResult eResult, const SWriteReport& report) {
    CPlatform& platform = GetPlatform();
    switch (eResult) {
        case EWriteResult::Deleted:
            platform.MessageBox(TrashGoneMessage(), "Papierkorb", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        case EWriteResult::Declined:
            platform.MessageBox(TrashKeyMessage(), "Papierkorb", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        default: SayWriteResult(eResult, report, false);
    }
}

bool CKnowHowTrash::BeginJob(bool& bTable) {
    CDB& db = GetDatabase();
    db.ClearLastError();
    bTable = false;
    return m_service.BeginWork() && db.ReadTableExists(TRASH_TABLE, bTable);
}

EWriteResult CKnowHowTrash::Abandon(EWriteResult eResult, SWriteReport& report) {
    CDB& db = GetDatabase();
    if (eResult == EWriteResult::Locked || eResult == EWriteResult::Failed) report.nEngineCode = db.GetLastErrorCode();
    m_service.RollbackWork();
    return eResult;
}

bool CKnowHowTrash::MoveToTrash(const std::vector<TRowId>& arrIds, TRowId nFromFolder, std::int64_t* pnNr) {
    if (arrIds.empty()) return true;
    std::string strKey;
    std::int64_t nNr = 0;
    if (!EnsureTrashTable() || !ReadKeyCheck(strKey) || !TakeDeleteNr(nNr)) return false;
    // the path names keywords: it is stored as they are
    const std::string strPath = EncryptField(m_service.GetPath(nFromFolder));
    const std::string strWhen = GetTimeText();
    const std::string strBy = GetLoginName();
    // the IDs as one JSON array: two statements for a folder of thousands of entries
    std::string strIds = "[";
    for (TRowId nId : arrIds) {
        if (strIds.size() > 1) strIds += ',';
        strIds += std::to_string(nId);
    }
    strIds += ']';
    CPrepared copy(
        "INSERT INTO Papierkorb (ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr, "
        "DeleteNr, DeletedAt, DeletedBy, FromFolder, FromPath, KeyCheck) SELECT ID, IsAktiv, MasterID, LinkID, Typ, "
        "PosNr, IsDir, Name, Text, Link, UpdateNr, ?, ?, ?, ?, ?, ? FROM KnowHow WHERE ID IN (SELECT value FROM "
        "json_each(?));");
    CPrepared drop("DELETE FROM KnowHow WHERE ID IN (SELECT value FROM json_each(?));");
    const bool bCopied = copy.Run([&](sqlite3_stmt* p) {
        sqlite3_bind_int64(p, 1, nNr);
        BindText(p, 2, strWhen);
        BindText(p, 3, strBy);
        sqlite3_bind_int64(p, 4, nFromFolder);
        BindText(p, 5, strPath);
        BindText(p, 6, strKey);
        BindText(p, 7, strIds);
    });
    if (!bCopied || !drop.Run([&](sqlite3_stmt* p) { BindText(p, 1, strIds); })) return false;
    if (pnNr) *pnNr = nNr;
    return true;
}

int CKnowHowTrash::List(std::vector<STrashItem>& arr) {
    arr.clear();
    CDB& db = GetDatabase();
    bool bTable = false;
    std::string strKey;
    if (!db.ReadTableExists(TRASH_TABLE, bTable) || !ReadKeyCheck(strKey)) return -1;
    if (!bTable) return 0;
    // the deleted entry of each delete is the row whose folder is not among its rows
    CPrepared list(
        "SELECT p.DeleteNr, p.ID, p.IsDir, p.Name, p.DeletedAt, p.DeletedBy, p.FromFolder, p.FromPath, p.KeyCheck, "
        "(SELECT count(*) FROM Papierkorb c WHERE c.DeleteNr=p.DeleteNr) FROM Papierkorb p WHERE p.DeleteNr>0 AND "
        "NOT EXISTS (SELECT 1 FROM Papierkorb q WHERE q.DeleteNr=p.DeleteNr AND q.ID=p.MasterID) ORDER BY "
        "p.DeleteNr, p.ID;");
    std::int64_t nLastNr = 0;
    bool bOk = list.Run(kNoValues, [&](sqlite3_stmt* p) {
        const std::int64_t nNr = sqlite3_column_int64(p, 0);
        if (nNr == nLastNr) return;  // one line per delete
        nLastNr = nNr;
        STrashItem& item = arr.emplace_back();
        item.nNr = nNr;
        item.nId = static_cast<TRowId>(sqlite3_column_int64(p, 1));
        item.bDir = Cell(p, 2).value_or("") == "1";
        item.strWhen = Cell(p, 4).value_or("");
        item.strBy = Cell(p, 5).value_or("");
        item.nFromFolder = static_cast<TRowId>(sqlite3_column_int64(p, 6));
        item.bReadable = Cell(p, 8).value_or("") == strKey;
        if (item.bReadable) {
            item.strName = DecryptField(Cell(p, 3).value_or(""));
            item.strPath = DecryptField(Cell(p, 7).value_or(""));
        }
        item.nEntries = sqlite3_column_int(p, 9);
    });
    if (!bOk) {
        arr.clear();
        return -1;
    }
    return static_cast<int>(arr.size());
}

EWriteResult CKnowHowTrash::Restore(std::int64_t nNr, TRowId nTarget, TRowId* pnNewId, TRowId* pnFolder,
                                    SWriteReport* pReport, std::int32_t nAtPos) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!BeginJob(bTable)) return Abandon(Failure(), report);
    if (!bTable) return Abandon(EWriteResult::Deleted, report);
    struct SRow {
        TRowId nId, nMasterId;
    };
    std::vector<SRow> arrRows;
    TRowId nFrom = 0;
    bool bOtherKey = false;
    std::string strKey;
    if (!ReadKeyCheck(strKey)) return Abandon(Failure(), report);
    CPrepared read("SELECT ID, MasterID, FromFolder, KeyCheck FROM Papierkorb WHERE DeleteNr=?;");
    if (!read.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nNr); },
                  [&](sqlite3_stmt* p) {
                      arrRows.push_back({static_cast<TRowId>(sqlite3_column_int64(p, 0)),
                                         static_cast<TRowId>(sqlite3_column_int64(p, 1))});
                      nFrom = static_cast<TRowId>(sqlite3_column_int64(p, 2));
                      if (Cell(p, 3).value_or("") != strKey) bOtherKey = true;
                  }))
        return Abandon(Failure(), report);
    if (nNr <= 0 || arrRows.empty()) return Abandon(EWriteResult::Deleted, report);
    // its texts would be read under a key they were not written with
    if (bOtherKey) return Abandon(EWriteResult::Declined, report);

    bool bLive = false;
    if (nTarget >= 0) {
        if (!m_service.ReadIsLiveFolder(nTarget, bLive)) return Abandon(Failure(), report);
        if (!bLive) return Abandon(EWriteResult::ParentGone, report);
    } else {
        if (!m_service.ReadIsLiveFolder(nFrom, bLive)) return Abandon(Failure(), report);
        nTarget = bLive ? nFrom : 0;
    }

    // parents before their children: the deleted entry first, then level by level
    std::unordered_set<TRowId> setIds;
    for (const SRow& row : arrRows) setIds.insert(row.nId);
    std::unordered_map<TRowId, std::vector<size_t>> mapChildren;
    std::vector<size_t> arrOrder, arrRoots;
    for (size_t i = 0; i < arrRows.size(); ++i) {
        if (setIds.count(arrRows[i].nMasterId) && arrRows[i].nMasterId != arrRows[i].nId)
            mapChildren[arrRows[i].nMasterId].push_back(i);
        else
            arrRoots.push_back(i);
    }
    std::vector<bool> arrSeen(arrRows.size(), false);
    auto walk = [&](size_t nStart) {
        if (arrSeen[nStart]) return;
        arrSeen[nStart] = true;
        size_t nFirst = arrOrder.size();
        arrOrder.push_back(nStart);
        for (size_t k = nFirst; k < arrOrder.size(); ++k)
            for (size_t c : mapChildren[arrRows[arrOrder[k]].nId])
                if (!arrSeen[c]) {
                    arrSeen[c] = true;
                    arrOrder.push_back(c);
                }
    };
    for (size_t r : arrRoots) walk(r);
    // rows of a damaged file that lead nowhere go back beside it
    for (size_t i = 0; i < arrRows.size(); ++i)
        if (!arrSeen[i]) {
            arrRoots.push_back(i);
            walk(i);
        }
    std::unordered_set<size_t> setRoots(arrRoots.begin(), arrRoots.end());

    int n = m_service.CountChildren(nTarget);
    if (n < 0) return Abandon(Failure(), report);
    // back into its old place: the entries from there on move down (only their positions are written)
    std::int32_t nInsertAt = 0;
    if (nAtPos > 0 && nAtPos <= n) {
        CKnowHowArray arrBehind;
        if (m_service.GetChildren(arrBehind, nTarget) < 0) return Abandon(Failure(), report);
        for (CKnowHowItem& sibling : arrBehind) {
            if (sibling.PosNr < nAtPos) continue;
            sibling.SetPosNr(sibling.PosNr + 1);
            EWriteResult eResult = m_service.GetTable().UpdateItem(sibling, &report.stored);
            if (eResult != EWriteResult::Saved) return Abandon(eResult, report);
            m_service.History().NoteWrite(sibling.ID, sibling.UpdateNr);
        }
        nInsertAt = nAtPos;
        ++n;
    }
    CPrepared taken("SELECT count(*) FROM KnowHow WHERE ID=?;");
    CPrepared insert(
        "INSERT INTO KnowHow (ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr) SELECT "
        "?, IsAktiv, ?, LinkID, Typ, coalesce(?, PosNr), IsDir, Name, Text, Link, UpdateNr FROM Papierkorb WHERE "
        "DeleteNr=? AND ID=?;");
    std::unordered_map<TRowId, TRowId> mapNewId;
    TRowId nRestored = 0;
    for (size_t i : arrOrder) {
        const SRow& row = arrRows[i];
        std::int64_t nCount = 1;
        if (!taken.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, row.nId); },
                       [&](sqlite3_stmt* p) { nCount = sqlite3_column_int64(p, 0); }))
            return Abandon(Failure(), report);
        const bool bRoot = setRoots.count(i) > 0;
        const bool bKeepId = nCount == 0 && row.nId > 0;
        const TRowId nMaster = bRoot ? nTarget : mapNewId[row.nMasterId];
        std::int32_t nPos = 0;
        if (bRoot) nPos = nInsertAt > 0 ? std::exchange(nInsertAt, 0) : ++n;
        if (!insert.Run([&](sqlite3_stmt* p) {
                if (bKeepId)
                    sqlite3_bind_int64(p, 1, row.nId);
                else
                    sqlite3_bind_null(p, 1);
                sqlite3_bind_int64(p, 2, nMaster);
                if (bRoot)
                    sqlite3_bind_int(p, 3, nPos);
                else
                    sqlite3_bind_null(p, 3);
                sqlite3_bind_int64(p, 4, nNr);
                sqlite3_bind_int64(p, 5, row.nId);
            }))
            return Abandon(Failure(), report);
        TRowId nNew =
            bKeepId ? row.nId : m_service.GetTable().TakeInsertedRow(sqlite3_last_insert_rowid(db.GetHandle()));
        if (nNew <= 0) return Abandon(Failure(), report);
        mapNewId[row.nId] = nNew;
        if (nRestored == 0) nRestored = nNew;
    }
    CPrepared drop("DELETE FROM Papierkorb WHERE DeleteNr=?;");
    if (!drop.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nNr); })) return Abandon(Failure(), report);
    (void)db.StampEdit();  // a note, not the user's data
    if (!m_service.CommitWork()) return Abandon(Failure(), report);
    if (pnNewId) *pnNewId = nRestored;
    if (pnFolder) *pnFolder = nTarget;
    return EWriteResult::Saved;
}

EWriteResult CKnowHowTrash::Purge(std::int64_t nNr, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!BeginJob(bTable)) return Abandon(Failure(), report);
    if (!bTable || nNr <= 0) return Abandon(EWriteResult::Deleted, report);
    CPrepared drop("DELETE FROM Papierkorb WHERE DeleteNr=?;");
    if (!drop.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nNr); })) return Abandon(Failure(), report);
    if (sqlite3_changes(db.GetHandle()) == 0) return Abandon(EWriteResult::Deleted, report);
    if (!m_service.CommitWork()) return Abandon(Failure(), report);
    return EWriteResult::Saved;
}

EWriteResult CKnowHowTrash::Empty(int* pnEntries, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    if (pnEntries) *pnEntries = 0;
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!BeginJob(bTable)) return Abandon(Failure(), report);
    int nEntries = 0;
    if (bTable) {
        if (!db.Execute("DELETE FROM Papierkorb WHERE DeleteNr>0;")) return Abandon(Failure(), report);
        nEntries = sqlite3_changes(db.GetHandle());
    }
    if (!m_service.CommitWork()) return Abandon(Failure(), report);
    if (pnEntries) *pnEntries = nEntries;
    return EWriteResult::Saved;
}

EWriteResult CKnowHowTrash::RewriteTexts(const std::function<void()>& fnBeforeRead,
                                         const std::function<void()>& fnBeforeWrite, const std::string& strOldCheck,
                                         const std::string& strNewCheck, SWriteReport* pReport) {
    SWriteReport local;
    SWriteReport& report = pReport ? *pReport : local;
    report = SWriteReport();
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!db.ReadTableExists(TRASH_TABLE, bTable)) return Failure();
    if (!bTable) return EWriteResult::Saved;
    if (!m_service.BeginWork()) return Abandon(Failure(), report);
    struct SRow {
        std::int64_t nRowId;
        std::optional<std::string> arrValues[4];
    };
    CPrepared page(
        "SELECT rowid, Name, Text, Link, FromPath FROM Papierkorb WHERE DeleteNr>0 AND coalesce(KeyCheck,'')=? AND "
        "rowid>? ORDER BY rowid LIMIT 500;");
    CPrepared write("UPDATE Papierkorb SET Name=?, Text=?, Link=?, FromPath=?, KeyCheck=? WHERE rowid=?;");
    std::int64_t nAfter = std::numeric_limits<std::int64_t>::min();
    for (;;) {
        std::vector<SRow> arrRows;
        fnBeforeRead();
        bool bOk = page.Run(
            [&](sqlite3_stmt* p) {
                BindText(p, 1, strOldCheck);
                sqlite3_bind_int64(p, 2, nAfter);
            },
            [&](sqlite3_stmt* p) {
                SRow& row = arrRows.emplace_back();
                row.nRowId = sqlite3_column_int64(p, 0);
                for (int i = 0; i < 4; ++i) {
                    row.arrValues[i] = Cell(p, i + 1);
                    if (row.arrValues[i]) row.arrValues[i] = DecryptField(*row.arrValues[i]);
                }
            });
        if (!bOk) return Abandon(Failure(), report);
        if (arrRows.empty()) break;
        fnBeforeWrite();
        for (SRow& row : arrRows) {
            bool bWritten = write.Run([&](sqlite3_stmt* p) {
                for (int i = 0; i < 4; ++i)
                    BindCell(p, i + 1,
                             row.arrValues[i] ? std::optional(EncryptField(*row.arrValues[i])) : std::nullopt);
                BindText(p, 5, strNewCheck);
                sqlite3_bind_int64(p, 6, row.nRowId);
            });
            if (!bWritten) return Abandon(Failure(), report);
        }
        nAfter = arrRows.back().nRowId;
    }
    if (!m_service.CommitWork()) return Abandon(Failure(), report);
    return EWriteResult::Saved;
}
