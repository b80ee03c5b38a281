#pragma once
// The main window: menu bar, toolbar and status bar built from the command
// table, the outer splitter (folder tree | right side) and the right-hand
// splitter (title strip above the detail view).

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <string>
#include <vector>

#include "ui/CommandIds.h"
#include "ui/CommandTarget.h"
#include "ui/PaneMessages.h"

class COrvantisDoc;
class CLeftView;
class CTitleView;
class CDetailView;
class CSplitterWndFix;
class QAction;
class QLabel;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolBar;

class CMainFrame : public QMainWindow, public CCommandTarget, public IPaneTarget {
    Q_OBJECT
public:
    explicit CMainFrame(COrvantisDoc& doc);
    ~CMainFrame() override;

    COrvantisDoc& GetDocument() const { return m_doc; }
    CLeftView* GetTreeView() const;
    CTitleView* GetTitleView() const;
    CDetailView* GetDetailView() const;
    // The detail view side counts the title strip in.
    EPaneKind GetActivePaneKind() const;
    void ActivatePane(EPaneKind eKind);
    void SwitchMenu(EResourceSet eSet);
    EResourceSet GetMenuSet() const { return m_eMenuSet; }

    // The last station of the route (the application object); may be null.
    void SetAppTarget(CCommandTarget* pApp) { m_pApp = pApp; }
    // The route of the moment: active pane, document, frame, application.
    std::vector<CCommandTarget*> GetCommandRoute() const;
    // Runs a command of a menu, toolbar, context menu or shortcut: only when
    // a station handles it and its rule enables it. True when it ran.
    bool RouteCommand(int nId);
    // The state menus and toolbar show: disabled when no station handles it.
    SCommandState QueryCommandState(int nId) const;
    // Re-evaluates enabling and check marks of these actions.
    void UpdateActions(const QList<QAction*>& arrActions);
    // The idle refresh of the toolbar; cheap, runs on a short timer and after input.
    void UpdateToolBarStates();
    void RequestIdleUpdate();

    // Caption "<title> - Orvantis - 1.200".
    void UpdateCaption();
    std::vector<std::string> GetRecentFiles() const;
    // Menus and toolbar of the current set built again (the recent files changed).
    void RebuildMenus() { SwitchMenu(m_eMenuSet); }

    // Initial update of the three panes after a database was opened or created.
    void InitialUpdatePanes();

    QToolBar* GetToolBar() const { return m_wndToolBar; }
    QStatusBar* GetStatusBarWidget() const { return m_wndStatusBar; }
    QSplitter* GetSplitter() const { return m_wndSplitter; }
    CSplitterWndFix* GetRightSplitter() const { return m_wndRightSplitter; }
    QLabel* GetIdleLabel() const { return m_pIdleLabel; }
    // The note of the editing panes at the right of the status bar (empty: none).
    void SetEditNote(const QString& strNote);
    QLabel* GetEditNoteLabel() const { return m_pEditNote; }

    // Placement and folder pane width into "Parameter".
    void SavePlacement();

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void CreatePanes();
    void RestorePlacement();
    void OnFocusChanged(QWidget* pOld, QWidget* pNow);
    void OnAltEnter();
    QWidget* PaneOf(QWidget* pWidget) const;

    COrvantisDoc& m_doc;
    CCommandTarget* m_pApp = nullptr;
    EResourceSet m_eMenuSet = IDR_MENU_CLOSED;

    QSplitter* m_wndSplitter = nullptr;
    CSplitterWndFix* m_wndRightSplitter = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_pIdleLabel = nullptr;
    QLabel* m_pEditNote = nullptr;

    CLeftView* m_pTreeView = nullptr;
    CTitleView* m_pTitleView = nullptr;
    CDetailView* m_pDetailView = nullptr;
    QPointer<QWidget> m_pActivePane;

    QTimer* m_pIdleTimer = nullptr;
    QTimer* m_pIdleOnce = nullptr;
};
