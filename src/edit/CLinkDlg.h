#pragma once
// The dialog in which the link of one entry is created, changed, tested or
// removed, and the opening of a link through the desktop shell with a German
// explanation when it fails.

#include <QDialog>
#include <string>

#include "table/CKnowHowItem.h"

class QLineEdit;
class QPushButton;

enum ELinkDlgControl : int {
    IDD_LINK = 149,
    IDC_LINK_EDIT = 1012,
    IDC_LINK_FILE = 4,
    IDC_LINK_DELETE = 5,
    IDC_LINK_TEST = 6,
};

class CLinkDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLinkDlg(QWidget* pParent = nullptr);

    // The entry being edited: the caller fills it before the dialog is shown
    // and reads it back after OK.
    CKnowHowItem m_item;
    // The link text as exchanged with the edit control (Windows-1252).
    std::string m_strLink;

    QLineEdit* LinkEdit() const { return m_pEdit; }

    // Opens the link with its associated program; a failure is explained in
    // a message box. Answers 1 in every case.
    static int OpenLink(const std::string& strLink);
    // The German text for a shell error code; null when the code shows none.
    static const char* ShellErrorText(int nCode);

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void OnFile();
    void OnTest();
    void OnDelete();
    // The edit control's text as Windows-1252; false (after telling the
    // user) when it holds a character that cannot be stored.
    bool TakeLinkText(std::string& strLink);

    QLineEdit* m_pEdit = nullptr;
    bool m_bStarted = false;
};
