#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "db/CDbInfo.h"
#include "platform/Cp1252.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    if (!CliOpenExisting(args, strPath)) return CLI_FAILED;
    // an empty or foreign SQLite file would list nothing but empty values
    CDB& db = GetDatabase();
    if (!db.TableExists("KnowHow") && !db.TableExists("Option"))
        return CliFail("Die Datei ist keine Orvantis-Datenbank: " + Utf8ToCp1252(strPath));
    for (const auto& row : GetDbInfoRows())
        CliPrintLine(Cp1252ToUtf8(row.strLabel) + ": " + (row.bPath ? row.strValue : Cp1252ToUtf8(row.strValue)));
    return CLI_OK;
}

CCliRegistrar reg({"info", "DATEI", 1, {}, {}, Run});
}  // namespace
