// Deletes an entry, or a folder with everything in it (asks unless --yes).
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    int nId = 0;
    if (!CliParseId(args.arrPositional[1], nId)) return CLI_USAGE;
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    CKnowHowItem item;
    if (!CliReadEntry(*pService, nId, item)) return CLI_FAILED;
    if (!pService->DeleteItem(nId)) return CliFail(Ansi("Der Eintrag wurde nicht gelöscht."));
    return CLI_OK;
}

CCliRegistrar reg({"delete", "DATEI ID [--yes]", 2, {}, {}, Run});
}  // namespace
