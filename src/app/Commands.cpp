#include "app/Commands.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <algorithm>
#include <map>

#include "app/CMainFrame.h"
#include "ui/CommandIds.h"
#include "ui/Icons.h"

namespace {
using enum EPopup;

// clang-format off
const std::vector<SCommandDef> s_arrCommands = {
//  id                      menu 128                                               menu 135                               context menu 152                                      tb128 tb135 prompt
    {ID_FILE_NEW,           {Datei, 10, "&Neu..."},                                {Datei, 10, "&Neu\tStrg+N"},           {},                                                   10, 10, "Erstellt ein neues Dokument.\nNeu", "Ctrl+N", false},
    {ID_FILE_OPEN,          {Datei, 11, "Ö&ffnen..."},                             {Datei, 11, "Ö&ffnen...\tStrg+O"},     {},                                                   11, 11, "Öffnet ein bestehendes Dokument.\nÖffnen", "Ctrl+O", false},
    {ID_DATABASE_CLOSE,     {Datei, 12, "Schließen"},                              {},                                    {},                                                   0, 0, "Schließt das aktive Dokument.\nSchließen", nullptr, false},
    {ID_STRUCTURE_IMPORT,   {Datei, 20, "Import ..."},                             {},                                    {},                                                   0, 0, nullptr, nullptr, false},
    {ID_STRUCTURE_EXPORT,   {Datei, 21, "Export ..."},                             {},                                    {},                                                   0, 0, nullptr, nullptr, false},
    {ID_EXPORT_HTML,        {ExportAls, 10, "&HTML ..."},                           {},                                    {},                                                   0, 0, "Schreibt den Ordner mit seinen Texten als HTML-Seite.\nAls HTML exportieren", nullptr, false},
    {ID_EXPORT_MARKDOWN,    {ExportAls, 11, "&Markdown ..."},                       {},                                    {},                                                   0, 0, "Schreibt den Ordner mit seinen Texten als Markdown-Datei.\nAls Markdown exportieren", nullptr, false},
    {ID_EXPORT_TEXT,        {ExportAls, 12, "&Text ..."},                           {},                                    {},                                                   0, 0, "Schreibt den Ordner mit seinen Texten als Textdatei.\nAls Text exportieren", nullptr, false},
    {ID_BACKUP_RESTORE,     {Datei, 24, "Aus Sicherung wiederherstellen …"},       {},                                    {},                                                   0, 0, "Holt einen Eintrag oder Ordner aus einer Sicherungskopie in den gewählten Ordner zurück.\nAus Sicherung wiederherstellen", nullptr, false},
    {ID_FILE_PRINT,         {Datei, 30, "&Drucken..."},                            {},                                    {},                                                   21, 0, "Druckt das aktive Dokument.\nDrucken", "Ctrl+P", false},
    {ID_FILE_PRINT_PREVIEW, {Datei, 31, "Sei&tenansicht"},                         {},                                    {},                                                   20, 0, "Zeigt ganze Seiten an.\nSeitenansicht", nullptr, false},
    {ID_FILE_PRINT_SETUP,   {Datei, 32, "Drucker&einrichtung..."},                 {},                                    {},                                                   0, 0, "Ändert den Drucker und die Druckoptionen.\nDruckereinrichtung", nullptr, false},
    {ID_FILE_MRU_FILE1,     {Datei, 40, "Letzte Datei"},                           {Datei, 20, "Letzte Datei"},           {},                                                   0, 0, "Öffnet diese Datenbank.", nullptr, false},
    {ID_FILE_MRU_FILE2,     {},                                                    {},                                    {},                                                   0, 0, "Öffnet diese Datenbank.", nullptr, false},
    {ID_FILE_MRU_FILE3,     {},                                                    {},                                    {},                                                   0, 0, "Öffnet diese Datenbank.", nullptr, false},
    {ID_APP_EXIT,           {Datei, 50, "&Beenden"},                               {Datei, 30, "&Beenden"},               {},                                                   0, 0, "Verläßt die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden", "Ctrl+Q", false},
    {ID_EDIT_UNDO,          {Bearbeiten, 5, "Rückgängig"},                         {},                                    {},                                                   0, 0, "Macht das letzte Löschen oder Verschieben in diesem Fenster rückgängig\nRückgängig", "Ctrl+Z", false},
    {ID_SEARCH,             {Bearbeiten, 10, "Suchen"},                            {},                                    {},                                                   42, 0, "Nach Einträgen suchen\nSuchen", nullptr, false},
    {ID_ROOT_EDIT,          {Bearbeiten, 20, "Hauptordner bearbeiten"},            {},                                    {},                                                   0, 0, nullptr, nullptr, false},
    {ID_ENTRY_MOVE_UP,      {Bearbeiten, 30, "nach oben schieben"},                {},                                    {},                                                   31, 0, "Aktuellen Eintrag höher schieben\nHoch schieben", nullptr, false},
    {ID_ENTRY_MOVE_DOWN,    {Bearbeiten, 31, "nach unten schieben"},               {},                                    {},                                                   32, 0, "Aktuellen Eintrag runter schieben\nRunter schieben", nullptr, false},
    {ID_FOLDER_CREATE,      {Bearbeiten, 40, "Ordner erstellen"},                  {},                                    {Kontext, 21, "Ordner erstellen"},                    34, 0, "Neuen Ordner anlgen\nOrdner erstellen", nullptr, false},
    {ID_LINK_EDIT,          {Bearbeiten, 41, "Verknüpfung erstellen"},             {},                                    {Kontext, 11, "Verknüpfung erstellen/bearbeiten"},    33, 0, "Verknüpfung hinzufügen oder ändern\nVerknüpfung hinzufügen oder ändern", nullptr, false},
    {ID_ENTRY_DELETE,       {Bearbeiten, 42, "Eintrag löschen"},                   {},                                    {Kontext, 30, "Eintrag löschen"},                     30, 0, "Aktuellen Eintrag löschen\nLöschen", nullptr, false},
    {ID_TRASH,              {Bearbeiten, 44, "Papierkorb …"},                    {},                                    {},                                                   0, 0, "Zeigt die gelöschten Einträge, stellt sie wieder her oder löscht sie endgültig\nPapierkorb", nullptr, false},
    {ID_ENTRY_SAVE,         {Bearbeiten, 45, "Eingaben speichern"},                {},                                    {},                                                   0, 0, "Speichert, was in der aktuellen Zeile eingegeben wurde.\nEingaben speichern", "Ctrl+S", false},
    {ID_WRITE_PROTECT,      {Bearbeiten, 50, "Schreibschutz"},                     {},                                    {},                                                   50, 0, "Schreibschutz\nSchreibschutz", nullptr, true},
    {ID_VIEW_TOOLBAR,       {Ansicht, 10, "&Symbolleiste"},                        {},                                    {},                                                   0, 0, "Blendet die Symbolleiste ein oder aus.\nSymbolleiste ein-/ausschalten", nullptr, true},
    {ID_VIEW_STATUS_BAR,    {Ansicht, 11, "S&tatusleiste"},                        {},                                    {},                                                   0, 0, "Blendet die Statusleiste ein oder aus.\nStatusleiste ein-/ausschalten", nullptr, true},
    {ID_VIEW_REFRESH,       {Ansicht, 20, "&Aktualisieren"},                       {},                                    {},                                                   0, 0, "Zeigt die Ordner und Einträge so, wie sie jetzt gespeichert sind.\nAktualisieren", "F5", false},
    {ID_DATABASE_INFO,      {Extras, 10, "Datenbenk Info..."},                     {},                                    {},                                                   0, 0, nullptr, nullptr, false},
    {ID_ADMIN_LOGIN,        {Admin, 10, "Administrator Anmeldung..."},             {},                                    {},                                                   0, 0, nullptr, nullptr, false},
    {ID_BACKUP_SETTINGS,    {Admin, 20, "Backup Einstellungen..."},                {},                                    {},                                                   0, 0, "Backup Einstellungen", nullptr, false},
    {ID_DATABASE_REORGANIZE,{Admin, 21, "Datenbank reorganisieren..."},            {},                                    {},                                                   0, 0, "Datenbank reorganisieren", nullptr, false},
    {ID_DATABASE_ENCRYPT,   {Admin, 22, "Datenbank verschlüsseln..."},             {},                                    {},                                                   0, 0, "Passwortschutz für Datenbank einrichten, ändern oder aufheben.", nullptr, false},
    {ID_ADMIN_PROTECT,      {Admin, 30, "Administrator Funktionen schützen..."},   {},                                    {},                                                   0, 0, nullptr, nullptr, false},
    {ID_HELP_FINDER,        {Hilfe, 10, "&Hilfe"},                                 {Hilfe, 10, "&Hilfe"},                 {},                                                   0, 0, "Zeigt die Hilfe zu Orvantis an.\nHilfe", "F1", false},
    {ID_APP_ABOUT,          {Hilfe, 20, "Inf&o über Orvantis..."},                 {Hilfe, 20, "Inf&o über Orvantis..."}, {},                                                   0, 0, "Zeigt Programminformationen und die Versionsnummer an.\nInfo", nullptr, false},
    {ID_ENTRY_PREVIOUS,     {},                                                    {},                                    {},                                                   40, 0, "Gehe zum vorherigen Eintrag\nVorheriger Eintrag", nullptr, false},
    {ID_ENTRY_NEXT,         {},                                                    {},                                    {},                                                   41, 0, "Gehe zum nächsten Eintrag\nNächster Eintrag", nullptr, false},
    {ID_LINK_OPEN,          {},                                                    {},                                    {Kontext, 10, "Verknüpfung aufrufen"},                0, 0, "Verknüpfung aufrufen", nullptr, false},
    {ID_FOLDER_OPEN,        {},                                                    {},                                    {Kontext, 20, "Ordner öffnen"},                       0, 0, "Ordner öffnen", nullptr, false},
};
// clang-format on

struct SPopupDef {
    EPopup ePopup;
    const char* pszTitle;
    EPopup eParent;  // None: on the menu bar
    int nPos;        // place inside the parent popup
};

// Popups in menu bar order; the sub-popup follows the items of its parent
// in the order of nPos.
const SPopupDef s_arrPopups[] = {
    {Datei, "&Datei", None, 0},
    {Bearbeiten, "&Bearbeiten", None, 0},
    {Ansicht, "&Ansicht", None, 0},
    {Extras, "Extras", None, 0},
    {Admin, "Adminstrator Funktionen", Extras, 20},
    {Hilfe, "&?", None, 0},
    {ExportAls, "Exportieren &als …", Datei, 22},
};

const SMenuPlace& PlaceIn(const SCommandDef& def, EResourceSet eSet) {
    return eSet == IDR_MENU_OPEN ? def.menu128 : eSet == IDR_MENU_CLOSED ? def.menu135 : def.context;
}

// A popup exists in a set only when it has items there.
bool IsPopupUsed(EPopup ePopup, EResourceSet eSet) {
    return std::any_of(s_arrCommands.begin(), s_arrCommands.end(),
                       [&](const SCommandDef& def) { return PlaceIn(def, eSet).ePopup == ePopup; });
}

// Items are enabled as the menu opens, not on every idle pass.
void UpdateOnShow(CMainFrame* pFrame, QMenu* pMenu) {
    QObject::connect(pMenu, &QMenu::aboutToShow, pFrame, [pFrame, pMenu] { pFrame->UpdateActions(pMenu->actions()); });
}

QString Prompt(const SCommandDef& def) {
    return def.pszPrompt ? QString::fromUtf8(def.pszPrompt) : QString();
}

QAction* MakeAction(CMainFrame* pFrame, QObject* pParent, int nId, const QString& strText) {
    auto* pAction = new QAction(strText, pParent);
    pAction->setData(nId);
    pAction->setStatusTip(GetCommandStatusText(nId));
    pAction->setToolTip(GetCommandToolTip(nId));
    if (const SCommandDef* pDef = FindCommand(nId)) {
        if (pDef->bCheckable) pAction->setCheckable(true);
        // shown beside the item; the frame's own shortcut runs it, so the key is never bound twice
        if (pDef->pszShortcut) {
            pAction->setShortcut(QKeySequence(QString::fromLatin1(pDef->pszShortcut)));
            pAction->setShortcutContext(Qt::WidgetShortcut);
        }
    }
    QObject::connect(pAction, &QAction::triggered, pFrame, [pFrame, nId] { pFrame->RouteCommand(nId); });
    return pAction;
}

// One menu item, or one per recent file in place of "Letzte Datei".
void AddMenuItem(CMainFrame* pFrame, QMenu* pMenu, const SCommandDef& def, const SMenuPlace& place) {
    if (def.nId == ID_FILE_MRU_FILE1) {
        std::vector<std::string> arrFiles = pFrame->GetRecentFiles();
        if (!arrFiles.empty()) {
            for (size_t i = 0; i < arrFiles.size() && i < 3; ++i) {
                QString strPath = QString::fromStdString(arrFiles[i]);
                strPath.replace('&', "&&");
                pMenu->addAction(MakeAction(pFrame, pMenu, ID_FILE_MRU_FILE1 + static_cast<int>(i),
                                            QString("&%1 %2").arg(i + 1).arg(strPath)));
            }
            return;
        }
    }
    pMenu->addAction(MakeAction(pFrame, pMenu, def.nId, QString::fromUtf8(place.pszText)));
}

// Fills pMenu with the items of ePopup (and its sub-popups) of one set.
void FillPopup(CMainFrame* pFrame, QMenu* pMenu, EPopup ePopup, EResourceSet eSet) {
    struct SEntry {
        int nPos;
        const SCommandDef* pDef;
        const SPopupDef* pSub;
    };
    std::vector<SEntry> arr;
    for (const SCommandDef& def : s_arrCommands) {
        const SMenuPlace& place = PlaceIn(def, eSet);
        if (place.ePopup == ePopup && place.pszText) arr.push_back({place.nPos, &def, nullptr});
    }
    for (const SPopupDef& sub : s_arrPopups) {
        if (sub.eParent != ePopup || ePopup == None) continue;
        if (IsPopupUsed(sub.ePopup, eSet)) arr.push_back({sub.nPos, nullptr, &sub});
    }
    std::stable_sort(arr.begin(), arr.end(), [](const SEntry& a, const SEntry& b) { return a.nPos < b.nPos; });
    int nGroup = -1;
    for (const SEntry& e : arr) {
        if (nGroup >= 0 && e.nPos / 10 != nGroup) pMenu->addSeparator();
        nGroup = e.nPos / 10;
        if (e.pDef) {
            AddMenuItem(pFrame, pMenu, *e.pDef, PlaceIn(*e.pDef, eSet));
        } else {
            QMenu* pSub = pMenu->addMenu(QString::fromUtf8(e.pSub->pszTitle));
            FillPopup(pFrame, pSub, e.pSub->ePopup, eSet);
            UpdateOnShow(pFrame, pSub);
        }
    }
}
}  // namespace

const std::vector<SCommandDef>& GetCommandTable() {
    return s_arrCommands;
}

const SCommandDef* FindCommand(int nId) {
    for (const SCommandDef& def : s_arrCommands)
        if (def.nId == nId) return &def;
    return nullptr;
}

bool IsCommandInSet(int nId, EResourceSet eSet) {
    const SCommandDef* pDef = FindCommand(nId);
    if (!pDef) return false;
    if (eSet == IDR_CONTEXT_MENU) return pDef->context.pszText != nullptr;
    bool bToolbar = eSet == IDR_MENU_OPEN ? pDef->nToolbar128 > 0 : pDef->nToolbar135 > 0;
    return bToolbar || PlaceIn(*pDef, eSet).pszText != nullptr;
}

QString GetCommandStatusText(int nId) {
    const SCommandDef* pDef = FindCommand(nId);
    return pDef ? Prompt(*pDef).section('\n', 0, 0) : QString();
}

QString GetCommandToolTip(int nId) {
    const SCommandDef* pDef = FindCommand(nId);
    if (!pDef) return QString();
    QString str = Prompt(*pDef);
    return str.contains('\n') ? str.section('\n', 1) : QString();
}

QString GetIdlePrompt() {
    return QString::fromUtf8("Drücken Sie F1, um Hilfe zu erhalten.");
}

int GetActionCommand(const QAction* pAction) {
    if (!pAction || pAction->isSeparator() || pAction->menu()) return 0;
    bool bOk = false;
    int n = pAction->data().toInt(&bOk);
    return bOk ? n : 0;
}

void BuildMenuBar(CMainFrame* pFrame, QMenuBar* pMenuBar, EResourceSet eSet) {
    pMenuBar->clear();
    for (const SPopupDef& popup : s_arrPopups) {
        if (popup.eParent != None || !IsPopupUsed(popup.ePopup, eSet)) continue;
        QMenu* pMenu = pMenuBar->addMenu(QString::fromUtf8(popup.pszTitle));
        FillPopup(pFrame, pMenu, popup.ePopup, eSet);
        UpdateOnShow(pFrame, pMenu);
    }
}

void BuildToolBar(CMainFrame* pFrame, QToolBar* pToolBar, EResourceSet eSet) {
    pToolBar->clear();
    std::vector<std::pair<int, const SCommandDef*>> arr;
    for (const SCommandDef& def : s_arrCommands) {
        int nPos = eSet == IDR_MENU_OPEN ? def.nToolbar128 : def.nToolbar135;
        if (nPos > 0) arr.emplace_back(nPos, &def);
    }
    std::stable_sort(arr.begin(), arr.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    pToolBar->setIconSize(eSet == IDR_MENU_OPEN ? QSize(18, 16) : QSize(16, 15));
    int nGroup = -1;
    for (const auto& [nPos, pDef] : arr) {
        if (nGroup >= 0 && nPos / 10 != nGroup) pToolBar->addSeparator();
        nGroup = nPos / 10;
        QAction* pAction = MakeAction(pFrame, pToolBar, pDef->nId, GetCommandToolTip(pDef->nId));
        // the button's name for assistive technology
        if (pAction->text().isEmpty()) {
            const char* pszMenu = pDef->menu128.pszText ? pDef->menu128.pszText : pDef->menu135.pszText;
            if (pszMenu) pAction->setText(QString::fromUtf8(pszMenu).section('\t', 0, 0).remove('&'));
        }
        pAction->setIcon(GetCommandIcon(pDef->nId));
        pToolBar->addAction(pAction);
    }
}

QMenu* CreateContextMenu(CMainFrame* pFrame, QWidget* pParent) {
    auto* pMenu = new QMenu(QStringLiteral("Kontext"), pParent);
    FillPopup(pFrame, pMenu, Kontext, IDR_CONTEXT_MENU);
    UpdateOnShow(pFrame, pMenu);
    pFrame->UpdateActions(pMenu->actions());
    return pMenu;
}
