#pragma once
// The help page in a window of the program: a text browser with back and
// forward and a search in the page. Pages of the help open in it; every
// other link goes to the desktop as an entry's link does.

#include <QMainWindow>
#include <QUrl>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QTextBrowser;

class CHelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* pParent = nullptr);

    // False when the page cannot be read.
    bool LoadPage(const std::string& strFile);
    // Searches the page from the cursor on, round the end to the start;
    // false (and says so beside the field) when the text is not there.
    bool FindInPage(const QString& strText, bool bBackward = false);

    QTextBrowser* Browser() const { return m_pBrowser; }
    QLineEdit* FindField() const { return m_pFind; }
    QAction* BackAction() const { return m_pBack; }
    QAction* ForwardAction() const { return m_pForward; }
    QLabel* FindNote() const { return m_pNote; }

    // The link of the page was clicked: a help page is shown here, a place
    // on the page is scrolled to, anything else is opened by the desktop.
    void FollowLink(const QUrl& url);

private:
    QTextBrowser* m_pBrowser = nullptr;
    QLineEdit* m_pFind = nullptr;
    QLabel* m_pNote = nullptr;
    QAction* m_pBack = nullptr;
    QAction* m_pForward = nullptr;
};

// The program's one help window, made on first use, showing strFile and
// brought to the front; false (nothing shown) when the page cannot be read.
bool ShowHelpWindow(const std::string& strFile);
// The window when one was made (tests).
CHelpWindow* GetHelpWindow();
