#pragma once
// SQL texts the session and the layers above build on: text literals with
// every single quote doubled (nothing else is escaped), and the definition
// of the Option table, which new files and the upgrade of 1.000 files create.

#include <string>

inline constexpr const char* OPTION_TABLE_SQL = "CREATE TABLE Option ( Key VARCHAR(20), Value VARCHAR(50) );";

std::string EscapeQuotes(const std::string& str);
