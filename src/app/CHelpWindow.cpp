#include "app/CHelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>

#include "edit/CLinkDlg.h"
#include "platform/Cp1252.h"

namespace {
QPointer<CHelpWindow> s_pHelpWindow;

bool IsHelpPage(const QUrl& url) {
    if (!url.isLocalFile()) return false;
    QFileInfo info(url.toLocalFile());
    QString strSuffix = info.suffix().toLower();
    return info.isFile() && (strSuffix == "html" || strSuffix == "htm");
}
}  // namespace

CHelpWindow::CHelpWindow(QWidget* pParent) : QMainWindow(pParent) {
    setWindowTitle(QString::fromUtf8("Orvantis-Hilfe"));
    resize(780, 680);

    m_pBrowser = new QTextBrowser(this);
    // the window decides where a link goes, not the browser
    m_pBrowser->setOpenLinks(false);
    m_pBrowser->setOpenExternalLinks(false);
    setCentralWidget(m_pBrowser);
    connect(m_pBrowser, &QTextBrowser::anchorClicked, this, &CHelpWindow::FollowLink);
    connect(m_pBrowser, &QTextBrowser::sourceChanged, this, [this] {
        QString strTitle = m_pBrowser->documentTitle();
        setWindowTitle(strTitle.isEmpty() ? QString::fromUtf8("Orvantis-Hilfe") : strTitle);
    });

    QToolBar* pBar = addToolBar(QString::fromUtf8("Hilfe"));
    pBar->setMovable(false);
    m_pBack = pBar->addAction(QString::fromUtf8("Zurück"), m_pBrowser, &QTextBrowser::backward);
    m_pBack->setShortcut(QKeySequence::Back);
    m_pBack->setToolTip(QString::fromUtf8("Zurück (Alt+Links)"));
    m_pForward = pBar->addAction(QString::fromUtf8("Vor"), m_pBrowser, &QTextBrowser::forward);
    m_pForward->setShortcut(QKeySequence::Forward);
    m_pForward->setToolTip(QString::fromUtf8("Vor (Alt+Rechts)"));
    m_pBack->setEnabled(false);
    m_pForward->setEnabled(false);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, m_pBack, &QAction::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, m_pForward, &QAction::setEnabled);
    QAction* pHome = pBar->addAction(QString::fromUtf8("Anfang"), m_pBrowser, &QTextBrowser::home);
    pHome->setToolTip(QString::fromUtf8("Zum Anfang der Hilfe"));
    pBar->addSeparator();

    m_pFind = new QLineEdit(pBar);
    m_pFind->setPlaceholderText(QString::fromUtf8("In der Seite suchen"));
    m_pFind->setAccessibleName(QString::fromUtf8("In der Seite suchen"));
    m_pFind->setClearButtonEnabled(true);
    m_pFind->setMaximumWidth(260);
    pBar->addWidget(m_pFind);
    QAction* pNext = pBar->addAction(QString::fromUtf8("Weitersuchen"), this, [this] { FindInPage(m_pFind->text()); });
    pNext->setShortcut(QKeySequence::FindNext);
    QAction* pPrevious =
        pBar->addAction(QString::fromUtf8("Rückwärts"), this, [this] { FindInPage(m_pFind->text(), true); });
    pPrevious->setShortcut(QKeySequence::FindPrevious);
    m_pNote = new QLabel(pBar);
    pBar->addWidget(m_pNote);
    connect(m_pFind, &QLineEdit::returnPressed, this, [this] { FindInPage(m_pFind->text()); });
    // a new text is looked for from the top of what was found last
    connect(m_pFind, &QLineEdit::textEdited, this, [this](const QString& strText) {
        QTextCursor cursor = m_pBrowser->textCursor();
        cursor.setPosition(cursor.selectionStart());
        m_pBrowser->setTextCursor(cursor);
        if (strText.isEmpty())
            m_pNote->clear();
        else
            FindInPage(strText);
    });

    auto* pFindKey = new QShortcut(QKeySequence::Find, this);
    connect(pFindKey, &QShortcut::activated, this, [this] {
        m_pFind->setFocus();
        m_pFind->selectAll();
    });
    auto* pClose = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(pClose, &QShortcut::activated, this, &QWidget::close);
}

bool CHelpWindow::LoadPage(const std::string& strFile) {
    QFileInfo info(QString::fromStdString(strFile));
    if (!info.isFile() || !info.isReadable()) return false;
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (m_pBrowser->source() != url) {
        m_pBrowser->setSource(url);
        m_pBrowser->clearHistory();
    }
    return !m_pBrowser->document()->isEmpty();
}

bool CHelpWindow::FindInPage(const QString& strText, bool bBackward) {
    if (strText.isEmpty()) return false;
    QTextDocument::FindFlags flags;
    if (bBackward) flags |= QTextDocument::FindBackward;
    bool bFound = m_pBrowser->find(strText, flags);
    if (!bFound) {
        // once round: from the other end of the page
        QTextCursor cursor = m_pBrowser->textCursor();
        cursor.movePosition(bBackward ? QTextCursor::End : QTextCursor::Start);
        m_pBrowser->setTextCursor(cursor);
        bFound = m_pBrowser->find(strText, flags);
    }
    m_pNote->setText(bFound ? QString() : QString::fromUtf8("Nicht gefunden"));
    return bFound;
}

void CHelpWindow::FollowLink(const QUrl& url) {
    QUrl target = m_pBrowser->source().resolved(url);
    if (IsHelpPage(target)) {
        // a place on this page or another page of the help: kept in the history
        m_pBrowser->setSource(target);
        return;
    }
    // the web, mail, files: the desktop's programs, with the messages of a link
    CLinkDlg::OpenLink(Utf8ToCp1252(url.toString().toStdString()));
}

bool ShowHelpWindow(const std::string& strFile) {
    if (!s_pHelpWindow) {
        // a window of its own that closes with the main window and does not
        // keep the program running after it
        QWidget* pMain = nullptr;
        for (QWidget* p : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(p) && p->isVisible()) pMain = p;
        s_pHelpWindow = new CHelpWindow(pMain);
        s_pHelpWindow->setWindowFlag(Qt::Window);
        s_pHelpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!s_pHelpWindow->LoadPage(strFile)) return false;
    s_pHelpWindow->show();
    s_pHelpWindow->raise();
    s_pHelpWindow->activateWindow();
    return true;
}

CHelpWindow* GetHelpWindow() {
    return s_pHelpWindow.data();
}
