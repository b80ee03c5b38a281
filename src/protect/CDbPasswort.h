#pragma once
// The database password: the verifier "DbKey", the prompt on opening, and
// the re-encryption of every entry when it is set, changed or removed.

#include <functional>
#include <string>
#include <vector>

#include "protect/CCrypt.h"
#include "table/CFieldCodec.h"

// The outcome of checking a typed password against its stored verifier.
enum class EPasswordCheck { Right, Wrong, Unreadable };

class CDbPasswort : public IFieldCodec {
public:
    // Installs itself as the table's field codec.
    CDbPasswort();
    ~CDbPasswort() override;

    bool IsProtected();
    // False when "DbKey" could not be read (another user's lock, a damaged
    // file): then nothing may be read or written as if the file were plain.
    bool ReadProtected(bool& bProtected);
    void ClearPassword();
    // Asks through the installed prompt until the password is right or the
    // user cancels; true at once for an unprotected database. A file whose
    // protection cannot be read is refused with the reason.
    bool AskPasswordOnOpen();
    // Typed passwords are cut to the 32 characters the dialogs take, so
    // every front end derives the same verifier and data key.
    bool CheckPassword(const std::string& strTyped) { return TestPassword(strTyped) == EPasswordCheck::Right; }
    // As CheckPassword; Unreadable (the reason shown) when the stored
    // verifier or texts could not be read.
    EPasswordCheck TestPassword(const std::string& strTyped);
    // Shows why a password cannot be set (too long, or ending with "~") and
    // answers false; true for an acceptable one, the empty one included.
    bool CheckNewPassword(const std::string& strNew);
    bool SetDatabasePassword(const std::string& strNew);
    bool ReencryptAll(const std::string& strOld, const std::string& strNew);
    bool IsPasswordSet() const { return m_bPasswordSet; }
    // The key the texts are encrypted with now (empty: stored plain).
    std::string GetPassword() const { return m_crypt.GetPassword(); }

    std::string EncryptField(const std::string& strValue) override;
    std::string DecryptField(const std::string& strStored) override;
    void DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut) override;

    // The password dialog (GUI) or the --password option (CLI): called by
    // AskPasswordOnOpen, answers true once CheckPassword succeeded.
    using PasswordPrompt = std::function<bool(CDbPasswort&)>;
    void SetPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }

    static std::string MakeVerifier(const std::string& strPassword) { return CCrypt::MakeVerifier(strPassword, '~'); }
    // The data key of a typed password that passed the verifier, told by
    // stored texts (Name and Text cells as stored): the verifier cannot
    // tell "abc", "abc~" and "abc~~" apart; the data key can. Picks among
    // them (the text without tildes first) the one under which every sample
    // decrypts cleanly; without samples the text without trailing tildes,
    // which is what a password set here is. Never the empty key.
    static std::string PickDataKey(const std::string& strTyped, const std::vector<std::string>& arrSamples);
    // The statement that reads those samples.
    static std::string DataKeySampleSql();

private:
    // PickDataKey on a sample of the open file's texts; false when the
    // sample could not be read.
    bool ChooseDataKey(const std::string& strTyped, std::string& strKey);
    void SetKey(const std::string& strPassword);

    CCrypt m_crypt;
    bool m_bPasswordSet = false;  // asked for every field, so not derived each time
    PasswordPrompt m_prompt;
};

CDbPasswort& GetDbPasswort();
