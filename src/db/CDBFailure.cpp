// What the user is told about a statement that the engine refused.
#include <sqlite3.h>

#include "db/CDB.h"
#include "platform/Cp1252.h"

std::string GetDbFailureReason(int nCode) {
    switch (nCode) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Ansi(DB_LOCKED_MESSAGE);
        default:
            return std::string();
    }
}
