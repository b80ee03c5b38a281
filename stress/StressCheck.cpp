#include "StressCheck.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "StressLog.h"
#include "StressOwn.h"
#include "protect/CCrypt.h"
#include "protect/CDbPasswort.h"

namespace {
// What the logs say of one entry (named by its token).
struct SExpect {
    enum EExist { Must, Either, MustNot } eExist = Must;
    bool bDeleted = false;     // a delete of it was reported done
    bool bRefusedAdd = false;  // its adding was reported refused
    std::set<std::string> setParents, setTexts, setRefusedParents, setRefusedTexts;
    std::set<int> setDirs;
    std::string strOrigin;  // "w3 #17" for the examples
};

using CModel = std::map<std::string, SExpect>;

struct SRow {
    long nId = 0, nMaster = 0, nPos = 0;
    int nDir = 0;
    std::string strAktiv, strName, strText;
    bool bMisEncrypted = false;
};

bool IsToken(const std::string& str) {
    return !str.empty() && str.size() <= 40 &&
           std::all_of(str.begin(), str.end(), [](unsigned char ch) { return std::isalnum(ch); });
}

// A name as it may be printed.
std::string Printable(const std::string& str) {
    std::string strOut;
    for (unsigned char ch : str.substr(0, 40)) {
        if (ch >= 0x20 && ch < 0x7F) {
            strOut += static_cast<char>(ch);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", ch);
            strOut += buf;
        }
    }
    return strOut;
}

// Keeps the first few faults of each kind (the text up to its ':').
void Example(SFigures& f, const std::string& str) {
    if (++f.mapExampleCounts[str.substr(0, str.find(':'))] <= 4) f.arrExamples.push_back(str);
}

void AddExpect(CModel& model, const SLogOp& op, const std::string& strName, const std::string& strParent,
               const std::string& strText, bool bDir) {
    SExpect e;
    e.setParents = {strParent};
    e.setTexts = {strText};
    e.setDirs = {bDir ? 1 : 0};
    e.strOrigin = "w" + std::to_string(op.nWorker) + " #" + std::to_string(op.nSeq);
    if (op.eOutcome == EOutcome::Unknown) e.eExist = SExpect::Either;
    if (op.eOutcome == EOutcome::Refused) {
        e.eExist = SExpect::MustNot;
        e.bRefusedAdd = true;
    }
    model[strName] = std::move(e);
}

// A delete takes everything below the entry with it. Below it for sure is
// what has one possible folder that goes for sure; below it perhaps is what
// has any possible folder that goes.
void ApplyDelete(CModel& model, const std::string& strName, bool bDone) {
    std::set<std::string> setMaybe{strName}, setSure;
    if (bDone) setSure.insert(strName);
    for (bool bGrew = true; bGrew;) {
        bGrew = false;
        for (const auto& [strKey, e] : model) {
            if (!setMaybe.count(strKey) &&
                std::any_of(e.setParents.begin(), e.setParents.end(), [&](auto& p) { return setMaybe.count(p); }))
                bGrew = setMaybe.insert(strKey).second || bGrew;
            if (bDone && !setSure.count(strKey) && e.setParents.size() == 1 && setSure.count(*e.setParents.begin()))
                bGrew = setSure.insert(strKey).second || bGrew;
        }
    }
    for (const auto& strKey : setMaybe) {
        SExpect& e = model[strKey];
        if (e.bRefusedAdd) continue;
        if (setSure.count(strKey)) {
            e.eExist = SExpect::MustNot;
            e.bDeleted = true;
        } else if (e.eExist == SExpect::Must) {
            e.eExist = SExpect::Either;
        }
    }
}

void ApplyOp(CModel& model, const SLogOp& op) {
    const auto& a = op.arrArgs;
    const bool bOk = op.eOutcome == EOutcome::Ok, bUnknown = op.eOutcome == EOutcome::Unknown;
    if (op.strOp == "add" && a.size() >= 4) {
        AddExpect(model, op, a[0], a[1], a[2], a[3] == "1");
    } else if (op.strOp == "imp" && a.size() >= 2) {
        for (const auto& entry : ParseTemplateEntries(a[1]))
            AddExpect(model, op, entry.strName, entry.strParent, "", entry.bDir);
    } else if (op.strOp == "del" && a.size() >= 1 && model.count(a[0])) {
        if (bOk || bUnknown) ApplyDelete(model, a[0], bOk);
    } else if ((op.strOp == "set" || op.strOp == "move") && a.size() >= 2 && model.count(a[0])) {
        SExpect& e = model[a[0]];
        auto& setValues = op.strOp == "set" ? e.setTexts : e.setParents;
        auto& setRefused = op.strOp == "set" ? e.setRefusedTexts : e.setRefusedParents;
        if (bOk) setValues = {a[1]};
        if (bUnknown) setValues.insert(a[1]);
        if (op.eOutcome == EOutcome::Refused) setRefused.insert(a[1]);
    } else if (op.strOp == "conv" && a.size() >= 1 && model.count(a[0])) {
        SExpect& e = model[a[0]];
        if (bOk) e.setDirs = {1};
        if (bUnknown) e.setDirs.insert(1);
    }
}

void CountOps(SFigures& f, const std::vector<SWorkerLog>& arrLogs) {
    for (const auto& log : arrLogs) {
        // worker 0 is the setup: its adds are the shared folders and the first entries
        for (const auto& op : log.nWorker == 0 ? std::vector<SLogOp>() : log.arrOps) {
            for (SOpFigures* p : {&f.all, &f.mapByOp[op.strOp]}) {
                ++p->nOps;
                if (op.eOutcome == EOutcome::Ok) ++p->nOk;
                if (op.eOutcome == EOutcome::Unknown) ++p->nUnknown;
                if (op.eOutcome == EOutcome::Refused) {
                    if (op.strReason == "stale")
                        ++p->nStale;
                    else if (op.strReason == "locked")
                        ++p->nLocked;
                    else
                        ++p->nOther;
                }
                if (op.eOutcome != EOutcome::Unknown && op.nMs > 500) ++p->nWaits;
            }
            f.nLongestMs = std::max(f.nLongestMs, op.nMs);
            if (op.eOutcome == EOutcome::Refused && op.strReason != "stale" && op.strReason != "locked")
                ++f.mapOther[op.strOp + ": " + op.strDetail];
            if (op.bCrash) {
                ++f.nCrashes;
                Example(f, "Absturz: w" + std::to_string(op.nWorker) + " #" + std::to_string(op.nSeq) + " " + op.strOp +
                               " (Signal " + op.strDetail + ")");
            }
        }
        if (log.bKilled) {
            ++f.nKills;
            if (!log.arrOps.empty() && log.arrOps.back().eOutcome == EOutcome::Unknown && !log.arrOps.back().bCrash)
                ++f.nKillsMidOp;
        }
        if (log.nDiedOfSignal) {
            ++f.nCrashes;
            Example(f, "Absturz: w" + std::to_string(log.nWorker) + " starb an Signal " +
                           std::to_string(log.nDiedOfSignal));
        }
        if (log.bHung) {
            ++f.nHangs;
            Example(f, "Haenger: w" + std::to_string(log.nWorker) + " bei " + log.strHang);
        }
    }
}

bool ReadRows(sqlite3* pDb, const CCrypt* pCrypt, std::vector<SRow>& arrRows, SFigures& f) {
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v2(pDb, "SELECT ID, MasterID, PosNr, IsDir, IsAktiv, Name, Text, Link FROM KnowHow;", -1,
                           &pStmt, nullptr) != SQLITE_OK)
        return false;
    auto text = [&](int i) {
        const void* p = sqlite3_column_blob(pStmt, i);
        return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(pStmt, i)))
                 : std::string();
    };
    while (sqlite3_step(pStmt) == SQLITE_ROW) {
        SRow row;
        row.nId = sqlite3_column_int64(pStmt, 0);
        row.nMaster = sqlite3_column_int64(pStmt, 1);
        row.nPos = sqlite3_column_int64(pStmt, 2);
        row.nDir = text(3) == "1" ? 1 : 0;
        row.strAktiv = text(4);
        std::string arrFields[3] = {text(5), text(6), text(7)};
        if (pCrypt) {
            // every stored text of a protected file is under the key, or empty
            for (auto& str : arrFields) {
                if (str.empty()) continue;
                if (pCrypt->DecryptsCleanly(str)) {
                    std::string strPlain = pCrypt->Decrypt(str);
                    if (IsToken(strPlain)) {
                        str = strPlain;
                        continue;
                    }
                }
                row.bMisEncrypted = true;
            }
        }
        row.strName = arrFields[0];
        row.strText = arrFields[1];
        if (row.bMisEncrypted) {
            ++f.nMisEncrypted;
            Example(f,
                    "falsch verschluesselt: Zeile " + std::to_string(row.nId) + " \"" + Printable(row.strName) + "\"");
        }
        arrRows.push_back(std::move(row));
    }
    sqlite3_finalize(pStmt);
    return true;
}

std::string QueryText(sqlite3* pDb, const char* pszSql) {
    sqlite3_stmt* pStmt = nullptr;
    std::string str;
    if (sqlite3_prepare_v2(pDb, pszSql, -1, &pStmt, nullptr) == SQLITE_OK && sqlite3_step(pStmt) == SQLITE_ROW) {
        const void* p = sqlite3_column_blob(pStmt, 0);
        if (p) str.assign(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(pStmt, 0)));
    }
    sqlite3_finalize(pStmt);
    return str;
}

void CheckPositions(SFigures& f, const std::vector<SRow>& arrRows, const std::map<long, const SRow*>& mapById) {
    std::map<long, std::vector<long>> mapPositions;
    for (const auto& row : arrRows)
        if (row.strAktiv == "1") mapPositions[row.nMaster].push_back(row.nPos);
    for (auto& [nMaster, arrPos] : mapPositions) {
        if (nMaster != 0 && !mapById.count(nMaster)) {
            f.nOrphans += static_cast<long>(arrPos.size());
            Example(f, "Waisen: " + std::to_string(arrPos.size()) + " Zeilen mit MasterID " + std::to_string(nMaster));
            continue;
        }
        long n = static_cast<long>(arrPos.size());
        std::set<long> setHeld;
        for (long p : arrPos)
            if (p >= 1 && p <= n) setHeld.insert(p);
        long nBad = n - static_cast<long>(setHeld.size());
        if (nBad == 0) continue;
        f.nBadPositions += nBad;
        ++f.nBadFolders;
        std::sort(arrPos.begin(), arrPos.end());
        std::string str;
        for (size_t i = 0; i < arrPos.size() && i < 16; ++i) str += (i ? "," : "") + std::to_string(arrPos[i]);
        Example(f, "Positionen: Ordner " + std::to_string(nMaster) + ": " + str + (arrPos.size() > 16 ? ",..." : ""));
    }
}

void CheckEntries(SFigures& f, const CModel& model, const std::vector<SRow>& arrRows,
                  const std::map<long, const SRow*>& mapById) {
    // A row that is not under the key shows garbage in the program, so it
    // holds nothing of what was reported done; and once a row written in
    // plain text has been read and written back under the key, its name is
    // a mangled token that may even equal another one.
    std::map<std::string, std::vector<const SRow*>> mapByName;
    for (const auto& row : arrRows)
        if (!row.bMisEncrypted) mapByName[row.strName].push_back(&row);
    for (const auto& [strName, e] : model) {
        auto it = mapByName.find(strName);
        if (it == mapByName.end()) {
            if (e.eExist == SExpect::Must) {
                ++f.nLost;
                Example(f, "verloren: " + strName + " fehlt (" + e.strOrigin + ")");
            }
            continue;
        }
        const auto& arrFound = it->second;
        if (arrFound.size() > 1) {
            f.nDuplicates += static_cast<long>(arrFound.size()) - 1;
            Example(f, "doppelt: " + strName + " " + std::to_string(arrFound.size()) + " mal");
        }
        const SRow& row = *arrFound.front();
        if (e.eExist == SExpect::MustNot) {
            if (e.bDeleted) {
                ++f.nLost;
                Example(f, "verloren: " + strName + " ist trotz Loeschung noch da");
            } else {
                ++f.nPhantom;
                Example(f, "trotz Abweisung gespeichert: " + strName + " (" + e.strOrigin + ")");
            }
            continue;
        }
        // a folder whose row is not under the key is counted there, not
        // once more for everything in it
        auto itParent = mapById.find(row.nMaster);
        if (row.nMaster == 0 || (itParent != mapById.end() && !itParent->second->bMisEncrypted)) {
            std::string strParent = row.nMaster == 0 ? std::string("ROOT") : itParent->second->strName;
            if (!e.setParents.count(strParent)) {
                if (e.setRefusedParents.count(strParent)) {
                    ++f.nPhantom;
                } else {
                    ++f.nWrongFolder;
                    Example(f, "falscher Ordner: " + strName + " in " + Printable(strParent) + ", erwartet " +
                                   *e.setParents.begin());
                }
            }
        }
        if (!e.setTexts.count(row.strText)) {
            if (e.setRefusedTexts.count(row.strText)) {
                ++f.nPhantom;
            } else {
                ++f.nLost;
                Example(f, "verloren: Text von " + strName + " ist \"" + Printable(row.strText) + "\", erwartet \"" +
                               *e.setTexts.rbegin() + "\"");
            }
        }
        if (!e.setDirs.count(row.nDir)) {
            ++f.nLost;
            Example(f, "verloren: Ordner-Kennung von " + strName);
        }
    }
    for (const auto& [strName, arrFound] : mapByName) {
        if (model.count(strName)) continue;
        f.nStrangeRows += static_cast<long>(arrFound.size());
        Example(f, "unbekannte Zeile: " + std::to_string(arrFound.front()->nId) + " \"" + Printable(strName) + "\"");
    }
}
}  // namespace

SFigures CheckRun(const std::string& strDb, const std::string& strLogDir, const std::string& strPassword) {
    SFigures f;
    std::vector<SWorkerLog> arrLogs = ReadAllLogs(strLogDir);
    CountOps(f, arrLogs);
    CModel model;
    for (const auto& log : arrLogs)
        for (const auto& op : log.arrOps) ApplyOp(model, op);

    sqlite3* pDb = nullptr;
    // read-write, so that the journal of a killed writer is rolled back
    if (sqlite3_open_v2(strDb.c_str(), &pDb, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        f.strIntegrity = "Datei nicht lesbar";
        sqlite3_close(pDb);
        return f;
    }
    sqlite3_busy_timeout(pDb, 20000);
    f.strIntegrity = QueryText(pDb, "PRAGMA integrity_check;");
    f.bIntegrityOk = f.strIntegrity == "ok";

    std::string strKey = QueryText(pDb, "SELECT Value FROM Option WHERE Key='DbKey';");
    f.bKeyChanged = strKey != (strPassword.empty() ? std::string() : CDbPasswort::MakeVerifier(strPassword));
    if (f.bKeyChanged) Example(f, "DbKey ist nicht der Pruefwert des Kennworts");

    CCrypt crypt;
    if (!strPassword.empty()) crypt.SetPassword(strPassword);
    std::vector<SRow> arrRows;
    if (!ReadRows(pDb, strPassword.empty() ? nullptr : &crypt, arrRows, f)) {
        f.bIntegrityOk = false;
        f.strIntegrity = "KnowHow nicht lesbar";
    }
    sqlite3_close(pDb);
    f.nRows = static_cast<long>(arrRows.size());

    std::map<long, const SRow*> mapById;
    for (const auto& row : arrRows) mapById[row.nId] = &row;
    CheckPositions(f, arrRows, mapById);
    CheckEntries(f, model, arrRows, mapById);
    return f;
}

void PrintFigures(const SFigures& f) {
    auto line = [](const char* pszLabel, const SOpFigures& o) {
        std::printf(
            "  %-6s %6ld  ok %6ld  veraltet %5ld  gesperrt %5ld  sonstige %5ld  unbekannt %3ld  Wartezeiten %5ld\n",
            pszLabel, o.nOps, o.nOk, o.nStale, o.nLocked, o.nOther, o.nUnknown, o.nWaits);
    };
    std::printf("Operationen: %ld\n", f.all.nOps);
    for (const auto& [strOp, o] : f.mapByOp) line(strOp.c_str(), o);
    std::printf("erfolgreich: %ld\n", f.all.nOk);
    std::printf("abgewiesen veraltet: %ld\n", f.all.nStale);
    std::printf("abgewiesen gesperrt: %ld\n", f.all.nLocked);
    std::printf("abgewiesen sonstige: %ld\n", f.all.nOther);
    std::vector<std::pair<long, std::string>> arrOther;
    for (const auto& [str, n] : f.mapOther) arrOther.emplace_back(n, str);
    std::sort(arrOther.rbegin(), arrOther.rend());
    for (size_t i = 0; i < arrOther.size() && i < 8; ++i)
        std::printf("  %5ld x %s\n", arrOther[i].first, arrOther[i].second.c_str());
    std::printf("Ausgang unbekannt: %ld\n", f.all.nUnknown);
    std::printf("Wartezeiten: %ld (länger als 0,5 s; längste %.1f s)\n", f.all.nWaits, f.nLongestMs / 1000.0);
    std::printf("kill -9: %ld (mitten in einer Operation: %ld)\n", f.nKills, f.nKillsMidOp);
    std::printf("Zeilen in der Datei: %ld\n", f.nRows);
    std::printf("Integrität: %s\n", f.strIntegrity.c_str());
    std::printf("verloren: %ld\n", f.nLost);
    std::printf("falsch eingeordnet: %ld\n", f.Misplaced());
    std::printf("  falscher Ordner: %ld\n", f.nWrongFolder);
    std::printf("  Positionsfehler: %ld (in %ld Ordnern)\n", f.nBadPositions, f.nBadFolders);
    std::printf("  Waisen: %ld\n", f.nOrphans);
    std::printf("falsch verschlüsselt: %ld%s\n", f.nMisEncrypted, f.bKeyChanged ? " (DbKey verändert)" : "");
    std::printf("Abstürze: %ld\n", f.nCrashes);
    std::printf("Hänger: %ld\n", f.nHangs);
    std::printf("doppelt: %ld\n", f.nDuplicates);
    std::printf("trotz Abweisung gespeichert: %ld\n", f.nPhantom);
    std::printf("unbekannte Zeilen: %ld\n", f.nStrangeRows);
    for (const auto& str : f.arrExamples) std::printf("  - %s\n", str.c_str());
}
