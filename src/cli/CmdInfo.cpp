// info: the facts of the info dialog; like the dialog it only reads, so the
// opening makes no daily backup.
#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "db/CDbInfo.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
// Keys named after the stored options, so scripts need not parse German.
void PrintJson() {
    CDB& db = GetDatabase();
    std::string strPath = db.GetFilePath();
    std::string strLine = "{\"File\":" + CliJsonStringUtf8(GetFileNamePart(strPath)) +
                          ",\"Folder\":" + CliJsonStringUtf8(GetFolderPart(strPath));
    for (const char* pszKey : {"CreateTime", "CreateUser", "LastEditTime", "LastEditUser", "LastBackup", "LastReorg"})
        strLine += std::string(",\"") + pszKey + "\":" + CliJsonString(db.GetOption(pszKey));
    CliPrintLine(strLine + "}");
}

int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    if (!CliOpenKnowledgeBase(args, strPath, false)) return CLI_FAILED;
    if (args.Has("--json")) {
        PrintJson();
        return CLI_OK;
    }
    for (const auto& row : GetDbInfoRows())
        CliPrintLine(Cp1252ToUtf8(row.strLabel) + ": " + (row.bPath ? row.strValue : Cp1252ToUtf8(row.strValue)));
    return CLI_OK;
}

CCliRegistrar reg({"info", "DATEI [--json]", 1, {}, {"--json"}, Run});
}  // namespace
