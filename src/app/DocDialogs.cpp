#include "app/DocDialogs.h"

#include "app/COrvantisDoc.h"
#include "db/CDbInfo.h"
#include "db/ui/CBackupDlg.h"
#include "db/ui/CDbInfoDlg.h"
#include "edit/CSuchenDlg.h"
#include "edit/CWaitDlg.h"
#include "protect/ui/CAdminLoginDlg.h"
#include "protect/ui/CAdminSetupDlg.h"
#include "protect/ui/COptionPasswortDlg.h"
#include "protect/ui/CRestoreDlg.h"
#include "tree/CKnowHow.h"
#include "tree/ui/CTrashDlg.h"

namespace {
SDocDialogs MakeDefaults() {
    SDocDialogs d;
    d.fnDbInfo = [](QWidget* pParent) {
        CDbInfoDlg dlg(pParent);
        if (dlg.IsRead())
            dlg.exec();
        else
            ShowDbInfoUnreadable();
    };
    d.fnBackupSettings = [](QWidget* pParent) { CBackupDlg(pParent).exec(); };
    d.fnDatabasePassword = [](QWidget* pParent) { COptionPasswortDlg(pParent).exec(); };
    d.fnAdminLogin = [](QWidget* pParent) { CAdminLoginDlg(pParent).exec(); };
    d.fnAdminSetup = [](QWidget* pParent) { CAdminSetupDlg(pParent).exec(); };
    d.fnSearch = [](QWidget* pParent, COrvantisDoc& doc) { RunSearchDialog(pParent, doc); };
    d.fnRestoreFromBackup = [](QWidget* pParent, CKnowHow& service, TRowId nTarget) {
        CRestoreDlg dlg(service, nTarget, nTarget > 0 ? service.GetPath(nTarget) : std::string(), pParent);
        dlg.exec();
        return dlg.GetRestoredId();
    };
    d.fnTrash = [](QWidget* pParent, COrvantisDoc& doc) {
        if (!doc.GetService()) return;
        CTrashDlg dlg(pParent, *doc.GetService(), !doc.IsWriteProtected());
        dlg.SetRestoredHook([&doc](TRowId nId) { doc.ShowRestored(nId); });
        dlg.exec();
    };
    d.fnWaitNotice = [] { return std::unique_ptr<IWaitNotice>(std::make_unique<CWaitNotice>()); };
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
