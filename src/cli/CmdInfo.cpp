#include "cli/CliCommand.h"
#include "db/CDbInfo.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    // opened as the program opens it: password, version check, daily backup
    if (!CliOpenKnowledgeBase(args, strPath)) return CLI_FAILED;
    for (const auto& row : GetDbInfoRows())
        CliPrintLine(Cp1252ToUtf8(row.strLabel) + ": " + (row.bPath ? row.strValue : Cp1252ToUtf8(row.strValue)));
    return CLI_OK;
}

CCliRegistrar reg({"info", "DATEI", 1, {}, {}, Run});
}  // namespace
