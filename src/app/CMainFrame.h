#pragma once
// The main window: menu bar, toolbar and status bar built from the command
// table, the outer splitter (folder tree | right side) and the right-hand
// splitter (title strip above the detail view).

#include <QMainWindow>

#include "app/CommandTarget.h"
#include "app/PaneMessages.h"

class COrvantisDoc;
class CLeftView;
class CTitleView;
class CDetailView;

class CMainFrame : public QMainWindow, public CCommandTarget, public IPaneTarget {
    Q_OBJECT
public:
    explicit CMainFrame(COrvantisDoc* pDoc);
    ~CMainFrame() override;

    COrvantisDoc* GetDocument() const { return m_pDoc; }
    CLeftView* GetTreeView() const;
    CTitleView* GetTitleView() const;
    CDetailView* GetDetailView() const;
    // 1 folder tree active, 0 detail view or title strip active
    int GetActivePaneKind() const;
    void ActivatePane(int nKind);
    void SwitchMenu(int nResourceSet);
    int GetMenuSet() const { return m_nMenuSet; }

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

private:
    COrvantisDoc* m_pDoc;
    int m_nMenuSet = 135;
    // the rest is the shell's
};
