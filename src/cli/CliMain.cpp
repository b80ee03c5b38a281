// orvantis-cli: a thin command-line front end over the core, for scripting
// and administration.
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "cli/CliCommand.h"
#include "cli/ConsolePlatform.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"

namespace {
const std::vector<std::string> kGlobalValueOptions = {"--password", "--admin"};
const std::vector<std::string> kGlobalFlagOptions = {"--yes"};

// What each command does, for "help BEFEHL" and "BEFEHL --help"; the list
// of commands in "--help" follows this order. The arguments come from the
// command's own row, so they cannot drift from what the parser accepts.
struct SCliHelp {
    const char* pszName;
    const char* pszSummary;  // one line
    const char* pszDetails;  // more lines, or empty
};
const SCliHelp kHelp[] = {
    {"create", "Legt eine neue, leere Wissensdatenbank an", ""},
    {"info", "Zeigt Datei, Verzeichnis und die Stempel der Datenbank",
     "  --json         eine Zeile JSON mit den Schlüsseln File, Folder, CreateTime,\n"
     "                 CreateUser, LastEditTime, LastEditUser, LastBackup, LastReorg\n"},
    {"tree", "Listet einen Ordner in Lesereihenfolge: ID, Einrückung, + Ordner / - Eintrag",
     "  --folder ID    nur den Inhalt dieses Ordners (Vorgabe 0: Hauptordner)\n"
     "  --json         je Eintrag eine Zeile JSON mit ID, MasterID, PosNr, IsDir,\n"
     "                 Level, Name\n"},
    {"search", "Sucht TEXT in Stichwörtern und Texten und listet die Treffer mit Pfad",
     "  --keywords     nur in Stichwörtern suchen\n"
     "  --texts        nur in Texten suchen\n"
     "  --json         je Treffer eine Zeile JSON mit ID, IsDir, Name, Path\n"},
    {"dump", "Gibt jede Zeile der Tabelle KnowHow als eine Zeile JSON aus", ""},
    {"add", "Hängt einen Eintrag oder Ordner an einen Ordner an und gibt seine ID aus",
     "  --parent ID    der Ordner (0: Hauptordner)\n"
     "  --name TEXT    das Stichwort\n"
     "  --text TEXT    der Text\n"
     "  --folder       einen Ordner anlegen statt eines Eintrags\n"},
    {"set", "Ändert Stichwort, Text oder Verknüpfung eines Eintrags",
     "  --name TEXT    neues Stichwort\n"
     "  --text TEXT    neuer Text\n"
     "  --link TEXT    neue Verknüpfung (leer: keine)\n"},
    {"move", "Verschiebt einen Eintrag (einen Ordner mit Inhalt) ans Ende eines Ordners", ""},
    {"delete", "Löscht einen Eintrag, einen Ordner mit allem, was er enthält (fragt vorher)", ""},
    {"trash", "Zeigt den Papierkorb, stellt Gelöschtes wieder her oder löscht es endgültig",
     "  list           je Löschung eine Zeile: NR, + Ordner / - Eintrag, Stichwort,\n"
     "                 Ordner, gelöscht am, von, Zahl der Einträge\n"
     "  --json         bei list je Löschung eine Zeile JSON mit Nr, ID, IsDir, Name,\n"
     "                 Path, FromFolder, DeletedAt, DeletedBy, Entries, Readable\n"
     "  restore NR     stellt die Löschung NR wieder her (in ihren alten Ordner, gibt\n"
     "                 es ihn nicht mehr: in den Hauptordner) und gibt die ID aus\n"
     "  --to ORDNER    bei restore: ans Ende dieses Ordners (0: Hauptordner)\n"
     "  purge          leert den Papierkorb und gibt die Zahl der Einträge aus\n"
     "  purge NR       löscht die Löschung NR endgültig\n"
     "  --older-than TAGE\n"
     "                 bei purge: nur, was vor mehr als TAGE Tagen gelöscht wurde\n"},
    {"import", "Legt die Ordner und Einträge einer Vorlage unter einem Ordner an und gibt ihre Zahl aus",
     "  VORLAGE -      liest die Vorlage von der Standardeingabe\n"
     "  --folder ID    der Zielordner (Vorgabe 0: Hauptordner)\n"},
    {"export", "Schreibt die Ordnerstruktur in eine Vorlage oder einen Ordner mit seinen Texten als Dokument",
     "  AUSGABE -      schreibt auf die Standardausgabe\n"
     "  --folder ID    nur dieser Ordner (Vorgabe 0: Hauptordner)\n"
     "  --format F     vorlage (Vorgabe): Stichwörter als Vorlage, Windows-1252 mit CR LF;\n"
     "                 html, markdown oder text: Stichwörter, Texte und Verknüpfungen\n"
     "                 als UTF-8-Dokument (eine geschützte Datenbank unverschlüsselt)\n"},
    {"print", "Schreibt die Druckseiten eines Ordners als PDF",
     "  --folder ID    der Ordner (0: Hauptordner)\n"
     "  --pdf DATEI    die PDF-Datei; - schreibt sie auf die Standardausgabe\n"},
    {"backup", "Legt sofort eine Sicherungskopie an und gibt ihren Pfad aus", ""},
    {"restore",
     "Holt einen Eintrag oder Ordner mit allen Texten und Verknüpfungen aus einer Sicherungskopie zurück und gibt "
     "seine neue ID aus",
     "  --from KOPIE   die Sicherungskopie (sie bleibt unverändert)\n"
     "  --id ID        der Eintrag oder Ordner in der Sicherungskopie\n"
     "  --to ORDNER    der Zielordner, an dessen Ende er kommt (Vorgabe 0: Hauptordner)\n"
     "  --copy-password K\n"
     "                 das Kennwort einer geschützten Sicherungskopie, wenn es nicht\n"
     "                 das der Datenbank ist (ebenso -, --copy-password-file DATEI)\n"},
    {"backup-settings", "Zeigt oder ändert die Backup-Einstellungen (mit Administratorsperre: --admin)",
     "  --dir D        abweichendes Backupverzeichnis (leer oder der Ordner der\n"
     "                 Datenbank: keines)\n"
     "  --count N      höchstens so viele Kopien: 5, 10, 20, 30, 50, 100 oder\n"
     "                 unbegrenzt\n"
     "  --auto on|off  automatisches tägliches Backup\n"},
    {"reorganize", "Komprimiert die Datei und meldet die Einsparung (mit Administratorsperre: --admin)", ""},
    {"protect", "Setzt oder ändert das Datenbankkennwort (mit Administratorsperre: --admin)",
     "  --new K        das neue Kennwort (ebenso -, --new-file DATEI; fehlt es, wird\n"
     "                 am Terminal zweimal danach gefragt)\n"
     "  --password A   das bisherige Kennwort\n"},
    {"unprotect", "Entfernt das Datenbankkennwort (mit Administratorsperre: --admin)",
     "  --password K   das bisherige Kennwort\n"},
    {"admin", "Setzt, ändert oder löscht das Administratorkennwort",
     "  --set K        das neue Administratorkennwort (ebenso -, --set-file DATEI)\n"
     "  --delete       das Administratorkennwort löschen\n"},
    {"hold", "Hält die Datenbank offen wie ein anderer Benutzer (für Tests und Wartungssperren)",
     "  --seconds N    so lange (Vorgabe 3600)\n"
     "  --transaction exclusive|write\n"
     "                 dabei eine Transaktion offen halten\n"},
    {"generate", "Erzeugt eine große Beispieldatenbank für Messungen",
     "  --entries N    Zahl der Zeilen\n"
     "  --seed S       Startwert des Zufalls (gleicher Wert, gleicher Inhalt)\n"
     "  --password P   die Datenbank gleich verschlüsselt anlegen\n"},
};

const char* const kGlobalHelp =
    "Allgemeine Optionen:\n"
    "  --yes          Fragen mit Ja beantworten (etwa die Aktualisierung einer\n"
    "                 älteren Datenbank); ohne wird am Terminal gefragt, sonst\n"
    "                 gilt Nein\n"
    "  --password P   Kennwort einer geschützten Datenbank; - liest es von der\n"
    "                 Standardeingabe (vom Terminal ohne Echo), fehlt es, wird am\n"
    "                 Terminal danach gefragt\n"
    "  --password-file DATEI\n"
    "                 das Kennwort aus der ersten Zeile der Datei\n"
    "  --admin P      Administratorkennwort (ebenso -, --admin-file DATEI)\n"
    "                 Ein Kennwort auf der Befehlszeile sehen andere Benutzer in\n"
    "                 der Prozessliste.\n"
    "  --help         Hilfe zu einem Befehl (auch: orvantis-cli help BEFEHL)\n"
    "  --version      Programmversion\n"
    "Eine Option mit Wert geht auch als --option=WERT; nach -- ist jedes\n"
    "Argument ein Argument, keine Option.\n";

const char* const kUnknownCommand = "unbekannter Befehl";

const char* const kExitHelp =
    "Ein Dateiname - steht für die Standardeingabe (import) oder die\n"
    "Standardausgabe (export, dump, print --pdf). Daten gehen auf die\n"
    "Standardausgabe, Meldungen auf die Standardfehlerausgabe, beides UTF-8;\n"
    "nur die Vorlage von export ist Windows-1252 mit CR LF.\n\n"
    "Exit-Status:\n"
    "  0  Erfolg\n"
    "  1  abgelehnt oder fehlgeschlagen (der Grund steht auf der\n"
    "     Standardfehlerausgabe)\n"
    "  2  falscher Aufruf\n"
    "  3  die Datenbank wird gerade von einem anderen Benutzer verwendet:\n"
    "     später erneut versuchen\n";

bool Contains(const std::vector<std::string>& arr, const std::string& str) {
    for (const auto& s : arr)
        if (s == str) return true;
    return false;
}

const SCliCommand* FindCommand(const std::string& strName) {
    for (const auto& cmd : CliCommands())
        if (strName == cmd.pszName) return &cmd;
    return nullptr;
}

const SCliHelp* FindHelp(const std::string& strName) {
    for (const auto& help : kHelp)
        if (strName == help.pszName) return &help;
    return nullptr;
}

// The commands in the order of the help table, then any without help text.
std::vector<const SCliCommand*> OrderedCommands() {
    std::vector<const SCliCommand*> arr;
    for (const auto& help : kHelp)
        if (const SCliCommand* pCmd = FindCommand(help.pszName)) arr.push_back(pCmd);
    for (const auto& cmd : CliCommands())
        if (!FindHelp(cmd.pszName)) arr.push_back(&cmd);
    return arr;
}

void PrintOverview(std::FILE* pOut) {
    std::fprintf(pOut, "Aufruf: orvantis-cli BEFEHL DATEI [OPTIONEN]\n\nBefehle:\n");
    for (const SCliCommand* pCmd : OrderedCommands()) std::fprintf(pOut, "  %s %s\n", pCmd->pszName, pCmd->pszUsage);
    std::fprintf(pOut, "\n%s\n%s\nHilfe zu einem Befehl: orvantis-cli help BEFEHL\n", kGlobalHelp, kExitHelp);
}

// The command being run, for the short usage after a usage error.
const SCliCommand* g_pCurrent = nullptr;

// Wrong usage: one line naming the problem, then the short usage of the
// command (or of the program); status 2. The overview is --help's.
int Usage(const std::string& strUtf8Reason) {
    std::fprintf(stderr, "orvantis-cli: %s\n", CliTerminalTextUtf8(strUtf8Reason, true).c_str());
    if (g_pCurrent)
        std::fprintf(stderr, "Aufruf: orvantis-cli %s %s\nMehr dazu: orvantis-cli help %s\n", g_pCurrent->pszName,
                     g_pCurrent->pszUsage, g_pCurrent->pszName);
    else
        std::fprintf(stderr, "Aufruf: orvantis-cli BEFEHL DATEI [OPTIONEN]\nDie Befehle: orvantis-cli --help\n");
    return CLI_USAGE;
}

// Data that did not reach stdout (a full disk, a closed pipe) fails the call.
int Finish(int nResult) {
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && nResult == CLI_OK) {
        CliMessage("die Ausgabe konnte nicht geschrieben werden");
        return CLI_FAILED;
    }
    return nResult;
}

int CommandHelp(const SCliCommand& cmd) {
    std::printf("Aufruf: orvantis-cli %s %s\n", cmd.pszName, cmd.pszUsage);
    if (const SCliHelp* pHelp = FindHelp(cmd.pszName)) {
        std::printf("\n%s.\n", pHelp->pszSummary);
        if (*pHelp->pszDetails) std::printf("\nOptionen:\n%s", pHelp->pszDetails);
    }
    std::printf("\n%s\n%s", kGlobalHelp, kExitHelp);
    return Finish(CLI_OK);
}
}  // namespace

std::vector<SCliCommand>& CliCommands() {
    static std::vector<SCliCommand> commands;
    return commands;
}

int CliFail(const std::string& strAnsiMessage) {
    CliMessage(CliTerminalText(strAnsiMessage, true));
    return CLI_FAILED;
}

void CliMessage(const std::string& strUtf8) {
    std::fprintf(stderr, "orvantis-cli: %s\n", strUtf8.c_str());
    std::fflush(stderr);
}

int CliUsageError(const std::string& strUtf8Reason) {
    return Usage(strUtf8Reason);
}

namespace {
void AppendEscaped(std::string& out, const char* pszFormat, unsigned n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, pszFormat, n);
    out += buf;
}

bool IsControl(char32_t cp, bool bKeepLineBreaks) {
    if (bKeepLineBreaks && cp == '\n') return false;
    return cp < 0x20 || cp == 0x7F;
}

// The length of the well-formed UTF-8 sequence at i and its code point; 0
// when the bytes there are no such sequence.
size_t Utf8At(const std::string& str, size_t i, char32_t& cp) {
    auto c = static_cast<unsigned char>(str[i]);
    size_t nLen = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (nLen == 0 || i + nLen > str.size()) return 0;
    cp = nLen == 1 ? c : c & (0x7F >> nLen);
    for (size_t k = 1; k < nLen; ++k) {
        auto cc = static_cast<unsigned char>(str[i + k]);
        if ((cc >> 6) != 0x2) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    // no overlong forms, surrogates or code points above U+10FFFF
    static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[nLen] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return nLen;
}

const char* const kReplacement = "\xEF\xBF\xBD";  // U+FFFD
}  // namespace

std::string CliTerminalText(const std::string& strAnsi, bool bKeepLineBreaks) {
    std::string out;
    out.reserve(strAnsi.size());
    for (char ch : strAnsi) {
        auto c = static_cast<unsigned char>(ch);
        if (IsControl(c, bKeepLineBreaks))
            AppendEscaped(out, "\\x%02x", c);
        else if (c >= 0x80 && Cp1252ToUnicode(c) < 0xA0)
            out += kReplacement;  // 0x81, 0x8D, 0x8F, 0x90, 0x9D
        else
            out += Cp1252ToUtf8(std::string(1, ch));
    }
    return out;
}

std::string CliTerminalTextUtf8(const std::string& strUtf8, bool bKeepLineBreaks) {
    std::string out;
    out.reserve(strUtf8.size());
    for (size_t i = 0; i < strUtf8.size();) {
        char32_t cp = 0;
        size_t nLen = Utf8At(strUtf8, i, cp);
        if (nLen == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (IsControl(cp, bKeepLineBreaks))
            AppendEscaped(out, "\\x%02x", static_cast<unsigned>(cp));
        else if (cp >= 0x80 && cp < 0xA0)
            AppendEscaped(out, "\\u%04x", static_cast<unsigned>(cp));
        else
            out.append(strUtf8, i, nLen);
        i += nLen;
    }
    return out;
}

void CliPrintLine(const std::string& strUtf8) {
    // the tabs between the columns stay, those within a field were escaped
    std::string strLine;
    for (size_t nStart = 0;;) {
        size_t nTab = strUtf8.find('\t', nStart);
        strLine += CliTerminalTextUtf8(strUtf8.substr(nStart, nTab - nStart));
        if (nTab == std::string::npos) break;
        strLine += '\t';
        nStart = nTab + 1;
    }
    CliPrintJson(strLine);
}

void CliPrintJson(const std::string& strJson) {
    std::fwrite(strJson.data(), 1, strJson.size(), stdout);
    std::fputc('\n', stdout);
}

bool CliSecretToAnsi(const std::string& strUtf8, std::string& strAnsi) {
    bool bOk = true;
    strAnsi = Utf8ToCp1252(strUtf8, &bOk);
    if (!bOk) CliFail(Ansi("Das Kennwort enthält Zeichen, die nicht gespeichert werden können."));
    return bOk;
}

bool CliToAnsi(const std::string& strUtf8, std::string& strAnsi) {
    bool bOk = true;
    strAnsi = Utf8ToCp1252(strUtf8, &bOk);
    if (!bOk) CliFail(Ansi("Der Text enthält Zeichen, die nicht gespeichert werden können: ") + strAnsi);
    return bOk;
}

namespace {
// Digits only: no sign, no blanks, nothing after the number.
bool ParseDigits(const std::string& strText, unsigned long long& nValue) {
    const char* pEnd = strText.data() + strText.size();
    auto [ptr, ec] = std::from_chars(strText.data(), pEnd, nValue);
    return !strText.empty() && strText[0] != '+' && ec == std::errc() && ptr == pEnd;
}
}  // namespace

bool CliParseId(const std::string& strText, TRowId& nId) {
    unsigned long long n = 0;
    if (!ParseDigits(strText, n) || n > 0x7FFFFFFFFFFFFFFFull) {
        CliUsageError("keine gültige ID: " + strText);
        return false;
    }
    nId = static_cast<TRowId>(n);
    return true;
}

bool CliParseNumber(const std::string& strOption, const std::string& strText, long long nMin, long long nMax,
                    long long& nValue) {
    unsigned long long n = 0;
    if (!ParseDigits(strText, n) || n < static_cast<unsigned long long>(nMin) ||
        n > static_cast<unsigned long long>(nMax)) {
        CliUsageError(strOption + " erwartet eine ganze Zahl von " + std::to_string(nMin) + " bis " +
                      std::to_string(nMax) + ": " + strText);
        return false;
    }
    nValue = static_cast<long long>(n);
    return true;
}

bool CliParseNumber(const std::string& strOption, const std::string& strText, unsigned long long& nValue) {
    if (!ParseDigits(strText, nValue)) {
        CliUsageError(strOption + " erwartet eine ganze Zahl: " + strText);
        return false;
    }
    return true;
}

std::string CliAbsolutePath(const std::string& strPath) {
    std::error_code ec;
    auto p = std::filesystem::absolute(std::filesystem::path(strPath), ec);
    return ec ? strPath : p.lexically_normal().string();
}

std::string CliJsonString(const std::string& strAnsi) {
    return CliJsonStringUtf8(Cp1252ToUtf8(strAnsi));
}

std::string CliJsonStringUtf8(const std::string& strText) {
    // keep well-formed UTF-8 sequences, replace every other byte
    std::string strUtf8;
    for (size_t i = 0; i < strText.size();) {
        char32_t cp = 0;
        if (size_t nLen = Utf8At(strText, i, cp)) {
            strUtf8.append(strText, i, nLen);
            i += nLen;
        } else {
            strUtf8 += kReplacement;
            ++i;
        }
    }
    std::string out = "\"";
    for (unsigned char c : strUtf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

int main(int argc, char** argv) {
    if (argc < 2) return Usage("Befehl fehlt");
    std::string strFirst = argv[1];
    if (strFirst == "--version") {
        std::printf("orvantis-cli %s\n", ORVANTIS_VERSION);
        return Finish(CLI_OK);
    }
    if (strFirst == "--help" || strFirst == "-h" || (strFirst == "help" && argc == 2)) {
        PrintOverview(stdout);
        return Finish(CLI_OK);
    }
    if (strFirst == "help") {
        const SCliCommand* pCmd = argc == 3 ? FindCommand(argv[2]) : nullptr;
        if (!pCmd)
            return Usage(argc == 3 ? std::string(kUnknownCommand) + " " + argv[2] : "help erwartet einen Befehl");
        return CommandHelp(*pCmd);
    }
    const SCliCommand* pCmd = FindCommand(strFirst);
    if (!pCmd) return Usage(std::string(kUnknownCommand) + " " + strFirst);
    g_pCurrent = pCmd;
    if (int nElsewhere = CliRunElsewhere(strFirst, argv); nElsewhere >= 0) return Finish(nElsewhere);

    SCliArgs args;
    args.strCommand = strFirst;
    bool bOptionsEnd = false;  // after "--" every argument is positional
    for (int i = 2; i < argc; ++i) {
        std::string strArg = argv[i];
        if (bOptionsEnd || strArg.size() < 2 || strArg[0] != '-' || strArg == "--") {
            if (!bOptionsEnd && strArg == "--")
                bOptionsEnd = true;
            else
                args.arrPositional.push_back(strArg);
            continue;
        }
        if (strArg == "--help" || strArg == "-h") return CommandHelp(*pCmd);
        if (strArg.compare(0, 2, "--") != 0) {
            args.arrPositional.push_back(strArg);  // "-5" and the like
            continue;
        }
        // --name=value is --name value
        std::string strName = strArg;
        std::string strInline;
        const bool bInline = strArg.find('=') != std::string::npos;
        if (bInline) {
            strName = strArg.substr(0, strArg.find('='));
            strInline = strArg.substr(strArg.find('=') + 1);
        }
        // a password option's "-file" form goes wherever the option goes
        std::string strBase = strName;
        if (strBase.size() > 5 && strBase.compare(strBase.size() - 5, 5, "-file") == 0) {
            strBase.resize(strBase.size() - 5);
            if (!Contains(CliSecretOptions(), strBase)) strBase = strName;
        }
        if (Contains(pCmd->arrValueOptions, strBase) || Contains(kGlobalValueOptions, strBase)) {
            if (!bInline && i + 1 >= argc) return Usage("Wert fehlt nach " + strName);
            args.mapValues[strName] = bInline ? strInline : argv[++i];
        } else if (Contains(pCmd->arrFlagOptions, strName) || Contains(kGlobalFlagOptions, strName)) {
            if (bInline) return Usage(strName + " erwartet keinen Wert");
            args.setFlags.insert(strName);
        } else {
            return Usage("unbekannte Option " + strName);
        }
    }
    const int nPositional = static_cast<int>(args.arrPositional.size());
    if (nPositional < pCmd->nPositional || nPositional > pCmd->nPositional + pCmd->nOptionalPositional)
        return Usage(std::string(nPositional < pCmd->nPositional ? "zu wenige" : "zu viele") + " Argumente für " +
                     pCmd->pszName);

    if (int nSecrets = CliResolveSecrets(args); nSecrets != CLI_OK) return Finish(nSecrets);

    CConsolePlatform platform(args.setFlags.count("--yes") > 0);
    SetPlatform(&platform);
    int nResult = pCmd->pfnRun(args);
    // a lock that outlasted the retry is no refusal: scripts may try again
    if (nResult == CLI_FAILED && GetDatabase().WasLockedOut()) {
        if (!platform.HasShown(Ansi(DB_LOCKED_MESSAGE))) CliFail(Ansi(DB_LOCKED_MESSAGE));
        nResult = CLI_LOCKED;
    }
    CliClose();
    nResult = Finish(nResult);
    SetPlatform(nullptr);
    return nResult;
}
