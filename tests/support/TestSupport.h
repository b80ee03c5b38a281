#pragma once
// Shared fixtures: a temporary folder per test, the scripted platform
// installed, the database session closed afterwards, and helpers to run the
// command-line program as a second process.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/ScriptedPlatform.h"

// A fresh folder below the system's temporary folder, removed afterwards.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// Installs a scripted platform and a temporary folder; closes the session
// and restores the pass-through field codec at the end.
class CCoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens (creating) a new knowledge base as "Datenbank anlegen" does.
    std::string CreateDatabase(const std::string& strName = "wissen.tov");

    CScriptedPlatform m_platform;
    CTempDir m_dir;
    std::vector<std::string> m_arrSql;  // statements sent while recording
    void RecordSql(bool bOn);
};

struct SProcessResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

// Runs orvantis-cli with the arguments and waits for it.
SProcessResult RunCli(const std::vector<std::string>& arrArgs);
// Runs any program (full path first) and waits for it.
SProcessResult RunProcess(const std::vector<std::string>& arrArgv);
// The standard output of a shell command line (pdftotext, pdfinfo, ...).
std::string ShellOutput(const std::string& strCommand);

// Runs fn in a forked child and answers the text it returned there, or a
// text starting with "child:" when the child failed. The child ends with
// _exit: no destructors, no gtest output of the copied parent state.
std::string RunInChild(const std::function<std::string()>& fn);

// Root passes every permission check, so a read-only file is writable for it.
// Cases about read-only files run in a forked child that drops to the user
// "nobody" when the tests run as root. RunUnprivileged answers the text that
// fn returned in the child, or a text starting with "child:" when the child
// failed. RunCliUnprivileged runs orvantis-cli that way; nExit is 126 when the
// program cannot be executed as that user.
std::string RunUnprivileged(const std::function<std::string()>& fn);
SProcessResult RunCliUnprivileged(const std::vector<std::string>& arrArgs);
// Lets every user read and enter a folder of a test (mode 0755).
void OpenForOthers(const std::string& strPath);

// A process started in the background; killed when the object dies.
class CChildProcess {
public:
    explicit CChildProcess(const std::vector<std::string>& arrArgv);
    ~CChildProcess();
    // Waits for a line on the child's stdout that contains strText.
    bool WaitForOutput(const std::string& strText, int nTimeoutMs = 20000);
    int Wait();  // exit code
    void Kill();
    int Pid() const { return m_nPid; }

private:
    int m_nPid = -1;
    int m_fdOut = -1;
    std::string m_strBuffer;
};

// Plain engine access beside the session, as another program would read the
// file: rows of strings (a NULL cell as "<null>"); RawExec answers the engine's
// result code.
using CRawRows = std::vector<std::vector<std::string>>;
CRawRows RawQuery(const std::string& strPath, const std::string& strSql);
int RawExec(const std::string& strPath, const std::string& strSql);

std::string CliPath();
// The pauses of one wait for a lock that outlasts it, as the session makes them.
std::vector<int> FullBusyWait();
// Another program's exclusive transaction on the file for nSeconds: a plain
// SQLite connection (no in-use marker), as another user's commit or a
// reorganisation holds it. Killing the object ends the lock at once.
std::unique_ptr<CChildProcess> HoldExclusive(const std::string& strPath, int nSeconds);

std::string ReadFile(const std::string& strPath);
void WriteFile(const std::string& strPath, const std::string& strContent);
// The lines of a program's output, without their line ends.
std::vector<std::string> Lines(const std::string& str);
