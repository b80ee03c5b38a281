#pragma once
// The modal dialogs the document's commands open. Each is reached through
// one replaceable function, so tests can record the call instead of running
// a modal loop; the defaults open the real dialogs.

#include <QWidget>
#include <functional>
#include <memory>

#include "db/DbCommands.h"
#include "table/CTableItem.h"

class CKnowHow;
class COrvantisDoc;

struct SDocDialogs {
    std::function<void(QWidget* pParent)> fnDbInfo;                     // ID_DATABASE_INFO
    std::function<void(QWidget* pParent)> fnBackupSettings;             // ID_BACKUP_SETTINGS
    std::function<void(QWidget* pParent)> fnDatabasePassword;           // ID_DATABASE_ENCRYPT
    std::function<void(QWidget* pParent)> fnAdminLogin;                 // ID_ADMIN_LOGIN
    std::function<void(QWidget* pParent)> fnAdminSetup;                 // ID_ADMIN_PROTECT
    std::function<void(QWidget* pParent, COrvantisDoc& doc)> fnSearch;  // ID_SEARCH
    // ID_BACKUP_RESTORE: into the folder nTarget; answers the restored
    // entry's new ID, 0 when nothing was restored
    std::function<TRowId(QWidget* pParent, CKnowHow& service, TRowId nTarget)> fnRestoreFromBackup;
    std::function<void(QWidget* pParent, COrvantisDoc& doc)> fnTrash;   // ID_TRASH
    // the notice shown while the database is reorganised
    std::function<std::unique_ptr<IWaitNotice>()> fnWaitNotice;
};

SDocDialogs& GetDocDialogs();
// Puts the real dialogs back.
void ResetDocDialogs();
