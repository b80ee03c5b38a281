#pragma once
// The three backup options of the open database as the settings dialog and
// "orvantis-cli backup-settings" read, check and write them.

#include <string>
#include <vector>

struct SBackupSettings {
    std::string strDir;    // UTF-8 path; empty: the database's own folder
    std::string strCount;  // decimal text; empty: unlimited
    bool bAuto = false;
};

SBackupSettings ReadBackupSettings();

// The choices of the number of copies kept, "unbegrenzt" first.
const std::vector<std::string>& BackupCountChoices();
// The stored form of a choice: the empty text for one that parses as 0
// ("unbegrenzt").
std::string BackupCountValue(const std::string& strChoice);

// Checks the folder before it is stored: the empty text passes; a folder
// that does not exist, or a path that Windows-1252 cannot hold, is refused
// with its message (caption "Eingabefehler").
bool CheckBackupDir(const std::string& strDirUtf8);

// Writes BackupDir, BackupCount and BackupAuto (no checks; results ignored).
void WriteBackupSettings(const SBackupSettings& settings);
