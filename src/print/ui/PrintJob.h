#pragma once
// Printing and print preview of a folder's entries from the panes.

#include <cstdint>

class QWidget;
class CKnowHow;

// Shows the print dialog (bPreview false) or the print preview of the
// folder's entries.
void PrintFolder(QWidget* pParent, CKnowHow* pService, std::int32_t nFolder, bool bPreview);
