// backup DATEI: a backup copy now, as before an upgrade or a password change.
#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    auto pKnowHow = CliOpenKnowledgeBase(args, strPath);
    if (!pKnowHow) return CLI_FAILED;
    CDB& db = GetDatabase();
    std::string strCopy;
    if (!db.MakeBackup(&strCopy))
        return CliFail(
            Ansi("Die Datenbank wird von anderen Benutzern verwendet.\n\nSie kann zur Zeit nicht gesichert werden !"));
    if (strCopy.empty()) return CliFail(BackupFailureText(db.GetBackupFolderTried(), db.GetBackupFailure()));
    CliPrintLine(strCopy);
    return CLI_OK;
}

CCliRegistrar reg({"backup", "DATEI", 1, {}, {}, Run});
}  // namespace
