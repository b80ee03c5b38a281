// Searches keywords and/or texts; prints the hits with their paths.
#include <algorithm>

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strText;
    if (!CliToAnsi(args.arrPositional[1], strText)) return CLI_USAGE;
    bool bKeywords = args.Has("--keywords"), bTexts = args.Has("--texts");
    if (!bKeywords && !bTexts) bKeywords = bTexts = true;

    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]), false);
    if (!pService) return CLI_FAILED;
    CKnowHowArray arrHits;
    if (pService->Search(arrHits, strText, bKeywords, bTexts, false) < 0) return CliFail(CLI_SEARCH_FAILED);
    // every hit's path from a few reads of the folders above the hits
    std::vector<TRowId> arrIds;
    arrIds.reserve(arrHits.size());
    for (const auto& hit : arrHits) arrIds.push_back(hit.ID);
    std::vector<std::string> arrPaths;
    if (!pService->GetPaths(arrIds, arrPaths)) return CliFail(CLI_SEARCH_FAILED);
    std::vector<std::pair<std::string, const CKnowHowItem*>> arrRows;
    arrRows.reserve(arrHits.size());
    for (size_t i = 0; i < arrHits.size(); ++i) arrRows.emplace_back(std::move(arrPaths[i]), &arrHits[i]);
    // by the bytes of the path, as the hit list sorts
    std::stable_sort(arrRows.begin(), arrRows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [strPath, pHit] : arrRows) {
        if (args.Has("--json"))
            CliPrintJson("{\"ID\":" + std::to_string(pHit->ID) + ",\"IsDir\":" + std::to_string(pHit->IsDir) +
                         ",\"Name\":" + CliJsonString(pHit->Name) + ",\"Path\":" + CliJsonString(strPath) + "}");
        else
            CliPrintLine(std::to_string(pHit->ID) + "\t" + CliTerminalText(KeywordOnOneLine(strPath)));
    }
    return CLI_OK;
}

CCliRegistrar reg(
    {"search", "DATEI TEXT [--keywords] [--texts] [--json]", 2, {}, {"--keywords", "--texts", "--json"}, Run});
}  // namespace
