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
// Reads one line from the terminal without echo; false on end of input.
bool ReadHidden(const char* pszPrompt, std::string& strLine) {
    std::fputs(pszPrompt, stderr);
    std::fflush(stderr);
    termios old{};
    bool bTerm = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (bTerm) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
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
        if (!CliToAnsi(args.Value("--password"), strAnsi) || !CheckPasswordLength(strAnsi)) return false;
        switch (passwort.TestPassword(strAnsi)) {
            case EPasswordCheck::Right: return true;
            case EPasswordCheck::Wrong: ReportWrongDatabasePassword(); return false;
            case EPasswordCheck::Unreadable: return false;
        }
        return false;
    }
    if (!::isatty(STDIN_FILENO)) {
        CliFail(Ansi("Die Datenbank ist geschützt: das Kennwort fehlt (--password)."));
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
}  // namespace

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
    auto pKnowHow = OpenKnowledgeBase(strPath, bDailyBackup);
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
    if (!args.Has("--admin")) {
        CliFail(Ansi("Die Administrator-Funktionen sind gesperrt: das Administratorkennwort fehlt (--admin)."));
        return false;
    }
    std::string strAnsi;
    if (!CliToAnsi(args.Value("--admin"), strAnsi) || !CheckPasswordLength(strAnsi)) return false;
    switch (admin.TestLogin(strAnsi)) {
        case EPasswordCheck::Right: return true;
        case EPasswordCheck::Wrong: ReportWrongAdminPassword(); return false;
        case EPasswordCheck::Unreadable: return false;
    }
    return false;
}

void CliClose() {
    CloseDatabase();
}
