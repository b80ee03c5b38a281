// admin: sets, changes or deletes the administrator password.

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "protect/CDbAdmin.h"
#include "protect/PasswordCommands.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    bool bSet = args.Has("--set");
    bool bDelete = args.Has("--delete");
    if (bSet == bDelete) {
        return CliUsageError("admin braucht entweder --set KENNWORT oder --delete");
    }
    auto pKnowHow = CliOpenKnowledgeBase(args, CliAbsolutePath(args.arrPositional[0]));
    if (!pKnowHow || !CliRequireAdmin(args)) return CLI_FAILED;
    pKnowHow.reset();
    if (bDelete) {
        if (!GetDbAdmin().IsAdminPasswordSet()) return CliFail(Ansi("Die Datenbank hat kein Administratorkennwort."));
        return DeleteAdminPasswordReport() ? CLI_OK : CLI_FAILED;
    }
    std::string strNew;
    if (!CliSecretToAnsi(args.Value("--set"), strNew)) return CLI_FAILED;
    if (!CheckAdminPasswordInput(strNew, strNew)) return CLI_FAILED;
    return ApplyAdminPassword(strNew) ? CLI_OK : CLI_FAILED;
}

CCliRegistrar reg({"admin", "DATEI --set KENNWORT | --delete [--admin P]", 1, {"--set"}, {"--delete"}, Run});
}  // namespace
