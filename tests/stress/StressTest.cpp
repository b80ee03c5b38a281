// orvantis-stress: its check finds each kind of fault in a file, a run
// without contention finds none, and runs with several users under locks and
// kills lose nothing.
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <functional>
#include <future>
#include <map>

#include "db/CDB.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
SProcessResult RunStress(std::vector<std::string> arrArgs) {
    arrArgs.insert(arrArgs.begin(), ORVANTIS_STRESS_PATH);
    return RunProcess(arrArgs);
}

// The same for runs side by side: the output goes to a file of its own.
SProcessResult RunStressInto(const std::vector<std::string>& arrArgs, const std::string& strOutput) {
    std::string strCommand = std::string("'") + ORVANTIS_STRESS_PATH + "'";
    for (const auto& str : arrArgs) strCommand += " '" + str + "'";
    int nStatus = std::system((strCommand + " >'" + strOutput + "' 2>&1").c_str());
    SProcessResult r;
    r.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    r.strOut = ReadFile(strOutput);
    return r;
}

// The number after "label: " at the start of a line of the figures; -1 when
// the line is missing.
long Figure(const std::string& strOut, const std::string& strLabel) {
    std::string strKey = strLabel + ": ";
    for (size_t nAt = 0; nAt < strOut.size();) {
        size_t nEnd = strOut.find('\n', nAt);
        std::string strLine = strOut.substr(nAt, nEnd == std::string::npos ? std::string::npos : nEnd - nAt);
        size_t nFirst = strLine.find_first_not_of(' ');
        if (nFirst != std::string::npos && strLine.compare(nFirst, strKey.size(), strKey) == 0)
            return std::atol(strLine.c_str() + nFirst + strKey.size());
        if (nEnd == std::string::npos) break;
        nAt = nEnd + 1;
    }
    return -1;
}

const char* const kFaultFigures[] = {"verloren",
                                     "falsche Zeile",
                                     "ohne Wahl verworfen",
                                     "falsch eingeordnet",
                                     "falscher Ordner",
                                     "Positionsfehler",
                                     "Waisen",
                                     "falsch verschlüsselt",
                                     "Abstürze",
                                     "Hänger",
                                     "doppelt",
                                     "trotz Abweisung gespeichert",
                                     "unbekannte Zeilen",
                                     "ungespeichert beim kill -9"};

// A finished run as the check sees it: S1 (1) and S2 (2) shared; worker 1
// made w1n1 (3) and w1n3 (4) in S1, the folder w1f6 (5) with w1n7 (6) and
// w1n9 (7) in S2, and changed the text of w1n1 (w1t2 to w1t5).
class CStressCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pBase = new CTempDir;
        std::string strDb = s_pBase->File("stress.tov");
        ASSERT_EQ(RunCli({"create", strDb}).nExit, 0);
        auto add = [&](const std::string& strParent, const std::string& strName, const std::string& strText,
                       bool bDir) {
            std::vector<std::string> arr{"add", strDb, "--parent", strParent, "--name", strName};
            if (!strText.empty()) arr.insert(arr.end(), {"--text", strText});
            if (bDir) arr.push_back("--folder");
            ASSERT_EQ(RunCli(arr).nExit, 0);
        };
        add("0", "S1", "", true);
        add("0", "S2", "", true);
        add("1", "w1n1", "w1t2", false);
        add("1", "w1n3", "w1t4", false);
        add("2", "w1f6", "", true);
        add("5", "w1n7", "w1t8", false);
        add("2", "w1n9", "w1t10", false);
        ASSERT_EQ(RunCli({"set", strDb, "3", "--text", "w1t5"}).nExit, 0);
        // the same run on a protected file
        fs::copy_file(strDb, s_pBase->File("geheim.tov"));
        ASSERT_EQ(RunCli({"protect", s_pBase->File("geheim.tov"), "--new", "geheim"}).nExit, 0);
        WriteFile(s_pBase->File("w0.log"),
                  "B\t1\tadd\tS1\tROOT\t\t1\nE\t1\tok\t5\t\t1\n"
                  "B\t2\tadd\tS2\tROOT\t\t1\nE\t2\tok\t5\t\t2\n");
        WriteFile(s_pBase->File("w1.log"),
                  "B\t1\tadd\tw1n1\tS1\tw1t2\t0\nE\t1\tok\t5\t\t3\n"
                  "B\t2\tadd\tw1n3\tS1\tw1t4\t0\nE\t2\tok\t5\t\t4\n"
                  "B\t3\tadd\tw1f6\tS2\t\t1\nE\t3\tok\t5\t\t5\n"
                  "B\t4\tadd\tw1n7\tw1f6\tw1t8\t0\nE\t4\tok\t5\t\t6\n"
                  "B\t5\tadd\tw1n9\tS2\tw1t10\t0\nE\t5\tok\t5\t\t7\n"
                  "B\t6\tset\tw1n1\tw1t5\tw1t2\nE\t6\tok\t700\t\t\n");
    }
    static void TearDownTestSuite() {
        delete s_pBase;
        s_pBase = nullptr;
    }

    // A copy of the run, changed by the statements, with lines added to
    // worker 1's log; the check's output.
    // With a password: the protected file, under "geheim".
    SProcessResult Check(const std::vector<std::string>& arrSql, const std::string& strMoreLog,
                         const std::string& strPassword = "") {
        for (const char* psz : {"w0.log", "w1.log"})
            fs::copy_file(s_pBase->File(psz), m_dir.File(psz), fs::copy_options::overwrite_existing);
        fs::copy_file(s_pBase->File(strPassword.empty() ? "stress.tov" : "geheim.tov"), m_dir.File("stress.tov"),
                      fs::copy_options::overwrite_existing);
        for (const auto& strSql : arrSql) EXPECT_EQ(RawExec(m_dir.File("stress.tov"), strSql), 0) << strSql;
        WriteFile(m_dir.File("w1.log"), ReadFile(m_dir.File("w1.log")) + strMoreLog);
        std::vector<std::string> arr{"--check", m_dir.Path()};
        if (!strPassword.empty()) arr.insert(arr.end(), {"--password", strPassword});
        return RunStress(arr);
    }

    static CTempDir* s_pBase;
    CTempDir m_dir;
};
CTempDir* CStressCheckTest::s_pBase = nullptr;

// worker 1 as a document worker: it typed w1t20 over w1n1's w1t5, and saved it
const std::string kTyped = "B\t7\ttype\tw1n1\tw1t20\tedit\tw1t5\nE\t7\tok\t0\t\t\n";
const std::string kTypedAndSaved = kTyped + "B\t8\tsave\tw1t20\nE\t8\tok\t5\t\t\n";
// the write was refused: another user changed the text, or deleted the entry
const std::string kConflict = "B\t8\tsave\tw1t20\nE\t8\trefused\t5\tconflict\tw1n1\n";
const std::string kDeletedMeanwhile =
    "B\t8\tdel\tw1n1\nE\t8\tok\t5\t\t\nB\t9\tsave\tw1t20\nE\t9\trefused\t5\tdeleted\tw1n1\n";

struct SCheckCase {
    const char* pszName;
    std::vector<std::string> arrSql;
    std::string strMoreLog;
    std::map<std::string, long> mapExpected;  // the fault figures not listed are 0
    bool bFaulty;
};

TEST_F(CStressCheckTest, FindsEachKindOfFaultAndNothingElse) {
    const SCheckCase arrCases[] = {
        {"nothing wrong", {}, "", {}, false},
        {"an added entry is missing", {"DELETE FROM KnowHow WHERE ID=4;"}, "", {{"verloren", 1}}, true},
        {"a text change is missing", {"UPDATE KnowHow SET Text='w1t2' WHERE ID=3;"}, "", {{"verloren", 1}}, true},
        {"an entry in another folder",
         {"UPDATE KnowHow SET MasterID=2, PosNr=3 WHERE ID=4;"},
         "",
         {{"falsch eingeordnet", 1}, {"falscher Ordner", 1}},
         true},
        {"a reported move that did not happen",
         {},
         "B\t7\tmove\tw1n3\tw1f6\nE\t7\tok\t5\t\t\n",
         {{"falsch eingeordnet", 1}, {"falscher Ordner", 1}},
         true},
        {"two entries at one position",
         {"UPDATE KnowHow SET PosNr=1 WHERE ID=4;"},
         "",
         {{"falsch eingeordnet", 1}, {"Positionsfehler", 1}},
         true},
        {"position 0",
         {"UPDATE KnowHow SET PosNr=0 WHERE ID=7;"},
         "",
         {{"falsch eingeordnet", 1}, {"Positionsfehler", 1}},
         true},
        {"a row whose folder is gone",
         {"UPDATE KnowHow SET MasterID=99, PosNr=1 WHERE ID=4;"},
         "",
         {{"falsch eingeordnet", 1}, {"Waisen", 1}},
         true},
        {"a reported delete that did not happen", {}, "B\t7\tdel\tw1n9\nE\t7\tok\t5\t\t\n", {{"verloren", 1}}, true},
        {"a deleted folder takes its content",
         {"DELETE FROM KnowHow WHERE ID IN (5, 6);", "UPDATE KnowHow SET PosNr=1 WHERE ID=7;"},
         "B\t7\tdel\tw1f6\nE\t7\tok\t5\t\t\n",
         {},
         false},
        {"the content of a deleted folder is left",
         {"DELETE FROM KnowHow WHERE ID=5;", "UPDATE KnowHow SET PosNr=1 WHERE ID=7;"},
         "B\t7\tdel\tw1f6\nE\t7\tok\t5\t\t\n",
         {{"verloren", 1}, {"falsch eingeordnet", 1}, {"Waisen", 1}},
         true},
        {"an operation cut short may have happened",
         {"DELETE FROM KnowHow WHERE ID IN (5, 6);", "UPDATE KnowHow SET PosNr=1 WHERE ID=7;"},
         "B\t7\tset\tw1n3\tw1t12\nE\t7\tok\t5\t\t\nB\t8\tdel\tw1f6\n",
         {{"verloren", 1}},
         true},
        {"or not", {}, "B\t7\tdel\tw1f6\n", {}, false},
        {"a refused add that was stored",
         {"INSERT INTO KnowHow (MasterID, PosNr, IsDir, Name, Text, IsAktiv) VALUES (2, 3, '0', 'w1n11', 'w1t12', "
          "'1');"},
         "B\t7\tadd\tw1n11\tS2\tw1t12\t0\nE\t7\trefused\t9000\tlocked\texit 3\n",
         {{"trotz Abweisung gespeichert", 1}},
         false},
        {"an entry stored twice",
         {"INSERT INTO KnowHow (MasterID, PosNr, IsDir, Name, Text, IsAktiv) VALUES (2, 3, '0', 'w1n9', 'w1t10', "
          "'1');"},
         "",
         {{"doppelt", 1}},
         true},
        {"a row nobody wrote",
         {"INSERT INTO KnowHow (MasterID, PosNr, IsDir, Name, Text, IsAktiv) VALUES (2, 3, '0', 'fremd', '', '1');"},
         "",
         {{"unbekannte Zeilen", 1}},
         false},
        {"a row whose folder is no folder",
         {"UPDATE KnowHow SET MasterID=3, PosNr=1 WHERE ID=4;", "UPDATE KnowHow SET PosNr=1 WHERE ID=3;"},
         "",
         {{"falsch eingeordnet", 2}, {"falscher Ordner", 1}, {"Waisen", 1}},
         true},
        // the document worker: typing, the write, the answers to a refusal
        {"a text typed over and saved", {"UPDATE KnowHow SET Text='w1t20' WHERE ID=3;"}, kTypedAndSaved, {}, false},
        {"a text typed over, saved and not there", {}, kTypedAndSaved, {{"verloren", 1}}, true},
        {"a text written into another entry",
         {"UPDATE KnowHow SET Text='w1t20' WHERE ID=4;"},
         kTypedAndSaved,
         {{"verloren", 2}, {"falsche Zeile", 1}},
         true},
        {"typing that went without a choice", {}, kTyped, {{"ohne Wahl verworfen", 1}}, true},
        {"typing the rows lost",
         {},
         kTyped + "B\t8\tgone\tw1n1\tw1t20\nE\t8\tok\t0\t\t\n",
         {{"ohne Wahl verworfen", 1}},
         true},
        {"typing lost with its killed worker", {}, kTyped + "Z\tkill -9\n", {{"ungespeichert beim kill -9", 1}}, false},
        {"a conflict answered with the stored version",
         {},
         kTyped + kConflict + "B\t9\tchoice\tstored\tw1n1\tw1t20\tw1t5\tw1n1\nE\t9\tok\t0\t\t\n",
         {},
         false},
        {"a conflict answered with mine, over the version shown",
         {"UPDATE KnowHow SET Text='w1t20' WHERE ID=3;"},
         "B\t7\ttype\tw1n1\tw1t20\tedit\tw1t2\nE\t7\tok\t0\t\t\n" + kConflict +
             "B\t9\tchoice\tkeep\tw1n1\tw1t20\tw1t5\tw1n1\nE\t9\tok\t0\t\t\n"
             "B\t10\tsave\tw1t20\nE\t10\tok\t5\t\t\n",
         {},
         false},
        {"a stale write that replaced a text it was not shown",
         {"UPDATE KnowHow SET Text='w1t20' WHERE ID=3;"},
         "B\t7\ttype\tw1n1\tw1t20\tedit\tw1t2\nE\t7\tok\t0\t\t\nB\t8\tsave\tw1t20\nE\t8\tok\t5\t\t\n",
         {{"verloren", 1}},
         true},
        {"a deleted entry's text saved as a new entry",
         {"DELETE FROM KnowHow WHERE ID=3;", "UPDATE KnowHow SET PosNr=1 WHERE ID=4;",
          "INSERT INTO KnowHow (MasterID, PosNr, IsDir, Name, Text, IsAktiv) VALUES (1, 2, '0', 'w1n1', 'w1t20', "
          "'1');"},
         kTyped + kDeletedMeanwhile + "B\t10\tchoice\tnew\tw1n1\tw1t20\t\tS1\nE\t10\tok\t5\t\t8\n",
         {},
         false},
        {"and not there",
         {"DELETE FROM KnowHow WHERE ID=3;", "UPDATE KnowHow SET PosNr=1 WHERE ID=4;"},
         kTyped + kDeletedMeanwhile + "B\t10\tchoice\tnew\tw1n1\tw1t20\t\tS1\nE\t10\tok\t5\t\t8\n",
         {{"verloren", 1}},
         true},
        {"a new row whose folder went, saved into the one above",
         {"DELETE FROM KnowHow WHERE ID IN (5, 6);", "UPDATE KnowHow SET PosNr=1 WHERE ID=7;",
          "INSERT INTO KnowHow (MasterID, PosNr, IsDir, Name, Text, IsAktiv) VALUES (2, 2, '0', 'w1n20', 'w1t21', "
          "'1');"},
         "B\t7\ttype\tw1n20\tw1t21\tnew\tw1f6\t0\nE\t7\tok\t0\t\t\n"
         "B\t8\tdel\tw1f6\nE\t8\tok\t5\t\t\n"
         "B\t9\tsave\tw1t21\nE\t9\trefused\t5\tparentgone\tw1n20\n"
         "B\t10\tchoice\tnew\tw1n20\tw1t21\t\tS2\nE\t10\tok\t5\t\t8\n",
         {},
         false},
        {"a program that crashed",
         {},
         "B\t7\tset\tw1n3\tw1t12\nE\t7\tcrash\t50\tsignal\t11\n",
         {{"Abstürze", 1}},
         true},
        {"a worker that died of a signal", {}, "K\t6\n", {{"Abstürze", 1}}, true},
        {"a worker that did not stop", {}, "H\tpid 1: B 7 set\n", {{"Hänger", 1}}, true},
    };
    for (const auto& c : arrCases) {
        SCOPED_TRACE(c.pszName);
        SProcessResult r = Check(c.arrSql, c.strMoreLog);
        EXPECT_EQ(r.nExit, c.bFaulty ? 1 : 0) << r.strOut << r.strErr;
        EXPECT_NE(r.strOut.find("Integrität: ok"), std::string::npos) << r.strOut;
        for (const char* pszFigure : kFaultFigures) {
            auto it = c.mapExpected.find(pszFigure);
            EXPECT_EQ(Figure(r.strOut, pszFigure), it == c.mapExpected.end() ? 0 : it->second) << pszFigure << "\n"
                                                                                               << r.strOut;
        }
    }
}

TEST_F(CStressCheckTest, FindsPlainTextAndAnotherKeyInAProtectedFile) {
    SProcessResult r = Check({}, "", "geheim");
    EXPECT_EQ(r.nExit, 0) << r.strOut;
    EXPECT_EQ(Figure(r.strOut, "falsch verschlüsselt"), 0) << r.strOut;
    EXPECT_EQ(Figure(r.strOut, "verloren"), 0) << r.strOut;

    // a text written without the key: the program shows garbage, so the
    // entry is lost as well
    r = Check({"UPDATE KnowHow SET Text='w1t4' WHERE ID=4;"}, "", "geheim");
    EXPECT_EQ(r.nExit, 1);
    EXPECT_EQ(Figure(r.strOut, "falsch verschlüsselt"), 1) << r.strOut;
    EXPECT_EQ(Figure(r.strOut, "verloren"), 1) << r.strOut;

    // checked under another password, every row is wrong and the key too
    r = Check({}, "", "geheim");
    SProcessResult other = RunStress({"--check", m_dir.Path(), "--password", "anders"});
    EXPECT_EQ(other.nExit, 1);
    EXPECT_EQ(Figure(other.strOut, "falsch verschlüsselt"), 7) << other.strOut;
    EXPECT_NE(other.strOut.find("DbKey"), std::string::npos) << other.strOut;
}

// How often an operation was done and how often it succeeded, from its
// line "  swap  7  ok  7 ..."; {-1, -1} without the line.
std::pair<long, long> OpFigure(const std::string& strOut, const std::string& strOp) {
    size_t nAt = strOut.find("\n  " + strOp + " ");
    long nOps = -1, nOk = -1;
    if (nAt != std::string::npos &&
        std::sscanf(strOut.c_str() + nAt + 3 + strOp.size(), "%ld ok %ld", &nOps, &nOk) == 2)
        return {nOps, nOk};
    return {-1, -1};
}

// One process alone meets no lock and no stale row: every operation must
// succeed and the file must hold what it did. A fault here is the harness's:
// a worker that does an operation wrongly, or a check that expects the
// wrong thing of it. Each operation also alone (adding only where there is
// nothing to do it on yet), so that each surely runs.
TEST(CStressRunTest, OneUserAloneDoesEveryOperationAndFindsNothing) {
    struct SCase {
        bool bDoc;
        std::string strOps;     // empty: all
        std::string strLogged;  // the operation that must show in the figures
    };
    std::vector<SCase> arrCases = {{false, "", ""}, {true, "", ""}};
    for (const char* psz : {"set", "move", "del", "imp"}) arrCases.push_back({false, psz, psz});
    // the document worker's typing is written when it leaves the row
    for (auto [pszOp, pszLogged] : {std::pair{"set", "save"},
                                    {"swap", "swap"},
                                    {"move", "move"},
                                    {"del", "del"},
                                    {"deldir", "del"},
                                    {"reuse", "del"},
                                    {"imp", "imp"}})
        arrCases.push_back({true, pszOp, pszLogged});
    CTempDir dir;
    std::vector<std::future<SProcessResult>> arrRuns;
    for (size_t i = 0; i < arrCases.size(); ++i) {
        std::vector<std::string> arr{"--processes",  "1",
                                     "--doc",        arrCases[i].bDoc ? "1" : "0",
                                     "--seconds",    "2",
                                     "--lock-max",   "0",
                                     "--kill-every", "0",
                                     "--hold-max",   "0.1",
                                     "--dir",        dir.File("run" + std::to_string(i))};
        if (!arrCases[i].strOps.empty()) arr.insert(arr.end(), {"--ops", arrCases[i].strOps});
        // the document driver on a protected file: its reads decrypt, its writes encrypt
        if (arrCases[i].bDoc) arr.insert(arr.end(), {"--password", "geheim"});
        arrRuns.push_back(std::async(std::launch::async, RunStressInto, arr, dir.File("out" + std::to_string(i))));
    }
    for (size_t i = 0; i < arrCases.size(); ++i) {
        SCOPED_TRACE((arrCases[i].bDoc ? "doc " : "cli ") + arrCases[i].strOps);
        SProcessResult r = arrRuns[i].get();
        EXPECT_EQ(r.nExit, 0) << r.strOut;
        // how many fit into the seconds depends on the machine's load; that
        // every one went through does not
        EXPECT_GT(Figure(r.strOut, "Operationen"), 0) << r.strOut;
        EXPECT_EQ(Figure(r.strOut, "erfolgreich"), Figure(r.strOut, "Operationen")) << r.strOut;
        for (const char* pszFigure : kFaultFigures) EXPECT_EQ(Figure(r.strOut, pszFigure), 0) << pszFigure;
        if (!arrCases[i].strOps.empty()) {
            auto [nOps, nOk] = OpFigure(r.strOut, arrCases[i].strLogged);
            EXPECT_GT(nOps, 0) << r.strOut;
            EXPECT_EQ(nOk, nOps) << r.strOut;
        }
        // a clean run leaves nothing behind
        EXPECT_FALSE(fs::exists(dir.File("run" + std::to_string(i))));
    }
}

// What a run makes of a command-line program that misbehaves: one worker
// whose every operation is an add, through a script in the place of
// orvantis-cli. The runs go side by side.
TEST(CStressRunTest, TellsFromWhatTheProgramDidHowAnAddEnded) {
    struct SCase {
        const char* pszName;
        std::string strScript;
        std::vector<std::string> arrOptions;
        int nExit;  // -1: any
        std::function<void(const std::string&)> expect;
    };
    auto figure = [](const char* pszLabel) { return [=](const std::string& str) { return Figure(str, pszLabel); }; };
    auto ops = figure("Operationen");
    const std::string strLocked = std::string("echo 'Orvantis: ") + DB_LOCKED_MESSAGE + "' >&2; ";
    const std::vector<SCase> arrCases = {
        {"crashed",
         "kill -SEGV $$",
         {},
         1,
         [&](const std::string& o) {
             EXPECT_GT(ops(o), 0);
             EXPECT_EQ(figure("Abstürze")(o), ops(o));
             EXPECT_EQ(figure("verloren")(o), 0);
         }},
        {"locked",
         strLocked + "exit 3",
         {},
         0,
         [&](const std::string& o) {
             EXPECT_GT(ops(o), 0);
             EXPECT_EQ(figure("abgewiesen gesperrt")(o), ops(o));
         }},
        {"lock message with status 1",
         strLocked + "exit 1",
         {},
         0,
         [&](const std::string& o) {
             EXPECT_GT(ops(o), 0);
             EXPECT_EQ(figure("abgewiesen sonstige")(o), ops(o));
         }},
        // what a refusal says is not read: only the exit status tells
        {"refused with the conflict message",
         "printf 'Orvantis: Die Daten konnten nicht gespeicht werden,\\nda sie inzwischen von einen anderen "
         "Benutzer ge\\303\\244ndert wurden!\\n' >&2; exit 1",
         {},
         0,
         [&](const std::string& o) {
             EXPECT_GT(ops(o), 0);
             EXPECT_EQ(figure("abgewiesen sonstige")(o), ops(o));
             EXPECT_EQ(figure("abgewiesen Konflikt")(o), 0);
         }},
        {"success without storing",
         "echo 99",
         {},
         1,
         [&](const std::string& o) {
             EXPECT_GT(ops(o), 0);
             EXPECT_EQ(figure("verloren")(o), ops(o));
         }},
        {"never ends",
         "exec sleep 600",
         {"--grace", "1"},
         1,
         [&](const std::string& o) {
             EXPECT_EQ(ops(o), 1);
             EXPECT_EQ(figure("Hänger")(o), 1);
             EXPECT_EQ(figure("Ausgang unbekannt")(o), 1);
         }},
        {"killed while slow",
         "sleep 0.5; exec '" + CliPath() + "' \"$@\"",
         {"--kill-every", "0.5", "--seconds", "3"},
         0,
         [&](const std::string& o) {
             EXPECT_GE(figure("kill -9")(o), 2);
             // what was cut short may have happened or not: neither is lost
             EXPECT_GE(figure("Ausgang unbekannt")(o), 1);
             EXPECT_EQ(figure("verloren")(o), 0);
         }},
        // the real program under the locker's locks: they happen, whatever
        // today's program makes of them
        {"under locks",
         "exec '" + CliPath() + "' \"$@\"",
         {"--lock-min", "0.2", "--lock-max", "0.4", "--gap-min", "0.1", "--gap-max", "0.2"},
         -1,
         [&](const std::string& o) {
             EXPECT_GE(figure("Sperren")(o), 2);
             EXPECT_EQ(figure("Abstürze")(o), 0);
         }},
    };
    CTempDir dir;
    // every script is written and closed before the first run forks: a run
    // started earlier would inherit a script still open for writing, and
    // executing that script then fails with "Text file busy"
    for (size_t i = 0; i < arrCases.size(); ++i) {
        std::string strScript = dir.File("cli" + std::to_string(i));
        WriteFile(strScript, "#!/bin/sh\n" + arrCases[i].strScript + "\n");
        ::chmod(strScript.c_str(), 0755);
    }
    std::vector<std::future<SProcessResult>> arrRuns;
    for (size_t i = 0; i < arrCases.size(); ++i) {
        std::vector<std::string> arr{"--processes",  "1",
                                     "--doc",        "0",
                                     "--ops",        "add",
                                     "--seconds",    "1.5",
                                     "--lock-max",   "0",
                                     "--kill-every", "0",
                                     "--cli",        dir.File("cli" + std::to_string(i)),
                                     "--dir",        dir.File("run" + std::to_string(i))};
        arr.insert(arr.end(), arrCases[i].arrOptions.begin(), arrCases[i].arrOptions.end());
        arrRuns.push_back(std::async(std::launch::async, RunStressInto, arr, dir.File("out" + std::to_string(i))));
    }
    for (size_t i = 0; i < arrCases.size(); ++i) {
        SCOPED_TRACE(arrCases[i].pszName);
        SProcessResult r = arrRuns[i].get();
        if (arrCases[i].nExit >= 0) {
            EXPECT_EQ(r.nExit, arrCases[i].nExit) << r.strOut << r.strErr;
        }
        EXPECT_EQ(r.strOut.find("vorzeitig"), std::string::npos) << r.strOut;
        arrCases[i].expect(r.strOut);
    }
}

// Several users, command-line programs and document drivers, on a protected
// file under exclusive locks of up to 1 s, one of them killed now and then.
// Today reads give up at the first lock and positions are counted outside
// the writing transaction: positions double up, and a program that opens
// the file while it is locked takes it for unprotected and writes plain text.
TEST(CStressRunTest, ManyUsersUnderLocksAndKillsLoseNothing) {
    CTempDir dir;
    SProcessResult r = RunStress({"--processes", "4", "--seconds", "10", "--lock-max", "1", "--kill-every", "4",
                                  "--hold-max", "0.5", "--password", "geheim", "--dir", dir.File("run")});
    EXPECT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    EXPECT_GT(Figure(r.strOut, "erfolgreich"), 5) << r.strOut;
    for (const char* pszFigure : kFaultFigures) {
        // what a killed worker had typed and not yet saved goes with it
        if (std::string(pszFigure) == "trotz Abweisung gespeichert" ||
            std::string(pszFigure) == "ungespeichert beim kill -9")
            continue;
        EXPECT_EQ(Figure(r.strOut, pszFigure), 0) << pszFigure << "\n" << r.strOut;
    }
}

// Six programs add to one folder while another connection locks the file
// for 0.3 to 1.5 s at a time: the adds wait for the locks, and one that
// gives up says so with status 3 and the lock message.
TEST(CStressRunTest, AddsWaitForLocksOrSayTheFileIsLocked) {
    CTempDir dir;
    SProcessResult r = RunStress({"--scenario", "adds", "--seconds", "8", "--dir", dir.File("run")});
    EXPECT_EQ(r.nExit, 0) << r.strOut << r.strErr;
    EXPECT_EQ(Figure(r.strOut, "Hinzufügen abgewiesen ohne Sperrmeldung und Status 3"), 0) << r.strOut;
    EXPECT_EQ(Figure(r.strOut, "verloren"), 0) << r.strOut;
    EXPECT_EQ(Figure(r.strOut, "falsch eingeordnet"), 0) << r.strOut;
}
}  // namespace
