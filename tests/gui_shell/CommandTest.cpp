// The command table, the menus and toolbars built from it, the command route
// and the enabling rule of every command.

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <algorithm>
#include <functional>
#include <map>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "app/Commands.h"
#include "db/CDB.h"
#include "edit/CDetailView.h"
#include "protect/CDbAdmin.h"
#include "ui/CommandIds.h"

namespace {
// How a command is enabled, seen from the shell.
enum ERule {
    ALWAYS,
    UNPROTECTED,       // write protection off
    TREE_ALWAYS,       // only while the tree is active
    TREE_UNPROTECTED,  // tree active and write protection off
    TREE_SELECTED,     // tree active, a folder selected, write protection off
    TREE_OR_DETAIL,    // tree active; with the detail view active its own rule
    DETAIL,            // the detail view's own rule; disabled when it has no handler
    ADMIN_SET,         // an administrator password is set
    ADMIN_UNLOCKED,    // the administrative commands are unlocked
    RECENT_FILE,       // that place of the recent-file list is filled
    UNDO_STEP,         // a delete or move made in this window, write protection off
};

// clang-format off
const std::map<int, ERule> s_mapRules = {
    {ID_FILE_NEW, ALWAYS}, {ID_FILE_OPEN, ALWAYS}, {ID_DATABASE_CLOSE, ALWAYS},
    {ID_STRUCTURE_IMPORT, TREE_UNPROTECTED}, {ID_STRUCTURE_EXPORT, TREE_ALWAYS},
    {ID_FILE_PRINT, TREE_OR_DETAIL}, {ID_FILE_PRINT_PREVIEW, TREE_OR_DETAIL}, {ID_FILE_PRINT_SETUP, ALWAYS},
    {ID_FILE_MRU_FILE1, RECENT_FILE}, {ID_FILE_MRU_FILE2, RECENT_FILE}, {ID_FILE_MRU_FILE3, RECENT_FILE},
    {ID_APP_EXIT, ALWAYS}, {ID_SEARCH, ALWAYS}, {ID_ROOT_EDIT, ALWAYS},
    {ID_ENTRY_MOVE_UP, DETAIL}, {ID_ENTRY_MOVE_DOWN, DETAIL},
    {ID_FOLDER_CREATE, TREE_UNPROTECTED}, {ID_LINK_EDIT, DETAIL}, {ID_ENTRY_DELETE, TREE_SELECTED},
    {ID_WRITE_PROTECT, ALWAYS}, {ID_VIEW_TOOLBAR, ALWAYS}, {ID_VIEW_STATUS_BAR, ALWAYS},
    {ID_DATABASE_INFO, ALWAYS}, {ID_ADMIN_LOGIN, ADMIN_SET}, {ID_BACKUP_SETTINGS, ADMIN_UNLOCKED},
    {ID_DATABASE_REORGANIZE, ADMIN_UNLOCKED}, {ID_DATABASE_ENCRYPT, ADMIN_UNLOCKED}, {ID_ADMIN_PROTECT, ADMIN_UNLOCKED},
    {ID_HELP_FINDER, ALWAYS}, {ID_APP_ABOUT, ALWAYS},
    {ID_EXPORT_HTML, ALWAYS}, {ID_EXPORT_MARKDOWN, ALWAYS}, {ID_EXPORT_TEXT, ALWAYS},
    {ID_ENTRY_PREVIOUS, DETAIL}, {ID_ENTRY_NEXT, DETAIL}, {ID_LINK_OPEN, DETAIL}, {ID_FOLDER_OPEN, DETAIL},
    {ID_ENTRY_SAVE, UNPROTECTED}, {ID_VIEW_REFRESH, ALWAYS}, {ID_BACKUP_RESTORE, UNPROTECTED},
    {ID_TRASH, ALWAYS}, {ID_EDIT_UNDO, UNDO_STEP},
};
// clang-format on

// Commands the shell's own stations (document, frame) answer without an
// application object: the application's commands are disabled here.
bool IsApplicationCommand(int nId) {
    return nId == ID_FILE_NEW || nId == ID_FILE_OPEN || nId == ID_FILE_PRINT_SETUP || nId == ID_HELP_FINDER ||
           nId == ID_APP_ABOUT || (nId >= ID_FILE_MRU_FILE1 && nId <= ID_FILE_MRU_FILE3);
}

struct SContext {
    bool bTreeActive;
    bool bProtected;
    bool bAdminSet;
    bool bUnlocked;
};

std::string Describe(const SContext& c) {
    return std::string(c.bTreeActive ? "tree" : "detail") + (c.bProtected ? " protected" : " unprotected") +
           (c.bAdminSet ? " admin-set" : "") + (c.bUnlocked ? " unlocked" : " locked");
}

std::vector<std::string> ActionTexts(const QList<QAction*>& arr) {
    std::vector<std::string> out;
    for (QAction* p : arr) out.push_back(p->isSeparator() ? "|" : p->text().toStdString());
    return out;
}

QMenu* MenuNamed(QMenuBar* pBar, const QString& strTitle) {
    for (QAction* p : pBar->actions())
        if (p->menu() && p->text() == strTitle) return p->menu();
    return nullptr;
}
}  // namespace

TEST_F(CShellTest, EveryCommandOfTheTableHasAnEnablingRuleUnderTest) {
    for (const SCommandDef& def : GetCommandTable()) EXPECT_TRUE(s_mapRules.count(def.nId)) << def.nId;
    EXPECT_EQ(s_mapRules.size(), GetCommandTable().size());
}

TEST_F(CShellTest, EnablingRuleOfEveryCommandForTreeAndDetailView) {
    ASSERT_TRUE(Open(MakeDatabase("rules.tov", {{"+Alpha", {}}, {"+Beta", {}}})));
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    CDetailView* pDetail = m_pFrame->GetDetailView();

    for (bool bTreeActive : {true, false})
        for (bool bProtected : {false, true})
            for (int nAdmin = 0; nAdmin < 3; ++nAdmin) {
                // 0: no password (unlocked), 1: password set and locked, 2: set and still unlocked
                ASSERT_TRUE(GetDatabase().SetOption("AdminKey", ""));
                GetDbAdmin().ResetAdminState();
                if (nAdmin > 0) {
                    ASSERT_TRUE(GetDatabase().SetOption("AdminKey", "gesetzt"));
                }
                if (nAdmin == 1) GetDbAdmin().ResetAdminState();
                SContext c{bTreeActive, bProtected, nAdmin > 0, nAdmin != 1};
                m_pDoc->SetWriteProtected(bProtected);
                m_pFrame->ActivatePane(bTreeActive ? PANE_TREE : PANE_DETAIL);
                ASSERT_EQ(m_pFrame->GetActivePaneKind(), bTreeActive ? PANE_TREE : PANE_DETAIL);

                for (const auto& [nId, eRule] : s_mapRules) {
                    bool bExpected = false;
                    SCommandState own;
                    bool bDetailHandles = pDetail->OnUpdateCommand(nId, own);
                    switch (eRule) {
                        case ALWAYS: bExpected = true; break;
                        case UNPROTECTED: bExpected = !bProtected; break;
                        case TREE_ALWAYS: bExpected = bTreeActive; break;
                        case TREE_UNPROTECTED:
                            bExpected = bTreeActive ? !bProtected : bDetailHandles && own.bEnabled;
                            break;
                        case TREE_SELECTED:
                            bExpected = bTreeActive ? !bProtected : bDetailHandles && own.bEnabled;
                            break;
                        case TREE_OR_DETAIL: bExpected = bTreeActive || (bDetailHandles && own.bEnabled); break;
                        case DETAIL: bExpected = !bTreeActive && bDetailHandles && own.bEnabled; break;
                        case ADMIN_SET: bExpected = c.bAdminSet; break;
                        case ADMIN_UNLOCKED: bExpected = c.bUnlocked; break;
                        case RECENT_FILE: bExpected = false; break;  // handled by the application
                        case UNDO_STEP: bExpected = false; break;    // nothing was changed yet
                    }
                    if (IsApplicationCommand(nId)) bExpected = false;
                    EXPECT_EQ(CommandEnabled(nId), bExpected ? 1 : 0) << "command " << nId << ", " << Describe(c);
                }
            }
}

TEST_F(CShellTest, TreeCommandsNeedASelectionWhereTheirRuleSaysSo) {
    ASSERT_TRUE(Open(MakeDatabase("sel.tov", {{"+Alpha", {}}})));
    m_pDoc->SetWriteProtected(false);
    m_pFrame->ActivatePane(PANE_TREE);
    EXPECT_EQ(CommandEnabled(ID_ENTRY_DELETE), 1);
    // with nothing selected (the top level shown) delete is off, export stays
    m_pDoc->EditRootFolder();
    m_pFrame->ActivatePane(PANE_TREE);
    ASSERT_EQ(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(CommandEnabled(ID_ENTRY_DELETE), 0);
    EXPECT_EQ(CommandEnabled(ID_STRUCTURE_EXPORT), 1);
}

TEST_F(CShellTest, ADisabledCommandDoesNotRun) {
    ASSERT_TRUE(Open(MakeDatabase("dis.tov", {{"+Alpha", {}}})));
    m_pFrame->ActivatePane(PANE_TREE);
    ASSERT_TRUE(m_pDoc->IsWriteProtected());
    EXPECT_FALSE(m_pFrame->RouteCommand(ID_STRUCTURE_IMPORT));
    EXPECT_FALSE(m_pFrame->RouteCommand(ID_ENTRY_DELETE));
    EXPECT_TRUE(m_platform.m_arrDialogs.empty());
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
    // commands of the other set do not run either
    m_pFrame->RouteCommand(ID_DATABASE_CLOSE);
    ASSERT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_FALSE(m_pFrame->RouteCommand(ID_SEARCH));
    EXPECT_TRUE(m_arrDialogs.empty());
}

TEST_F(CShellTest, MenusAreBuiltFromTheTableForBothSets) {
    QMenuBar* pBar = m_pFrame->menuBar();
    EXPECT_EQ(ActionTexts(pBar->actions()), (std::vector<std::string>{"&Datei", "&?"}));
    QMenu* pDatei = MenuNamed(pBar, "&Datei");
    ASSERT_NE(pDatei, nullptr);
    EXPECT_EQ(ActionTexts(pDatei->actions()),
              (std::vector<std::string>{"&Neu\tStrg+N", "Ö&ffnen...\tStrg+O", "|", "Letzte Datei", "|", "&Beenden"}));
    // "Letzte Datei" stays disabled while the list is empty
    emit pDatei->aboutToShow();
    EXPECT_FALSE(pDatei->actions()[3]->isEnabled());

    ASSERT_TRUE(Open(MakeDatabase("menu.tov", {{"+Alpha", {}}})));
    pBar = m_pFrame->menuBar();
    EXPECT_EQ(ActionTexts(pBar->actions()),
              (std::vector<std::string>{"&Datei", "&Bearbeiten", "&Ansicht", "Extras", "&?"}));
    QMenu* pExtras = MenuNamed(pBar, "Extras");
    ASSERT_NE(pExtras, nullptr);
    EXPECT_EQ(ActionTexts(pExtras->actions()),
              (std::vector<std::string>{"Datenbenk Info...", "|", "Adminstrator Funktionen"}));
    QMenu* pAdmin = pExtras->actions()[2]->menu();
    ASSERT_NE(pAdmin, nullptr);
    EXPECT_EQ(ActionTexts(pAdmin->actions()),
              (std::vector<std::string>{"Administrator Anmeldung...", "|", "Backup Einstellungen...",
                                        "Datenbank reorganisieren...", "Datenbank verschlüsseln...", "|",
                                        "Administrator Funktionen schützen..."}));
    // the recent file replaces "Letzte Datei"
    QMenu* pDatei128 = MenuNamed(pBar, "&Datei");
    std::vector<std::string> arrDatei = ActionTexts(pDatei128->actions());
    std::string strRecent = "&1 " + m_pDoc->GetPathName();
    EXPECT_NE(std::find(arrDatei.begin(), arrDatei.end(), strRecent), arrDatei.end());
    EXPECT_EQ(std::find(arrDatei.begin(), arrDatei.end(), "Letzte Datei"), arrDatei.end());

    // every menu text of the table appears once in its set
    std::map<std::string, int> mapSeen;
    std::function<void(QMenu*)> collect = [&](QMenu* pMenu) {
        for (QAction* p : pMenu->actions()) {
            if (p->menu())
                collect(p->menu());
            else if (!p->isSeparator())
                ++mapSeen[p->text().toStdString()];
        }
    };
    for (QAction* p : pBar->actions()) collect(p->menu());
    for (const SCommandDef& def : GetCommandTable()) {
        if (!def.menu128.pszText || def.nId == ID_FILE_MRU_FILE1) continue;
        EXPECT_EQ(mapSeen[def.menu128.pszText], 1) << def.menu128.pszText;
    }
}

TEST_F(CShellTest, OpeningAMenuReevaluatesItsItems) {
    ASSERT_TRUE(Open(MakeDatabase("upd.tov", {{"+Alpha", {}}})));
    QMenu* pBearbeiten = MenuNamed(m_pFrame->menuBar(), "&Bearbeiten");
    ASSERT_NE(pBearbeiten, nullptr);
    QAction* pWrite = nullptr;
    for (QAction* p : pBearbeiten->actions())
        if (p->text() == "Schreibschutz") pWrite = p;
    ASSERT_NE(pWrite, nullptr);
    emit pBearbeiten->aboutToShow();
    EXPECT_TRUE(pWrite->isChecked());
    m_pDoc->SetWriteProtected(false);
    emit pBearbeiten->aboutToShow();
    EXPECT_FALSE(pWrite->isChecked());
    // a menu item runs the command through the route
    pWrite->trigger();
    EXPECT_TRUE(m_pDoc->IsWriteProtected());
}

TEST_F(CShellTest, MenuItemsShowTheirKeysAndBeendenHasCtrlQInBothSets) {
    auto exitAction = [this] {
        QMenu* pDatei = MenuNamed(m_pFrame->menuBar(), "&Datei");
        QAction* pExit = nullptr;
        if (pDatei)
            for (QAction* p : pDatei->actions())
                if (p->text() == "&Beenden") pExit = p;
        return pExit;
    };
    QAction* pExit = exitAction();
    ASSERT_NE(pExit, nullptr);
    EXPECT_EQ(pExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // the frame's shortcut runs it; a window-wide binding on the item too would make the key ambiguous
    EXPECT_EQ(pExit->shortcutContext(), Qt::WidgetShortcut);
    ASSERT_TRUE(Open(MakeDatabase("quit.tov", {{"+Alpha", {}}})));
    pExit = exitAction();
    ASSERT_NE(pExit, nullptr);
    EXPECT_EQ(pExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* pAnsicht = MenuNamed(m_pFrame->menuBar(), "&Ansicht");
    ASSERT_NE(pAnsicht, nullptr);
    for (QAction* p : pAnsicht->actions()) {
        if (p->text() == "&Aktualisieren") {
            EXPECT_EQ(p->shortcut(), QKeySequence(Qt::Key_F5));
        }
    }
}

TEST_F(CShellTest, ToolbarsFollowTheMenuSet) {
    EXPECT_EQ(ActionTexts(m_pFrame->GetToolBar()->actions()), (std::vector<std::string>{"Neu", "Öffnen"}));
    ASSERT_TRUE(Open(MakeDatabase("tb.tov", {{"+Alpha", {}}})));
    EXPECT_EQ(
        ActionTexts(m_pFrame->GetToolBar()->actions()),
        (std::vector<std::string>{"Neu", "Öffnen", "|", "Seitenansicht", "Drucken", "|", "Löschen", "Hoch schieben",
                                  "Runter schieben", "Verknüpfung hinzufügen oder ändern", "Ordner erstellen", "|",
                                  "Vorheriger Eintrag", "Nächster Eintrag", "Suchen", "|", "Schreibschutz"}));
    for (QAction* p : m_pFrame->GetToolBar()->actions()) {
        if (p->isSeparator()) continue;
        EXPECT_FALSE(p->statusTip().isEmpty()) << p->text().toStdString();
        EXPECT_FALSE(p->icon().isNull()) << p->text().toStdString();
    }
    m_pFrame->RouteCommand(ID_DATABASE_CLOSE);
    EXPECT_EQ(ActionTexts(m_pFrame->GetToolBar()->actions()), (std::vector<std::string>{"Neu", "Öffnen"}));
}

TEST_F(CShellTest, ContextMenuForTheDetailView) {
    ASSERT_TRUE(Open(MakeDatabase("ctx.tov", {{"+Alpha", {}}})));
    QMenu* pMenu = CreateContextMenu(m_pFrame.get(), m_pFrame->GetDetailView());
    EXPECT_EQ(pMenu->title().toStdString(), "Kontext");
    EXPECT_EQ(ActionTexts(pMenu->actions()),
              (std::vector<std::string>{"Verknüpfung aufrufen", "Verknüpfung erstellen/bearbeiten", "|",
                                        "Ordner öffnen", "Ordner erstellen", "|", "Eintrag löschen"}));
    // evaluated on the route of the moment: with the tree active the
    // detail view's commands are off, the tree's delete follows its rule
    m_pDoc->SetWriteProtected(false);
    m_pFrame->ActivatePane(PANE_TREE);
    emit pMenu->aboutToShow();
    EXPECT_FALSE(pMenu->actions()[0]->isEnabled());
    EXPECT_TRUE(pMenu->actions()[6]->isEnabled());
    delete pMenu;
}

TEST_F(CShellTest, StatusTextsAndTooltipsComeFromThePrompt) {
    EXPECT_EQ(GetCommandStatusText(ID_FILE_NEW).toStdString(), "Erstellt ein neues Dokument.");
    EXPECT_EQ(GetCommandToolTip(ID_FILE_NEW).toStdString(), "Neu");
    EXPECT_EQ(GetCommandStatusText(ID_BACKUP_SETTINGS).toStdString(), "Backup Einstellungen");
    EXPECT_EQ(GetCommandToolTip(ID_BACKUP_SETTINGS).toStdString(), "");
    EXPECT_EQ(GetCommandStatusText(ID_ROOT_EDIT).toStdString(), "");
    EXPECT_EQ(m_pFrame->GetIdleLabel()->text().toStdString(), "Drücken Sie F1, um Hilfe zu erhalten.");
}

TEST_F(CShellTest, InternalCommandsTakeTheRouteWithoutEnabling) {
    ASSERT_TRUE(Open(MakeDatabase("int.tov", {{"+Alpha", {}}})));
    // ID_DATABASE_CLOSE posted as a message reaches the document
    SendPaneCommand(m_pFrame.get(), ID_DATABASE_CLOSE);
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(SendPaneCommand(m_pFrame.get(), 4711), 0);
}
