// Builds a large, realistic knowledge base for measurements: folders nested
// up to six levels, entries with German texts (umlauts, apostrophes, line
// breaks), written through the program's own saving so that the stored form
// is exactly the program's. The same seed gives the same content, with or
// without a password.
//
// Shape for N rows: N/20 folders (1/50 of them at the top level), the first
// folder (ID 1, "Großer Ordner") with min(1000, N/10) entries with long
// texts, the other entries spread at random over all folders. Texts are 50
// to 4,000 bytes, keywords 5 to 40. The word "Müller" is in about one text
// in twelve, "Möller" in one in twenty-five, "Zwetschgenröster" in about one
// entry in five thousand.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
constexpr int kMaxDepth = 6;
constexpr size_t kBatch = 10000;  // entries per SaveItems call

// splitmix64: the same sequence on every platform and library
class CRandom {
public:
    explicit CRandom(std::uint64_t nSeed) : m_n(nSeed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_n += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // uniform in [nLow, nHigh]
    int Range(int nLow, int nHigh) {
        return nLow + static_cast<int>(Next() % static_cast<std::uint64_t>(nHigh - nLow + 1));
    }
    bool Chance(int nOneIn) { return Next() % static_cast<std::uint64_t>(nOneIn) == 0; }

private:
    std::uint64_t m_n;
};

const std::vector<std::string>& Words() {
    static const std::vector<std::string> arr = [] {
        const char* apsz[] = {"Änderung",
                              "Übersicht",
                              "Öffnung",
                              "Straße",
                              "Größe",
                              "für",
                              "über",
                              "Schlüssel",
                              "Prüfung",
                              "Lösung",
                              "Gebäude",
                              "Maßnahme",
                              "Grüße",
                              "schön",
                              "natürlich",
                              "Bestätigung",
                              "Rückfrage",
                              "Zuständigkeit",
                              "Verfügbarkeit",
                              "Anschlüsse",
                              "Bürokratie",
                              "Kündigung",
                              "Gewährleistung",
                              "geht's",
                              "gibt's",
                              "O'Neil",
                              "D'Angelo",
                              "wie's",
                              "Server",
                              "Datenbank",
                              "Kunde",
                              "Auftrag",
                              "Rechnung",
                              "Projekt",
                              "Termin",
                              "Angebot",
                              "Lieferung",
                              "Vertrag",
                              "Drucker",
                              "Netzwerk",
                              "Passwort",
                              "Benutzer",
                              "Konto",
                              "Freigabe",
                              "Sicherung",
                              "Wartung",
                              "Störung",
                              "Anleitung",
                              "Handbuch",
                              "Version",
                              "Abteilung",
                              "Besprechung",
                              "Protokoll",
                              "Einstellung",
                              "Fehler",
                              "Meldung",
                              "und",
                              "oder",
                              "der",
                              "die",
                              "das",
                              "ein",
                              "eine",
                              "mit",
                              "von",
                              "zu",
                              "im",
                              "auf",
                              "bei",
                              "nach",
                              "wird",
                              "ist",
                              "sind",
                              "nicht",
                              "auch",
                              "noch",
                              "schon",
                              "dann",
                              "wenn",
                              "damit",
                              "weil",
                              "bitte",
                              "immer",
                              "heute",
                              "morgen",
                              "Woche",
                              "Monat",
                              "Jahr",
                              "Mitarbeiter",
                              "Lager",
                              "Bestellung",
                              "Artikel",
                              "Preis",
                              "Kosten",
                              "Budget",
                              "Zeitplan",
                              "Ablauf",
                              "Vorgang",
                              "Hinweis",
                              "Beispiel",
                              "Tabelle",
                              "Export",
                              "Import",
                              "Verzeichnis",
                              "Laufwerk",
                              "Telefon",
                              "Adresse",
                              "Postfach",
                              "E-Mail",
                              "Anhang",
                              "Ordner",
                              "Zugang",
                              "Schnittstelle",
                              "Zertifikat",
                              "Lizenz",
                              "Backup",
                              "Kalender",
                              "Raum",
                              "Schulung",
                              "Qualität",
                              "Prozess",
                              "Prüfbericht",
                              "Kennzahl",
                              "Übergabe",
                              "Ausfall",
                              "Rückruf",
                              "Aufgabe"};
        std::vector<std::string> a;
        for (const char* psz : apsz) a.push_back(Ansi(psz));
        return a;
    }();
    return arr;
}

const std::string& Word(CRandom& rnd) {
    const auto& arr = Words();
    return arr[rnd.Next() % arr.size()];
}

std::string MakeText(CRandom& rnd, int nLength) {
    static const std::string strCommon = Ansi("Müller"), strOther = Ansi("Möller"), strRare = Ansi("Zwetschgenröster");
    std::string str;
    str.reserve(nLength + 40);
    // the marked words go somewhere into the text, not only at its start
    std::string strMarked;
    if (rnd.Chance(12)) strMarked += "Herr " + strCommon + " ";
    if (rnd.Chance(25)) strMarked += "Frau " + strOther + " ";
    if (rnd.Chance(5000)) strMarked += strRare + " ";
    int nAt = strMarked.empty() ? nLength : rnd.Range(0, nLength - 1);
    int nOnLine = 0;
    while (static_cast<int>(str.size()) < nLength) {
        if (static_cast<int>(str.size()) >= nAt) {
            str += strMarked;
            nAt = nLength;
        }
        str += Word(rnd);
        if (++nOnLine >= 8 && rnd.Chance(4)) {
            str += rnd.Chance(3) ? ".\r\n" : "\r\n";
            nOnLine = 0;
        } else {
            str += rnd.Chance(12) ? ", " : " ";
        }
    }
    str.resize(nLength);
    // no trailing half line break
    if (!str.empty() && str.back() == '\r') str.back() = '.';
    return str;
}

std::string MakeKeyword(CRandom& rnd) {
    static const std::string strRare = Ansi("Zwetschgenröster");
    std::string str = rnd.Chance(5000) ? strRare : Word(rnd);
    int nWords = rnd.Range(0, 3);
    for (int i = 0; i < nWords; ++i) str += " " + Word(rnd);
    if (str.size() > 40) str.resize(40);
    while (str.size() < 5) {
        str += ' ';
        str += std::to_string(rnd.Range(1, 99));
    }
    while (!str.empty() && str.back() == ' ') str.pop_back();
    return str;
}

// The tree's shape, drawn before anything is written: the parent and depth
// of each folder (folder 0 is the big one), the folder of each entry and
// every row's position (folders first, then the entries).
struct SShape {
    int nFolders = 0;
    int nEntries = 0;
    int nBig = 0;
    std::vector<int> arrParent;
    std::vector<int> arrDepth;
    std::vector<int> arrEntryFolder;
    std::vector<std::int32_t> arrPos;
};

SShape PlanShape(CRandom& rnd, long nRows) {
    SShape shape;
    const int nFolders = shape.nFolders = static_cast<int>(nRows / 20);
    // the big folder takes no sub-folders, so at least one other starts at the top
    const int nTop = std::min(nFolders, std::max(2, nFolders / 50));
    shape.nBig = static_cast<int>(std::min<long>(1000, nRows / 10));
    const int nEntries = shape.nEntries = static_cast<int>(nRows) - nFolders;

    // the folder tree: parent index and depth
    auto& arrParent = shape.arrParent;
    auto& arrDepth = shape.arrDepth;
    arrParent.assign(nFolders, -1);
    arrDepth.assign(nFolders, 1);
    std::vector<int> arrCanHold;  // folders that may take sub-folders
    for (int f = 0; f < nFolders; ++f) {
        if (f >= nTop) {
            arrParent[f] = arrCanHold[rnd.Next() % arrCanHold.size()];
            arrDepth[f] = arrDepth[arrParent[f]] + 1;
        }
        if (f != 0 && arrDepth[f] < kMaxDepth) arrCanHold.push_back(f);
    }
    // entries: the big folder's, then the rest at random, in a shuffled
    // creation order so that a folder's rows lie scattered in the file
    auto& arrEntryFolder = shape.arrEntryFolder;
    arrEntryFolder.resize(nEntries);
    for (int e = 0; e < nEntries; ++e)
        arrEntryFolder[e] = e < shape.nBig || nFolders == 1 ? 0 : 1 + static_cast<int>(rnd.Next() % (nFolders - 1));
    for (int e = nEntries - 1; e > 0; --e) std::swap(arrEntryFolder[e], arrEntryFolder[rnd.Next() % (e + 1)]);

    // positions: folders and entries mixed within each parent
    std::vector<std::vector<int>> arrSlots(nFolders + 1);  // per parent (index + 1): row numbers
    for (int f = 0; f < nFolders; ++f) arrSlots[arrParent[f] + 1].push_back(f);
    for (int e = 0; e < nEntries; ++e) arrSlots[arrEntryFolder[e] + 1].push_back(nFolders + e);
    shape.arrPos.resize(nRows);
    for (auto& arr : arrSlots) {
        for (size_t k = arr.size(); k > 1; --k) std::swap(arr[k - 1], arr[rnd.Next() % k]);
        for (size_t k = 0; k < arr.size(); ++k) shape.arrPos[arr[k]] = static_cast<std::int32_t>(k + 1);
    }
    return shape;
}

// Writes the folders, parents before their sub-folders; the IDs they got
// in arrFolderId. False with the message printed.
bool WriteFolders(CKnowHow& service, CRandom& rnd, const SShape& shape, std::vector<TRowId>& arrFolderId) {
    const int nFolders = shape.nFolders;
    arrFolderId.assign(nFolders, 0);
    CKnowHowArray arr;
    arr.reserve(kBatch);
    for (int f = 0; f < nFolders; ++f) {
        CKnowHowItem item;
        item.MasterID = 0;  // set below
        item.SetIsDir(1);
        item.SetPosNr(shape.arrPos[f]);
        item.SetName(f == 0 ? Ansi("Großer Ordner") : MakeKeyword(rnd));
        item.SetText(rnd.Chance(3) ? MakeText(rnd, rnd.Range(50, 400)) : std::string());
        arr.push_back(std::move(item));
    }
    for (int nDepth = 1; nDepth <= kMaxDepth; ++nDepth) {
        CKnowHowArray arrLevel;
        std::vector<int> arrIndex;
        for (int f = 0; f < nFolders; ++f) {
            if (shape.arrDepth[f] != nDepth) continue;
            arr[f].MasterID = shape.arrParent[f] < 0 ? 0 : arrFolderId[shape.arrParent[f]];
            arrLevel.push_back(arr[f]);
            arrIndex.push_back(f);
        }
        if (arrLevel.empty()) continue;
        if (service.SaveItems(arrLevel) != EWriteResult::Saved) {
            CliFail("Die Ordner konnten nicht gespeichert werden.");
            return false;
        }
        for (size_t k = 0; k < arrIndex.size(); ++k) arrFolderId[arrIndex[k]] = arrLevel[k].ID;
    }
    return true;
}

// Writes the entries in batches of kBatch. False with the message printed.
bool WriteEntries(CKnowHow& service, CRandom& rnd, const SShape& shape, const std::vector<TRowId>& arrFolderId) {
    CKnowHowArray arr;
    arr.reserve(kBatch);
    for (int e = 0; e < shape.nEntries; ++e) {
        CKnowHowItem item;
        int f = shape.arrEntryFolder[e];
        item.MasterID = arrFolderId[f];
        item.SetPosNr(shape.arrPos[shape.nFolders + e]);
        item.SetName(MakeKeyword(rnd));
        item.SetText(MakeText(rnd, f == 0 ? rnd.Range(2000, 4000) : rnd.Range(50, 4000)));
        if (rnd.Chance(40)) {
            item.SetLink("/home/daten/" + Word(rnd) + "/" + Word(rnd) + ".pdf");
            item.SetTyp(1);
        }
        arr.push_back(std::move(item));
        if (arr.size() == kBatch || e + 1 == shape.nEntries) {
            if (service.SaveItems(arr) != EWriteResult::Saved) {
                CliFail("Die Einträge konnten nicht gespeichert werden.");
                return false;
            }
            arr.clear();
        }
    }
    return true;
}

int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    long long nRows = 100000;
    if (args.Has("--entries") && !CliParseNumber("--entries", args.Value("--entries"), 20, 10000000, nRows))
        return CLI_USAGE;
    unsigned long long nSeed = 1;
    if (args.Has("--seed") && !CliParseNumber("--seed", args.Value("--seed"), nSeed)) return CLI_USAGE;
    std::string strPassword;
    if (!CliSecretToAnsi(args.Value("--password"), strPassword)) return CLI_USAGE;
    std::error_code ec;
    // never over a real knowledge base
    if (std::filesystem::exists(std::filesystem::path(strPath), ec))
        return CliFail("Die Datei existiert bereits: " + Utf8ToCp1252(strPath));

    CRandom rnd(nSeed);
    const SShape shape = PlanShape(rnd, static_cast<long>(nRows));

    auto pService = CreateKnowledgeBase(strPath);
    if (!pService) return CliFail(CLI_NOT_CREATED + Utf8ToCp1252(strPath));
    if (!strPassword.empty()) {
        CDbPasswort& passwort = GetDbPasswort();
        if (!passwort.CheckNewPassword(strPassword)) return CLI_FAILED;
        if (!GetDatabase().SetOption("DbKey", CDbPasswort::MakeVerifier(strPassword)) ||
            !passwort.CheckPassword(strPassword))
            return CliFail("Das Kennwort konnte nicht gesetzt werden.");
    }

    std::vector<TRowId> arrFolderId;
    if (!WriteFolders(*pService, rnd, shape, arrFolderId) || !WriteEntries(*pService, rnd, shape, arrFolderId))
        return CLI_FAILED;
    CliPrintLine("Ordner: " + std::to_string(shape.nFolders) + ", Einträge: " + std::to_string(shape.nEntries) +
                 ", großer Ordner: ID " + std::to_string(arrFolderId[0]) + " mit " + std::to_string(shape.nBig) +
                 " Einträgen");
    return CLI_OK;
}

CCliRegistrar reg({"generate", "DATEI [--entries N] [--password P] [--seed S]", 1, {"--entries", "--seed"}, {}, Run});
}  // namespace
