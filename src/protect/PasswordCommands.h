#pragma once
// What the password dialogs and the command-line front end say around the
// two password services: the checks of the typed input, the questions and
// the outcome messages. The texts live here once; the dialogs only read
// their fields, call these and decide whether to stay open.

#include <string>
#include <vector>

// --- database password ---------------------------------------------------------
// The typed password and its confirmation: false (message shown, the dialog
// stays) when they differ, when an unprotected database gets no password, or
// when removing the protection is not confirmed; also for a password that
// cannot be set (see CDbPasswort::CheckNewPassword).
bool CheckDbPasswordInput(const std::string& strPassword, const std::string& strConfirm, bool bProtected);
// Sets, changes or (empty) removes the password; on success the message
// that names what happened, and after protecting the notice of the
// unencrypted backup copies (bNotice false: the caller tells of them). False
// when refused or failed; a file that cannot be written is refused with the
// reason before anything starts.
bool ApplyDatabasePassword(const std::string& strNew, bool bNotice = true);
// The backup copies of the open database that hold its texts unencrypted
// (made before it was protected), full paths; they are the user's and are
// never deleted here.
std::vector<std::string> FindUnencryptedBackupCopies();
// The notice about them as a message box.
void ReportUnencryptedBackupCopies(const std::vector<std::string>& arrCopies);
// The same notice on one line, followed by the paths (UTF-8 source text).
inline constexpr const char* UNENCRYPTED_COPIES_NOTE =
    "Hinweis: Diese Sicherungskopien enthalten die Daten weiterhin unverschlüsselt "
    "(löschen oder an einen sicheren Ort verschieben): ";
// "Endschützen": the question, then the removal with its message.
bool ConfirmRemoveDatabasePassword();
bool RemoveDatabasePassword();
// A wrong password on opening: the wait, then the message.
void ReportWrongDatabasePassword();

// --- administrator password ----------------------------------------------------
bool CheckAdminPasswordInput(const std::string& strPassword, const std::string& strConfirm);
bool ApplyAdminPassword(const std::string& strNew);
bool ConfirmDeleteAdminPassword();
bool DeleteAdminPasswordReport();
// Login with its message; a wrong password gets the wait first.
bool AdminLoginReport(const std::string& strTyped);
void AdminLogoutReport();
// A wrong administrator password: the wait, then the message.
void ReportWrongAdminPassword();

// --- both ----------------------------------------------------------------------------
// False (message shown) for a password longer than the dialogs accept.
bool CheckPasswordLength(const std::string& strPassword);
// Password and confirmation differ.
void ReportPasswordMismatch();
// The typed text holds characters that Windows-1252 cannot hold.
void ReportUnusablePasswordCharacters();
