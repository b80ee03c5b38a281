#include "protect/CCopyRestore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

namespace {
std::string JoinPath(const std::string& strFolder, const std::string& strName) {
    return strFolder.empty() ? strName : strFolder + "/" + strName;
}

// The codec in force while a copy's rows are read, put back afterwards.
class CCodecScope {
public:
    explicit CCodecScope(IFieldCodec* pCodec) : m_pPrevious(GetFieldCodec()) { SetFieldCodec(pCodec); }
    ~CCodecScope() { SetFieldCodec(m_pPrevious); }
    CCodecScope(const CCodecScope&) = delete;
    CCodecScope& operator=(const CCodecScope&) = delete;

private:
    IFieldCodec* m_pPrevious;
};
}  // namespace

std::string CopyUnreadable(const std::string& strPath) {
    return Ansi("Die Sicherungskopie kann nicht gelesen werden: ") + Utf8ToCp1252(strPath);
}

// --- the copies of the open database ---------------------------------------------

std::vector<SBackupCopy> ListBackupCopies() {
    CDB& db = GetDatabase();
    std::vector<SBackupCopy> arr;
    if (!db.IsOpen()) return arr;
    const std::string strFolder = db.GetBackupFolder();
    const std::string strFile = GetFileNamePart(db.GetFilePath());
    for (const auto& file : GetPlatform().FindFiles(strFolder, strFile + ".*")) {
        if (!IsBackupCopyName(file.strName, strFile)) continue;
        // "<file>.YYYYMMDD_HHMM"
        const std::string s = file.strName.substr(strFile.size() + 1);
        SBackupCopy copy;
        copy.strPath = JoinPath(strFolder, file.strName);
        copy.strName = file.strName;
        copy.strTime =
            s.substr(6, 2) + "." + s.substr(4, 2) + "." + s.substr(0, 4) + " " + s.substr(9, 2) + ":" + s.substr(11, 2);
        copy.nSize = file.nSize;
        arr.push_back(std::move(copy));
    }
    // the names sort by time
    std::sort(arr.begin(), arr.end(), [](const SBackupCopy& a, const SBackupCopy& b) { return a.strName > b.strName; });
    return arr;
}

std::string BackupCopySizeText(std::int64_t nBytes) {
    char buf[32];
    if (nBytes < 1024 * 1024) {
        std::snprintf(buf, sizeof buf, "%lld KB", static_cast<long long>((nBytes + 1023) / 1024));
    } else {
        std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(nBytes) / (1024.0 * 1024.0));
        if (char* p = std::strchr(buf, '.')) *p = ',';
    }
    return buf;
}

// --- reading a copy ------------------------------------------------------------------

CBackupCopyReader::~CBackupCopyReader() {
    Close();
}

void CBackupCopyReader::Close() {
    if (m_pDb) sqlite3_close(m_pDb);
    m_pDb = nullptr;
    m_strPath.clear();
    m_strVerifier.clear();
    m_bKeySet = false;
    m_crypt.SetPassword(std::string());
}

bool CBackupCopyReader::Open(const std::string& strPath, std::string* pstrWhy) {
    Close();
    auto fail = [&](const std::string& strWhy) {
        if (pstrWhy) *pstrWhy = strWhy;
        Close();
        return false;
    };
    if (!GetPlatform().FileExists(strPath))
        return fail(Ansi("Die Sicherungskopie existiert nicht: ") + Utf8ToCp1252(strPath));
    if (sqlite3_open_v2(ImmutableFileUri(strPath).c_str(), &m_pDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK)
        return fail(CopyUnreadable(strPath));
    m_strPath = strPath;
    // which tables it holds; a file that is no database fails here
    bool bKnowHow = false, bOption = false;
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v2(m_pDb, "SELECT name FROM sqlite_master WHERE type='table';", -1, &pStmt, nullptr) !=
        SQLITE_OK)
        return fail(CopyUnreadable(strPath));
    int nStep;
    while ((nStep = sqlite3_step(pStmt)) == SQLITE_ROW) {
        const char* psz = reinterpret_cast<const char*>(sqlite3_column_text(pStmt, 0));
        if (!psz) continue;
        bKnowHow = bKnowHow || sqlite3_stricmp(psz, "KnowHow") == 0;
        bOption = bOption || sqlite3_stricmp(psz, "Option") == 0;
    }
    sqlite3_finalize(pStmt);
    if (nStep != SQLITE_DONE) return fail(CopyUnreadable(strPath));
    if (!bKnowHow) return fail(Ansi("Die Sicherungskopie enthält keine Wissensdatenbank: ") + Utf8ToCp1252(strPath));
    // a copy of a file of version 1.000 has no Option table: never protected
    if (bOption) {
        if (sqlite3_prepare_v2(m_pDb, "SELECT Value FROM Option WHERE Key='DbKey';", -1, &pStmt, nullptr) != SQLITE_OK)
            return fail(CopyUnreadable(strPath));
        while ((nStep = sqlite3_step(pStmt)) == SQLITE_ROW) {
            const char* p = static_cast<const char*>(sqlite3_column_blob(pStmt, 0));
            if (p) m_strVerifier.assign(p, static_cast<size_t>(sqlite3_column_bytes(pStmt, 0)));
        }
        sqlite3_finalize(pStmt);
        if (nStep != SQLITE_DONE) return fail(CopyUnreadable(strPath));
    }
    if (pstrWhy) pstrWhy->clear();
    return true;
}

EPasswordCheck CBackupCopyReader::TestPassword(const std::string& strTypedInput) {
    if (!IsOpen()) return EPasswordCheck::Unreadable;
    if (!IsProtected()) return EPasswordCheck::Right;
    const std::string strTyped = strTypedInput.substr(0, MAX_PASSWORD_LENGTH);
    m_bKeySet = false;
    m_crypt.SetPassword(std::string());
    if (CDbPasswort::MakeVerifier(strTyped) != m_strVerifier) return EPasswordCheck::Wrong;
    std::vector<std::string> arrSamples;
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v2(m_pDb, CDbPasswort::DataKeySampleSql().c_str(), -1, &pStmt, nullptr) != SQLITE_OK)
        return EPasswordCheck::Unreadable;
    int nStep;
    while ((nStep = sqlite3_step(pStmt)) == SQLITE_ROW) {
        for (int nCol = 0; nCol < 2; ++nCol) {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(pStmt, nCol));
            if (p && *p) arrSamples.emplace_back(p);
        }
    }
    sqlite3_finalize(pStmt);
    if (nStep != SQLITE_DONE) return EPasswordCheck::Unreadable;
    m_crypt.SetPassword(CDbPasswort::PickDataKey(strTyped, arrSamples));
    m_bKeySet = true;
    return EPasswordCheck::Right;
}

bool CBackupCopyReader::UnlockWithOpenKey() {
    if (!IsProtected()) return IsOpen();
    const std::string strOpen = GetDbPasswort().GetPassword();
    return !strOpen.empty() && TestPassword(strOpen) == EPasswordCheck::Right;
}

std::string CBackupCopyReader::EncryptField(const std::string& strValue) {
    // nothing is written through a copy's key
    return strValue;
}

std::string CBackupCopyReader::DecryptField(const std::string& strStored) {
    return m_bKeySet ? m_crypt.Decrypt(strStored) : strStored;
}

void CBackupCopyReader::DecryptFieldInto(const char* pStored, std::size_t n, std::string& strOut) {
    if (m_bKeySet)
        m_crypt.DecryptInto(pStored, n, strOut);
    else
        strOut.assign(pStored, n);
}

int CBackupCopyReader::Select(const std::string& strCondition, std::int64_t nArg1, std::int64_t nArg2,
                              CKnowHowArray& arr) {
    if (!IsReadable()) return -1;
    const std::string strSql = "SELECT * FROM KnowHow WHERE " + strCondition + " ORDER BY PosNr;";
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v2(m_pDb, strSql.c_str(), -1, &pStmt, nullptr) != SQLITE_OK) return -1;
    sqlite3_bind_int64(pStmt, 1, nArg1);
    if (sqlite3_bind_parameter_count(pStmt) > 1) sqlite3_bind_int64(pStmt, 2, nArg2);
    std::vector<std::string> arrNames;
    for (int i = 0; i < sqlite3_column_count(pStmt); ++i) {
        const char* psz = sqlite3_column_name(pStmt, i);
        arrNames.emplace_back(psz ? psz : "");
    }
    const SKnowHowColumns cols(arrNames);
    const size_t nBefore = arr.size();
    int nStep;
    {
        // the copy's texts under the copy's key, whatever the open file uses
        CCodecScope scope(this);
        while ((nStep = sqlite3_step(pStmt)) == SQLITE_ROW) {
            CKnowHowItem item;
            item.ReadStatement(pStmt, cols);
            arr.push_back(std::move(item));
        }
    }
    sqlite3_finalize(pStmt);
    if (nStep != SQLITE_DONE) {
        arr.resize(nBefore);
        return -1;
    }
    return static_cast<int>(arr.size() - nBefore);
}

int CBackupCopyReader::GetChildren(TRowId nMasterId, CKnowHowArray& arr) {
    return Select("MasterID=?1 AND IsAktiv='1'", nMasterId, 0, arr);
}

int CBackupCopyReader::GetItem(TRowId nId, CKnowHowItem& item) {
    CKnowHowArray arr;
    int n = Select("ID=?1 AND IsAktiv='1'", nId, 0, arr);
    if (n == 1) item = std::move(arr.front());
    return n < 0 ? -1 : n == 1 ? 1 : 0;
}

std::string CBackupCopyReader::GetPath(TRowId nId) {
    std::string strPath;
    std::unordered_set<TRowId> setSeen;
    for (TRowId a = nId; a != 0 && setSeen.insert(a).second;) {
        CKnowHowItem item;
        if (GetItem(a, item) != 1) break;
        strPath = strPath.empty() ? item.Name : item.Name + "\\" + strPath;
        a = item.MasterID;
    }
    return strPath;
}

bool CBackupCopyReader::ReadSubtree(TRowId nId, CKnowHowArray& arr) {
    arr.clear();
    CKnowHowItem root;
    if (GetItem(nId, root) != 1) return false;
    arr.push_back(std::move(root));
    // breadth first keeps each folder before its children; a damaged copy
    // whose folders hold each other is read once around
    std::unordered_set<TRowId> setSeen{nId};
    for (size_t i = 0; i < arr.size(); ++i) {
        CKnowHowArray arrChildren;
        if (GetChildren(arr[i].ID, arrChildren) < 0) return false;
        for (auto& child : arrChildren)
            if (setSeen.insert(child.ID).second) arr.push_back(std::move(child));
    }
    return true;
}

// --- writing into the open database ----------------------------------------------

EWriteResult RestoreFromCopy(CKnowHow& service, CBackupCopyReader& copy, TRowId nId, TRowId nTarget,
                             SRestoreResult& result) {
    result = SRestoreResult();
    result.strCopyPath = copy.GetPath();
    CDB& db = GetDatabase();
    db.ClearLastError();
    // everything is read from the copy before the open file is locked
    CKnowHowArray arr;
    if (!copy.ReadSubtree(nId, arr)) {
        CKnowHowItem probe;
        if (copy.GetItem(nId, probe) == 0) return EWriteResult::Deleted;
        result.bCopyUnreadable = true;
        return EWriteResult::Failed;
    }
    result.strName = arr.front().Name;

    auto abandon = [&](EWriteResult eResult) {
        if (eResult == EWriteResult::Locked || eResult == EWriteResult::Failed)
            result.report.nEngineCode = db.GetLastErrorCode();
        service.RollbackWork();
        result.nNewId = 0;
        result.nRows = 0;
        return eResult;
    };
    auto failure = [&] { return abandon(WriteFailureFromCode(db.GetLastErrorCode())); };
    if (!service.BeginWork()) return failure();
    // another user may have deleted the folder since it was chosen
    bool bLive = false;
    if (!service.ReadIsLiveFolder(nTarget, bLive)) return failure();
    if (!bLive) return abandon(EWriteResult::ParentGone);
    const int nCount = service.CountChildren(nTarget);
    if (nCount < 0) return failure();
    (void)db.StampEdit();  // a note, not the user's data

    // old ID -> new ID, and the next position in each new folder; the
    // subtree's own positions are closed up in the order the copy shows
    std::unordered_map<TRowId, TRowId> mapNewId;
    std::unordered_map<TRowId, std::int32_t> mapNextPos;
    CKnowHowInserter inserter(service.GetTable());
    for (size_t i = 0; i < arr.size(); ++i) {
        CKnowHowItem& item = arr[i];
        const TRowId nOldId = item.ID;
        const TRowId nParent = i == 0 ? nTarget : mapNewId.at(item.MasterID);
        item.MasterID = nParent;
        item.PosNr = i == 0 ? nCount + 1 : ++mapNextPos[nParent];
        item.IsAktiv = 1;
        item.UpdateNr = 0;  // a new row
        item.Origin = SRowOrigin();
        if (!inserter.Insert(item)) return failure();
        mapNewId[nOldId] = item.ID;
    }
    if (!service.CommitWork()) return failure();
    result.nNewId = arr.front().ID;
    result.nRows = static_cast<int>(arr.size());
    return EWriteResult::Saved;
}

std::string RestoredMessage(const SRestoreResult& result) {
    if (result.nRows <= 1) return Ansi("Der Eintrag wurde aus der Sicherungskopie wiederhergestellt.");
    return Ansi("Der Ordner wurde mit ") + std::to_string(result.nRows - 1) +
           Ansi(" Einträgen aus der Sicherungskopie wiederhergestellt.");
}

std::string NotInCopyMessage(TRowId nId) {
    return "Der Eintrag " + std::to_string(nId) + " ist in der Sicherungskopie nicht vorhanden.";
}

void SayRestoreResult(EWriteResult eResult, const SRestoreResult& result, TRowId nId) {
    CPlatform& platform = GetPlatform();
    switch (eResult) {
        case EWriteResult::Saved:
        case EWriteResult::Declined: return;
        case EWriteResult::Deleted:
            platform.MessageBox(NotInCopyMessage(nId), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        case EWriteResult::ParentGone:
            platform.MessageBox(Ansi("Der Ordner, in den wiederhergestellt werden sollte, wurde inzwischen von einem "
                                     "anderen Benutzer gelöscht. Es wurde nichts wiederhergestellt."),
                                "", EMsgIcon::Exclamation, EMsgButtons::Ok);
            return;
        default: break;
    }
    // the copy could not be read, or the open file not written
    if (result.bCopyUnreadable)
        platform.MessageBox(CopyUnreadable(result.strCopyPath), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    else
        ShowDbFailureReason(result.report.nEngineCode);
    platform.MessageBox(Ansi("Es wurde nichts wiederhergestellt."), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
}
