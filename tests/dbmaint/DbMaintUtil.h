#pragma once
// Raw access to database files beside the session, for building old files
// and reading back what the maintenance operations left.

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// Runs SQL on a file through its own connection; false on any error.
inline bool RawExecOk(const std::string& strPath, const std::string& strSql) {
    sqlite3* pDb = nullptr;
    bool bOk = sqlite3_open(strPath.c_str(), &pDb) == SQLITE_OK &&
               sqlite3_exec(pDb, strSql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(pDb);
    return bOk;
}

// The first column of every row of a query ("<null>" for NULL); empty on error.
inline std::vector<std::string> RawColumn(const std::string& strPath, const std::string& strSql) {
    std::vector<std::string> arr;
    sqlite3* pDb = nullptr;
    if (sqlite3_open_v2(strPath.c_str(), &pDb, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* pStmt = nullptr;
        if (sqlite3_prepare_v2(pDb, strSql.c_str(), -1, &pStmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(pStmt) == SQLITE_ROW) {
                auto p = sqlite3_column_text(pStmt, 0);
                arr.push_back(p ? reinterpret_cast<const char*>(p) : "<null>");
            }
        }
        sqlite3_finalize(pStmt);
    }
    sqlite3_close(pDb);
    return arr;
}

// The KnowHow table as files of the first versions had it: no Link column,
// no unique index on ID.
inline const char* kOldKnowHow =
    "CREATE TABLE KnowHow ( ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, LinkID INTEGER, "
    "Typ INTEGER, PosNr INTEGER, IsDir VARCHAR(1), Name VARCHAR(50), Text VARCHAR(50), "
    "UpdateNr INTEGER DEFAULT '0' NULL );"
    "CREATE INDEX [KnowHow_MasterID] ON [KnowHow] ( [MasterID] ASC );"
    "INSERT INTO KnowHow (ID, IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, UpdateNr) "
    "VALUES (1, '1', 0, 0, 0, 1, '1', 'Ordner', 'alt', 0);";

// The names of the files in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::string& strFolder) {
    std::vector<std::string> arr;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder))
        arr.push_back(entry.path().filename().string());
    std::sort(arr.begin(), arr.end());
    return arr;
}

inline bool HasColumn(const std::string& strPath, const std::string& strTable, const std::string& strColumn) {
    for (const auto& s : RawColumn(strPath, "SELECT name FROM pragma_table_info('" + strTable + "')"))
        if (s == strColumn) return true;
    return false;
}

// Whether the table has a unique index on ID (whatever its name).
inline bool HasUniqueIdIndex(const std::string& strPath) {
    return !RawColumn(strPath,
                      "SELECT l.name FROM pragma_index_list('KnowHow') l, pragma_index_info(l.name) i "
                      "WHERE l.[unique]=1 AND l.origin='c' AND i.name='ID'")
                .empty();
}
