#pragma once
// One KnowHow row in memory: a folder or an entry of the knowledge tree.
// Texts are plain Windows-1252 in memory, also in a protected database.

#include <cstdint>
#include <string>
#include <vector>

#include "table/CTableItem.h"

class CRecordSet;

// Where the KnowHow columns stand in a query result: the index of the last
// result column of that name (as a value map built from the row keeps the
// last one), -1 for a column the result lacks.
struct SKnowHowColumns {
    explicit SKnowHowColumns(const std::vector<std::string>& arrNames);
    int nId, nAktiv, nMaster, nTyp, nLinkId, nPos, nDir, nUpdate, nName, nLink, nText;
};

class CKnowHowItem : public CTableItem {
public:
    std::string GetColumnDefinitions() const override;

    // Row conversion; Name, Text and Link pass the field codec.
    void WriteValues(CValueMap& map) const;
    void ReadValues(const CValueMap& map);
    // The same as ReadValues on the map of the record set's current row,
    // read from the cells directly.
    void ReadRow(const CRecordSet& rs, const SKnowHowColumns& cols);
    // The same from the cells of one result row (null for NULL).
    void ReadCells(const char* const* ppCells, const SKnowHowColumns& cols);

    // The setters mark the entry modified only when the value changes.
    void SetName(const std::string& str);
    void SetText(const std::string& str);
    void SetLink(const std::string& str);
    void SetPosNr(std::int32_t n);
    void SetTyp(std::int32_t n);
    void SetIsDir(std::int32_t n);

    std::int32_t MasterID = 0;
    std::int32_t Typ = 0;
    std::int32_t LinkID = 0;
    std::int32_t PosNr = 0;
    std::int32_t IsDir = 0;
    std::int32_t UpdateNr = 0;
    std::string Text;
    std::string Name;
    std::string Link;
    std::int32_t DisplayHeight = 0;  // detail view layout, never stored
    bool Modified = false;           // never stored
};

using CKnowHowArray = std::vector<CKnowHowItem>;
