#include "app/DocDialogs.h"

#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "protect/ui/CAdminLoginDlg.h"
#include "protect/ui/CAdminSetupDlg.h"
#include "protect/ui/COptionPasswortDlg.h"

namespace {
// Until a dialog is wired in, its command says so instead of doing nothing.
void NotAvailable(QWidget*) {
    GetPlatform().MessageBox(Ansi("Diese Funktion ist in dieser Version noch nicht verfügbar."), "",
                             EMsgIcon::Information, EMsgButtons::Ok);
}

SDocDialogs MakeDefaults() {
    SDocDialogs d;
    d.fnDbInfo = NotAvailable;
    d.fnBackupSettings = NotAvailable;
    d.fnDatabasePassword = [](QWidget* pParent) {
        COptionPasswortDlg dlg(pParent);
        dlg.exec();
    };
    d.fnAdminLogin = [](QWidget* pParent) {
        CAdminLoginDlg dlg(pParent);
        dlg.exec();
    };
    d.fnAdminSetup = [](QWidget* pParent) {
        CAdminSetupDlg dlg(pParent);
        dlg.exec();
    };
    d.fnSearch = [](QWidget* pParent, COrvantisDoc*) { NotAvailable(pParent); };
    d.fnWaitNotice = [] { return std::unique_ptr<IWaitNotice>(); };
    return d;
}

SDocDialogs& Dialogs() {
    static SDocDialogs s_dialogs = MakeDefaults();
    return s_dialogs;
}
}  // namespace

SDocDialogs& GetDocDialogs() {
    return Dialogs();
}

void ResetDocDialogs() {
    Dialogs() = MakeDefaults();
}
