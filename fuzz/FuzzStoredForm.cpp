// The cipher's stored form, checked against a decoding written here from the
// format's description (three two-byte escapes, every other byte itself) and
// a plain RC4 under the first 5 bytes of MD5(password + NUL): decoding,
// decrypting, the encrypt/decrypt round trip, and the choice of the data key
// among passwords that differ only in trailing tildes.
#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "db/CDB.h"
#include "protect/CCrypt.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
CFuzzPlatform g_platform;
std::unique_ptr<CKnowHow> g_pKnowHow;

// Takes bytes off the front of the input.
class CInput {
public:
    CInput(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    uint8_t Byte() {
        if (m_n == 0) return 0;
        --m_n;
        return *m_p++;
    }
    std::string Bytes(size_t n) {
        n = std::min(n, m_n);
        std::string str(reinterpret_cast<const char*>(m_p), n);
        m_p += n;
        m_n -= n;
        return str;
    }
    std::string Rest() { return Bytes(m_n); }

private:
    const uint8_t* m_p;
    size_t m_n;
};

std::string RefDecode(const std::string& strStored) {
    std::string out;
    size_t i = 0;
    while (i < strStored.size()) {
        if (i + 1 < strStored.size()) {
            std::string strPair = strStored.substr(i, 2);
            if (strPair == "''" || strPair == "\\\\" || strPair == std::string("\\0")) {
                out += strPair == "''" ? '\'' : strPair == "\\\\" ? '\\' : '\0';
                i += 2;
                continue;
            }
        }
        out += strStored[i++];
    }
    return out;
}

std::string RefEncode(const std::string& strCipher) {
    std::string out;
    for (char c : strCipher)
        out += c == '\'' ? std::string("''") : c == '\\' ? "\\\\" : c == '\0' ? "\\0" : std::string(1, c);
    return out;
}

std::string RefRc4(const std::string& strPassword, const std::string& strData) {
    std::string strKeyInput = strPassword + '\0';
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int nDigest = 0;
    FUZZ_CHECK(EVP_Digest(strKeyInput.data(), strKeyInput.size(), digest, &nDigest, EVP_md5(), nullptr) == 1, "md5");
    uint8_t key[16] = {};
    for (int i = 0; i < 5; ++i) key[i] = digest[i];
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 16]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::string out(strData);
    for (size_t k = 0, i = 0, j = 0; k < out.size(); ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out[k] = static_cast<char>(out[k] ^ s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

std::string UpToZero(const std::string& str) {
    return str.substr(0, str.find('\0'));
}

std::string Quote(const std::string& str) {
    std::string out = "'";
    for (char c : str) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// A password of 1..32 bytes without NUL and without a trailing tilde, and
// stored texts under it; typed with extra tildes, the data key must still
// decrypt every text, and be the password itself where the texts tell.
void CheckDataKeyChoice(CInput& in) {
    std::string strPassword = in.Bytes(1 + in.Byte() % 32);
    for (char& c : strPassword)
        if (c == '\0') c = 'x';
    while (!strPassword.empty() && strPassword.back() == '~') strPassword.pop_back();
    if (strPassword.empty()) return;
    size_t nTildes = in.Byte() % 40;
    size_t nTexts = 1 + in.Byte() % 8;
    CCrypt crypt;
    crypt.SetPassword(strPassword);
    std::vector<std::string> arrPlain;
    CDB& db = GetDatabase();
    FUZZ_CHECK(db.BeginTransaction(), "begin");
    FUZZ_CHECK(db.SetOption("DbKey", CDbPasswort::MakeVerifier(strPassword)), "verifier");
    for (size_t i = 0; i < nTexts; ++i) {
        std::string strText = UpToZero(in.Bytes(1 + in.Byte() % 24));
        if (strText.empty()) strText = "-";
        arrPlain.push_back(strText);
        FUZZ_CHECK(db.Execute("INSERT INTO KnowHow (IsAktiv, MasterID, LinkID, Typ, PosNr, IsDir, Name, Text, Link, "
                              "UpdateNr) VALUES ('1', 0, 0, 0, " +
                              std::to_string(i + 1) + ", '0', " + Quote(crypt.Encrypt(strText)) + ", '', '', 0);"),
                   "insert");
    }
    std::string strTyped = strPassword + std::string(nTildes, '~');
    CDbPasswort& passwort = GetDbPasswort();
    FUZZ_CHECK(passwort.CheckPassword(strTyped), "extra tildes pass the verifier");
    std::string strKey = passwort.GetPassword();
    std::string strBase = strKey;
    while (!strBase.empty() && strBase.back() == '~') strBase.pop_back();
    FUZZ_CHECK(strBase == strPassword && (strKey.size() <= MAX_PASSWORD_LENGTH || strKey == strTyped),
               "the key is the password with some tildes");
    CCrypt chosen;
    chosen.SetPassword(strKey);
    for (size_t i = 0; i < arrPlain.size(); ++i)
        FUZZ_CHECK(chosen.DecryptsCleanly(crypt.Encrypt(arrPlain[i])), "the chosen key decrypts every text cleanly");
    // the text without tildes is tried first, so no wrong key can come before it
    FUZZ_CHECK(strKey == strPassword, "the texts tell the key");
    passwort.ClearPassword();
    FUZZ_CHECK(db.RollbackTransaction(), "rollback");
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetPlatform(&g_platform);
    g_pKnowHow = CreateKnowledgeBase(FuzzScratchFolder() + "/fuzz.tov");
    FUZZ_CHECK(g_pKnowHow != nullptr, "knowledge base");
    // every run is rolled back: a journal in memory keeps the runs fast
    FUZZ_CHECK(GetDatabase().Execute("PRAGMA journal_mode=MEMORY;"), "journal in memory");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CInput in(pData, nSize);
    uint8_t nMode = in.Byte();
    std::string strPassword = UpToZero(in.Bytes(nMode % 33));
    std::string strData = in.Rest();

    // decoding and escaping
    FUZZ_CHECK(CCrypt::Unescape(strData) == RefDecode(strData), "decoding");
    FUZZ_CHECK(CCrypt::Unescape(CCrypt::Escape(strData)) == strData, "escape round trip");
    FUZZ_CHECK(CCrypt::Escape(strData) == RefEncode(strData), "escaping");

    CCrypt crypt;
    crypt.SetPassword(strPassword);
    // decrypting any stored text, at any offset of a larger buffer
    std::string strExpected = strData.empty() ? std::string() : UpToZero(RefRc4(strPassword, RefDecode(strData)));
    FUZZ_CHECK(crypt.Decrypt(strData) == strExpected, "decrypting");
    std::string strInto = "alt";
    crypt.DecryptInto(strData.data(), strData.size(), strInto);
    FUZZ_CHECK(strInto == strExpected, "decrypting into a buffer");

    // encrypting: the stored form of RC4 over the text and its terminator
    std::string strStored = crypt.Encrypt(strData);
    if (strData.empty()) {
        FUZZ_CHECK(strStored.empty(), "nothing stays nothing");
    } else {
        FUZZ_CHECK(strStored == RefEncode(RefRc4(strPassword, strData + '\0')), "encrypting");
        FUZZ_CHECK(strStored.size() >= strData.size() + 1 && strStored.size() <= 2 * (strData.size() + 1),
                   "stored length");
        FUZZ_CHECK(strStored.find('\0') == std::string::npos, "no zero byte stored");
        FUZZ_CHECK(crypt.Decrypt(strStored) == UpToZero(strData), "round trip");
        if (strData.find('\0') == std::string::npos)
            FUZZ_CHECK(crypt.DecryptsCleanly(strStored), "own texts decrypt cleanly");
    }

    // a quarter of the runs: the choice costs a database round and dozens of keys
    if (nMode >= 0xC0) {
        CInput inKey(pData + 1, nSize - 1);
        CheckDataKeyChoice(inKey);
    }
    return 0;
}
