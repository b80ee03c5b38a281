#include "protect/CCrypt.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

namespace {
// Reserve a little more than asked, so that a run of growing values does
// not regenerate in small steps.
constexpr std::size_t kStreamChunk = 4096;

bool Md5(const std::string& strData, unsigned char digest[16]) {
    EVP_MD_CTX* pCtx = EVP_MD_CTX_new();
    if (!pCtx) return false;
    unsigned int nLen = 0;
    bool bOk = EVP_DigestInit_ex(pCtx, EVP_md5(), nullptr) == 1 &&
               EVP_DigestUpdate(pCtx, strData.data(), strData.size()) == 1 &&
               EVP_DigestFinal_ex(pCtx, digest, &nLen) == 1 && nLen == 16;
    EVP_MD_CTX_free(pCtx);
    return bOk;
}
}  // namespace

bool CCrypt::SetPassword(const std::string& strPassword) {
    m_bKeyReady = false;
    m_bKeyDue = true;
    m_arrStream.clear();
    m_arrStream.shrink_to_fit();
    m_strPassword = strPassword;
    return true;
}

bool CCrypt::KeyReady() const {
    if (m_bKeyDue) {
        m_bKeyDue = false;
        m_bKeyReady = ScheduleKey();
    }
    return m_bKeyReady;
}

bool CCrypt::ScheduleKey() const {
    std::string strBuffer = m_strPassword;
    strBuffer.push_back('\0');
    unsigned char digest[16];
    if (!Md5(strBuffer, digest)) return false;  // no key; Encrypt and Decrypt answer empty text

    std::uint8_t key[16] = {};
    std::memcpy(key, digest, 5);  // 40-bit key, the rest is zero salt

    for (int k = 0; k < 256; ++k) m_S[k] = static_cast<std::uint8_t>(k);
    std::uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
        j = static_cast<std::uint8_t>(j + m_S[k] + key[k % 16]);
        std::swap(m_S[k], m_S[j]);
    }
    m_i = 0;
    m_j = 0;
    return true;
}

const std::uint8_t* CCrypt::KeyStream(std::size_t n) const {
    if (m_arrStream.size() < n) {
        std::size_t nTarget = n + kStreamChunk;
        std::size_t nOld = m_arrStream.size();
        m_arrStream.resize(nTarget);
        for (std::size_t k = nOld; k < nTarget; ++k) {
            m_i = static_cast<std::uint8_t>(m_i + 1);
            m_j = static_cast<std::uint8_t>(m_j + m_S[m_i]);
            std::swap(m_S[m_i], m_S[m_j]);
            m_arrStream[k] = m_S[static_cast<std::uint8_t>(m_S[m_i] + m_S[m_j])];
        }
    }
    return m_arrStream.data();
}

std::string CCrypt::Apply(const std::string& strBytes) const {
    const std::uint8_t* pStream = KeyStream(strBytes.size());
    std::string out(strBytes.size(), '\0');
    for (std::size_t k = 0; k < strBytes.size(); ++k)
        out[k] = static_cast<char>(static_cast<std::uint8_t>(strBytes[k]) ^ pStream[k]);
    return out;
}

std::string CCrypt::Escape(const std::string& strCipher) {
    std::string out;
    out.reserve(strCipher.size() + strCipher.size() / 64 + 4);
    for (char c : strCipher) {
        switch (c) {
            case '\'': out += "''"; break;
            case '\\': out += "\\\\"; break;
            case '\0': out += "\\0"; break;
            default: out += c;
        }
    }
    return out;
}

std::string CCrypt::Unescape(const std::string& strStored) {
    std::string out;
    out.reserve(strStored.size());
    std::size_t n = strStored.size();
    for (std::size_t k = 0; k < n; ++k) {
        char c = strStored[k];
        if (k + 1 < n) {
            char d = strStored[k + 1];
            if (c == '\'' && d == '\'') {
                out += '\'';
                ++k;
                continue;
            }
            if (c == '\\' && d == '\\') {
                out += '\\';
                ++k;
                continue;
            }
            if (c == '\\' && d == '0') {
                out += '\0';
                ++k;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string CCrypt::Encrypt(const std::string& strText) const {
    if (strText.empty() || !KeyReady()) return std::string();
    std::string strPlain = strText;
    strPlain.push_back('\0');
    return Escape(Apply(strPlain));
}

std::string CCrypt::Decrypt(const std::string& strStored) const {
    std::string out;
    DecryptInto(strStored.data(), strStored.size(), out);
    return out;
}

void CCrypt::DecryptInto(const char* pStored, std::size_t nStored, std::string& out) const {
    out.clear();
    if (nStored == 0 || !KeyReady()) return;
    // Unescape and Apply in one pass. A whole table passes here when a
    // protected database is searched, so runs without either escape
    // character (most of the text) go through eight bytes at a time.
    const std::size_t n = nStored;
    const std::uint8_t* pStream = KeyStream(n);  // the decoded bytes are never more
    const auto* p = reinterpret_cast<const std::uint8_t*>(pStored);
    out.resize(n);
    auto* pOut = reinterpret_cast<std::uint8_t*>(out.data());
    std::size_t i = 0, k = 0;
    auto one = [&]() {
        std::uint8_t b = p[i];
        if (i + 1 < n && ((b == '\'' && p[i + 1] == '\'') || (b == '\\' && p[i + 1] == '\\'))) {
            i += 2;
        } else if (i + 1 < n && b == '\\' && p[i + 1] == '0') {
            b = 0;
            i += 2;
        } else {
            ++i;
        }
        pOut[k] = b ^ pStream[k];
        ++k;
    };
    // eight bytes at a time while none of them is an apostrophe or a backslash
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    auto hasByte = [](std::uint64_t v, std::uint64_t nPattern) {
        std::uint64_t x = v ^ nPattern;
        return ((x - kOnes) & ~x & kHighs) != 0;
    };
    while (i + 8 <= n) {
        std::uint64_t w, ks;
        std::memcpy(&w, p + i, 8);
        if (hasByte(w, 0x2727272727272727ull) || hasByte(w, 0x5C5C5C5C5C5C5C5Cull)) {
            for (std::size_t nStop = i + 8; i < nStop;) one();
            continue;
        }
        std::memcpy(&ks, pStream + k, 8);
        w ^= ks;
        std::memcpy(pOut + k, &w, 8);
        i += 8;
        k += 8;
    }
    while (i < n) one();
    // the plain text ends at the first zero byte, the encrypted terminator
    const void* pZero = std::memchr(pOut, 0, k);
    out.resize(pZero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(pZero) - pOut) : k);
}

bool CCrypt::DecryptsCleanly(const std::string& strStored) const {
    if (strStored.empty() || !KeyReady()) return false;
    std::string strPlain = Apply(Unescape(strStored));
    return strPlain.find('\0') == strPlain.size() - 1;
}

std::string CCrypt::MakeVerifier(const std::string& strPassword, char chPad) {
    if (strPassword.empty()) return std::string();
    std::string strPadded = (strPassword + std::string(MAX_PASSWORD_LENGTH, chPad)).substr(0, MAX_PASSWORD_LENGTH);
    CCrypt crypt;
    crypt.SetPassword(strPadded);
    return crypt.Encrypt(strPadded);
}
