// Creates the structure of a template file below a folder.
#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    int nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    const std::string& strTemplate = args.arrPositional[1];
    // the service reads an unreadable file as an empty one; tell the user
    if (std::FILE* pFile = std::fopen(strTemplate.c_str(), "rb")) {
        char ch;
        bool bReadable = std::fread(&ch, 1, 1, pFile) == 1 || !std::ferror(pFile);
        std::fclose(pFile);
        if (!bReadable) return CliFail("Die Vorlage kann nicht gelesen werden: " + Utf8ToCp1252(strTemplate));
    } else {
        return CliFail("Die Vorlage kann nicht gelesen werden: " + Utf8ToCp1252(strTemplate));
    }
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    if (!CliCheckFolder(*pService, nFolder)) return CLI_FAILED;
    // the import goes on past a line it could not store; such a line is no success
    CDB& db = GetDatabase();
    db.SetError(0, nullptr);
    std::int32_t nFirst = pService->ImportStructure(strTemplate, nFolder);
    if (db.GetLastErrorCode() != 0) {
        std::string strReason = GetDbFailureReason(db.GetLastErrorCode());
        return CliFail(Ansi("Die Vorlage wurde nicht vollständig importiert.") +
                       (strReason.empty() ? "" : " " + strReason));
    }
    CliPrintLine(std::to_string(nFirst));
    return CLI_OK;
}

CCliRegistrar reg({"import", "DATEI VORLAGE [--folder ID]", 2, {"--folder"}, {}, Run});
}  // namespace
