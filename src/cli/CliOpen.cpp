#include <filesystem>

#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

bool CliOpenExisting(const SCliArgs&, const std::string& strPath) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(strPath), ec)) {
        CliFail("Die Datei existiert nicht: " + Utf8ToCp1252(strPath));
        return false;
    }
    CDB& db = GetDatabase();
    OpenDatabase(strPath);
    if (!db.IsOpen() || db.Count("sqlite_master") < 0) {
        CliFail("Die Datei ist keine lesbare Datenbank: " + Utf8ToCp1252(strPath));
        CloseDatabase();
        return false;
    }
    return true;
}

std::unique_ptr<CKnowHow> CliOpenKnowledgeBase(const SCliArgs& args, const std::string& strPath) {
    // the full opening chain comes with protection; until then the session
    // and the service
    if (!CliOpenExisting(args, strPath)) return nullptr;
    return std::make_unique<CKnowHow>();
}

void CliClose() {
    CloseDatabase();
}
