#include "tree/CStdioFileEx.h"

bool CStdioFileEx::ReadLines(const std::string& strPath, std::vector<std::string>& arrLines) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) return false;
    bool bOk = ReadLines(pFile, arrLines);
    std::fclose(pFile);
    return bOk;
}

bool CStdioFileEx::ReadLines(std::FILE* pFile, std::vector<std::string>& arrLines) {
    std::string strAll;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pFile)) > 0) strAll.append(buf, n);
    if (std::ferror(pFile)) return false;

    size_t nStart = 0;
    while (nStart < strAll.size()) {
        size_t nEnd = strAll.find('\n', nStart);
        size_t nNext = nEnd == std::string::npos ? strAll.size() : nEnd + 1;
        if (nEnd == std::string::npos) nEnd = strAll.size();
        size_t nLength = nEnd - nStart;
        if (nEnd < strAll.size() && nLength > 0 && strAll[nEnd - 1] == '\r') --nLength;
        arrLines.push_back(strAll.substr(nStart, nLength));
        nStart = nNext;
    }
    return true;
}

bool CStdioFileEx::WriteLines(const std::string& strPath, const std::vector<std::string>& arrLines) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile) return false;
    bool bOk = WriteLines(pFile, arrLines);
    if (std::fclose(pFile) != 0) bOk = false;
    return bOk;
}

bool CStdioFileEx::WriteLines(std::FILE* pFile, const std::vector<std::string>& arrLines) {
    bool bOk = true;
    for (const auto& strLine : arrLines) {
        // text mode of the template files: a line feed goes out as CR LF
        std::string strOut;
        strOut.reserve(strLine.size() + 1);
        for (size_t i = 0; i < strLine.size(); ++i) {
            if (strLine[i] == '\n' && (i == 0 || strLine[i - 1] != '\r')) strOut += '\r';
            strOut += strLine[i];
        }
        if (std::fwrite(strOut.data(), 1, strOut.size(), pFile) != strOut.size()) bOk = false;
    }
    if (std::fflush(pFile) != 0) bOk = false;
    return bOk;
}
