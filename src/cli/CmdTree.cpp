// Lists a folder's content in reading order, one line per entry.
#include <map>
#include <unordered_set>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    int nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    auto pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;

    // one read of the table, the tree built in memory
    CKnowHowArray arrAll;
    if (pService->GetAllItems(arrAll) < 0) return CliFail("Die Tabelle KnowHow kann nicht gelesen werden.");
    std::map<std::int32_t, std::multimap<std::int32_t, const CKnowHowItem*>> mapChildren;
    for (const auto& item : arrAll)
        if (item.IsAktiv == 1) mapChildren[item.MasterID].emplace(item.PosNr, &item);

    std::vector<std::pair<const CKnowHowItem*, int>> arrStack;
    std::unordered_set<std::int32_t> setSeen{nFolder};
    auto pushChildren = [&](std::int32_t nId, int nLevel) {
        auto it = mapChildren.find(nId);
        if (it == mapChildren.end()) return;
        for (auto child = it->second.rbegin(); child != it->second.rend(); ++child)
            arrStack.emplace_back(child->second, nLevel);
    };
    pushChildren(nFolder, 0);
    while (!arrStack.empty()) {
        auto [pItem, nLevel] = arrStack.back();
        arrStack.pop_back();
        if (args.Has("--json"))
            CliPrintLine("{\"ID\":" + std::to_string(pItem->ID) + ",\"MasterID\":" + std::to_string(pItem->MasterID) +
                         ",\"PosNr\":" + std::to_string(pItem->PosNr) + ",\"IsDir\":" + std::to_string(pItem->IsDir) +
                         ",\"Level\":" + std::to_string(nLevel) + ",\"Name\":" + CliJsonString(pItem->Name) + "}");
        else
            CliPrintLine(std::to_string(pItem->ID) + "\t" + std::string(2 * nLevel, ' ') + (pItem->IsDir ? "+" : "-") +
                         " " + Cp1252ToUtf8(KeywordOnOneLine(pItem->Name)));
        if (setSeen.insert(pItem->ID).second) pushChildren(pItem->ID, nLevel + 1);
    }
    return CLI_OK;
}

CCliRegistrar reg({"tree", "DATEI [--folder ID] [--json]", 1, {"--folder"}, {"--json"}, Run});
}  // namespace
