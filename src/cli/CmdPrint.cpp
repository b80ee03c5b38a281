// print: the pages of a folder as the print dialog's PDF output makes them,
// without a display.
#include <QGuiApplication>
#include <QPdfWriter>
#include <cstdlib>
#include <memory>

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "print/CTovPrint.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    int nFolder = 0;
    if (!CliParseId(args.Value("--folder"), nFolder)) return CLI_USAGE;
    std::string strPdf = args.Value("--pdf");
    if (strPdf.empty()) return CliFail("Die Option --pdf DATEI fehlt.");

    // fonts and the PDF engine need an application object, a screen they do not
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char szName[] = "orvantis-cli";
    static char* argv[] = {szName, nullptr};
    QGuiApplication app(argc, argv);

    std::unique_ptr<CKnowHow> pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;

    int nPages;
    {
        QPdfWriter writer(QString::fromUtf8(CliAbsolutePath(strPdf)));
        SetUpPdfPage(writer);
        writer.setCreator(QStringLiteral("Orvantis"));
        writer.setTitle(QString::fromUtf8(Cp1252ToUtf8(pService->GetPath(nFolder))));
        nPages = PrintFolderPages(&writer, pService.get(), nFolder);
    }
    if (nPages < 0) return CliFail(Ansi("Die PDF-Datei kann nicht geschrieben werden: ") + Utf8ToCp1252(strPdf));
    CliPrintLine("Seiten: " + std::to_string(nPages));
    return CLI_OK;
}

CCliRegistrar reg({"print", "DATEI --folder ID --pdf AUSGABE.pdf", 1, {"--folder", "--pdf"}, {}, Run});
}  // namespace
