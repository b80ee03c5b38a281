// info: the facts of the info dialog; like the dialog it only reads, so the
// opening makes no daily backup.
#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "db/CDbInfo.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
// Keys named after the stored options, so scripts need not parse German.
bool PrintJson() {
    CDB& db = GetDatabase();
    std::string strPath = db.GetFilePath();
    std::string strLine = "{\"File\":" + CliJsonStringUtf8(GetFileNamePart(strPath)) +
                          ",\"Folder\":" + CliJsonStringUtf8(GetFolderPart(strPath));
    for (const char* pszKey : {"CreateTime", "CreateUser", "LastEditTime", "LastEditUser", "LastBackup", "LastReorg"}) {
        std::string strValue;
        if (!db.ReadOption(pszKey, strValue)) return false;
        strLine += std::string(",\"") + pszKey + "\":" + CliJsonString(strValue);
    }
    CliPrintJson(strLine + "}");
    return true;
}

int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    if (!CliOpenKnowledgeBase(args, strPath, false)) return CLI_FAILED;
    // nothing is printed unless every fact could be read
    if (args.Has("--json")) {
        if (PrintJson()) return CLI_OK;
        ShowDbInfoUnreadable();
        return CLI_FAILED;
    }
    std::vector<SDbInfoRow> arrRows;
    if (!ReadDbInfoRows(arrRows)) {
        ShowDbInfoUnreadable();
        return CLI_FAILED;
    }
    for (const auto& row : arrRows)
        CliPrintLine(CliTerminalText(row.strLabel) + ": " +
                     (row.bPath ? CliTerminalTextUtf8(row.strValue) : CliTerminalText(row.strValue)));
    return CLI_OK;
}

CCliRegistrar reg({"info", "DATEI [--json]", 1, {}, {"--json"}, Run});
}  // namespace
