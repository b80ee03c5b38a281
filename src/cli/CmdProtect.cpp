// protect: sets or changes the database password; unprotect: removes it.
#include <cstdio>

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/PasswordCommands.h"
#include "tree/CKnowHow.h"

namespace {
int RunProtect(const SCliArgs& args) {
    if (!args.Has("--new")) {
        return CliUsageError("protect braucht --new KENNWORT");
    }
    auto pKnowHow = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pKnowHow || !CliRequireAdmin(args)) return CLI_FAILED;
    std::string strNew;
    if (!CliToAnsi(args.Value("--new"), strNew)) return CLI_FAILED;
    // removing the protection is "unprotect"; an empty --new is refused as
    // the dialog refuses an empty password for an unprotected database
    if (!CheckDbPasswordInput(strNew, strNew, false)) return CLI_FAILED;
    pKnowHow.reset();
    if (!ApplyDatabasePassword(strNew, false)) return CLI_FAILED;
    // the copies stay, they are the user's safety net; the user decides
    auto arrCopies = FindUnencryptedBackupCopies();
    if (!arrCopies.empty()) {
        std::string strLine = UNENCRYPTED_COPIES_NOTE;
        for (size_t i = 0; i < arrCopies.size(); ++i) strLine += (i ? ", " : "") + arrCopies[i];
        std::fprintf(stderr, "%s\n", strLine.c_str());
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
