#pragma once
// The folder the database dialogs ("Datenbank anlegen", "Datenbank öffnen")
// start in: the one a database was last chosen in, kept in the settings as
// "Files"/"LastFolder", so that the dialogs do not open wherever the
// program happened to be started.

#include <string>

// The filter of both database dialogs.
inline constexpr const char* DATABASE_FILE_FILTER = "Datenbank (*.tov)|*.tov||";

// The last folder when it still exists, else the folder of the last
// database, else the user's home folder.
std::string DatabaseDialogFolder();
// Keeps the folder of a path chosen in one of the dialogs.
void RememberDatabaseDialogFolder(const std::string& strChosenPath);
