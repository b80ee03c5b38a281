// Moves an entry (a folder with its content) to the end of another folder.
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    TRowId nId = 0, nTarget = 0;
    if (!CliParseId(args.arrPositional[1], nId) || !CliParseId(args.arrPositional[2], nTarget)) return CLI_USAGE;
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    CKnowHowItem item;
    if (!CliReadEntry(*pService, nId, item) || !CliCheckFolder(*pService, nTarget)) return CLI_FAILED;
    if (pService->IsInSubtree(nTarget, nId))
        return CliFail(Ansi("Ein Ordner kann nicht in sich selbst verschoben werden."));
    SWriteReport report;
    EWriteResult eResult = pService->MoveToFolder(nId, nTarget, &report);
    return CliWriteResult(eResult, report);
}

CCliRegistrar reg({"move", "DATEI ID ZIELORDNER", 3, {}, {}, Run});
}  // namespace
