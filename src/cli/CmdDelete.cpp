// Deletes an entry, or a folder with everything in it (asks unless --yes).
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    TRowId nId = 0;
    if (!CliParseId(args.arrPositional[1], nId)) return CLI_USAGE;
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    CKnowHowItem item;
    if (!CliReadEntry(*pService, nId, item)) return CLI_FAILED;
    SWriteReport report;
    EWriteResult eResult = pService->DeleteItem(nId, &report);
    return CliWriteResult(eResult, report, Ansi("Der Eintrag wurde nicht gelöscht."));
}

CCliRegistrar reg({"delete", "DATEI ID [--yes]", 2, {}, {}, Run});
}  // namespace
