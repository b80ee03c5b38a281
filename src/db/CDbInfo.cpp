#include "db/CDbInfo.h"

#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

bool ReadDbInfoRows(std::vector<SDbInfoRow>& arrRows) {
    CDB& db = GetDatabase();
    std::string strPath = db.GetFilePath();
    arrRows = {
        {"Datei", GetFileNamePart(strPath), true},
        {"Verzeichnis", GetFolderPart(strPath), true},
    };
    const std::pair<const char*, const char*> arrStamps[] = {
        {"Erstellt am", "CreateTime"},          {"Erstellt von", "CreateUser"},
        {"Letzte Änderung am", "LastEditTime"}, {"Letzte Änderung von", "LastEditUser"},
        {"Letztes Backup", "LastBackup"},       {"Letzte Reorganisation", "LastReorg"},
    };
    for (const auto& [pszLabel, pszKey] : arrStamps) {
        std::string strValue;
        // a stamp that could not be read is no empty one
        if (!db.ReadOption(pszKey, strValue)) return false;
        arrRows.push_back({Ansi(pszLabel), strValue});
    }
    int nTrash = 0;
    if (!ReadTrashEntryCount(nTrash)) return false;
    arrRows.push_back({Ansi("Einträge im Papierkorb"), std::to_string(nTrash)});
    return true;
}

void ShowDbInfoUnreadable() {
    ShowDbFailureReason();
    GetPlatform().MessageBox(Ansi("Die Angaben zur Datenbank können nicht gelesen werden."), "", EMsgIcon::Exclamation,
                             EMsgButtons::Ok);
}
