#include "protect/KnowledgeBase.h"

#include "db/CDB.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"
#include "tree/CKnowHow.h"

namespace {
// A failed opening must not keep the file open: others would be kept from
// maintenance, and the session would point at a database nobody uses.
std::unique_ptr<CKnowHow> Fail() {
    CDB& db = GetDatabase();
    if (db.GetTransactionDepth() > 0) db.RollbackTransaction();
    db.Close();
    GetDbPasswort().ClearPassword();
    return nullptr;
}
}  // namespace

std::unique_ptr<CKnowHow> OpenKnowledgeBase(const std::string& strPath, bool bDailyBackup) {
    OpenDatabase(strPath);
    return ContinueOpenKnowledgeBase(bDailyBackup);
}

std::unique_ptr<CKnowHow> ContinueOpenKnowledgeBase(bool bDailyBackup) {
    CDB& db = GetDatabase();
    CDbPasswort& passwort = GetDbPasswort();
    passwort.ClearPassword();
    if (!passwort.AskPasswordOnOpen()) return Fail();
    if (!db.CheckVersion()) return Fail();
    if (bDailyBackup) db.DailyBackup();
    auto pKnowHow = std::make_unique<CKnowHow>();
    // an unreadable administrator key must not unlock the locked commands
    if (!GetDbAdmin().ResetAdminState()) {
        ShowDbUnreadable();
        return Fail();
    }
    return pKnowHow;
}

std::unique_ptr<CKnowHow> CreateKnowledgeBase(const std::string& strPath) {
    CDB& db = GetDatabase();
    OpenDatabase(strPath);
    GetDbPasswort().ClearPassword();
    if (!db.IsOpen()) return Fail();
    db.InitNewDatabase();
    auto pKnowHow = std::make_unique<CKnowHow>();
    GetDbAdmin().ResetAdminState();
    return pKnowHow;
}
