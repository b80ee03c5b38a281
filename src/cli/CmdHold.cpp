// Keeps a database open for a while, as another user's program would: for
// tests of the multi-user rules and to bar maintenance for a moment.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/CliCommand.h"
#include "db/CDB.h"

namespace {
const char* const kUsage = "DATEI [--seconds N] [--transaction exclusive|write]";

int WrongUsage(const char* pszError) {
    return CliUsageError(pszError);
}

int Run(const SCliArgs& args) {
    std::string strMode = args.Value("--transaction");
    if (!strMode.empty() && strMode != "exclusive" && strMode != "write")
        return WrongUsage("--transaction erwartet exclusive oder write");
    double dSeconds = 3600.0;
    if (args.Has("--seconds")) {
        std::string strSeconds = args.Value("--seconds");
        char* pEnd = nullptr;
        dSeconds = std::strtod(strSeconds.c_str(), &pEnd);
        if (strSeconds.empty() || *pEnd != '\0' || !(dSeconds >= 0) || dSeconds > 86400.0)
            return WrongUsage("--seconds erwartet eine Zahl von Sekunden");
    }

    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    if (!CliOpenExisting(args, strPath)) return CLI_FAILED;
    CDB& db = GetDatabase();
    bool bOk = true;
    if (strMode == "exclusive")
        bOk = db.BeginExclusiveTransaction();
    else if (strMode == "write")
        bOk = db.BeginTransaction() && db.Execute("UPDATE Option SET Value=Value WHERE Key='DbVersion';");
    if (!bOk) return CliFail("Die Transaktion konnte nicht begonnen werden.");
    CliPrintLine("bereit");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long>(dSeconds * 1000)));
    if (!strMode.empty() && !db.CommitTransaction()) return CliFail("Die Transaktion konnte nicht beendet werden.");
    CliPrintLine("fertig");
    return CLI_OK;
}

CCliRegistrar reg({"hold", kUsage, 1, {"--seconds", "--transaction"}, {}, Run});
}  // namespace
