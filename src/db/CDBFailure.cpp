// What the user is told about a statement that the engine refused.
#include <sqlite3.h>

#include "db/CDB.h"
#include "platform/Cp1252.h"

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
