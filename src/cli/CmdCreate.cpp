#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
int Run(const SCliArgs& args) {
    std::string strPath = CliAbsolutePath(args.arrPositional[0]);
    auto pKnowHow = CreateKnowledgeBase(strPath);
    CDB& db = GetDatabase();
    if (!pKnowHow || !db.TableExists("KnowHow") || !db.TableExists("Option"))
        return CliFail(CLI_NOT_CREATED + Utf8ToCp1252(strPath));
    return CLI_OK;
}

CCliRegistrar reg({"create", "DATEI", 1, {}, {}, Run});
}  // namespace
