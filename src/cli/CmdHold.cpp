// Keeps a database open for a while, as another user's program would: for
// tests of the multi-user rules and to bar maintenance for a moment.
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/CliCommand.h"
#include "db/CDB.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    if (!CliOpenExisting(args, strPath)) return CLI_FAILED;
    CDB& db = GetDatabase();
    std::string strMode = args.Value("--transaction");
    bool bOk = true;
    if (strMode == "exclusive") {
        bOk = db.BeginExclusiveTransaction();
    } else if (strMode == "write") {
        bOk = db.BeginTransaction() && db.Execute("UPDATE Option SET Value=Value WHERE Key='DbVersion';");
    } else if (!strMode.empty()) {
        std::fprintf(stderr, "orvantis-cli: --transaction exclusive|write\n");
        return CLI_USAGE;
    }
    if (!bOk) return CliFail("Die Transaktion konnte nicht begonnen werden.");
    double dSeconds = args.Has("--seconds") ? std::atof(args.Value("--seconds").c_str()) : 3600.0;
    CliPrintLine("bereit");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long>(dSeconds * 1000)));
    if (!strMode.empty() && !db.CommitTransaction()) return CliFail("Die Transaktion konnte nicht beendet werden.");
    CliPrintLine("fertig");
    return CLI_OK;
}

CCliRegistrar reg(
    {"hold", "DATEI [--seconds N] [--transaction exclusive|write]", 1, {"--seconds", "--transaction"}, {}, Run});
}  // namespace
