#pragma once
// The facts shown by the database info dialog and by "orvantis-cli info".

#include <string>
#include <vector>

struct SDbInfoRow {
    std::string strLabel;  // Windows-1252
    std::string strValue;  // Windows-1252, or a file path part when bPath
    bool bPath = false;
};

// The eight rows, in order, for the open database; false when a stamp
// could not be read (the rows are then incomplete and not to be shown).
bool ReadDbInfoRows(std::vector<SDbInfoRow>& arrRows);
// The reason of the failed read, then that the facts cannot be read.
void ShowDbInfoUnreadable();
