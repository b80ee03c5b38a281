#pragma once
// The facts shown by the database info dialog and by "orvantis-cli info".

#include <string>
#include <vector>

struct SDbInfoRow {
    std::string strLabel;  // Windows-1252
    std::string strValue;  // Windows-1252, or a file path part when bPath
    bool bPath = false;
};

// The eight rows, in order, for the open database.
std::vector<SDbInfoRow> GetDbInfoRows();
