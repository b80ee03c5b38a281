// What the user is told about a statement that the engine refused.
#include <sqlite3.h>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

std::string GetDbFailureReason(int nCode) {
    // extended codes (a read-only folder, a short read) say no more than their family
    switch (nCode & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return Ansi(DB_LOCKED_MESSAGE);
        case SQLITE_READONLY:
            return Ansi("Die Datenbankdatei ist schreibgeschützt, oder ihr Ordner erlaubt keine Änderungen.");
        case SQLITE_FULL: return Ansi("Der Datenträger ist voll.");
        case SQLITE_IOERR:
            return Ansi("Der Datenträger meldet einen Fehler beim Lesen oder Schreiben der Datenbankdatei.");
        case SQLITE_CANTOPEN: return Ansi("Die Datenbankdatei kann nicht geöffnet werden.");
        case SQLITE_PERM:
        case SQLITE_AUTH: return Ansi("Der Zugriff auf die Datenbankdatei wurde verweigert.");
        case SQLITE_CORRUPT: return Ansi("Die Datenbankdatei ist beschädigt.");
        case SQLITE_NOTADB: return Ansi("Die Datei ist keine Datenbank, oder sie ist beschädigt.");
        default: return std::string();
    }
}

bool ShowDbFailureReason() {
    return ShowDbFailureReason(GetDatabase().GetLastErrorCode());
}

bool ShowDbFailureReason(int nCode) {
    std::string strReason = GetDbFailureReason(nCode);
    if (strReason.empty()) return false;
    GetPlatform().MessageBox(strReason, "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    return true;
}

void ShowCannotOpenDatabase() {
    GetPlatform().MessageBox(Ansi("Datenbank konnte nicht geöffnet werden !"), "", EMsgIcon::None, EMsgButtons::Ok);
}

bool IsLockedOutCode(int nCode) {
    return (nCode & 0xFF) == SQLITE_BUSY || (nCode & 0xFF) == SQLITE_LOCKED;
}

void ShowDbUnreadable() {
    // only another user's lock has a message of its own here
    if (IsLockedOutCode(GetDatabase().GetLastErrorCode()))
        ShowDbFailureReason();
    else
        ShowCannotOpenDatabase();
}

std::string WhyDatabaseCannotBeWritten() {
    CDB& db = GetDatabase();
    sqlite3* pDb = db.GetHandle();
    if (!pDb || db.GetTransactionDepth() > 0) return std::string();
    db.EndReadGroup();
    // a new table needs the journal and the first page; rolled back, the file stays as it was
    int rc = sqlite3_exec(pDb, "BEGIN TRANSACTION; CREATE TABLE [Schreibprobe] (x); ROLLBACK TRANSACTION;", nullptr,
                          nullptr, nullptr);
    if (rc != SQLITE_OK && !sqlite3_get_autocommit(pDb))
        sqlite3_exec(pDb, "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK || IsLockedOutCode(rc)) return std::string();
    return GetDbFailureReason(rc);
}
