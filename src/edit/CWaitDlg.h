#pragma once
// "Bitte warten ...": a modeless notice with the busy cursor while a long
// operation runs in the user-interface thread. No owner, centred on the
// screen, no buttons, no input.

#include <QDialog>
#include <memory>
#include <string>

#include "db/DbCommands.h"

class QLabel;

class CWaitDlg : public QDialog {
public:
    enum { IDD = 150 };
    // Switches the busy cursor on; the destructor switches it off again.
    CWaitDlg();
    ~CWaitDlg() override;

    // Windows-1252 text, shown when the window is shown.
    void SetMessage(const std::string& strAnsi) { m_strMessage = strAnsi; }
    // Shows the notice centred with the message and paints it before it
    // returns, so it is on screen while the caller works. Answers 1.
    int Show();
    int Hide();

private:
    std::string m_strMessage;
    QLabel* m_pText;
};

// The wait notice of RunReorganize and its kind: the dialog is constructed
// at the first Show and destroyed with the adaptor.
class CWaitNotice : public IWaitNotice {
public:
    CWaitNotice();
    ~CWaitNotice() override;
    void Show(const std::string& strAnsiText) override;
    void Hide() override;
    CWaitDlg* GetDialog() const { return m_pDlg.get(); }

private:
    std::unique_ptr<CWaitDlg> m_pDlg;
};
