#pragma once
// The administrator password that locks the administrative commands. Only
// its verifier "AdminKey" is stored; the unlocked state is per program run
// and per opened database.

#include <string>

#include "protect/CCrypt.h"
#include "protect/CDbPasswort.h"

class CDbAdmin {
public:
    virtual ~CDbAdmin() = default;

    // False (and locked) when "AdminKey" could not be read.
    bool ResetAdminState();
    bool IsAdminPasswordSet();
    // False when "AdminKey" could not be read: then nothing counts as unlocked.
    bool ReadAdminPasswordSet(bool& bSet);
    bool IsUnlocked() const { return m_bUnlocked; }
    bool Login(const std::string& strTyped) { return TestLogin(strTyped) == EPasswordCheck::Right; }
    // As Login; Unreadable (the reason shown) when the verifier could not be
    // read. Typed passwords are cut to 32 characters as the dialogs do.
    EPasswordCheck TestLogin(const std::string& strTyped);
    bool Logout();
    bool SetAdminPassword(const std::string& strNew);
    bool DeleteAdminPassword();

    static std::string MakeVerifier(const std::string& strPassword) { return CCrypt::MakeVerifier(strPassword, '#'); }

private:
    bool m_bUnlocked = false;
};

CDbAdmin& GetDbAdmin();
