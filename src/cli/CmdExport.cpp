// Writes the folder structure to a template file; "-" writes it to standard
// output.
#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    int nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    auto pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;
    const std::string& strTemplate = args.arrPositional[1];
    bool bWriteFailed = false;
    if (strTemplate == "-")
        pService->ExportStructure(stdout, nFolder, &bWriteFailed);
    else
        pService->ExportStructure(strTemplate, nFolder, &bWriteFailed);
    if (bWriteFailed) return CliFail(ExportStructureMessage(true));
    return CLI_OK;
}

CCliRegistrar reg({"export", "DATEI VORLAGE [--folder ID]", 2, {"--folder"}, {}, Run});
}  // namespace
