#include "StressOwn.h"

#include <algorithm>
#include <cstdlib>

namespace {
std::vector<std::string> SplitOn(const std::string& str, char ch) {
    std::vector<std::string> arr;
    if (str.empty()) return arr;
    size_t nStart = 0;
    for (;;) {
        size_t n = str.find(ch, nStart);
        arr.push_back(str.substr(nStart, n == std::string::npos ? std::string::npos : n - nStart));
        if (n == std::string::npos) return arr;
        nStart = n + 1;
    }
}
}  // namespace

std::vector<SSharedFolder> ParseSharedFolders(const std::string& strList) {
    std::vector<SSharedFolder> arr;
    for (const auto& strPart : SplitOn(strList, ',')) {
        size_t n = strPart.find('=');
        if (n == std::string::npos) continue;
        arr.push_back({strPart.substr(0, n), static_cast<std::int32_t>(std::atol(strPart.c_str() + n + 1))});
    }
    return arr;
}

std::string FormatSharedFolders(const std::vector<SSharedFolder>& arr) {
    std::string str;
    for (const auto& folder : arr) {
        if (!str.empty()) str += ',';
        str += folder.strName + "=" + std::to_string(folder.nId);
    }
    return str;
}

std::string FormatTemplateEntries(const std::vector<STemplateEntry>& arr) {
    std::string str;
    for (const auto& entry : arr) {
        if (!str.empty()) str += ';';
        str += entry.strName + "/" + entry.strParent + "/" + (entry.bDir ? "1" : "0");
    }
    return str;
}

std::vector<STemplateEntry> ParseTemplateEntries(const std::string& str) {
    std::vector<STemplateEntry> arr;
    for (const auto& strPart : SplitOn(str, ';')) {
        auto arrFields = SplitOn(strPart, '/');
        if (arrFields.size() != 3) continue;
        arr.push_back({arrFields[0], arrFields[1], arrFields[2] == "1"});
    }
    return arr;
}

COwnTree::COwnTree(int nWorker, std::vector<SSharedFolder> arrShared, unsigned long long nSeed, char chPrefix)
    : m_nWorker(nWorker), m_chPrefix(chPrefix), m_arrShared(std::move(arrShared)), m_rng(nSeed) {}

long COwnTree::Random(long nMin, long nMax) {
    if (nMax <= nMin) return nMin;
    return std::uniform_int_distribution<long>(nMin, nMax)(m_rng);
}

bool COwnTree::Chance(double dProbability) {
    return std::uniform_real_distribution<double>(0, 1)(m_rng) < dProbability;
}

std::string COwnTree::NewToken(char chKind) {
    return m_chPrefix + std::to_string(m_nWorker) + chKind + std::to_string(m_nNext++);
}

void COwnTree::Add(const std::string& strName, TRowId nId, const std::string& strParent, bool bDir,
                   const std::string& strText) {
    m_map[strName] = SOwnEntry{nId, strParent, bDir, strText};
}

bool COwnTree::IsBelow(const std::string& strName, const std::string& strRoot) const {
    std::string strAt = strName;
    // own entries hang below shared folders, which are not in the map
    for (size_t nSteps = 0; nSteps <= m_map.size(); ++nSteps) {
        if (strAt == strRoot) return true;
        auto it = m_map.find(strAt);
        if (it == m_map.end()) return false;
        strAt = it->second.strParent;
    }
    return false;
}

void COwnTree::Remove(const std::string& strName) {
    std::vector<std::string> arrGone;
    for (const auto& [strKey, entry] : m_map)
        if (IsBelow(strKey, strName)) arrGone.push_back(strKey);
    for (const auto& str : arrGone) m_map.erase(str);
}

void COwnTree::Move(const std::string& strName, const std::string& strTarget) {
    auto it = m_map.find(strName);
    if (it != m_map.end()) it->second.strParent = strTarget;
}

void COwnTree::MakeFolder(const std::string& strName) {
    auto it = m_map.find(strName);
    if (it != m_map.end()) it->second.bDir = true;
}

void COwnTree::LearnId(const std::string& strName, TRowId nId) {
    auto it = m_map.find(strName);
    if (it != m_map.end()) it->second.nId = nId;
}

bool COwnTree::IsDir(const std::string& strName) const {
    auto it = m_map.find(strName);
    return it != m_map.end() && it->second.bDir;
}

std::string COwnTree::TextOf(const std::string& strName) const {
    auto it = m_map.find(strName);
    return it == m_map.end() ? std::string() : it->second.strText;
}

void COwnTree::SetText(const std::string& strName, const std::string& strText) {
    auto it = m_map.find(strName);
    if (it != m_map.end()) it->second.strText = strText;
}

std::string COwnTree::ParentOf(const std::string& strName) const {
    auto it = m_map.find(strName);
    return it == m_map.end() ? std::string() : it->second.strParent;
}

TRowId COwnTree::IdOf(const std::string& strName) const {
    auto it = m_map.find(strName);
    return it == m_map.end() ? 0 : it->second.nId;
}

TRowId COwnTree::FolderId(const std::string& strName) const {
    for (const auto& folder : m_arrShared)
        if (folder.strName == strName) return folder.nId;
    auto it = m_map.find(strName);
    return it != m_map.end() && it->second.bDir ? it->second.nId : 0;
}

std::string COwnTree::PickFolder(double dOwnShare) {
    std::vector<std::string> arrOwn;
    for (const auto& [strName, entry] : m_map)
        if (entry.bDir && entry.nId > 0) arrOwn.push_back(strName);
    if (!arrOwn.empty() && Chance(dOwnShare)) return arrOwn[Random(0, static_cast<long>(arrOwn.size()) - 1)];
    return m_arrShared[Random(0, static_cast<long>(m_arrShared.size()) - 1)].strName;
}

std::string COwnTree::PickEntry() {
    std::vector<std::string> arr;
    for (const auto& [strName, entry] : m_map)
        if (entry.nId > 0) arr.push_back(strName);
    if (arr.empty()) return std::string();
    return arr[Random(0, static_cast<long>(arr.size()) - 1)];
}

std::string COwnTree::PickMoveTarget(const std::string& strName) {
    std::vector<std::string> arr;
    std::string strParent = ParentOf(strName);
    for (const auto& folder : m_arrShared)
        if (folder.strName != strParent) arr.push_back(folder.strName);
    for (const auto& [strKey, entry] : m_map)
        if (entry.bDir && entry.nId > 0 && strKey != strParent && !IsBelow(strKey, strName)) arr.push_back(strKey);
    if (arr.empty()) return std::string();
    return arr[Random(0, static_cast<long>(arr.size()) - 1)];
}

std::vector<std::string> COwnTree::MakeTemplate(const std::string& strParent, std::vector<STemplateEntry>& arrEntries) {
    std::vector<std::string> arrLines;
    std::string strRoot = NewToken('i');
    arrLines.push_back("+ " + strRoot);
    arrEntries.push_back({strRoot, strParent, true});
    long nChildren = Random(1, 3);
    for (long c = 1; c <= nChildren; ++c) {
        std::string strChild = strRoot + "c" + std::to_string(c);
        bool bDir = Chance(0.5);
        arrLines.push_back(std::string("  ") + (bDir ? "+ " : "- ") + strChild);
        arrEntries.push_back({strChild, strRoot, bDir});
        if (!bDir) continue;
        long nGrand = Random(0, 2);
        for (long g = 1; g <= nGrand; ++g) {
            std::string strGrand = strChild + "g" + std::to_string(g);
            arrLines.push_back("    - " + strGrand);
            arrEntries.push_back({strGrand, strChild, false});
        }
    }
    return arrLines;
}
