#pragma once
// Processes, clocks and the stop request of the stress harness.

#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

struct SRunResult {
    int nExit = -1;   // exit status; -1 when the program died of a signal
    int nSignal = 0;  // the signal it died of
    std::string strOut, strErr;
    long nMs = 0;
};

// Milliseconds on a steady clock.
long NowMs();
// The path of this program, to find orvantis-cli beside it.
std::string SelfPath();
// What starts this very program again as a worker, also after a rebuild
// has replaced its file meanwhile.
inline constexpr const char* SELF_EXE = "/proc/self/exe";

// Runs a program and waits for it; its output goes through the two scratch
// files strScratch + ".out" / ".err", so large output can never block it.
// The program stays in the caller's process group.
SRunResult RunProgram(const std::vector<std::string>& arrArgv, const std::string& strScratch);

// Starts a program in a process group of its own (so that it can be killed
// together with the programs it starts); stdout and stderr go to strOutput,
// appended. Answers the process ID, -1 on failure.
pid_t SpawnGroup(const std::vector<std::string>& arrArgv, const std::string& strOutput);

// SIGTERM and SIGINT ask the process to stop after its current operation.
void InstallStopHandler();
bool StopRequested();
// Sleeps in short steps; false when a stop was requested meanwhile.
bool SleepUnlessStopped(long nMs);
