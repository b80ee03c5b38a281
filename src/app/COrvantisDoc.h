#pragma once
// The document: owns the open database (the knowledge-tree service exists
// exactly while one is open), opens, creates and closes it in the fixed order
// of steps, holds the write protection and the two shared fonts, forwards the
// panes' tree queries and carries out the database-level commands.

#include <QFont>
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CRecentFileList.h"
#include "edit/IEditDocument.h"
#include "table/CKnowHowItem.h"
#include "tree/CReadableExport.h"
#include "ui/CommandIds.h"
#include "ui/CommandTarget.h"
#include "ui/PaneMessages.h"

class CKnowHow;
class CDetailView;
class CLeftView;
class CMainFrame;
class QPrinter;

// How often another user's commit is looked for while idle.
inline constexpr int CHANGE_POLL_MS = 1000;

class COrvantisDoc : public QObject, public CCommandTarget, public IPaneTarget, public IEditDocument {
    Q_OBJECT
public:
    COrvantisDoc();
    ~COrvantisDoc() override;

    void SetFrame(CMainFrame* pFrame) { m_pFrame = pFrame; }
    CMainFrame* GetFrame() const { return m_pFrame; }

    // --- forwarding to the knowledge-tree service (0 / empty while closed) ---
    int GetItem(CKnowHowItem& item, TRowId nId);
    int GetChildren(CKnowHowArray& arr, TRowId nFolder, bool bFoldersOnly);
    int CountChildren(TRowId nFolder, bool bFoldersOnly);
    TRowId GetParentId(TRowId nId);
    // nFolder is nAncestor or lies below it. A parent chain that runs in a
    // circle (a damaged file) counts as inside: nothing may move there.
    bool IsInsideFolder(TRowId nFolder, TRowId nAncestor) override;
    std::string GetPath(TRowId nId);
    [[nodiscard]] EWriteResult SaveItems(CKnowHowArray& arr);
    CKnowHow* GetService() const override { return m_pKnowHow.get(); }
    bool IsDatabaseOpen() const override { return m_pKnowHow != nullptr; }

    // --- document operations ---------------------------------------------------------
    bool NewDatabase();
    bool OpenDatabaseFile(const std::string& strPath);
    // False when the user chose to go back to typing that cannot be stored.
    bool CloseDatabaseFile();
    // Typing not stored yet is written, or dropped as the user chooses;
    // false to stay (the file is not to be closed).
    bool QueryCloseDatabase();
    void CloseDocument();
    void ReleaseDatabase();
    bool ConfirmDeleteEntry(TRowId nId) override;
    // The question, the delete and what it met said; true when deleted (or
    // gone already).
    bool DeleteEntryAsk(TRowId nId);
    void ImportStructureAsk(TRowId nFolder);
    void ExportStructureAsk(TRowId nFolder);
    // The folder (0: the whole base) with its texts as a document, after
    // the file dialog and, for a protected base, the question.
    void ExportReadableAsk(TRowId nFolder, EReadableFormat eFormat);
    EWriteResult MoveToFolder(TRowId nId, TRowId nTargetFolder, SWriteReport* pReport) override;
    void GoToEntry(TRowId nId) override;
    void GoToNextEntry(TRowId nId) override;
    void GoToPreviousEntry(TRowId nId) override;
    void EditRootFolder();
    void ShowFolderTitle(TRowId nFolder) override;
    void MarkFolderChanged(bool bChanged) override;
    void SetEditNote(const std::string& strNote) override;
    // The tree and the folder shown read again, keeping the place (F5).
    void RefreshViews();
    // "Aus Sicherung wiederherstellen": into the folder selected in the tree.
    void RestoreFromBackup();
    // Takes the last delete or move made in this window back (Strg+Z).
    void UndoLastStep();
    // After a restore from the trash: the tree and the view read again, the
    // restored entry selected.
    void ShowRestored(TRowId nId);
    // Once a second while idle: another user's commit is noticed and shown.
    void PollForChanges();
    bool IsWriteProtected() const override { return m_bWriteProtect; }
    void SetWriteProtected(bool b) { m_bWriteProtect = b; }
    const QFont& GetFont(EDocFont eFont) const override;
    // The program's printer: the printer set-up changes it, every print job
    // and preview of the panes uses it.
    QPrinter* GetPrinter();
    void SwitchMenu(EResourceSet eSet);
    void ActivatePane(EPaneKind eKind);

    // --- the neighbours the editing panes reach through the document -----------------
    SPaneRef GetTreePane() const override;
    void ShowContextMenu(QWidget* pParent, const QPoint& ptGlobal) override;
    void PrintFolder(QWidget* pParent, TRowId nFolder, bool bPreview) override;

    // --- the framework's paths around the operations above --------------------------------
    // The one open path (open dialog, recent files, dropped file, command
    // line, last database): OpenDatabaseFile, then on success path, title,
    // recent-file list and the initial update of the panes. A path that
    // names no file is reported and opens nothing (nor closes the database).
    bool OpenDocumentFile(const std::string& strPath);
    // New-document path (ID_FILE_NEW and once at start-up): NewDatabase and,
    // on success, the initial update of the panes.
    bool OnNewDocument();
    // Opens recent file nIndex (0..2); a path that fails is removed from the list.
    bool OpenRecentFile(int nIndex);
    CRecentFileList& GetRecentFileList() { return m_recentFiles; }

    // Title (file name without folder and extension) and path of the open
    // database; empty while none is open. UTF-8 like every path.
    const std::string& GetTitle() const { return m_strTitle; }
    const std::string& GetPathName() const { return m_strPathName; }

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

    // The reorganisation with the wait notice (command ID_DATABASE_REORGANIZE).
    void Reorganize();
    void ToggleWriteProtect();

signals:
    // title or path changed (the frame updates its caption and the recent files)
    void DocumentChanged();

private:
    void SetPathAndTitle(const std::string& strPath);
    CLeftView* Tree() const;
    CDetailView* Detail() const;
    void StartInEmptyRoot();

    bool m_bFirstNew = true;
    bool m_bWriteProtect = true;
    QFont m_fontNormal;
    QFont m_fontBold;
    std::unique_ptr<CKnowHow> m_pKnowHow;
    CMainFrame* m_pFrame = nullptr;
    std::string m_strTitle;
    std::string m_strPathName;
    CRecentFileList m_recentFiles;
    std::unique_ptr<QPrinter> m_pPrinter;
    class QTimer* m_pPollTimer = nullptr;
};

// "Projekte" for "/daten/Projekte.tov": the file name without folder and extension.
std::string DocumentTitleFromPath(const std::string& strPath);
