#include "table/CKnowHowTable.h"

#include <sqlite3.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "table/CFieldCodec.h"

std::string StaleRowMessage() {
    return Ansi(
        "Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer geändert wurden!");
}

void ShowStaleRowMessage() {
    GetPlatform().MessageBox(StaleRowMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}

const char* WriteResultName(EWriteResult eResult) {
    switch (eResult) {
        case EWriteResult::Saved: return "saved";
        case EWriteResult::Conflict: return "conflict";
        case EWriteResult::Deleted: return "deleted";
        case EWriteResult::ParentGone: return "parentgone";
        case EWriteResult::Locked: return "locked";
        case EWriteResult::Failed: return "failed";
        case EWriteResult::Declined: return "declined";
    }
    return "failed";
}

EWriteResult WriteFailureFromCode(int nCode) {
    return IsLockedOutCode(nCode) ? EWriteResult::Locked : EWriteResult::Failed;
}

CKnowHowTable::CKnowHowTable() {
    Init("KnowHow");
}

bool CKnowHowTable::Create() {
    bool bTable = CreateTable(CKnowHowItem());
    bool bId = CreateIndex("KnowHow_ID", "ID", true);
    bool bMaster = CreateIndex("KnowHow_MasterID", "MasterID", false);
    return bTable && bId && bMaster;
}

namespace {
SKnowHowColumns ColumnsOf(sqlite3_stmt* p) {
    std::vector<std::string> arrNames;
    for (int i = 0; i < sqlite3_column_count(p); ++i) {
        const char* psz = sqlite3_column_name(p, i);
        arrNames.emplace_back(psz ? psz : "");
    }
    return SKnowHowColumns(arrNames);
}

// Entries built from a statement's rows as the engine reads them.
int ReadItems(const std::string& strSql, const std::function<void(sqlite3_stmt*)>& fnBind, CKnowHowArray& arr,
              std::vector<std::int64_t>* pIds = nullptr) {
    const size_t nBefore = arr.size();
    const size_t nIdsBefore = pIds ? pIds->size() : 0;
    std::optional<SKnowHowColumns> cols;
    int nRows = 0;
    CPrepared stmt(strSql);
    bool bOk = stmt.Run(fnBind, [&](sqlite3_stmt* p) {
        if (!cols) cols.emplace(ColumnsOf(p));
        arr.emplace_back().ReadStatement(p, *cols);
        if (pIds) pIds->push_back(cols->nId >= 0 ? sqlite3_column_int64(p, cols->nId) : 0);
        ++nRows;
    });
    if (bOk) return nRows;
    arr.resize(nBefore);
    if (pIds) pIds->resize(nIdsBefore);  // a statement that failed half way appends nothing
    return -1;
}

// Internal bit beside the editable columns: the whole row of an entry
// written without origin.
constexpr unsigned kAktiv = 256;

// The UPDATE of the columns nColumns and the counter nUpdateNr of row nRowId,
// its values bound with their lengths.
bool WriteColumns(const CKnowHowItem& item, std::int64_t nRowId, unsigned nColumns, std::int32_t nUpdateNr) {
    std::string strSql = "UPDATE KnowHow SET ";
    std::vector<std::function<void(sqlite3_stmt*, int)>> arrBind;
    auto add = [&](const char* pszColumn, std::function<void(sqlite3_stmt*, int)> fn) {
        strSql += "[";
        strSql += pszColumn;
        strSql += "]=?, ";
        arrBind.push_back(std::move(fn));
    };
    auto text = [](const std::string& strPlain) {
        return [strStored = EncryptField(strPlain)](sqlite3_stmt* p, int i) { BindText(p, i, strStored); };
    };
    auto flag = [](std::int32_t n) {
        return [n](sqlite3_stmt* p, int i) { sqlite3_bind_text(p, i, n != 0 ? "1" : "0", 1, SQLITE_STATIC); };
    };
    auto number = [](std::int64_t n) { return [n](sqlite3_stmt* p, int i) { sqlite3_bind_int64(p, i, n); }; };
    if (nColumns & kAktiv) add("IsAktiv", flag(item.IsAktiv));
    if (nColumns & KH_ISDIR) add("IsDir", flag(item.IsDir));
    if (nColumns & KH_LINK) add("Link", text(item.Link));
    if (nColumns & KH_LINKID) add("LinkID", number(item.LinkID));
    if (nColumns & KH_MASTERID) add("MasterID", number(item.MasterID));
    if (nColumns & KH_NAME) add("Name", text(item.Name));
    if (nColumns & KH_POSNR) add("PosNr", number(item.PosNr));
    if (nColumns & KH_TEXT) add("Text", text(item.Text));
    if (nColumns & KH_TYP) add("Typ", number(item.Typ));
    strSql += "[UpdateNr]=? WHERE [ID]=?;";
    CPrepared stmt(strSql);
    return stmt.Run([&](sqlite3_stmt* p) {
        int i = 1;
        for (const auto& fn : arrBind) fn(p, i++);
        sqlite3_bind_int(p, i++, nUpdateNr);
        sqlite3_bind_int64(p, i, nRowId);
    });
}
}  // namespace

int CKnowHowTable::SelectItems(CKnowHowArray& arr, const char* pszCondition, const char* pszOrder) {
    std::string strSql = "SELECT * FROM " + m_strName + WhereClause(pszCondition);
    if (pszOrder) {
        strSql += " ORDER BY ";
        strSql += pszOrder;
    }
    strSql += ";";
    return ReadItems(
        strSql, [](sqlite3_stmt*) {}, arr);
}

bool CKnowHowTable::ReadStored(std::int64_t nId, CKnowHowItem& stored, bool& bFound) {
    CKnowHowArray arr;
    int n = ReadItems(
        "SELECT * FROM KnowHow WHERE ID=?;", [nId](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nId); }, arr);
    bFound = n > 0;
    if (bFound) stored = std::move(arr.front());
    return n >= 0;
}

int CKnowHowTable::SelectPage(bool bFirst, std::int64_t nAfterId, size_t nLimit, CKnowHowArray& arr,
                              std::vector<std::int64_t>& arrIds) {
    const std::string strLimit = " ORDER BY ID LIMIT " + std::to_string(nLimit) + ";";
    if (bFirst)
        return ReadItems(
            "SELECT * FROM KnowHow" + strLimit, [](sqlite3_stmt*) {}, arr, &arrIds);
    return ReadItems(
        "SELECT * FROM KnowHow WHERE ID>?" + strLimit,
        [nAfterId](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nAfterId); }, arr, &arrIds);
}

EWriteResult CKnowHowTable::UpdateItem(CKnowHowItem& item, CKnowHowItem* pStored) {
    if (pStored) *pStored = CKnowHowItem();
    auto failure = [] { return WriteFailureFromCode(GetDatabase().GetLastErrorCode()); };
    if (item.ID <= 0) {
        // nothing stored to check against
        CValueMap map;
        item.WriteValues(map);
        return Update(map) ? EWriteResult::Saved : failure();
    }
    CKnowHowItem stored;
    bool bFound = false;
    // a row that cannot be read proves nothing: the caller reports the failure
    if (!ReadStored(item.ID, stored, bFound)) return failure();
    auto refuse = [&](EWriteResult e) {
        if (pStored && bFound) *pStored = stored;
        return e;
    };
    // a row that another user deleted (or hid) meanwhile is as stale as a changed one
    if (!bFound || (stored.IsAktiv != 0) != (item.IsAktiv != 0)) return refuse(EWriteResult::Deleted);
    CKnowHowItem merged = item;
    unsigned nWrite = 0;
    if (!item.Origin.bKnown) {
        if (stored.UpdateNr != item.UpdateNr) return refuse(EWriteResult::Conflict);
        nWrite = KH_ALL_COLUMNS | kAktiv;
    } else {
        const unsigned nTheirs = item.ColumnsChangedIn(stored);
        // the ID was given to another entry after this one was deleted
        if (item.IsOtherEntry(stored)) return refuse(EWriteResult::Deleted);
        const unsigned nMine = item.ChangedColumns();
        if (nMine & nTheirs & item.DifferingColumns(stored)) return refuse(EWriteResult::Conflict);
        // what another user changed (a move, a renumbering) is kept
        merged.TakeColumns(stored, KH_ALL_COLUMNS & ~nMine);
        nWrite = nMine & merged.DifferingColumns(stored);
    }
    merged.UpdateNr = stored.UpdateNr;
    if (nWrite != 0) {
        if (!WriteColumns(merged, item.ID, nWrite, stored.UpdateNr + 1)) return failure();
        merged.UpdateNr = stored.UpdateNr + 1;
    }
    merged.MarkStored();
    item = std::move(merged);
    return EWriteResult::Saved;
}

bool CKnowHowTable::InsertItem(CKnowHowItem& item) {
    return CKnowHowInserter(*this).Insert(item);
}

namespace {
// The columns of an INSERT, in the order of the value map (WriteValues'), as parameters.
const char* const kInsertSql =
    "INSERT INTO KnowHow ( ID, [IsAktiv], [IsDir], [Link], [LinkID], [MasterID], [Name], [PosNr], [Text], [Typ], "
    "[UpdateNr]) VALUES ( NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? );";

void BindValues(sqlite3_stmt* p, const CKnowHowItem& item) {
    sqlite3_bind_text(p, 1, item.IsAktiv != 0 ? "1" : "0", -1, SQLITE_STATIC);
    sqlite3_bind_text(p, 2, item.IsDir != 0 ? "1" : "0", -1, SQLITE_STATIC);
    BindText(p, 3, EncryptField(item.Link));
    sqlite3_bind_int64(p, 4, item.LinkID);
    sqlite3_bind_int64(p, 5, item.MasterID);
    BindText(p, 6, EncryptField(item.Name));
    sqlite3_bind_int(p, 7, item.PosNr);
    BindText(p, 8, EncryptField(item.Text));
    sqlite3_bind_int(p, 9, item.Typ);
    sqlite3_bind_int(p, 10, item.UpdateNr);
}
}  // namespace

CKnowHowInserter::CKnowHowInserter(CKnowHowTable& table) : m_table(table), m_insert(kInsertSql) {}

bool CKnowHowInserter::Insert(CKnowHowItem& item) {
    item.ID = 0;
    if (!m_insert.Run([&](sqlite3_stmt* p) { BindValues(p, item); })) return false;
    item.ID = m_table.TakeInsertedRow(sqlite3_last_insert_rowid(GetDatabase().GetHandle()));
    if (item.ID > 0) item.MarkStored();
    return item.ID > 0;
}

CKnowHowUpdater::CKnowHowUpdater()
    : m_check("SELECT UpdateNr FROM KnowHow WHERE ID=?;"),
      // a NULL holds no text under any key: it stays NULL
      m_update(
          "UPDATE KnowHow SET [Name]=CASE WHEN [Name] IS NULL THEN NULL ELSE ? END, [Text]=CASE WHEN [Text] IS NULL "
          "THEN NULL ELSE ? END, [Link]=CASE WHEN [Link] IS NULL THEN NULL ELSE ? END, [UpdateNr]=? WHERE [ID]=?;") {}

EWriteResult CKnowHowUpdater::UpdateTexts(CKnowHowItem& item, std::int64_t nRowId) {
    auto failure = [] { return WriteFailureFromCode(GetDatabase().GetLastErrorCode()); };
    // the check of UpdateItem in one statement: a row that another user
    // deleted or changed meanwhile is refused
    bool bExists = false;
    std::int32_t nStored = 0;
    if (!m_check.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nRowId); },
                     [&](sqlite3_stmt* p) {
                         if (bExists) return;  // the first row, as the engine orders them
                         bExists = true;
                         nStored = static_cast<std::int32_t>(sqlite3_column_int64(p, 0));
                     }))
        return failure();
    if (!bExists) return EWriteResult::Deleted;
    if (nStored != item.UpdateNr) return EWriteResult::Conflict;
    if (!m_update.Run([&](sqlite3_stmt* p) {
            BindText(p, 1, EncryptField(item.Name));
            BindText(p, 2, EncryptField(item.Text));
            BindText(p, 3, EncryptField(item.Link));
            sqlite3_bind_int(p, 4, item.UpdateNr + 1);
            sqlite3_bind_int64(p, 5, nRowId);
        }))
        return failure();
    ++item.UpdateNr;
    return EWriteResult::Saved;
}
