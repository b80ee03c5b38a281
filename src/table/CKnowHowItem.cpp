#include "table/CKnowHowItem.h"

#include <sqlite3.h>

#include <cstdlib>
#include <string_view>

#include "table/CFieldCodec.h"
#include "table/CRecordSet.h"

namespace {
int LastIndexOf(const std::vector<std::string>& arrNames, const char* pszName) {
    for (int i = static_cast<int>(arrNames.size()) - 1; i >= 0; --i)
        if (arrNames[i] == pszName) return i;
    return -1;
}

std::size_t Hash(const std::string& str) {
    return std::hash<std::string_view>{}(str);
}

// Marks the entry modified only for a value that differs.
template <typename T>
void Change(T& field, const T& value, bool& bModified) {
    if (field != value) {
        field = value;
        bModified = true;
    }
}
}  // namespace

SKnowHowColumns::SKnowHowColumns(const std::vector<std::string>& arrNames)
    : nId(LastIndexOf(arrNames, "ID")),
      nAktiv(LastIndexOf(arrNames, "IsAktiv")),
      nMaster(LastIndexOf(arrNames, "MasterID")),
      nTyp(LastIndexOf(arrNames, "Typ")),
      nLinkId(LastIndexOf(arrNames, "LinkID")),
      nPos(LastIndexOf(arrNames, "PosNr")),
      nDir(LastIndexOf(arrNames, "IsDir")),
      nUpdate(LastIndexOf(arrNames, "UpdateNr")),
      nName(LastIndexOf(arrNames, "Name")),
      nLink(LastIndexOf(arrNames, "Link")),
      nText(LastIndexOf(arrNames, "Text")) {}

std::string CKnowHowItem::GetColumnDefinitions() const {
    return CTableItem::GetColumnDefinitions() +
           "MasterID INTEGER, LinkID INTEGER, Typ INTEGER, PosNr INTEGER, IsDir VARCHAR(1), "
           "Name VARCHAR(50), Text VARCHAR(50), Link VARCHAR(1), UpdateNr INTEGER DEFAULT '0' NULL ";
}

void CKnowHowItem::WriteValues(CValueMap& map) const {
    CTableItem::WriteValues(map);
    map["MasterID"] = IntLiteral(MasterID);
    map["Typ"] = IntLiteral(Typ);
    map["LinkID"] = IntLiteral(LinkID);
    map["PosNr"] = IntLiteral(PosNr);
    map["IsDir"] = FlagLiteral(IsDir);
    map["UpdateNr"] = IntLiteral(UpdateNr);
    map["Name"] = TextLiteral(EscapeQuotes(EncryptField(Name)));
    map["Link"] = TextLiteral(EscapeQuotes(EncryptField(Link)));
    map["Text"] = TextLiteral(EscapeQuotes(EncryptField(Text)));
}

void CKnowHowItem::ReadValues(const CValueMap& map) {
    CTableItem::ReadValues(map);
    MasterID = ParseRowId(MapValue(map, "MasterID"));
    Typ = ParseInt(MapValue(map, "Typ"));
    LinkID = ParseRowId(MapValue(map, "LinkID"));
    PosNr = ParseInt(MapValue(map, "PosNr"));
    IsDir = ParseInt(MapValue(map, "IsDir"));
    UpdateNr = ParseInt(MapValue(map, "UpdateNr"));
    Name = DecryptField(MapValue(map, "Name"));
    Link = DecryptField(MapValue(map, "Link"));
    Text = DecryptField(MapValue(map, "Text"));
}

void CKnowHowItem::ReadRow(const CRecordSet& rs, const SKnowHowColumns& cols) {
    ReadCells(rs.GetRowCells(), cols);
}

namespace {
// One read row into the item, whatever the cells come from; the values read
// become its origin.
// intAt answers 64 bits: the IDs keep them, the other numbers are cut to
// 32 as before.
template <class FInt, class FText>
void AssignColumns(CKnowHowItem& item, const SKnowHowColumns& cols, FInt intAt, FText textAt) {
    auto small = [&](int nCol) { return static_cast<std::int32_t>(intAt(nCol)); };
    item.ID = intAt(cols.nId);
    item.IsAktiv = small(cols.nAktiv);
    item.MasterID = intAt(cols.nMaster);
    item.Typ = small(cols.nTyp);
    item.LinkID = intAt(cols.nLinkId);
    item.PosNr = small(cols.nPos);
    item.IsDir = small(cols.nDir);
    item.UpdateNr = small(cols.nUpdate);
    textAt(cols.nName, item.Name);
    textAt(cols.nLink, item.Link);
    textAt(cols.nText, item.Text);
    item.MarkStored();
}
}  // namespace

void CKnowHowItem::ReadCells(const char* const* ppCells, const SKnowHowColumns& cols) {
    auto cell = [&](int nCol) -> const char* { return ppCells && nCol >= 0 ? ppCells[nCol] : nullptr; };
    auto intAt = [&](int nCol) {
        const char* psz = cell(nCol);
        // an ID as atoll reads it, the small numbers as atoi did
        if (!psz) return std::int64_t{0};
        return nCol == cols.nId || nCol == cols.nMaster || nCol == cols.nLinkId
                   ? static_cast<std::int64_t>(std::atoll(psz))
                   : static_cast<std::int64_t>(std::atoi(psz));
    };
    auto textAt = [&](int nCol, std::string& str) {
        const char* psz = cell(nCol);
        DecryptFieldInto(psz ? psz : "", str);
    };
    AssignColumns(*this, cols, intAt, textAt);
}

void CKnowHowItem::ReadStatement(sqlite3_stmt* pStmt, const SKnowHowColumns& cols) {
    auto intAt = [&](int nCol) {
        return nCol >= 0 ? static_cast<std::int64_t>(sqlite3_column_int64(pStmt, nCol)) : std::int64_t{0};
    };
    auto textAt = [&](int nCol, std::string& str) {
        const char* p = nCol >= 0 ? reinterpret_cast<const char*>(sqlite3_column_text(pStmt, nCol)) : nullptr;
        // the length travels with the value: a NUL byte inside it is kept
        const std::size_t n = p ? static_cast<std::size_t>(sqlite3_column_bytes(pStmt, nCol)) : 0;
        DecryptFieldInto(p ? p : "", n, str);
    };
    AssignColumns(*this, cols, intAt, textAt);
}

void CKnowHowItem::MarkStored() {
    Origin.bKnown = true;
    Origin.MasterID = MasterID;
    Origin.PosNr = PosNr;
    Origin.IsDir = IsDir;
    Origin.Typ = Typ;
    Origin.LinkID = LinkID;
    Origin.UpdateNr = UpdateNr;
    Origin.nName = Hash(Name);
    Origin.nText = Hash(Text);
    Origin.nLink = Hash(Link);
}

unsigned CKnowHowItem::ChangedColumns() const {
    return Origin.bKnown ? ColumnsChangedIn(*this) : KH_ALL_COLUMNS;
}

unsigned CKnowHowItem::ColumnsChangedIn(const CKnowHowItem& other) const {
    if (!Origin.bKnown) return KH_ALL_COLUMNS;
    unsigned n = 0;
    if (Hash(other.Name) != Origin.nName) n |= KH_NAME;
    if (Hash(other.Text) != Origin.nText) n |= KH_TEXT;
    if (Hash(other.Link) != Origin.nLink) n |= KH_LINK;
    if (other.Typ != Origin.Typ) n |= KH_TYP;
    if ((other.IsDir != 0) != (Origin.IsDir != 0)) n |= KH_ISDIR;
    if (other.PosNr != Origin.PosNr) n |= KH_POSNR;
    if (other.MasterID != Origin.MasterID) n |= KH_MASTERID;
    if (other.LinkID != Origin.LinkID) n |= KH_LINKID;
    return n;
}

bool CKnowHowItem::IsOtherEntry(const CKnowHowItem& stored) const {
    if (!Origin.bKnown) return false;
    return stored.UpdateNr < Origin.UpdateNr || (stored.UpdateNr == Origin.UpdateNr && ColumnsChangedIn(stored) != 0);
}

unsigned CKnowHowItem::DifferingColumns(const CKnowHowItem& other) const {
    unsigned n = 0;
    if (Name != other.Name) n |= KH_NAME;
    if (Text != other.Text) n |= KH_TEXT;
    if (Link != other.Link) n |= KH_LINK;
    if (Typ != other.Typ) n |= KH_TYP;
    if ((IsDir != 0) != (other.IsDir != 0)) n |= KH_ISDIR;
    if (PosNr != other.PosNr) n |= KH_POSNR;
    if (MasterID != other.MasterID) n |= KH_MASTERID;
    if (LinkID != other.LinkID) n |= KH_LINKID;
    return n;
}

void CKnowHowItem::TakeColumns(const CKnowHowItem& other, unsigned nColumns) {
    if (nColumns & KH_NAME) Name = other.Name;
    if (nColumns & KH_TEXT) Text = other.Text;
    if (nColumns & KH_LINK) Link = other.Link;
    if (nColumns & KH_TYP) Typ = other.Typ;
    if (nColumns & KH_ISDIR) IsDir = other.IsDir;
    if (nColumns & KH_POSNR) PosNr = other.PosNr;
    if (nColumns & KH_MASTERID) MasterID = other.MasterID;
    if (nColumns & KH_LINKID) LinkID = other.LinkID;
}

void CKnowHowItem::SetName(const std::string& str) {
    Change(Name, str, Modified);
}

void CKnowHowItem::SetText(const std::string& str) {
    Change(Text, str, Modified);
}

void CKnowHowItem::SetLink(const std::string& str) {
    Change(Link, str, Modified);
}

void CKnowHowItem::SetPosNr(std::int32_t n) {
    Change(PosNr, n, Modified);
}

void CKnowHowItem::SetTyp(std::int32_t n) {
    Change(Typ, n, Modified);
}

void CKnowHowItem::SetIsDir(std::int32_t n) {
    Change(IsDir, n, Modified);
}
