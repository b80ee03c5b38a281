#pragma once
// Lets the database-password service ask with CPasswortDlg when a protected
// database is opened. Called once at start-up.

void InstallPasswordPrompt();
