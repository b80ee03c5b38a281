// Changes the keyword, text or link of a stored entry.
#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    TRowId nId = 0;
    if (!CliParseId(args.arrPositional[1], nId)) return CLI_USAGE;
    std::string strName, strText, strLink;
    if (!CliToAnsi(args.Value("--name"), strName) || !CliToAnsi(args.Value("--text"), strText) ||
        !CliToAnsi(args.Value("--link"), strLink))
        return CLI_USAGE;

    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    CKnowHowArray arr(1);
    CKnowHowItem& item = arr.front();
    if (!CliReadEntry(*pService, nId, item)) return CLI_FAILED;
    if (args.Has("--name")) item.SetName(strName);
    if (args.Has("--text")) item.SetText(strText);
    if (args.Has("--link")) {
        // as the link dialog does: the type follows the link
        item.SetLink(strLink);
        item.SetTyp(strLink.empty() ? 0 : 1);
    }
    SWriteReport report;
    EWriteResult eResult = pService->SaveItems(arr, &report);
    return CliWriteResult(eResult, report);
}

CCliRegistrar reg(
    {"set", "DATEI ID [--name TEXT] [--text TEXT] [--link TEXT]", 2, {"--name", "--text", "--link"}, {}, Run});
}  // namespace
