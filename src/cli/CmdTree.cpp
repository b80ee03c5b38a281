// Lists a folder's content in reading order, one line per entry.
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    TRowId nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    auto pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;

    // the tree's shape, read a level at a time without the texts; nothing
    // is printed unless all of it could be read
    bool bRead = pService->ForEachBelow(nFolder, 0, [&](const CKnowHow::STreeNode& node, int nLevel) {
        if (args.Has("--json"))
            CliPrintJson("{\"ID\":" + std::to_string(node.ID) + ",\"MasterID\":" + std::to_string(node.MasterID) +
                         ",\"PosNr\":" + std::to_string(node.PosNr) + ",\"IsDir\":" + std::to_string(node.IsDir) +
                         ",\"Level\":" + std::to_string(nLevel) + ",\"Name\":" + CliJsonString(node.Name) + "}");
        else
            CliPrintLine(std::to_string(node.ID) + "\t" + std::string(2 * nLevel, ' ') + (node.IsDir ? "+" : "-") +
                         " " + CliTerminalText(KeywordOnOneLine(node.Name)));
    });
    if (!bRead) return CliFail(CLI_TABLE_UNREADABLE);
    return CLI_OK;
}

CCliRegistrar reg({"tree", "DATEI [--folder ID] [--json]", 1, {"--folder"}, {"--json"}, Run});
}  // namespace
