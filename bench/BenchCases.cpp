#include "BenchCases.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unordered_map>

#include "BenchSupport.h"
#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "platform/Cp1252.h"
#include "protect/CCrypt.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"
#include "tree/CReadableExport.h"

namespace fs = std::filesystem;

namespace {
const char* const kCreateTable =
    "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, Typ "
    "INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), Link VARCHAR(1), UpdateNr INTEGER "
    "DEFAULT '0' NULL );"
    "CREATE UNIQUE INDEX [KnowHow_ID] ON [KnowHow] ( [ID] ASC );"
    "CREATE INDEX [KnowHow_MasterID] ON [KnowHow] ( [MasterID] ASC );";

// A word in about three quarters of the entries: what a user waits for.
const char* const kCommonWord = "Server";

struct SWord {
    const char* pszLabel;
    std::string strText;  // Windows-1252
};
std::vector<SWord> SearchWords() {
    return {{"seltenes Wort", Ansi("Zwetschgenröster")},
            {"häufiges Wort", Ansi("Müller")},
            {"sehr häufiges Wort", kCommonWord}};
}

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The baseline's own match: letters regardless of case by Windows-1252
// rules, every other byte exactly.
bool ContainsNoCase(const std::string& strText, const std::string& strWord) {
    if (strWord.size() > strText.size()) return false;
    for (size_t i = 0; i + strWord.size() <= strText.size(); ++i) {
        size_t k = 0;
        while (k < strWord.size() && AnsiUpper(static_cast<unsigned char>(strText[i + k])) ==
                                         AnsiUpper(static_cast<unsigned char>(strWord[k])))
            ++k;
        if (k == strWord.size()) return true;
    }
    return false;
}

std::vector<std::int32_t> Ids(const CKnowHowArray& arr) {
    std::vector<std::int32_t> a;
    for (const auto& item : arr) a.push_back(item.ID);
    return a;
}

std::vector<std::int32_t> Ids(const std::vector<SRawRow>& arr) {
    std::vector<std::int32_t> a;
    for (const auto& row : arr) a.push_back(row.nId);
    return a;
}

// Rows of a folder, every column, by position.
std::vector<SRawRow> RawChildren(CRawDb& db, std::int32_t nMaster, bool bFoldersOnly) {
    std::vector<SRawRow> arr;
    sqlite3_stmt* p =
        db.Prepare(std::string("SELECT ") + RAW_COLUMNS + " FROM KnowHow WHERE MasterID=? AND IsAktiv='1'" +
                   (bFoldersOnly ? " AND IsDir='1'" : "") + " ORDER BY PosNr");
    sqlite3_bind_int(p, 1, nMaster);
    while (sqlite3_step(p) == SQLITE_ROW) ReadRawRow(p, arr.emplace_back());
    sqlite3_finalize(p);
    return arr;
}

int RawCount(CRawDb& db, const std::string& strSql) {
    sqlite3_stmt* p = db.Prepare(strSql);
    int n = p && sqlite3_step(p) == SQLITE_ROW ? sqlite3_column_int(p, 0) : -1;
    sqlite3_finalize(p);
    return n;
}

// A digest of the tree and texts of a file, to show that two files hold the same.
std::string RawDigest(const std::string& strPath, const char* pszColumns) {
    CRawDb db;
    if (!db.Open(strPath)) return "nicht lesbar";
    sqlite3_stmt* p = db.Prepare(std::string("SELECT ") + pszColumns + " FROM KnowHow ORDER BY ID");
    std::uint64_t h = 1469598103934665603ull, nRows = 0;
    int nCols = sqlite3_column_count(p);
    while (sqlite3_step(p) == SQLITE_ROW) {
        ++nRows;
        for (int c = 0; c < nCols; ++c) {
            for (unsigned char ch : ColumnText(p, c)) h = (h ^ ch) * 1099511628211ull;
            h = (h ^ 0xFF) * 1099511628211ull;
        }
    }
    sqlite3_finalize(p);
    return std::to_string(nRows) + ":" + std::to_string(h);
}

// --- the baseline's knowledge-tree walks ------------------------------------------
struct SNav {
    std::int32_t nId = 0, nMaster = 0, nPos = 0, nDir = 0;
};

class CRawNavigator {
public:
    explicit CRawNavigator(CRawDb& db)
        : m_pById(db.Prepare("SELECT ID, MasterID, PosNr, IsDir FROM KnowHow WHERE ID=? AND IsAktiv='1'")),
          m_pAt(db.Prepare("SELECT ID, MasterID, PosNr, IsDir FROM KnowHow WHERE MasterID=? AND PosNr=? AND "
                           "IsAktiv='1'")),
          m_pName(db.Prepare("SELECT MasterID, Name FROM KnowHow WHERE ID=? AND IsAktiv='1'")) {}
    ~CRawNavigator() {
        sqlite3_finalize(m_pById);
        sqlite3_finalize(m_pAt);
        sqlite3_finalize(m_pName);
    }
    bool ById(std::int32_t nId, SNav& nav) {
        sqlite3_bind_int(m_pById, 1, nId);
        return Fetch(m_pById, nav);
    }
    bool At(std::int32_t nMaster, std::int32_t nPos, SNav& nav) {
        sqlite3_bind_int(m_pAt, 1, nMaster);
        sqlite3_bind_int(m_pAt, 2, nPos);
        return Fetch(m_pAt, nav);
    }
    std::int32_t Next(std::int32_t nId) {
        SNav item, next;
        if (!ById(nId, item)) return -1;
        if (item.nDir && At(item.nId, 1, next)) return next.nId;
        if (At(item.nMaster, item.nPos + 1, next)) return next.nId;
        for (std::int32_t a = item.nMaster; a > 0;) {
            SNav folder;
            if (!ById(a, folder)) break;
            if (At(folder.nMaster, folder.nPos + 1, next)) return next.nId;
            a = folder.nMaster;
        }
        return -1;
    }
    std::string Path(std::int32_t nId) {
        std::string str;
        while (nId > 0) {
            sqlite3_bind_int(m_pName, 1, nId);
            if (sqlite3_step(m_pName) != SQLITE_ROW) {
                sqlite3_reset(m_pName);
                break;
            }
            std::string strName = ColumnText(m_pName, 1);
            str = str.empty() ? strName : strName + "\\" + str;
            nId = sqlite3_column_int(m_pName, 0);
            sqlite3_reset(m_pName);
        }
        return str;
    }

private:
    static bool Fetch(sqlite3_stmt* p, SNav& nav) {
        bool bOne = false;
        if (sqlite3_step(p) == SQLITE_ROW) {
            nav = {sqlite3_column_int(p, 0), sqlite3_column_int(p, 1), sqlite3_column_int(p, 2),
                   sqlite3_column_int(p, 3)};
            bOne = sqlite3_step(p) == SQLITE_DONE;
        }
        sqlite3_reset(p);
        return bOne;
    }
    sqlite3_stmt* m_pById;
    sqlite3_stmt* m_pAt;
    sqlite3_stmt* m_pName;
};

// Export with the same lines as the program writes them: the whole tree in
// one query, walked in memory.
void RawExport(CRawDb& db, const std::string& strPath) {
    struct SNode {
        std::int32_t nId;
        bool bDir;
        std::string strName;
    };
    std::unordered_map<std::int32_t, std::vector<SNode>> mapChildren;
    sqlite3_stmt* p =
        db.Prepare("SELECT ID, MasterID, IsDir, Name FROM KnowHow WHERE IsAktiv='1' ORDER BY MasterID, PosNr");
    while (sqlite3_step(p) == SQLITE_ROW)
        mapChildren[sqlite3_column_int(p, 1)].push_back(
            {sqlite3_column_int(p, 0), sqlite3_column_int(p, 2) != 0, ColumnText(p, 3)});
    sqlite3_finalize(p);
    std::string strOut;
    std::vector<std::pair<const SNode*, int>> arrStack;
    auto push = [&](std::int32_t nMaster, int nLevel) {
        auto it = mapChildren.find(nMaster);
        if (it == mapChildren.end()) return;
        for (auto r = it->second.rbegin(); r != it->second.rend(); ++r) arrStack.emplace_back(&*r, nLevel);
    };
    push(0, 0);
    while (!arrStack.empty()) {
        auto [pNode, nLevel] = arrStack.back();
        arrStack.pop_back();
        strOut.append(2 * nLevel, ' ');
        strOut += pNode->bDir ? "+ " : "- ";
        strOut += pNode->strName;
        strOut += "\r\n";
        push(pNode->nId, nLevel + 1);
    }
    std::ofstream(strPath, std::ios::binary) << strOut;
}

volatile unsigned g_nFloorSink = 0;

// The columns a readable export needs, of every active row in the table's
// order, touched but not converted; written unchanged in large blocks when
// strPath is given. Answers the bytes read (-1 on a failure).
long long RawReadColumns(CRawDb& db, const std::string& strPath) {
    std::FILE* pFile = strPath.empty() ? nullptr : std::fopen(strPath.c_str(), "wb");
    if (!strPath.empty() && !pFile) return -1;
    std::vector<char> arrBuffer;
    arrBuffer.reserve(1 << 20);
    auto flush = [&] {
        if (pFile && !arrBuffer.empty()) std::fwrite(arrBuffer.data(), 1, arrBuffer.size(), pFile);
        arrBuffer.clear();
    };
    long long nBytes = 0;
    unsigned nTouched = 0;
    sqlite3_stmt* p = db.Prepare("SELECT ID, IsDir, Name, Text, Link FROM KnowHow WHERE IsAktiv='1'");
    while (sqlite3_step(p) == SQLITE_ROW) {
        nTouched += static_cast<unsigned>(sqlite3_column_int(p, 0) + sqlite3_column_int(p, 1));
        for (int nCol = 2; nCol <= 4; ++nCol) {
            const char* pCell = static_cast<const char*>(sqlite3_column_blob(p, nCol));
            int n = sqlite3_column_bytes(p, nCol);
            if (!pCell || n == 0) continue;
            nBytes += n;
            nTouched += static_cast<unsigned char>(pCell[n - 1]);
            if (pFile) {
                if (arrBuffer.size() + static_cast<std::size_t>(n) > arrBuffer.capacity()) flush();
                arrBuffer.insert(arrBuffer.end(), pCell, pCell + n);
            }
        }
    }
    sqlite3_finalize(p);
    flush();
    if (pFile) std::fclose(pFile);
    g_nFloorSink = nTouched;  // the reads are not optimised away
    return nBytes;
}

// Import with the same rules as the program: level table, positions after
// the existing entries of the parent, a line with deeper lines after it is
// a folder.
void RawImport(CRawDb& db, const std::string& strPath) {
    std::string strAll = ReadAll(strPath);
    struct SLine {
        int nLevel;
        bool bPlus;
        std::string strName;
    };
    std::vector<SLine> arr;
    std::istringstream in(strAll);
    std::string strLine;
    while (std::getline(in, strLine)) {
        if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
        size_t m = strLine.find_first_not_of(' ');
        if (m == std::string::npos || (strLine[m] != '+' && strLine[m] != '-')) continue;
        std::string strName = strLine.substr(m + 1);
        size_t a = strName.find_first_not_of(' ');
        strName = a == std::string::npos ? "" : strName.substr(a, strName.find_last_not_of(' ') + 1 - a);
        arr.push_back({static_cast<int>(m), strLine[m] == '+', strName});
    }
    db.Exec("BEGIN TRANSACTION;");
    sqlite3_stmt* pIns = db.Prepare(
        "INSERT INTO KnowHow (IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr) VALUES "
        "('1', ?, 0, 0, ?, ?, ?, '', '', 0)");
    std::unordered_map<std::int32_t, std::int32_t> mapCount;  // children per parent, kept in memory
    auto count = [&](std::int32_t nParent) -> std::int32_t& {
        auto it = mapCount.find(nParent);
        if (it == mapCount.end())
            it = mapCount
                     .emplace(nParent, RawCount(db, "SELECT count(*) FROM KnowHow WHERE MasterID=" +
                                                        std::to_string(nParent) + " AND IsAktiv='1'"))
                     .first;
        return it->second;
    };
    std::map<int, std::int32_t> mapLevel;
    std::int32_t nParent = 0, nLast = 0;
    int nPrev = -1;
    for (size_t i = 0; i < arr.size(); ++i) {
        int m = arr[i].nLevel;
        bool bDir = arr[i].bPlus || (i + 1 < arr.size() && arr[i + 1].nLevel > m);
        if (i == 0) {
            mapLevel[m] = 0;
        } else if (m > nPrev) {
            mapLevel[m] = nLast;
            nParent = nLast;
        } else if (m < nPrev) {
            auto it = mapLevel.find(m);
            nParent = it == mapLevel.end() ? 0 : it->second;
        }
        std::int32_t& n = count(nParent);
        sqlite3_bind_int(pIns, 1, nParent);
        sqlite3_bind_int(pIns, 2, n + 1);
        sqlite3_bind_text(pIns, 3, bDir ? "1" : "0", 1, SQLITE_STATIC);
        sqlite3_bind_text(pIns, 4, arr[i].strName.data(), static_cast<int>(arr[i].strName.size()), SQLITE_STATIC);
        sqlite3_step(pIns);
        sqlite3_reset(pIns);
        ++n;
        nLast = static_cast<std::int32_t>(sqlite3_last_insert_rowid(db.Handle()));
        mapCount.emplace(nLast, 0);
        nPrev = m;
    }
    sqlite3_finalize(pIns);
    db.Exec("COMMIT TRANSACTION;");
}
}  // namespace

void CheckMessages(const SBenchConfig& cfg, SResult& r, size_t nBefore) {
    const auto& arr = cfg.pPlatform->m_arrMessages;
    if (arr.size() > nBefore) Fail(r, "Meldung: " + arr[nBefore]);
}

std::vector<std::string> RawSearchPaths(const std::string& strFile, const std::string& strWord) {
    CRawDb raw;
    std::vector<std::string> arr;
    if (!raw.Open(strFile)) return arr;
    std::vector<std::int32_t> arrIds;
    sqlite3_stmt* p =
        raw.Prepare("SELECT ID, Name, Text FROM KnowHow WHERE (Name LIKE ?1 OR Text LIKE ?1) AND IsAktiv='1'");
    std::string strPattern = "%" + strWord + "%";
    sqlite3_bind_text(p, 1, strPattern.data(), static_cast<int>(strPattern.size()), SQLITE_STATIC);
    while (sqlite3_step(p) == SQLITE_ROW)
        if (ContainsNoCase(ColumnText(p, 1), strWord) || ContainsNoCase(ColumnText(p, 2), strWord))
            arrIds.push_back(sqlite3_column_int(p, 0));
    sqlite3_finalize(p);
    CRawNavigator nav(raw);
    for (auto nId : arrIds) arr.push_back(nav.Path(nId));
    std::sort(arr.begin(), arr.end());
    return arr;
}

const char* CommonWord() {
    return kCommonWord;
}

bool Wanted(const SBenchConfig& cfg, const std::string& strCase) {
    return cfg.strOnly.empty() || strCase.find(cfg.strOnly) != std::string::npos;
}

// --- open database ------------------------------------------------------------------
void RunPlainCases(SBenchConfig& cfg, CResults& results) {
    CRawDb raw;
    raw.Open(cfg.strPlain);
    const int nBigExpected = std::min(1000, cfg.nEntries / 10);
    int nBig = RawCount(raw, "SELECT count(*) FROM KnowHow WHERE MasterID=" + std::to_string(cfg.nBigFolder));
    if (nBig != nBigExpected)
        std::fprintf(stderr, "Ordner %d hat %d statt %d Einträge\n", cfg.nBigFolder, nBig, nBigExpected);

    if (Wanted(cfg, "Öffnen")) {
        SResult r;
        r.strCase = "Öffnen bis zum Baumdienst + erster Ordner";
        CKnowHowArray arr;
        std::vector<SRawRow> arrRaw;
        size_t nMessages = cfg.pPlatform->m_arrMessages.size();
        STimes t = Measure(
            9,
            [&] {
                auto p = OpenKnowledgeBase(cfg.strPlain);
                arr.clear();
                if (p) p->GetChildren(arr, 0, true);
                p.reset();
                CloseDatabase();
            },
            [&] {
                CRawDb db;
                db.Open(cfg.strPlain);
                arrRaw = RawChildren(db, 0, true);
            });
        r.Take(t);
        r.dLimit = 2;
        r.strTarget = "<= 2x";
        r.nRuns = 9;
        r.strNote =
            "Kette: Sitzung, Kennwort, Version, Sicherung (nicht fällig), Baumdienst, Admin; Basis: öffnen + "
            "oberste Ordner lesen";
        if (Ids(arr) != Ids(arrRaw) || arr.empty()) Fail(r, "verschiedene Ordner");
        CheckMessages(cfg, r, nMessages);
        results.Add(r);
    }

    auto pService = OpenKnowledgeBase(cfg.strPlain);
    if (!pService) {
        SResult r;
        r.strCase = "Öffnen";
        Fail(r, "die Datenbank ließ sich nicht öffnen");
        results.Add(r);
        return;
    }

    if (Wanted(cfg, "Baumdienst")) {
        SResult r;
        r.strCase = "Baumdienst anlegen (Tabellenprüfung)";
        STimes t = Measure(
            15, [] { CKnowHow k; }, nullptr);
        r.Take(t);
        r.nRuns = 15;
        r.strTarget = "Bericht";
        r.strNote = "bei jedem Öffnen und jeder Suche";
        results.Add(r);
    }

    if (Wanted(cfg, "GetChildren")) {
        SResult r;
        r.strCase = "GetChildren, Ordner mit 1.000 Einträgen";
        CKnowHowArray arr;
        std::vector<SRawRow> arrRaw;
        STimes t = Measure(
            15,
            [&] {
                arr.clear();
                pService->GetChildren(arr, cfg.nBigFolder);
            },
            [&] { arrRaw = RawChildren(raw, cfg.nBigFolder, false); });
        r.Take(t);
        r.dLimit = 1.3;
        r.strTarget = "<= 1.3x";
        r.nRuns = 15;
        bool bSame = arr.size() == arrRaw.size() && !arr.empty();
        for (size_t i = 0; bSame && i < arr.size(); ++i)
            bSame = arr[i].ID == arrRaw[i].nId && arr[i].Text == arrRaw[i].strText &&
                    arr[i].Name == arrRaw[i].strName && arr[i].UpdateNr == arrRaw[i].nUpdate;
        if (!bSame) Fail(r, "verschiedene Zeilen");
        results.Add(r);
    }

    for (const auto& word : SearchWords()) {
        std::string strCase = std::string("Suche, ") + word.pszLabel + " (Stichworte und Texte)";
        if (!Wanted(cfg, strCase)) continue;
        SResult r;
        r.strCase = strCase;
        CKnowHowArray arr;
        std::vector<SRawRow> arrRaw;
        STimes t = Measure(
            9,
            [&] {
                CKnowHow k;  // the search dialog's own instance
                k.Search(arr, word.strText, true, true);
            },
            [&] {
                arrRaw.clear();
                sqlite3_stmt* p = raw.Prepare(std::string("SELECT ") + RAW_COLUMNS +
                                              " FROM KnowHow WHERE (Name LIKE ?1 OR Text LIKE ?1) AND IsAktiv='1'");
                std::string strPattern = "%" + word.strText + "%";
                sqlite3_bind_text(p, 1, strPattern.data(), static_cast<int>(strPattern.size()), SQLITE_STATIC);
                SRawRow row;
                while (sqlite3_step(p) == SQLITE_ROW) {
                    ReadRawRow(p, row);
                    // the engine's LIKE takes a byte >= 0x80 with the letter after it as one
                    // character; the hits are checked by bytes
                    if (ContainsNoCase(row.strName, word.strText) || ContainsNoCase(row.strText, word.strText))
                        arrRaw.push_back(std::move(row));
                }
                sqlite3_finalize(p);
            });
        r.Take(t);
        r.dLimit = 1.2;
        r.strTarget = "<= 1.2x";
        r.nRuns = 9;
        r.strNote = std::to_string(arr.size()) + " Treffer";
        if (Ids(arr) != Ids(arrRaw)) Fail(r, "Basis: " + std::to_string(arrRaw.size()) + " Treffer");
        results.Add(r);
    }

    if (Wanted(cfg, "IsAdminPasswordSet")) {
        SResult r;
        r.strCase = "IsAdminPasswordSet, ein Aufruf";
        r.strUnit = "µs";
        constexpr int kCalls = 200;
        bool bSet = true;
        STimes t = Measure(
            5,
            [&] {
                for (int i = 0; i < kCalls; ++i) bSet = GetDbAdmin().IsAdminPasswordSet();
            },
            nullptr);
        r.dOurs = t.dOurs * 1000 / kCalls;
        r.nStatements = t.nStatements / kCalls;
        r.nRuns = 5;
        r.strTarget = "Bericht";
        r.strNote = "je Aufruf, ohne Administratorkennwort (mit: eine Abfrage mehr)";
        if (bSet) Fail(r, "Administratorkennwort unerwartet gesetzt");
        results.Add(r);
    }

    if (Wanted(cfg, "GetPath")) {
        SResult r;
        r.strCase = "GetPath von 1.000 Treffern";
        std::vector<TRowId> arrAll, arrIds;
        sqlite3_stmt* p = raw.Prepare("SELECT ID FROM KnowHow WHERE IsAktiv='1' ORDER BY ID");
        while (sqlite3_step(p) == SQLITE_ROW) arrAll.push_back(sqlite3_column_int64(p, 0));
        sqlite3_finalize(p);
        for (size_t i = 0; i < arrAll.size() && arrIds.size() < 1000; i += std::max<size_t>(1, arrAll.size() / 1000))
            arrIds.push_back(arrAll[i]);
        std::vector<std::string> arrOurs, arrBase;
        STimes t = Measure(
            5,
            [&] {
                if (!pService->GetPaths(arrIds, arrOurs)) arrOurs.clear();
            },
            [&] {
                arrBase.clear();
                CRawNavigator nav(raw);
                for (auto nId : arrIds) arrBase.push_back(nav.Path(nId));
            });
        r.Take(t);
        r.nRuns = 5;
        r.dLimit = 1.5;
        r.strTarget = "<= 1.5x";
        if (arrOurs != arrBase) Fail(r, "verschiedene Pfade");
        results.Add(r);
    }

    if (Wanted(cfg, "NextItem")) {
        SResult r;
        r.strCase = "NextItem, 10.000 Schritte";
        std::int32_t nStart = RawCount(raw, "SELECT ID FROM KnowHow WHERE MasterID=0 AND PosNr=1 AND IsAktiv='1'");
        std::vector<std::int32_t> arrOurs, arrBase;
        STimes t = Measure(
            3,
            [&] {
                arrOurs.clear();
                for (std::int32_t n = nStart; arrOurs.size() < 10000 && n > 0;)
                    arrOurs.push_back(n = pService->NextItem(n));
            },
            [&] {
                arrBase.clear();
                CRawNavigator nav(raw);
                for (std::int32_t n = nStart; arrBase.size() < 10000 && n > 0;) arrBase.push_back(n = nav.Next(n));
            });
        r.Take(t);
        r.nRuns = 3;
        r.dLimit = 1.5;
        r.strTarget = "<= 1.5x";
        // a small file ends the walk early; the baseline's walk says where the end is
        if (arrOurs.size() < 10000) r.strNote = std::to_string(arrOurs.size()) + " Schritte bis zum Ende";
        if (arrOurs != arrBase || arrOurs.empty()) Fail(r, "verschiedene Wege");
        results.Add(r);
    }

    if (Wanted(cfg, "SaveItems")) {
        SResult r;
        r.strCase = "SaveItems, 1.000 geänderte Einträge";
        CKnowHowArray arr;
        std::vector<SRawRow> arrRaw;
        bool bOk = true;
        size_t nMessages = cfg.pPlatform->m_arrMessages.size();
        auto toggle = [](const std::string& str) {
            return !str.empty() && str.back() == '!' ? str.substr(0, str.size() - 1) : str + "!";
        };
        STimes t = Measure(
            5, [&] { bOk = pService->SaveItems(arr) == EWriteResult::Saved && bOk; },
            [&] {
                raw.Exec("BEGIN TRANSACTION;");
                sqlite3_stmt* p = raw.Prepare(
                    "UPDATE KnowHow SET IsAktiv=?, MasterID=?, LinkID=?, Typ=?, PosNr=?, IsDir=?, Name=?, Text=?, "
                    "Link=?, "
                    "UpdateNr=? WHERE ID=?");
                for (const auto& row : arrRaw) {
                    sqlite3_bind_text(p, 1, row.nAktiv ? "1" : "0", 1, SQLITE_STATIC);
                    sqlite3_bind_int(p, 2, row.nMaster);
                    sqlite3_bind_int(p, 3, row.nLinkId);
                    sqlite3_bind_int(p, 4, row.nTyp);
                    sqlite3_bind_int(p, 5, row.nPos);
                    sqlite3_bind_text(p, 6, row.nDir ? "1" : "0", 1, SQLITE_STATIC);
                    sqlite3_bind_text(p, 7, row.strName.data(), static_cast<int>(row.strName.size()), SQLITE_STATIC);
                    sqlite3_bind_text(p, 8, row.strText.data(), static_cast<int>(row.strText.size()), SQLITE_STATIC);
                    sqlite3_bind_text(p, 9, row.strLink.data(), static_cast<int>(row.strLink.size()), SQLITE_STATIC);
                    sqlite3_bind_int(p, 10, row.nUpdate + 1);
                    sqlite3_bind_int(p, 11, row.nId);
                    if (sqlite3_step(p) != SQLITE_DONE) bOk = false;
                    sqlite3_reset(p);
                }
                sqlite3_finalize(p);
                if (!raw.Exec("COMMIT TRANSACTION;")) bOk = false;
            },
            [&] {
                arr.clear();
                pService->GetChildren(arr, cfg.nBigFolder);
                for (auto& item : arr) item.SetText(toggle(item.Text));
            },
            [&] {
                arrRaw = RawChildren(raw, cfg.nBigFolder, false);
                for (auto& row : arrRaw) row.strText = toggle(row.strText);
            });
        r.Take(t);
        r.dLimit = 3;
        r.strTarget = "<= 3x";
        r.nRuns = 5;
        r.strNote = "mit Prüfung des Änderungszählers; Basis: UPDATE je Zeile in einer Transaktion";
        if (!bOk || arr.size() != static_cast<size_t>(nBigExpected)) Fail(r, "nicht alles geschrieben");
        CheckMessages(cfg, r, nMessages);
        results.Add(r);
    }

    if (Wanted(cfg, "Export")) {
        SResult r;
        r.strCase = "Export der ganzen Struktur";
        std::string strOurs = cfg.strWorkDir + "/export-ours.txt", strBase = cfg.strWorkDir + "/export-base.txt";
        STimes t = Measure(
            3, [&] { pService->ExportStructure(strOurs, 0); }, [&] { RawExport(raw, strBase); });
        r.Take(t);
        r.nRuns = 3;
        r.dLimit = 2;
        r.strTarget = "<= 2x";
        std::string strFile = ReadAll(strOurs);
        r.strNote = std::to_string(std::count(strFile.begin(), strFile.end(), '\n')) + " Zeilen";
        if (strFile != ReadAll(strBase) || strFile.empty()) Fail(r, "verschiedene Dateien");
        results.Add(r);
    }

    // the readable documents with every text, against the template of the
    // same tree (keywords only) as the program writes it
    const char* const kReadableCases[] = {"Export als HTML, ganze Datenbank", "Export als Markdown, ganze Datenbank",
                                          "Export als Text, ganze Datenbank"};
    for (EReadableFormat eFormat : {EReadableFormat::Html, EReadableFormat::Markdown, EReadableFormat::Text}) {
        const bool bHtml = eFormat == EReadableFormat::Html;
        SResult r;
        r.strCase = kReadableCases[static_cast<int>(eFormat)];
        if (!Wanted(cfg, r.strCase)) continue;
        std::string strOurs = cfg.strWorkDir + "/export-readable." + ReadableFormatExtension(eFormat),
                    strBase = cfg.strWorkDir + "/export-structure.txt";
        EReadableResult eResult = EReadableResult::Written;
        STimes t = Measure(
            3, [&] { eResult = CReadableExport(*pService, eFormat).Write(strOurs, 0); },
            [&] { pService->ExportStructure(strBase, 0); });
        r.Take(t);
        r.nRuns = 3;
        r.dLimit = 2;
        r.strTarget = "<= 2x";
        std::error_code ec;
        r.strNote = "Basis: Export der Struktur (Vorlage); " + std::to_string(fs::file_size(strOurs, ec) / 1024) +
                    " KiB gegen " + std::to_string(fs::file_size(strBase, ec) / 1024) + " KiB";
        std::string strDoc = ReadAll(strOurs);
        size_t nHeadings = 0;
        for (size_t n = 0; (n = strDoc.find(bHtml ? "<section id=" : "\n#", n)) != std::string::npos; ++n) ++nHeadings;
        if (eResult != EReadableResult::Written) Fail(r, "nicht geschrieben");
        if (bHtml && nHeadings != static_cast<size_t>(RawCount(raw, "SELECT count(*) FROM KnowHow WHERE IsAktiv='1'")))
            Fail(r, "nicht jeder Eintrag im Dokument");
        results.Add(r);
    }

    // what the data volume alone costs: the columns the readable exports
    // need, read with SQLite's C interface in the table's order, into
    // nothing and into a file unchanged, against the same template
    for (bool bWrite : {false, true}) {
        SResult r;
        r.strCase = bWrite ? "Boden der Exporte: Spalten lesen und schreiben" : "Boden der Exporte: Spalten lesen";
        if (!Wanted(cfg, r.strCase)) continue;
        std::string strFloor = cfg.strWorkDir + "/export-floor.bin", strBase = cfg.strWorkDir + "/export-structure.txt";
        long long nBytes = 0;
        STimes t = Measure(
            3, [&] { nBytes = RawReadColumns(raw, bWrite ? strFloor : std::string()); },
            [&] { pService->ExportStructure(strBase, 0); });
        r.Take(t);
        r.nRuns = 3;
        r.strNote = "ID, IsDir, Name, Text, Link jeder Zeile, " + std::to_string(nBytes >> 20) +
                    " MiB; Basis: Export der Struktur (Vorlage)";
        if (nBytes <= 0) Fail(r, "nichts gelesen");
        results.Add(r);
    }

    pService.reset();
    CloseDatabase();
}

// --- deleting from a large folder ---------------------------------------------------------
namespace {
// The first delete into a file's trash creates its table, which grows the
// file once; every later delete finds the table there.
void PrepareTrash(bool bFirstTrash) {
    if (!bFirstTrash) EnsureTrashTable();
}

std::string TrashNote(bool bFirstTrash) {
    return bFirstTrash ? "der erste in den Papierkorb der Datei (legt ihn an); "
                       : "in den Papierkorb, der schon angelegt ist; ";
}

// The end of a delete case, both files closed: the same tree on both sides,
// no message but those the case expected.
void FinishDeleteCase(SBenchConfig& cfg, CResults& results, SResult& r, const STimes& t, bool bOk,
                      const std::string& strOurs, const std::string& strBase, size_t nMessages) {
    r.Take(t);
    r.nRuns = 3;
    r.strTarget = "Bericht";
    const char* pszColumns = "ID, MasterID, PosNr, Name";
    if (!bOk || RawDigest(strOurs, pszColumns) != RawDigest(strBase, pszColumns)) Fail(r, "verschiedene Tabellen");
    CheckMessages(cfg, r, nMessages);
    results.Add(r);
}
}  // namespace

void RunDeleteCase(SBenchConfig& cfg, CResults& results, bool bFirstTrash) {
    const std::string strCase = std::string("DeleteItem, erster von 1.000 Einträgen eines Ordners") +
                                (bFirstTrash ? ", erster Papierkorb" : "");
    if (!Wanted(cfg, strCase)) return;
    SResult r;
    r.strCase = strCase;
    std::error_code ec;
    const std::string strDir = cfg.strWorkDir + "/delete";
    fs::create_directories(strDir, ec);
    const std::string strOurs = strDir + "/ours.tov", strBase = strDir + "/base.tov";
    std::unique_ptr<CKnowHow> pService;
    CRawDb raw;
    std::int32_t nFirst = 0;
    bool bOk = true;
    size_t nMessages = cfg.pPlatform->m_arrMessages.size();
    auto fresh = [&](const std::string& strPath) { CopySettled(cfg.strPlainCache, strPath); };
    STimes t = Measure(
        3, [&] { bOk = pService && pService->DeleteItem(nFirst) == EWriteResult::Saved && bOk; },
        [&] {
            // the same rows written: the siblings behind move up, the entry goes
            raw.Exec("BEGIN EXCLUSIVE TRANSACTION;");
            sqlite3_stmt* pRead = raw.Prepare(
                "SELECT ID, PosNr, UpdateNr FROM KnowHow WHERE MasterID=?1 AND PosNr>(SELECT PosNr FROM "
                "KnowHow WHERE ID=?2) AND IsAktiv='1' ORDER BY PosNr");
            sqlite3_bind_int(pRead, 1, cfg.nBigFolder);
            sqlite3_bind_int(pRead, 2, nFirst);
            sqlite3_stmt* pWrite = raw.Prepare("UPDATE KnowHow SET PosNr=?, UpdateNr=? WHERE ID=?");
            std::vector<std::array<int, 3>> arrRows;
            while (sqlite3_step(pRead) == SQLITE_ROW)
                arrRows.push_back(
                    {sqlite3_column_int(pRead, 0), sqlite3_column_int(pRead, 1), sqlite3_column_int(pRead, 2)});
            sqlite3_finalize(pRead);
            for (const auto& row : arrRows) {
                sqlite3_bind_int(pWrite, 1, row[1] - 1);
                sqlite3_bind_int(pWrite, 2, row[2] + 1);
                sqlite3_bind_int(pWrite, 3, row[0]);
                sqlite3_step(pWrite);
                sqlite3_reset(pWrite);
            }
            sqlite3_finalize(pWrite);
            raw.Exec(("DELETE FROM KnowHow WHERE ID=" + std::to_string(nFirst)).c_str());
            raw.Exec("COMMIT TRANSACTION;");
        },
        [&] {
            pService.reset();
            CloseDatabase();
            fresh(strOurs);
            pService = OpenKnowledgeBase(strOurs);
            PrepareTrash(bFirstTrash);
            CKnowHowItem item;
            if (pService && pService->GetItemAt(item, cfg.nBigFolder, 1) == 1) nFirst = item.ID;
        },
        [&] {
            raw.Close();
            fresh(strBase);
            raw.Open(strBase);
        });
    pService.reset();
    CloseDatabase();
    raw.Close();
    r.strNote = TrashNote(bFirstTrash) +
                "mit Prüfung des Änderungszählers je verschobenem Eintrag; Basis: ein Lesen, UPDATE je Eintrag";
    FinishDeleteCase(cfg, results, r, t, bOk, strOurs, strBase, nMessages);
    fs::remove_all(strDir, ec);
}

// --- deleting a large folder --------------------------------------------------------------
void RunDeleteFolderCase(SBenchConfig& cfg, CResults& results, bool bFirstTrash) {
    const std::string strCase =
        std::string("DeleteItem, Ordner mit 10.000 Einträgen") + (bFirstTrash ? ", erster Papierkorb" : "");
    if (!Wanted(cfg, strCase)) return;
    SResult r;
    r.strCase = strCase;
    std::error_code ec;
    const std::string strDir = cfg.strWorkDir + "/delete-folder";
    fs::create_directories(strDir, ec);
    const std::string strOurs = strDir + "/ours.tov", strBase = strDir + "/base.tov";
    std::unique_ptr<CKnowHow> pService;
    CRawDb raw;
    bool bOk = true;
    std::int32_t nFolder = 0;
    // a new last top-level folder holding 10,000 entries with texts
    auto fresh = [&](const std::string& strPath) {
        fs::remove(strPath, ec);
        fs::copy_file(cfg.strPlainCache, strPath, ec);
        CRawDb fill;
        fill.Open(strPath);
        fill.Exec("BEGIN;");
        fill.Exec(
            "INSERT INTO KnowHow (IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr) VALUES "
            "('1', 0, 0, 0, (SELECT count(*)+1 FROM KnowHow WHERE MasterID=0 AND IsAktiv='1'), '1', 'Archiv', '', "
            "'', 0);");
        const std::string strFolder = std::to_string(sqlite3_last_insert_rowid(fill.Handle()));
        fill.Exec(("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<10000) INSERT INTO KnowHow "
                   "(IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, UpdateNr) SELECT '1', " +
                   strFolder + ", 0, 0, i, '0', 'Eintrag ' || i, printf('%.*c', 200 + i % 300, 'x'), '', 0 FROM n;")
                      .c_str());
        fill.Exec("COMMIT;");
        nFolder = std::stoi(strFolder);
    };
    size_t nMessages = cfg.pPlatform->m_arrMessages.size();
    STimes t = Measure(
        3, [&] { bOk = pService && pService->DeleteItem(nFolder) == EWriteResult::Saved && bOk; },
        [&] {
            // today's physical delete: the rows go, nothing behind the folder moves
            raw.Exec("BEGIN EXCLUSIVE TRANSACTION;");
            raw.Exec(
                ("DELETE FROM KnowHow WHERE MasterID=" + std::to_string(nFolder) + " OR ID=" + std::to_string(nFolder))
                    .c_str());
            raw.Exec("COMMIT TRANSACTION;");
        },
        [&] {
            pService.reset();
            CloseDatabase();
            fresh(strOurs);
            pService = OpenKnowledgeBase(strOurs);
            PrepareTrash(bFirstTrash);
        },
        [&] {
            raw.Close();
            fresh(strBase);
            raw.Open(strBase);
        });
    pService.reset();
    CloseDatabase();
    raw.Close();
    r.strNote = TrashNote(bFirstTrash) + "Basis: ein DELETE der 10.001 Zeilen";
    // the question before a folder is deleted is no refusal
    for (size_t i = nMessages; i < cfg.pPlatform->m_arrMessages.size();)
        if (cfg.pPlatform->m_arrMessages[i].rfind("Ordner löschen", 0) == 0)
            cfg.pPlatform->m_arrMessages.erase(cfg.pPlatform->m_arrMessages.begin() + static_cast<long>(i));
        else
            ++i;
    FinishDeleteCase(cfg, results, r, t, bOk, strOurs, strBase, nMessages);
    fs::remove_all(strDir, ec);
}

// --- structure import into new databases -----------------------------------------------
namespace {
void ImportCase(SBenchConfig& cfg, CResults& results, const std::string& strCase, const std::string& strTemplate,
                int nRuns) {
    SResult r;
    r.strCase = strCase;
    std::string strOurs = cfg.strWorkDir + "/import-ours.tov", strBase = cfg.strWorkDir + "/import-base.tov";
    std::unique_ptr<CKnowHow> pService;
    CRawDb raw;
    std::int32_t nResult = 0;
    STimes t = Measure(
        nRuns, [&] { nResult = pService->ImportStructure(strTemplate, 0); }, [&] { RawImport(raw, strTemplate); },
        [&] {
            pService.reset();
            CloseDatabase();
            fs::remove(strOurs);
            pService = CreateKnowledgeBase(strOurs);
        },
        [&] {
            raw.Close();
            fs::remove(strBase);
            raw.Open(strBase, true);
            raw.Exec(kCreateTable);
        });
    pService.reset();
    CloseDatabase();
    raw.Close();
    r.Take(t);
    r.nRuns = nRuns;
    r.dLimit = 2;
    r.strTarget = "<= 2x";
    const char* pszColumns = "ID, IsAktiv, MasterID, PosNr, IsDir, Name, Text, Link, Typ, LinkID";
    if (nResult <= 0 || RawDigest(strOurs, pszColumns) != RawDigest(strBase, pszColumns))
        Fail(r, "verschiedene Tabellen");
    results.Add(r);
}
}  // namespace

void RunImportCases(SBenchConfig& cfg, CResults& results) {
    std::string strTemplate = cfg.strWorkDir + "/export-ours.txt";
    if (Wanted(cfg, "Import der ganzen Struktur")) {
        if (!fs::exists(strTemplate)) {
            auto p = OpenKnowledgeBase(cfg.strPlain);
            if (p) p->ExportStructure(strTemplate, 0);
            p.reset();
            CloseDatabase();
        }
        ImportCase(cfg, results, "Import der ganzen Struktur", strTemplate, 3);
    }
    if (Wanted(cfg, "Import, 10.000 oberste Ordner")) {
        std::string strWide = cfg.strWorkDir + "/wide.txt";
        std::string strOut;
        for (int i = 1; i <= 10000; ++i)
            strOut += "+ Ordner " + std::to_string(i) + "\r\n  - Eintrag " + std::to_string(i) + "\r\n";
        std::ofstream(strWide, std::ios::binary) << strOut;
        ImportCase(cfg, results, "Import, 10.000 oberste Ordner mit je einem Eintrag", strWide, 3);
    }
}

// --- protected database ------------------------------------------------------------------
void RunProtectedCases(SBenchConfig& cfg, CResults& results) {
    CDbPasswort& passwort = GetDbPasswort();
    std::string strPassword = Ansi(cfg.strPassword.c_str());
    passwort.SetPrompt([&](CDbPasswort& p) { return p.CheckPassword(strPassword); });
    // the protected and the plain copy in turn, so that both searches meet the same load
    std::unique_ptr<CKnowHow> pService;
    std::string strOpen;
    auto use = [&](const std::string& strPath) {
        if (strOpen == strPath && pService) return;
        pService.reset();
        CloseDatabase();
        pService = OpenKnowledgeBase(strPath);
        strOpen = strPath;
    };
    use(cfg.strProtected);
    CRawDb raw;
    raw.Open(cfg.strProtected);
    if (!pService) {
        SResult r;
        r.strCase = "Geschützte Datenbank öffnen";
        Fail(r, "ließ sich nicht öffnen");
        results.Add(r);
        passwort.SetPrompt(nullptr);
        return;
    }
    CCrypt crypt;
    crypt.SetPassword(strPassword);

    for (const auto& word : SearchWords()) {
        std::string strCase = std::string("Geschützte Suche, ") + word.pszLabel;
        if (!Wanted(cfg, strCase)) continue;
        SResult r;
        r.strCase = strCase;
        CKnowHowArray arr, arrPlain;
        std::vector<SRawRow> arrRaw;
        auto search = [&](CKnowHowArray& a) {
            CKnowHow k;
            k.Search(a, word.strText, true, true);
        };
        STimes t = Measure(
            7, [&] { search(arr); }, [&] { search(arrPlain); }, [&] { use(cfg.strProtected); },
            [&] { use(cfg.strPlain); });
        STimes tRaw = Measure(
            3,
            [&] {
                arrRaw.clear();
                sqlite3_stmt* p = raw.Prepare(std::string("SELECT ") + RAW_COLUMNS + " FROM KnowHow WHERE IsAktiv='1'");
                SRawRow row;
                while (sqlite3_step(p) == SQLITE_ROW) {
                    ReadRawRow(p, row);
                    row.strName = crypt.Decrypt(row.strName);
                    row.strText = crypt.Decrypt(row.strText);
                    row.strLink = crypt.Decrypt(row.strLink);
                    if (ContainsNoCase(row.strName, word.strText) || ContainsNoCase(row.strText, word.strText))
                        arrRaw.push_back(std::move(row));
                }
                sqlite3_finalize(p);
            },
            nullptr);
        r.Take(t);
        r.dBase = tRaw.dOurs;
        r.dRatio = t.dOurs / t.dBase;
        r.dLimit = 2;
        r.strTarget = "<= 2x ungeschützte Suche";
        r.nRuns = 7;
        char szPlain[64];
        std::snprintf(szPlain, sizeof szPlain, "%.0f ms", t.dBase);
        r.strNote = std::to_string(arr.size()) + " Treffer; Faktor zur ungeschützten Suche (" + szPlain +
                    ", abwechselnd gemessen); Basis: alles lesen, entschlüsseln, vergleichen";
        if (Ids(arr) != Ids(arrRaw)) Fail(r, "Basis: " + std::to_string(arrRaw.size()) + " Treffer");
        results.Add(r);
    }
    use(cfg.strProtected);
    passwort.SetPrompt(nullptr);

    if (Wanted(cfg, "Entschlüsseln")) {
        SResult r;
        r.strCase = "Entschlüsseln aller Stichworte";
        std::vector<std::string> arrStored;
        sqlite3_stmt* p = raw.Prepare("SELECT Name FROM KnowHow");
        while (sqlite3_step(p) == SQLITE_ROW) arrStored.push_back(ColumnText(p, 0));
        sqlite3_finalize(p);
        std::uint64_t nOurs = 0, nBase = 0;
        STimes t = Measure(
            3,
            [&] {
                nOurs = 0;
                for (const auto& s : arrStored) nOurs += crypt.Decrypt(s).size();
            },
            [&] {
                nBase = 0;
                for (const auto& s : arrStored) {
                    CCrypt fresh;  // the key schedule for every value
                    fresh.SetPassword(strPassword);
                    nBase += fresh.Decrypt(s).size();
                }
            });
        r.Take(t);
        r.nRuns = 3;
        r.strTarget = "Bericht";
        r.strNote = std::to_string(arrStored.size()) +
                    " Werte; Orvantis: Schlüsselstrom einmal je Kennwort, "
                    "Basis: Schlüssel je Wert neu abgeleitet";
        if (nOurs != nBase) Fail(r, "verschiedene Texte");
        results.Add(r);
    }
    pService.reset();
    CloseDatabase();
    GetDbPasswort().ClearPassword();
}

// --- re-encryption of the whole database -------------------------------------------------
namespace {
// What the program does around a re-encryption, done with plain SQLite: the
// copy of the file, VACUUM when the file is protected for the first time,
// and the rewrite of every row in one exclusive transaction.
struct SRawParts {
    double dCopy = 0, dVacuum = 0, dRewrite = 0;
    double Total() const { return dCopy + dVacuum + dRewrite; }
};

SRawParts RawReencrypt(const std::string& strPath, const std::string& strCopy, const std::string& strOld,
                       const std::string& strNew) {
    SRawParts parts;
    double t = NowMs();
    std::error_code ec;
    fs::remove(strCopy, ec);
    fs::copy_file(strPath, strCopy, ec);
    parts.dCopy = NowMs() - t;
    CRawDb raw;
    raw.Open(strPath);
    if (strOld.empty()) {
        t = NowMs();
        raw.Exec("VACUUM");
        parts.dVacuum = NowMs() - t;
    }
    t = NowMs();
    CCrypt oldCrypt, newCrypt;
    oldCrypt.SetPassword(strOld);
    newCrypt.SetPassword(strNew);
    auto dec = [&](const std::string& s) { return strOld.empty() ? s : oldCrypt.Decrypt(s); };
    auto enc = [&](const std::string& s) { return strNew.empty() ? s : newCrypt.Encrypt(s); };
    raw.Exec("BEGIN EXCLUSIVE TRANSACTION;");
    // read and written in one pass, as a streaming rewrite does
    sqlite3_stmt* pRead = raw.Prepare("SELECT ID, Name, Text, Link, UpdateNr FROM KnowHow ORDER BY ID");
    sqlite3_stmt* pWrite = raw.Prepare("UPDATE KnowHow SET Name=?, Text=?, Link=?, UpdateNr=? WHERE ID=?");
    while (sqlite3_step(pRead) == SQLITE_ROW) {
        std::string a = enc(dec(ColumnText(pRead, 1))), b = enc(dec(ColumnText(pRead, 2))),
                    c = enc(dec(ColumnText(pRead, 3)));
        sqlite3_bind_text(pWrite, 1, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(pWrite, 2, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(pWrite, 3, c.data(), static_cast<int>(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(pWrite, 4, sqlite3_column_int(pRead, 4) + 1);
        sqlite3_bind_int64(pWrite, 5, sqlite3_column_int64(pRead, 0));
        sqlite3_step(pWrite);
        sqlite3_reset(pWrite);
    }
    sqlite3_finalize(pRead);
    sqlite3_finalize(pWrite);
    std::string strKey = CDbPasswort::MakeVerifier(strNew);
    sqlite3_stmt* p = raw.Prepare("UPDATE Option SET Value=? WHERE Key='DbKey'");
    sqlite3_bind_text(p, 1, strKey.data(), static_cast<int>(strKey.size()), SQLITE_STATIC);
    sqlite3_step(p);
    sqlite3_finalize(p);
    raw.Exec("COMMIT TRANSACTION;");
    parts.dRewrite = NowMs() - t;
    return parts;
}

struct SReencryptStep {
    const char* pszCase;
    std::string strOld, strNew;
};

std::vector<SReencryptStep> ReencryptSteps() {
    return {{"Neu verschlüsseln: schützen", "", Ansi("Geheim1")},
            {"Neu verschlüsseln: Kennwort ändern", Ansi("Geheim1"), Ansi("Anders2")},
            {"Neu verschlüsseln: Schutz aufheben", Ansi("Anders2"), ""}};
}

std::string Ms(double d) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.0f ms", d);
    return sz;
}
}  // namespace

// The child of the memory case: the three conversions on a copy of a plain
// file, one after the other; 0 when all three were done.
int ReencryptPeakMain(const std::string& strFile) {
    auto pService = OpenKnowledgeBase(strFile);
    if (!pService) return 1;
    CDbPasswort& passwort = GetDbPasswort();
    for (const auto& step : ReencryptSteps())
        if (!passwort.SetDatabasePassword(step.strNew)) return 1;
    pService.reset();
    CloseDatabase();
    passwort.ClearPassword();
    return 0;
}

void RunReencryptCases(SBenchConfig& cfg, CResults& results) {
    if (!Wanted(cfg, "Neu verschlüsseln")) return;
    std::error_code ec;
    fs::create_directories(cfg.strWorkDir + "/reenc-ours", ec);
    fs::create_directories(cfg.strWorkDir + "/reenc-base", ec);
    std::string strOurs = cfg.strWorkDir + "/reenc-ours/wissen.tov",
                strBase = cfg.strWorkDir + "/reenc-base/wissen.tov",
                strBaseCopy = cfg.strWorkDir + "/reenc-base/wissen.tov.kopie";
    fs::copy_file(cfg.strPlainCache, strOurs, ec);
    fs::copy_file(cfg.strPlainCache, strBase, ec);

    auto pService = OpenKnowledgeBase(strOurs);  // makes the day's backup here, untimed
    {
        CRawDb raw;
        raw.Open(strBase);
        raw.Exec("INSERT INTO Option ( Key, Value ) VALUES ( 'DbKey', '' );");
    }
    CDbPasswort& passwort = GetDbPasswort();
    for (const auto& step : ReencryptSteps()) {
        SResult r;
        r.strCase = step.pszCase;
        // the copy of this minute is made again, as the baseline makes its copy
        for (const auto& entry : fs::directory_iterator(fs::path(strOurs).parent_path(), ec))
            if (entry.path().filename().string().rfind("wissen.tov.", 0) == 0) fs::remove(entry.path(), ec);
        size_t nMessages = cfg.pPlatform->m_arrMessages.size();
        const long nSleptBefore = cfg.pPlatform->m_nSleptMs;
        // the parts of ours, told apart by the statements that start them
        double tVacuum = 0, tBegin = 0;
        GetDatabase().SetStatementHook([&](const std::string& strSql) {
            if (!tVacuum && strSql == "VACUUM") tVacuum = NowMs();
            if (!tBegin && strSql == "BEGIN EXCLUSIVE TRANSACTION;") tBegin = NowMs();
        });
        const double t = NowMs();
        const bool bOk = pService && passwort.SetDatabasePassword(step.strNew);
        const double tEnd = NowMs();
        GetDatabase().SetStatementHook(nullptr);
        SRawParts base = RawReencrypt(strBase, strBaseCopy, step.strOld, step.strNew);
        r.dOurs = tEnd - t;
        r.dBase = base.Total();
        r.nRuns = 1;
        r.dLimit = 1.5;
        r.strTarget = "<= 1.5x";
        const double dBackup = (tVacuum ? tVacuum : tBegin) - t;
        const double dReorg = tVacuum ? tBegin - tVacuum : 0;
        r.strNote =
            "Orvantis: Sicherungskopie " + Ms(dBackup) + (tVacuum ? ", Reorganisation " + Ms(dReorg) : std::string()) +
            ", Umschreiben " + Ms(tEnd - tBegin) + "; Basis: Kopie " + Ms(base.dCopy) +
            (base.dVacuum > 0 ? ", VACUUM " + Ms(base.dVacuum) : std::string()) + ", Umschreiben " + Ms(base.dRewrite);
        if (cfg.pPlatform->m_nSleptMs > nSleptBefore)
            r.strNote += "; die vorgesehene Pause von " + Ms(cfg.pPlatform->m_nSleptMs - nSleptBefore) +
                         " nach VACUUM nicht abgewartet";
        if (!bOk || !tBegin) Fail(r, "nicht ausgeführt");
        CheckMessages(cfg, r, nMessages);
        results.Add(r);
    }
    pService.reset();
    CloseDatabase();
    passwort.ClearPassword();
    const char* pszColumns = "ID, IsAktiv, MasterID, PosNr, IsDir, Name, Text, Link";
    std::string strBefore = RawDigest(cfg.strPlainCache, pszColumns);
    if (RawDigest(strOurs, pszColumns) != strBefore || RawDigest(strBase, pszColumns) != strBefore) {
        SResult r;
        r.strCase = "Neu verschlüsseln: Inhalt danach";
        Fail(r, "Texte nach Schützen, Ändern, Aufheben nicht wie vorher");
        results.Add(r);
    }
    fs::remove_all(cfg.strWorkDir + "/reenc-ours", ec);
    fs::remove_all(cfg.strWorkDir + "/reenc-base", ec);
}

// --- detail view: in BenchGui.cpp ----------------------------------------------------------

// --- the command-line program -------------------------------------------------------------
void RunCliCases(SBenchConfig& cfg, CResults& results) {
    const std::string strCase = std::string("orvantis-cli search, sehr häufiges Wort (") + CommonWord() + ")";
    if (!Wanted(cfg, strCase)) return;
    SResult r;
    r.strCase = strCase;
    std::vector<std::string> arrOut;
    bool bExit = true;
    STimes t = Measure(
        3,
        [&] {
            arrOut.clear();
            std::string strCmd = "'" + cfg.strCli + "' search '" + cfg.strPlain + "' " + CommonWord();
            std::FILE* p = popen(strCmd.c_str(), "r");
            if (!p) {
                bExit = false;
                return;
            }
            std::string strLine;
            char buf[65536];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) strLine.append(buf, n);
            bExit = pclose(p) == 0 && bExit;
            std::istringstream in(strLine);
            while (std::getline(in, strLine)) arrOut.push_back(strLine.substr(strLine.find('\t') + 1));
        },
        nullptr);
    r.Take(t);
    r.nStatements = 0;  // another process
    r.dBase = 1500;
    r.dLimit = 1;
    r.strTarget = "<= 1.5 s";
    r.nRuns = 3;
    std::vector<std::string> arrRaw = RawSearchPaths(cfg.strPlain, CommonWord());
    for (auto& str : arrRaw) str = Cp1252ToUtf8(KeywordOnOneLine(str));
    std::sort(arrRaw.begin(), arrRaw.end());
    std::sort(arrOut.begin(), arrOut.end());
    r.strNote = std::to_string(arrOut.size()) + " Treffer; ganzer Aufruf als eigener Prozess; Basis = Ziel";
    if (!bExit || arrOut != arrRaw || arrOut.empty())
        Fail(r, "Basis: " + std::to_string(arrRaw.size()) + " Treffer mit anderen Pfaden");
    results.Add(r);
}
