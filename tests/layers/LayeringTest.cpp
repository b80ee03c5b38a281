// The folders of src/ include only what their layer may use: every
// #include "folder/file.h" is checked against layers.txt next to this file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
// folder -> the folders it may include besides itself
using CLayerTable = std::map<std::string, std::set<std::string>>;

const std::string kSourceDir = ORVANTIS_SOURCE_DIR "/src";
const std::string kTableFile = ORVANTIS_SOURCE_DIR "/tests/layers/layers.txt";

std::string ReadText(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Lines "folder: folder folder ..."; '#' starts a comment. Empty when a line
// has no colon (strError says which).
CLayerTable ParseLayerTable(const std::string& strText, std::string& strError) {
    CLayerTable table;
    std::istringstream in(strText);
    std::string strLine;
    for (int nLine = 1; std::getline(in, strLine); ++nLine) {
        strLine = strLine.substr(0, strLine.find('#'));
        if (strLine.find_first_not_of(" \t") == std::string::npos) continue;
        const size_t nColon = strLine.find(':');
        if (nColon == std::string::npos) {
            strError = "line " + std::to_string(nLine) + " has no colon";
            return {};
        }
        std::istringstream names(strLine.substr(0, nColon));
        std::string strFolder;
        names >> strFolder;
        std::istringstream allowed(strLine.substr(nColon + 1));
        std::set<std::string>& setAllowed = table[strFolder];
        for (std::string strName; allowed >> strName;) setAllowed.insert(strName);
    }
    return table;
}

// Each quoted include of a source text that names a folder
// ("folder/file.h"), with its line; includes of the file's own folder
// without a folder part (moc files) name none.
std::vector<std::pair<int, std::string>> FolderIncludes(const std::string& strText) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^"]+)/[^"/]+")");
    std::vector<std::pair<int, std::string>> arr;
    std::istringstream in(strText);
    std::string strLine;
    std::smatch m;
    for (int nLine = 1; std::getline(in, strLine); ++nLine)
        if (std::regex_search(strLine, m, include)) arr.emplace_back(nLine, m[1].str());
    return arr;
}

// "file:line includes folder" for every include the file's folder may not use.
std::vector<std::string> CheckIncludes(const CLayerTable& table, const std::string& strFile,
                                       const std::string& strText) {
    std::vector<std::string> arrFaults;
    const std::string strFolder = fs::path(strFile).parent_path().string();
    const auto it = table.find(strFolder);
    if (it == table.end()) return {strFile + ": the folder " + strFolder + " is not in the layer table"};
    for (const auto& [nLine, strIncluded] : FolderIncludes(strText)) {
        if (strIncluded == strFolder || it->second.count(strIncluded)) continue;
        arrFaults.push_back(strFile + ":" + std::to_string(nLine) + " includes " + strIncluded);
    }
    return arrFaults;
}

// The folders on a cycle of the table (the first found), empty when there is none.
std::vector<std::string> FindCycle(const CLayerTable& table) {
    std::map<std::string, int> mapState;  // 1 on the path, 2 done
    std::vector<std::string> arrPath;
    std::vector<std::string> arrCycle;
    std::function<bool(const std::string&)> visit = [&](const std::string& strFolder) {
        if (mapState[strFolder] == 2) return false;
        if (mapState[strFolder] == 1) {
            arrCycle.assign(std::find(arrPath.begin(), arrPath.end(), strFolder), arrPath.end());
            arrCycle.push_back(strFolder);
            return true;
        }
        mapState[strFolder] = 1;
        arrPath.push_back(strFolder);
        if (const auto it = table.find(strFolder); it != table.end())
            for (const std::string& strUsed : it->second)
                if (visit(strUsed)) return true;
        arrPath.pop_back();
        mapState[strFolder] = 2;
        return false;
    };
    for (const auto& [strFolder, setUsed] : table)
        if (visit(strFolder)) break;
    return arrCycle;
}

std::string Joined(const std::vector<std::string>& arr) {
    std::string str;
    for (const std::string& s : arr) str += s + "\n";
    return str;
}

// The sources below src/, relative to it.
std::vector<std::string> SourceFiles() {
    std::vector<std::string> arr;
    for (const auto& entry : fs::recursive_directory_iterator(kSourceDir)) {
        const std::string strExt = entry.path().extension().string();
        if (entry.is_regular_file() && (strExt == ".cpp" || strExt == ".h"))
            arr.push_back(fs::relative(entry.path(), kSourceDir).string());
    }
    return arr;
}
}  // namespace

TEST(CLayeringTest, CheckerFindsEveryIncludeTheLayerMayNotUse) {
    std::string strError;
    const CLayerTable table = ParseLayerTable(
        "# comment\n"
        "db: platform  # the session\n"
        "platform:\n"
        "edit: ui db platform\n"
        "ui: platform\n",
        strError);
    ASSERT_EQ(strError, "");
    struct SCase {
        const char* pszFile;
        const char* pszText;
        std::vector<std::string> arrFaults;
    };
    const SCase cases[] = {
        {"edit/CView.cpp",
         "#include \"edit/CView.h\"\n#include <QWidget>\n#include \"ui/QtText.h\"\n#include \"moc_CView.cpp\"\n",
         {}},
        {"edit/CView.cpp", "#include \"ui/A.h\"\n#include \"app/CFrame.h\"\n", {"edit/CView.cpp:2 includes app"}},
        {"db/CDB.cpp", "  #  include \"edit/CView.h\"\n", {"db/CDB.cpp:1 includes edit"}},
        {"db/CDB.cpp", "// #include \"edit/CView.h\"\n", {}},
        {"ui/QtText.cpp", "#include \"db/ui/Dlg.h\"\n", {"ui/QtText.cpp:1 includes db/ui"}},
        {"app/CFrame.cpp", "#include \"db/CDB.h\"\n", {"app/CFrame.cpp: the folder app is not in the layer table"}},
    };
    for (const SCase& c : cases) EXPECT_EQ(CheckIncludes(table, c.pszFile, c.pszText), c.arrFaults) << c.pszFile;

    ParseLayerTable("db platform\n", strError);
    EXPECT_EQ(strError, "line 1 has no colon");
    EXPECT_EQ(FindCycle(ParseLayerTable("a: b\nb: c\nc: a\n", strError)),
              (std::vector<std::string>{"a", "b", "c", "a"}));
    EXPECT_TRUE(FindCycle(table).empty());
}

TEST(CLayeringTest, TableHasNoCycleAndPlacesEveryFolder) {
    std::string strError;
    const CLayerTable table = ParseLayerTable(ReadText(kTableFile), strError);
    ASSERT_EQ(strError, "");
    ASSERT_FALSE(table.empty()) << kTableFile;
    EXPECT_EQ(FindCycle(table), std::vector<std::string>());
    for (const auto& [strFolder, setUsed] : table)
        for (const std::string& strUsed : setUsed) EXPECT_TRUE(table.count(strUsed)) << strFolder << ": " << strUsed;
    std::set<std::string> setFolders;
    for (const std::string& strFile : SourceFiles()) setFolders.insert(fs::path(strFile).parent_path().string());
    for (const std::string& strFolder : setFolders) EXPECT_TRUE(table.count(strFolder)) << strFolder;
    for (const auto& [strFolder, setUsed] : table) EXPECT_TRUE(setFolders.count(strFolder)) << strFolder;
}

TEST(CLayeringTest, SourcesIncludeOnlyWhatTheirLayerMayUse) {
    std::string strError;
    const CLayerTable table = ParseLayerTable(ReadText(kTableFile), strError);
    ASSERT_EQ(strError, "");
    std::vector<std::string> arrFaults;
    const std::vector<std::string> arrFiles = SourceFiles();
    ASSERT_GT(arrFiles.size(), 100u);
    for (const std::string& strFile : arrFiles) {
        std::vector<std::string> arr = CheckIncludes(table, strFile, ReadText(kSourceDir + "/" + strFile));
        arrFaults.insert(arrFaults.end(), arr.begin(), arr.end());
    }
    EXPECT_TRUE(arrFaults.empty()) << Joined(arrFaults);
}
