// restore DATEI --from KOPIE --id N [--to ORDNER]: an entry or a folder of a
// backup copy, with all its texts and links, appended to a folder.
#include <filesystem>

#include "cli/CliCommand.h"
#include "cli/CliTree.h"
#include "platform/Cp1252.h"
#include "protect/CCopyRestore.h"
#include "protect/PasswordCommands.h"
#include "tree/CKnowHow.h"

namespace {
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), ec) && !ec;
}

// The copy's password: --copy-password, else the open database's own when
// it still fits; never asked when it is not protected.
bool UnlockCopy(const SCliArgs& args, CBackupCopyReader& copy) {
    if (!copy.IsProtected()) return true;
    if (args.Has("--copy-password")) {
        std::string strAnsi;
        if (!CliSecretToAnsi(args.Value("--copy-password"), strAnsi) || !CheckPasswordLength(strAnsi)) return false;
        switch (copy.TestPassword(strAnsi)) {
            case EPasswordCheck::Right: return true;
            case EPasswordCheck::Wrong: ReportWrongDatabasePassword(); return false;
            case EPasswordCheck::Unreadable: CliFail(CopyUnreadable(copy.GetPath())); return false;
        }
        return false;
    }
    if (copy.UnlockWithOpenKey()) return true;
    CliFail(
        Ansi("Die Sicherungskopie ist mit einem anderen Kennwort geschützt: das Kennwort fehlt "
             "(--copy-password, --copy-password-file)."));
    return false;
}

int Run(const SCliArgs& args) {
    if (!args.Has("--from") || !args.Has("--id")) return CliUsageError("--from und --id sind anzugeben");
    TRowId nId = 0, nTarget = 0;
    if (!CliParseId(args.Value("--id"), nId) || !CliOptionId(args, "--to", nTarget)) return CLI_USAGE;
    if (nId == 0) return CliUsageError("--id erwartet die ID eines Eintrags der Sicherungskopie");
    const std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    const std::string strCopy = CliAbsolutePath(args.Value("--from"));
    // the open file is written meanwhile: it cannot be read as a still copy
    if (SameFile(strPath, strCopy))
        return CliFail(Ansi("Die Sicherungskopie ist die Datenbank selbst: ") + Utf8ToCp1252(strCopy));

    auto pService = CliOpenKnowledgeBase(args, strPath);
    if (!pService) return CLI_FAILED;
    if (!CliCheckFolder(*pService, nTarget)) return CLI_FAILED;

    CBackupCopyReader copy;
    std::string strWhy;
    if (!copy.Open(strCopy, &strWhy)) return CliFail(strWhy);
    if (!UnlockCopy(args, copy)) return CLI_FAILED;

    SRestoreResult result;
    EWriteResult eResult =
        RestoreFromCopy(*pService, copy, static_cast<TRowId>(nId), static_cast<TRowId>(nTarget), result);
    if (eResult != EWriteResult::Saved) {
        SayRestoreResult(eResult, result, nId);
        return CLI_FAILED;
    }
    CliPrintLine(std::to_string(result.nNewId));
    return CLI_OK;
}

CCliRegistrar reg({"restore",
                   "DATEI --from KOPIE --id ID [--to ORDNER] [--copy-password K]",
                   1,
                   {"--from", "--id", "--to", "--copy-password"},
                   {},
                   Run});
}  // namespace
