#pragma once
// What the password dialogs and the command-line front end say around the
// two password services: the checks of the typed input, the questions and
// the outcome messages. The texts live here once; the dialogs only read
// their fields, call these and decide whether to stay open.

#include <string>

// --- database password ---------------------------------------------------------
// The typed password and its confirmation: false (message shown, the dialog
// stays) when they differ, when an unprotected database gets no password, or
// when removing the protection is not confirmed; also for a password that
// cannot be set (see CDbPasswort::CheckNewPassword).
bool CheckDbPasswordInput(const std::string& strPassword, const std::string& strConfirm, bool bProtected);
// Sets, changes or (empty) removes the password; on success the message
// that names what happened. False when refused or failed.
bool ApplyDatabasePassword(const std::string& strNew);
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
