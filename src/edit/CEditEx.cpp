#include "edit/CEditEx.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolTip>
#include <QWheelEvent>

#include "ui/PaneMessages.h"
#include "ui/QtText.h"

namespace {
bool IsReturn(int nKey) {
    return nKey == Qt::Key_Return || nKey == Qt::Key_Enter;
}

// Typed text that the editor would insert (control characters are commands).
bool InsertsText(const QKeyEvent* pKey) {
    const QString strText = pKey->text();
    if (strText.isEmpty()) return false;
    if (pKey->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    for (QChar ch : strText)
        if (ch.category() == QChar::Other_Control) return false;
    return true;
}

QString ReplaceBreaks(QString str) {
    str.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    str.replace(QChar('\r'), QChar('\n'));
    str.replace(QChar::ParagraphSeparator, QChar('\n'));
    str.replace(QChar::LineSeparator, QChar('\n'));
    return str;
}

void EnsureLaidOut(QAbstractTextDocumentLayout* pLayout, const QTextBlock& block) {
    if (block.layout() && block.layout()->lineCount() == 0) pLayout->blockBoundingRect(block);
}
}  // namespace

QString StoredToDisplay(const std::string& strAnsi) {
    return ReplaceBreaks(FromAnsi(strAnsi));
}

std::string DisplayToStored(const QString& str) {
    QString strOut = ReplaceBreaks(str);
    strOut.replace(QChar('\n'), QStringLiteral("\r\n"));
    return ToAnsi(strOut);
}

CEditEx::CEditEx(QWidget* pParent) : QPlainTextEdit(pParent) {
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDocumentMargin(0);
    setViewportMargins(0, 0, 0, 0);
    setContentsMargins(0, 0, 0, 0);
    setTabChangesFocus(false);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        if (!m_bSettingText) emit UserTextChanged();
    });
}

void CEditEx::SetKeyTarget(QObject* pReceiver, IPaneTarget* pTarget) {
    m_pReceiver = pReceiver;
    m_pTarget = pTarget;
}

void CEditEx::SetTabStopChars(int nAverageChars) {
    setTabStopDistance(qMax(1, nAverageChars * QFontMetrics(font()).averageCharWidth()));
}

void CEditEx::SetAnsiText(const std::string& strAnsi) {
    m_bSettingText = true;
    setPlainText(StoredToDisplay(strAnsi));
    m_bSettingText = false;
}

std::string CEditEx::GetAnsiText() const {
    return DisplayToStored(toPlainText());
}

int CEditEx::GetLineCount() const {
    // A size set while hidden reaches the document layout only when shown;
    // the hidden editor's line count matters all the same. The document
    // follows the viewport's resize, which the frame's resize lays out.
    auto* pSelf = const_cast<CEditEx*>(this);
    for (QWidget* pWidget : {static_cast<QWidget*>(pSelf), pSelf->viewport()}) {
        if (pWidget->testAttribute(Qt::WA_PendingResizeEvent)) {
            pWidget->setAttribute(Qt::WA_PendingResizeEvent, false);
            QResizeEvent resize(pWidget->size(), QSize());
            QCoreApplication::sendEvent(pWidget, &resize);
        }
    }
    auto* pLayout = document()->documentLayout();
    int nLines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        EnsureLaidOut(pLayout, block);
        nLines += qMax(1, block.layout()->lineCount());
    }
    return qMax(1, nLines);
}

int CEditEx::GetCaretLine() const {
    GetLineCount();  // lays every block out at the current width
    const QTextCursor cursor = textCursor();
    const QTextBlock caretBlock = cursor.block();
    int nLine = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && block != caretBlock; block = block.next())
        nLine += qMax(1, block.layout()->lineCount());
    if (caretBlock.isValid()) {
        QTextLine line = caretBlock.layout()->lineForTextPosition(cursor.positionInBlock());
        if (line.isValid()) nLine += line.lineNumber();
    }
    return nLine;
}

void CEditEx::SetCaretFromPoint(const QPoint& pt) {
    setTextCursor(cursorForPosition(viewport()->mapFrom(this, pt)));
    ensureCursorVisible();
}

void CEditEx::Send(int nCode) {
    SendPaneMessage(m_pTarget, WM_EDITOR_KEY, nCode, 0);
}

void CEditEx::PostCaret() {
    PostPaneMessage(m_pReceiver, m_pTarget, WM_EDITOR_KEY, EK_CARET, 0);
}

void CEditEx::Notify(const QString& strNotice) {
    m_strLastNotice = strNotice;
    if (isVisible()) QToolTip::showText(mapToGlobal(cursorRect().bottomLeft()), strNotice, this);
    if (QWidget* pWindow = window()) {
        if (auto* pStatus = pWindow->findChild<QStatusBar*>()) pStatus->showMessage(strNotice, 5000);
    }
    emit InputRefused(strNotice);
}

QString CEditEx::FilterInput(const QString& strInput, bool bTyped) {
    QString strOut;
    strOut.reserve(strInput.size());
    bool bDropped = false;
    for (QChar ch : (m_eMode == EDITOR_KEYWORD ? ReplaceBreaks(strInput) : strInput)) {
        if (m_eMode == EDITOR_KEYWORD && (ch == QChar('\n') || ch == QChar('\t'))) ch = QChar(' ');
        if (!IsAnsiRepresentable(QString(ch))) {
            bDropped = true;
            continue;
        }
        strOut += ch;
    }
    if (bDropped) {
        Notify(bTyped ? QStringLiteral("Dieses Zeichen kann nicht gespeichert werden und wurde nicht übernommen.")
                      : QStringLiteral("Zeichen, die nicht gespeichert werden können, wurden weggelassen."));
    }
    if (m_nLimit > 0) {
        const int nLength = document()->characterCount() - 1;
        const int nSelected = static_cast<int>(textCursor().selectedText().size());
        const int nRoom = qMax(0, m_nLimit - (nLength - nSelected));
        if (strOut.size() > nRoom) {
            // a typed character either fits whole or not at all
            strOut = bTyped ? QString() : strOut.left(nRoom);
            Notify(QStringLiteral("Es sind höchstens %1 Zeichen möglich.").arg(m_nLimit));
        }
    }
    return strOut;
}

bool CEditEx::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ShortcutOverride) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const int nKey = pKey->key();
        const bool bAlt = pKey->modifiers() & Qt::AltModifier;
        if (!bAlt && (nKey == Qt::Key_Tab || nKey == Qt::Key_Backtab || nKey == Qt::Key_Escape || IsReturn(nKey) ||
                      nKey == Qt::Key_Up || nKey == Qt::Key_Down)) {
            pEvent->accept();
            return true;
        }
    } else if (pEvent->type() == QEvent::KeyPress) {
        // Tab and Shift+Tab are requests to the view, never focus moves
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->key() == Qt::Key_Tab || pKey->key() == Qt::Key_Backtab) {
            keyPressEvent(pKey);
            return true;
        }
    }
    return QPlainTextEdit::event(pEvent);
}

void CEditEx::keyPressEvent(QKeyEvent* pEvent) {
    const int nKey = pEvent->key();
    const Qt::KeyboardModifiers mods = pEvent->modifiers();
    const bool bShift = mods & Qt::ShiftModifier;
    const bool bCtrl = mods & Qt::ControlModifier;
    const bool bAlt = mods & Qt::AltModifier;

    if (nKey == Qt::Key_Tab || nKey == Qt::Key_Backtab) {
        if (bCtrl || bAlt) {
            pEvent->ignore();
            return;
        }
        Send(nKey == Qt::Key_Backtab || bShift ? EK_BACK : EK_FORWARD);
        return;
    }
    if (IsReturn(nKey)) {
        if (bAlt) {  // Alt+Enter belongs to the frame (switches the pane)
            pEvent->ignore();
            return;
        }
        if (bCtrl) {
            Send(EK_OPEN);
            PostCaret();
            return;
        }
        if (bShift) {
            Send(EK_UP_LEVEL);
            return;
        }
        if (m_nEnterAdvances) {
            Send(EK_FORWARD);
            return;
        }
        if (isReadOnly()) return;
        if (FilterInput(QStringLiteral("\n"), true).isEmpty()) return;
        QPlainTextEdit::keyPressEvent(pEvent);
        PostCaret();
        return;
    }
    if (nKey == Qt::Key_Escape) {
        Send(EK_CANCEL);
        return;
    }
    if (nKey == Qt::Key_Up && GetCaretLine() == 0) {
        Send(EK_PREV_ROW);
        return;
    }
    if (nKey == Qt::Key_Down && GetCaretLine() == GetLineCount() - 1) {
        Send(EK_NEXT_ROW);
        return;
    }
    if (InsertsText(pEvent) && !isReadOnly()) {
        const QString strText = pEvent->text();
        const QString strAllowed = FilterInput(strText, true);
        if (strAllowed.isEmpty()) return;
        if (strAllowed != strText) {
            insertPlainText(strAllowed);
            PostCaret();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(pEvent);
    PostCaret();
}

void CEditEx::wheelEvent(QWheelEvent* pEvent) {
    if (!m_pWheelTarget) {
        QPlainTextEdit::wheelEvent(pEvent);
        return;
    }
    const QPointF ptLocal = m_pWheelTarget->mapFromGlobal(pEvent->globalPosition());
    QWheelEvent forwarded(ptLocal, pEvent->globalPosition(), pEvent->pixelDelta(), pEvent->angleDelta(),
                          pEvent->buttons(), pEvent->modifiers(), pEvent->phase(), pEvent->inverted(),
                          pEvent->source());
    QCoreApplication::sendEvent(m_pWheelTarget, &forwarded);
    pEvent->setAccepted(forwarded.isAccepted());
}

void CEditEx::insertFromMimeData(const QMimeData* pSource) {
    if (!pSource || !pSource->hasText() || isReadOnly()) return;
    const QString strAllowed = FilterInput(pSource->text(), false);
    if (!strAllowed.isEmpty()) insertPlainText(strAllowed);
}

void CEditEx::inputMethodEvent(QInputMethodEvent* pEvent) {
    if (pEvent->commitString().isEmpty() || isReadOnly()) {
        QPlainTextEdit::inputMethodEvent(pEvent);
        return;
    }
    const QString strAllowed = FilterInput(pEvent->commitString(), true);
    QInputMethodEvent filtered(pEvent->preeditString(), pEvent->attributes());
    filtered.setCommitString(strAllowed, pEvent->replacementStart(), pEvent->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
}

#include "moc_CEditEx.cpp"
