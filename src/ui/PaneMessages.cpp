#include "ui/PaneMessages.h"

#include <QMetaObject>
#include <QPointer>

#include "ui/WaitPump.h"

std::intptr_t SendPaneMessage(IPaneTarget* pTarget, unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) {
    return pTarget ? pTarget->OnPaneMessage(nMsg, wParam, lParam) : 0;
}

void PostPaneMessage(QObject* pReceiver, IPaneTarget* pTarget, unsigned nMsg, std::intptr_t wParam,
                     std::intptr_t lParam) {
    if (!pReceiver || !pTarget) return;
    QPointer<QObject> guard(pReceiver);
    QMetaObject::invokeMethod(
        pReceiver,
        [guard, pTarget, nMsg, wParam, lParam] {
            // nothing is handled inside a wait for another user's lock
            if (guard)
                RunWhenNotWaiting(guard, [guard, pTarget, nMsg, wParam, lParam] {
                    if (guard) pTarget->OnPaneMessage(nMsg, wParam, lParam);
                });
        },
        Qt::QueuedConnection);
}
