#include "app/CRecentFileList.h"

#include <algorithm>

#include "platform/Platform.h"

namespace {
const char* const SECTION = "Recent File List";

std::string EntryName(int nIndex) {
    return "File" + std::to_string(nIndex + 1);
}
}  // namespace

void CRecentFileList::Load() {
    m_arrFiles.clear();
    for (int i = 0; i < MAX_FILES; ++i) {
        std::string strPath = GetPlatform().GetProfileString(SECTION, EntryName(i), "");
        if (strPath.empty()) break;
        if (std::find(m_arrFiles.begin(), m_arrFiles.end(), strPath) == m_arrFiles.end()) m_arrFiles.push_back(strPath);
    }
}

void CRecentFileList::Save() const {
    for (int i = 0; i < MAX_FILES; ++i)
        GetPlatform().WriteProfileString(SECTION, EntryName(i),
                                         i < static_cast<int>(m_arrFiles.size()) ? m_arrFiles[i] : std::string());
}

void CRecentFileList::Add(const std::string& strPath) {
    if (strPath.empty()) return;
    m_arrFiles.erase(std::remove(m_arrFiles.begin(), m_arrFiles.end(), strPath), m_arrFiles.end());
    m_arrFiles.insert(m_arrFiles.begin(), strPath);
    if (m_arrFiles.size() > MAX_FILES) m_arrFiles.resize(MAX_FILES);
    Save();
}

void CRecentFileList::Remove(int nIndex) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_arrFiles.size())) return;
    m_arrFiles.erase(m_arrFiles.begin() + nIndex);
    Save();
}
