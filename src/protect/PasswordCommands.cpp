#include "protect/PasswordCommands.h"

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"

namespace {
const char* const kInputCaption = "Fehlerhafte Kennworteingabe";
// Wrong passwords are answered slowly, so that guessing takes time.
constexpr int kWrongPasswordDelayMs = 3000;

void Exclamation(const char* pszText, const char* pszCaption) {
    GetPlatform().MessageBox(Ansi(pszText), Ansi(pszCaption), EMsgIcon::Exclamation, EMsgButtons::Ok);
}

void Information(const char* pszText, const char* pszCaption) {
    GetPlatform().MessageBox(Ansi(pszText), Ansi(pszCaption), EMsgIcon::Information, EMsgButtons::Ok);
}

bool Question(const char* pszText, const char* pszCaption) {
    return GetPlatform().MessageBox(Ansi(pszText), Ansi(pszCaption), EMsgIcon::Question, EMsgButtons::OkCancel) ==
           EMsgResult::Ok;
}

void WrongPasswordDelay() {
    CPlatform& platform = GetPlatform();
    platform.BeginWaitCursor();
    platform.Sleep(kWrongPasswordDelayMs);
    platform.EndWaitCursor();
}

// Copies listed by name in the notice; the rest are counted.
constexpr size_t kListedCopies = 12;

// The refusal, after the reason where there is one the user can act on.
void ShowRefusal(const std::string& strWhy, const char* pszRefusal) {
    GetPlatform().MessageBox((strWhy.empty() ? strWhy : strWhy + "\n\n") + Ansi(pszRefusal), "",
                             EMsgIcon::Exclamation, EMsgButtons::Ok);
}

// A file that cannot be written fails each of these half-way and in
// silence; say why before anything starts.
bool CheckWritable(const char* pszRefusal) {
    std::string strWhy = WhyDatabaseCannotBeWritten();
    if (strWhy.empty()) return true;
    ShowRefusal(strWhy, pszRefusal);
    return false;
}

const char* const kDecrypted =
    "Alle Einträge in der Datenbank wurden entschlüsselt.\n\nDie Datenbank ist jetzt ungeschützt !";
}  // namespace

bool CheckPasswordLength(const std::string& strPassword) {
    if (strPassword.size() <= MAX_PASSWORD_LENGTH) return true;
    Exclamation("Das Kennwort darf höchstens 32 Zeichen lang sein !", kInputCaption);
    return false;
}

void ReportPasswordMismatch() {
    Exclamation("Kennwort und Kontrolleingabe unterscheiden sich !", kInputCaption);
}

void ReportUnusablePasswordCharacters() {
    Exclamation("Das Kennwort enthält Zeichen, die nicht verwendet werden können !", kInputCaption);
}

bool CheckDbPasswordInput(const std::string& strPassword, const std::string& strConfirm, bool bProtected) {
    if (strPassword != strConfirm) {
        ReportPasswordMismatch();
        return false;
    }
    if (strPassword.empty() && !bProtected) {
        Exclamation(
            "Sie haben kein Kennwort eingegeben,\n\nohne Kennwort kann die Datenbak nicht verschlüsselt werden !",
            kInputCaption);
        return false;
    }
    if (strPassword.empty()) {
        return Question("Sie haben kein Kennwort eingegeben,\n\nwenn Sie fortfahren wird die Datenbank entschlüsselt !",
                        "Datenbank Schützen");
    }
    return GetDbPasswort().CheckNewPassword(strPassword);
}

bool ApplyDatabasePassword(const std::string& strNew, bool bNotice) {
    CDbPasswort& passwort = GetDbPasswort();
    // the key in force tells it without a read that another user's lock could fail
    bool bWasProtected = passwort.IsPasswordSet();
    if (!CheckWritable(strNew.empty() ? "Sie kann zur Zeit nicht entschlüsselt werden !"
                                      : "Sie kann zur Zeit nicht verschlüsselt werden !"))
        return false;
    if (!passwort.SetDatabasePassword(strNew)) return false;
    const char* pszText = kDecrypted;
    if (!strNew.empty())
        pszText = bWasProtected ? "Das Kennwort der Datenbank wurde geändert."
                                : "Alle Einträge in der Datenbank wurden verschlüsselt.";
    Information(pszText, "Datenbank verschlüsseln");
    if (bNotice && !strNew.empty()) {
        auto arrCopies = FindUnencryptedBackupCopies();
        if (!arrCopies.empty()) ReportUnencryptedBackupCopies(arrCopies);
    }
    return true;
}

std::vector<std::string> FindUnencryptedBackupCopies() {
    // a copy made while the database had a password holds its verifier
    return GetDatabase().FindBackupCopiesWithout("DbKey");
}

void ReportUnencryptedBackupCopies(const std::vector<std::string>& arrCopies) {
    std::string strList;
    for (size_t i = 0; i < arrCopies.size() && i < kListedCopies; ++i) strList += Utf8ToCp1252(arrCopies[i]) + "\n";
    if (arrCopies.size() > kListedCopies)
        strList += Ansi("… und ") + std::to_string(arrCopies.size() - kListedCopies) + " weitere\n";
    GetPlatform().MessageBox(Ansi("Die folgenden Sicherungskopien enthalten die Daten weiterhin unverschlüsselt:\n\n") +
                                 strList +
                                 Ansi("\nLöschen Sie diese Dateien oder verschieben Sie sie an einen sicheren Ort !"),
                             Ansi("Datenbank verschlüsseln"), EMsgIcon::Exclamation, EMsgButtons::Ok);
}

bool ConfirmRemoveDatabasePassword() {
    return Question("Wenn Sie fortfahren wird die Datenbank entschlüsselt !", "Datenbank verschlüsseln");
}

bool RemoveDatabasePassword() {
    if (!CheckWritable("Sie kann zur Zeit nicht entschlüsselt werden !")) return false;
    if (!GetDbPasswort().SetDatabasePassword(std::string())) return false;
    Information(kDecrypted, "Datenbank Schützen");
    return true;
}

void ReportWrongDatabasePassword() {
    WrongPasswordDelay();
    Exclamation("Das eingegebene Passwort ist falsch !", "Passworteingabe");
}

bool CheckAdminPasswordInput(const std::string& strPassword, const std::string& strConfirm) {
    if (strPassword != strConfirm) {
        ReportPasswordMismatch();
        return false;
    }
    if (strPassword.empty()) {
        Exclamation("Sie haben kein Kennwort eingegeben !", "Administrator-Kennwort");
        return false;
    }
    return CheckPasswordLength(strPassword);
}

bool ApplyAdminPassword(const std::string& strNew) {
    if (!CheckWritable("Das Kennwort kann zur Zeit nicht eingetragen werden !")) return false;
    if (!GetDbAdmin().SetAdminPassword(strNew)) return false;
    Information("Das Kennwort wurde eingetragen.", "Administrator-Kennwort");
    return true;
}

bool ConfirmDeleteAdminPassword() {
    return Question("Wenn Sie fortfahren wird die Administrator-Funktionen für alle Anwender freigegeben !",
                    "Administrator-Kennwort");
}

bool DeleteAdminPasswordReport() {
    if (!CheckWritable("Das Kennwort kann zur Zeit nicht gelöscht werden !")) return false;
    if (!GetDbAdmin().DeleteAdminPassword()) {
        // a write that did not arrive
        ShowRefusal(GetDbFailureReason(GetDatabase().GetLastErrorCode()),
                    "Das Kennwort kann zur Zeit nicht gelöscht werden !");
        return false;
    }
    Information("Das Administrator-Kennwort wurde gelöscht.", "Administrator-Kennwort");
    return true;
}

bool AdminLoginReport(const std::string& strTyped) {
    switch (GetDbAdmin().TestLogin(strTyped)) {
        case EPasswordCheck::Right:
            Information("Die Administrator-Funktionen wurden freigegeben !", "Administrator-Anmeldung");
            return true;
        case EPasswordCheck::Wrong: ReportWrongAdminPassword(); return false;
        case EPasswordCheck::Unreadable: break;  // the reason is shown already
    }
    return false;
}

void ReportWrongAdminPassword() {
    WrongPasswordDelay();
    Exclamation("Das eingegebene Kennwort ist falsch !", "Kennworteingabe");
}

void AdminLogoutReport() {
    GetDbAdmin().Logout();
    Information("Die Administrator-Funktionen wurden gesperrt !", "Administrator-Abmeldung");
}
