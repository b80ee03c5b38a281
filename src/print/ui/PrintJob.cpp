// The print job of the panes: the toolkit's print dialog (a printer or a PDF
// file) and print preview, with the pages laid out by CTovPrint. Each job
// lays the folder out afresh, so no print object outlives it.
#include "print/ui/PrintJob.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "print/CTovPrint.h"

namespace {
// The page count, or one of the PRINT_ codes.
int PrintOn(QPrinter* pPrinter, CKnowHow* pService, TRowId nFolder) {
    bool bAll = pPrinter->printRange() != QPrinter::PageRange;
    return PrintFolderPages(pPrinter, pService, nFolder, bAll ? 0 : pPrinter->fromPage(), bAll ? 0 : pPrinter->toPage(),
                            pPrinter->pageOrder() == QPrinter::LastPageFirst);
}

// A job that printed nothing says why.
void SayResult(int nResult) {
    if (nResult >= 0) return;
    if (nResult != PRINT_DEVICE_FAILED) {
        ShowPrintReadFailure(nResult);
        return;
    }
    // a PDF file that cannot be written, a printer that refuses the job
    GetPlatform().MessageBox(Ansi("Der Druckauftrag konnte nicht gestartet werden."), "", EMsgIcon::Exclamation,
                             EMsgButtons::Ok);
}
}  // namespace

void PrintFolder(QWidget* pParent, CKnowHow* pService, TRowId nFolder, bool bPreview, QPrinter* pPrinter) {
    QPrinter fresh(QPrinter::HighResolution);
    QPrinter& printer = pPrinter ? *pPrinter : fresh;
    if (bPreview) {
        // an empty preview would pass for an empty folder
        SPrintFolder folder;
        int nRead = pService ? ReadPrintFolder(*pService, nFolder, folder) : 0;
        if (nRead < 0) {
            ShowPrintReadFailure(nRead);
            return;
        }
        QPrintPreviewDialog dlg(&printer, pParent);
        dlg.setWindowTitle(QStringLiteral("Seitenansicht"));
        int nLast = 0;
        QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested,
                         [&](QPrinter* p) { nLast = PrintOn(p, pService, nFolder); });
        dlg.exec();
        if (nLast < PRINT_DEVICE_FAILED) SayResult(nLast);
        return;
    }
    QPrintDialog dlg(&printer, pParent);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dlg.setMinMax(1, 9999);
    if (dlg.exec() != QDialog::Accepted) return;
    SayResult(PrintOn(&printer, pService, nFolder));
}
