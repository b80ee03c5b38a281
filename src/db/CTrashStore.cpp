#include "db/CTrashStore.h"

#include <algorithm>
#include <cstdlib>

#include "db/CDB.h"
#include "platform/Platform.h"

namespace {
// The KnowHow columns take no type here: an untyped column stores every
// value exactly as it comes, so a row goes back as it was deleted.
const char* const kCreateSql =
    "CREATE TABLE IF NOT EXISTS Papierkorb ( ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, "
    "UpdateNr, DeleteNr INTEGER, DeletedAt TEXT, DeletedBy TEXT, FromFolder INTEGER, FromPath, KeyCheck TEXT );";
const char* const kIndexSql = "CREATE INDEX IF NOT EXISTS [Papierkorb_DeleteNr] ON [Papierkorb] ( [DeleteNr], [ID] );";
}  // namespace

bool EnsureTrashTable() {
    CDB& db = GetDatabase();
    return db.Execute(kCreateSql) && db.Execute(kIndexSql);
}

bool ReadTrashEntryCount(int& nEntries) {
    nEntries = 0;
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!db.ReadTableExists(TRASH_TABLE, bTable)) return false;
    if (!bTable) return true;
    nEntries = db.Count(TRASH_TABLE, "DeleteNr>0");
    return nEntries >= 0;
}

bool ReadTrashKeepDays(int& nDays) {
    nDays = TRASH_KEEP_DAYS_DEFAULT;
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!db.ReadTableExists(TRASH_TABLE, bTable)) return false;
    if (!bTable) return true;
    std::string strValue;
    bool bFound = false;
    if (!db.ReadValue(TRASH_TABLE, "Text", "DeleteNr=0", strValue, &bFound)) return false;
    if (bFound && !strValue.empty()) nDays = std::max(0, std::atoi(strValue.c_str()));
    return true;
}

bool WriteTrashKeepDays(int nDays) {
    CDB& db = GetDatabase();
    db.ClearLastError();
    if (!db.BeginExclusiveTransaction()) return false;
    const std::string strDays = "'" + std::to_string(std::max(0, nDays)) + "'";
    int nRows = -1;
    bool bOk = EnsureTrashTable() && (nRows = db.Count(TRASH_TABLE, "DeleteNr=0")) >= 0 &&
               db.Execute(nRows > 0 ? "UPDATE Papierkorb SET Text=" + strDays + " WHERE DeleteNr=0;"
                                    : "INSERT INTO Papierkorb (DeleteNr, ID, Text) VALUES (0, 0, " + strDays + ");");
    if (!bOk) {
        db.RollbackTransaction();
        return false;
    }
    return db.CommitTransaction();
}

const std::vector<std::string>& TrashKeepDaysChoices() {
    static const std::vector<std::string> arr = {"unbegrenzt", "7", "14", "30", "60", "90", "180", "365"};
    return arr;
}

int TrashKeepDaysValue(const std::string& strChoice) {
    return std::max(0, std::atoi(strChoice.c_str()));
}

std::string TrashCutoffText(std::time_t tNow, int nDays) {
    std::time_t t = tNow - static_cast<std::time_t>(nDays) * 24 * 60 * 60;
    std::tm tmLocal{};
    localtime_r(&t, &tmLocal);
    char buf[64];
    size_t n = std::strftime(buf, sizeof buf, "%Y.%m.%d-%H:%M", &tmLocal);
    return std::string(buf, n);
}

bool PurgeTrashOlderThan(int nDays, int* pnPurged) {
    if (pnPurged) *pnPurged = 0;
    if (nDays <= 0) return true;
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!db.ReadTableExists(TRASH_TABLE, bTable)) return false;
    if (!bTable) return true;
    // the time texts sort as the times do
    const std::string strCondition =
        "DeleteNr>0 AND DeletedAt<'" + TrashCutoffText(GetPlatform().GetTime(), nDays) + "'";
    if (!db.BeginExclusiveTransaction()) return false;
    int n = db.Count(TRASH_TABLE, strCondition.c_str());
    if (n < 0 || !db.Execute("DELETE FROM Papierkorb WHERE " + strCondition + ";")) {
        db.RollbackTransaction();
        return false;
    }
    if (!db.CommitTransaction()) return false;
    if (pnPurged) *pnPurged = n;
    return true;
}
