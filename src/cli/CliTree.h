#pragma once
// Small checks shared by the tree commands of orvantis-cli.

#include <cstdint>
#include <memory>
#include <string>

#include "table/CTableItem.h"

class CKnowHow;
class CKnowHowItem;
struct SCliArgs;
struct SWriteReport;
enum class EWriteResult;

// Reads the stored entry nId; false (with a message) when there is none.
bool CliReadEntry(CKnowHow& service, TRowId nId, CKnowHowItem& item);
// True for the root (0) and a stored folder; otherwise a message and false.
bool CliCheckFolder(CKnowHow& service, TRowId nId);
// Says what a write met (the program's messages) and answers the exit
// status: CLI_OK for Saved, else CLI_FAILED (main turns a lock into
// CLI_LOCKED). strNotDone, when given, is said last for a refusal.
int CliWriteResult(EWriteResult eResult, const SWriteReport& report, const std::string& strNotDone = std::string());
// The ID of a value option (0 when absent); false (with a message) when invalid.
bool CliOptionId(const SCliArgs& args, const std::string& strOption, TRowId& nId);
// Opens the file named first and reads the entry nFolder stands for (0: the
// root); null after a message when either fails. bDailyBackup as for
// CliOpenKnowledgeBase.
std::unique_ptr<CKnowHow> CliOpenAtEntry(const SCliArgs& args, TRowId nFolder, bool bDailyBackup = true);
