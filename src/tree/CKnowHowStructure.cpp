#include <map>
#include <unordered_map>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "tree/CKnowHow.h"
#include "tree/CStdioFileEx.h"

namespace {
template <typename Item>
std::string StructureLine(int nLevel, const Item& item) {
    // "%s%s %s\n": indentation, marker, keyword
    return std::string(2 * nLevel, ' ') + (item.IsDir ? "+" : "-") + " " + KeywordOnOneLine(item.Name) + "\n";
}

struct STemplateLine {
    size_t nLine;  // index in the file
    int nLevel;    // position of the marker
    bool bFolderMarker;
    std::string strName;
};

// An entry line: spaces, "+" or "-", the keyword. Anything else is ignored.
bool ParseTemplateLine(const std::string& strLine, size_t nLine, STemplateLine& out) {
    size_t m = strLine.find_first_not_of(' ');
    if (m == std::string::npos || (strLine[m] != '+' && strLine[m] != '-')) return false;
    // a keyword ends at a NUL byte, as the text of an SQL statement does
    std::string strName = strLine.substr(m + 1);
    strName = strName.substr(0, strName.find('\0'));
    // a CR inside a line is no line end of the template (only CR LF is); it
    // stays out of the keyword as it would be written back
    strName = KeywordOnOneLine(strName);
    size_t nFirst = strName.find_first_not_of(' ');
    strName = nFirst == std::string::npos ? std::string()
                                          : strName.substr(nFirst, strName.find_last_not_of(' ') + 1 - nFirst);
    out = {nLine, static_cast<int>(m), strLine[m] == '+', std::move(strName)};
    return true;
}

// Whether a template's bytes are UTF-8: a byte-order mark says so (and is
// taken off); otherwise bytes above 0x7F that all form valid UTF-8 do. Lines
// are split at LF, which no UTF-8 sequence holds, so each can be checked
// alone. A Windows-1252 file can form valid UTF-8 only with unusual pairs
// (such as "Ý´"); it is then read as UTF-8 too.
bool TemplateIsUtf8(std::vector<std::string>& arrLines) {
    if (arrLines.empty()) return false;
    if (arrLines[0].rfind("\xEF\xBB\xBF", 0) == 0) {
        arrLines[0].erase(0, 3);
        return true;
    }
    bool bHigh = false;
    for (const auto& strLine : arrLines) {
        for (char c : strLine)
            if (static_cast<unsigned char>(c) >= 0x80) {
                bHigh = true;
                break;
            }
        if (bHigh) break;
    }
    if (!bHigh) return false;
    for (const auto& strLine : arrLines)
        if (!IsValidUtf8(strLine)) return false;
    return true;
}

std::string ImportReadMessage(const std::string& strName) {
    return Ansi("Die Vorlage kann nicht gelesen werden: ") + Utf8ToCp1252(strName);
}
}  // namespace

bool CKnowHow::StructureLines(TRowId nFolder, std::vector<std::string>& arrLines, bool& bReadFailed) {
    bReadFailed = false;
    int nLevel = 0;
    if (nFolder != 0) {
        CKnowHowItem folder;
        int nFound = GetItem(folder, nFolder);
        bReadFailed = nFound < 0;
        // an unknown folder has nothing to write
        if (nFound != 1) return false;
        arrLines.push_back(StructureLine(0, folder));
        nLevel = 1;
    }
    // half a structure is no export of it
    bReadFailed = !ForEachBelow(nFolder, nLevel, [&](const STreeNode& item, int nItemLevel) {
        arrLines.push_back(StructureLine(nItemLevel, item));
    });
    return !bReadFailed && !arrLines.empty();
}

template <typename Target>
bool CKnowHow::WriteStructure(Target target, TRowId nFolder, bool* pbWriteFailed) {
    if (pbWriteFailed) *pbWriteFailed = false;
    std::vector<std::string> arrLines;
    bool bReadFailed = false;
    GetDatabase().ClearLastError();
    if (!StructureLines(nFolder, arrLines, bReadFailed)) {
        // what could not be read is not exported: said like a file that
        // could not be written, after the reason
        if (bReadFailed) {
            ShowDbFailureReason();
            if (pbWriteFailed) *pbWriteFailed = true;
        }
        return bReadFailed;
    }
    bool bWritten = CStdioFileEx().WriteLines(target, arrLines);
    if (pbWriteFailed) *pbWriteFailed = !bWritten;
    return true;
}

bool CKnowHow::ExportStructure(const std::string& strPath, TRowId nFolder, bool* pbWriteFailed) {
    return WriteStructure(strPath, nFolder, pbWriteFailed);
}

bool CKnowHow::ExportStructure(std::FILE* pFile, TRowId nFolder, bool* pbWriteFailed) {
    return WriteStructure(pFile, nFolder, pbWriteFailed);
}

TRowId CKnowHow::ImportStructure(const std::string& strPath, TRowId nTargetFolder, std::string* pstrFailure) {
    std::vector<std::string> arrFile;
    if (!CStdioFileEx().ReadLines(strPath, arrFile)) {
        if (pstrFailure) *pstrFailure = ImportReadMessage(strPath);
        return 0;
    }
    return ImportLines(arrFile, nTargetFolder, pstrFailure);
}

TRowId CKnowHow::ImportStructure(std::FILE* pFile, const std::string& strName, TRowId nTargetFolder,
                                 std::string* pstrFailure) {
    std::vector<std::string> arrFile;
    if (!CStdioFileEx().ReadLines(pFile, arrFile)) {
        if (pstrFailure) *pstrFailure = ImportReadMessage(strName);
        return 0;
    }
    return ImportLines(arrFile, nTargetFolder, pstrFailure);
}

TRowId CKnowHow::ImportLines(std::vector<std::string>& arrFile, TRowId nTargetFolder, std::string* pstrFailure) {
    if (pstrFailure) pstrFailure->clear();
    const bool bUtf8 = TemplateIsUtf8(arrFile);
    std::vector<STemplateLine> arrEntries;
    for (size_t i = 0; i < arrFile.size(); ++i) {
        STemplateLine line;
        if (!ParseTemplateLine(arrFile[i], i, line)) continue;
        if (bUtf8) {
            // a keyword that would be stored garbled stops the whole import
            bool bOk = true;
            line.strName = Utf8ToCp1252(line.strName, &bOk);
            if (!bOk) {
                if (pstrFailure)
                    *pstrFailure =
                        Ansi("Die Vorlage enthält in Zeile ") + std::to_string(i + 1) +
                        Ansi(" Zeichen, die nicht gespeichert werden können,\ndie Daten wurden nicht importiert !");
                return 0;
            }
        }
        arrEntries.push_back(std::move(line));
    }
    arrFile.clear();

    std::map<int, TRowId> mapLevelFolder;
    TRowId nParent = nTargetFolder;
    TRowId nLast = nTargetFolder;
    int nPreviousLevel = -1;
    std::int32_t nPos = 0;
    TRowId nResult = 0;
    // One prepared statement writes every row: a statement compiled per row
    // would cost several times the row.
    CKnowHowInserter inserter(m_table);
    // The children of each parent returned to, as CountChildren answers it:
    // counted once, then kept up to date with every row inserted below it.
    // Inside the transaction nobody else adds rows, so it stays exact; a
    // template with many top-level folders no longer counts them again at
    // every return to the top.
    std::unordered_map<TRowId, std::int32_t> mapCount;
    auto countChildren = [&](TRowId nFolder) {
        auto it = mapCount.find(nFolder);
        if (it != mapCount.end()) return it->second;
        int n = CountChildren(nFolder);
        if (n >= 0) mapCount.emplace(nFolder, n);  // a failed count is asked again
        return n;
    };

    bool bFolderGone = false;
    auto fail = [&] {
        // rolled back first, then why (another user's lock, ...) and that
        // nothing was imported: no message while the file is held
        SWriteReport report;
        AbandonWork(EWriteResult::Failed, report);
        if (bFolderGone)
            GetPlatform().MessageBox(FolderGoneMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        else
            ShowDbFailureReason(report.nEngineCode);
        if (pstrFailure) *pstrFailure = SaveFailedMessage();
        return 0;
    };
    GetDatabase().ClearLastError();
    if (!BeginWork()) return fail();
    (void)GetDatabase().StampEdit();  // a note, not the user's data
    // a folder that another user deleted takes no new entries
    bool bLive = false;
    if (!ReadIsLiveFolder(nTargetFolder, bLive)) return fail();
    bFolderGone = !bLive;
    if (bFolderGone) return fail();
    // counted inside the transaction: others may have appended meanwhile
    int nTargetCount = CountChildren(nTargetFolder);
    if (nTargetCount < 0) return fail();
    nPos = nTargetCount + 1;
    for (size_t i = 0; i < arrEntries.size(); ++i) {
        const STemplateLine& line = arrEntries[i];
        int m = line.nLevel;
        // a line with deeper lines after it holds them, whatever its marker,
        // so that they stay visible in the tree
        bool bFolder = line.bFolderMarker || (i + 1 < arrEntries.size() && arrEntries[i + 1].nLevel > m);
        if (i == 0) {
            mapLevelFolder[m] = nTargetFolder;
        } else if (m > nPreviousLevel) {
            mapLevelFolder[m] = nLast;
            nParent = nLast;
            nPos = 1;
        } else if (m < nPreviousLevel) {
            auto it = mapLevelFolder.find(m);
            nParent = it == mapLevelFolder.end() ? 0 : it->second;
            int nCount = countChildren(nParent);
            if (nCount < 0) return fail();
            nPos = nCount + 1;
        } else {
            ++nPos;
        }
        CKnowHowItem item;
        item.MasterID = nParent;
        item.Name = line.strName;
        item.IsDir = bFolder ? 1 : 0;
        item.PosNr = nPos;
        // a row that could not be stored would leave its lines below
        // without their folder
        if (!inserter.Insert(item)) return fail();
        auto itCount = mapCount.find(nParent);
        if (itCount != mapCount.end()) ++itCount->second;
        nLast = item.ID;
        if (line.nLine == 0) nResult = item.ID;
        nPreviousLevel = m;
    }
    if (!CommitWork()) return fail();
    return nResult;
}

std::string ExportStructureMessage(bool bWriteFailed) {
    if (bWriteFailed) return Ansi("Die Datei konnte nicht geschrieben werden,\ndie Daten wurden nicht exportiert !");
    return Ansi("Die Daten wurden exportiert.");
}

std::string KeywordOnOneLine(const std::string& strKeyword) {
    std::string str;
    str.reserve(strKeyword.size());
    for (size_t i = 0; i < strKeyword.size(); ++i) {
        char c = strKeyword[i];
        if (c == '\r' && i + 1 < strKeyword.size() && strKeyword[i + 1] == '\n') continue;
        str += c == '\r' || c == '\n' ? ' ' : c;
    }
    return str;
}
