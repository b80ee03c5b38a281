// Deletes an entry, or a folder with everything in it, after the program's
// question (answered by --yes or at the terminal).
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "tree/CKnowHow.h"

namespace {
// The question the program asks before it deletes a row; a folder with
// entries in it is asked about once more by the delete itself.
bool Confirm(const CKnowHowItem& item) {
    return GetPlatform().MessageBox(CKnowHow::DeleteQuestion(item), "", EMsgIcon::Exclamation, EMsgButtons::YesNo) ==
           EMsgResult::Yes;
}

int Run(const SCliArgs& args) {
    TRowId nId = 0;
    if (!CliParseId(args.arrPositional[1], nId)) return CLI_USAGE;
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    CKnowHowItem item;
    if (!CliReadEntry(*pService, nId, item)) return CLI_FAILED;
    const std::string strNotDone = Ansi("Der Eintrag wurde nicht gelöscht.");
    if (!Confirm(item)) return CliFail(strNotDone);
    SWriteReport report;
    EWriteResult eResult = pService->DeleteItem(nId, &report);
    return CliWriteResult(eResult, report, strNotDone);
}

CCliRegistrar reg({"delete", "DATEI ID [--yes]", 2, {}, {}, Run});
}  // namespace
