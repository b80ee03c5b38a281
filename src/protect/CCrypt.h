#pragma once
// The cipher: RC4 under a key derived with MD5 from a password, in the
// stored form that text columns hold.
//
// Key: the first 5 bytes of MD5(password bytes + one zero byte), followed by
// 11 zero bytes. Each value is encrypted with its terminating zero byte, and
// the key stream starts afresh for every value; the stream is therefore the
// same for all values and is kept, grown on demand, instead of being
// recomputed per value.

#include <cstdint>
#include <string>
#include <vector>

// Passwords are at most this many characters (Windows-1252 bytes) long.
inline constexpr std::size_t MAX_PASSWORD_LENGTH = 32;

class CCrypt {
public:
    CCrypt() = default;
    virtual ~CCrypt() = default;

    bool SetPassword(const std::string& strPassword);
    std::string GetPassword() const { return m_strPassword; }
    std::string Encrypt(const std::string& strText) const;
    std::string Decrypt(const std::string& strStored) const;
    // Decrypt of n stored bytes into strOut, whose memory is reused.
    void DecryptInto(const char* pStored, std::size_t n, std::string& strOut) const;

    // True when the stored form decrypts to a text whose first zero byte is
    // its last byte, as every value encrypted under this key does. A value
    // encrypted under another key almost never passes.
    bool DecryptsCleanly(const std::string& strStored) const;

    // The stored form of raw cipher bytes and back.
    static std::string Escape(const std::string& strCipher);
    static std::string Unescape(const std::string& strStored);

    // The password verifier kept in the Option table: the password padded
    // with chPad to 32 characters, encrypted under itself. Empty for the
    // empty password. Uses a cipher of its own; this one is untouched.
    static std::string MakeVerifier(const std::string& strPassword, char chPad);

private:
    // The first n bytes of the key stream, computed on demand.
    const std::uint8_t* KeyStream(std::size_t n) const;
    std::string Apply(const std::string& strBytes) const;

    // The key schedule waits for the first value: a plain file never needs
    // one, and the digest library's start-up costs every short-lived call.
    bool KeyReady() const;
    bool ScheduleKey() const;

    std::string m_strPassword;
    mutable bool m_bKeyDue = false;
    mutable bool m_bKeyReady = false;

    // RC4 state after the bytes in m_arrStream were produced.
    mutable std::uint8_t m_S[256] = {};
    mutable std::uint8_t m_i = 0;
    mutable std::uint8_t m_j = 0;
    mutable std::vector<std::uint8_t> m_arrStream;
};
