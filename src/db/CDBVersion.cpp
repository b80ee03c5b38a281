// The schema version of the open file, its check at opening and the upgrade
// of older files.
#include <cctype>
#include <charconv>
#include <cstdio>

#include "db/CDB.h"
#include "db/SqlText.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

namespace {
// Decimal parse with "." as the decimal point whatever the locale; text that
// is no number reads as 0.
double ParseVersion(const std::string& str) {
    const char* p = str.c_str();
    const char* pEnd = p + str.size();
    while (p < pEnd && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool bNegative = false;
    if (p < pEnd && (*p == '+' || *p == '-')) bNegative = *p++ == '-';
    double d = 0;
    if (std::from_chars(p, pEnd, d, std::chars_format::general).ec != std::errc()) return 0;
    return bNegative ? -d : d;
}
}  // namespace

std::string CDB::GetDbVersion() {
    if (!TableExists("Option")) return "1.000";
    return GetValue("Option", "Value", "Key='DbVersion'");
}

bool CDB::ReadDbVersion(std::string& strVersion) {
    bool bExists = false;
    if (!ReadTableExists("Option", bExists)) return false;
    if (!bExists) {
        strVersion = "1.000";
        return true;
    }
    return ReadValue("Option", "Value", "Key='DbVersion'", strVersion);
}

bool CDB::CheckVersion() {
    std::string strVersion;
    if (!ReadDbVersion(strVersion)) {
        ShowDbUnreadable();
        return false;
    }
    double dVersion = ParseVersion(strVersion);
    const double dCurrent = ParseVersion(ORVANTIS_VERSION);
    if (dVersion < dCurrent) {
        std::string strText = "Die Datenbank hat eine zu alte Version(" + strVersion + ").\n" +
                              Ansi("Sie muß aktualisiert werden.\n\n") + "Datenbank jetzt aktualieren ?";
        if (GetPlatform().MessageBox(strText, "", EMsgIcon::Exclamation, EMsgButtons::YesNo) != EMsgResult::Yes) {
            ShowCannotOpenDatabase();
            return false;
        }
        return UpgradeDatabase();
    }
    if (dVersion == dCurrent) return true;
    std::string strText = "Die Datenbank hat neuere Version(" + strVersion + ") als das aktuelle Programm (" +
                          ORVANTIS_VERSION + ").\n" + Ansi("Sie kann mit dieser Programmverison nicht geöffnet werden");
    GetPlatform().MessageBox(strText, "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    return false;
}

bool CDB::UpgradeDatabase() {
    CPlatform& platform = GetPlatform();
    std::string strVersion;
    if (!ReadDbVersion(strVersion)) {
        ShowDbUnreadable();
        return false;
    }
    double dVersion = ParseVersion(strVersion);
    std::string strPath = GetFilePath();
    std::string strFolder = GetBackupFolder();
    Close();
    if (!IsFileFree()) {
        platform.MessageBox(
            Ansi(
                "Die Datenbank wird von anderen Benutzern verwendet.\n\nSie kann zur Zeit nicht aktualisiert werden !"),
            "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    std::string strWhy;
    std::string strCopy = CopyBackupFile(strPath, strFolder, &strWhy);
    if (strCopy.empty()) {
        // the upgrade changes the schema: without the copy there is no way
        // back; the session stays closed as for a file in use
        platform.MessageBox(BackupFailureText(strFolder, strWhy) + "\n\n" +
                                Ansi("Ohne Sicherungskopie wird die Datenbank nicht aktualisiert. Die Datenbank ist "
                                     "unverändert."),
                            "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    Open(strPath);
    // a 1.000 file has no Option table yet: the stamp fails without harm
    StampBackup();

    // The single steps may fail without harm (an index that exists, a file
    // without KnowHow table); what counts is the version at the end.
    bool bOk = BeginExclusiveTransaction();
    if (bOk) {
        if (dVersion < 1.1) {
            Execute(OPTION_TABLE_SQL);
            Execute("ALTER TABLE KnowHow ADD COLUMN Link VARCHAR(1)");
        }
        if (dVersion < 1.2) Execute("CREATE UNIQUE INDEX [Knowhow_ID] ON [KnowHow]([ID] ASC)");
        bOk = SetOption("DbVersion", ORVANTIS_VERSION) && CommitTransaction();
    }
    if (!bOk) RollbackTransaction();
    if (!bOk || GetDbVersion() != ORVANTIS_VERSION) {
        ShowCannotOpenDatabase();
        return false;
    }
    platform.MessageBox("Die Datenbank wurde aktualisert !", "", EMsgIcon::None, EMsgButtons::Ok);
    return true;
}
