#include "protect/CDbPasswort.h"

#include <vector>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "protect/PasswordCommands.h"
#include "table/CRecordSet.h"
#include "tree/CKnowHow.h"
#include "tree/CKnowHowTrash.h"

namespace {
// Stored texts looked at to tell the data key among candidates.
constexpr int kSampleRows = 50;
}  // namespace

CDbPasswort::CDbPasswort() {
    SetFieldCodec(this);
}

CDbPasswort::~CDbPasswort() {
    if (GetFieldCodec() == this) SetFieldCodec(nullptr);
}

CDbPasswort& GetDbPasswort() {
    static CDbPasswort s_passwort;
    return s_passwort;
}

void CDbPasswort::SetKey(const std::string& strPassword) {
    // whoever replaced the codec meanwhile, a key set here is the one in force
    if (GetFieldCodec() != this) SetFieldCodec(this);
    m_crypt.SetPassword(strPassword);
    m_bPasswordSet = !strPassword.empty();
}

bool CDbPasswort::IsProtected() {
    return !GetDatabase().GetOption("DbKey").empty();
}

bool CDbPasswort::ReadProtected(bool& bProtected) {
    std::string strStored;
    bool bOk = GetDatabase().ReadOption("DbKey", strStored);
    bProtected = !strStored.empty();
    return bOk;
}

void CDbPasswort::ClearPassword() {
    SetKey(std::string());
}

bool CDbPasswort::AskPasswordOnOpen() {
    bool bProtected = false;
    if (!ReadProtected(bProtected)) {
        ShowDbUnreadable();
        return false;
    }
    if (!bProtected) return true;
    if (!m_prompt) return false;
    return m_prompt(*this);
}

EPasswordCheck CDbPasswort::TestPassword(const std::string& strTypedInput) {
    const std::string strTyped = strTypedInput.substr(0, MAX_PASSWORD_LENGTH);
    SetKey(std::string());
    std::string strStored;
    if (!GetDatabase().ReadOption("DbKey", strStored)) {
        ShowDbUnreadable();
        return EPasswordCheck::Unreadable;
    }
    if (MakeVerifier(strTyped) != strStored) return EPasswordCheck::Wrong;
    std::string strKey;
    if (!ChooseDataKey(strTyped, strKey)) {
        ShowDbUnreadable();
        return EPasswordCheck::Unreadable;
    }
    SetKey(strKey);
    return EPasswordCheck::Right;
}

std::string CDbPasswort::PickDataKey(const std::string& strTyped, const std::vector<std::string>& arrSamples) {
    // every text that pads to the same 32 characters passes the verifier:
    // the base without trailing tildes, with any number of tildes after it
    std::string strBase = strTyped;
    while (!strBase.empty() && strBase.back() == '~') strBase.pop_back();
    // The text without tildes first: a password set here never ends with
    // one, and a wrong candidate passes a sample of one length with a
    // chance of 1 in 256, so the likely key must not wait behind others.
    std::vector<std::string> arrCandidates;
    if (!strBase.empty()) arrCandidates.push_back(strBase);
    if (!strTyped.empty() && strTyped != strBase) arrCandidates.push_back(strTyped);
    for (std::string str = strBase + '~'; str.size() <= MAX_PASSWORD_LENGTH; str += '~')
        if (str != strTyped) arrCandidates.push_back(str);
    // a password set here never ends with "~"; only tildes leave the typed text
    const std::string strDefault = strBase.empty() ? strTyped : strBase;
    if (arrSamples.empty()) return strDefault;

    for (const auto& strCandidate : arrCandidates) {
        CCrypt crypt;
        crypt.SetPassword(strCandidate);
        bool bClean = true;
        for (const auto& str : arrSamples) {
            if (!crypt.DecryptsCleanly(str)) {
                bClean = false;
                break;
            }
        }
        if (bClean) return strCandidate;
    }
    return strDefault;
}

bool CDbPasswort::ChooseDataKey(const std::string& strTyped, std::string& strKey) {
    CDB& db = GetDatabase();
    bool bTable = false;
    if (!db.ReadTableExists("KnowHow", bTable)) return false;
    std::vector<std::string> arrSamples;
    if (bTable) {
        CRecordSet rs(db);
        if (!rs.Query(DataKeySampleSql())) return false;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            for (int nCol = 0; nCol < 2; ++nCol) {
                const char* psz = rs.GetCell(nCol);
                if (psz && *psz) arrSamples.emplace_back(psz);
            }
        }
    }
    strKey = PickDataKey(strTyped, arrSamples);
    return true;
}

std::string CDbPasswort::DataKeySampleSql() {
    return "SELECT Name, Text FROM KnowHow WHERE Name<>'' OR Text<>'' LIMIT " + std::to_string(kSampleRows) + ";";
}

bool CDbPasswort::CheckNewPassword(const std::string& strNew) {
    if (!CheckPasswordLength(strNew)) return false;
    // the verifier pads with tildes, so it could not tell such a password
    // from the same one without them
    if (!strNew.empty() && strNew.back() == '~') {
        GetPlatform().MessageBox(Ansi("Das Kennwort darf nicht mit dem Zeichen '~' enden !"),
                                 "Fehlerhafte Kennworteingabe", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    return true;
}

bool CDbPasswort::SetDatabasePassword(const std::string& strNew) {
    if (!CheckNewPassword(strNew)) return false;
    CDB& db = GetDatabase();
    db.ClearLastError();
    std::string strCopy;
    if (!db.MakeBackup(&strCopy)) {
        GetPlatform().MessageBox(Ansi("Die Datenbank wird von anderen Benutzern verwendet.\n\n"
                                      "Sie kann zur Zeit nicht verschlüsselt werden !"),
                                 "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    std::string strOld = m_crypt.GetPassword();
    if (strCopy.empty()) {
        // every text is rewritten: without the copy there is no way back
        const char* pszNotDone = strNew.empty()   ? "Ohne Sicherungskopie wird die Datenbank nicht entschlüsselt."
                                 : strOld.empty() ? "Ohne Sicherungskopie wird die Datenbank nicht verschlüsselt."
                                                  : "Ohne Sicherungskopie wird das Kennwort nicht geändert.";
        GetPlatform().MessageBox(BackupFailureText(db.GetBackupFolderTried(), db.GetBackupFailure()) + "\n\n" +
                                     Ansi(pszNotDone) + Ansi(" Die Datenbank ist unverändert."),
                                 "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    if (strOld.empty()) {
        std::int32_t nSaved = 0;
        db.Reorganize(nSaved);
    }

    auto fail = [&](bool bShowReason) {
        if (bShowReason) ShowDbFailureReason();
        if (db.GetTransactionDepth() > 0) db.RollbackTransaction();
        // the file keeps the old key, so must the cipher
        SetKey(strOld);
        return false;
    };
    if (!db.BeginExclusiveTransaction()) return fail(true);
    if (!db.SetOption("DbKey", MakeVerifier(strNew))) return fail(true);
    // it says why itself
    if (!ReencryptAll(strOld, strNew)) return fail(false);
    if (!db.CommitTransaction()) return fail(true);
    return true;
}

bool CDbPasswort::ReencryptAll(const std::string& strOld, const std::string& strNew) {
    CKnowHow knowHow;
    // read under the old key, written under the new one, a batch at a
    // time: the file is never held in memory whole
    SWriteReport report;
    EWriteResult eResult = knowHow.RewriteAll([&] { SetKey(strOld); }, [&] { SetKey(strNew); }, 500, &report);
    // the trash goes along in the same transaction; what it holds under a
    // key set elsewhere stays under that key
    if (eResult == EWriteResult::Saved)
        eResult = CKnowHowTrash(knowHow).RewriteTexts([&] { SetKey(strOld); }, [&] { SetKey(strNew); },
                                                      MakeVerifier(strOld), MakeVerifier(strNew), &report);
    const bool bOk = eResult == EWriteResult::Saved;
    // rolled back already: the reason can be said without holding the file
    SayWriteResult(eResult, report);
    // the key the file's texts are stored under now
    SetKey(bOk ? strNew : strOld);
    return bOk;
}

std::string CDbPasswort::EncryptField(const std::string& strValue) {
    return IsPasswordSet() ? m_crypt.Encrypt(strValue) : strValue;
}

std::string CDbPasswort::DecryptField(const std::string& strStored) {
    return IsPasswordSet() ? m_crypt.Decrypt(strStored) : strStored;
}

void CDbPasswort::DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut) {
    if (IsPasswordSet())
        m_crypt.DecryptInto(pStored, n, strOut);
    else
        strOut.assign(pStored, n);
}
