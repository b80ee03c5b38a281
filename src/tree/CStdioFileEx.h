#pragma once
// Whole-file line reading and writing for the structure templates.

#include <cstdio>
#include <string>
#include <vector>

class CStdioFileEx {
public:
    virtual ~CStdioFileEx() = default;
    // Appends every line without its line end (CR LF or LF); nothing when the
    // file cannot be opened or read to its end.
    bool ReadLines(const std::string& strPath, std::vector<std::string>& arrLines);
    // The same from a stream that is already open (standard input), read to
    // its end and left open.
    bool ReadLines(std::FILE* pFile, std::vector<std::string>& arrLines);
    // Creates or truncates the file and writes every string as it is, in the
    // text mode of the templates: a line feed goes out as CR LF.
    bool WriteLines(const std::string& strPath, const std::vector<std::string>& arrLines);
    // The same onto a stream that is already open (standard output), flushed
    // and left open.
    bool WriteLines(std::FILE* pFile, const std::vector<std::string>& arrLines);
};
