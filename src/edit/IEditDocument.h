#pragma once
// The document as the editing panes see it: the entries of the open
// database, the write protection, the two shared fonts, the moves to other
// entries, and the neighbours that the application owns (the folder tree,
// the context menu, the print job). The application hands it in, so that
// edit/ never reaches up into app/.

#include <QFont>
#include <cstdint>
#include <string>

#include "table/CKnowHowItem.h"
#include "table/CWriteResult.h"
#include "tree/CKnowHow.h"
#include "ui/PaneMessages.h"

class QPoint;
class QWidget;

// The document's two fonts: Arial normal for texts, bold for keywords and titles.
enum EDocFont : int {
    DOC_FONT_NORMAL = 1,
    DOC_FONT_BOLD = 2,
};

class IEditDocument {
public:
    virtual ~IEditDocument() = default;

    // --- the open database (nothing read, nothing written while none is open) ---
    virtual bool IsDatabaseOpen() const = 0;
    // The open database's knowledge-tree service; null while none is open.
    virtual CKnowHow* GetService() const = 0;
    // nFolder is nAncestor or lies below it (a parent chain in a circle counts as inside).
    virtual bool IsInsideFolder(TRowId nFolder, TRowId nAncestor) = 0;
    // The question before an entry (a folder with all it holds) is deleted.
    virtual bool ConfirmDeleteEntry(TRowId nId) = 0;
    [[nodiscard]] virtual EWriteResult MoveToFolder(TRowId nId, TRowId nTargetFolder, SWriteReport* pReport) = 0;

    virtual bool IsWriteProtected() const = 0;
    virtual const QFont& GetFont(EDocFont eFont) const = 0;

    // --- moves the panes show ---------------------------------------------------------
    virtual void GoToEntry(TRowId nId) = 0;
    virtual void GoToNextEntry(TRowId nId) = 0;
    virtual void GoToPreviousEntry(TRowId nId) = 0;
    virtual void ShowFolderTitle(TRowId nFolder) = 0;
    // Another user changed the file while a row was being edited: the title
    // strip says so until the row is left and the folder read again.
    virtual void MarkFolderChanged(bool bChanged) = 0;
    // A note in the status bar (UTF-8; empty: none), such as typing not stored yet.
    virtual void SetEditNote(const std::string& strNote) = 0;

    // --- neighbours -------------------------------------------------------------------
    // The folder tree, for the pane messages; empty while there is none.
    virtual SPaneRef GetTreePane() const = 0;
    // The context menu ("Kontext"), parented to pParent; its commands take
    // the frame's route and enabling.
    virtual void ShowContextMenu(QWidget* pParent, const QPoint& ptGlobal) = 0;
    // The print dialog (bPreview false) or the print preview of the folder's
    // entries, with the program's printer.
    virtual void PrintFolder(QWidget* pParent, TRowId nFolder, bool bPreview) = 0;
};
