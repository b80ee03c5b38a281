#include "ui/WaitPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <thread>

namespace {
int g_nWaitDepth = 0;
std::function<void(bool)> g_fnNotice;
}  // namespace

bool IsWaitingForOthers() {
    return g_nWaitDepth > 0;
}

void BeginWaitingForOthers() {
    if (g_nWaitDepth++ == 0 && g_fnNotice) g_fnNotice(true);
}

void EndWaitingForOthers() {
    if (g_nWaitDepth <= 0) return;
    if (--g_nWaitDepth == 0 && g_fnNotice) g_fnNotice(false);
}

void SetWaitNotice(std::function<void(bool)> fn) {
    g_fnNotice = std::move(fn);
}

void PumpWhileWaiting(int nMilliseconds) {
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const auto flags = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
    for (;;) {
        const qint64 nLeft = nMilliseconds - timer.elapsed();
        if (nLeft <= 0) break;
        QCoreApplication::processEvents(flags, static_cast<int>(nLeft));
        // nothing more to handle: rest a moment instead of spinning
        const qint64 nRest = std::min<qint64>(nMilliseconds - timer.elapsed(), 5);
        if (nRest > 0) std::this_thread::sleep_for(std::chrono::milliseconds(nRest));
    }
}

void RunWhenNotWaiting(QObject* pContext, std::function<void()> fn) {
    if (!IsWaitingForOthers()) {
        fn();
        return;
    }
    QPointer<QObject> guard(pContext);
    QTimer::singleShot(50, pContext, [guard, pContext, fn = std::move(fn)]() mutable {
        if (guard) RunWhenNotWaiting(pContext, std::move(fn));
    });
}
