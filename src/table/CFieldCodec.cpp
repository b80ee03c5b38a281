#include "table/CFieldCodec.h"

#include <cstring>

namespace {
IFieldCodec* g_pCodec = nullptr;
}

void SetFieldCodec(IFieldCodec* pCodec) {
    g_pCodec = pCodec;
}

IFieldCodec* GetFieldCodec() {
    return g_pCodec;
}

std::string EncryptField(const std::string& strValue) {
    return g_pCodec ? g_pCodec->EncryptField(strValue) : strValue;
}

std::string DecryptField(const std::string& strStored) {
    return g_pCodec ? g_pCodec->DecryptField(strStored) : strStored;
}

void DecryptFieldInto(const char* pszStored, std::string& strOut) {
    if (g_pCodec)
        g_pCodec->DecryptFieldInto(pszStored, std::strlen(pszStored), strOut);
    else
        strOut.assign(pszStored);
}

void DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut) {
    if (g_pCodec)
        g_pCodec->DecryptFieldInto(pStored, n, strOut);
    else
        strOut.assign(pStored, n);
}
