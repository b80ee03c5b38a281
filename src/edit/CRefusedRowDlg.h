#pragma once
// What the user chooses when a row could not be written because another user
// got there first: the two versions side by side for a conflict, or the
// typing alone when the entry or its folder is gone. Nothing typed is
// dropped unless the user says so.

#include <QDialog>
#include <string>

#include "table/CKnowHowItem.h"
#include "table/CWriteResult.h"

enum class ERefusedRowChoice {
    KeepMine,    // write the typing over the stored version shown
    TakeStored,  // show the stored version, drop the typing
    SaveAsNew,   // the typing becomes a new entry (in the folder named)
    Discard,     // drop the typing (the entry is gone)
    Later,       // keep it as typed and unsaved; the next save tries again
};

class CRefusedRowDlg : public QDialog {
    Q_OBJECT
public:
    // eResult Conflict, Deleted or ParentGone; strTargetFolder (Windows-1252)
    // is where SaveAsNew puts the typing for ParentGone.
    CRefusedRowDlg(QWidget* pParent, EWriteResult eResult, const CKnowHowItem& mine, const CKnowHowItem& stored,
                   const std::string& strTargetFolder);
    ERefusedRowChoice GetChoice() const { return m_eChoice; }

    // Shows it modally and answers the choice (Later when it was closed).
    static ERefusedRowChoice Ask(QWidget* pParent, EWriteResult eResult, const CKnowHowItem& mine,
                                 const CKnowHowItem& stored, const std::string& strTargetFolder);

private:
    void AddChoice(class QDialogButtonBox* pBox, const char* pszName, const QString& strText, ERefusedRowChoice e);

    ERefusedRowChoice m_eChoice = ERefusedRowChoice::Later;
};
