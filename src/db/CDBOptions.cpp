// The Option table, the edit and creation stamps, and the small text helpers.
#include "db/CDB.h"
#include "db/SqlText.h"
#include "platform/Platform.h"

std::string CDB::GetOption(const std::string& strKey) {
    if (std::string strValue; GroupOption(strKey, strValue)) return strValue;
    std::string strCondition = "Key='" + strKey + "'";
    return GetValue("Option", "Value", strCondition.c_str());
}

bool CDB::ReadOption(const std::string& strKey, std::string& strValue) {
    if (GroupOption(strKey, strValue)) return true;
    std::string strCondition = "Key='" + strKey + "'";
    if (ReadValue("Option", "Value", strCondition.c_str(), strValue)) return true;
    // a 1.000 file has no Option table yet: nothing is set there
    bool bExists = true;
    return ReadTableExists("Option", bExists) && !bExists;
}

bool CDB::SetOption(const std::string& strKey, const std::string& strValue) {
    std::string strCondition = "Key='" + strKey + "'";
    int n = Count("Option", strCondition.c_str());
    // an update of a key that is not there would store nothing and succeed
    if (n < 0) return false;
    std::string strEscaped = EscapeQuotes(strValue);
    if (n != 0) return Execute("UPDATE Option SET Value='" + strEscaped + "' WHERE Key='" + strKey + "';");
    return Execute("INSERT INTO Option ( Key, Value ) VALUES ( '" + strKey + "', '" + strEscaped + "' );");
}

bool CDB::InitNewDatabase() {
    if (TableExists("Option")) return true;
    // unchecked by design: the caller learns of an unusable file when it
    // opens the tables
    Execute(OPTION_TABLE_SQL);
    (void)SetOption("DbVersion", ORVANTIS_VERSION);
    StampEdit();
    (void)SetOption("CreateUser", m_strUserName);
    (void)SetOption("CreateTime", m_strTimeStamp);
    (void)SetOption("BackupCount", "10");
    (void)SetOption("BackupAuto", "TRUE");
    return true;
}

bool CDB::StampEdit() {
    m_strUserName = ::GetLoginName();
    m_strTimeStamp = GetTimeText();
    // stamps: an edit that was stored stays stored without them
    (void)SetOption("LastEditUser", m_strUserName);
    (void)SetOption("LastEditTime", m_strTimeStamp);
    return true;
}

std::string GetTimeText() {
    return GetPlatform().FormatTime("%Y.%m.%d-%H:%M");
}

std::string GetLoginName() {
    return GetPlatform().GetLoginName();
}

std::string GetFolderPart(const std::string& strPath) {
    auto n = strPath.rfind('/');
    return n == std::string::npos ? std::string() : strPath.substr(0, n);
}

std::string GetFileNamePart(const std::string& strPath) {
    auto n = strPath.rfind('/');
    return n == std::string::npos ? strPath : strPath.substr(n + 1);
}
