#pragma once
// The one table of commands: ids, menu texts per menu, toolbar places,
// status texts and tooltips, shortcuts. Menus 128 and 135, the toolbars of
// the same numbers and the context menu 152 are all built from it, so adding
// a command is one row.

#include <QList>
#include <vector>

#include "ui/CommandIds.h"

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;
class CMainFrame;

enum class EPopup { None, Datei, Bearbeiten, Ansicht, Extras, Admin, Hilfe, Kontext, ExportAls };

// Where a command stands in one menu. Items are ordered by nPos; a separator
// goes between two items whose nPos differ in the tens.
struct SMenuPlace {
    EPopup ePopup = EPopup::None;
    int nPos = 0;
    const char* pszText = nullptr;  // UTF-8, '&' marks the mnemonic, "\t" the key text
};

struct SCommandDef {
    int nId;
    SMenuPlace menu128;
    SMenuPlace menu135;
    SMenuPlace context;
    int nToolbar128;          // order on toolbar 128 (tens groups as above), 0 = not there
    int nToolbar135;          // order on toolbar 135, 0 = not there
    const char* pszPrompt;    // "status text\ntooltip" (UTF-8), null = none
    const char* pszShortcut;  // portable key sequence, null = none
    bool bCheckable;
};

const std::vector<SCommandDef>& GetCommandTable();
const SCommandDef* FindCommand(int nId);
// True when the command appears in the menu or the toolbar of that set.
bool IsCommandInSet(int nId, EResourceSet eSet);
// Status text (before "\n") and tooltip (after it) of a command.
QString GetCommandStatusText(int nId);
QString GetCommandToolTip(int nId);

// Idle text of the status bar.
QString GetIdlePrompt();

// The command id an action of these menus and toolbars carries; 0 for none.
int GetActionCommand(const QAction* pAction);

// Builders used by the frame. Every action they make is connected to
// pFrame->RouteCommand and every popup re-evaluates its items when it opens.
void BuildMenuBar(CMainFrame* pFrame, QMenuBar* pMenuBar, EResourceSet eSet);
void BuildToolBar(CMainFrame* pFrame, QToolBar* pToolBar, EResourceSet eSet);

// The detail view's context menu 152 ("Kontext"). The caller owns the menu
// (parented to pParent) and shows it with popup() or exec(); its commands
// take the frame's command route and enabling.
QMenu* CreateContextMenu(CMainFrame* pFrame, QWidget* pParent);
