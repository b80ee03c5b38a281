#pragma once
// The recent-file list of the File menu: up to three database paths, newest
// first, kept in "Recent File List" as "File1" to "File3".

#include <string>
#include <vector>

class CRecentFileList {
public:
    static constexpr int MAX_FILES = 3;

    // Reads the list from the settings store (empty values end it).
    void Load();
    // Writes the list; missing places are stored as empty values.
    void Save() const;
    // Puts the path in front (moving it when it is listed already) and saves.
    void Add(const std::string& strPath);
    void Remove(int nIndex);
    const std::vector<std::string>& GetFiles() const { return m_arrFiles; }

private:
    std::vector<std::string> m_arrFiles;
};
