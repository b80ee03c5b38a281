// orvantis-cli: a thin command-line front end over the core, for scripting
// and administration.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/CliCommand.h"
#include "cli/ConsolePlatform.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"

namespace {
const std::vector<std::string> kGlobalValueOptions = {"--password", "--admin"};
const std::vector<std::string> kGlobalFlagOptions = {"--yes"};

bool Contains(const std::vector<std::string>& arr, const std::string& str) {
    for (const auto& s : arr)
        if (s == str) return true;
    return false;
}

int Usage(const char* pszError) {
    if (pszError) std::fprintf(stderr, "orvantis-cli: %s\n", pszError);
    std::fprintf(stderr, "Aufruf: orvantis-cli BEFEHL DATEI [OPTIONEN]\n\nBefehle:\n");
    for (const auto& cmd : CliCommands()) std::fprintf(stderr, "  %s %s\n", cmd.pszName, cmd.pszUsage);
    std::fprintf(stderr,
                 "\nAllgemeine Optionen:\n"
                 "  --yes          Fragen mit Ja beantworten\n"
                 "  --password P   Kennwort einer geschützten Datenbank\n"
                 "  --admin P      Administratorkennwort\n"
                 "\nHält ein anderer Benutzer die Datei gesperrt, wartet jeder Befehl bis zu\n"
                 "etwa zehn Sekunden je Zugriff. Exit-Status: 0 erfolgreich, 1 abgelehnt oder\n"
                 "fehlgeschlagen, 2 falscher Aufruf, 3 Datei gesperrt (später erneut versuchen).\n");
    return CLI_USAGE;
}
}  // namespace

std::vector<SCliCommand>& CliCommands() {
    static std::vector<SCliCommand> commands;
    return commands;
}

int CliFail(const std::string& strAnsiMessage) {
    std::fprintf(stderr, "%s\n", Cp1252ToUtf8(strAnsiMessage).c_str());
    return CLI_FAILED;
}

void CliPrintLine(const std::string& strUtf8) {
    std::fwrite(strUtf8.data(), 1, strUtf8.size(), stdout);
    std::fputc('\n', stdout);
}

bool CliToAnsi(const std::string& strUtf8, std::string& strAnsi) {
    bool bOk = true;
    strAnsi = Utf8ToCp1252(strUtf8, &bOk);
    if (!bOk) CliFail(Ansi("Der Text enthält Zeichen, die nicht gespeichert werden können: ") + strAnsi);
    return bOk;
}

bool CliParseId(const std::string& strText, int& nId) {
    char* pEnd = nullptr;
    long n = std::strtol(strText.c_str(), &pEnd, 10);
    if (strText.empty() || *pEnd != '\0' || n < 0 || n > 0x7FFFFFFF) {
        std::fprintf(stderr, "orvantis-cli: keine gültige ID: %s\n", strText.c_str());
        return false;
    }
    nId = static_cast<int>(n);
    return true;
}

std::string CliAbsolutePath(const std::string& strPath) {
    std::error_code ec;
    auto p = std::filesystem::absolute(std::filesystem::path(strPath), ec);
    return ec ? strPath : p.lexically_normal().string();
}

std::string CliJsonString(const std::string& strAnsi) {
    std::string strUtf8 = Cp1252ToUtf8(strAnsi);
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
    if (argc < 2) return Usage(nullptr);
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        Usage(nullptr);
        return CLI_OK;
    }
    const SCliCommand* pCmd = nullptr;
    for (const auto& cmd : CliCommands())
        if (cmd.pszName == std::string(argv[1])) pCmd = &cmd;
    if (!pCmd) return Usage("unbekannter Befehl");

    SCliArgs args;
    args.strCommand = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string strArg = argv[i];
        if (strArg.size() > 2 && strArg.compare(0, 2, "--") == 0) {
            if (Contains(pCmd->arrValueOptions, strArg) || Contains(kGlobalValueOptions, strArg)) {
                if (i + 1 >= argc) return Usage(("Wert fehlt nach " + strArg).c_str());
                args.mapValues[strArg] = argv[++i];
            } else if (Contains(pCmd->arrFlagOptions, strArg) || Contains(kGlobalFlagOptions, strArg)) {
                args.setFlags.insert(strArg);
            } else {
                return Usage(("unbekannte Option " + strArg).c_str());
            }
        } else {
            args.arrPositional.push_back(strArg);
        }
    }
    const int nPositional = static_cast<int>(args.arrPositional.size());
    if (nPositional < pCmd->nPositional || nPositional > pCmd->nPositional + pCmd->nOptionalPositional)
        return Usage((std::string("falsche Zahl von Argumenten für ") + pCmd->pszName).c_str());

    CConsolePlatform platform(args.setFlags.count("--yes") > 0);
    SetPlatform(&platform);
    int nResult = pCmd->pfnRun(args);
    // a lock that outlasted the retry is no refusal: scripts may try again
    if (nResult == CLI_FAILED && GetDatabase().WasLockedOut()) {
        if (!platform.HasShown(Ansi(DB_LOCKED_MESSAGE))) CliFail(Ansi(DB_LOCKED_MESSAGE));
        nResult = CLI_LOCKED;
    }
    CliClose();
    std::fflush(stdout);
    SetPlatform(nullptr);
    return nResult;
}
