#pragma once
// While the program waits for another user's lock it stays one thread but
// does not freeze: the pauses handle paint and window events, while the
// user's input is held back until the wait is over. Handlers that would read
// or write the file meanwhile (timers, posted messages) ask
// IsWaitingForOthers() and come back later, so nothing runs inside a wait.

#include <QObject>
#include <functional>

// A wait for another user is in progress.
bool IsWaitingForOthers();
// Marks the start and the end of one (nested waits count).
void BeginWaitingForOthers();
void EndWaitingForOthers();
// Pauses nMilliseconds, handling every pending event but the user's input.
void PumpWhileWaiting(int nMilliseconds);
// Told when the first wait begins (true) and the last one ends (false): the
// frame shows it in the status bar.
void SetWaitNotice(std::function<void(bool)> fn);
// Runs fn now, or, while a wait is in progress, once it is over.
void RunWhenNotWaiting(QObject* pContext, std::function<void()> fn);
