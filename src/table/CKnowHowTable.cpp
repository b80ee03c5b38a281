#include "table/CKnowHowTable.h"

#include <sqlite3.h>

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

CKnowHowInserter::~CKnowHowInserter() {
    sqlite3_finalize(m_pStmt);
}

bool CKnowHowInserter::Insert(CKnowHowItem& item) {
    item.ID = 0;
    CDB& db = GetDatabase();
    if (!db.IsOpen()) return false;
    // the columns and values of InsertItem's statement, as parameters
    static const std::string strSql =
        "INSERT INTO KnowHow ( ID, [IsAktiv], [IsDir], [Link], [LinkID], [MasterID], [Name], [PosNr], [Text], [Typ], "
        "[UpdateNr]) VALUES ( NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? );";
    auto message = [&](char** ppszMsg) { *ppszMsg = sqlite3_mprintf("%s", sqlite3_errmsg(db.GetHandle())); };
    if (!m_pStmt) {
        int rc = db.RunWithBusyRetry(strSql, [&](char** ppszMsg) {
            int n = sqlite3_prepare_v2(db.GetHandle(), strSql.c_str(), -1, &m_pStmt, nullptr);
            if (n != SQLITE_OK) message(ppszMsg);
            return n;
        });
        if (rc != SQLITE_OK) return false;
    }
    // a text ends at a NUL byte, as a literal in the statement's text does
    const std::string strName = EncryptField(item.Name), strText = EncryptField(item.Text),
                      strLink = EncryptField(item.Link);
    sqlite3_bind_text(m_pStmt, 1, item.IsAktiv != 0 ? "1" : "0", -1, SQLITE_STATIC);
    sqlite3_bind_text(m_pStmt, 2, item.IsDir != 0 ? "1" : "0", -1, SQLITE_STATIC);
    sqlite3_bind_text(m_pStmt, 3, strLink.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int(m_pStmt, 4, item.LinkID);
    sqlite3_bind_int(m_pStmt, 5, item.MasterID);
    sqlite3_bind_text(m_pStmt, 6, strName.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int(m_pStmt, 7, item.PosNr);
    sqlite3_bind_text(m_pStmt, 8, strText.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int(m_pStmt, 9, item.Typ);
    sqlite3_bind_int(m_pStmt, 10, item.UpdateNr);
    int rc = db.RunWithBusyRetry(strSql, [&](char** ppszMsg) {
        int n = sqlite3_step(m_pStmt);
        n = n == SQLITE_DONE ? SQLITE_OK : sqlite3_reset(m_pStmt);
        if (n != SQLITE_OK) message(ppszMsg);
        sqlite3_reset(m_pStmt);
        return n;
    });
    sqlite3_clear_bindings(m_pStmt);
    if (rc != SQLITE_OK) return false;
    item.ID = m_table.TakeInsertedRow(sqlite3_last_insert_rowid(db.GetHandle()));
    return item.ID > 0;
}
