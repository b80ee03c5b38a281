#include "ui/WaitPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {
int g_nWaitDepth = 0;
std::function<void(bool)> g_fnNotice;

// Input from the window system waits in its queue during a pause; input
// that reaches the application all the same (posted or sent by a tool) is
// kept here and delivered, in order, once the wait is over.
class CInputHold : public QObject {
public:
    bool eventFilter(QObject* pReceiver, QEvent* pEvent) override {
        switch (pEvent->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel: m_arrHeld.emplace_back(QPointer<QObject>(pReceiver), pEvent->clone()); return true;
            default: return false;
        }
    }
    void Release() {
        auto arr = std::move(m_arrHeld);
        m_arrHeld.clear();
        for (auto& [pReceiver, pEvent] : arr)
            if (pReceiver) QCoreApplication::postEvent(pReceiver, pEvent.release());
    }

private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_arrHeld;
};

CInputHold* InputHold() {
    static CInputHold* pHold = new CInputHold;  // lives as long as the program
    return pHold;
}
}  // namespace

bool IsWaitingForOthers() {
    return g_nWaitDepth > 0;
}

void BeginWaitingForOthers() {
    if (g_nWaitDepth++ != 0) return;
    if (QCoreApplication* pApp = QCoreApplication::instance()) pApp->installEventFilter(InputHold());
    if (g_fnNotice) g_fnNotice(true);
}

void EndWaitingForOthers() {
    if (g_nWaitDepth <= 0 || --g_nWaitDepth != 0) return;
    if (QCoreApplication* pApp = QCoreApplication::instance()) {
        pApp->removeEventFilter(InputHold());
        InputHold()->Release();
    }
    if (g_fnNotice) g_fnNotice(false);
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
