// The cipher against the published checks, and the properties every other
// implementation relies on: restart of the key stream per value, the stored
// form without zero bytes, round trips of every byte value.
#include <gtest/gtest.h>

#include <string>

#include "protect/CCrypt.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"

namespace {
std::string Hex(const std::string& s) {
    static const char* kDigits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string AllBytes() {
    std::string s;
    for (int c = 1; c < 256; ++c) s += static_cast<char>(c);
    return s;
}
}  // namespace

TEST(CCryptTest, PublishedChecks) {
    CCrypt crypt;
    crypt.SetPassword("geheim");
    EXPECT_EQ(Hex(crypt.Encrypt("Hallo Welt")), "c3d8285dbc46b19a7ed244");
    EXPECT_EQ(crypt.Decrypt(crypt.Encrypt("Hallo Welt")), "Hallo Welt");
    EXPECT_EQ(Hex(CDbPasswort::MakeVerifier("geheim")),
              "830894fe39d9f2c2fe5e7f0b7a672479c8b8de8ef06c875ad522151659b9c583cb");
    // computing a verifier leaves the instance's own key alone
    EXPECT_EQ(crypt.GetPassword(), "geheim");
    EXPECT_EQ(Hex(crypt.Encrypt("Hallo Welt")), "c3d8285dbc46b19a7ed244");
}

TEST(CCryptTest, RoundTripsEveryByteAndTheEscapedOnes) {
    const std::string arrPasswords[] = {"geheim", "x", std::string("\xE4\xF6\xFC\xDF", 4), AllBytes().substr(200, 32),
                                        ""};
    const std::string arrTexts[] = {AllBytes(),
                                    "'",
                                    "''",
                                    "\\",
                                    "\\0",
                                    "\\\\0",
                                    "O'Neil \\\\server\\share",
                                    "a",
                                    std::string(5000, '\''),
                                    "Stra\xDF"
                                    "e und Gr\xFC\xDF"
                                    "e"};
    for (const auto& strPw : arrPasswords) {
        CCrypt crypt;
        crypt.SetPassword(strPw);
        for (const auto& strText : arrTexts) {
            std::string strStored = crypt.Encrypt(strText);
            SCOPED_TRACE("password " + Hex(strPw) + " text " + Hex(strText.substr(0, 40)));
            EXPECT_EQ(strStored.find('\0'), std::string::npos);
            EXPECT_GE(strStored.size(), strText.size() + 1);
            EXPECT_LE(strStored.size(), 2 * (strText.size() + 1));
            EXPECT_EQ(crypt.Decrypt(strStored), strText);
            EXPECT_TRUE(crypt.DecryptsCleanly(strStored));
        }
    }
}

TEST(CCryptTest, EmptyValuesAndNoKey) {
    CCrypt crypt;
    EXPECT_EQ(crypt.Encrypt("abc"), "");  // no key yet
    EXPECT_EQ(crypt.Decrypt("abc"), "");
    crypt.SetPassword("geheim");
    EXPECT_EQ(crypt.Encrypt(""), "");
    EXPECT_EQ(crypt.Decrypt(""), "");
    EXPECT_FALSE(crypt.DecryptsCleanly(""));
}

TEST(CCryptTest, KeyStreamRestartsForEveryValueWhateverWasCachedBefore) {
    std::string strLong;
    for (int i = 0; i < 10000; ++i) strLong += static_cast<char>('a' + i % 26);
    CCrypt fresh;
    fresh.SetPassword("geheim");
    std::string strLongStored = fresh.Encrypt(strLong);

    // short values first, then ones that make the cache grow
    CCrypt used;
    used.SetPassword("geheim");
    EXPECT_EQ(used.Encrypt("Hallo Welt"), fresh.Encrypt("Hallo Welt"));
    for (std::size_t n : {100u, 4097u, 4200u, 9000u}) {
        std::string strPart = strLong.substr(0, n);
        EXPECT_EQ(used.Decrypt(used.Encrypt(strPart)), strPart);
    }
    EXPECT_EQ(used.Encrypt(strLong), strLongStored);
    EXPECT_EQ(used.Decrypt(strLongStored), strLong);
    EXPECT_EQ(Hex(used.Encrypt("Hallo Welt")), "c3d8285dbc46b19a7ed244");

    // shared prefixes give the same cipher bytes
    std::string a = CCrypt::Unescape(fresh.Encrypt("Wissen ist Macht"));
    std::string b = CCrypt::Unescape(fresh.Encrypt("Wissen ist Zeit"));
    EXPECT_EQ(a.substr(0, 11), b.substr(0, 11));
    EXPECT_NE(a[11], b[11]);
}

TEST(CCryptTest, StoredFormDecoding) {
    // every ordered pair of the three escaped bytes and a plain one
    const char arrEscaped[] = {'\'', '\\', '\0', '0'};
    for (char x : arrEscaped)
        for (char y : arrEscaped)
            for (char z : arrEscaped) {
                std::string raw{x, y, z};
                EXPECT_EQ(CCrypt::Unescape(CCrypt::Escape(raw)), raw) << Hex(raw);
            }
    EXPECT_EQ(CCrypt::Escape(std::string("'\\\0", 3)), "''\\\\\\0");
    EXPECT_EQ(CCrypt::Unescape("''"), "'");
    EXPECT_EQ(CCrypt::Unescape("\\\\0"), "\\0");
    EXPECT_EQ(CCrypt::Unescape("ab\\"), "ab\\");  // a last single byte stands for itself
    EXPECT_EQ(CCrypt::Unescape("'x"), "'x");
}

TEST(CCryptTest, WrongPasswordGivesOtherTextWithoutFailing) {
    CCrypt right, wrong;
    right.SetPassword("geheim");
    wrong.SetPassword("Geheim");
    std::string strText = "Ein Text, der lang genug ist, um zufaellig nicht zu passen.";
    std::string strStored = right.Encrypt(strText);
    std::string strWrong = wrong.Decrypt(strStored);
    EXPECT_NE(strWrong, strText);
    EXPECT_LE(strWrong.size(), CCrypt::Unescape(strStored).size());
    EXPECT_FALSE(wrong.DecryptsCleanly(strStored));
    // changing the password of one instance replaces its key
    right.SetPassword("Geheim");
    EXPECT_NE(right.Decrypt(strStored), strText);
}

TEST(CCryptTest, VerifiersPadToThirtyTwoCharacters) {
    EXPECT_EQ(CDbPasswort::MakeVerifier(""), "");
    EXPECT_EQ(CDbAdmin::MakeVerifier(""), "");
    std::string str32(32, 'k');
    std::string v = CDbAdmin::MakeVerifier(str32);
    EXPECT_EQ(CCrypt::Unescape(v).size(), 33u);
    // only the padded text counts
    EXPECT_EQ(CDbPasswort::MakeVerifier("abc"), CDbPasswort::MakeVerifier("abc~~"));
    EXPECT_EQ(CDbAdmin::MakeVerifier("abc"), CDbAdmin::MakeVerifier("abc##"));
    EXPECT_NE(CDbAdmin::MakeVerifier("abc"), CDbPasswort::MakeVerifier("abc"));
    EXPECT_EQ(CDbAdmin::MakeVerifier(str32 + "zzz"), v);
}

// Decrypt takes the stored form apart and applies the key stream in one
// pass; any input, escapes in odd places too, must come out as the two
// steps one after the other would give it.
TEST(CCryptTest, DecryptIsUnescapeThenKeyStreamForAnyInput) {
    CCrypt crypt;
    crypt.SetPassword("Schl\xFCssel");
    const size_t kMax = 300;
    // the key stream, read off the encryption of a text of 'A's
    std::string strStream = CCrypt::Unescape(crypt.Encrypt(std::string(kMax, 'A')));
    for (auto& c : strStream) c = static_cast<char>(c ^ 'A');
    auto reference = [&](const std::string& strStored) {
        std::string u = CCrypt::Unescape(strStored);
        std::string out;
        for (size_t k = 0; k < u.size(); ++k) {
            char c = static_cast<char>(u[k] ^ strStream[k]);
            if (c == '\0') break;
            out += c;
        }
        return out;
    };
    const char kAlphabet[] = {'\'', '\\', '0', 'a', '\x80', '\xFF', '\x01'};
    std::uint64_t n = 12345;
    for (int nCase = 0; nCase < 3000; ++nCase) {
        n = n * 6364136223846793005ull + 1442695040888963407ull;
        size_t nLength = 1 + (n >> 33) % (kMax - 1);
        std::string s;
        for (size_t i = 0; i < nLength; ++i) {
            n = n * 6364136223846793005ull + 1442695040888963407ull;
            s += kAlphabet[(n >> 40) % sizeof kAlphabet];
        }
        ASSERT_EQ(crypt.Decrypt(s), reference(s)) << Hex(s);
    }
    for (const char* psz : {"'", "\\", "''", "\\\\", "\\0", "'''", "\\\\\\", "a'", "a\\", "\\0\\0'"})
        EXPECT_EQ(crypt.Decrypt(psz), reference(psz)) << psz;
    std::string strText = AllBytes() + AllBytes();
    EXPECT_EQ(crypt.Decrypt(crypt.Encrypt(strText)), strText);
}
