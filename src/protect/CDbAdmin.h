#pragma once
// The administrator password that locks the administrative commands. Only
// its verifier "AdminKey" is stored; the unlocked state is per program run
// and per opened database.

#include <string>

#include "protect/CCrypt.h"

class CDbAdmin {
public:
    virtual ~CDbAdmin() = default;

    void ResetAdminState();
    bool IsAdminPasswordSet();
    bool IsUnlocked() const { return m_bUnlocked; }
    bool Login(const std::string& strTyped);
    bool Logout();
    bool SetAdminPassword(const std::string& strNew);
    bool DeleteAdminPassword();

    static std::string MakeVerifier(const std::string& strPassword) { return CCrypt::MakeVerifier(strPassword, '#'); }

private:
    bool m_bUnlocked = false;
};

CDbAdmin& GetDbAdmin();
