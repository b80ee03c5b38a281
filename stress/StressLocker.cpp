// Another program on the same file that now and then keeps it locked
// exclusively: a plain engine connection, as any other tool would open it.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "StressProcess.h"
#include "StressWorker.h"

int RunLocker(const SLockerConfig& cfg) {
    InstallStopHandler();
    sqlite3* pDb = nullptr;
    if (sqlite3_open(cfg.strDb.c_str(), &pDb) != SQLITE_OK) return 2;
    // the locker waits for its turn as long as it takes, unless asked to stop
    sqlite3_busy_handler(
        pDb,
        [](void*, int) {
            if (StopRequested()) return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 1;
        },
        nullptr);
    std::mt19937_64 rng(cfg.nSeed);
    auto random = [&](long nMin, long nMax) {
        return nMax <= nMin ? nMin : std::uniform_int_distribution<long>(nMin, nMax)(rng);
    };
    long nLocks = 0, nHeldMs = 0, nLongestMs = 0;
    while (SleepUnlessStopped(random(cfg.nGapMinMs, cfg.nGapMaxMs))) {
        if (sqlite3_exec(pDb, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr) != SQLITE_OK) continue;
        long nStart = NowMs();
        const bool bLong = cfg.dLongShare > 0 && std::uniform_real_distribution<double>(0, 1)(rng) < cfg.dLongShare;
        SleepUnlessStopped(bLong ? random(10500, 13000) : random(cfg.nMinMs, cfg.nMaxMs));
        sqlite3_exec(pDb, "COMMIT;", nullptr, nullptr, nullptr);
        long nHeld = NowMs() - nStart;
        ++nLocks;
        nHeldMs += nHeld;
        nLongestMs = std::max(nLongestMs, nHeld);
    }
    sqlite3_close(pDb);
    if (std::FILE* pFile = std::fopen(cfg.strReport.c_str(), "w")) {
        std::fprintf(pFile, "%ld %ld %ld\n", nLocks, nHeldMs, nLongestMs);
        std::fclose(pFile);
    }
    return 0;
}
