// Creates the structure of a template file below a folder; "-" reads the
// template from standard input.
#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    TRowId nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    const std::string& strTemplate = args.arrPositional[1];
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    if (!CliCheckFolder(*pService, nFolder)) return CLI_FAILED;
    // the file is read once, by the import itself: a pipe has no second reading
    std::string strFailure;
    TRowId nFirst = strTemplate == "-" ? pService->ImportStructure(stdin, strTemplate, nFolder, &strFailure)
                                       : pService->ImportStructure(strTemplate, nFolder, &strFailure);
    if (!strFailure.empty()) return CliFail(strFailure);
    CliPrintLine(std::to_string(nFirst));
    return CLI_OK;
}

CCliRegistrar reg({"import", "DATEI VORLAGE [--folder ID]", 2, {"--folder"}, {}, Run});
}  // namespace
