// The Papierkorb: lists what was deleted, restores a delete, purges.
#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHowTrash.h"

namespace {
int List(const SCliArgs& args, CKnowHow& service) {
    std::vector<STrashItem> arr;
    if (CKnowHowTrash(service).List(arr) < 0) {
        ShowDbFailureReason();
        return CliFail(Ansi("Der Papierkorb kann nicht gelesen werden."));
    }
    const bool bJson = args.Has("--json");
    for (const STrashItem& item : arr) {
        if (bJson) {
            CliPrintJson(
                "{\"Nr\":" + std::to_string(item.nNr) + ",\"ID\":" + std::to_string(item.nId) +
                ",\"IsDir\":" + (item.bDir ? "1" : "0") + ",\"Name\":" + CliJsonString(item.strName) +
                ",\"Path\":" + CliJsonString(item.strPath) + ",\"FromFolder\":" + std::to_string(item.nFromFolder) +
                ",\"DeletedAt\":" + CliJsonString(item.strWhen) + ",\"DeletedBy\":" + CliJsonString(item.strBy) +
                ",\"Entries\":" + std::to_string(item.nEntries) +
                ",\"Readable\":" + (item.bReadable ? "true" : "false") + "}");
            continue;
        }
        // number, kind, keyword, where it was, when, by whom, entries
        std::string strName = item.bReadable ? KeywordOnOneLine(item.strName) : Ansi("(anderes Kennwort)");
        std::string strPath = item.nFromFolder == 0 ? std::string("Hauptordner") : KeywordOnOneLine(item.strPath);
        CliPrintLine(std::to_string(item.nNr) + "\t" + (item.bDir ? "+" : "-") + "\t" + Cp1252ToUtf8(strName) + "\t" +
                     Cp1252ToUtf8(strPath) + "\t" + Cp1252ToUtf8(item.strWhen) + "\t" + Cp1252ToUtf8(item.strBy) +
                     "\t" + std::to_string(item.nEntries));
    }
    return CLI_OK;
}

bool ParseNr(const std::string& strText, std::int64_t& nNr) {
    long long n = 0;
    if (!CliParseNumber("NR", strText, 1, 9223372036854775807LL, n)) return false;
    nNr = n;
    return true;
}

int Run(const SCliArgs& args) {
    const std::string strWhat = args.arrPositional[1];
    const bool bNr = args.arrPositional.size() > 2;
    std::int64_t nNr = 0;
    if (strWhat != "list" && strWhat != "restore" && strWhat != "purge")
        return CliUsageError("list, restore oder purge erwartet: " + strWhat);
    if (strWhat == "list" && (bNr || args.Has("--to") || args.Has("--older-than")))
        return CliUsageError("list nimmt keine weiteren Angaben");
    if (strWhat == "restore" && (!bNr || args.Has("--older-than")))
        return CliUsageError("restore braucht die Nummer aus trash list (NR)");
    if (strWhat == "purge" && (args.Has("--to") || (bNr && args.Has("--older-than"))))
        return CliUsageError("purge nimmt entweder NR oder --older-than");
    if (strWhat != "list" && args.Has("--json")) return CliUsageError("--json gilt nur für list");
    if (bNr && !ParseNr(args.arrPositional[2], nNr)) return CLI_USAGE;
    TRowId nTo = -1;
    if (args.Has("--to") && !CliOptionId(args, "--to", nTo)) return CLI_USAGE;
    long long nDays = 0;
    if (args.Has("--older-than") && !CliParseNumber("--older-than", args.Value("--older-than"), 1, 1000000, nDays))
        return CLI_USAGE;

    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]), strWhat != "list");
    if (!pService) return CLI_FAILED;
    if (strWhat == "list") return List(args, *pService);

    CKnowHowTrash trash(*pService);
    SWriteReport report;
    if (strWhat == "restore") {
        if (nTo >= 0 && !CliCheckFolder(*pService, nTo)) return CLI_FAILED;
        TRowId nNewId = 0;
        EWriteResult eResult = trash.Restore(nNr, nTo, &nNewId, nullptr, &report);
        if (eResult != EWriteResult::Saved) {
            SayTrashResult(eResult, report);
            return CliFail(Ansi("Nichts wurde wiederhergestellt."));
        }
        CliPrintLine(std::to_string(nNewId));
        return CLI_OK;
    }
    if (bNr) {
        EWriteResult eResult = trash.Purge(nNr, &report);
        if (eResult == EWriteResult::Saved) return CLI_OK;
        SayTrashResult(eResult, report);
        return CLI_FAILED;
    }
    int nEntries = 0;
    if (args.Has("--older-than")) {
        if (!PurgeTrashOlderThan(static_cast<int>(nDays), &nEntries)) {
            ShowDbFailureReason();
            return CliFail(Ansi("Der Papierkorb konnte nicht geleert werden."));
        }
    } else {
        EWriteResult eResult = trash.Empty(&nEntries, &report);
        if (eResult != EWriteResult::Saved) {
            SayWriteResult(eResult, report, false);
            return CliFail(Ansi("Der Papierkorb konnte nicht geleert werden."));
        }
    }
    CliPrintLine(std::to_string(nEntries));
    return CLI_OK;
}

CCliRegistrar reg({"trash",
                   "DATEI list [--json] | restore NR [--to ORDNER] | purge [NR | --older-than TAGE]",
                   2,
                   {"--to", "--older-than"},
                   {"--json"},
                   Run,
                   1});
}  // namespace
