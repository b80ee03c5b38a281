// What the user is told about a statement that the engine refused.
#include <sqlite3.h>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

std::string GetDbFailureReason(int nCode) {
    switch (nCode) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return Ansi(DB_LOCKED_MESSAGE);
        default: return std::string();
    }
}

bool ShowDbFailureReason() {
    std::string strReason = GetDbFailureReason(GetDatabase().GetLastErrorCode());
    if (strReason.empty()) return false;
    GetPlatform().MessageBox(strReason, "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    return true;
}

void ShowCannotOpenDatabase() {
    GetPlatform().MessageBox(Ansi("Datenbank konnte nicht geöffnet werden !"), "", EMsgIcon::None, EMsgButtons::Ok);
}

void ShowDbUnreadable() {
    if (!ShowDbFailureReason()) ShowCannotOpenDatabase();
}
