// reorganize DATEI: compacts the file and reports the saving.
#include "cli/CliCommand.h"
#include "db/DbCommands.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    auto pKnowHow = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pKnowHow) return CLI_FAILED;
    if (!CliRequireAdmin(args)) return CLI_FAILED;
    return RunReorganize(nullptr, false) ? CLI_OK : CLI_FAILED;
}

CCliRegistrar reg({"reorganize", "DATEI", 1, {}, {}, Run});
}  // namespace
