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
bool PrintOn(QPrinter* pPrinter, CKnowHow* pService, std::int32_t nFolder) {
    bool bAll = pPrinter->printRange() != QPrinter::PageRange;
    int nPrinted = PrintFolderPages(pPrinter, pService, nFolder, bAll ? 0 : pPrinter->fromPage(),
                                    bAll ? 0 : pPrinter->toPage(), pPrinter->pageOrder() == QPrinter::LastPageFirst);
    return nPrinted >= 0;
}
}  // namespace

void PrintFolder(QWidget* pParent, CKnowHow* pService, std::int32_t nFolder, bool bPreview, QPrinter* pPrinter) {
    QPrinter fresh(QPrinter::HighResolution);
    QPrinter& printer = pPrinter ? *pPrinter : fresh;
    if (bPreview) {
        QPrintPreviewDialog dlg(&printer, pParent);
        dlg.setWindowTitle(QStringLiteral("Seitenansicht"));
        QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested,
                         [&](QPrinter* p) { PrintOn(p, pService, nFolder); });
        dlg.exec();
        return;
    }
    QPrintDialog dlg(&printer, pParent);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dlg.setMinMax(1, 9999);
    if (dlg.exec() != QDialog::Accepted) return;
    if (!PrintOn(&printer, pService, nFolder)) {
        // a PDF file that cannot be written, a printer that refuses the job
        GetPlatform().MessageBox(Ansi("Der Druckauftrag konnte nicht gestartet werden."), "", EMsgIcon::Exclamation,
                                 EMsgButtons::Ok);
    }
}
