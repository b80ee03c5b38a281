// print: the pages of a folder as the print dialog's PDF output makes them,
// without a display. "--pdf -" writes the PDF to stdout for pipes. Only the
// print program (orvantis-cli-print) holds it: the PDF engine would cost
// every other call its loading time.
#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <cstdio>
#include <memory>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "print/CTovPrint.h"
#include "tree/CKnowHow.h"

int CliRunElsewhere(const std::string&, char**) {
    return -1;
}

int CliPrintPdf(const SCliArgs& args) {
    TRowId nFolder = 0;
    if (!CliParseId(args.Value("--folder"), nFolder)) return CLI_USAGE;
    std::string strPdf = args.Value("--pdf");
    if (strPdf.empty()) return CliFail("Die Option --pdf DATEI fehlt.");
    bool bStdout = strPdf == "-";

    // fonts and the PDF engine need an application object, a screen they do not
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char szName[] = "orvantis-cli";
    static char* argv[] = {szName, nullptr};
    // Qt's own warnings (no XDG_RUNTIME_DIR, a missing font) are messages of this program too
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& strMessage) {
        CliMessage(CliTerminalTextUtf8(strMessage.toStdString(), true));
    });
    QGuiApplication app(argc, argv);

    // printing only reads: no daily backup; a folder that does not exist is
    // refused as export refuses it
    std::unique_ptr<CKnowHow> pService = CliOpenAtEntry(args, nFolder, false);
    if (!pService) return CLI_FAILED;

    if (!bStdout) CliLimitOutputMode(CliAbsolutePath(strPdf));
    int nPages;
    // for stdout the whole document is made first: a failed layout must not
    // leave half a PDF in the pipe
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        std::unique_ptr<QPdfWriter> pWriter =
            bStdout ? std::make_unique<QPdfWriter>(&buffer)
                    : std::make_unique<QPdfWriter>(QString::fromUtf8(CliAbsolutePath(strPdf)));
        SetUpPdfPage(*pWriter);
        pWriter->setCreator(QStringLiteral("Orvantis"));
        pWriter->setTitle(QString::fromUtf8(Cp1252ToUtf8(pService->GetPath(nFolder))));
        nPages = PrintFolderPages(pWriter.get(), pService.get(), nFolder);
    }
    if (nPages < PRINT_DEVICE_FAILED) {
        // nothing was written: the folder was read before the PDF began
        ShowPrintReadFailure(nPages);
        return CLI_FAILED;
    }
    if (nPages < 0) {
        if (bStdout) return CliFail(Ansi("Die PDF-Ausgabe kann nicht erzeugt werden."));
        return CliFail(Ansi("Die PDF-Datei kann nicht geschrieben werden: ") + Utf8ToCp1252(strPdf));
    }
    std::string strPages = "Seiten: " + std::to_string(nPages);
    if (!bStdout) {
        CliPrintLine(strPages);
        return CLI_OK;
    }
    // stdout holds the PDF alone; the page count is a message then
    const QByteArray& data = buffer.data();
    if (std::fwrite(data.constData(), 1, static_cast<size_t>(data.size()), stdout) != static_cast<size_t>(data.size()))
        return CliFail(Ansi("Die PDF-Ausgabe kann nicht geschrieben werden."));
    CliMessage(strPages);
    return CLI_OK;
}
