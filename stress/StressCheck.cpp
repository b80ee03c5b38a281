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
    std::set<std::string> setParents, setRefusedParents;
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

void AddExpect(CModel& model, const SLogOp& op, const std::string& strName, const std::string& strParent, bool bDir) {
    SExpect e;
    e.setParents = {strParent};
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

// What the logs say of one text (every text is a token of its own).
struct SText {
    std::string strName;  // the entry it was typed or written for
    std::string strBase;  // an edit's: the text it replaces
    bool bBase = false;
    bool bNewRow = false;  // typed into a new row
    std::string strParent;
    bool bDir = false;
    enum EState { Typed, Saved, Maybe, Refused, Discarded, Gone } eState = Typed;
    bool bCopy = false;  // saved as a new entry next to the one it was typed for
    std::string strCopyParent;
    std::string strOrigin;
};

// A write that replaced strBase with strText; bSure when it was reported done.
struct SReplace {
    std::string strText;
    bool bSure = false;
};

struct SCopy {
    std::string strParent;
    bool bSure = false;
};

struct SLedger {
    CModel model;
    std::map<std::string, SText> mapTexts;
    std::multimap<std::string, SReplace> mapReplaced;     // by the text replaced
    std::map<std::string, std::vector<SCopy>> mapCopies;  // by entry
    // Deletes and restores of each entry in the order its maker made them
    // (only the maker deletes or restores an entry).
    struct SEvent {
        bool bRestore = false;
        bool bDone = false;  // reported done, else the outcome is unknown
    };
    std::map<std::string, std::vector<SEvent>> mapEvents;
};

std::string Origin(const SLogOp& op) {
    return "w" + std::to_string(op.nWorker) + " #" + std::to_string(op.nSeq);
}

SText::EState StateOf(EOutcome e) {
    return e == EOutcome::Ok ? SText::Saved : e == EOutcome::Unknown ? SText::Maybe : SText::Refused;
}

std::vector<std::string> SplitList(const std::string& str) {
    std::vector<std::string> arr;
    size_t nStart = 0;
    while (nStart < str.size()) {
        size_t n = str.find(';', nStart);
        if (n == std::string::npos) n = str.size();
        if (n > nStart) arr.push_back(str.substr(nStart, n - nStart));
        nStart = n + 1;
    }
    return arr;
}

// A text reported written, or perhaps written.
void Written(SLedger& l, const SLogOp& op, SText& t, const std::string& strText) {
    t.eState = StateOf(op.eOutcome);
    if (op.eOutcome != EOutcome::Refused && t.bBase)
        l.mapReplaced.emplace(t.strBase, SReplace{strText, op.eOutcome == EOutcome::Ok});
}

void ApplyOp(SLedger& l, const SLogOp& op) {
    CModel& model = l.model;
    const auto& a = op.arrArgs;
    const bool bOk = op.eOutcome == EOutcome::Ok, bUnknown = op.eOutcome == EOutcome::Unknown;
    if (op.strOp == "add" && a.size() >= 4) {
        AddExpect(model, op, a[0], a[1], a[3] == "1");
        if (!a[2].empty()) {
            SText& t = l.mapTexts[a[2]];
            t.strName = a[0];
            t.strOrigin = Origin(op);
            t.eState = StateOf(op.eOutcome);
        }
    } else if (op.strOp == "imp" && a.size() >= 2) {
        for (const auto& entry : ParseTemplateEntries(a[1]))
            AddExpect(model, op, entry.strName, entry.strParent, entry.bDir);
    } else if (op.strOp == "del" && a.size() >= 1) {
        // applied after everything else: another worker may have put an
        // entry into a folder that goes, and its log is read later
        if (bOk || bUnknown) l.mapEvents[a[0]].push_back({false, bOk});
    } else if (op.strOp == "restore" && a.size() >= 1) {
        // a restore that was refused changed nothing
        if (bOk || bUnknown) l.mapEvents[a[0]].push_back({true, bOk});
        // the folder it went to, in order with its moves; one whose outcome
        // is unknown went back to its folder, to the top level, or nowhere
        if (model.count(a[0])) {
            if (bOk) model[a[0]].setParents = {op.strDetail};
            if (bUnknown) model[a[0]].setParents.insert("ROOT");
        }
    } else if (op.strOp == "move" && a.size() >= 2 && model.count(a[0])) {
        SExpect& e = model[a[0]];
        if (bOk) e.setParents = {a[1]};
        if (bUnknown) e.setParents.insert(a[1]);
        if (op.eOutcome == EOutcome::Refused) e.setRefusedParents.insert(a[1]);
    } else if (op.strOp == "set" && a.size() >= 2) {
        // the command-line program: the text it replaces is its own last one
        SText& t = l.mapTexts[a[1]];
        t.strName = a[0];
        t.strOrigin = Origin(op);
        t.bBase = a.size() >= 3;
        if (t.bBase) t.strBase = a[2];
        Written(l, op, t, a[1]);
    } else if (op.strOp == "type" && a.size() >= 4) {
        SText& t = l.mapTexts[a[1]];
        t.strName = a[0];
        t.strOrigin = Origin(op);
        t.eState = SText::Typed;
        t.bNewRow = a[2] == "new";
        if (t.bNewRow) {
            t.strParent = a[3];
            t.bDir = a.size() >= 5 && a[4] == "1";
        } else {
            t.strBase = a[3];
            t.bBase = true;
        }
    } else if (op.strOp == "save" && a.size() >= 1) {
        for (const auto& strText : SplitList(a[0])) {
            auto it = l.mapTexts.find(strText);
            if (it == l.mapTexts.end()) continue;
            SText& t = it->second;
            if (t.bNewRow) AddExpect(model, op, t.strName, t.strParent, t.bDir);
            Written(l, op, t, strText);
            // a refused write leaves the typing where it was
            if (op.eOutcome == EOutcome::Refused) t.eState = SText::Typed;
        }
    } else if (op.strOp == "choice" && a.size() >= 5) {
        auto it = l.mapTexts.find(a[2]);
        if (it == l.mapTexts.end()) return;
        SText& t = it->second;
        const std::string& strKind = a[0];
        if (strKind == "keep") {
            // written next against the version the user was shown
            t.strBase = a[3];
            t.bBase = true;
        } else if (strKind == "stored" || strKind == "discard" || strKind == "close") {
            t.eState = SText::Discarded;
        } else if (strKind == "new" && op.eOutcome != EOutcome::Refused) {
            if (t.bNewRow) {
                // the new row goes into the folder offered instead
                AddExpect(model, op, t.strName, a[4], t.bDir || a[4] == "ROOT");
            } else {
                t.bCopy = true;
                t.strCopyParent = a[4];
                l.mapCopies[t.strName].push_back({a[4], bOk});
            }
            t.eState = StateOf(op.eOutcome);
            t.bBase = false;  // it replaces nothing
        }
    } else if (op.strOp == "gone" && a.size() >= 2) {
        auto it = l.mapTexts.find(a[1]);
        if (it != l.mapTexts.end()) it->second.eState = SText::Gone;
    }
}

// Typing still open when a worker's log ends was lost with the worker when
// it was killed; otherwise it went without a choice.
void CloseTyping(SFigures& f, SLedger& l, const SWorkerLog& log) {
    const bool bCutShort = log.bKilled || log.nDiedOfSignal || log.bHung ||
                           (!log.arrOps.empty() && log.arrOps.back().eOutcome == EOutcome::Unknown);
    const std::string strPrefix = "w" + std::to_string(log.nWorker) + " ";
    for (auto& [strText, t] : l.mapTexts) {
        if (t.strOrigin.compare(0, strPrefix.size(), strPrefix) != 0) continue;
        if (t.eState == SText::Gone || (t.eState == SText::Typed && !bCutShort)) {
            ++f.nDiscarded;
            Example(f, "ohne Wahl verworfen: " + strText + " in " + t.strName + " (" + t.strOrigin + ")");
            t.eState = SText::Discarded;
        } else if (t.eState == SText::Typed) {
            ++f.nUnsavedAtKill;
        }
    }
}

void CountOps(SFigures& f, const std::vector<SWorkerLog>& arrLogs) {
    for (const auto& log : arrLogs) {
        // worker 0 is the setup: its adds are the shared folders and the first entries
        for (const auto& op : log.nWorker == 0 ? std::vector<SLogOp>() : log.arrOps) {
            // typing is no operation on the file
            if (op.strOp == "type" || op.strOp == "gone") continue;
            if (op.strOp == "choice" && !op.arrArgs.empty() && op.eOutcome != EOutcome::Refused)
                ++f.mapChoices[op.arrArgs[0]];
            for (SOpFigures* p : {&f.all, &f.mapByOp[op.strOp]}) {
                ++p->nOps;
                if (op.eOutcome == EOutcome::Ok) ++p->nOk;
                if (op.eOutcome == EOutcome::Unknown) ++p->nUnknown;
                if (op.eOutcome == EOutcome::Refused) ++p->mapRefused[op.strReason.empty() ? "other" : op.strReason];
                if (op.eOutcome != EOutcome::Unknown && op.nMs > 500) ++p->nWaits;
            }
            f.nLongestMs = std::max(f.nLongestMs, op.nMs);
            if (op.eOutcome == EOutcome::Refused && (op.strReason == "other" || op.strReason.empty()))
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

// Live: an active folder whose parents lead up to the top level.
std::set<long> LiveFolders(const std::vector<SRow>& arrRows, const std::map<long, const SRow*>& mapById) {
    std::set<long> setLive{0}, setDead;
    for (const auto& row : arrRows) {
        std::vector<long> arrPath;
        long nAt = row.nId;
        bool bLive = false;
        for (;;) {
            if (setLive.count(nAt)) {
                bLive = true;
                break;
            }
            auto it = mapById.find(nAt);
            if (setDead.count(nAt) || it == mapById.end() || it->second->strAktiv != "1" || it->second->nDir != 1 ||
                std::find(arrPath.begin(), arrPath.end(), nAt) != arrPath.end())
                break;
            arrPath.push_back(nAt);
            nAt = it->second->nMaster;
        }
        for (long n : arrPath) (bLive ? setLive : setDead).insert(n);
    }
    return setLive;
}

void CheckPositions(SFigures& f, const std::vector<SRow>& arrRows, const std::map<long, const SRow*>& mapById) {
    const std::set<long> setLive = LiveFolders(arrRows, mapById);
    std::map<long, std::vector<long>> mapPositions;
    for (const auto& row : arrRows)
        if (row.strAktiv == "1") mapPositions[row.nMaster].push_back(row.nPos);
    for (auto& [nMaster, arrPos] : mapPositions) {
        if (!setLive.count(nMaster)) {
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

// Whether the entry (or the folder of a copy) may be gone by a delete.
bool MayBeGone(const CModel& model, const std::string& strName) {
    auto it = model.find(strName);
    return it != model.end() && it->second.eExist != SExpect::Must;
}

void CheckEntries(SFigures& f, const SLedger& l, const std::vector<SRow>& arrRows,
                  const std::map<long, const SRow*>& mapById) {
    const CModel& model = l.model;
    // A row that is not under the key shows garbage in the program, so it
    // holds nothing of what was reported done; and once a row written in
    // plain text has been read and written back under the key, its name is
    // a mangled token that may even equal another one.
    std::map<std::string, std::vector<const SRow*>> mapByName;
    for (const auto& row : arrRows)
        if (!row.bMisEncrypted) mapByName[row.strName].push_back(&row);
    static const std::vector<SCopy> kNoCopies;
    for (const auto& [strName, e] : model) {
        auto itCopies = l.mapCopies.find(strName);
        const std::vector<SCopy>& arrCopies = itCopies == l.mapCopies.end() ? kNoCopies : itCopies->second;
        // the entry itself and the copies of it saved as new entries
        long nMin = e.eExist == SExpect::Must ? 1 : 0, nMax = e.eExist == SExpect::MustNot ? 0 : 1;
        std::set<std::string> setParents = e.setParents;
        for (const auto& c : arrCopies) {
            ++nMax;
            if (c.bSure && c.strParent != "" && !MayBeGone(model, c.strParent)) ++nMin;
            setParents.insert(c.strParent);
        }
        auto it = mapByName.find(strName);
        const long nFound = it == mapByName.end() ? 0 : static_cast<long>(it->second.size());
        if (nFound < nMin) {
            f.nLost += nMin - nFound;
            Example(f, "verloren: " + strName + " fehlt (" + e.strOrigin + ")");
        }
        if (nFound > nMax) {
            if (e.eExist == SExpect::MustNot && e.bDeleted) {
                f.nLost += nFound - nMax;
                Example(f, "verloren: " + strName + " ist trotz Loeschung noch da");
            } else if (e.eExist == SExpect::MustNot) {
                f.nPhantom += nFound - nMax;
                Example(f, "trotz Abweisung gespeichert: " + strName + " (" + e.strOrigin + ")");
            } else {
                f.nDuplicates += nFound - nMax;
                Example(f, "doppelt: " + strName + " " + std::to_string(nFound) + " mal");
            }
        }
        if (nFound == 0) continue;
        for (const SRow* pRow : it->second) {
            const SRow& row = *pRow;
            // a folder whose row is not under the key is counted there, not
            // once more for everything in it
            auto itParent = mapById.find(row.nMaster);
            if (row.nMaster == 0 || (itParent != mapById.end() && !itParent->second->bMisEncrypted)) {
                std::string strParent = row.nMaster == 0 ? std::string("ROOT") : itParent->second->strName;
                if (!setParents.count(strParent)) {
                    if (e.setRefusedParents.count(strParent)) {
                        ++f.nPhantom;
                    } else {
                        ++f.nWrongFolder;
                        Example(f, "falscher Ordner: " + strName + " in " + Printable(strParent) + ", erwartet " +
                                       *setParents.begin());
                    }
                }
            }
            if (!e.setDirs.count(row.nDir)) {
                ++f.nLost;
                Example(f, "verloren: Ordner-Kennung von " + strName);
            }
        }
    }
    for (const auto& [strName, arrFound] : mapByName) {
        if (model.count(strName)) continue;
        f.nStrangeRows += static_cast<long>(arrFound.size());
        Example(f, "unbekannte Zeile: " + std::to_string(arrFound.front()->nId) + " \"" + Printable(strName) + "\"");
    }
}

// A text reported written is in the file in a row of its entry, or a later
// write replaced it knowingly (one typed over it, or kept over it in a
// conflict), or its entry went with a delete.
class CTextCheck {
public:
    CTextCheck(const SLedger& l, const std::vector<SRow>& arrRows) : m_l(l) {
        for (const auto& row : arrRows)
            if (!row.bMisEncrypted) {
                m_setHeld.insert({row.strName, row.strText});
                m_setNames.insert(row.strName);
            }
    }
    bool IsAccounted(const std::string& strText) {
        m_setVisiting.clear();
        return Accounted(strText);
    }

private:
    bool Accounted(const std::string& strText) {
        if (!m_setVisiting.insert(strText).second) return false;
        auto itText = m_l.mapTexts.find(strText);
        if (itText == m_l.mapTexts.end()) return true;
        const SText& t = itText->second;
        // an entry missing altogether is counted as that, not once more for its text
        if (m_setHeld.count({t.strName, strText}) || !m_setNames.count(t.strName)) return true;
        auto range = m_l.mapReplaced.equal_range(strText);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second.bSure || Accounted(it->second.strText)) return true;
        return t.bCopy ? MayBeGone(m_l.model, t.strCopyParent) : MayBeGone(m_l.model, t.strName);
    }

    const SLedger& m_l;
    std::set<std::pair<std::string, std::string>> m_setHeld;
    std::set<std::string> m_setNames;
    std::set<std::string> m_setVisiting;
};

void CheckTexts(SFigures& f, const SLedger& l, const std::vector<SRow>& arrRows) {
    for (const auto& row : arrRows) {
        if (row.bMisEncrypted || row.strText.empty()) continue;
        auto it = l.mapTexts.find(row.strText);
        if (it == l.mapTexts.end()) continue;
        const SText& t = it->second;
        if (t.strName != row.strName) {
            ++f.nWrongRow;
            Example(f, "falsche Zeile: " + std::to_string(row.nId) + " \"" + Printable(row.strName) + "\" hat " +
                           row.strText + ", getippt fuer " + t.strName + " (" + t.strOrigin + ")");
        } else if (t.eState != SText::Saved && t.eState != SText::Maybe && t.bBase) {
            // (a refused add that is there anyway is counted by its entry)
            ++f.nPhantom;
            Example(
                f, "trotz Abweisung gespeichert: Text " + row.strText + " von " + t.strName + " (" + t.strOrigin + ")");
        }
    }
    CTextCheck check(l, arrRows);
    for (const auto& [strText, t] : l.mapTexts) {
        if (t.eState != SText::Saved || strText.empty()) continue;
        if (check.IsAccounted(strText)) continue;
        ++f.nLost;
        Example(f, "verloren: Text " + strText + " von " + t.strName + " (" + t.strOrigin + ")");
    }
}
}  // namespace

SFigures CheckRun(const std::string& strDb, const std::string& strLogDir, const std::string& strPassword) {
    SFigures f;
    std::vector<SWorkerLog> arrLogs = ReadAllLogs(strLogDir);
    CountOps(f, arrLogs);
    SLedger ledger;
    for (const auto& log : arrLogs) {
        for (const auto& op : log.arrOps) ApplyOp(ledger, op);
        CloseTyping(f, ledger, log);
    }
    // What counts is each entry's last delete or restore: a restore brings
    // it back with everything it took along, one whose outcome is unknown
    // perhaps. Its folders were followed in order above.
    std::vector<std::pair<std::string, bool>> arrDeletes;
    for (const auto& [strName, arrEvents] : ledger.mapEvents) {
        if (!ledger.model.count(strName) || arrEvents.empty()) continue;
        const SLedger::SEvent& last = arrEvents.back();
        if (!last.bRestore || !last.bDone) arrDeletes.emplace_back(strName, !last.bRestore && last.bDone);
    }
    for (const auto& [strName, bDone] : arrDeletes)
        if (ledger.model.count(strName)) ApplyDelete(ledger.model, strName, bDone);

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
    CheckEntries(f, ledger, arrRows, mapById);
    CheckTexts(f, ledger, arrRows);
    return f;
}

namespace {
// The refusals' outcomes as the figures name them.
const std::pair<const char*, const char*> kReasons[] = {
    {"conflict", "Konflikt"},     {"deleted", "gelöscht"},   {"parentgone", "Ordner weg"}, {"locked", "gesperrt"},
    {"failed", "fehlgeschlagen"}, {"declined", "abgelehnt"}, {"other", "sonstige"}};
const std::pair<const char*, const char*> kChoices[] = {
    {"keep", "meine behalten"},     {"stored", "gespeicherte übernommen"},
    {"new", "als neu gespeichert"}, {"later", "später"},
    {"discard", "verworfen"},       {"close", "beim Schließen verworfen"}};
}  // namespace

void PrintFigures(const SFigures& f) {
    auto line = [](const char* pszLabel, const SOpFigures& o) {
        std::printf("  %-6s %6ld  ok %6ld", pszLabel, o.nOps, o.nOk);
        for (const auto& [pszKey, pszName] : kReasons) std::printf("  %s %ld", pszName, o.Refused(pszKey));
        std::printf("  unbekannt %ld  Wartezeiten %ld\n", o.nUnknown, o.nWaits);
    };
    std::printf("Operationen: %ld\n", f.all.nOps);
    for (const auto& [strOp, o] : f.mapByOp) line(strOp.c_str(), o);
    std::printf("erfolgreich: %ld\n", f.all.nOk);
    for (const auto& [pszKey, pszName] : kReasons) std::printf("abgewiesen %s: %ld\n", pszName, f.all.Refused(pszKey));
    std::vector<std::pair<long, std::string>> arrOther;
    for (const auto& [str, n] : f.mapOther) arrOther.emplace_back(n, str);
    std::sort(arrOther.rbegin(), arrOther.rend());
    for (size_t i = 0; i < arrOther.size() && i < 8; ++i)
        std::printf("  %5ld x %s\n", arrOther[i].first, arrOther[i].second.c_str());
    for (const auto& [pszKey, pszName] : kChoices) {
        auto it = f.mapChoices.find(pszKey);
        std::printf("Wahl %s: %ld\n", pszName, it == f.mapChoices.end() ? 0 : it->second);
    }
    std::printf("Ausgang unbekannt: %ld\n", f.all.nUnknown);
    std::printf("Wartezeiten: %ld (länger als 0,5 s; längste %.1f s)\n", f.all.nWaits, f.nLongestMs / 1000.0);
    std::printf("kill -9: %ld (mitten in einer Operation: %ld)\n", f.nKills, f.nKillsMidOp);
    std::printf("Zeilen in der Datei: %ld\n", f.nRows);
    std::printf("Integrität: %s\n", f.strIntegrity.c_str());
    std::printf("verloren: %ld\n", f.nLost);
    std::printf("falsche Zeile: %ld\n", f.nWrongRow);
    std::printf("ohne Wahl verworfen: %ld\n", f.nDiscarded);
    std::printf("ungespeichert beim kill -9: %ld\n", f.nUnsavedAtKill);
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
