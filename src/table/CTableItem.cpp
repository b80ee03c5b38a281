#include "table/CTableItem.h"

#include <cstdlib>

std::string CTableItem::GetColumnDefinitions() const {
    return "ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), ";
}

void CTableItem::WriteValues(CValueMap& map) const {
    map["ID"] = IntLiteral(ID);
    map["IsAktiv"] = FlagLiteral(IsAktiv);
}

void CTableItem::ReadValues(const CValueMap& map) {
    ID = ParseRowId(MapValue(map, "ID"));
    IsAktiv = ParseInt(MapValue(map, "IsAktiv"));
}

std::string IntLiteral(std::int64_t n) {
    return std::to_string(n);
}

std::string FlagLiteral(std::int32_t n) {
    return n != 0 ? "'1'" : "'0'";
}

std::string TextLiteral(const std::string& str) {
    return "'" + str + "'";
}

std::int32_t ParseInt(const std::string& str) {
    return static_cast<std::int32_t>(std::atoi(str.c_str()));
}

TRowId ParseRowId(const std::string& str) {
    return static_cast<TRowId>(std::atoll(str.c_str()));
}

const std::string& MapValue(const CValueMap& map, const std::string& strKey) {
    static const std::string strEmpty;
    auto it = map.find(strKey);
    return it == map.end() ? strEmpty : it->second;
}
