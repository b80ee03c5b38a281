// The structure template import on any file: positions 1..n in every folder,
// every parent a folder, one row per entry line, the first line's entry as
// the result, and export -> import -> export gives the same text again.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
CFuzzPlatform g_platform;
std::unique_ptr<CKnowHow> g_pKnowHow;
std::string g_strFolder;

std::string ReadAll(const std::string& strPath) {
    std::string str;
    if (std::FILE* p = std::fopen(strPath.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) str.append(buf, n);
        std::fclose(p);
    }
    return str;
}

void WriteAll(const std::string& strPath, const uint8_t* p, size_t n) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    FUZZ_CHECK(pFile, "scratch file");
    std::fwrite(p, 1, n, pFile);
    std::fclose(pFile);
}

// Entry lines counted on their own terms: lines end at LF (a CR before it
// goes with the end); after leading spaces comes "+" or "-". A byte-order
// mark, or bytes above 0x7F forming valid UTF-8, make the import read UTF-8;
// a character Windows-1252 cannot hold may then refuse the whole template.
struct SLines {
    size_t nEntries = 0;
    bool bFirstIsEntry = false;
    bool bMayRefuse = false;
};

SLines CountEntryLines(std::string str) {
    SLines lines;
    bool bUtf8 = str.rfind("\xEF\xBB\xBF", 0) == 0;
    if (bUtf8) str.erase(0, 3);
    bool bHigh = std::any_of(str.begin(), str.end(), [](char c) { return c & 0x80; });
    bUtf8 = bUtf8 || (bHigh && IsValidUtf8(str));
    if (bUtf8) {
        bool bOk = true;
        Utf8ToCp1252(str, &bOk);
        lines.bMayRefuse = !bOk;
    }
    size_t nStart = 0, nLine = 0;
    while (nStart < str.size()) {
        size_t nEnd = str.find('\n', nStart);
        if (nEnd == std::string::npos) nEnd = str.size();
        size_t k = nStart;
        while (k < nEnd && str[k] == ' ') ++k;
        bool bEntry = k < nEnd && (str[k] == '+' || str[k] == '-');
        if (bEntry) ++lines.nEntries;
        if (nLine == 0) lines.bFirstIsEntry = bEntry;
        ++nLine;
        nStart = nEnd + 1;
    }
    return lines;
}

struct STree {
    size_t nRows = 0;
    bool bCrEnd = false;  // a keyword ends in CR
};

STree CheckTree(const SLines& lines) {
    CKnowHowArray arr;
    FUZZ_CHECK(g_pKnowHow->GetAllItems(arr) >= 0, "table readable");
    FUZZ_CHECK(arr.size() == lines.nEntries || (lines.bMayRefuse && arr.empty()),
               "one row per entry line, or none when the template is refused");
    std::map<std::int32_t, const CKnowHowItem*> mapById;
    std::map<std::int32_t, std::vector<std::int32_t>> mapPositions;
    for (const auto& item : arr) {
        mapById[item.ID] = &item;
        mapPositions[item.MasterID].push_back(item.PosNr);
    }
    for (const auto& item : arr) {
        if (item.MasterID == 0) continue;
        auto it = mapById.find(item.MasterID);
        FUZZ_CHECK(it != mapById.end(), "parent exists");
        FUZZ_CHECK(it->second->IsDir == 1, "parent is a folder");
    }
    for (auto& [nMaster, arrPos] : mapPositions) {
        std::sort(arrPos.begin(), arrPos.end());
        for (size_t i = 0; i < arrPos.size(); ++i)
            FUZZ_CHECK(arrPos[i] == static_cast<std::int32_t>(i + 1), "positions 1..n without gaps");
    }
    STree tree{arr.size(), false};
    for (const auto& item : arr)
        if (!item.Name.empty() && item.Name.back() == '\r') tree.bCrEnd = true;
    return tree;
}

// Imports into the empty tree, checks it, and answers its export. A keyword
// that ends in CR cannot come back (its line's CR LF is read as the line
// end); *pbCrEnd tells of one.
std::string ImportAndExport(const std::string& strTemplate, const SLines& lines, const std::string& strExport,
                            bool* pbCrEnd) {
    CDB& db = GetDatabase();
    FUZZ_CHECK(db.BeginTransaction(), "begin");
    g_pKnowHow->ImportStructure(strTemplate, 0);
    STree tree = CheckTree(lines);
    *pbCrEnd = tree.bCrEnd;
    std::remove(strExport.c_str());
    bool bWritten = g_pKnowHow->ExportStructure(strExport, 0);
    FUZZ_CHECK(bWritten == (tree.nRows > 0), "export writes exactly when there are entries");
    std::string str = bWritten ? ReadAll(strExport) : std::string();
    FUZZ_CHECK(db.RollbackTransaction(), "rollback");
    return str;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetPlatform(&g_platform);
    g_strFolder = FuzzScratchFolder();
    g_pKnowHow = CreateKnowledgeBase(g_strFolder + "/fuzz.tov");
    FUZZ_CHECK(g_pKnowHow != nullptr, "knowledge base");
    // every run is rolled back: a journal in memory keeps the runs fast
    FUZZ_CHECK(GetDatabase().Execute("PRAGMA journal_mode=MEMORY;"), "journal in memory");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strTemplate = g_strFolder + "/vorlage.txt";
    const std::string strExport1 = g_strFolder + "/export1.txt";
    const std::string strExport2 = g_strFolder + "/export2.txt";
    WriteAll(strTemplate, pData, nSize);
    SLines lines = CountEntryLines(std::string(reinterpret_cast<const char*>(pData), nSize));

    CDB& db = GetDatabase();
    FUZZ_CHECK(db.BeginTransaction(), "begin");
    std::int32_t nResult = g_pKnowHow->ImportStructure(strTemplate, 0);
    STree tree = CheckTree(lines);
    FUZZ_CHECK((nResult != 0) == (lines.bFirstIsEntry && tree.nRows > 0), "the first line's entry is the result");
    if (nResult != 0) {
        CKnowHowItem item;
        FUZZ_CHECK(g_pKnowHow->GetItem(item, nResult) == 1 && item.MasterID == 0 && item.PosNr == 1,
                   "the first entry opens the top level");
    }
    FUZZ_CHECK(db.RollbackTransaction(), "rollback");

    bool bCrEnd = false;
    std::string strFirst = ImportAndExport(strTemplate, lines, strExport1, &bCrEnd);
    if (strFirst.empty() || bCrEnd) return 0;
    // An export is Windows-1252; when its bytes above 0x7F happen to form
    // valid UTF-8 the import reads it as UTF-8, so it cannot come back as is.
    SLines exported = CountEntryLines(strFirst);
    bool bHigh = std::any_of(strFirst.begin(), strFirst.end(), [](char c) { return c & 0x80; });
    if (bHigh && IsValidUtf8(strFirst)) return 0;
    FUZZ_CHECK(exported.nEntries == tree.nRows, "one export line per entry");
    // the export is a template of the same tree: importing it gives the same export
    std::string strSecond = ImportAndExport(strExport1, exported, strExport2, &bCrEnd);
    FUZZ_CHECK(strFirst == strSecond, "export, import and export again give the same text");
    return 0;
}
