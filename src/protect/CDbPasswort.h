#pragma once
// The database password: the verifier "DbKey", the prompt on opening, and
// the re-encryption of every entry when it is set, changed or removed.

#include <functional>
#include <string>

#include "protect/CCrypt.h"
#include "table/CFieldCodec.h"

class CDbPasswort : public IFieldCodec {
public:
    CDbPasswort();
    ~CDbPasswort() override;

    bool IsProtected();
    void ClearPassword();
    // Asks through the installed prompt until the password is right or the
    // user cancels; true at once for an unprotected database.
    bool AskPasswordOnOpen();
    bool CheckPassword(const std::string& strTyped);
    bool SetDatabasePassword(const std::string& strNew);
    bool ReencryptAll(const std::string& strOld, const std::string& strNew);
    bool IsPasswordSet() const { return !m_crypt.GetPassword().empty(); }

    std::string EncryptField(const std::string& strValue) override;
    std::string DecryptField(const std::string& strStored) override;

    // The password dialog (GUI) or the --password option (CLI): called by
    // AskPasswordOnOpen, answers true once CheckPassword succeeded.
    using PasswordPrompt = std::function<bool(CDbPasswort&)>;
    void SetPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }

private:
    CCrypt m_crypt;
    PasswordPrompt m_prompt;
};

CDbPasswort& GetDbPasswort();
