// Writes the folder structure to a template file.
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    int nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    auto pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;
    bool bWriteFailed = false;
    pService->ExportStructure(args.arrPositional[1], nFolder, &bWriteFailed);
    if (bWriteFailed) return CliFail(ExportStructureMessage(true));
    return CLI_OK;
}

CCliRegistrar reg({"export", "DATEI VORLAGE [--folder ID]", 2, {"--folder"}, {}, Run});
}  // namespace
