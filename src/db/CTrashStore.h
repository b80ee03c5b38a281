#pragma once
// The table Papierkorb beside KnowHow: what was deleted, kept in the same
// file until it is restored or purged. Other programs that read only KnowHow
// and Option never meet it. Its rows are KnowHow rows as stored (values
// byte for byte, encrypted ones under the key of their KeyCheck) plus the
// facts of their delete; DeleteNr groups the rows of one delete. The row
// with DeleteNr 0 is no deleted entry: its ID holds the last number given to
// a delete (numbers are never given twice, so a list shown to one user never
// names another user's later delete), its Text how many days the
// reorganisation keeps deleted entries (0: unlimited; empty: the default).

#include <ctime>
#include <string>
#include <vector>

inline constexpr const char* TRASH_TABLE = "Papierkorb";
// Days deleted entries are kept when the file says nothing else.
inline constexpr int TRASH_KEEP_DAYS_DEFAULT = 30;

// Creates the table and its index when the file has none yet.
bool EnsureTrashTable();
// False when the file could not be read; a file without the table holds none.
bool ReadTrashEntryCount(int& nEntries);
// nDays: the stored setting, or the default when none is stored.
bool ReadTrashKeepDays(int& nDays);
// Stores the setting (0: unlimited) in one exclusive transaction.
bool WriteTrashKeepDays(int nDays);
// The choices of the settings, "unbegrenzt" first, and the stored form of one.
const std::vector<std::string>& TrashKeepDaysChoices();
int TrashKeepDaysValue(const std::string& strChoice);
// The time text (as deletes record it) nDays before tNow.
std::string TrashCutoffText(std::time_t tNow, int nDays);
// Removes every delete recorded before nDays days ago (nothing for 0);
// *pnPurged gets the number of entries removed.
bool PurgeTrashOlderThan(int nDays, int* pnPurged = nullptr);
