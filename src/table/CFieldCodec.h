#pragma once
// How Name, Text and Link go to and from their stored form. The database
// password service installs itself here; without it texts pass unchanged.
// This keeps the table layer free of the protection layer.

#include <cstddef>
#include <string>

class IFieldCodec {
public:
    virtual ~IFieldCodec() = default;
    virtual std::string EncryptField(const std::string& strValue) = 0;
    virtual std::string DecryptField(const std::string& strStored) = 0;
    // The same as DecryptField for n stored bytes, into strOut; a codec may
    // spare the copies (a protected search decrypts the whole table).
    virtual void DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut) {
        strOut = DecryptField(std::string(pStored, n));
    }
};

// Null restores the pass-through.
void SetFieldCodec(IFieldCodec* pCodec);
IFieldCodec* GetFieldCodec();
std::string EncryptField(const std::string& strValue);
std::string DecryptField(const std::string& strStored);
// DecryptField of a cell into strOut, without the extra copy of the
// pass-through.
void DecryptFieldInto(const char* pszStored, std::string& strOut);
// The same for n stored bytes (NUL bytes among them).
void DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut);
