// Every row of the KnowHow table as one JSON object per line, to standard
// output or ("dump DATEI AUSGABE") to a file; "-" is standard output.
#include <cstdio>

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    const bool bToFile = args.arrPositional.size() > 1 && args.arrPositional[1] != "-";
    // opened as the program opens it, so a protected file dumps plain texts
    auto pKnowHow = CliOpenKnowledgeBase(args, strPath, false);
    if (!pKnowHow) return CLI_FAILED;
    CKnowHowArray arr;
    if (pKnowHow->GetAllItems(arr) < 0) return CliFail(CLI_TABLE_UNREADABLE);
    if (bToFile) CliLimitOutputMode(args.arrPositional[1]);
    std::FILE* pOut = bToFile ? std::fopen(args.arrPositional[1].c_str(), "wb") : stdout;
    if (!pOut) return CliFail(ExportStructureMessage(true));
    for (const auto& item : arr) {
        std::string strLine = "{\"ID\":" + std::to_string(item.ID) + ",\"IsAktiv\":" + std::to_string(item.IsAktiv) +
                              ",\"MasterID\":" + std::to_string(item.MasterID) +
                              ",\"LinkID\":" + std::to_string(item.LinkID) + ",\"Typ\":" + std::to_string(item.Typ) +
                              ",\"PosNr\":" + std::to_string(item.PosNr) + ",\"IsDir\":" + std::to_string(item.IsDir) +
                              ",\"Name\":" + CliJsonString(item.Name) + ",\"Text\":" + CliJsonString(item.Text) +
                              ",\"Link\":" + CliJsonString(item.Link) +
                              ",\"UpdateNr\":" + std::to_string(item.UpdateNr) + "}\n";
        std::fwrite(strLine.data(), 1, strLine.size(), pOut);
    }
    // a full disk or a closed pipe is a failed dump, not a short one
    bool bOk = std::fflush(pOut) == 0 && !std::ferror(pOut);
    if (bToFile && std::fclose(pOut) != 0) bOk = false;
    if (!bOk) return CliFail(ExportStructureMessage(true));
    return CLI_OK;
}

CCliRegistrar reg({"dump", "DATEI [AUSGABE]", 1, {}, {}, Run, 1});
}  // namespace
