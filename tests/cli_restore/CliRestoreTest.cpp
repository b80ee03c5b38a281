// orvantis-cli restore: entries and folders back from real backup copies
// made by orvantis-cli backup, plain and protected, as a second process.
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CCopyRestore.h"
#include "protect/CCrypt.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "support/TestSupport.h"
#include "tree/CKnowHow.h"

namespace fs = std::filesystem;

namespace {
bool Contains(const std::string& strHaystack, const std::string& strNeedle) {
    return strHaystack.find(strNeedle) != std::string::npos;
}

std::string Trim(std::string str) {
    while (!str.empty() && (str.back() == '\n' || str.back() == '\r')) str.pop_back();
    return str;
}

// One stored row as another program reads it: the raw cells.
struct SRow {
    long long nId = 0, nMaster = 0, nPos = 0;
    std::string strDir, strTyp, strName, strText, strLink;
};

// Every active row of the file by ID, texts with every byte.
std::map<long long, SRow> ReadRows(const std::string& strPath) {
    std::map<long long, SRow> rows;
    sqlite3* pDb = nullptr;
    std::string strUri = "file:" + strPath + "?mode=ro&immutable=1";
    EXPECT_EQ(sqlite3_open_v2(strUri.c_str(), &pDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr), SQLITE_OK);
    sqlite3_stmt* p = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(pDb,
                                 "SELECT ID, MasterID, PosNr, IsDir, Typ, Name, Text, Link FROM KnowHow WHERE "
                                 "IsAktiv='1';",
                                 -1, &p, nullptr),
              SQLITE_OK);
    auto text = [&](int n) {
        const char* psz = static_cast<const char*>(sqlite3_column_blob(p, n));
        return psz ? std::string(psz, static_cast<size_t>(sqlite3_column_bytes(p, n))) : std::string();
    };
    while (p && sqlite3_step(p) == SQLITE_ROW) {
        SRow r{sqlite3_column_int64(p, 0),
               sqlite3_column_int64(p, 1),
               sqlite3_column_int64(p, 2),
               text(3),
               text(4),
               text(5),
               text(6),
               text(7)};
        rows[r.nId] = r;
    }
    sqlite3_finalize(p);
    sqlite3_close(pDb);
    return rows;
}

// The subtree of nId, each row with its children in position order, as
// (depth, row) pairs: two subtrees with the same shape and values compare
// equal whatever their IDs.
void Walk(const std::map<long long, SRow>& rows, long long nId, int nDepth, std::vector<std::pair<int, SRow>>& out) {
    out.push_back({nDepth, rows.at(nId)});
    std::vector<SRow> arrChildren;
    for (const auto& [id, r] : rows)
        if (r.nMaster == nId) arrChildren.push_back(r);
    std::sort(arrChildren.begin(), arrChildren.end(), [](const SRow& a, const SRow& b) { return a.nPos < b.nPos; });
    for (const auto& r : arrChildren) Walk(rows, r.nId, nDepth + 1, out);
}

// A subtree with every text decrypted under its key (empty: plain), IDs,
// parents and the position of the top row left out.
std::vector<std::string> Shape(const std::map<long long, SRow>& rows, long long nId, const std::string& strKey) {
    std::vector<std::pair<int, SRow>> arr;
    Walk(rows, nId, 0, arr);
    CCrypt crypt;
    crypt.SetPassword(strKey);
    auto plain = [&](const std::string& s) { return strKey.empty() ? s : crypt.Decrypt(s); };
    std::vector<std::string> out;
    for (size_t i = 0; i < arr.size(); ++i) {
        const SRow& r = arr[i].second;
        out.push_back(std::to_string(arr[i].first) + "|" + (i ? std::to_string(r.nPos) : "") + "|" + r.strDir + "|" +
                      r.strTyp + "|" + plain(r.strName) + "|" + plain(r.strText) + "|" + plain(r.strLink));
    }
    return out;
}

// Every folder's active children hold the positions 1..n.
void ExpectPositionsClosed(const std::map<long long, SRow>& rows) {
    std::map<long long, std::vector<long long>> mapPos;
    for (const auto& [id, r] : rows) mapPos[r.nMaster].push_back(r.nPos);
    for (auto& [nFolder, arr] : mapPos) {
        std::sort(arr.begin(), arr.end());
        for (size_t i = 0; i < arr.size(); ++i)
            EXPECT_EQ(arr[i], static_cast<long long>(i + 1)) << "folder " << nFolder;
    }
}

long long IdByName(const std::map<long long, SRow>& rows, const std::string& strName, const std::string& strKey = "") {
    CCrypt crypt;
    crypt.SetPassword(strKey);
    for (const auto& [id, r] : rows)
        if ((strKey.empty() ? r.strName : crypt.Decrypt(r.strName)) == strName) return id;
    return -1;
}
}  // namespace

class CCliRestoreTest : public CCoreTest {
protected:
    std::string m_strDb;
    long long m_nRezepte = 0, m_nKuchen = 0, m_nApfel = 0;

    std::string Cli(const std::vector<std::string>& arrArgs) {
        auto r = RunCli(arrArgs);
        EXPECT_EQ(r.nExit, 0) << arrArgs[0] << ": " << r.strErr;
        return Trim(r.strOut);
    }

    void SetUp() override {
        CCoreTest::SetUp();
        m_strDb = m_dir.File("wissen.tov");
        Cli({"create", m_strDb});
        // copies only when asked for: a daily one would stand in for them
        Cli({"backup-settings", m_strDb, "--auto", "off"});
        // a folder with entries, a nested folder, a link, texts with bytes
        // that quoting and encodings like to change
        m_nRezepte = std::stoll(Cli({"add", m_strDb, "--parent", "0", "--name", "Rezepte", "--folder"}));
        Cli({"add", m_strDb, "--parent", "0", "--name", "Notizen", "--folder"});
        m_nApfel = std::stoll(Cli({"add", m_strDb, "--parent", std::to_string(m_nRezepte), "--name", "Apfelkuchen",
                                   "--text", "Äpfel, 'Zucker' und \\Zimt\\\nZeile 2\r\n\tEnde"}));
        Cli({"set", m_strDb, std::to_string(m_nApfel), "--link", "/home/müller/rezept's.pdf"});
        m_nKuchen = std::stoll(Cli({"add", m_strDb, "--parent", std::to_string(m_nRezepte), "--name", "Kuchen",
                                    "--folder", "--text", "Beschreibung des Ordners"}));
        for (const char* psz : {"Käsekuchen", "Marmorkuchen", "Bienenstich"})
            Cli({"add", m_strDb, "--parent", std::to_string(m_nKuchen), "--name", psz, "--text",
                 std::string(psz) + " €"});
        Cli({"add", m_strDb, "--parent", std::to_string(m_nRezepte), "--name", "Suppe"});
    }

    // A copy of the file as it is now; the copies of this minute made before
    // (protect makes one) go first, or it would be taken for this one.
    std::string Backup(const std::vector<std::string>& arrExtra = {}) {
        for (const auto& e : fs::directory_iterator(m_dir.Path()))
            if (IsBackupCopyName(e.path().filename().string(), "wissen.tov")) fs::remove(e.path());
        std::vector<std::string> args = {"backup", m_strDb};
        args.insert(args.end(), arrExtra.begin(), arrExtra.end());
        std::string strCopy = Cli(args);
        EXPECT_TRUE(fs::exists(strCopy)) << strCopy;
        return strCopy;
    }

    // Files of the folder that are neither the database nor a copy: side
    // files an engine would leave behind a reading of the copy.
    std::set<std::string> Files() {
        std::set<std::string> set;
        for (const auto& e : fs::directory_iterator(m_dir.Path())) set.insert(e.path().filename().string());
        return set;
    }
};

TEST_F(CCliRestoreTest, FolderAndEntryComeBackWithEveryByteAndTheCopyStaysAsItIs) {
    const std::string strCopy = Backup();
    const std::string strCopyBytes = ReadFile(strCopy);
    const auto copyRows = ReadRows(strCopy);
    const auto arrFolder = Shape(copyRows, m_nRezepte, "");
    ASSERT_EQ(arrFolder.size(), 7u);

    // the folder is deleted, a new entry takes its place at the top level
    auto r = RunCli({"delete", m_strDb, std::to_string(m_nRezepte), "--yes"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    Cli({"add", m_strDb, "--parent", "0", "--name", "Neu"});
    const std::set<std::string> setFiles = Files();

    r = RunCli({"restore", m_strDb, "--from", strCopy, "--id", std::to_string(m_nRezepte)});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strErr, "");
    const long long nNew = std::stoll(Trim(r.strOut));
    auto rows = ReadRows(m_strDb);
    ASSERT_TRUE(rows.count(nNew));
    EXPECT_EQ(rows[nNew].nMaster, 0);
    EXPECT_EQ(rows[nNew].nPos, 3);  // after Notizen and Neu
    EXPECT_EQ(Shape(rows, nNew, ""), arrFolder);
    ExpectPositionsClosed(rows);
    EXPECT_EQ(rows.size(), 2u + 7u);

    // a single entry into a folder that holds some: appended at its end
    const long long nNotizen = IdByName(rows, "Notizen");
    Cli({"add", m_strDb, "--parent", std::to_string(nNotizen), "--name", "Erste"});
    r = RunCli(
        {"restore", m_strDb, "--from", strCopy, "--id", std::to_string(m_nApfel), "--to", std::to_string(nNotizen)});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const long long nEntry = std::stoll(Trim(r.strOut));
    rows = ReadRows(m_strDb);
    EXPECT_EQ(rows[nEntry].nMaster, nNotizen);
    EXPECT_EQ(rows[nEntry].nPos, 2);
    EXPECT_EQ(Shape(rows, nEntry, ""), Shape(copyRows, m_nApfel, ""));
    EXPECT_EQ(rows[nEntry].strLink, "/home/m\xFCller/rezept's.pdf");
    ExpectPositionsClosed(rows);

    // the copy: the same bytes, no journal, no side files next to it
    EXPECT_EQ(ReadFile(strCopy), strCopyBytes);
    std::set<std::string> setNow = Files();
    EXPECT_EQ(setNow, setFiles);
}

TEST_F(CCliRestoreTest, ProtectedCopyWithAnOlderPasswordIntoPlainAndProtectedFiles) {
    auto r = RunCli({"protect", m_strDb, "--new", "alt"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const std::string strCopy = Backup({"--password", "alt"});
    const std::string strCopyBytes = ReadFile(strCopy);
    const auto copyRows = ReadRows(strCopy);
    const auto arrFolder = Shape(copyRows, m_nRezepte, "alt");
    // the copy holds cipher text, not the plain keywords
    EXPECT_EQ(IdByName(copyRows, "Rezepte"), -1);
    ASSERT_EQ(IdByName(copyRows, "Rezepte", "alt"), m_nRezepte);

    // the database gets another password since
    r = RunCli({"protect", m_strDb, "--new", "neu", "--password", "alt"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const auto before = ReadRows(m_strDb);

    // without the copy's password, and with a wrong one: refused, nothing written
    r = RunCli({"restore", m_strDb, "--password", "neu", "--from", strCopy, "--id", std::to_string(m_nRezepte)});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "--copy-password")) << r.strErr;
    r = RunCli({"restore", m_strDb, "--password", "neu", "--from", strCopy, "--id", std::to_string(m_nRezepte),
                "--copy-password", "neu"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Das eingegebene Passwort ist falsch")) << r.strErr;
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(ReadRows(m_strDb).size(), before.size());

    // the older password reads it; the texts are stored under the new one
    r = RunCli({"restore", m_strDb, "--password", "neu", "--from", strCopy, "--id", std::to_string(m_nRezepte),
                "--copy-password", "alt"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    long long nNew = std::stoll(Trim(r.strOut));
    auto rows = ReadRows(m_strDb);
    EXPECT_EQ(Shape(rows, nNew, "neu"), arrFolder);
    ExpectPositionsClosed(rows);
    CCrypt neu;
    neu.SetPassword("neu");
    EXPECT_EQ(rows[nNew].strName, neu.Encrypt("Rezepte"));

    // from standard input, as a script hands it over
    r = RunProcess({"/bin/sh", "-c",
                    "printf 'alt\\n' | '" + CliPath() + "' restore '" + m_strDb + "' --password neu --from '" +
                        strCopy + "' --id " + std::to_string(m_nKuchen) + " --copy-password -"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(Shape(ReadRows(m_strDb), std::stoll(Trim(r.strOut)), "neu"), Shape(copyRows, m_nKuchen, "alt"));

    // into a plain file: stored plain, byte for byte what was typed
    r = RunCli({"unprotect", m_strDb, "--password", "neu"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    r = RunCli({"restore", m_strDb, "--from", strCopy, "--id", std::to_string(m_nApfel), "--copy-password-file",
                m_dir.File("kennwort.txt")});
    EXPECT_EQ(r.nExit, 1);  // no such file
    WriteFile(m_dir.File("kennwort.txt"), "alt\n");
    r = RunCli({"restore", m_strDb, "--from", strCopy, "--id", std::to_string(m_nApfel), "--copy-password-file",
                m_dir.File("kennwort.txt")});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    nNew = std::stoll(Trim(r.strOut));
    rows = ReadRows(m_strDb);
    EXPECT_EQ(rows[nNew].strName, "Apfelkuchen");
    EXPECT_EQ(rows[nNew].strText, Ansi("Äpfel, 'Zucker' und \\Zimt\\\nZeile 2\r\n\tEnde"));
    EXPECT_EQ(rows[nNew].strLink, Ansi("/home/müller/rezept's.pdf"));
    EXPECT_EQ(rows[nNew].nPos, 5);  // after Rezepte, Notizen and the restored Rezepte and Kuchen
    ExpectPositionsClosed(rows);

    EXPECT_EQ(ReadFile(strCopy), strCopyBytes);
}

TEST_F(CCliRestoreTest, RefusalsWriteNothing) {
    const std::string strCopy = Backup();
    const auto before = ReadRows(m_strDb);
    const struct {
        std::vector<std::string> arrArgs;
        int nExit;
        const char* pszErr;
    } kCases[] = {
        {{"restore", m_strDb, "--id", "1"}, 2, "--from und --id"},
        {{"restore", m_strDb, "--from", strCopy}, 2, "--from und --id"},
        {{"restore", m_strDb, "--from", strCopy, "--id", "0"}, 2, "--id erwartet"},
        {{"restore", m_strDb, "--from", strCopy, "--id", "x"}, 2, "keine gültige ID"},
        {{"restore", m_strDb, "--from", m_strDb, "--id", "1"}, 1, "die Datenbank selbst"},
        {{"restore", m_strDb, "--from", m_dir.File("fehlt.tov"), "--id", "1"}, 1, "existiert nicht"},
        {{"restore", m_strDb, "--from", strCopy, "--id", "999"}, 1, "ist in der Sicherungskopie nicht vorhanden"},
        {{"restore", m_strDb, "--from", strCopy, "--id", "1", "--to", std::to_string(m_nApfel)}, 1, "kein Ordner"},
        {{"restore", m_strDb, "--from", strCopy, "--id", "1", "--to", "999"}, 1, "existiert nicht"},
    };
    WriteFile(m_dir.File("kaputt.tov"), std::string(4096, 'x'));
    for (const auto& c : kCases) {
        auto r = RunCli(c.arrArgs);
        EXPECT_EQ(r.nExit, c.nExit) << c.pszErr << ": " << r.strErr;
        EXPECT_TRUE(Contains(r.strErr, c.pszErr)) << r.strErr;
        EXPECT_EQ(r.strOut, "");
    }
    auto r = RunCli({"restore", m_strDb, "--from", m_dir.File("kaputt.tov"), "--id", "1"});
    EXPECT_EQ(r.nExit, 1);
    EXPECT_TRUE(Contains(r.strErr, "Die Sicherungskopie kann nicht gelesen werden")) << r.strErr;
    EXPECT_EQ(ReadRows(m_strDb).size(), before.size());
}

TEST_F(CCliRestoreTest, CopyOfAFileOfTheFirstVersionReads) {
    // the copy an upgrade leaves: no Option table, no Link column
    const std::string strOld = m_dir.File("alt.tov.20261201_0800");
    ASSERT_EQ(
        RawExec(strOld,
                "CREATE TABLE KnowHow (ID INTEGER PRIMARY KEY, IsAktiv VARCHAR(1), MasterID INTEGER, Typ INTEGER, "
                "LinkID INTEGER, PosNr INTEGER, IsDir VARCHAR(1), UpdateNr INTEGER, Text TEXT, Name TEXT);"
                "INSERT INTO KnowHow VALUES (1,'1',0,0,0,1,'1',3,'','Alt');"
                "INSERT INTO KnowHow VALUES (2,'1',1,0,0,2,'0',0,'zweiter','B');"
                "INSERT INTO KnowHow VALUES (3,'1',1,0,0,1,'0',0,'erster','A');"
                "INSERT INTO KnowHow VALUES (4,'0',1,0,0,3,'0',0,'verborgen','C');"),
        SQLITE_OK);
    auto r = RunCli({"restore", m_strDb, "--from", strOld, "--id", "1"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const auto rows = ReadRows(m_strDb);
    EXPECT_EQ(Shape(rows, std::stoll(Trim(r.strOut)), ""),
              (std::vector<std::string>{"0||1|0|Alt||", "1|1|0|0|A|erster|", "1|2|0|0|B|zweiter|"}));
}

TEST_F(CCliRestoreTest, TargetFolderDeletedByAnotherUserMeanwhileWritesNothing) {
    const std::string strCopy = Backup();
    // this process is the program with the dialog open on the folder Kuchen
    auto pService = OpenKnowledgeBase(m_strDb, false);
    ASSERT_TRUE(pService);
    CBackupCopyReader copy;
    ASSERT_TRUE(copy.Open(strCopy));
    CKnowHowArray arrTop;
    ASSERT_EQ(copy.GetChildren(0, arrTop), 2);
    EXPECT_EQ(arrTop[0].Name, "Rezepte");
    EXPECT_EQ(copy.GetPath(m_nApfel), "Rezepte\\Apfelkuchen");

    // another user deletes it
    auto r = RunCli({"delete", m_strDb, std::to_string(m_nKuchen), "--yes"});
    ASSERT_EQ(r.nExit, 0) << r.strErr;
    const auto before = ReadRows(m_strDb);

    SRestoreResult result;
    EXPECT_EQ(RestoreFromCopy(*pService, copy, m_nRezepte, static_cast<TRowId>(m_nKuchen), result),
              EWriteResult::ParentGone);
    EXPECT_EQ(result.nNewId, 0);
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
    SayRestoreResult(EWriteResult::ParentGone, result, m_nRezepte);
    ASSERT_FALSE(m_platform.m_arrMessages.empty());
    EXPECT_TRUE(Contains(m_platform.m_arrMessages.back().strText, Ansi("wurde inzwischen von einem anderen Benutzer")))
        << m_platform.m_arrMessages.back().strText;
    const auto after = ReadRows(m_strDb);
    EXPECT_EQ(after.size(), before.size());

    // the next write is not kept out: the lock was given back
    r = RunCli({"add", m_strDb, "--parent", "0", "--name", "danach"});
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    // and into a live folder the same restore goes through
    EXPECT_EQ(RestoreFromCopy(*pService, copy, m_nKuchen, static_cast<TRowId>(m_nRezepte), result),
              EWriteResult::Saved);
    EXPECT_EQ(result.nRows, 4);
    ExpectPositionsClosed(ReadRows(m_strDb));
}

TEST_F(CCliRestoreTest, LockedFileWaitsThenSaysSoWithNothingWritten) {
    const std::string strCopy = Backup();
    auto pService = OpenKnowledgeBase(m_strDb, false);
    ASSERT_TRUE(pService);
    CBackupCopyReader copy;
    ASSERT_TRUE(copy.Open(strCopy));
    const auto before = ReadRows(m_strDb);
    auto pHold = HoldExclusive(m_strDb, 40);
    ASSERT_TRUE(pHold);

    // the command-line program: status 3, try again later
    auto r = RunCli({"restore", m_strDb, "--from", strCopy, "--id", std::to_string(m_nRezepte)});
    EXPECT_EQ(r.nExit, 3) << r.strErr;
    EXPECT_TRUE(Contains(r.strErr, "Die Datenbank wird gerade von einem anderen Benutzer verwendet")) << r.strErr;
    EXPECT_EQ(r.strOut, "");

    // the program: the usual wait, then the reason and that nothing came back
    m_platform.m_arrMessages.clear();
    m_platform.m_arrSleeps.clear();
    SRestoreResult result;
    EXPECT_EQ(RestoreFromCopy(*pService, copy, m_nRezepte, 0, result), EWriteResult::Locked);
    EXPECT_EQ(m_platform.m_arrSleeps, FullBusyWait());
    EXPECT_EQ(GetDatabase().GetTransactionDepth(), 0);
    SayRestoreResult(EWriteResult::Locked, result, m_nRezepte);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(m_platform.m_arrMessages[0].strText, Ansi(DB_LOCKED_MESSAGE));
    EXPECT_EQ(m_platform.m_arrMessages[1].strText, Ansi("Es wurde nichts wiederhergestellt."));
    pHold.reset();
    EXPECT_EQ(ReadRows(m_strDb).size(), before.size());
    EXPECT_EQ(RestoreFromCopy(*pService, copy, m_nRezepte, 0, result), EWriteResult::Saved);
}
