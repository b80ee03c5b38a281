#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/CLeftView.h"
#include "app/COrvantisDoc.h"
#include "app/CSplitterWndFix.h"
#include "app/CTitleView.h"
#include "app/Commands.h"
#include "db/CDB.h"
#include "edit/CDetailView.h"
#include "platform/Platform.h"
#include "ui/CommandIds.h"
#include "ui/QtText.h"
#include "ui/WaitPump.h"

namespace {
constexpr int TITLE_HEIGHT = 35;
constexpr int IDLE_INTERVAL_MS = 250;

// Only a local file is opened; of several, the first.
bool IsLocalFileDrop(const QMimeData* pData) {
    return pData->hasUrls() && !pData->urls().isEmpty() && pData->urls().first().isLocalFile();
}
}  // namespace

CMainFrame::CMainFrame(COrvantisDoc& doc) : m_doc(doc) {
    setObjectName(QStringLiteral("CMainFrame"));
    setMinimumSize(400, 200);
    RestorePlacement();

    m_wndToolBar = new QToolBar(QStringLiteral("Symbolleiste"), this);
    m_wndToolBar->setObjectName(QStringLiteral("Toolbar"));
    m_wndToolBar->setMovable(false);
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_wndStatusBar = new QStatusBar(this);
    m_pIdleLabel = new QLabel(GetIdlePrompt(), m_wndStatusBar);
    m_wndStatusBar->addWidget(m_pIdleLabel, 1);
    m_pEditNote = new QLabel(m_wndStatusBar);
    m_pEditNote->setObjectName(QStringLiteral("editNote"));
    m_wndStatusBar->addPermanentWidget(m_pEditNote);
    for (const char* pszIndicator : {"UF", "NUM", "RF"}) {
        auto* pLabel = new QLabel(QString::fromLatin1(pszIndicator), m_wndStatusBar);
        pLabel->setObjectName(QString::fromLatin1(pszIndicator));
        pLabel->setAlignment(Qt::AlignCenter);
        pLabel->setMinimumWidth(pLabel->fontMetrics().horizontalAdvance(QStringLiteral("NUM")) + 8);
        // the toolkit does not report the lock keys; shown as off
        pLabel->setEnabled(false);
        m_wndStatusBar->addPermanentWidget(pLabel);
    }
    setStatusBar(m_wndStatusBar);

    CreatePanes();
    m_doc.SetFrame(this);
    SwitchMenu(IDR_MENU_CLOSED);
    UpdateCaption();

    // shortcuts go through the route like menu items
    for (const SCommandDef& def : GetCommandTable()) {
        if (!def.pszShortcut) continue;
        int nId = def.nId;
        auto* pShortcut = new QShortcut(QKeySequence(QString::fromLatin1(def.pszShortcut)), this);
        connect(pShortcut, &QShortcut::activated, this, [this, nId] { RouteCommand(nId); });
    }
    for (int nKey : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* pAltEnter = new QShortcut(QKeySequence(Qt::ALT | nKey), this);
        connect(pAltEnter, &QShortcut::activated, this, &CMainFrame::OnAltEnter);
    }

    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    connect(&m_doc, &COrvantisDoc::DocumentChanged, this, [this] {
        UpdateCaption();
        RebuildMenus();
    });

    // while another user's lock is waited for, the window says so and keeps painting
    SetWaitNotice([this](bool bWaiting) {
        m_pIdleLabel->setText(bWaiting ? QString::fromUtf8("Warte auf einen anderen Benutzer …") : GetIdlePrompt());
        m_pIdleLabel->repaint();
    });

    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(IDLE_INTERVAL_MS);
    connect(m_pIdleTimer, &QTimer::timeout, this, [this] {
        if (isActiveWindow()) UpdateToolBarStates();
    });
    m_pIdleTimer->start();
    m_pIdleOnce = new QTimer(this);
    m_pIdleOnce->setSingleShot(true);
    m_pIdleOnce->setInterval(0);
    connect(m_pIdleOnce, &QTimer::timeout, this, &CMainFrame::UpdateToolBarStates);
}

void CMainFrame::SetEditNote(const QString& strNote) {
    m_pEditNote->setText(strNote);
}

CMainFrame::~CMainFrame() {
    SetWaitNotice(nullptr);
    // the panes go after this body, and the focus moves while they go; it must
    // not reach a frame that is half destroyed
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(&m_doc, nullptr, this, nullptr);
    if (m_doc.GetFrame() == this) m_doc.SetFrame(nullptr);
}

void CMainFrame::CreatePanes() {
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setObjectName(QStringLiteral("m_wndSplitter"));
    m_wndSplitter->setChildrenCollapsible(false);

    m_pTreeView = new CLeftView(m_doc, m_wndSplitter);
    m_wndRightSplitter = new CSplitterWndFix(Qt::Vertical, m_wndSplitter);
    m_wndRightSplitter->setObjectName(QStringLiteral("m_wndRightSplitter"));
    m_pTitleView = new CTitleView(m_doc, m_wndRightSplitter);
    m_pTitleView->setFixedHeight(TITLE_HEIGHT);
    m_pDetailView = new CDetailView(m_doc, m_wndRightSplitter);
    m_wndRightSplitter->setStretchFactor(0, 0);
    m_wndRightSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);

    int nWidth = GetPlatform().GetProfileInt("Parameter", "OrdnerBreite", 200);
    m_wndSplitter->setSizes({nWidth, std::max(1, width() - nWidth)});
    setCentralWidget(m_wndSplitter);

    // the tree is created first and is the active pane at the start
    m_pActivePane = m_pTreeView;
}

// --- placement -----------------------------------------------------------------------------------

void CMainFrame::RestorePlacement() {
    CPlatform& platform = GetPlatform();
    int nMaximize = platform.GetProfileInt("Parameter", "WindowMaximize", -1);
    if (nMaximize == -1) {
        // nothing stored yet: the toolkit's default placement
        resize(800, 600);
        return;
    }
    int nX = platform.GetProfileInt("Parameter", "WindowX", 0);
    int nY = platform.GetProfileInt("Parameter", "WindowY", 0);
    int nCX = platform.GetProfileInt("Parameter", "WindowCX", 400);
    int nCY = platform.GetProfileInt("Parameter", "WindowCY", 400);
    setGeometry(nX, nY, nCX, nCY);
    if (nMaximize == 1) setWindowState(windowState() | Qt::WindowMaximized);
}

void CMainFrame::SavePlacement() {
    CPlatform& platform = GetPlatform();
    // the normal rectangle, also while maximised or minimised
    QRect r = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    if (!r.isValid()) r = geometry();
    platform.WriteProfileInt("Parameter", "WindowX", r.x());
    platform.WriteProfileInt("Parameter", "WindowY", r.y());
    platform.WriteProfileInt("Parameter", "WindowCX", r.width());
    platform.WriteProfileInt("Parameter", "WindowCY", r.height());
    platform.WriteProfileInt("Parameter", "WindowMaximize", windowState().testFlag(Qt::WindowMaximized) ? 1 : 0);
    platform.WriteProfileInt("Parameter", "OrdnerBreite", m_pTreeView->width());
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    // not in the middle of a wait; and typing that cannot be stored asks first
    if (IsWaitingForOthers()) {
        pEvent->ignore();
        RunWhenNotWaiting(this, [this] { close(); });
        return;
    }
    if (!m_doc.QueryCloseDatabase()) {
        pEvent->ignore();
        return;
    }
    SavePlacement();
    m_doc.CloseDocument();
    pEvent->accept();
}

// --- panes -----------------------------------------------------------------------------------------

CLeftView* CMainFrame::GetTreeView() const {
    return m_pTreeView;
}

CTitleView* CMainFrame::GetTitleView() const {
    return m_pTitleView;
}

CDetailView* CMainFrame::GetDetailView() const {
    return m_pDetailView;
}

EPaneKind CMainFrame::GetActivePaneKind() const {
    return m_pActivePane == m_pTreeView ? PANE_TREE : PANE_DETAIL;
}

void CMainFrame::ActivatePane(EPaneKind eKind) {
    QWidget* pPane = eKind == PANE_TREE     ? static_cast<QWidget*>(m_pTreeView)
                     : eKind == PANE_DETAIL ? m_pDetailView
                                            : nullptr;
    if (!pPane) return;
    m_pActivePane = pPane;
    pPane->setFocus(Qt::OtherFocusReason);
    RequestIdleUpdate();
}

QWidget* CMainFrame::PaneOf(QWidget* pWidget) const {
    for (QWidget* p = pWidget; p; p = p->parentWidget()) {
        if (p == m_pTreeView || p == m_pDetailView || p == m_pTitleView) return p;
        if (p == this) break;
    }
    return nullptr;
}

void CMainFrame::OnFocusChanged(QWidget*, QWidget* pNow) {
    if (QWidget* pPane = PaneOf(pNow)) {
        m_pActivePane = pPane;
        RequestIdleUpdate();
    }
}

void CMainFrame::OnAltEnter() {
    ActivatePane(GetActivePaneKind() == PANE_TREE ? PANE_DETAIL : PANE_TREE);
}

void CMainFrame::InitialUpdatePanes() {
    m_pTreeView->OnInitialUpdate();
    m_pDetailView->OnInitialUpdate();
    m_pTitleView->update();
}

// --- menus, toolbar, caption --------------------------------------------------------------------------

void CMainFrame::SwitchMenu(EResourceSet eSet) {
    m_eMenuSet = eSet;
    // old menus go later: a menu item may be the one that asked for the switch
    for (QAction* pAction : menuBar()->actions()) {
        if (QMenu* pMenu = pAction->menu()) pMenu->deleteLater();
    }
    BuildMenuBar(this, menuBar(), eSet);
    for (QAction* pAction : m_wndToolBar->actions()) {
        m_wndToolBar->removeAction(pAction);
        if (pAction->parent() == m_wndToolBar) pAction->deleteLater();
    }
    BuildToolBar(this, m_wndToolBar, eSet);
    UpdateToolBarStates();
}

void CMainFrame::UpdateCaption() {
    const std::string& strTitle = m_doc.GetTitle();
    setWindowTitle(QString::fromStdString(strTitle) + QStringLiteral(" - Orvantis - ") +
                   QString::fromLatin1(ORVANTIS_VERSION));
}

std::vector<std::string> CMainFrame::GetRecentFiles() const {
    return m_doc.GetRecentFileList().GetFiles();
}

// --- command route -----------------------------------------------------------------------------------

std::vector<CCommandTarget*> CMainFrame::GetCommandRoute() const {
    std::vector<CCommandTarget*> arr;
    if (m_pActivePane == m_pTreeView)
        arr.push_back(m_pTreeView);
    else if (m_pActivePane == m_pDetailView)
        arr.push_back(m_pDetailView);
    // the title strip handles no command of its own
    arr.push_back(&m_doc);
    arr.push_back(const_cast<CMainFrame*>(this));
    if (m_pApp) arr.push_back(m_pApp);
    return arr;
}

SCommandState CMainFrame::QueryCommandState(int nId) const {
    for (CCommandTarget* pTarget : GetCommandRoute()) {
        SCommandState state;
        if (pTarget->OnUpdateCommand(nId, state)) return state;
    }
    SCommandState none;
    none.bEnabled = false;
    return none;
}

bool CMainFrame::RouteCommand(int nId) {
    // a stale toolbar or a shortcut must not reach a command of the other set
    bool bMru = nId >= ID_FILE_MRU_FILE1 && nId <= ID_FILE_MRU_FILE3;
    if (FindCommand(nId) && !bMru && !IsCommandInSet(nId, m_eMenuSet) &&
        !(m_eMenuSet == IDR_MENU_OPEN && IsCommandInSet(nId, IDR_CONTEXT_MENU)))
        return false;
    for (CCommandTarget* pTarget : GetCommandRoute()) {
        SCommandState state;
        if (!pTarget->OnUpdateCommand(nId, state)) continue;
        if (!state.bEnabled) return false;
        bool bRan = pTarget->OnCommand(nId);
        RequestIdleUpdate();
        return bRan;
    }
    return false;
}

void CMainFrame::UpdateActions(const QList<QAction*>& arrActions) {
    for (QAction* pAction : arrActions) {
        int nId = GetActionCommand(pAction);
        if (nId == 0) continue;
        SCommandState state = QueryCommandState(nId);
        pAction->setEnabled(state.bEnabled);
        if (pAction->isCheckable()) pAction->setChecked(state.bChecked);
        // a keyword's "&" is no mnemonic
        if (!state.strText.empty()) pAction->setText(FromAnsi(state.strText).replace('&', QStringLiteral("&&")));
    }
}

void CMainFrame::UpdateToolBarStates() {
    // enabling reads the file: not inside a wait for another user
    if (IsWaitingForOthers()) return;
    UpdateActions(m_wndToolBar->actions());
}

void CMainFrame::RequestIdleUpdate() {
    if (m_pIdleOnce && !m_pIdleOnce->isActive()) m_pIdleOnce->start();
}

bool CMainFrame::OnCommand(int nId) {
    switch (nId) {
        case ID_VIEW_TOOLBAR: m_wndToolBar->setVisible(m_wndToolBar->isHidden()); return true;
        case ID_VIEW_STATUS_BAR: m_wndStatusBar->setVisible(m_wndStatusBar->isHidden()); return true;
        case ID_APP_EXIT: close(); return true;
        default: return false;
    }
}

bool CMainFrame::OnUpdateCommand(int nId, SCommandState& state) {
    switch (nId) {
        case ID_VIEW_TOOLBAR:
            state.bEnabled = true;
            state.bChecked = !m_wndToolBar->isHidden();
            return true;
        case ID_VIEW_STATUS_BAR:
            state.bEnabled = true;
            state.bChecked = !m_wndStatusBar->isHidden();
            return true;
        case ID_APP_EXIT: state.bEnabled = true; return true;
        default: return false;
    }
}

std::intptr_t CMainFrame::OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t) {
    if (nMsg != WM_COMMAND) return 0;
    // internal commands (ID_OPEN_LAST_DATABASE) take the route without enabling rules
    int nId = static_cast<int>(wParam);
    for (CCommandTarget* pTarget : GetCommandRoute())
        if (pTarget->OnCommand(nId)) return 1;
    return 0;
}

// --- files dropped onto the window ---------------------------------------------------------------------

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (IsLocalFileDrop(pEvent->mimeData())) pEvent->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* pEvent) {
    const QMimeData* pData = pEvent->mimeData();
    if (!IsLocalFileDrop(pData)) return;
    pEvent->acceptProposedAction();
    std::string strPath = pData->urls().first().toLocalFile().toStdString();
    // after the drop has finished: opening may ask for a password
    QTimer::singleShot(0, this, [this, strPath] { m_doc.OpenDocumentFile(strPath); });
}
