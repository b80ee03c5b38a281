// protect: sets or changes the database password; unprotect: removes it.
#include <unistd.h>

#include <cstdio>

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/PasswordCommands.h"
#include "tree/CKnowHow.h"

namespace {
int RunProtect(const SCliArgs& args) {
    const bool bAsk = !args.Has("--new");
    if (bAsk && !::isatty(STDIN_FILENO)) return CliUsageError("protect braucht --new KENNWORT oder --new-file DATEI");
    auto pKnowHow = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pKnowHow || !CliRequireAdmin(args)) return CLI_FAILED;
    // on the terminal asked twice, as the dialog asks
    std::string strNewUtf8 = args.Value("--new"), strConfirmUtf8 = strNewUtf8;
    if (bAsk && !CliReadNewPassword(strNewUtf8, strConfirmUtf8)) return CLI_FAILED;
    std::string strNew, strConfirm;
    if (!CliSecretToAnsi(strNewUtf8, strNew) || !CliSecretToAnsi(strConfirmUtf8, strConfirm)) return CLI_FAILED;
    // removing the protection is "unprotect"; an empty --new is refused as
    // the dialog refuses an empty password for an unprotected database
    if (!CheckDbPasswordInput(strNew, strConfirm, false)) return CLI_FAILED;
    pKnowHow.reset();
    if (!ApplyDatabasePassword(strNew, false)) return CLI_FAILED;
    // the copies stay, they are the user's safety net; the user decides
    auto arrCopies = FindUnencryptedBackupCopies();
    if (!arrCopies.empty()) {
        std::string strLine = UNENCRYPTED_COPIES_NOTE;
        for (size_t i = 0; i < arrCopies.size(); ++i) strLine += (i ? ", " : "") + arrCopies[i];
        CliMessage(CliTerminalTextUtf8(strLine));
    }
    return CLI_OK;
}

int RunUnprotect(const SCliArgs& args) {
    auto pKnowHow = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pKnowHow || !CliRequireAdmin(args)) return CLI_FAILED;
    // opened with its password, a protected file has its key in force
    if (!GetDbPasswort().IsPasswordSet()) return CliFail(Ansi("Die Datenbank ist nicht geschützt."));
    pKnowHow.reset();
    return RemoveDatabasePassword() ? CLI_OK : CLI_FAILED;
}

CCliRegistrar regProtect(
    {"protect", "DATEI --new KENNWORT [--password ALT] [--admin P]", 1, {"--new"}, {}, RunProtect});
CCliRegistrar regUnprotect({"unprotect", "DATEI --password KENNWORT [--admin P]", 1, {}, {}, RunUnprotect});
}  // namespace
