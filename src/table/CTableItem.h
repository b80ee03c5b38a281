#pragma once
// Base of a row object: the row's ID and active flag and its column
// definitions. Rows travel as value maps: column name -> text (SQL literals
// when writing, raw result texts when reading).

#include <cstdint>
#include <map>
#include <string>

#include "db/SqlText.h"

using CValueMap = std::map<std::string, std::string>;

// The type of a row's ID and of the IDs that point at rows (MasterID,
// LinkID): the engine's 64-bit row numbers, so that an ID another program
// gave above 2^31 is read, shown and written back as it is.
using TRowId = std::int64_t;

class CTableItem {
public:
    virtual ~CTableItem() = default;
    virtual std::string GetColumnDefinitions() const;

    void WriteValues(CValueMap& map) const;
    void ReadValues(const CValueMap& map);

    TRowId ID = 0;
    std::int32_t IsAktiv = 1;
};

// SQL literals
std::string IntLiteral(std::int64_t n);
std::string FlagLiteral(std::int32_t n);
std::string TextLiteral(const std::string& str);
// Decimal parse as atoi: leading digits after an optional sign, else 0.
std::int32_t ParseInt(const std::string& str);
// The same for an ID: 64 bits.
TRowId ParseRowId(const std::string& str);
// The map's text for a key; empty when absent.
const std::string& MapValue(const CValueMap& map, const std::string& strKey);
