#include "app/DemoDatabase.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace fs = std::filesystem;

namespace {
std::string LineError(int nLine, const std::string& strWhat) {
    return "Zeile " + std::to_string(nLine) + ": " + strWhat;
}

bool Store(CKnowHow& service, const std::vector<SDemoNode>& arrNodes, TRowId nFolder) {
    std::int32_t nPos = 0;
    for (const SDemoNode& node : arrNodes) {
        CKnowHowItem item;
        item.MasterID = nFolder;
        item.SetPosNr(++nPos);
        item.SetIsDir(node.bFolder ? 1 : 0);
        item.SetName(node.strName);
        item.SetText(node.strText);
        if (!node.strLink.empty()) {
            item.SetLink(node.strLink);
            item.SetTyp(1);
        }
        CKnowHowArray arr{item};
        if (service.SaveItems(arr) != EWriteResult::Saved || arr[0].ID <= 0) return false;
        if (!Store(service, node.arrChildren, arr[0].ID)) return false;
    }
    return true;
}
}  // namespace

bool ParseDemoSource(const std::string& strUtf8, std::vector<SDemoNode>& arrRoots, std::string& strError) {
    arrRoots.clear();
    // the path of open items, one per level
    std::vector<SDemoNode*> arrPath;
    std::istringstream in(strUtf8);
    std::string strLine;
    int nLine = 0;
    while (std::getline(in, strLine)) {
        ++nLine;
        if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
        size_t nIndent = strLine.find_first_not_of(' ');
        if (nIndent == std::string::npos || strLine[nIndent] == '#') continue;
        char chMarker = strLine[nIndent];
        std::string strRest = strLine.substr(nIndent + 1);
        if (!strRest.empty() && strRest[0] == ' ') strRest.erase(0, 1);

        if (chMarker == '|' || chMarker == '@') {
            if (arrPath.empty()) {
                strError = LineError(nLine, "Text oder Verknüpfung ohne Eintrag davor");
                return false;
            }
            SDemoNode& node = *arrPath.back();
            if (chMarker == '@') {
                node.strLink = Utf8ToCp1252(strRest);
            } else {
                if (node.nTextLines++ > 0) node.strText += "\r\n";
                node.strText += Utf8ToCp1252(strRest);
            }
            continue;
        }
        if (chMarker != '+' && chMarker != '-') {
            strError = LineError(nLine, "unbekanntes Zeichen am Zeilenanfang");
            return false;
        }
        if (nIndent % 2 != 0 || nIndent / 2 > arrPath.size()) {
            strError = LineError(nLine, "falsche Einrückung");
            return false;
        }
        size_t nLevel = nIndent / 2;
        SDemoNode node;
        node.bFolder = chMarker == '+';
        node.strName = Utf8ToCp1252(strRest);
        if (nLevel == 0 && !node.bFolder) {
            strError = LineError(nLine, "auf oberster Ebene stehen nur Ordner");
            return false;
        }
        arrPath.resize(nLevel);
        std::vector<SDemoNode>* pSiblings = &arrRoots;
        if (nLevel > 0) {
            if (!arrPath.back()->bFolder) {
                strError = LineError(nLine, "ein Eintrag kann nichts enthalten");
                return false;
            }
            pSiblings = &arrPath.back()->arrChildren;
        }
        pSiblings->push_back(node);
        arrPath.push_back(&pSiblings->back());
        // pointers into the vectors stay valid: a vector only grows below its
        // last element, which is the deepest open item
    }
    if (arrRoots.empty()) {
        strError = "Die Vorlage enthält keinen Ordner.";
        return false;
    }
    return true;
}

bool BuildDemoDatabase(const std::string& strSourceFile, const std::string& strTarget, std::string& strError) {
    std::ifstream file(strSourceFile, std::ios::binary);
    if (!file) {
        strError = "Die Vorlage fehlt: " + strSourceFile;
        return false;
    }
    std::ostringstream buffer;
    buffer << file.rdbuf();
    std::vector<SDemoNode> arrRoots;
    if (!ParseDemoSource(buffer.str(), arrRoots, strError)) return false;

    std::error_code ec;
    if (fs::exists(strTarget, ec)) {
        strError = "Die Datei existiert bereits: " + strTarget;
        return false;
    }
    fs::create_directories(fs::path(strTarget).parent_path(), ec);
    // made under another name first, so a failure leaves no half-made example
    std::string strPart = strTarget + ".part";
    fs::remove(strPart, ec);
    bool bOk = false;
    {
        std::unique_ptr<CKnowHow> pService = CreateKnowledgeBase(strPart);
        bOk = pService && Store(*pService, arrRoots, 0);
    }
    CloseDatabase();
    if (bOk) {
        fs::rename(strPart, strTarget, ec);
        bOk = !ec;
    }
    if (!bOk) {
        fs::remove(strPart, ec);
        strError = "Die Beispieldatenbank konnte nicht angelegt werden: " + strTarget;
    }
    return bOk;
}

std::string DemoDatabasePath() {
    QString strBase = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (strBase.isEmpty()) strBase = QDir::homePath() + QStringLiteral("/.local/share");
    return (strBase + QStringLiteral("/Orvantis/Beispiel.tov")).toStdString();
}

std::string DemoSourceForProgram(const std::string& strProgramPath) {
    fs::path program(strProgramPath);
    std::error_code ec;
    for (const fs::path& source : {program.parent_path() / "Beispiel.txt",
                                   program.parent_path().parent_path() / "share" / "orvantis" / "Beispiel.txt"})
        if (fs::is_regular_file(source, ec)) return source.string();
    return std::string();
}

std::string PrepareDemoDatabase(const std::string& strSourceFile, std::string& strError) {
    std::string strPath = DemoDatabasePath();
    if (!GetPlatform().FileExists(strPath) && !BuildDemoDatabase(strSourceFile, strPath, strError))
        return std::string();
    return strPath;
}

bool IsFirstStart() {
    const std::string strAbsent = std::string("\x01", 1);
    return GetPlatform().GetProfileString("Files", "LastDB", strAbsent) == strAbsent;
}

int RunDemoOption(const QStringList& arrArgs) {
    if (arrArgs.value(0) == QLatin1String("--demo-path")) {
        std::printf("%s\n", DemoDatabasePath().c_str());
        return 0;
    }
    if (arrArgs.value(0) != QLatin1String("--prepare-demo") || arrArgs.size() != 2) {
        std::fprintf(stderr, "Aufruf: orvantis --demo-path | --prepare-demo ORDNER\n");
        return 2;
    }
    // only for a newcomer: once a database was opened (or closed by command)
    // the program's own start-up rules apply
    if (!IsFirstStart()) return 0;
    std::string strError;
    std::string strPath =
        PrepareDemoDatabase((arrArgs.value(1) + QStringLiteral("/Beispiel.txt")).toStdString(), strError);
    if (strPath.empty()) {
        std::fprintf(stderr, "%s\n", strError.c_str());
        return 1;
    }
    std::printf("%s\n", strPath.c_str());
    return 0;
}
