#pragma once
// Whole-file line reading and writing for the structure templates.

#include <string>
#include <vector>

class CStdioFileEx {
public:
    virtual ~CStdioFileEx() = default;
    // Appends every line without its line end (CR LF or LF).
    bool ReadLines(const std::string& strPath, std::vector<std::string>& arrLines);
    // Creates or truncates the file and writes every string as it is, in the
    // text mode of the templates: a line feed goes out as CR LF.
    bool WriteLines(const std::string& strPath, const std::vector<std::string>& arrLines);
};
