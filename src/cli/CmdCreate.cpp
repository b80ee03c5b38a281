#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/PosixPlatform.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    // The name is taken at once (O_EXCL): an existing file, even one made a
    // moment ago by someone else, is never opened as if it were new.
    int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return CliFail("Die Datei existiert bereits: " + Utf8ToCp1252(strPath));
        return CliFail(CLI_NOT_CREATED + Utf8ToCp1252(strPath) + " (" + DescribeFileError(errno) + ")");
    }
    ::close(fd);
    auto pKnowHow = CreateKnowledgeBase(strPath);
    CDB& db = GetDatabase();
    if (!pKnowHow || !db.TableExists("KnowHow") || !db.TableExists("Option")) {
        pKnowHow.reset();
        CliClose();
        std::error_code ec;
        std::filesystem::remove(strPath, ec);  // no half-made database is left
        return CliFail(CLI_NOT_CREATED + Utf8ToCp1252(strPath));
    }
    return CLI_OK;
}

CCliRegistrar reg({"create", "DATEI", 1, {}, {}, Run});
}  // namespace
