#include <errno.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "cli/CliCommand.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/PosixPlatform.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "protect/PasswordCommands.h"
#include "tree/CKnowHow.h"

namespace {
// Reads one line from standard input, from a terminal without echo and after
// the prompt; false on end of input.
bool ReadHidden(const char* pszPrompt, std::string& strLine) {
    // nobody waits for a lock while the user types
    GetDatabase().EndReadGroup();
    termios old{};
    bool bTerm = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (bTerm) {
        // echo off before the prompt: what is typed after it stays unseen
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::fputs(pszPrompt, stderr);
        std::fflush(stderr);
    }
    strLine.clear();
    bool bGot = false;
    int ch;
    while ((ch = std::fgetc(stdin)) != EOF) {
        bGot = true;
        if (ch == '\n') break;
        strLine += static_cast<char>(ch);
    }
    if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
    if (bTerm) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    return bGot;
}

// The password of a protected database: --password, or asked on the
// terminal as the program's dialog asks, until right or given up (empty
// input or end of input).
bool PromptPassword(const SCliArgs& args, CDbPasswort& passwort) {
    if (args.Has("--password")) {
        std::string strAnsi;
        if (!CliSecretToAnsi(args.Value("--password"), strAnsi) || !CheckPasswordLength(strAnsi)) return false;
        switch (passwort.TestPassword(strAnsi)) {
            case EPasswordCheck::Right: return true;
            case EPasswordCheck::Wrong: ReportWrongDatabasePassword(); return false;
            case EPasswordCheck::Unreadable: return false;
        }
        return false;
    }
    if (!::isatty(STDIN_FILENO)) {
        CliFail(Ansi("Die Datenbank ist geschützt: das Kennwort fehlt (--password, --password-file)."));
        return false;
    }
    for (;;) {
        std::string strLine;
        if (!ReadHidden("Kennwort: ", strLine) || strLine.empty()) return false;
        bool bOk = true;
        std::string strAnsi = Utf8ToCp1252(strLine, &bOk);
        if (bOk && !CheckPasswordLength(strAnsi)) continue;
        EPasswordCheck eCheck = bOk ? passwort.TestPassword(strAnsi) : EPasswordCheck::Wrong;
        if (eCheck == EPasswordCheck::Right) return true;
        if (eCheck == EPasswordCheck::Unreadable) return false;
        ReportWrongDatabasePassword();
    }
}
// The first line of a file (without its line break).
bool ReadFirstLine(const std::string& strPath, std::string& strLine, int& nErrno) {
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        nErrno = errno;
        return false;
    }
    strLine.clear();
    int ch;
    while ((ch = std::fgetc(pFile)) != EOF && ch != '\n') strLine += static_cast<char>(ch);
    bool bOk = !std::ferror(pFile);
    nErrno = errno;
    std::fclose(pFile);
    if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
    return bOk;
}
}  // namespace

const std::vector<std::string>& CliSecretOptions() {
    static const std::vector<std::string> arr = {"--password", "--admin", "--new", "--set", "--copy-password"};
    return arr;
}

int CliResolveSecrets(SCliArgs& args) {
    // standard input has one reading: one password, or the template of import
    bool bStdinTaken = args.strCommand == "import" && args.arrPositional.size() > 1 && args.arrPositional[1] == "-";
    for (const std::string& strOption : CliSecretOptions()) {
        const std::string strFileOption = strOption + "-file";
        bool bFile = args.mapValues.count(strFileOption) > 0;
        if (bFile && args.mapValues.count(strOption))
            return CliUsageError(strOption + " und " + strFileOption + " zugleich angegeben");
        std::string strValue;
        if (bFile) {
            std::string strFile = args.mapValues[strFileOption];
            args.mapValues.erase(strFileOption);
            int nErrno = 0;
            if (!ReadFirstLine(strFile, strValue, nErrno)) {
                CliFail(Ansi("Die Kennwortdatei kann nicht gelesen werden: ") + Utf8ToCp1252(strFile) + " (" +
                        DescribeFileError(nErrno) + ")");
                return CLI_FAILED;
            }
        } else if (args.Value(strOption) == "-") {
            if (bStdinTaken)
                return CliUsageError("nur eine Angabe kann die Standardeingabe lesen: " + strOption + " -");
            bStdinTaken = true;
            const char* pszPrompt = strOption == "--admin"           ? "Administratorkennwort: "
                                    : strOption == "--new"           ? "Neues Kennwort: "
                                    : strOption == "--set"           ? "Neues Administratorkennwort: "
                                    : strOption == "--copy-password" ? "Kennwort der Sicherungskopie: "
                                                                     : "Kennwort: ";
            if (!ReadHidden(pszPrompt, strValue)) {
                CliFail(Ansi("Auf der Standardeingabe steht kein Kennwort (") + strOption + " -).");
                return CLI_FAILED;
            }
        } else {
            continue;
        }
        args.mapValues[strOption] = strValue;
    }
    return CLI_OK;
}

bool CliReadNewPassword(std::string& strNew, std::string& strConfirm) {
    if (!::isatty(STDIN_FILENO)) return false;
    return ReadHidden("Neues Kennwort: ", strNew) && ReadHidden("Kennwort wiederholen: ", strConfirm);
}

bool CliOpenExisting(const SCliArgs&, const std::string& strPath) {
    // what the file system says about the path, in the user's words
    std::string strProblem, strReason;
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        int nErrno = errno;
        if (nErrno == ELOOP) {
            strProblem = Ansi("Die Datei ist nicht erreichbar, ihre Verknüpfungen verweisen im Kreis: ");
        } else if (nErrno == EACCES) {
            strProblem = Ansi("Die Datei darf nicht gelesen werden (fehlende Berechtigung für den Ordner): ");
        } else if (nErrno == ENOENT || nErrno == ENOTDIR) {
            strProblem = "Die Datei existiert nicht: ";
        } else {
            strProblem = Ansi("Die Datei kann nicht geöffnet werden: ");
            strReason = DescribeFileError(nErrno);
        }
    } else if (S_ISDIR(st.st_mode)) {
        strProblem = "Das ist ein Ordner, keine Datenbankdatei: ";
    } else if (!S_ISREG(st.st_mode)) {
        strProblem = Ansi("Das ist keine gewöhnliche Datei: ");
    } else if (::access(strPath.c_str(), R_OK) != 0) {
        strProblem = "Die Datei darf nicht gelesen werden (fehlende Berechtigung): ";
    }
    if (!strProblem.empty()) {
        CliFail(strProblem + Utf8ToCp1252(strPath) + (strReason.empty() ? "" : " (" + strReason + ")"));
        return false;
    }
    CDB& db = GetDatabase();
    OpenDatabase(strPath);
    if (!db.IsOpen() || db.Count("sqlite_master") < 0) {
        // a file that another user keeps locked is no damaged one
        if (IsLockedOutCode(db.GetLastErrorCode()))
            ShowDbFailureReason();
        else
            CliFail("Die Datei ist keine lesbare Datenbank: " + Utf8ToCp1252(strPath));
        CloseDatabase();
        return false;
    }
    return true;
}

std::unique_ptr<CKnowHow> CliOpenKnowledgeBase(const SCliArgs& args, const std::string& strPath, bool bDailyBackup) {
    if (!CliOpenExisting(args, strPath)) return nullptr;
    CDbPasswort& passwort = GetDbPasswort();
    passwort.SetPrompt([&args](CDbPasswort& p) { return PromptPassword(args, p); });
    // the opening checks read a dozen options: under one lock, a call that
    // meets other users' saves waits once, not at every read
    GetDatabase().BeginReadGroup();
    auto pKnowHow = ContinueOpenKnowledgeBase(bDailyBackup);
    GetDatabase().EndReadGroup();
    passwort.SetPrompt(nullptr);
    return pKnowHow;
}

bool CliRequireAdmin(const SCliArgs& args) {
    CDbAdmin& admin = GetDbAdmin();
    bool bSet = true;
    // an administrator key that cannot be read locks, it does not unlock
    if (!admin.ReadAdminPasswordSet(bSet)) {
        ShowDbUnreadable();
        return false;
    }
    if (!bSet) return true;
    std::string strGiven = args.Value("--admin");
    if (!args.Has("--admin")) {
        if (!::isatty(STDIN_FILENO)) {
            CliFail(
                Ansi("Die Administrator-Funktionen sind gesperrt: das Administratorkennwort fehlt (--admin, "
                     "--admin-file)."));
            return false;
        }
        if (!ReadHidden("Administratorkennwort: ", strGiven) || strGiven.empty()) return false;
    }
    std::string strAnsi;
    if (!CliSecretToAnsi(strGiven, strAnsi) || !CheckPasswordLength(strAnsi)) return false;
    switch (admin.TestLogin(strAnsi)) {
        case EPasswordCheck::Right: return true;
        case EPasswordCheck::Wrong: ReportWrongAdminPassword(); return false;
        case EPasswordCheck::Unreadable: return false;
    }
    return false;
}

void CliLimitOutputMode(const std::string& strOutput) {
    struct stat st {};
    if (::stat(GetDatabase().GetFilePath().c_str(), &st) != 0) return;
    const mode_t nDb = st.st_mode & 0777;
    mode_t nMask = ::umask(0);
    ::umask(nMask | (0777 & ~nDb));
    struct stat out {};
    if (strOutput.empty() || strOutput == "-" || ::stat(strOutput.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return;
    if ((out.st_mode & 0777 & ~nDb) != 0) (void)::chmod(strOutput.c_str(), out.st_mode & 07777 & ~(0777 & ~nDb));
}

void CliClose() {
    CloseDatabase();
}
