// Appends a new entry or folder to a folder.
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    if (!args.Has("--parent") || !args.Has("--name")) {
        return CliUsageError("--parent und --name sind anzugeben");
    }
    TRowId nParent = 0;
    if (!CliOptionId(args, "--parent", nParent)) return CLI_USAGE;
    std::string strName, strText;
    if (!CliToAnsi(args.Value("--name"), strName) || !CliToAnsi(args.Value("--text"), strText)) return CLI_USAGE;
    if (strName.empty() && strText.empty())
        return CliFail(Ansi("Ein Eintrag ohne Stichwort und Text wird nicht gespeichert."));

    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    if (!CliCheckFolder(*pService, nParent)) return CLI_FAILED;

    CKnowHowArray arr(1);
    CKnowHowItem& item = arr.front();
    item.MasterID = nParent;
    // the position is taken inside the write from what the file holds then
    item.SetIsDir(args.Has("--folder") ? 1 : 0);
    item.SetName(strName);
    item.SetText(strText);
    SWriteReport report;
    EWriteResult eResult = pService->SaveItems(arr, &report);
    if (eResult != EWriteResult::Saved || item.ID <= 0)
        return eResult == EWriteResult::Saved ? CLI_FAILED : CliWriteResult(eResult, report);
    CliPrintLine(std::to_string(item.ID));
    return CLI_OK;
}

CCliRegistrar reg({"add",
                   "DATEI --parent ID --name TEXT [--text TEXT] [--folder]",
                   1,
                   {"--parent", "--name", "--text"},
                   {"--folder"},
                   Run});
}  // namespace
