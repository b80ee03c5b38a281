#pragma once
// Opening and creating a knowledge base, in the one order of steps that the
// desktop program and the command-line front end share:
//   open: session, password, version check and upgrade, daily backup,
//         knowledge-tree service, administrator state;
//   create: session, no password, Option table, knowledge-tree service,
//           administrator state.
// On failure the session is closed and null is returned; the step that
// failed has shown its message through the platform.

#include <memory>
#include <string>

class CKnowHow;

// bDailyBackup false skips the daily backup, for callers that only read.
std::unique_ptr<CKnowHow> OpenKnowledgeBase(const std::string& strPath, bool bDailyBackup = true);
// The steps after the session, on the session already open (for a caller
// that checked the file on it first).
std::unique_ptr<CKnowHow> ContinueOpenKnowledgeBase(bool bDailyBackup = true);
std::unique_ptr<CKnowHow> CreateKnowledgeBase(const std::string& strPath);
