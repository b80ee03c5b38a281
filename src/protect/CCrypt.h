#pragma once
// The cipher: RC4 under a key derived with MD5 from a password, in the
// stored form that text columns hold.

#include <cstdint>
#include <string>

class CCrypt {
public:
    CCrypt() = default;
    virtual ~CCrypt() = default;

    bool SetPassword(const std::string& strPassword);
    std::string GetPassword() const { return m_strPassword; }
    std::string Encrypt(const std::string& strText) const;
    std::string Decrypt(const std::string& strStored) const;

private:
    bool m_bAvailable = true;
    std::string m_strPassword;
    bool m_bKeyReady = false;
    // ... key schedule and stream cache are the implementer's
};
