#include "db/CBackupSettings.h"

#include <cstdlib>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

SBackupSettings ReadBackupSettings() {
    CDB& db = GetDatabase();
    SBackupSettings settings;
    settings.strDir = Cp1252ToUtf8(db.GetOption("BackupDir"));
    settings.strCount = db.GetOption("BackupCount");
    settings.bAuto = db.GetOption("BackupAuto") == "TRUE";
    return settings;
}

const std::vector<std::string>& BackupCountChoices() {
    static const std::vector<std::string> arr = {"unbegrenzt", "5", "10", "20", "30", "50", "100"};
    return arr;
}

std::string BackupCountValue(const std::string& strChoice) {
    return std::atoi(strChoice.c_str()) == 0 ? std::string() : strChoice;
}

bool CheckBackupDir(const std::string& strDirUtf8) {
    if (strDirUtf8.empty()) return true;
    CPlatform& platform = GetPlatform();
    if (!platform.FileExists(strDirUtf8)) {
        platform.MessageBox("Das angegebene Backup-Verzeichnis existiert nicht !", "Eingabefehler",
                            EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    // the option is Windows-1252 text; a path it cannot hold would be
    // stored garbled and name another folder
    bool bOk = true;
    Utf8ToCp1252(strDirUtf8, &bOk);
    if (!bOk) {
        platform.MessageBox(
            Ansi("Der Pfad des Backup-Verzeichnisses enthält Zeichen, die in der Datenbank nicht gespeichert werden "
                 "können !"),
            "Eingabefehler", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    return true;
}

void WriteBackupSettings(const SBackupSettings& settings) {
    CDB& db = GetDatabase();
    // unchecked by design: the CLI reads the settings back and reports a
    // difference, the dialog closes as it always has
    (void)db.SetOption("BackupDir", Utf8ToCp1252(settings.strDir));
    (void)db.SetOption("BackupCount", settings.strCount);
    (void)db.SetOption("BackupAuto", settings.bAuto ? "TRUE" : "");
}
