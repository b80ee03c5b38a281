#include "table/CKnowHowTable.h"

#include <sqlite3.h>

#include <cstdlib>
#include <optional>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "table/CFieldCodec.h"

void ShowStaleRowMessage() {
    GetPlatform().MessageBox(
        Ansi(
            "Die Daten konnten nicht gespeicht werden,\nda sie inzwischen von einen anderen Benutzer geändert wurden!"),
        "", EMsgIcon::Exclamation, EMsgButtons::Ok);
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

int CKnowHowTable::SelectItems(CKnowHowArray& arr, const char* pszCondition, const char* pszOrder) {
    // Each row becomes an entry as the engine reads it, as ReadValues would
    // make it from the row's map; the result is never held a second time as
    // a table of strings.
    struct SContext {
        CKnowHowArray& arr;
        const CRecordSet& rs;
        std::optional<SKnowHowColumns> cols;
    } context{arr, m_recordSet, std::nullopt};
    const size_t nBefore = arr.size();
    int n = SelectEach(
        pszCondition, pszOrder,
        [](void* p, const char* const* ppCells) {
            auto& c = *static_cast<SContext*>(p);
            if (!c.cols) c.cols.emplace(c.rs.GetColumnNames());
            c.arr.emplace_back().ReadCells(ppCells, *c.cols);
            return true;
        },
        &context);
    if (n < 0) arr.resize(nBefore);  // a statement that failed half way appends nothing
    return n;
}

bool CKnowHowTable::UpdateItem(CKnowHowItem& item) {
    if (item.ID > 0) {
        std::int32_t nStored = 0;
        bool bExists = false;
        // a counter that cannot be read proves nothing: the caller reports the failure
        if (!ReadUpdateNr(item.ID, nStored, bExists)) return false;
        // a row that another user deleted meanwhile is as stale as a changed one
        if (!bExists || nStored != item.UpdateNr) {
            ShowStaleRowMessage();
            return false;
        }
        ++item.UpdateNr;
    }
    CValueMap map;
    item.WriteValues(map);
    return Update(map);
}

bool CKnowHowTable::InsertItem(CKnowHowItem& item) {
    CValueMap map;
    item.WriteValues(map);
    item.ID = Insert(map);
    return item.ID > 0;
}

namespace {
// The columns of InsertItem's and UpdateItem's statements, in their order
// (the value map's), as parameters.
const char* const kInsertSql =
    "INSERT INTO KnowHow ( ID, [IsAktiv], [IsDir], [Link], [LinkID], [MasterID], [Name], [PosNr], [Text], [Typ], "
    "[UpdateNr]) VALUES ( NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? );";
const char* const kUpdateSql =
    "UPDATE KnowHow SET [IsAktiv]=?, [IsDir]=?, [Link]=?, [LinkID]=?, [MasterID]=?, [Name]=?, [PosNr]=?, [Text]=?, "
    "[Typ]=?, [UpdateNr]=? WHERE [ID]=?;";

// The values WriteValues makes, from parameter 1 on. A text ends at a NUL
// byte, as a literal in a statement's text does.
void BindValues(sqlite3_stmt* p, const CKnowHowItem& item) {
    std::string strName = EncryptField(item.Name), strText = EncryptField(item.Text), strLink = EncryptField(item.Link);
    sqlite3_bind_text(p, 1, item.IsAktiv != 0 ? "1" : "0", -1, SQLITE_STATIC);
    sqlite3_bind_text(p, 2, item.IsDir != 0 ? "1" : "0", -1, SQLITE_STATIC);
    sqlite3_bind_text(p, 3, strLink.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(p, 4, item.LinkID);
    sqlite3_bind_int(p, 5, item.MasterID);
    sqlite3_bind_text(p, 6, strName.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(p, 7, item.PosNr);
    sqlite3_bind_text(p, 8, strText.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(p, 9, item.Typ);
    sqlite3_bind_int(p, 10, item.UpdateNr);
}
}  // namespace

CKnowHowInserter::CKnowHowInserter(CKnowHowTable& table) : m_table(table), m_insert(kInsertSql) {}

bool CKnowHowInserter::Insert(CKnowHowItem& item) {
    item.ID = 0;
    if (!m_insert.Run([&](sqlite3_stmt* p) { BindValues(p, item); })) return false;
    item.ID = m_table.TakeInsertedRow(sqlite3_last_insert_rowid(GetDatabase().GetHandle()));
    return item.ID > 0;
}

CKnowHowUpdater::CKnowHowUpdater() : m_check("SELECT UpdateNr FROM KnowHow WHERE ID=?;"), m_update(kUpdateSql) {}

bool CKnowHowUpdater::Update(CKnowHowItem& item, std::int64_t nRowId) {
    // UpdateItem's check in one statement: a row that another user deleted
    // or changed meanwhile is refused
    bool bExists = false;
    std::int32_t nStored = 0;
    if (!m_check.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nRowId); },
                     [&](sqlite3_stmt* p) {
                         if (bExists) return;  // the first row, as the engine orders them
                         bExists = true;
                         const unsigned char* psz = sqlite3_column_text(p, 0);
                         nStored = psz ? static_cast<std::int32_t>(std::atoi(reinterpret_cast<const char*>(psz))) : 0;
                     }))
        return false;
    if (!bExists || nStored != item.UpdateNr) {
        ShowStaleRowMessage();
        return false;
    }
    ++item.UpdateNr;
    return m_update.Run([&](sqlite3_stmt* p) {
        BindValues(p, item);
        sqlite3_bind_int64(p, 11, nRowId);
    });
}
