#include "protect/CDbAdmin.h"

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

CDbAdmin& GetDbAdmin() {
    static CDbAdmin s_admin;
    return s_admin;
}

bool CDbAdmin::ResetAdminState() {
    m_bUnlocked = false;
    bool bSet = true;
    if (!ReadAdminPasswordSet(bSet)) return false;
    // without an administrator password nothing is locked
    m_bUnlocked = !bSet;
    return true;
}

bool CDbAdmin::IsAdminPasswordSet() {
    return !GetDatabase().GetOption("AdminKey").empty();
}

bool CDbAdmin::ReadAdminPasswordSet(bool& bSet) {
    std::string strStored;
    bool bOk = GetDatabase().ReadOption("AdminKey", strStored);
    bSet = !strStored.empty();
    return bOk;
}

EPasswordCheck CDbAdmin::TestLogin(const std::string& strTyped) {
    std::string strStored;
    if (!GetDatabase().ReadOption("AdminKey", strStored)) {
        ShowDbFailureReason();
        return EPasswordCheck::Unreadable;
    }
    if (MakeVerifier(strTyped.substr(0, MAX_PASSWORD_LENGTH)) != strStored) return EPasswordCheck::Wrong;
    m_bUnlocked = true;
    return EPasswordCheck::Right;
}

bool CDbAdmin::Logout() {
    m_bUnlocked = false;
    return true;
}

bool CDbAdmin::SetAdminPassword(const std::string& strNew) {
    CDB& db = GetDatabase();
    if (!db.MakeBackup()) {
        GetPlatform().MessageBox(Ansi("Die Datenbank wird von anderen Benutzern verwendet.\n\n"
                                      "Es kann zur Zeit kein Administratorkennwort eingerichtet werden !"),
                                 "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    // a write that does not arrive must not be reported as stored
    if (!db.SetOption("AdminKey", MakeVerifier(strNew))) return false;
    m_bUnlocked = true;
    return true;
}

bool CDbAdmin::DeleteAdminPassword() {
    // a delete that does not arrive must not be reported as done
    return GetDatabase().SetOption("AdminKey", std::string());
}
