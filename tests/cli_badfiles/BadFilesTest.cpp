// Every reading and writing command of orvantis-cli on files that are not
// what they claim to be: damaged, foreign, odd, unreachable, read-only,
// huge. Each run ends on its own (no crash, no hang) with its exit status
// and message, and leaves a refused file byte for byte as it was.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>

#include "platform/TestDisk.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr uid_t kNobody = 65534;
constexpr int kTimeoutSeconds = 60;

struct SRun {
    int nExit = -1;  // -1: ended by a signal (the alarm of a hang among them)
    int nSignal = 0;
    std::string strOut, strErr;
};

// Runs orvantis-cli, as "nobody" when asked and the tests run as root; a run
// that hangs is ended by an alarm that survives the exec.
SRun RunCliAs(std::vector<std::string> arrArgs, bool bUnprivileged, const std::string& strScratch) {
    arrArgs.insert(arrArgs.begin(), CliPath());
    std::string strOut = strScratch + "/out", strErr = strScratch + "/err";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 1);
        ::dup2(::open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 2);
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        if (bUnprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(126);
        ::alarm(kTimeoutSeconds);
        std::vector<char*> argv;
        for (auto& s : arrArgs) argv.push_back(s.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    SRun run;
    if (WIFEXITED(nStatus)) run.nExit = WEXITSTATUS(nStatus);
    if (WIFSIGNALED(nStatus)) run.nSignal = WTERMSIG(nStatus);
    run.strOut = ReadFile(strOut);
    run.strErr = ReadFile(strErr);
    return run;
}

std::vector<std::string> Listing(const std::string& strFolder) {
    std::vector<std::string> arr;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(strFolder, ec)) arr.push_back(entry.path().filename().string());
    std::sort(arr.begin(), arr.end());
    return arr;
}

bool Contains(const std::string& str, const std::string& strPart) {
    return str.find(strPart) != std::string::npos;
}

// What a kind of file does to the commands.
enum class EOutcome {
    Refused,   // every command fails at opening with the kind's message
    ReadOnly,  // reading works; writing fails with its message, nothing changes
    Works,     // reads and writes like a good file
    Degraded,  // readable, but the table lacks columns: writing changes no entry
};

struct SCommand {
    const char* pszName;
    std::vector<std::string> arrArgs;  // after the file
    bool bWrites;
    const char* pszReadOnlyMessage;  // what a write refused by the file system says
};

class CBadFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        OpenForOthers(m_dir.Path());
        m_strScratch = m_dir.File("scratch");
        fs::create_directory(m_strScratch);
        fs::permissions(m_strScratch, fs::perms::all);
        m_strGood = m_dir.File("gut.tov");
        ASSERT_EQ(RunCli({"create", m_strGood}).nExit, 0);
        ASSERT_EQ(RunCli({"add", m_strGood, "--parent", "0", "--name", "Ordner", "--folder"}).nExit, 0);
        ASSERT_EQ(RunCli({"add", m_strGood, "--parent", "1", "--name", "Eintrag", "--text", "Hallo"}).nExit, 0);
        ASSERT_EQ(RunCli({"add", m_strGood, "--parent", "0", "--name", "Zweiter"}).nExit, 0);
        // no daily copy: a reading command then writes nothing at all
        ASSERT_EQ(RawExec(m_strGood, "UPDATE Option SET Value='' WHERE Key='BackupAuto';"), 0);
        for (const auto& strName : Listing(m_dir.Path()))
            if (strName.rfind("gut.tov.", 0) == 0) fs::remove(m_dir.File(strName));
        m_strTemplate = m_strScratch + "/vorlage.txt";
        WriteFile(m_strTemplate, "+ Vorlage\r\n  - Punkt\r\n");
        ::chmod(m_strTemplate.c_str(), 0644);
    }

    CTempDir m_dir;
    std::string m_strScratch, m_strGood, m_strTemplate;
};
}  // namespace

TEST_F(CBadFilesTest, EveryCommandOnEveryKindOfBadFile) {
    const std::string strGood = ReadFile(m_strGood);
    const size_t nSize = strGood.size();
    ASSERT_GT(nSize, 16384u);
    std::mt19937 rng(1234);
    std::string strRandom(nSize, '\0');
    for (auto& c : strRandom) c = static_cast<char>(rng());

    const std::vector<SCommand> kCommands = {
        {"info", {}, false, nullptr},
        {"tree", {}, false, nullptr},
        {"dump", {}, false, nullptr},
        {"search", {"Hallo", "--texts"}, false, nullptr},
        {"export", {"(per case)"}, false, nullptr},
        {"add", {"--parent", "0", "--name", "Neu"}, true, "Die Eingaben konnten nicht gespeichert werden !"},
        {"set", {"2", "--text", "anders"}, true, "Die Eingaben konnten nicht gespeichert werden !"},
        {"delete", {"2", "--yes"}, true, "Der Eintrag wurde nicht gelöscht."},
        {"move", {"2", "0"}, true, "Die Eingaben konnten nicht gespeichert werden !"},
        {"import", {m_strTemplate}, true, "Die Eingaben konnten nicht gespeichert werden !"},
        {"reorganize", {}, true, "Die Datenbank konnte nicht reorganisiert werden."},
        {"backup", {}, true, "Die Sicherungskopie konnte nicht angelegt werden"},
        {"protect",
         {"--new", "geheim"},
         true,
         "Die Datenbankdatei ist schreibgeschützt, oder ihr Ordner erlaubt keine Änderungen.\n\nSie kann zur Zeit "
         "nicht verschlüsselt werden !"},
    };

    // Each kind prepares "x.tov" in a folder of its own; the file is made
    // anew for every command.
    using FMake = std::function<void(const std::string& strFolder, const std::string& strFile)>;
    auto content = [](std::string str) -> FMake {
        return [str](const std::string&, const std::string& strFile) { WriteFile(strFile, str); };
    };
    auto sql = [&](std::string strSql) -> FMake {
        return [this, strSql](const std::string&, const std::string& strFile) {
            fs::copy_file(m_strGood, strFile);
            ASSERT_EQ(RawExec(strFile, strSql), 0) << strSql;
        };
    };
    const char* const kUnreadable = "Die Datei ist keine lesbare Datenbank";
    const char* const kOld = "Die Datenbank hat eine zu alte Version";
    const struct {
        const char* pszKind;
        FMake make;
        EOutcome eOutcome;
        const char* pszMessage;  // Refused: the message of every command
        bool bUnprivileged = false;
    } kKinds[] = {
        {"cut after 100 bytes", content(strGood.substr(0, 100)), EOutcome::Refused, kUnreadable},
        {"cut after the first page", content(strGood.substr(0, 4096)), EOutcome::Refused, kUnreadable},
        {"cut in half", content(strGood.substr(0, nSize / 2)), EOutcome::Refused, kUnreadable},
        {"last page missing", content(strGood.substr(0, nSize - 4096)), EOutcome::Refused, kUnreadable},
        {"random bytes", content(strRandom), EOutcome::Refused, kUnreadable},
        {"zero bytes", content(std::string(nSize, '\0')), EOutcome::Refused, kUnreadable},
        {"empty", content(""), EOutcome::Refused, kOld},
        {"another program's database",
         [](const std::string&, const std::string& strFile) {
             ASSERT_EQ(RawExec(strFile, "CREATE TABLE Kunden (Nr, Name); INSERT INTO Kunden VALUES (1, 'A');"), 0);
         },
         EOutcome::Refused, kOld},
        {"version text abc", sql("UPDATE Option SET Value='abc' WHERE Key='DbVersion';"), EOutcome::Refused,
         "Die Datenbank hat eine zu alte Version(abc)"},
        {"version text empty", sql("UPDATE Option SET Value='' WHERE Key='DbVersion';"), EOutcome::Refused,
         "Die Datenbank hat eine zu alte Version()"},
        {"newer version", sql("UPDATE Option SET Value='9.999' WHERE Key='DbVersion';"), EOutcome::Refused,
         "Die Datenbank hat neuere Version(9.999)"},
        {"version nan", sql("UPDATE Option SET Value='nan' WHERE Key='DbVersion';"), EOutcome::Refused,
         "Die Datenbank hat neuere Version(nan)"},
        {"entries without columns",
         sql("DROP TABLE KnowHow; CREATE TABLE KnowHow (ID INTEGER PRIMARY KEY, MasterID INTEGER); "
             "INSERT INTO KnowHow VALUES (2, 0);"),
         EOutcome::Degraded, nullptr},
        {"WAL journal", sql("PRAGMA journal_mode=WAL;"), EOutcome::Works, nullptr},
        {"huge text", sql("UPDATE KnowHow SET Text=hex(randomblob(3000000)) WHERE ID=2;"), EOutcome::Works, nullptr},
        {"folder", [](const std::string&, const std::string& strFile) { fs::create_directory(strFile); },
         EOutcome::Refused, "Das ist ein Ordner, keine Datenbankdatei"},
        {"loop of links",
         [](const std::string& strFolder, const std::string& strFile) {
             fs::create_symlink("y.tov", strFile);
             fs::create_symlink("x.tov", strFolder + "/y.tov");
         },
         EOutcome::Refused, "ihre Verknüpfungen verweisen im Kreis"},
        {"link to nothing",
         [](const std::string&, const std::string& strFile) { fs::create_symlink("weg.tov", strFile); },
         EOutcome::Refused, "Die Datei existiert nicht"},
        {"missing", [](const std::string&, const std::string&) {}, EOutcome::Refused, "Die Datei existiert nicht"},
        {"named pipe", [](const std::string&, const std::string& strFile) { ::mkfifo(strFile.c_str(), 0666); },
         EOutcome::Refused, "Das ist keine gewöhnliche Datei"},
        {"unreadable file",
         [this](const std::string& strFolder, const std::string& strFile) {
             fs::copy_file(m_strGood, strFile);
             ::chmod(strFile.c_str(), 0);
             ::chmod(strFolder.c_str(), 0777);
         },
         EOutcome::Refused, "Die Datei darf nicht gelesen werden (fehlende Berechtigung)", true},
        {"read-only file",
         [this](const std::string& strFolder, const std::string& strFile) {
             fs::copy_file(m_strGood, strFile);
             ::chmod(strFile.c_str(), 0444);
             ::chmod(strFolder.c_str(), 0777);
         },
         EOutcome::ReadOnly, nullptr, true},
        {"read-only folder",
         [this](const std::string& strFolder, const std::string& strFile) {
             fs::copy_file(m_strGood, strFile);
             ::chmod(strFile.c_str(), 0666);
             ::chmod(strFolder.c_str(), 0555);
         },
         EOutcome::ReadOnly, nullptr, true},
    };

    int nCase = 0;
    for (const auto& kind : kKinds) {
        for (const auto& cmd : kCommands) {
            std::string strFolder = m_dir.File("fall" + std::to_string(++nCase));
            fs::create_directory(strFolder);
            OpenForOthers(strFolder);
            std::string strFile = strFolder + "/x.tov";
            kind.make(strFolder, strFile);
            std::error_code ec;
            bool bRegular = fs::is_regular_file(fs::symlink_status(strFile, ec));
            std::string strBefore = bRegular ? ReadFile(strFile) : std::string();
            auto arrListing = Listing(strFolder);

            std::vector<std::string> arrArgs{cmd.pszName, strFile};
            arrArgs.insert(arrArgs.end(), cmd.arrArgs.begin(), cmd.arrArgs.end());
            // every export into a file of its own, whoever runs it
            if (std::string(cmd.pszName) == "export") arrArgs[2] = m_strScratch + "/export" + std::to_string(nCase);
            SRun run = RunCliAs(arrArgs, kind.bUnprivileged, m_strScratch);
            std::string strCase = std::string(kind.pszKind) + " / " + cmd.pszName + ": " + run.strErr;
            if (run.nExit == 126) GTEST_SKIP() << "orvantis-cli cannot be run as another user here";
            ASSERT_EQ(run.nSignal, 0) << strCase << (run.nSignal == SIGALRM ? " (hangs)" : " (crashed)");

            bool bUnchanged = !bRegular || ReadFile(strFile) == strBefore;
            bool bYes = std::find(arrArgs.begin(), arrArgs.end(), "--yes") != arrArgs.end();
            if (kind.pszMessage && Contains(kind.pszMessage, "zu alte Version") && bYes) {
                // --yes answers the upgrade question too: the file is upgraded
                // after a whole copy of it was made
                EXPECT_EQ(RawQuery(strFile, "SELECT Value FROM Option WHERE Key='DbVersion';"), (CRawRows{{"1.200"}}))
                    << strCase;
                auto arrNow = Listing(strFolder);
                ASSERT_EQ(arrNow.size(), 2u) << strCase;
                EXPECT_TRUE(ReadFile(strFolder + "/" + arrNow[1]) == strBefore) << strCase;
                continue;
            }
            switch (kind.eOutcome) {
                case EOutcome::Refused:
                    EXPECT_EQ(run.nExit, 1) << strCase;
                    EXPECT_TRUE(Contains(run.strErr, kind.pszMessage)) << strCase;
                    EXPECT_EQ(run.strOut, "") << strCase;
                    EXPECT_TRUE(bUnchanged) << strCase;
                    EXPECT_EQ(Listing(strFolder), arrListing) << strCase;
                    break;
                case EOutcome::ReadOnly: {
                    // a copy may go to a folder that can be written; the file stays as it was
                    bool bBackupPossible = std::string(cmd.pszName) == "backup" && Contains(kind.pszKind, "file");
                    if (!cmd.bWrites || bBackupPossible) {
                        EXPECT_EQ(run.nExit, 0) << strCase;
                    } else {
                        EXPECT_EQ(run.nExit, 1) << strCase;
                        EXPECT_TRUE(Contains(run.strErr, cmd.pszReadOnlyMessage)) << strCase;
                        // and why, where the file system refused a change of the file itself
                        if (std::string(cmd.pszName) != "backup") {
                            EXPECT_TRUE(Contains(run.strErr, "schreibgeschützt")) << strCase << ": " << run.strErr;
                        }
                    }
                    EXPECT_TRUE(bUnchanged) << strCase;
                    break;
                }
                case EOutcome::Works:
                    EXPECT_EQ(run.nExit, 0) << strCase;
                    if (!cmd.bWrites) {
                        EXPECT_TRUE(bUnchanged) << strCase;
                    }
                    EXPECT_EQ(RawQuery(strFile, "PRAGMA integrity_check;"), (CRawRows{{"ok"}})) << strCase;
                    break;
                case EOutcome::Degraded:
                    // whatever a command makes of it, the one row stays as it was
                    EXPECT_TRUE(run.nExit == 0 || run.nExit == 1) << strCase;
                    if (std::string(cmd.pszName) == "add" || std::string(cmd.pszName) == "import") {
                        EXPECT_EQ(run.nExit, 1) << strCase;
                    }
                    EXPECT_EQ(RawQuery(strFile, "SELECT ID, MasterID FROM KnowHow;"), (CRawRows{{"2", "0"}}))
                        << strCase;
                    break;
            }
            ::chmod(strFolder.c_str(), 0777);
        }
    }
    std::printf("bad-file cases: %zu kinds x %zu commands\n", std::size(kKinds), kCommands.size());
}

// A disk that fills up: the copy and the change fail with the reason, and
// the file keeps its content.
TEST_F(CBadFilesTest, FullDisk) {
    std::string strDisk = m_dir.File("disk");
    fs::create_directory(strDisk);
    std::string strGood = m_strGood, strScratch = m_strScratch;
    std::string strResult = RunOnSmallDisk(strDisk, 256 << 10, [&] {
        std::string strFile = strDisk + "/x.tov";
        fs::copy_file(strGood, strFile);
        // filled up to the last few kilobytes
        WriteFile(strDisk + "/fuellung", std::string((256 << 10) - fs::file_size(strFile) - 8192, 'x'));
        std::string str;
        SRun backup = RunCliAs({"backup", strFile}, false, strScratch);
        str += std::to_string(backup.nExit) + " " + backup.strErr;
        SRun add = RunCliAs({"add", strFile, "--parent", "0", "--name", "Neu", "--text", std::string(100000, 'a')},
                            false, strScratch);
        str += std::to_string(add.nExit) + " " + add.strErr;
        str += RawQuery(strFile, "PRAGMA integrity_check;").at(0).at(0) + " ";
        str += RawQuery(strFile, "SELECT count(*) FROM KnowHow;").at(0).at(0) + "\n";
        for (const auto& strName : Listing(strDisk)) str += strName + " ";
        return str;
    });
    if (strResult.rfind("skip:", 0) == 0) GTEST_SKIP() << strResult;
    EXPECT_TRUE(Contains(strResult, "1 orvantis-cli: Die Sicherungskopie konnte nicht angelegt werden (Verzeichnis: " +
                                        strDisk + "). Der Datenträger ist voll.\n"))
        << strResult;
    EXPECT_TRUE(Contains(strResult, "Die Eingaben konnten nicht gespeichert werden !\nok 3\n")) << strResult;
    EXPECT_TRUE(Contains(strResult, "\nfuellung x.tov ")) << strResult;
}
