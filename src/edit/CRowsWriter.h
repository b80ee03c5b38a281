#pragma once
// Writing the detail view's rows and putting what a write answers to the
// user: a conflict with the two versions side by side, an entry or folder
// another user deleted, the file in use. What the user leaves unresolved
// stays as typed and is marked unsaved; the next write tries again.

#include <QPointer>
#include <functional>

#include "edit/IEditDocument.h"
#include "tree/CFolderRows.h"

class QWidget;

class CRowsWriter {
public:
    // fnRowsChanged runs after a resolution changed the rows as a whole,
    // fnMarkChanged when the unsaved mark goes on or off.
    CRowsWriter(CFolderRows& rows, IEditDocument& doc, QWidget* pView, std::function<void()> fnRowsChanged,
                std::function<void()> fnMarkChanged)
        : m_rows(rows),
          m_doc(doc),
          m_pView(pView),
          m_fnRowsChanged(std::move(fnRowsChanged)),
          m_fnMarkChanged(std::move(fnMarkChanged)) {}

    // Writes every changed row; true when all typing is stored. bSay: a
    // file that cannot be written now is said at once (else only kept for
    // the caller's question).
    bool Save(bool bSay = true);
    // Closing the folder or the file with typing that cannot be stored:
    // asks to try again, to drop it or to go back. True to go on closing
    // (bDropped: the typing was dropped).
    bool QueryClose(bool& bDropped);
    // A save (and what it asks) is in progress: nothing else may run.
    bool IsSaving() const { return m_nSaving > 0; }
    // Unsaved rows are marked (a write failed).
    bool IsMarking() const { return m_bMark; }
    void ClearMark() { SetMark(false); }

    // The file could not be read or written now: one message, with the hint
    // that the typing stays when bTypingKept.
    static void SayFileNotUsable(EWriteResult eResult, int nEngineCode, bool bTypingKept);
    // Why the file cannot be used: the engine's reason, else the lock or
    // the general message.
    static std::string FileNotUsableReason(EWriteResult eResult, int nEngineCode);

private:
    // One refused write put to the user; true when resolved.
    bool Resolve(EWriteResult eResult, const SWriteReport& report, bool bSay);
    void SetMark(bool bOn);

    CFolderRows& m_rows;
    IEditDocument& m_doc;
    QPointer<QWidget> m_pView;
    std::function<void()> m_fnRowsChanged;
    std::function<void()> m_fnMarkChanged;
    int m_nSaving = 0;
    bool m_bMark = false;
    // the last write that the file's state stopped: Locked or Failed, and why
    EWriteResult m_eUnusable = EWriteResult::Saved;
    int m_nUnusableCode = 0;
};
