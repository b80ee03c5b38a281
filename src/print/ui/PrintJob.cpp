// Placeholder until the print layout lands: tells the user printing is not
// available yet. Replaced by the print job of the print layout.
#include "print/ui/PrintJob.h"

#include "platform/Cp1252.h"
#include "platform/Platform.h"

void PrintFolder(QWidget*, CKnowHow*, std::int32_t, bool) {
    GetPlatform().MessageBox(Ansi("Drucken ist in dieser Version noch nicht verfügbar."), "Drucken",
                             EMsgIcon::Information, EMsgButtons::Ok);
}
