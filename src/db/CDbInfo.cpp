#include "db/CDbInfo.h"

#include "db/CDB.h"
#include "platform/Cp1252.h"

std::vector<SDbInfoRow> GetDbInfoRows() {
    CDB& db = GetDatabase();
    std::string strPath = db.GetFilePath();
    return {
        {"Datei", GetFileNamePart(strPath), true},
        {"Verzeichnis", GetFolderPart(strPath), true},
        {"Erstellt am", db.GetOption("CreateTime")},
        {"Erstellt von", db.GetOption("CreateUser")},
        {Ansi("Letzte Änderung am"), db.GetOption("LastEditTime")},
        {Ansi("Letzte Änderung von"), db.GetOption("LastEditUser")},
        {"Letztes Backup", db.GetOption("LastBackup")},
        {"Letzte Reorganisation", db.GetOption("LastReorg")},
    };
}
