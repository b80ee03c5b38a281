#include "cli/CliTree.h"

#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

bool CliReadEntry(CKnowHow& service, TRowId nId, CKnowHowItem& item) {
    int n = nId > 0 ? service.GetItem(item, nId) : 0;
    if (n == 1) return true;
    // an entry that could not be read is not one that does not exist
    if (n < 0 && ShowDbFailureReason()) return false;
    CliFail("Der Eintrag " + std::to_string(nId) + " existiert nicht.");
    return false;
}

int CliWriteResult(EWriteResult eResult, const SWriteReport& report, const std::string& strNotDone) {
    if (eResult == EWriteResult::Saved) return CLI_OK;
    if (strNotDone.empty()) {
        SayWriteResult(eResult, report);
        return CLI_FAILED;
    }
    // a refusal of a whole command says its own last line
    if (eResult == EWriteResult::Deleted)
        CliFail(EntryDeletedMessage());
    else
        SayWriteResult(eResult, report, false);
    return CliFail(strNotDone);
}

bool CliCheckFolder(CKnowHow& service, TRowId nId) {
    if (nId == 0) return true;
    CKnowHowItem item;
    if (!CliReadEntry(service, nId, item)) return false;
    if (item.IsDir) return true;
    CliFail("Der Eintrag " + std::to_string(nId) + Ansi(" ist kein Ordner."));
    return false;
}

bool CliOptionId(const SCliArgs& args, const std::string& strOption, TRowId& nId) {
    nId = 0;
    return !args.Has(strOption) || CliParseId(args.Value(strOption), nId);
}

std::unique_ptr<CKnowHow> CliOpenAtEntry(const SCliArgs& args, TRowId nFolder, bool bDailyBackup) {
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]), bDailyBackup);
    if (!pService) return nullptr;
    CKnowHowItem folder;
    if (nFolder > 0 && !CliReadEntry(*pService, nFolder, folder)) return nullptr;
    return pService;
}
