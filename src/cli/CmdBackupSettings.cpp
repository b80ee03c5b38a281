// backup-settings DATEI [--dir D] [--count N|unbegrenzt] [--auto on|off]:
// shows or changes the backup options with the checks of the settings dialog.
// The administrator password locks the dialog's command, so it locks showing
// the settings here as well; the count takes only the dialog's choices.
#include <algorithm>
#include <cstdio>

#include "cli/CliCommand.h"
#include "db/CBackupSettings.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
void Print(const SBackupSettings& settings) {
    CliPrintLine("Abweichendes Backupverzeichnis: " + settings.strDir);
    CliPrintLine("Maximale Anzahl der Backup's: " + (settings.strCount.empty() ? "unbegrenzt" : settings.strCount));
    CliPrintLine(std::string("Automatisches tägliches Backup: ") + (settings.bAuto ? "ja" : "nein"));
}

bool IsCountChoice(const std::string& str) {
    const auto& arr = BackupCountChoices();
    return std::find(arr.begin(), arr.end(), str) != arr.end();
}

int Run(const SCliArgs& args) {
    bool bChange = args.Has("--dir") || args.Has("--count") || args.Has("--auto");
    std::string strCount = args.Value("--count");
    std::string strAuto = args.Value("--auto");
    if (args.Has("--count") && !IsCountChoice(strCount)) {
        return CliUsageError("--count 5|10|20|30|50|100|unbegrenzt");
    }
    if (args.Has("--auto") && strAuto != "on" && strAuto != "off") {
        return CliUsageError("--auto on|off");
    }

    auto pKnowHow = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pKnowHow || !CliRequireAdmin(args)) return CLI_FAILED;
    SBackupSettings settings = ReadBackupSettings();
    if (!bChange) {
        Print(settings);
        return CLI_OK;
    }

    if (args.Has("--dir")) {
        std::string strDir = args.Value("--dir");
        if (!strDir.empty()) strDir = CliAbsolutePath(strDir);
        while (strDir.size() > 1 && strDir.back() == '/') strDir.pop_back();
        // the database's own folder is stored as the empty text, as the
        // folder picker of the dialog does
        if (strDir == GetFolderPart(GetDatabase().GetFilePath())) strDir.clear();
        if (!CheckBackupDir(strDir)) return CLI_FAILED;
        settings.strDir = strDir;
    }
    if (args.Has("--count")) settings.strCount = BackupCountValue(strCount);
    if (args.Has("--auto")) settings.bAuto = strAuto == "on";

    GetDatabase().ClearLastError();
    WriteBackupSettings(settings);
    SBackupSettings stored = ReadBackupSettings();
    if (stored.strDir != settings.strDir || stored.strCount != settings.strCount || stored.bAuto != settings.bAuto) {
        ShowDbFailureReason();
        return CliFail("Die Einstellungen konnten nicht gespeichert werden.");
    }
    Print(stored);
    return CLI_OK;
}

CCliRegistrar reg({"backup-settings",
                   "DATEI [--dir D] [--count 5|10|20|30|50|100|unbegrenzt] [--auto on|off]",
                   1,
                   {"--dir", "--count", "--auto"},
                   {},
                   Run});
}  // namespace
