#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    // opened as the program opens it, so a protected file dumps plain texts
    auto pKnowHow = CliOpenKnowledgeBase(args, strPath, false);
    if (!pKnowHow) return CLI_FAILED;
    CKnowHowArray arr;
    if (pKnowHow->GetAllItems(arr) < 0) return CliFail("Die Tabelle KnowHow kann nicht gelesen werden.");
    for (const auto& item : arr) {
        CliPrintLine("{\"ID\":" + std::to_string(item.ID) + ",\"IsAktiv\":" + std::to_string(item.IsAktiv) +
                     ",\"MasterID\":" + std::to_string(item.MasterID) + ",\"LinkID\":" + std::to_string(item.LinkID) +
                     ",\"Typ\":" + std::to_string(item.Typ) + ",\"PosNr\":" + std::to_string(item.PosNr) +
                     ",\"IsDir\":" + std::to_string(item.IsDir) + ",\"Name\":" + CliJsonString(item.Name) +
                     ",\"Text\":" + CliJsonString(item.Text) + ",\"Link\":" + CliJsonString(item.Link) +
                     ",\"UpdateNr\":" + std::to_string(item.UpdateNr) + "}");
    }
    return CLI_OK;
}

CCliRegistrar reg({"dump", "DATEI", 1, {}, {}, Run});
}  // namespace
