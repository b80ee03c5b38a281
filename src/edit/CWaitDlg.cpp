#include "edit/CWaitDlg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "platform/Platform.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

CWaitDlg::CWaitDlg() : QDialog(nullptr) {
    GetPlatform().BeginWaitCursor();
    setWindowTitle(QStringLiteral("Bitte warten ..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    CDialogUnits du(this);
    setFixedSize(du.Size(186, 33));
    m_pText = new QLabel(QStringLiteral("..."), this);
    m_pText->setObjectName("textMessage");
    m_pText->setGeometry(du.Rect(7, 7, 172, 19));
    m_pText->setWordWrap(true);
    m_pText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
}

CWaitDlg::~CWaitDlg() {
    GetPlatform().EndWaitCursor();
}

int CWaitDlg::Show() {
    m_pText->setText(FromAnsi(m_strMessage));
    if (QScreen* pScreen = QGuiApplication::primaryScreen()) {
        QRect rc = rect();
        rc.moveCenter(pScreen->availableGeometry().center());
        move(rc.topLeft());
    }
    show();
    raise();
    // The operation that follows keeps the event loop from running: let the
    // window system map the window, then paint it now.
    QElapsedTimer timer;
    timer.start();
    QWindow* pWindow = windowHandle();
    while (pWindow && !pWindow->isExposed() && timer.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        if (!pWindow->isExposed()) QThread::msleep(5);
    }
    repaint();
    m_pText->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return 1;
}

int CWaitDlg::Hide() {
    hide();
    return 1;
}

CWaitNotice::CWaitNotice() = default;

CWaitNotice::~CWaitNotice() = default;

void CWaitNotice::Show(const std::string& strAnsiText) {
    if (!m_pDlg) m_pDlg = std::make_unique<CWaitDlg>();
    m_pDlg->SetMessage(strAnsiText);
    m_pDlg->Show();
}

void CWaitNotice::Hide() {
    if (m_pDlg) m_pDlg->Hide();
}
