// The commands that need libraries the other calls do without run in their
// own program, found next to this one or where the package puts it.
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "cli/CliCommand.h"
#include "platform/Cp1252.h"
#include "platform/PosixPlatform.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* kPrintProgram = "orvantis-cli-print";

std::string FindPrintProgram() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string();
    const fs::path dir = self.parent_path();
    for (const fs::path& candidate : {dir / kPrintProgram, dir / ".." / "libexec" / "orvantis" / kPrintProgram})
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    return std::string();
}
}  // namespace

int CliRunElsewhere(const std::string& strCommand, char** argv) {
    if (strCommand != "print") return -1;
    const std::string strProgram = FindPrintProgram();
    if (!strProgram.empty()) {
        // the same arguments, standard input untouched: a password on it is
        // read there
        ::execv(strProgram.c_str(), argv);
        return CliFail(Ansi("Das Druckprogramm kann nicht gestartet werden: ") + Utf8ToCp1252(strProgram) + " (" +
                       DescribeFileError(errno) + ")");
    }
    return CliFail(Ansi("Das Druckprogramm fehlt (") + kPrintProgram +
                   Ansi("): die PDF-Ausgabe ist nicht installiert."));
}

int CliPrintPdf(const SCliArgs&) {
    // main hands print to the print program before the arguments are read
    return CliFail(Ansi("Das Druckprogramm fehlt (") + kPrintProgram +
                   Ansi("): die PDF-Ausgabe ist nicht installiert."));
}
