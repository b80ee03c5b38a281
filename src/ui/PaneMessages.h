#pragma once
// Messages and internal commands between the document and the panes, with
// their fixed numbers. A sent message is handled at once (a direct call); a
// posted one is queued behind the input already waiting (a Qt event).

#include <QEvent>
#include <QObject>
#include <cstdint>

enum EPaneMessage : unsigned {
    WM_COMMAND = 0x0111,        // wParam = command id (internal commands below)
    WM_SHOW_FOLDER = 0x401,     // wParam folder ID
    WM_SELECT_ENTRY = 0x405,    // wParam entry ID, lParam editor + 1
    WM_DROP_TARGET = 0x407,     // wParam 1: test at the cursor, 0: clear the mark
    WM_REFRESH_FOLDER = 0x408,  // wParam folder ID
    WM_EDITOR_KEY = 0x465,      // wParam editor key code
};

enum EInternalCommand : int {
    ID_TREE_REFRESH = 1026,
    ID_DETAIL_END_EDIT = 1027,
    ID_DETAIL_RESET = 1028,
    ID_OPEN_LAST_DATABASE = 1030,
    ID_DETAIL_READONLY_CHANGED = 1033,
    ID_DETAIL_RELOAD = 1035,       // every stored row was written anew: read the folder again
    ID_DETAIL_QUERY_CLOSE = 1036,  // answers 1 when nothing typed stays unstored (written or dropped)
    ID_DETAIL_CLOSE = 1124,
};

// The two panes that take the focus, as the frame activates them.
enum EPaneKind : int {
    PANE_TREE = 1,    // the folder tree
    PANE_DETAIL = 2,  // the detail view (the title strip beside it counts as this side)
};

// A pane (or the frame, or the document) that takes these messages.
class IPaneTarget {
public:
    virtual ~IPaneTarget() = default;
    virtual std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) = 0;
};

// Handled at once; answers the target's result (0 for a null target).
std::intptr_t SendPaneMessage(IPaneTarget* pTarget, unsigned nMsg, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
inline std::intptr_t SendPaneCommand(IPaneTarget* pTarget, int nCommand) {
    return SendPaneMessage(pTarget, WM_COMMAND, nCommand, 0);
}

// Queued; delivered to pTarget->OnPaneMessage from the event loop unless the
// receiving object has been destroyed meanwhile. pReceiver is the QObject of
// the target (its lifetime guards the delivery).
void PostPaneMessage(QObject* pReceiver, IPaneTarget* pTarget, unsigned nMsg, std::intptr_t wParam = 0,
                     std::intptr_t lParam = 0);
inline void PostPaneCommand(QObject* pReceiver, IPaneTarget* pTarget, int nCommand) {
    PostPaneMessage(pReceiver, pTarget, WM_COMMAND, nCommand, 0);
}

// A pane as its neighbours address it: the target of its messages and the
// object whose lifetime guards the posted ones; both null while there is none.
struct SPaneRef {
    QObject* pObject = nullptr;
    IPaneTarget* pTarget = nullptr;
};

inline std::intptr_t SendPaneMessage(const SPaneRef& pane, unsigned nMsg, std::intptr_t wParam = 0,
                                     std::intptr_t lParam = 0) {
    return SendPaneMessage(pane.pTarget, nMsg, wParam, lParam);
}
inline std::intptr_t SendPaneCommand(const SPaneRef& pane, int nCommand) {
    return SendPaneCommand(pane.pTarget, nCommand);
}
inline void PostPaneMessage(const SPaneRef& pane, unsigned nMsg, std::intptr_t wParam = 0, std::intptr_t lParam = 0) {
    PostPaneMessage(pane.pObject, pane.pTarget, nMsg, wParam, lParam);
}
