#pragma once
// Printing and print preview of a folder's entries from the panes.

#include <cstdint>

#include "table/CTableItem.h"

class QPrinter;
class QWidget;
class CKnowHow;

// Shows the print dialog (bPreview false) or the print preview of the
// folder's entries. pPrinter: the program's printer, whose settings (from
// the printer set-up as well) the job uses and keeps; null for a fresh one.
void PrintFolder(QWidget* pParent, CKnowHow* pService, TRowId nFolder, bool bPreview, QPrinter* pPrinter = nullptr);
