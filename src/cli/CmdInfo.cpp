#include "cli/CliCommand.h"
#include "db/CDbInfo.h"
#include "platform/Cp1252.h"

namespace {
int Run(const SCliArgs& args) {
    if (!CliOpenExisting(args, CliAbsolutePath(args.arrPositional[0]))) return CLI_FAILED;
    for (const auto& row : GetDbInfoRows())
        CliPrintLine(Cp1252ToUtf8(row.strLabel) + ": " + (row.bPath ? row.strValue : Cp1252ToUtf8(row.strValue)));
    return CLI_OK;
}

CCliRegistrar reg({"info", "DATEI", 1, {}, {}, Run});
}  // namespace
