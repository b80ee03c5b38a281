// Writes the folder structure to a template file, or with --format a folder
// with its texts as a document (HTML, Markdown, text); "-" writes to
// standard output.
#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "tree/CKnowHow.h"
#include "tree/CReadableExport.h"

namespace {
int ExportReadable(const SCliArgs& args, TRowId nFolder, EReadableFormat eFormat) {
    auto pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;
    // said before anything is written, so a script's log shows it even
    // when the export fails
    if (GetDbPasswort().IsPasswordSet()) CliFail(UnencryptedExportNote());
    const std::string& strOut = args.arrPositional[1];
    CliLimitOutputMode(strOut);
    CReadableExport exporter(*pService, eFormat);
    EReadableResult eResult = strOut == "-" ? exporter.Write(stdout, nFolder) : exporter.Write(strOut, nFolder);
    switch (eResult) {
        case EReadableResult::Written: return CLI_OK;
        case EReadableResult::NoSuchFolder: return CliFail(EntryDeletedMessage());
        case EReadableResult::ReadFailed:
        case EReadableResult::WriteFailed: break;
    }
    return CliFail(ExportStructureMessage(true));
}

int Run(const SCliArgs& args) {
    TRowId nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    if (args.Has("--format") && args.Value("--format") != "vorlage") {
        EReadableFormat eFormat;
        if (!ParseReadableFormat(args.Value("--format"), eFormat))
            return CliUsageError("--format erwartet vorlage, html, markdown oder text: " + args.Value("--format"));
        return ExportReadable(args, nFolder, eFormat);
    }
    auto pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;
    const std::string& strTemplate = args.arrPositional[1];
    CliLimitOutputMode(strTemplate);
    bool bWriteFailed = false;
    if (strTemplate == "-")
        pService->ExportStructure(stdout, nFolder, &bWriteFailed);
    else
        pService->ExportStructure(strTemplate, nFolder, &bWriteFailed);
    if (bWriteFailed) return CliFail(ExportStructureMessage(true));
    return CLI_OK;
}

CCliRegistrar reg({"export",
                   "DATEI AUSGABE [--folder ID] [--format vorlage|html|markdown|text]",
                   2,
                   {"--folder", "--format"},
                   {},
                   Run});
}  // namespace
