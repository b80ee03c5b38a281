#pragma once
// The command table of orvantis-cli. Each command lives in its own file and
// registers one row here; main parses the arguments against that row.
// Arguments and output are UTF-8; the core gets Windows-1252.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "table/CTableItem.h"

class CKnowHow;

// 3: another user kept the file locked beyond the busy retry; try again later.
enum { CLI_OK = 0, CLI_FAILED = 1, CLI_USAGE = 2, CLI_LOCKED = 3 };

struct SCliArgs {
    std::string strCommand;
    std::vector<std::string> arrPositional;        // UTF-8
    std::map<std::string, std::string> mapValues;  // "--name" -> UTF-8 value
    std::set<std::string> setFlags;                // "--yes"

    bool Has(const std::string& strOption) const { return mapValues.count(strOption) || setFlags.count(strOption); }
    std::string Value(const std::string& strOption) const {
        auto it = mapValues.find(strOption);
        return it == mapValues.end() ? std::string() : it->second;
    }
};

struct SCliCommand {
    const char* pszName;
    const char* pszUsage;  // the arguments after the command name
    int nPositional;       // exact number of positional arguments
    std::vector<std::string> arrValueOptions;
    std::vector<std::string> arrFlagOptions;
    int (*pfnRun)(const SCliArgs& args);
    int nOptionalPositional = 0;  // positional arguments that may follow those
};

std::vector<SCliCommand>& CliCommands();

struct CCliRegistrar {
    explicit CCliRegistrar(SCliCommand cmd) { CliCommands().push_back(std::move(cmd)); }
};

// A command that needs the PDF engine runs in the print program, with the
// same arguments: answers its exit status (or why it could not start), -1
// for a command that runs here.
int CliRunElsewhere(const std::string& strCommand, char** argv);
// The print command's work (only in the print program).
int CliPrintPdf(const SCliArgs& args);

// Every message on stderr starts with "orvantis-cli: ", so that it can be
// told from another program's in a script's log.
// Prints a Windows-1252 message to stderr and answers CLI_FAILED.
int CliFail(const std::string& strAnsiMessage);
// Prints a UTF-8 message, already safe for the terminal, to stderr.
void CliMessage(const std::string& strUtf8);
// Wrong usage of a command: the UTF-8 reason in one line, then the
// command's short usage, on stderr; answers CLI_USAGE.
int CliUsageError(const std::string& strUtf8Reason);

// Messages more than one command gives (Windows-1252, for CliFail).
inline constexpr const char* CLI_TABLE_UNREADABLE = "Die Tabelle KnowHow kann nicht gelesen werden.";
inline constexpr const char* CLI_SEARCH_FAILED = "Die Suche ist fehlgeschlagen.";
inline constexpr const char* CLI_NOT_CREATED = "Die Datenbank konnte nicht angelegt werden: ";
// Text for the terminal: control characters shown as \xNN (line breaks
// kept only with bKeepLineBreaks, for messages), so that a stored keyword
// cannot move the cursor, retitle the window or recolour the terminal. From
// Windows-1252 the bytes without a character become U+FFFD; from UTF-8 what
// is not UTF-8 becomes U+FFFD and C1 controls are shown as \u00NN.
std::string CliTerminalText(const std::string& strAnsi, bool bKeepLineBreaks = false);
std::string CliTerminalTextUtf8(const std::string& strUtf8, bool bKeepLineBreaks = false);
// Writes a line of human-readable UTF-8 text to stdout, made safe for the
// terminal (CliTerminalTextUtf8); tabs separate its columns.
void CliPrintLine(const std::string& strUtf8);
// Writes a line of JSON to stdout as it is: the escapes are JSON's own.
void CliPrintJson(const std::string& strJson);

// A UTF-8 argument as Windows-1252; false (with a message) when it holds a
// character Windows-1252 cannot store.
bool CliToAnsi(const std::string& strUtf8, std::string& strAnsi);
// The same for a password: the message does not repeat it.
bool CliSecretToAnsi(const std::string& strUtf8, std::string& strAnsi);
// The options that carry a password. Each also comes as OPTION-file FILE
// (the file's first line) and as "OPTION -" (a line from standard input,
// read without echo from a terminal), so that it need not stand in the
// command line, which every user can read in the process list.
const std::vector<std::string>& CliSecretOptions();
// Replaces those forms by the password itself; answers CLI_OK, or the exit
// status after a message.
int CliResolveSecrets(SCliArgs& args);
// A new password and its repetition, asked on the terminal without echo;
// false when standard input is no terminal or ends.
bool CliReadNewPassword(std::string& strNew, std::string& strConfirm);
// A positive or zero entry ID; false (with a message) for anything else.
bool CliParseId(const std::string& strText, TRowId& nId);
// The value of a numeric option: digits only, within [nMin, nMax]; false
// (with a message naming the option) for an empty text, other characters or
// a number out of range. The caller answers CLI_USAGE.
bool CliParseNumber(const std::string& strOption, const std::string& strText, long long nMin, long long nMax,
                    long long& nValue);
// The same for any number an unsigned 64-bit value holds (a seed).
bool CliParseNumber(const std::string& strOption, const std::string& strText, unsigned long long& nValue);
// The absolute form of a path argument.
std::string CliAbsolutePath(const std::string& strPath);
// JSON string literal of a Windows-1252 text (as UTF-8).
std::string CliJsonString(const std::string& strAnsi);
// JSON string literal of a UTF-8 text such as a path; bytes that are not
// UTF-8 become U+FFFD, so the line stays valid JSON.
std::string CliJsonStringUtf8(const std::string& strUtf8);

// Opens an existing knowledge base the way the program does (the opening
// chain, questions answered by --yes, the password from --password); prints
// the reason and answers null when it cannot be used. Commands that only read
// pass bDailyBackup false: they leave the file as they found it.
std::unique_ptr<CKnowHow> CliOpenKnowledgeBase(const SCliArgs& args, const std::string& strPath,
                                               bool bDailyBackup = true);
// Opens only the session on an existing database file (no chain).
bool CliOpenExisting(const SCliArgs& args, const std::string& strPath);
void CliClose();
// An output made from the open database (export, dump, PDF) may be read by
// no more users than the database: new files get at most its permissions,
// and an existing strOutput loses the others before it is written.
void CliLimitOutputMode(const std::string& strOutput);
// The commands that the administrator password locks in the program need
// --admin P when the open database has one; prints the reason and answers
// false when it is missing or wrong.
bool CliRequireAdmin(const SCliArgs& args);
