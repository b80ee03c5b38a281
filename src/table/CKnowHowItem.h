#pragma once
// One KnowHow row in memory: a folder or an entry of the knowledge tree.
// Texts are plain Windows-1252 in memory, also in a protected database.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "table/CTableItem.h"

class CRecordSet;
struct sqlite3_stmt;

// What a stored row held when it was read: a later write is checked against
// it field by field, so that it changes only what the user changed and never
// lands on another entry that took over the ID. Texts are kept as hashes.
struct SRowOrigin {
    bool bKnown = false;
    TRowId MasterID = 0, LinkID = 0;
    std::int32_t PosNr = 0, IsDir = 0, Typ = 0, UpdateNr = 0;
    std::size_t nName = 0, nText = 0, nLink = 0;
};

// The columns a write may change, as bits.
enum EKnowHowColumn : unsigned {
    KH_NAME = 1,
    KH_TEXT = 2,
    KH_LINK = 4,
    KH_TYP = 8,
    KH_ISDIR = 16,
    KH_POSNR = 32,
    KH_MASTERID = 64,
    KH_LINKID = 128,
};

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
    // The same from the current row of a statement; texts keep every byte.
    void ReadStatement(sqlite3_stmt* pStmt, const SKnowHowColumns& cols);

    // The values now held become the origin (after a read or a write).
    void MarkStored();
    // The columns whose values differ from the origin (all without one).
    unsigned ChangedColumns() const;
    // The columns whose values differ between the two entries.
    unsigned DifferingColumns(const CKnowHowItem& other) const;
    // The columns whose values differ from the origin in other.
    unsigned ColumnsChangedIn(const CKnowHowItem& other) const;
    // stored, read under this row's ID, cannot be the entry this row was
    // loaded from: every change raises the counter, so one that went down,
    // or other values under the same counter, mean the ID was given anew.
    bool IsOtherEntry(const CKnowHowItem& stored) const;
    // Copies the columns named by nColumns from other.
    void TakeColumns(const CKnowHowItem& other, unsigned nColumns);

    // The setters mark the entry modified only when the value changes.
    void SetName(const std::string& str);
    void SetText(const std::string& str);
    void SetLink(const std::string& str);
    void SetPosNr(std::int32_t n);
    void SetTyp(std::int32_t n);
    void SetIsDir(std::int32_t n);

    TRowId MasterID = 0;
    std::int32_t Typ = 0;
    TRowId LinkID = 0;
    std::int32_t PosNr = 0;
    std::int32_t IsDir = 0;
    std::int32_t UpdateNr = 0;
    std::string Text;
    std::string Name;
    std::string Link;
    std::int32_t DisplayHeight = 0;  // detail view layout, never stored
    bool Modified = false;           // never stored
    SRowOrigin Origin;               // never stored
};

inline constexpr unsigned KH_ALL_COLUMNS =
    KH_NAME | KH_TEXT | KH_LINK | KH_TYP | KH_ISDIR | KH_POSNR | KH_MASTERID | KH_LINKID;

using CKnowHowArray = std::vector<CKnowHowItem>;
