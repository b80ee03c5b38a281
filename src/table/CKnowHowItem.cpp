#include "table/CKnowHowItem.h"

#include "table/CFieldCodec.h"

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
    MasterID = ParseInt(MapValue(map, "MasterID"));
    Typ = ParseInt(MapValue(map, "Typ"));
    LinkID = ParseInt(MapValue(map, "LinkID"));
    PosNr = ParseInt(MapValue(map, "PosNr"));
    IsDir = ParseInt(MapValue(map, "IsDir"));
    UpdateNr = ParseInt(MapValue(map, "UpdateNr"));
    Name = DecryptField(MapValue(map, "Name"));
    Link = DecryptField(MapValue(map, "Link"));
    Text = DecryptField(MapValue(map, "Text"));
}

void CKnowHowItem::SetName(const std::string& str) {
    if (Name != str) {
        Name = str;
        Modified = true;
    }
}

void CKnowHowItem::SetText(const std::string& str) {
    if (Text != str) {
        Text = str;
        Modified = true;
    }
}

void CKnowHowItem::SetLink(const std::string& str) {
    if (Link != str) {
        Link = str;
        Modified = true;
    }
}

void CKnowHowItem::SetPosNr(std::int32_t n) {
    if (PosNr != n) {
        PosNr = n;
        Modified = true;
    }
}

void CKnowHowItem::SetTyp(std::int32_t n) {
    if (Typ != n) {
        Typ = n;
        Modified = true;
    }
}

void CKnowHowItem::SetIsDir(std::int32_t n) {
    if (IsDir != n) {
        IsDir = n;
        Modified = true;
    }
}
