#include "protect/ui/PasswordPrompt.h"

#include <QApplication>

#include "protect/CDbPasswort.h"
#include "protect/ui/CPasswortDlg.h"

void InstallPasswordPrompt() {
    GetDbPasswort().SetPrompt([](CDbPasswort& passwort) {
        CPasswortDlg dlg(passwort, QApplication::activeWindow());
        return dlg.exec() == QDialog::Accepted;
    });
}
