#include "app/COrvantisDoc.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPrinter>
#include <QTimer>
#include <filesystem>
#include <set>

#include "app/CLeftView.h"
#include "app/CMainFrame.h"
#include "app/CTitleView.h"
#include "app/Commands.h"
#include "app/DialogFolder.h"
#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "db/DbCommands.h"
#include "edit/CDetailView.h"
#include "edit/CEditEx.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "print/ui/PrintJob.h"
#include "protect/CDbAdmin.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"
#include "ui/CommandIds.h"
#include "ui/WaitPump.h"

namespace {
const char* const TEMPLATE_FILTER = "Vorlage (*.txt)|*.txt||";

// Arial with a cell height (ascent + descent) of 16 pixels, as the panes
// lay their rows and the title strip its two lines out. Arial's cell is
// 1.117 of its em, so the letters are 14 pixels; a substitute face gets the
// same letters, unless its lines are so tall that the title strip's second
// line (19 pixels from y = 16) would be cut.
QFont MakeFont(QFont::Weight eWeight) {
    QFont font(QStringLiteral("Arial"));
    // exact size matters more than looks
    font.setStyleStrategy(QFont::PreferMatch);
    for (int nPixels = 14; nPixels >= 10; --nPixels) {
        font.setPixelSize(nPixels);
        if (QFontMetrics(font).height() <= 19) break;
    }
    font.setWeight(eWeight);
    return font;
}

// A keyword proposed as file name must not name a folder.
std::string FileNameFromKeyword(std::string str) {
    for (char& ch : str)
        if (ch == '/') ch = '_';
    return str;
}
}  // namespace

std::string DocumentTitleFromPath(const std::string& strPath) {
    return std::filesystem::path(strPath).stem().string();
}

COrvantisDoc::COrvantisDoc() : m_fontNormal(MakeFont(QFont::Normal)), m_fontBold(MakeFont(QFont::Bold)) {
    m_recentFiles.Load();
    // one cheap read a second, no lock held: another user's commit shows up
    m_pPollTimer = new QTimer(this);
    connect(m_pPollTimer, &QTimer::timeout, this, &COrvantisDoc::PollForChanges);
    m_pPollTimer->start(CHANGE_POLL_MS);
}

COrvantisDoc::~COrvantisDoc() {
    if (m_pKnowHow) {
        m_pKnowHow.reset();
        CloseDatabase();
    }
}

// --- panes ---------------------------------------------------------------------------

CLeftView* COrvantisDoc::Tree() const {
    return m_pFrame ? m_pFrame->GetTreeView() : nullptr;
}

CDetailView* COrvantisDoc::Detail() const {
    return m_pFrame ? m_pFrame->GetDetailView() : nullptr;
}

// --- forwarding ----------------------------------------------------------------------

int COrvantisDoc::GetItem(CKnowHowItem& item, TRowId nId) {
    return m_pKnowHow ? m_pKnowHow->GetItem(item, nId) : 0;
}

int COrvantisDoc::GetChildren(CKnowHowArray& arr, TRowId nFolder, bool bFoldersOnly) {
    return m_pKnowHow ? m_pKnowHow->GetChildren(arr, nFolder, bFoldersOnly) : 0;
}

int COrvantisDoc::CountChildren(TRowId nFolder, bool bFoldersOnly) {
    return m_pKnowHow ? m_pKnowHow->CountChildren(nFolder, bFoldersOnly) : 0;
}

TRowId COrvantisDoc::GetParentId(TRowId nId) {
    return m_pKnowHow ? m_pKnowHow->GetParentId(nId) : 0;
}

bool COrvantisDoc::IsInsideFolder(TRowId nFolder, TRowId nAncestor) {
    std::set<TRowId> setSeen;
    for (TRowId n = nFolder; n > 0; n = GetParentId(n))
        if (n == nAncestor || !setSeen.insert(n).second) return true;
    return false;
}

std::string COrvantisDoc::GetPath(TRowId nId) {
    return m_pKnowHow ? m_pKnowHow->GetPath(nId) : std::string();
}

EWriteResult COrvantisDoc::SaveItems(CKnowHowArray& arr) {
    return m_pKnowHow ? m_pKnowHow->SaveItems(arr) : EWriteResult::Failed;
}

// --- opening, creating, closing ----------------------------------------------------------

bool COrvantisDoc::NewDatabase() {
    if (m_bFirstNew) {
        // the start-up call: no dialog, no database
        m_bFirstNew = false;
        m_strTitle.clear();
        return true;
    }
    std::string strPath;
    // "tov" as default extension: a name typed without one must still be
    // found by the open dialog and by the start-up rules
    if (!GetPlatform().FileDialog(false, Ansi("Datenbank anlegen"), DATABASE_FILE_FILTER, "tov", "",
                                  DatabaseDialogFolder(), strPath))
        return false;
    RememberDatabaseDialogFolder(strPath);

    if (IsDatabaseOpen() && !CloseDatabaseFile()) return false;
    // session, no password, Option table, knowledge-tree service, administrator state
    m_pKnowHow = CreateKnowledgeBase(strPath);
    // an existing file that is no database, or a folder that may not be
    // written: the tables are missing, and nothing could ever be stored
    CDB& db = GetDatabase();
    if (!m_pKnowHow || !db.TableExists("Option") || !db.TableExists("KnowHow")) {
        CloseDatabaseFile();
        GetPlatform().MessageBox(Ansi("Die Datenbank konnte nicht angelegt werden:\n\n") + Utf8ToCp1252(strPath), "",
                                 EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    GetPlatform().WriteProfileString("Files", "LastDB", strPath);
    SetPathAndTitle(strPath);
    m_recentFiles.Add(strPath);
    SwitchMenu(IDR_MENU_OPEN);
    StartInEmptyRoot();
    return true;
}

bool COrvantisDoc::OpenDatabaseFile(const std::string& strPath) {
    if (!CloseDatabaseFile()) return false;
    // session, password, version check, daily backup, knowledge-tree service, administrator state
    m_pKnowHow = OpenKnowledgeBase(strPath);
    if (!m_pKnowHow) return false;
    // the file as shown now: what later polls compare against
    bool bChanged = false;
    (void)GetDatabase().ReadChangedByOthers(bChanged);
    GetPlatform().WriteProfileString("Files", "LastDB", strPath);
    SwitchMenu(IDR_MENU_OPEN);
    if (CountChildren(0, true) >= 1)
        PostPaneMessage(Tree(), Tree(), WM_SHOW_FOLDER, -1);
    else
        StartInEmptyRoot();
    return true;
}

void COrvantisDoc::StartInEmptyRoot() {
    // a file without folders: typing starts in the top level's first keyword
    m_bWriteProtect = false;
    PostPaneMessage(Detail(), Detail(), WM_SHOW_FOLDER, 0);
    ActivatePane(PANE_DETAIL);
    PostPaneMessage(Detail(), Detail(), WM_SELECT_ENTRY, 0, EDITOR_KEYWORD + 1);
}

bool COrvantisDoc::QueryCloseDatabase() {
    if (!m_pKnowHow || !Detail()) return true;
    return SendPaneCommand(Detail(), ID_DETAIL_QUERY_CLOSE) != 0;
}

bool COrvantisDoc::CloseDatabaseFile() {
    if (!QueryCloseDatabase()) return false;
    SendPaneCommand(Tree(), ID_DETAIL_RESET);
    SendPaneCommand(Detail(), ID_DETAIL_RESET);
    if (m_pFrame && m_pFrame->GetTitleView()) m_pFrame->GetTitleView()->SetTitle("", "");
    ReleaseDatabase();
    m_strTitle.clear();
    m_strPathName.clear();
    SwitchMenu(IDR_MENU_CLOSED);
    GetPlatform().WriteProfileString("Files", "LastDB", "");
    emit DocumentChanged();
    return true;
}

void COrvantisDoc::CloseDocument() {
    SwitchMenu(IDR_MENU_CLOSED);
    ReleaseDatabase();
}

void COrvantisDoc::ReleaseDatabase() {
    if (!m_pKnowHow) return;
    SendPaneCommand(Detail(), ID_DETAIL_CLOSE);
    m_pKnowHow.reset();
    CloseDatabase();
}

bool COrvantisDoc::OpenDocumentFile(const std::string& strPath) {
    // a file that has gone (a recent file, a dropped name) would be created
    // anew by the engine and turn into an empty database under the old name;
    // the database that is open stays open
    if (!GetPlatform().FileExists(strPath)) {
        GetPlatform().MessageBox(Ansi("Die Datenbank wurde nicht gefunden:\n\n") + Utf8ToCp1252(strPath), "",
                                 EMsgIcon::Exclamation, EMsgButtons::Ok);
        return false;
    }
    if (!OpenDatabaseFile(strPath)) {
        emit DocumentChanged();
        return false;
    }
    SetPathAndTitle(strPath);
    m_recentFiles.Add(strPath);
    if (m_pFrame) m_pFrame->InitialUpdatePanes();
    emit DocumentChanged();
    return true;
}

bool COrvantisDoc::OnNewDocument() {
    if (!NewDatabase()) return false;
    if (m_pFrame) m_pFrame->InitialUpdatePanes();
    emit DocumentChanged();
    return true;
}

bool COrvantisDoc::OpenRecentFile(int nIndex) {
    const auto& arr = m_recentFiles.GetFiles();
    if (nIndex < 0 || nIndex >= static_cast<int>(arr.size())) return false;
    std::string strPath = arr[nIndex];
    if (OpenDocumentFile(strPath)) return true;
    // the list may have changed meanwhile; drop the path itself
    const auto& arrNow = m_recentFiles.GetFiles();
    for (int i = 0; i < static_cast<int>(arrNow.size()); ++i)
        if (arrNow[i] == strPath) {
            m_recentFiles.Remove(i);
            break;
        }
    emit DocumentChanged();
    return false;
}

void COrvantisDoc::SetPathAndTitle(const std::string& strPath) {
    m_strPathName = strPath;
    m_strTitle = DocumentTitleFromPath(strPath);
}

// --- entries -------------------------------------------------------------------------------

bool COrvantisDoc::ConfirmDeleteEntry(TRowId nId) {
    if (!m_pKnowHow) return false;
    CKnowHowItem item;
    GetItem(item, nId);
    return GetPlatform().MessageBox(CKnowHow::DeleteQuestion(item), "", EMsgIcon::Exclamation, EMsgButtons::YesNo) ==
           EMsgResult::Yes;
}

bool COrvantisDoc::DeleteEntryAsk(TRowId nId) {
    if (!ConfirmDeleteEntry(nId)) return false;
    SWriteReport report;
    const EWriteResult eResult = m_pKnowHow->DeleteItem(nId, &report);
    // another user was first: gone all the same
    if (eResult == EWriteResult::Deleted)
        GetPlatform().MessageBox(EntryDeletedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
    else
        SayWriteResult(eResult, report, false);
    return eResult == EWriteResult::Saved || eResult == EWriteResult::Deleted;
}

void COrvantisDoc::ImportStructureAsk(TRowId nFolder) {
    if (!m_pKnowHow) return;
    std::string strPath;
    if (!GetPlatform().FileDialog(true, Ansi("Datenstruktur importieren"), TEMPLATE_FILTER, "txt", "", "", strPath))
        return;
    std::string strFailure;
    TRowId nFirst = m_pKnowHow->ImportStructure(strPath, nFolder, &strFailure);
    if (!strFailure.empty()) {
        // nothing was imported: the tree stays as it is
        GetPlatform().MessageBox(strFailure, "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return;
    }
    if (nFolder != 0)
        SendPaneCommand(Tree(), ID_TREE_REFRESH);
    else
        EditRootFolder();
    PostPaneMessage(Tree(), Tree(), WM_SHOW_FOLDER, nFirst);
}

void COrvantisDoc::ExportStructureAsk(TRowId nFolder) {
    if (!m_pKnowHow) return;
    std::string strPreset;
    if (nFolder > 0) {
        CKnowHowItem item;
        GetItem(item, nFolder);
        strPreset = FileNameFromKeyword(item.Name);
    }
    std::string strPath;
    if (!GetPlatform().FileDialog(false, Ansi("Datenstruktur exportieren"), TEMPLATE_FILTER, "txt", strPreset, "",
                                  strPath))
        return;
    bool bWriteFailed = false;
    m_pKnowHow->ExportStructure(strPath, nFolder, &bWriteFailed);
    // shown after every export, also one that found nothing to write
    GetPlatform().MessageBox(ExportStructureMessage(bWriteFailed), "",
                             bWriteFailed ? EMsgIcon::Exclamation : EMsgIcon::Information, EMsgButtons::Ok);
}

EWriteResult COrvantisDoc::MoveToFolder(TRowId nId, TRowId nTargetFolder, SWriteReport* pReport) {
    if (!m_pKnowHow) return EWriteResult::Failed;
    CKnowHowItem item;
    const int nFound = GetItem(item, nId);
    if (nFound < 0) return EWriteResult::Failed;
    if (nFound != 1) return EWriteResult::Deleted;
    if (item.MasterID != nTargetFolder) return m_pKnowHow->MoveToFolder(nId, nTargetFolder, pReport);
    // into the folder that holds it already: to the end of its list, the
    // entries behind it close the gap (positions stay 1..n)
    return m_pKnowHow->MoveToEnd(nId, pReport);
}

void COrvantisDoc::GoToEntry(TRowId nId) {
    if (nId == -1) return;
    TRowId nFolder = GetParentId(nId);
    if (nFolder != 0)
        SendPaneMessage(Tree(), WM_SHOW_FOLDER, nFolder);
    else
        EditRootFolder();
    SendPaneMessage(Detail(), WM_SELECT_ENTRY, nId, EDITOR_NONE + 1);
    ActivatePane(PANE_DETAIL);
}

void COrvantisDoc::GoToNextEntry(TRowId nId) {
    if (m_pKnowHow) GoToEntry(m_pKnowHow->NextItem(nId));
}

void COrvantisDoc::GoToPreviousEntry(TRowId nId) {
    if (m_pKnowHow) GoToEntry(m_pKnowHow->PreviousItem(nId));
}

void COrvantisDoc::EditRootFolder() {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, 0);
    SendPaneMessage(Detail(), WM_SHOW_FOLDER, 0);
    ActivatePane(PANE_DETAIL);
}

void COrvantisDoc::ShowFolderTitle(TRowId nFolder) {
    CTitleView* pTitle = m_pFrame ? m_pFrame->GetTitleView() : nullptr;
    if (!pTitle) return;
    if (nFolder < 0) {
        pTitle->SetTitle("", "");
        return;
    }
    CKnowHowItem item;
    GetItem(item, nFolder);
    pTitle->SetTitle(nFolder == 0 ? std::string("Hauptordner") : GetPath(nFolder), item.Text);
}

void COrvantisDoc::MarkFolderChanged(bool bChanged) {
    if (CTitleView* pTitle = m_pFrame ? m_pFrame->GetTitleView() : nullptr)
        pTitle->SetNote(bChanged ? QString::fromUtf8("Ein anderer Benutzer hat etwas geändert; die Zeile zeigt es, "
                                                     "sobald sie verlassen wird.")
                                 : QString());
}

void COrvantisDoc::SetEditNote(const std::string& strNote) {
    if (m_pFrame) m_pFrame->SetEditNote(QString::fromStdString(strNote));
}

void COrvantisDoc::RefreshViews() {
    if (!m_pKnowHow) return;
    if (CLeftView* pTree = Tree()) pTree->ReloadKeepingPlace();
    if (CDetailView* pDetail = Detail()) pDetail->Refresh(false);
}

void COrvantisDoc::ShowRestored(TRowId nId) {
    RefreshViews();
    GoToEntry(nId);
}

void COrvantisDoc::PollForChanges() {
    // nothing while a dialog is open, a wait or a drag is in progress
    if (!m_pKnowHow || IsWaitingForOthers() || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    CLeftView* pTree = Tree();
    CDetailView* pDetail = Detail();
    if ((pTree && pTree->IsDragging()) || (pDetail && pDetail->IsDragging())) return;
    bool bChanged = false;
    // read without waiting: a file held by someone is asked again next time
    if (!GetDatabase().ReadChangedByOthers(bChanged) || !bChanged) return;
    if (pTree) pTree->ReloadKeepingPlace();
    if (pDetail) pDetail->Refresh(true);
    if (pDetail) ShowFolderTitle(pDetail->GetCurrentFolder());
}

const QFont& COrvantisDoc::GetFont(EDocFont eFont) const {
    return eFont == DOC_FONT_BOLD ? m_fontBold : m_fontNormal;
}

QPrinter* COrvantisDoc::GetPrinter() {
    if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_pPrinter.get();
}

void COrvantisDoc::SwitchMenu(EResourceSet eSet) {
    if (m_pFrame) m_pFrame->SwitchMenu(eSet);
}

void COrvantisDoc::ActivatePane(EPaneKind eKind) {
    if (m_pFrame) m_pFrame->ActivatePane(eKind);
}

SPaneRef COrvantisDoc::GetTreePane() const {
    CLeftView* pTree = Tree();
    return {pTree, pTree};
}

void COrvantisDoc::ShowContextMenu(QWidget* pParent, const QPoint& ptGlobal) {
    if (!m_pFrame) return;
    // the commands take the frame's route and enabling
    QMenu* pMenu = CreateContextMenu(m_pFrame, pParent);
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->popup(ptGlobal);
}

void COrvantisDoc::PrintFolder(QWidget* pParent, TRowId nFolder, bool bPreview) {
    ::PrintFolder(pParent, GetService(), nFolder, bPreview, GetPrinter());
}

// --- commands ------------------------------------------------------------------------------

void COrvantisDoc::ToggleWriteProtect() {
    m_bWriteProtect = !m_bWriteProtect;
    SendPaneCommand(Detail(), ID_DETAIL_READONLY_CHANGED);
}

void COrvantisDoc::Reorganize() {
    std::unique_ptr<IWaitNotice> pWait;
    if (GetDocDialogs().fnWaitNotice) pWait = GetDocDialogs().fnWaitNotice();
    RunReorganize(pWait.get(), true);
}

void COrvantisDoc::RestoreFromBackup() {
    if (!m_pKnowHow || m_bWriteProtect || !GetDocDialogs().fnRestoreFromBackup) return;
    // what is typed is written before the tree changes under it
    SendPaneCommand(Detail(), ID_DETAIL_END_EDIT);
    const TRowId nTarget = Tree() ? Tree()->GetCurrentFolder() : 0;
    if (GetDocDialogs().fnRestoreFromBackup(m_pFrame, *m_pKnowHow, nTarget) > 0) RefreshViews();
}

void COrvantisDoc::UndoLastStep() {
    if (!m_pKnowHow || m_bWriteProtect) return;
    // what is typed is written before the rows change under it
    SendPaneCommand(Detail(), ID_DETAIL_END_EDIT);
    SWriteReport report;
    TRowId nShow = 0;
    const EWriteResult eResult = m_pKnowHow->History().UndoLast(*m_pKnowHow, &nShow, &report);
    SayUndoResult(eResult, report);
    if (eResult == EWriteResult::Saved)
        ShowRestored(nShow);
    else
        RefreshViews();  // shows what the others made of it
}

bool COrvantisDoc::OnCommand(int nId) {
    QWidget* pParent = m_pFrame;
    SDocDialogs& dialogs = GetDocDialogs();
    auto run = [pParent](const std::function<void(QWidget*)>& fn) {
        if (fn) fn(pParent);
    };
    switch (nId) {
        case ID_DATABASE_CLOSE: CloseDatabaseFile(); return true;
        case ID_VIEW_REFRESH: RefreshViews(); return true;
        case ID_ENTRY_SAVE:
            if (CDetailView* pDetail = Detail()) pDetail->OnCommand(ID_ENTRY_SAVE);
            return true;
        case ID_SEARCH:
            if (dialogs.fnSearch) dialogs.fnSearch(pParent, *this);
            return true;
        case ID_TRASH:
            // what is typed is stored before the list is read
            SendPaneCommand(Detail(), ID_DETAIL_END_EDIT);
            if (dialogs.fnTrash) dialogs.fnTrash(pParent, *this);
            return true;
        case ID_ROOT_EDIT: EditRootFolder(); return true;
        case ID_WRITE_PROTECT: ToggleWriteProtect(); return true;
        case ID_DATABASE_INFO: run(dialogs.fnDbInfo); return true;
        case ID_ADMIN_LOGIN: run(dialogs.fnAdminLogin); return true;
        case ID_BACKUP_SETTINGS: run(dialogs.fnBackupSettings); return true;
        case ID_DATABASE_REORGANIZE: Reorganize(); return true;
        case ID_DATABASE_ENCRYPT:
            // the row being edited is written under the key it was read with
            SendPaneCommand(Detail(), ID_DETAIL_END_EDIT);
            run(dialogs.fnDatabasePassword);
            // every row has a new counter: a move recorded before would be taken for another user's change
            if (m_pKnowHow) m_pKnowHow->History().Clear();
            // a new key writes every row again, with new update counters: rows
            // still held from before would be refused as another user's change
            SendPaneCommand(Detail(), ID_DETAIL_RELOAD);
            return true;
        case ID_ADMIN_PROTECT: run(dialogs.fnAdminSetup); return true;
        case ID_BACKUP_RESTORE: RestoreFromBackup(); return true;
        case ID_EDIT_UNDO: UndoLastStep(); return true;
        case ID_EXPORT_HTML:
        case ID_EXPORT_MARKDOWN:
        case ID_EXPORT_TEXT:
            ExportReadableAsk(Tree() ? Tree()->GetCurrentFolder() : 0, nId == ID_EXPORT_HTML ? EReadableFormat::Html
                                                                       : nId == ID_EXPORT_MARKDOWN
                                                                           ? EReadableFormat::Markdown
                                                                           : EReadableFormat::Text);
            return true;
        default: return false;
    }
}

bool COrvantisDoc::OnUpdateCommand(int nId, SCommandState& state) {
    switch (nId) {
        case ID_DATABASE_CLOSE:
        case ID_SEARCH:
        case ID_TRASH:
        case ID_ROOT_EDIT:
        case ID_DATABASE_INFO:
        case ID_EXPORT_HTML:
        case ID_EXPORT_MARKDOWN:
        case ID_EXPORT_TEXT:
        case ID_VIEW_REFRESH: state.bEnabled = true; return true;
        case ID_ENTRY_SAVE: state.bEnabled = !m_bWriteProtect; return true;
        // it adds entries: as creating a folder, write protection stops it
        case ID_BACKUP_RESTORE: state.bEnabled = IsDatabaseOpen() && !m_bWriteProtect; return true;
        case ID_EDIT_UNDO: {
            const SUndoStep* pStep = m_pKnowHow ? m_pKnowHow->History().Last() : nullptr;
            state.bEnabled = pStep && !m_bWriteProtect;
            state.strText = UndoMenuText(pStep);
            return true;
        }
        case ID_WRITE_PROTECT:
            state.bEnabled = true;
            state.bChecked = m_bWriteProtect;
            return true;
        // reads the Option table on every refresh
        case ID_ADMIN_LOGIN: state.bEnabled = IsDatabaseOpen() && GetDbAdmin().IsAdminPasswordSet(); return true;
        case ID_BACKUP_SETTINGS:
        case ID_DATABASE_REORGANIZE:
        case ID_DATABASE_ENCRYPT:
        case ID_ADMIN_PROTECT: state.bEnabled = IsDatabaseOpen() && GetDbAdmin().IsUnlocked(); return true;
        default: return false;
    }
}

std::intptr_t COrvantisDoc::OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t) {
    if (nMsg == WM_COMMAND) return OnCommand(static_cast<int>(wParam)) ? 1 : 0;
    return 0;
}
