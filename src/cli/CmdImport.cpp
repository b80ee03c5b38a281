// Creates the structure of a template file below a folder; "-" reads the
// template from standard input. Prints how many entries were made and names
// the lines that were no template lines.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "platform/PosixPlatform.h"
#include "tree/CKnowHow.h"
#include "tree/CStdioFileEx.h"

namespace {
using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The whole input, read once: a pipe has no second reading.
bool ReadAll(std::FILE* pFile, std::string& strAll) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pFile)) > 0) strAll.append(buf, n);
    return !std::ferror(pFile);
}

// A byte that no text holds: NUL and the control characters other than
// tab, line feed, vertical tab, form feed and carriage return.
bool IsBinaryByte(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r') || c == 0x7F;
}

// How the import reads a line: spaces, then "+" or "-". Blank lines are
// the template's own spacing.
enum class ELine { Entry, Blank, Other };
ELine Classify(const std::string& strLine) {
    size_t m = strLine.find_first_not_of(' ');
    if (m == std::string::npos) return ELine::Blank;
    if (strLine[m] == '+' || strLine[m] == '-') return ELine::Entry;
    return strLine.find_first_not_of(" \t\r\f\v") == std::string::npos ? ELine::Blank : ELine::Other;
}

// "Zeilen 3, 7 und 12", at most kShown numbers and then how many more.
std::string LineList(const std::vector<size_t>& arr) {
    const size_t kShown = 20;
    std::string str = arr.size() == 1 ? "Zeile " : "Zeilen ";
    const size_t nShown = std::min(arr.size(), kShown);
    for (size_t i = 0; i < nShown; ++i) {
        if (i > 0) str += i + 1 == nShown && nShown == arr.size() ? " und " : ", ";
        str += std::to_string(arr[i]);
    }
    if (arr.size() > nShown) str += " und " + std::to_string(arr.size() - nShown) + " weitere";
    return str;
}

int Run(const SCliArgs& args) {
    TRowId nFolder = 0;
    if (!CliOptionId(args, "--folder", nFolder)) return CLI_USAGE;
    const std::string& strTemplate = args.arrPositional[1];
    auto pService = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pService) return CLI_FAILED;
    if (!CliCheckFolder(*pService, nFolder)) return CLI_FAILED;

    const std::string strName = Utf8ToCp1252(strTemplate);
    std::string strAll;
    {
        FilePtr pFile(strTemplate == "-" ? nullptr : std::fopen(strTemplate.c_str(), "rb"), std::fclose);
        std::FILE* pIn = strTemplate == "-" ? stdin : pFile.get();
        if (!pIn || !ReadAll(pIn, strAll))
            return CliFail(Ansi("Die Vorlage kann nicht gelesen werden: ") + strName + " (" + DescribeFileError(errno) +
                           ")");
    }
    for (size_t i = 0; i < strAll.size(); ++i) {
        if (!IsBinaryByte(static_cast<unsigned char>(strAll[i]))) continue;
        size_t nLine = 1 + static_cast<size_t>(std::count(strAll.begin(), strAll.begin() + i, '\n'));
        return CliFail(Ansi("Die Vorlage ist keine Textdatei (Zeile ") + std::to_string(nLine) +
                       Ansi(" enthält ein Steuerzeichen), es wurde nichts importiert: ") + strName);
    }
    if (strAll.empty()) {
        CliPrintLine("0");
        return CLI_OK;
    }

    // the lines as the import splits them, so that the numbers are its own
    FilePtr pMemory(fmemopen(strAll.data(), strAll.size(), "rb"), std::fclose);
    std::vector<std::string> arrLines;
    if (!pMemory || !CStdioFileEx().ReadLines(pMemory.get(), arrLines))
        return CliFail(Ansi("Die Vorlage kann nicht gelesen werden: ") + strName);
    if (!arrLines.empty() && arrLines[0].rfind("\xEF\xBB\xBF", 0) == 0) arrLines[0].erase(0, 3);
    size_t nEntries = 0;
    std::vector<size_t> arrSkipped;
    for (size_t i = 0; i < arrLines.size(); ++i) {
        ELine eLine = Classify(arrLines[i]);
        if (eLine == ELine::Entry) ++nEntries;
        if (eLine == ELine::Other) arrSkipped.push_back(i + 1);
    }
    if (nEntries == 0 && !arrSkipped.empty())
        return CliFail(Ansi("Die Vorlage enthält keine Zeile mit + (Ordner) oder - (Eintrag), es wurde nichts "
                            "importiert: ") +
                       strName);
    if (nEntries > 0) {
        std::rewind(pMemory.get());
        std::string strFailure;
        pService->ImportStructure(pMemory.get(), strTemplate, nFolder, &strFailure);
        if (!strFailure.empty()) return CliFail(strFailure);
    }
    if (!arrSkipped.empty())
        CliMessage(CliTerminalText(Ansi("Übersprungen, da ohne + (Ordner) oder - (Eintrag) am Anfang: ") +
                                   LineList(arrSkipped)));
    CliPrintLine(std::to_string(nEntries));
    return CLI_OK;
}

CCliRegistrar reg({"import", "DATEI VORLAGE [--folder ID]", 2, {"--folder"}, {}, Run});
}  // namespace
